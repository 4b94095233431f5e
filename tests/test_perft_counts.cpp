// Perft: node counts against published and oracle counts (the last ply is
// counted without making the moves; the printed forms and depth limits:
// tests/data/cli.transcript; odd positions, kings missing or open to capture:
// the fen fuzz target).
#include "movegen_helpers.h"

namespace {

class PerftCounts : public ::testing::TestWithParam<EpdCase> {};

TEST_P(PerftCounts, MatchEveryAffordableDepth) {
#ifdef NDEBUG
    expectPerftCounts(GetParam(), 5000000);
#else
    expectPerftCounts(GetParam(), 60000);
#endif
}

INSTANTIATE_TEST_SUITE_P(Files, PerftCounts, ::testing::ValuesIn(perftData()), epdName);

}  // namespace
