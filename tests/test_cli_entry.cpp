// The command line: tool dispatch, help text, exit statuses, falling through
// to interactive mode, identical output of both programs, and the
// configuration file reader.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <random>
#include <regex>
#include <string>

#include "frontend/inifile.h"

namespace {

struct ProgramRun {
    std::string out;
    int status;
};

// Runs a program with the given arguments in a fresh directory, standard input empty.
ProgramRun runProgram(const char* binary, const std::string& args) {
    char dir[] = "/tmp/pellux_cli_XXXXXX";
    EXPECT_NE(mkdtemp(dir), nullptr);
    const std::string cmd =
        std::string("cd ") + dir + " && " + binary + " " + args + " </dev/null 2>/dev/null";
    ProgramRun r{"", -1};
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return r;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
    const int status = pclose(p);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    rmdir(dir);
    return r;
}

const char* const KIWIPETE = "'r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1'";
const char* const BANNER = "Pellux 1.6 (64 bits) by Vornhalt\n";

TEST(CommandLine, HelpTextAndStatus) {
    const std::string help = std::string(BANNER) +
                             "\n"
                             "Pellux -testsuite <filename.epd> <time>\n"
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

TEST(CommandLine, PerftToolAndRejectedFen) {
    ProgramRun r = runProgram(PELLUX_GENERIC_BIN, "-perft 2");
    EXPECT_TRUE(std::regex_match(r.out, std::regex("depth           nodes \n\n  1.               20\n"
                                                   "  2.              400\n\nTime = .*\n")))
        << r.out;
    EXPECT_EQ(r.status, 1);
    r = runProgram(PELLUX_GENERIC_BIN, "-divide 1 -fen 'not a position'");
    EXPECT_EQ(r.out, "Bad FEN string !\n");
    EXPECT_EQ(r.status, 0);
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

std::string withoutTimes(const std::string& s) { return std::regex_replace(s, std::regex("Time = .*"), ""); }

TEST(CommandLine, PopcountProgramPrintsTheSame) {
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

struct IniCase {
    const char* name;
    std::string content;
    const char* key;
    int found;
    std::string value;
};

class IniFile : public ::testing::TestWithParam<IniCase> {};

TEST_P(IniFile, ReadsOneValue) {
    const IniCase& c = GetParam();
    char path[] = "/tmp/pellux_ini_XXXXXX";
    const int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(write(fd, c.content.data(), c.content.size()), (ssize_t)c.content.size());
    close(fd);
    char value[256] = "untouched";
    EXPECT_EQ(ReadFileConfigString(path, "Engine", c.key, value), c.found);
    EXPECT_EQ(std::string(value), c.found ? c.value : "untouched");
    unlink(path);
}

INSTANTIATE_TEST_SUITE_P(
    Syntax, IniFile,
    ::testing::Values(
        IniCase{"KeyInSection", "[Engine]\nHash=64\n", "Hash", 1, "64"},
        IniCase{"KeyBeforeSection", "Hash=64\n[Engine]\n", "Hash", 0, ""},
        IniCase{"LaterSectionsStillSearched", "[Other]\n[Engine]\n[Third]\nHash=32\n", "Hash", 1, "32"},
        IniCase{"BlanksAroundEquals", "[Engine]\nHash = 64\n", "Hash", 0, ""},
        IniCase{"TrailingBlanksKept", "[Engine]\nBookFile=book.bin  \n", "BookFile", 1, "book.bin  "},
        IniCase{"CarriageReturns", "[Engine]\r\nHash=64\r\n", "Hash", 1, "64"},
        IniCase{"TabCutsTheLine", "[Engine]\nHash=6\t4\n", "Hash", 1, "6"},
        IniCase{"HighByteCutsTheLine", "[Engine]\nHash=7\xC3\xA9\n", "Hash", 1, "7"},
        IniCase{"HeaderLastCharacterDropped", "[Engine\nHash=1\n", "Hash", 0, ""},
        // The tail of an over-long line is skipped, never read as a line of its own.
        IniCase{"TailOfLongLineIgnored", "[Engine]\n" + std::string(255, 'x') + "Hash=99\nHash=5\n", "Hash",
                1, "5"},
        IniCase{"LongValueCut", "[Engine]\nBookFile=" + std::string(400, 'b') + "\nHash=3\n", "BookFile", 1,
                std::string(246, 'b')}),
    [](const auto& p) { return std::string(p.param.name); });

// Integers, a missing file, and random bytes (values always fit the buffer).
TEST(IniFile, IntegersMissingFileAndRandomBytes) {
    int v = 7;
    EXPECT_EQ(ReadFileConfigInt("/nonexistent/pellux.ini", "Engine", "Hash", &v), 0);
    EXPECT_EQ(v, 7);
    char path[] = "/tmp/pellux_ini_XXXXXX";
    const int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    close(fd);
    std::ofstream(path) << "[Engine]\nHash=48MB\nBook=x\n";
    EXPECT_EQ(ReadFileConfigInt(path, "Engine", "Hash", &v), 1);
    EXPECT_EQ(v, 48);
    EXPECT_EQ(ReadFileConfigInt(path, "Engine", "Book", &v), 1);
    EXPECT_EQ(v, 0);
    std::mt19937 rng(99);
    const char pieces[] = "[Engine]\n=Hash\r\t ";
    for (int round = 0; round < 300; round++) {
        std::string text;
        for (int i = rng() % 1200; i > 0; i--)
            text += rng() % 2 ? pieces[rng() % (sizeof pieces - 1)] : (char)(rng() % 256);
        std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
        char value[256];
        if (ReadFileConfigString(path, "Engine", "Hash", value)) {
            EXPECT_LT(strlen(value), 256u);
        }
    }
    unlink(path);
}

}  // namespace
