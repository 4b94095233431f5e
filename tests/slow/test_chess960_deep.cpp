// Deep Chess960 perft counts: every listed count of the file up to 1e8 nodes.
#include "tests/movegen_helpers.h"

namespace {

class DeepChess960Perft : public ::testing::TestWithParam<EpdCase> {};

TEST_P(DeepChess960Perft, EveryListedCountUpToTheBudget) { expectPerftCounts(GetParam(), 100000000ULL); }

INSTANTIATE_TEST_SUITE_P(File, DeepChess960Perft, ::testing::ValuesIn(epdCases({"chess960.epd"})), epdName);

}  // namespace
