// Perft: node counts against published and oracle counts (the last ply is
// counted without making the moves), the printed forms and depth limits (odd
// positions, kings missing or open to capture: the fen fuzz target).
#include <regex>

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

// The printed text of one of the perft forms run at depth on the position.
std::string printed(void (ChessBoardUCI::*run)(int), int depth,
                    const char* fen = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1") {
    ChessBoardUCI* b = boardAt(fen);
    ::testing::internal::CaptureStdout();
    (b->*run)(depth);
    return ::testing::internal::GetCapturedStdout();
}

const std::string TIME_LINE = "\nTime = \\d\\d:\\d\\d:\\d\\d\\d, speed = [ \\d]{6,}\n";

TEST(PerftOutput, PerftPerftdAndDivideLines) {
    std::string out = printed(&ChessBoardUCI::doPerft, 3);
    EXPECT_TRUE(std::regex_match(out, std::regex("depth           nodes \n\n  1.               20\n  2.    "
                                                 "          400\n  3.             8902\n" +
                                                 TIME_LINE)))
        << out;
    EXPECT_EQ(perftNode[1][0] * 1000 + perftNode[3][0], 8902020u);  // row 1: the deepest iteration
    out = printed(&ChessBoardUCI::doDivide, 2);
    EXPECT_EQ(nbDivide, 20);
    EXPECT_EQ(out.substr(0, 60), "    Nb1-a3 :               20\n    Nb1-c3 :               20\n");
    EXPECT_TRUE(std::regex_search(out, std::regex("\n\n     total :              400\n" + TIME_LINE)));
    out = printed(&ChessBoardUCI::doPerftd, 3,
                  "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1");
    EXPECT_NE(out.find(" 3.            97862            17102               45              993         "
                       "       1                0             3162\n"),
              std::string::npos)
        << out;
    EXPECT_EQ(perftNode[1][7], 3162u);
}

// Depths below 1 or from 128 up print the header and a zero-speed time line only.
TEST(PerftOutput, RefusedDepthsPrintHeaderAndTimeOnly) {
    for (int d : {0, -5, 128, 100000})
        EXPECT_TRUE(
            std::regex_match(printed(&ChessBoardUCI::doPerft, d),
                             std::regex("depth           nodes \n\n\nTime = [0-9:]{9}, speed =      0\n")))
            << d;
    EXPECT_NE(printed(&ChessBoardUCI::doPerftd, 128).find("castle \n\n\nTime = "), std::string::npos);
    EXPECT_EQ(printed(&ChessBoardUCI::doDivide, 128).find("\n     total :                0\n\nTime = "), 0u);
}

}  // namespace
