// The command line: tool dispatch, help text, exit statuses, falling through
// to interactive mode, identical output of both programs, and the
// configuration file reader.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include "frontend/inifile.h"

namespace {

struct ProgramRun {
    std::string out;  // standard output and standard error
    int status;
};

// Runs a program with the given arguments in a fresh directory holding the
// given pellux.ini (none when empty), standard input empty. The shell prefix
// may set limits first.
ProgramRun runProgram(const std::string& args, const std::string& iniText = "",
                      const std::string& prefix = "", const char* binary = PELLUX_GENERIC_BIN) {
    char dir[] = "/tmp/pellux_cli_XXXXXX";
    const std::string ini = std::string(mkdtemp(dir)) + "/pellux.ini";
    if (!iniText.empty()) std::ofstream(ini) << iniText;
    ProgramRun r{"", -1};
    if (FILE* p = popen(
            ("cd " + std::string(dir) + " && " + prefix + binary + " " + args + " </dev/null 2>&1").c_str(),
            "r")) {
        char buf[4096];
        for (size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;) r.out.append(buf, n);
        const int status = pclose(p);
        r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    unlink(ini.c_str());
    rmdir(dir);
    return r;
}

const char* const BANNER = "Pellux 1.6 (64 bits) by Vornhalt\n";

#if defined(__SANITIZE_ADDRESS__)
const char* const MEMORY_LIMIT = "";  // address space limits do not mix with the address sanitizer
#else
const char* const MEMORY_LIMIT = "ulimit -v 1200000; ";
#endif

// Exact output (a trailing "..." compares a prefix) and exit status. Wrong argument counts and
// unknown options start the command loop, which prints the banner and ends at the end of input. A
// think time too long for the microsecond count is capped, not overflowed, and a negative hash size
// in pellux.ini does not turn into a huge table. The program built for the popcount instruction
// prints the same.
TEST(CommandLine, OutputAndStatus) {
    std::string help = BANNER + std::string("\nPellux -testsuite <filename.epd> <time>\n") +
                       "Pellux -perftsuite <filename.epd> <depth>\n";
    for (const std::string tool : {"perft", "perftd", "divide"})
        help += "Pellux -" + tool + " <depth>\nPellux -" + tool + " <depth> -fen \"<fen-string>\"\n";
    help += "Pellux -buildbook <file.pgn> <file.bin> <depth> <count>\n";
    struct Run {
        std::string args, out;
        int status = 1;
        std::string ini = "";  // the pellux.ini of the run
    };
    std::vector<Run> runs = {
        {"-help", help},
        {"-perft 2", "depth           nodes \n\n  1.               20\n  2.              400\n\nTime = ..."},
        {"-perft 1", "depth           nodes \n\n  1.               20\n\nTime = ...", 1,
         "[Engine]\nHash=-1\n"},
        {"-divide 1 -fen 'not a position'", "Bad FEN string !\n", 0},
        {"-testsuite missing.epd 5000", ""},
        {"-perftd 3 -fen 'r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1'", "depth..."},
        {"bench 2", "Nodes searched: 45660\nNodes/second: ..."}};
    for (const char* args :
         {"", "-perft", "-perft 3 extra", "-divide 2 -fun 8/8/8/8/8/8/8/8", "-perft 1 2 3 4", "-testsuite",
          "-evalsuite", "-buildbook a b c", "-bench 1 2", "bench 1 2", "-unknown"})
        runs.push_back({args, BANNER + std::string("...")});
    const std::regex times("(Time = |Nodes/second: ).*");
    for (const auto& [args, out, status, ini] : runs) {
        const ProgramRun r = runProgram(args, ini, MEMORY_LIMIT);
        const bool prefix = out.size() > 3 && out.compare(out.size() - 3, 3, "...") == 0;
        EXPECT_EQ(prefix ? r.out.substr(0, out.size() - 3) + "..." : r.out, out) << args;
        EXPECT_EQ(r.status, status) << args;
        const ProgramRun p = runProgram(args, ini, MEMORY_LIMIT, PELLUX_POPCNT_BIN);  // timings aside
        EXPECT_EQ(std::regex_replace(p.out, times, "") + std::to_string(p.status),
                  std::regex_replace(r.out, times, "") + std::to_string(r.status));
    }
}

// Writes text to a fresh file and returns its name.
std::string iniFile(const std::string& text) {
    char path[] = "/tmp/pellux_ini_XXXXXX";
    close(mkstemp(path));
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

struct IniCase {
    const char* name;
    std::string content;
    const char* key;
    const char* value;  // nullptr when the key must not be found
};

class IniFile : public ::testing::TestWithParam<IniCase> {};

TEST_P(IniFile, ReadsOneValue) {
    const IniCase& c = GetParam();
    const std::string path = iniFile(c.content);
    char value[256] = "untouched";
    int number = -7;
    EXPECT_EQ(ReadFileConfigString(path.c_str(), "Engine", c.key, value), c.value ? 1 : 0);
    EXPECT_EQ(ReadFileConfigInt(path.c_str(), "Engine", c.key, &number), c.value ? 1 : 0);
    EXPECT_STREQ(value, c.value ? c.value : "untouched");
    EXPECT_EQ(number, c.value ? atoi(c.value) : -7);
    unlink(path.c_str());
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
