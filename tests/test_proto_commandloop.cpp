// The command loop: "make run", tuning lines, formatted output and the position
// command on long and broken games (the dialogues themselves are transcripts:
// tests/data/*.transcript; random and mutated command streams: the uci and
// winboard fuzz corpora).
#include <gtest/gtest.h>

#include "eval/weights.h"
#include "frontend/protocol.h"
#include "search/searchnode.h"
#include "tests/proto_helpers.h"

namespace {

// "make run" ends quietly after "quit", though the program's status is 1: the recipe that make would
// run (its last line) is run from "/", where "./" followed by the absolute build path finds the program.
TEST(ProtoCommandLoop, MakeRunEndsQuietlyAfterQuit) {
    std::string bin = PELLUX_GENERIC_BIN, dir = bin.substr(0, bin.rfind('/'));
    FILE* make =
        popen(("make -s -n -C " PELLUX_TEST_DATA "/../.. run BUILD=" + dir + " 2>/dev/null").c_str(), "r");
    ASSERT_NE(make, nullptr);
    std::string recipe;
    for (char chunk[4096]; fgets(chunk, sizeof chunk, make);) recipe = chunk;
    pclose(make);
    ASSERT_NE(recipe.find("/pellux-generic"), std::string::npos) << recipe;
    recipe.pop_back();
    EXPECT_EQ(system(("cd / && echo quit | (" + recipe + ") >/dev/null").c_str()), 0) << recipe;
}

TEST(ProtoCommandLoop, TuningLinesBeforeTheProtocol) {
    int saved[3] = {EVAL_DOUBLED_PAWN[0], EVAL_DOUBLED_PAWN[1], FUTILITY_MARGIN[2]};
    auto tune = [](std::string line) { return parseWaitGUI(&line[0]); };
    EXPECT_EQ(tune("setvalue doubledpawn 15.9") + tune("setvalue futility2 300") + tune("setvalue futility2"),
              3);
    EXPECT_EQ(std::make_tuple(EVAL_DOUBLED_PAWN[0], EVAL_DOUBLED_PAWN[1], FUTILITY_MARGIN[2]),
              std::make_tuple(15, 15, 300));
    EXPECT_EQ(tune("setvalue " + std::string(5000, 'n') + " 4"), 1);
    EXPECT_EQ(tune("hello"), 0);
    EVAL_DOUBLED_PAWN[0] = saved[0], EVAL_DOUBLED_PAWN[1] = saved[1], FUTILITY_MARGIN[2] = saved[2];
}

TEST(ProtoCommandLoop, FormattedLinesAreCutNotOverflowed) {
    testing::internal::CaptureStdout();
    sendCommandf("info string %s", std::string(10000, 'x').c_str());
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(out.size(), 4096u);
    EXPECT_EQ(out.back(), '\n');
}

// The position command on the global board.
class ProtoPosition : public ::testing::Test {
protected:
    void SetUp() override { saved = board, board = new ChessBoardUCI(), board->init(1), board->newGame(); }
    void TearDown() override { board->free(), delete board, board = saved; }
    // Sets the position; returns the board part of the resulting FEN.
    std::string position(const std::string& text) {
        std::string line = "position " + text;
        parsePosition(&line[0]);
        char out[256];
        board->getFENPosition(out);
        return std::string(out).substr(0, std::string(out).find(' '));
    }
    // The repetition rule of the search: the key two, four, ... plies back, within the fifty-move window.
    bool repeated() {
        ChessBoardNode& n = board->node;
        for (int i = (int)n.hashListCount - 2, looked = 0; i >= 0 && looked < (n.fiftyMove + 1) / 2;
             i -= 2, looked++)
            if (n.hashList[i] == n.hashKey) return true;
        return false;
    }
    ChessBoardUCI* saved = nullptr;
};

// A 1300-ply game sets up the same position as its pawn moves alone, keeps
// the key history for repetitions, and leaves room in the game record.
TEST_F(ProtoPosition, LongGameReBasesAndKeepsRepetitions) {
    std::string pawns, game = longGame(26, &pawns);
    std::string shortBoard = position("startpos moves " + pawns);
    EXPECT_FALSE(repeated());
    EXPECT_EQ(position("startpos moves " + game), shortBoard);
    EXPECT_EQ(board->node.fiftyMove, 4 * 26 + 4);
    EXPECT_TRUE(repeated());
    EXPECT_LT(board->gameMoveCount, (unsigned)GAME_REBASE_AT);
    EXPECT_EQ(board->node.hashKey, board->node.createHashKey());
    position("startpos moves " + game + " h2h3");  // a pawn move ends the repetition window
    EXPECT_FALSE(repeated());
}

TEST_F(ProtoPosition, BrokenLinesKeepTheLastGoodPosition) {
    std::string after = position("fen 8/8/8/8/8/8/4K3/k7 w - - 0 1 moves e2e3");
    EXPECT_EQ(after, "8/8/8/8/8/4K3/8/k7");
    EXPECT_EQ(position("fen 8/8/8/8/8/8/4K3/k7 w - - 0 1" + std::string(300, ' ') + "moves e2e3"), after);
    EXPECT_EQ(position("fen not/a/fen moves e2e4"), after);
    position("startpos moves e2e4 e2e4 d2d4");  // stops at the first illegal move
    EXPECT_EQ(board->gameMoveCount, 1u);
}

}  // namespace
