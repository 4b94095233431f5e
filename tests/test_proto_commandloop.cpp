// The command loop: choosing the protocol, tuning lines, line handling of the
// reader, the position command on long and broken games, and counts in either
// protocol (random and mutated command streams: the uci and winboard fuzz corpora).
#include <gtest/gtest.h>

#include "eval/weights.h"
#include "frontend/protocol.h"
#include "search/searchnode.h"
#include "tests/proto_helpers.h"

namespace {

// Any first line other than "uci", "xboard" or a tuning line (or the end of input) ends the program.
class ProtoFirstLine : public ::testing::TestWithParam<std::string> {};

TEST_P(ProtoFirstLine, EndsTheProgram) {
    EngineProcess e;
    for (const char* line : {"", "setvalue doubledpawn 12", "setvalue futility2"}) e.send(line);
    if (GetParam() == "end of input")
        e.closeInput();
    else
        e.send(GetParam());
    EXPECT_EQ(e.waitExit(3000), 1);
    EXPECT_EQ(e.seen, std::vector<std::string>{"Pellux 1.6 (64 bits) by Vornhalt"});
}

INSTANTIATE_TEST_SUITE_P(Lines, ProtoFirstLine,
                         ::testing::Values("quit", "isready", "uci\r", "UCI", "xboard2", "end of input"),
                         paramName<std::string>);

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

// Over-long lines, a last line without a newline, and lines split over many writes.
TEST(ProtoCommandLoop, ReaderDeliversWholeLines) {
    EngineProcess e;
    e.send("uci\nposition " + std::string(2u << 20, 'z') + "\nisready");  // beyond any line: dropped whole
    EXPECT_EQ(e.waitPrefix("readyok"), "readyok");
    for (char c : std::string("isready\n")) e.writeRaw(std::string(1, c));
    EXPECT_EQ(e.waitPrefix("readyok"), "readyok");
    e.writeRaw("isready");
    e.closeInput();
    EXPECT_EQ(e.waitPrefix("readyok", 3000), "readyok");
    EXPECT_EQ(e.waitExit(3000), 1);
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

// perft, perftd and divide in either protocol. A depth beyond the move lists prints the header and
// the time line only, as on the command line; a count ends by itself when no input comes; a long
// count answers "isready" or "ping", ends on "stop" or "?" (a line that must wait runs after it)
// and on "quit".
class ProtoCount : public ::testing::TestWithParam<std::string> {};

TEST_P(ProtoCount, CountsAnswersAndEnds) {
    const bool uci = GetParam() == "uci";
    const std::string sync = uci ? "isready" : "ping 1", answer = uci ? "readyok" : "pong 1";
    EngineProcess e;
    e.send(GetParam() + "\nperft 200\n" + sync);
    ASSERT_EQ(e.waitPrefix(answer), answer);
    std::vector<std::string> refused(e.seen.end() - 5, e.seen.end() - 1);
    refused.back().replace(13, 3, "ms.");  // the milliseconds of a busy machine may not be 000
    EXPECT_EQ(refused, (std::vector<std::string>{"depth           nodes ", "", "",
                                                 "Time = 00:00:ms., speed =      0"}));
    e.send("perftd 2\ndivide 2\nperft 5");  // nothing follows: the count must not wait for input
    EXPECT_EQ(e.waitPrefix("  5. "), "  5.          4865609");
    for (const char* line : {" 2.              400 ", "     total :              400"})
        EXPECT_EQ(e.countPrefix(line), 1) << line;
    e.send("perft 60\n" + sync);
    EXPECT_EQ(e.waitPrefix(answer), answer);
    e.send(uci ? "position fen 8/8/8/8/8/8/4K3/k7 w - - 0 1\nstop"
               : "setboard 8/8/8/8/8/8/4K3/k7 w - - 0 1\n?");
    EXPECT_TRUE(startsWith(e.waitPrefix("Time = "), "Time = "));
    e.send("divide 1\nperft 60");
    EXPECT_EQ(e.waitPrefix("     total :"), "     total :                8");
    e.send("quit");
    EXPECT_EQ(e.waitExit(3000), 1);
}

INSTANTIATE_TEST_SUITE_P(Protocols, ProtoCount, ::testing::Values("uci", "xboard"), paramName<std::string>);

}  // namespace
