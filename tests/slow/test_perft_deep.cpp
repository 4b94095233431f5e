// Deep perft counts: every listed count of the published and oracle files up
// to 1.5e9 nodes, among them the start position to depth 6 (the first line of
// the published file) and Kiwipete to depth 5 (its second line).
#include "tests/movegen_helpers.h"

namespace {

class DeepPerft : public ::testing::TestWithParam<EpdCase> {};

TEST_P(DeepPerft, EveryListedCountUpToTheBudget) { expectPerftCounts(GetParam(), 1500000000ULL); }

INSTANTIATE_TEST_SUITE_P(Files, DeepPerft, ::testing::ValuesIn(perftData()), epdName);

}  // namespace
