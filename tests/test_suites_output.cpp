// Perft, exchange, evaluation and FEN suites: exact output, the field-parsing
// rules of the perft suite, over-long lines, and random or mutated input.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <random>
#include <regex>
#include <string>

#include "eval_reference.h"

namespace {

const char* START = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";

// One file per test process, so that parallel test processes do not meet.
struct TempFile {
    const std::string name = ::testing::TempDir() + "pellux_suite_" + std::to_string(getpid()) + ".epd";
    ~TempFile() { std::remove(name.c_str()); }
};
const std::string& path() {
    static const TempFile file;
    return file.name;
}
std::string dataFile(const char* name) {
    std::ifstream in(std::string(PELLUX_TEST_DATA) + "/" + name);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Writes `text` to the file, runs one suite over it and returns what it printed.
template <typename F>
std::string capture(const std::string& text, F suite) {
    std::ofstream(path(), std::ios::binary) << text;
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(suite(evaltest::sharedBoard()), 1);
    return ::testing::internal::GetCapturedStdout();
}
std::string run(const std::string& text, int (ChessBoard::*suite)(const std::string&)) {
    return capture(text, [&](ChessBoard* b) { return (b->*suite)(path()); });
}
std::string perft(const std::string& text, unsigned depth) {
    return capture(text, [&](ChessBoard* b) { return b->runPerftSuite(path(), depth); });
}

TEST(Suites, UnopenableFilesReturnSilently) {
    ChessBoard* b = evaltest::sharedBoard();
    const std::string missing = ::testing::TempDir() + "no_such_dir/none.epd";
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(b->runPerftSuite(missing, 2), 0);
    EXPECT_EQ(b->runSEETestSuite(missing), 0);
    EXPECT_EQ(b->runEvalTestSuite(missing), 0);
    EXPECT_EQ(b->checkFENSuite(missing), 0);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
}

// Each case: a line's fields, the depth run, and whether the line passes.
struct PerftCase {
    const char* name;
    const char* fields;
    unsigned depth;
    bool pass;
};
class PerftFieldTest : public ::testing::TestWithParam<PerftCase> {};

TEST_P(PerftFieldTest, ComparesFieldsByPosition) {
    const PerftCase& c = GetParam();
    const std::string line = std::string(START) + " " + c.fields;
    const std::string out = perft(line + "\n", c.depth);
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
                      PerftCase{"FewerFieldsThanDepth", ";D1 20", 3, true},
                      PerftCase{"KthFieldIsDepthK", ";D2 20 ;D1 400", 2, false},
                      PerftCase{"StrayCharactersSkippedTabIsBlank", ";D1 2x0\t;D2 400", 2, true},
                      PerftCase{"SemicolonRightAfterCount", ";D1 20;D2 400", 2, true},
                      PerftCase{
                          "MoreThanSixteenFields",
                          ";D1 20 ;D2 400 ;D3 8902 ;D4 197281 ;D4 1 ;D4 1 ;D4 1 ;D4 1 ;D4 1 ;D4 1 ;D4 1 "
                          ";D4 1 ;D4 1 ;D4 1 ;D4 1 ;D4 1 ;D4 1 ;D4 1 ;D4 1",
                          4, true}),
    [](const ::testing::TestParamInfo<PerftCase>& p) { return std::string(p.param.name); });

// "x" is a line (two bytes with its line end) without fields: it passes on the
// previous position; the empty line is skipped.
TEST(Suites, PerftSuiteCountsLinesAndReportsEachWrongDepth) {
    const std::string out = perft(std::string(START) + " ;D1 21 ;D2 401\nx\n\n" + START + " ;D1 20", 2);
    EXPECT_EQ(out, std::string(START) + " ;D1 21 ;D2 401 Wrong : D1 20\n" + START +
                       " ;D1 21 ;D2 401 Wrong : D2 400\nscore = 2 / 3\n");
}

TEST(Suites, PerftSuitePassesTheProjectData) {
    EXPECT_EQ(perft(dataFile("perft.epd"), 3), "score = 84 / 84\n");
}

TEST(Suites, EvalSuitePrintsEachReadableLine) {
    const std::string out =
        run(std::string(START) + "\r\nnot a fen\n" + START + " bm e4; id \"x\";\n" + START,
            &ChessBoard::runEvalTestSuite);
    EXPECT_EQ(out, std::string(START) + "   ; eval 5\n" + START + " bm e4; id \"x\";  ; eval 5\n" + START +
                       " ; eval 5\n");
}

TEST(Suites, FenSuiteStripsLineEndsButPrintsLinesAsRead) {
    const std::string out =
        run(std::string(START) + "\n" + START + "\r\nxy\nz\n\n8/8/8/8/8/8/8/8 w - -\n" + START,
            &ChessBoard::checkFENSuite);
    EXPECT_EQ(out, "Check FEN suite : '" + path() +
                       "'\nInvalid FEN String : 'xy\n'\n"
                       "Invalid FEN String : 'z\n'\nInvalid FEN String : '8/8/8/8/8/8/8/8 w - -\n'\n"
                       "Checked 3 / 6 valid FEN string\n");
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
    const std::string tail(300, 'x');
    std::string longFen = std::string(START) + " " + tail + " " + START;
    EXPECT_EQ(run(longFen + "\n" + START + "\n", &ChessBoard::checkFENSuite),
              "Check FEN suite : '" + path() + "'\nChecked 2 / 2 valid FEN string\n");
    const std::string out = run(longFen + "\n", &ChessBoard::runEvalTestSuite);
    EXPECT_EQ(out, longFen.substr(0, 255) + " ; eval 5\n");
    // A perft field cut off at the buffer end is dropped, the complete ones compared.
    std::string cutLine = std::string(START) + " ;D1 20";
    cutLine += std::string(248 - cutLine.size(), ' ') + " ;D2 400";  // the buffer ends after " ;D2 40"
    EXPECT_EQ(perft(cutLine + "\n" + START + " ;D1 20 ;D2 400\n", 2), "score = 2 / 2\n");
}

// Random and mutated lines: every suite must finish without a crash.
TEST(Suites, FuzzedLinesNeverCrash) {
    std::mt19937 rng(2024);
    const std::string seeds[] = {std::string(START) + " ;D1 20 ;D2 400",
                                 "1k1r4/pp1b1R2/3q2pp/4p3/2B5/4Q3/PPP2B2/2K5 b - - bm Qd1+; id \"BK.01\";",
                                 "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1"};
    const std::string alphabet = "pnbrqkPNBRQK12345678/ -wb;dD\"mid\t\r\n\x01\xff";
    std::string text;
    for (int i = 0; i < 400; i++) {
        std::string line = seeds[rng() % 3];
        const int edits = rng() % 8;
        for (int e = 0; e < edits && !line.empty(); e++) {
            const size_t pos = rng() % line.size();
            const char ch = alphabet[rng() % alphabet.size()];
            if (rng() % 3 == 0)
                line[pos] = ch;
            else if (rng() % 2)
                line.erase(pos, 1 + rng() % 5);
            else
                line.insert(pos, std::string(1 + rng() % 40, ch));
        }
        if (rng() % 10 == 0) {
            line.clear();
            for (int k = rng() % 400; k > 0; k--) line += (char)(rng() % 256);
        }
        text += line + (rng() % 7 ? "\n" : "\r\n");
    }
    perft(text, 1);
    for (auto suite :
         {&ChessBoard::runEvalTestSuite, &ChessBoard::checkFENSuite, &ChessBoard::runSEETestSuite})
        run(text, suite);
}

}  // namespace
