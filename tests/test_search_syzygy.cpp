// Syzygy tables in play: the engine, playing both sides of a won ending by itself at a short time a
// move, mates within the fifty-move rule.
#include <gtest/gtest.h>

#include <iostream>

#include "search/tablebase.h"
#include "tests/proto_helpers.h"

namespace {

// Plays the popcount program against itself from fen with ms milliseconds a move, both sides with
// the test tables. Returns the plies to the mate, or -1 with the reason in why.
int pliesToMate(const std::string& fen, int ms, std::string& why) {
    EngineProcess e(false);
    e.start(PELLUX_POPCNT_BIN);
    std::string line, moves;
    e.send("uci");
    e.send("setoption name SyzygyPath value " PELLUX_TEST_DATA "/syzygy");
    MoveOracle oracle;
    if (!e.nextLine(line, "uciok") || !oracle.b->setFENPosition(fen.c_str())) return why = "no start", -1;
    for (int ply = 1; ply <= 300; ply++) {
        e.send("position fen " + fen + (moves.empty() ? "" : " moves" + moves));
        e.send("go movetime " + std::to_string(ms));
        if (!e.nextLine(line, "bestmove ")) return why = "no bestmove", -1;
        const std::string move = splitOn(line, ' ')[1];
        if (!oracle.legal(move) || !oracle.play(move)) return why = "an illegal move " + move, -1;
        moves += " " + move;
        ChessBoardNode& n = oracle.b->node;
        if (oracle.b->countLegalMoves() == 0) return n.sideInCheck() ? ply : (why = "stalemate", -1);
        if (n.fiftyMove >= 100) return why = "a draw by the fifty-move rule after" + moves, -1;
    }
    return why = "no mate in 300 plies", -1;
}

}  // namespace

TEST(SyzygySelfPlay, WonEndingsAreMatedWithinTheFiftyMoveRule) {
    if (!tablebaseSupported(TB_SYZYGY)) GTEST_SKIP() << "built without Syzygy tables";
    const char* const cases[][2] = {{"KQvK", "4k3/8/8/8/8/8/8/3QK3 w - - 0 1"},
                                    {"KRvK", "8/8/8/4k3/8/8/8/R3K3 w - - 0 1"},
                                    {"KPvK", "4k3/8/4K3/4P3/8/8/8/8 w - - 0 1"},
                                    {"KQvKR", "8/8/8/2k5/8/8/3QK3/7r w - - 0 1"}};
    for (const auto& c : cases) {
        std::string why;
        const int plies = pliesToMate(c[1], 40, why);
        EXPECT_GT(plies, 0) << c[0] << ": " << why;
        EXPECT_EQ(plies % 2, 1) << c[0] << ": White, to move first, mates";
        std::cout << c[0] << ": mate in " << (plies + 1) / 2 << " moves\n";
    }
}
