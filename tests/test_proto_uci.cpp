// UCI transcripts against the built program: handshake, every form of "go",
// stop/isready/ponderhit during a search, held answers, multi-PV, options,
// long games, and the end of the dialogue.
#include <gtest/gtest.h>

#include "tests/proto_helpers.h"

namespace {

class UciEngine : public EngineProcess {
public:
    UciEngine() {
        send("uci");
        ready = waitPrefix("uciok") == "uciok";
    }
    // Sends a "go" and returns its bestmove line (the "info" lines stay in seen).
    std::string go(const std::string& line, int timeoutMs = 20000) {
        send(line);
        return waitPrefix("bestmove", timeoutMs);
    }
    bool ready = false;
};

TEST(ProtoUci, HandshakePrintsIdentityAndOptionsThenUciok) {
    EngineProcess e;
    EXPECT_EQ(e.waitPrefix("Pellux"), "Pellux 1.6 (64 bits) by Vornhalt");
    e.send("uci");
    e.waitPrefix("uciok");
    std::vector<std::string> expected = {
        "Pellux 1.6 (64 bits) by Vornhalt",
        "id name Pellux 1.6 64 bits",
        "id author Vornhalt",
        "option name Hash type spin default 32 min 4 max 4096",
        "option name Ponder type check default false",
        "option name OwnBook type check default false",
        "option name Book File type string default pelluxopenbook.bin",
        "option name Clear Hash type button",
        "option name MultiPV type spin default 1 min 1 max 32",
        "uciok"};
    EXPECT_EQ(e.seen, expected);
    e.send("isready");
    EXPECT_EQ(e.waitPrefix("readyok"), "readyok");
    e.send("quit");
    EXPECT_EQ(e.waitExit(), 1);
}

// Every form of "go" is answered by exactly one legal "bestmove".
class ProtoUciGo : public ::testing::TestWithParam<const char*> {};

TEST_P(ProtoUciGo, AnswersOnceWithALegalMove) {
    UciEngine e;
    ASSERT_TRUE(e.ready);
    e.send("position startpos moves e2e4 e7e5 g1f3");
    std::string best = e.go(GetParam());
    MoveOracle oracle;
    ASSERT_TRUE(oracle.setUp("", {"e2e4", "e7e5", "g1f3"}));
    EXPECT_TRUE(oracle.legal(moveOf(best))) << best;
    e.send("isready");
    e.waitPrefix("readyok");
    EXPECT_EQ(e.countPrefix("bestmove"), 1);
}

INSTANTIATE_TEST_SUITE_P(GoForms, ProtoUciGo,
                         ::testing::Values("go wtime 3000 btime 3000 winc 100 binc 100 movestogo 20",
                                           "go wtime 2000 btime 2000", "go btime 1000 wtime 1000 binc 50 winc 50",
                                           "go depth 4", "go nodes 20000", "go movetime 150",
                                           "go depth 3 wtime 500 btime 500", "go depth 2 wtime",
                                           "go movetime 99999999999999999999 depth -5"),
                         [](const ::testing::TestParamInfo<const char*>& p) { return testName(p.param); });

TEST(ProtoUci, DepthLimitReportsEveryIterationWithThePvLastly) {
    UciEngine e;
    e.send("position fen 6k1/5ppp/8/8/8/8/5PPP/R5K1 w - - 0 1");
    std::string best = e.go("go depth 5");
    EXPECT_EQ(best, "bestmove a1a8");
    std::vector<int> depths;
    for (const std::string& l : e.seen)
        if (startsWith(l, "info depth ")) {
            depths.push_back(std::stoi(l.substr(11)));
            EXPECT_NE(l.find(" pv "), std::string::npos) << l;
            EXPECT_EQ(l.back(), ' ') << "the pv text ends with a blank";
        }
    ASSERT_FALSE(depths.empty());
    EXPECT_EQ(depths.front(), 1);
    EXPECT_EQ(depths.back(), 5);
    // Mate in one for the side to move.
    bool mate = false;
    for (const std::string& l : e.seen) mate |= l.find("score mate 1 ") != std::string::npos;
    EXPECT_TRUE(mate);
    // A bare "go" searches with the limits of the last one.
    e.seen.clear();
    e.send("position fen 6k1/5ppp/8/8/8/8/5PPP/R5K1 w - - 0 1");
    EXPECT_EQ(e.go("go", 5000), "bestmove a1a8");
    EXPECT_EQ(e.countPrefix("info depth 5 "), 1);
}

// Commands that arrive in the same write as "go" are still handled during the search.
TEST(ProtoUci, LinesArrivingTogetherAreHandledWithoutFurtherInput) {
    UciEngine e;
    e.writeRaw("position startpos\ngo infinite\nisready\n");
    EXPECT_EQ(e.waitPrefix("readyok", 3000), "readyok");
    EXPECT_EQ(e.waitPrefix("bestmove", 300), "<timeout>") << "isready must not stop the search";
    e.writeRaw("isready\nstop\n");
    EXPECT_TRUE(startsWith(e.waitPrefix("bestmove", 3000), "bestmove "));
}

// A search that ends by itself in infinite or ponder mode keeps its answer
// until it is released.
struct HeldCase {
    const char* go;
    const char* release;
    bool stoppedWhilePondering;
};
void PrintTo(const HeldCase& c, std::ostream* os) { *os << c.go << " / " << c.release; }
class ProtoUciHeld : public ::testing::TestWithParam<HeldCase> {};

TEST_P(ProtoUciHeld, AnswerWaitsForRelease) {
    UciEngine e;
    e.send("setoption name Ponder value true");
    e.send("position startpos moves e2e4 e7e5");
    e.send(GetParam().go);
    EXPECT_EQ(e.waitPrefix("bestmove", 800), "<timeout>");
    e.send("isready");
    EXPECT_EQ(e.waitPrefix("readyok", 2000), "readyok");
    e.send(GetParam().release);
    std::string best = e.waitPrefix("bestmove", 3000);
    ASSERT_TRUE(startsWith(best, "bestmove "));
    // Stopping a running ponder search answers with the move before the pondered one.
    if (GetParam().stoppedWhilePondering) return;
    MoveOracle oracle;
    ASSERT_TRUE(oracle.setUp("", {"e2e4", "e7e5"}));
    EXPECT_TRUE(oracle.legal(moveOf(best))) << best;
}

INSTANTIATE_TEST_SUITE_P(Release, ProtoUciHeld,
                         ::testing::Values(HeldCase{"go infinite depth 2", "stop", false},
                                           HeldCase{"go ponder depth 2", "ponderhit", false},
                                           HeldCase{"go ponder depth 2", "stop", false},
                                           HeldCase{"go ponder wtime 2000 btime 2000", "ponderhit", false},
                                           HeldCase{"go ponder wtime 2000 btime 2000", "stop", true},
                                           HeldCase{"go ponder infinite", "stop", true}),
                         [](const ::testing::TestParamInfo<HeldCase>& p) {
                             return testName(std::string(p.param.go) + " then " + p.param.release);
                         });

TEST(ProtoUci, PonderAnswerCarriesTheExpectedReply) {
    UciEngine e;
    e.send("setoption name Ponder value true");
    e.send("position startpos moves e2e4");
    std::string best = e.go("go depth 5");
    std::vector<std::string> w = splitWords(best);
    ASSERT_EQ(w.size(), 4u) << best;
    EXPECT_EQ(w[2], "ponder");
    MoveOracle oracle;
    ASSERT_TRUE(oracle.setUp("", {"e2e4", w[1]}));
    EXPECT_TRUE(oracle.legal(w[3])) << best;
}

class ProtoUciNoMove : public ::testing::TestWithParam<const char*> {};

TEST_P(ProtoUciNoMove, MatedOrStalematedSideAnswersNullMove) {
    UciEngine e;
    e.send(std::string("position fen ") + GetParam());
    EXPECT_EQ(e.go("go depth 3", 3000), "bestmove 0000");
    EXPECT_EQ(e.go("go infinite", 3000), "bestmove 0000");
}

INSTANTIATE_TEST_SUITE_P(Positions, ProtoUciNoMove,
                         ::testing::Values("7k/6Q1/6K1/8/8/8/8/8 b - - 0 1", "k7/2Q5/1K6/8/8/8/8/8 b - - 0 1"),
                         [](const ::testing::TestParamInfo<const char*>& p) { return std::string(p.index ? "Stalemated" : "Mated"); });

TEST(ProtoUci, MultiPvThreePrintsThreeLinesPerDepth) {
    UciEngine e;
    e.send("setoption name MultiPV value 3");
    e.send("position startpos");
    e.go("go depth 4");
    for (int d = 1; d <= 4; d++)
        for (int k = 1; k <= 3; k++) {
            std::string prefix = "info multipv " + std::to_string(k) + " depth " + std::to_string(d) + " ";
            EXPECT_EQ(e.countPrefix(prefix), 1) << prefix;
        }
    EXPECT_EQ(e.countPrefix("info depth "), 0);
}

TEST(ProtoUci, OptionsBookAndRepeatedUci) {
    UciEngine e;
    e.send("setoption name OwnBook value true");
    EXPECT_EQ(e.waitPrefix("info string", 3000), "info string book file not found");
    e.send("setoption name Book File value " + std::string(300, 'x'));
    e.send("setoption name Book File value missing.bin");
    e.send("setoption name OwnBook value false");
    e.send("setoption name Hash value 8");
    e.send("setoption name Clear Hash");
    e.send("setoption name MultiPV value 0");
    e.send("setoption name Hash");
    e.send("uci");
    EXPECT_EQ(e.waitPrefix("uciok"), "uciok");
    e.send("position startpos");
    EXPECT_TRUE(startsWith(e.go("go depth 3"), "bestmove "));
    EXPECT_EQ(e.countPrefix("info multipv"), 0);
    e.send("quit");
    EXPECT_EQ(e.waitExit(), 1);
}

TEST(ProtoUci, ConfiguredBookThatIsMissingIsSilent) {
    EngineProcess e;
    FILE* ini = fopen((e.directory() + "/pellux.ini").c_str(), "w");
    ASSERT_NE(ini, nullptr);
    fputs("[Engine]\nBook=1\nBookFile=nothere.bin\n", ini);
    fclose(ini);
    e.send("uci");
    e.waitPrefix("uciok");
    e.send("isready");
    e.waitPrefix("readyok");
    for (const std::string& l : e.seen) EXPECT_FALSE(startsWith(l, "info string")) << l;
}

// Ending the dialogue, while idle or searching, by "quit" or by closing the input.
struct EndCase {
    const char* before;
    bool closeInput;
};
void PrintTo(const EndCase& c, std::ostream* os) { *os << c.before << (c.closeInput ? " / end of input" : " / quit"); }
class ProtoUciEnd : public ::testing::TestWithParam<EndCase> {};

TEST_P(ProtoUciEnd, ProgramEndsPromptly) {
    UciEngine e;
    e.send("position startpos");
    if (*GetParam().before) e.send(GetParam().before);
    e.collect(200);
    if (GetParam().closeInput) e.closeInput();
    else e.send("quit");
    EXPECT_EQ(e.waitExit(3000), 1);
}

INSTANTIATE_TEST_SUITE_P(Ends, ProtoUciEnd,
                         ::testing::Values(EndCase{"", false}, EndCase{"", true}, EndCase{"go infinite", false},
                                           EndCase{"go infinite", true}, EndCase{"go ponder depth 1", true},
                                           EndCase{"go ponder depth 1", false}),
                         [](const ::testing::TestParamInfo<EndCase>& p) {
                             return testName(std::string(*p.param.before ? p.param.before : "idle") +
                                             (p.param.closeInput ? " end of input" : " quit"));
                         });

TEST(ProtoUci, EndOfInputBeforeAnyProtocolEndsTheProgram) {
    EngineProcess e;
    e.closeInput();
    EXPECT_EQ(e.waitExit(3000), 1);
}

// A game far longer than the game record, in a line far longer than 4096
// bytes, gives the right position (checked through the answer to "go").
TEST(ProtoUci, VeryLongGameLineSetsTheRightPosition) {
    std::string pawns;
    std::string game = longGame(22, &pawns);  // 12 * 90 + 4 plies
    ASSERT_GT(game.size(), 5000u);
    UciEngine e;
    e.send("position startpos moves " + game);
    e.send("isready");
    EXPECT_EQ(e.waitPrefix("readyok"), "readyok");
    std::string best = e.go("go depth 3");
    MoveOracle oracle;
    ASSERT_TRUE(oracle.setUp("", splitWords(pawns)));
    EXPECT_TRUE(oracle.legal(moveOf(best))) << best;
    e.send("position startpos moves " + game + " h2h3");
    best = e.go("go depth 3");
    ASSERT_TRUE(oracle.play("h2h3"));
    EXPECT_TRUE(oracle.legal(moveOf(best))) << best;
}

TEST(ProtoUci, CommandsThatWouldNestASearchAreRefused) {
    UciEngine e;
    e.send("position startpos");
    e.send("go infinite");
    e.collect(200);
    e.send("position startpos moves e2e4");
    e.send("go depth 1");
    e.send("uci");
    e.send("perft 3");
    e.send("ucinewgame");
    EXPECT_EQ(e.waitPrefix("bestmove", 3000), "bestmove 0000") << "a new game aborts the search";
    e.send("isready");
    e.waitPrefix("readyok");
    EXPECT_EQ(e.countPrefix("bestmove"), 1);
    EXPECT_EQ(e.countPrefix("uciok"), 1);
    e.send("position startpos moves e2e4");
    std::string best = e.go("go depth 2");
    MoveOracle oracle;
    ASSERT_TRUE(oracle.setUp("", {"e2e4"}));
    EXPECT_TRUE(oracle.legal(moveOf(best))) << best;
}

}  // namespace
