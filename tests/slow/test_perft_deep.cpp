// Deep perft counts: the start position to depth 6, Kiwipete to depth 5, and
// every listed count of the published and oracle files up to 1.5e9 nodes.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "diagnostics/perft.h"
#include "frontend/chessboarduci.h"

namespace {

ChessBoardUCI* deepBoard() {
    static ChessBoardUCI* b = [] {
        ChessBoardUCI* nb = new ChessBoardUCI();
        nb->init(16);
        nb->newGame();
        return nb;
    }();
    return b;
}

unsigned long long perftOf(const std::string& fen, int depth) {
    ChessBoardUCI* b = deepBoard();
    EXPECT_TRUE(b->setFENPosition(fen.c_str())) << fen;
    countnode = 0;
    b->perft(depth);
    return countnode;
}

TEST(DeepPerft, StartPositionDepthSix) {
    EXPECT_EQ(perftOf("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", 6), 119060324ULL);
}

TEST(DeepPerft, KiwipeteDepthFive) {
    EXPECT_EQ(perftOf("r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1", 5), 193690690ULL);
}

TEST(DeepPerft, EveryListedCountUpToTheBudget) {
    const unsigned long long budget = 1500000000ULL;
    for (const char* file : {"perft.epd", "oracle_perft.epd"}) {
        std::ifstream in(std::string(PELLUX_TEST_DATA) + "/" + file);
        ASSERT_TRUE(in.good()) << file;
        std::string line;
        for (int number = 1; std::getline(in, line); number++) {
            const size_t semi = line.find(';');
            if (semi == std::string::npos) continue;
            std::istringstream fields(line.substr(semi));
            std::string tag;
            unsigned long long expected;
            for (int depth = 1; fields >> tag >> expected; depth++) {
                if (expected > budget) continue;
                EXPECT_EQ(perftOf(line.substr(0, semi), depth), expected) << file << ":" << number << " D" << depth;
            }
        }
    }
}

}  // namespace
