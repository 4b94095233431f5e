// Deep perft counts: every listed count of the published and oracle files up
// to 1.5e9 nodes, among them the start position to depth 6 (the first line of
// the published file) and Kiwipete to depth 5 (its second line).
#include "diagnostics/perft.h"
#include "tests/movegen_helpers.h"

namespace {

class DeepPerft : public ::testing::TestWithParam<EpdCase> {};

TEST_P(DeepPerft, EveryListedCountUpToTheBudget) {
    const EpdCase& c = GetParam();
    for (size_t d = 1; d <= c.counts.size() && c.counts[d - 1] <= 1500000000ULL; d++) {
        ChessBoardUCI* b = boardAt(c.fen.c_str());
        countnode = 0;
        b->perft((int)d);
        EXPECT_EQ(countnode, c.counts[d - 1]) << c.where << " D" << d;
    }
}

auto epdName = [](const auto& p) { return identifier(p.param.where); };
INSTANTIATE_TEST_SUITE_P(Published, DeepPerft, ::testing::ValuesIn(readEpd("perft.epd")), epdName);
INSTANTIATE_TEST_SUITE_P(Oracle, DeepPerft, ::testing::ValuesIn(readEpd("oracle_perft.epd")), epdName);

}  // namespace
