// Perft, exchange, evaluation and FEN suites: exact output, the field-parsing
// rules of the perft suite and over-long lines (random input: the suites fuzz target).
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <regex>

#include "eval_reference.h"

namespace {

const std::string START = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";
// One file per test process, so that parallel test processes do not meet.
const std::string path = ::testing::TempDir() + "pellux_suite_" + std::to_string(getpid()) + ".epd";

std::string dataFile(const char* name) {
    std::ifstream in(std::string(PELLUX_TEST_DATA) + "/" + name);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
// Writes `text` to the file, runs one suite over it and returns what it printed.
template <typename F>
std::string capture(const std::string& text, F suite) {
    std::ofstream(path, std::ios::binary) << text;
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(suite(evaltest::sharedBoard()), 1);
    std::remove(path.c_str());
    return ::testing::internal::GetCapturedStdout();
}
std::string run(const std::string& text, int (ChessBoard::*suite)(const std::string&)) {
    return capture(text, [&](ChessBoard* b) { return (b->*suite)(path); });
}
std::string perft(const std::string& text, unsigned depth) {
    return capture(text, [&](ChessBoard* b) { return b->runPerftSuite(path, depth); });
}

TEST(Suites, UnopenableFilesReturnSilently) {
    ChessBoard* b = evaltest::sharedBoard();
    const std::string missing = ::testing::TempDir() + "no_such_dir/none.epd";
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(b->runPerftSuite(missing, 2) + b->runSEETestSuite(missing) + b->runEvalTestSuite(missing) +
                  b->checkFENSuite(missing),
              0);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
}

// Each case: a line's fields, the depth run, and whether the line passes.
struct PerftCase {
    const char *name, *fields;
    unsigned depth;
    bool pass;
};
class PerftFieldTest : public ::testing::TestWithParam<PerftCase> {};

TEST_P(PerftFieldTest, ComparesFieldsByPosition) {
    const PerftCase& c = GetParam();
    const std::string line = START + " " + c.fields, out = perft(line + "\n", c.depth);
    EXPECT_EQ(out.substr(out.rfind("score")), c.pass ? "score = 1 / 1\n" : "score = 0 / 1\n") << out;
    EXPECT_EQ(out.find(line + " Wrong : D") == 0, !c.pass) << out;
}

INSTANTIATE_TEST_SUITE_P(
    Fields, PerftFieldTest,
    ::testing::Values(PerftCase{"FieldsPastTheDepthIgnored", ";D1 20 ;D2 400 ;D3 8900", 2, true},
                      PerftCase{"WrongThirdField", ";D1 20 ;D2 400 ;D3 8900", 3, false},
                      PerftCase{"LowerCaseDNeverMatches", ";d1 20", 1, false},
                      PerftCase{"TwoBlanksEndTheFieldEarly", ";D1  20", 1, false},
                      PerftCase{"NoFields", "", 3, true},
                      PerftCase{"KthFieldIsDepthK", ";D2 20 ;D1 400", 2, false},
                      PerftCase{"StrayCharactersSkippedTabIsBlank", ";D1 2x0\t;D2 400", 2, true},
                      PerftCase{"SemicolonRightAfterCount", ";D1 20;D2 400", 2, true},
                      PerftCase{
                          "MoreThanSixteenFields",
                          ";D1 20 ;D2 400 ;D3 8902 ;D4 197281 ;D4 1 ;D4 1 ;D4 1 ;D4 1 ;D4 1 ;D4 1 ;D4 1 "
                          ";D4 1 ;D4 1 ;D4 1 ;D4 1 ;D4 1 ;D4 1 ;D4 1 ;D4 1",
                          4, true}),
    evaltest::ByName());

// "x" is a line (two bytes with its line end) without fields: it passes on the
// previous position; the empty line is skipped; the field that ends the file
// without a line end is compared too.
TEST(Suites, PerftSuiteCountsLinesAndReportsEachWrongDepth) {
    EXPECT_EQ(perft(START + " ;D1 21 ;D2 401\nx\n\n" + START + " ;D1 20 ;D2 401", 2),
              START + " ;D1 21 ;D2 401 Wrong : D1 20\n" + START + " ;D1 21 ;D2 401 Wrong : D2 400\n" + START +
                  " ;D1 20 ;D2 401Wrong : D2 400\nscore = 1 / 3\n");
    EXPECT_EQ(perft(dataFile("perft.epd"), 3), "score = 84 / 84\n");
}

TEST(Suites, EvalSuitePrintsEachReadableLine) {
    EXPECT_EQ(
        run(START + "\r\nnot a fen\n" + START + " bm e4; id \"x\";\n" + START, &ChessBoard::runEvalTestSuite),
        START + "   ; eval 5\n" + START + " bm e4; id \"x\";  ; eval 5\n" + START + " ; eval 5\n");
}

// Line ends are not part of the FEN, but invalid lines are printed as read.
TEST(Suites, FenSuiteStripsLineEndsButPrintsLinesAsRead) {
    EXPECT_EQ(run(START + "\n" + START + "\r\nxy\nz\n\n8/8/8/8/8/8/8/8 w - -\n" + START,
                  &ChessBoard::checkFENSuite),
              "Check FEN suite : '" + path +
                  "'\nInvalid FEN String : 'xy\n'\nInvalid FEN String : 'z\n'\n"
                  "Invalid FEN String : '8/8/8/8/8/8/8/8 w - -\n'\nChecked 3 / 6 valid FEN string\n");
}

TEST(Suites, SeeSuitePrintsOnlyTheTime) {
    const std::string all = dataFile("bk.epd") +
                            "bad fen bm e4; id \"unterminated\n4k3/8/8/8/8/8/8/4K3 w - - bm Kd2; id \"no end";
    EXPECT_TRUE(std::regex_match(run(all, &ChessBoard::runSEETestSuite),
                                 std::regex("Time = \\d\\d:\\d\\d:\\d\\d\\d\n")));
}

// A line longer than the 256-byte buffer is cut, and its tail is not read as
// a line of its own.
TEST(Suites, OverlongLinesAreCutNotSplit) {
    const std::string longFen = START + " " + std::string(300, 'x') + " " + START;
    EXPECT_EQ(run(longFen + "\n" + START + "\n", &ChessBoard::checkFENSuite),
              "Check FEN suite : '" + path + "'\nChecked 2 / 2 valid FEN string\n");
    EXPECT_EQ(run(longFen + "\n", &ChessBoard::runEvalTestSuite), longFen.substr(0, 255) + " ; eval 5\n");
    // A perft field cut off at the buffer end is dropped, the complete ones compared.
    std::string cutLine = START + " ;D1 20";
    cutLine += std::string(248 - cutLine.size(), ' ') + " ;D2 400";  // the buffer ends after " ;D2 40"
    EXPECT_EQ(perft(cutLine + "\n" + START + " ;D1 20 ;D2 400\n", 2), "score = 2 / 2\n");
}

}  // namespace
