// The command line: tool dispatch, help text, exit statuses, falling through
// to interactive mode, identical output of both programs, and the
// configuration file reader.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <random>
#include <regex>
#include <string>

#include "frontend/inifile.h"

namespace {

struct ProgramRun {
    std::string out;  // standard output and standard error
    int status;
};

// Runs a program with the given arguments in a fresh directory holding the
// given pellux.ini (none when empty), standard input empty. The shell prefix
// may set limits first.
ProgramRun runProgram(const char* binary, const std::string& args, const std::string& ini = "",
                      const std::string& prefix = "") {
    char dir[] = "/tmp/pellux_cli_XXXXXX";
    EXPECT_NE(mkdtemp(dir), nullptr);
    if (!ini.empty()) std::ofstream(std::string(dir) + "/pellux.ini") << ini;
    const std::string cmd =
        "cd " + std::string(dir) + " && " + prefix + binary + " " + args + " </dev/null 2>&1";
    ProgramRun r{"", -1};
    if (FILE* p = popen(cmd.c_str(), "r")) {
        char buf[4096];
        for (size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;) r.out.append(buf, n);
        const int status = pclose(p);
        r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    unlink((std::string(dir) + "/pellux.ini").c_str());
    rmdir(dir);
    return r;
}

const char* const KIWIPETE = "'r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1'";
const char* const BANNER = "Pellux 1.6 (64 bits) by Vornhalt\n";

TEST(CommandLine, HelpTextAndStatus) {
    const std::string help = std::string(BANNER) +
                             "\nPellux -testsuite <filename.epd> <time>\n"
                             "Pellux -perftsuite <filename.epd> <depth>\n"
                             "Pellux -perft <depth>\n"
                             "Pellux -perft <depth> -fen \"<fen-string>\"\n"
                             "Pellux -perftd <depth>\n"
                             "Pellux -perftd <depth> -fen \"<fen-string>\"\n"
                             "Pellux -divide <depth>\n"
                             "Pellux -divide <depth> -fen \"<fen-string>\"\n"
                             "Pellux -buildbook <file.pgn> <file.bin> <depth> <count>\n";
    for (const char* args : {"-help", "-help more words"}) {
        const ProgramRun r = runProgram(PELLUX_GENERIC_BIN, args);
        EXPECT_EQ(r.out, help) << args;
        EXPECT_EQ(r.status, 1) << args;
    }
}

TEST(CommandLine, ToolStatusesAndRejectedFen) {
    ProgramRun r = runProgram(PELLUX_GENERIC_BIN, "-perft 2");
    EXPECT_TRUE(std::regex_match(
        r.out,
        std::regex("depth           nodes \n\n  1.               20\n  2.              400\n\nTime = .*\n")))
        << r.out;
    EXPECT_EQ(r.status, 1);
    r = runProgram(PELLUX_GENERIC_BIN, "-divide 1 -fen 'not a position'");
    EXPECT_EQ(r.out, "Bad FEN string !\n");
    EXPECT_EQ(r.status, 0);
    // A think time too long for the microsecond count is capped, not overflowed.
    r = runProgram(PELLUX_GENERIC_BIN, "-testsuite missing.epd 5000");
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.status, 1);
}

// A negative hash size in pellux.ini must not turn into a huge table.
TEST(CommandLine, NegativeHashSizeAsksForLittleMemory) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "address space limits do not mix with the address sanitizer";
#endif
    const ProgramRun r =
        runProgram(PELLUX_GENERIC_BIN, "-perft 1", "[Engine]\nHash=-1\n", "ulimit -v 1200000; ");
    EXPECT_EQ(r.out.find("out of memory"), std::string::npos) << r.out;
    EXPECT_EQ(r.status, 1);
}

// Wrong argument counts and unknown options start the command loop, which
// prints the banner and ends at the end of input.
TEST(CommandLine, MalformedOptionsGoInteractive) {
    for (const char* args :
         {"", "-perft", "-perft 3 extra", "-divide 2 -fun 8/8/8/8/8/8/8/8", "-perft 1 2 3 4", "-testsuite",
          "-evalsuite", "-buildbook a b c", "-bench 1 2", "-unknown"}) {
        const ProgramRun r = runProgram(PELLUX_GENERIC_BIN, args);
        EXPECT_EQ(r.out.substr(0, 33), BANNER) << args;
        EXPECT_EQ(r.status, 1) << args;
    }
}

TEST(CommandLine, PopcountProgramPrintsTheSame) {
    const auto withoutTimes = [](const std::string& s) {
        return std::regex_replace(s, std::regex("Time = .*"), "");
    };
    for (std::string args :
         {std::string("-perft 3 -fen ") + KIWIPETE, std::string("-perftd 3 -fen ") + KIWIPETE,
          std::string("-divide 3 -fen '8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1'"),
          std::string("-perft 4")}) {
        const ProgramRun g = runProgram(PELLUX_GENERIC_BIN, args);
        const ProgramRun p = runProgram(PELLUX_POPCNT_BIN, args);
        EXPECT_EQ(withoutTimes(g.out), withoutTimes(p.out)) << args;
        EXPECT_EQ(g.status, p.status);
        EXPECT_GT(g.out.size(), 40u);
    }
}

// Writes text to a fresh file and returns its name.
std::string iniFile(const std::string& text) {
    char path[] = "/tmp/pellux_ini_XXXXXX";
    const int fd = mkstemp(path);
    EXPECT_GE(fd, 0);
    EXPECT_EQ(write(fd, text.data(), text.size()), (ssize_t)text.size());
    close(fd);
    return path;
}

struct IniCase {
    const char* name;
    std::string content;
    const char* key;
    const char* value;  // nullptr when the key must not be found
};

void PrintTo(const IniCase& c, std::ostream* os) { *os << c.name; }

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
    ::testing::Values(
        IniCase{"KeyInSection", "[Engine]\nHash=64\n", "Hash", "64"},
        IniCase{"IntegerWithUnit", "[Engine]\nHash=48MB\n", "Hash", "48MB"},
        IniCase{"KeyBeforeSection", "Hash=64\n[Engine]\n", "Hash", nullptr},
        IniCase{"LaterSectionsStillSearched", "[Other]\n[Engine]\n[Third]\nHash=32\n", "Hash", "32"},
        IniCase{"BlanksAroundEquals", "[Engine]\nHash = 64\n", "Hash", nullptr},
        IniCase{"TrailingBlanksKept", "[Engine]\nBookFile=book.bin  \n", "BookFile", "book.bin  "},
        IniCase{"CarriageReturns", "[Engine]\r\nHash=64\r\n", "Hash", "64"},
        IniCase{"TabCutsTheLine", "[Engine]\nHash=6\t4\n", "Hash", "6"},
        IniCase{"HighByteCutsTheLine", "[Engine]\nHash=7\xC3\xA9\n", "Hash", "7"},
        IniCase{"HeaderLastCharacterDropped", "[Engine\nHash=1\n", "Hash", nullptr},
        // The tail of an over-long line is skipped, never read as a line of
        // its own, also when the line holds a NUL byte.
        IniCase{"TailOfLongLineIgnored",
                "[Engine]\n" + std::string(255, 'x') + "Hash=99\n" + std::string(1, '\0') +
                    std::string(254, 'y') + "Hash=98\nHash=5\n",
                "Hash", "5"},
        IniCase{"LongValueCut", "[Engine]\nBookFile=" + std::string(400, 'b') + "\nHash=3\n", "BookFile",
                LONG_VALUE.c_str()}),
    [](const auto& p) { return std::string(p.param.name); });

// A missing file, and random bytes (values always fit the buffer).
TEST(IniFile, MissingFileAndRandomBytes) {
    int v = 7;
    EXPECT_EQ(ReadFileConfigInt("/nonexistent/pellux.ini", "Engine", "Hash", &v), 0);
    EXPECT_EQ(v, 7);
    const std::string path = iniFile("");
    std::mt19937 rng(99);
    const char pieces[] = "[Engine]\n=Hash\r\t ";
    for (int round = 0; round < 300; round++) {
        std::string text;
        for (int i = rng() % 1200; i > 0; i--)
            text += rng() % 2 ? pieces[rng() % (sizeof pieces - 1)] : (char)rng();
        std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
        char value[256];
        if (ReadFileConfigString(path.c_str(), "Engine", "Hash", value)) {
            EXPECT_LT(strlen(value), 256u);
        }
    }
    unlink(path.c_str());
}

}  // namespace
