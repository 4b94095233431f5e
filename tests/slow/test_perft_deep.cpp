// Deep perft counts: the start position to depth 6, Kiwipete to depth 5, and
// every listed count of the published and oracle files up to 1.5e9 nodes.
#include "diagnostics/perft.h"
#include "tests/movegen_helpers.h"

namespace {

unsigned long long perftOf(const std::string& fen, int depth) {
    ChessBoardUCI* b = boardAt(fen.c_str());
    countnode = 0;
    b->perft(depth);
    return countnode;
}

TEST(DeepPerft, StartPositionDepthSix) {
    EXPECT_EQ(perftOf("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", 6), 119060324ULL);
}

TEST(DeepPerft, KiwipeteDepthFive) {
    EXPECT_EQ(perftOf("r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1", 5),
              193690690ULL);
}

TEST(DeepPerft, EveryListedCountUpToTheBudget) {
    for (const char* file : {"perft.epd", "oracle_perft.epd"}) {
        const std::vector<EpdCase> cases = readEpd(file);
        EXPECT_GT(cases.size(), 80u) << file;
        for (const EpdCase& c : cases)
            for (size_t d = 1; d <= c.counts.size(); d++) {
                if (c.counts[d - 1] > 1500000000ULL) continue;
                EXPECT_EQ(perftOf(c.fen, (int)d), c.counts[d - 1]) << c.where << " D" << d;
            }
    }
}

}  // namespace
