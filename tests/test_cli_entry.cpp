// The configuration file reader (the command line's output and statuses are
// transcripts: tests/data/cli.transcript).
#include <gtest/gtest.h>

#include <cstdlib>

#include "frontend/inifile.h"
#include "tests/book_helpers.h"

namespace {

struct IniCase {
    const char* name;
    std::string content;
    const char* key;
    const char* value;  // nullptr when the key must not be found
};

class IniFile : public ::testing::TestWithParam<IniCase> {};

TEST_P(IniFile, ReadsOneValue) {
    const IniCase& c = GetParam();
    const std::string path = bookTestPath(std::string("ini_") + c.name);
    writeText(path, c.content);
    char value[256] = "untouched";
    int number = -7;
    EXPECT_EQ(ReadFileConfigString(path.c_str(), "Engine", c.key, value), c.value ? 1 : 0);
    EXPECT_EQ(ReadFileConfigInt(path.c_str(), "Engine", c.key, &number), c.value ? 1 : 0);
    EXPECT_STREQ(value, c.value ? c.value : "untouched");
    EXPECT_EQ(number, c.value ? atoi(c.value) : -7);
}

const std::string LONG_VALUE(246, 'b');

INSTANTIATE_TEST_SUITE_P(
    Syntax, IniFile,
    ::testing::Values(IniCase{"IntegerWithUnit", "[Engine]\nHash=48MB\n", "Hash", "48MB"},
                      IniCase{"KeyBeforeSection", "Hash=64\n[Engine]\n", "Hash", nullptr},
                      IniCase{"KeyInSectionAndAfterLaterOnes", "[Other]\n[Engine]\n[Third]\nHash=32\n",
                              "Hash", "32"},
                      IniCase{"BlanksAroundEquals", "[Engine]\nHash = 64\n", "Hash", nullptr},
                      IniCase{"CarriageReturns", "[Engine]\r\nHash=64\r\n", "Hash", "64"},
                      IniCase{"TabCutsTheLine", "[Engine]\nHash=6\t4\n", "Hash", "6"},
                      // The tail of an over-long line is skipped, never read as a line of
                      // its own, also when the line holds a NUL byte.
                      IniCase{"TailOfLongLineIgnored",
                              "[Engine]\n" + std::string(255, 'x') + "Hash=99\n" + std::string(1, '\0') +
                                  std::string(254, 'y') + "Hash=98\nHash=5\n",
                              "Hash", "5"},
                      IniCase{"LongValueCut", "[Engine]\nBookFile=" + std::string(400, 'b') + "\nHash=3\n",
                              "BookFile", LONG_VALUE.c_str()}),
    [](const auto& p) { return std::string(p.param.name); });

// A missing file (random files: the ini fuzz target).
TEST(IniFile, MissingFileLeavesTheValue) {
    int v = 7;
    EXPECT_EQ(ReadFileConfigInt("/nonexistent/pellux.ini", "Engine", "Hash", &v) * 10 + v, 7);
}

}  // namespace
