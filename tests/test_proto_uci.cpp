// UCI transcripts against the built program: handshake, every form of "go",
// stop/isready/ponderhit during a search, held answers, multi-PV, options,
// long games, and the end of the dialogue.
#include <gtest/gtest.h>

#include "search/strength.h"
#include "tests/proto_helpers.h"

namespace {

class UciEngine : public EngineProcess {
public:
    UciEngine() : ready((send("uci"), waitPrefix("uciok") == "uciok")) {}
    // Sends a "go" and returns its bestmove line (the "info" lines stay in seen).
    std::string go(const std::string& line, int timeoutMs = 20000) {
        send(line);
        return waitPrefix("bestmove", timeoutMs);
    }
    bool ready;
};

TEST(ProtoUci, HandshakePrintsIdentityAndOptionsThenUciok) {
    UciEngine e;
    std::string all;
    for (const std::string& l : e.seen) all += l + "\n";
    EXPECT_EQ(
        all,
        "Pellux 1.6 (64 bits) by Vornhalt\nid name Pellux 1.6 64 bits\nid author Vornhalt\n"
        "option name Hash type spin default 32 min 4 max 4096\noption name Ponder type check default false\n"
        "option name OwnBook type check default false\n"
        "option name Book File type string default pelluxopenbook.bin\noption name Clear Hash type button\n"
        "option name MultiPV type spin default 1 min 1 max 32\n"
        "option name UCI_LimitStrength type check default false\n"
        "option name UCI_Elo type spin default 1800 min 1350 max 2000\n"
        "option name GaviotaTbPath type string default <empty>\n"
        "option name GaviotaTbCache type spin default 32 min 1 max 1024\nuciok\n");
    e.send("isready");
    EXPECT_EQ(e.waitPrefix("readyok"), "readyok");
}

// Every form of "go" is answered by exactly one legal "bestmove" whose expected reply is legal too.
class ProtoUciGo : public ::testing::TestWithParam<std::string> {};

TEST_P(ProtoUciGo, AnswersOnceWithALegalMove) {
    UciEngine e;
    ASSERT_TRUE(e.ready);
    e.send("setoption name Ponder value true\nposition startpos moves e2e4 e7e5 g1f3");
    std::vector<std::string> w = splitOn(e.go(GetParam()), ' ');
    MoveOracle oracle({"e2e4", "e7e5", "g1f3"});
    ASSERT_GE(w.size(), 2u);
    ASSERT_TRUE(oracle.play(w[1])) << w[1];
    EXPECT_TRUE(w.size() == 2 || (w.size() == 4 && w[2] == "ponder" && oracle.legal(w[3])));
    e.send("isready");
    EXPECT_EQ(e.waitPrefix("readyok"), "readyok");
    EXPECT_EQ(e.countPrefix("bestmove"), 1);
}

INSTANTIATE_TEST_SUITE_P(GoForms, ProtoUciGo,
                         ::testing::Values("go wtime 3000 btime 3000 winc 100 binc 100 movestogo 20",
                                           "go wtime 2000 btime 2000",
                                           "go btime 1000 wtime 1000 binc 50 winc 50", "go depth 4",
                                           "go nodes 20000", "go movetime 150",
                                           "go depth 3 wtime 500 btime 500", "go depth 2 wtime",
                                           "go movetime 99999999999999999999 depth -5"),
                         paramName<std::string>);

// One thinking line per iteration (mate in one seen at each), a bare "go" repeating the last limits,
// and three lines per iteration with MultiPV 3.
TEST(ProtoUci, ThinkingLinesPerIteration) {
    UciEngine e;
    e.send("position fen 6k1/5ppp/8/8/8/8/5PPP/R5K1 w - - 0 1");
    EXPECT_EQ(e.go("go depth 5"), "bestmove a1a8");
    for (int d = 1; d <= 5; d++) EXPECT_EQ(e.countPrefix("info depth " + std::to_string(d) + " "), 1) << d;
    for (const std::string& l : e.seen)
        EXPECT_TRUE(!startsWith(l, "info depth ") || l.find("score mate 1 ") != l.npos) << l;
    e.send("position fen 6k1/5ppp/8/8/8/8/5PPP/R5K1 w - - 0 1");
    EXPECT_EQ(e.go("go", 5000), "bestmove a1a8");
    EXPECT_EQ(e.countPrefix("info depth 5 "), 2);
    e.send("setoption name MultiPV value 3\nposition startpos");
    e.go("go depth 4");
    for (int d = 1; d <= 4; d++)
        for (int k = 1; k <= 3; k++) {
            std::string prefix = "info multipv " + std::to_string(k) + " depth " + std::to_string(d) + " ";
            EXPECT_EQ(e.countPrefix(prefix), 1) << prefix;
        }
    EXPECT_EQ(e.countPrefix("info depth "), 10);
}

// A search that ends by itself in infinite or ponder mode keeps its answer until it is released
// ("go ... / release"); stopping a running ponder search ("stop!") may answer with the move before
// the pondered one, so only the others are checked for legality.
class ProtoUciHeld : public ::testing::TestWithParam<std::string> {};

TEST_P(ProtoUciHeld, AnswerWaitsForRelease) {
    UciEngine e;
    e.send("setoption name Ponder value true\nposition startpos moves e2e4 e7e5");
    size_t slash = GetParam().find(" / ");
    e.send(GetParam().substr(0, slash));
    EXPECT_EQ(e.waitPrefix("bestmove", 800), "<timeout>");
    e.send("isready");
    EXPECT_EQ(e.waitPrefix("readyok", 2000), "readyok");
    std::string release = GetParam().substr(slash + 3);
    e.send(release.substr(0, release.find('!')));
    std::string best = e.waitPrefix("bestmove", 3000);
    ASSERT_TRUE(startsWith(best, "bestmove ")) << best;
    EXPECT_TRUE(release.back() == '!' || MoveOracle({"e2e4", "e7e5"}).legal(moveOf(best))) << best;
}

INSTANTIATE_TEST_SUITE_P(Release, ProtoUciHeld,
                         ::testing::Values("go infinite depth 2 / stop", "go ponder depth 2 / ponderhit",
                                           "go ponder depth 2 / stop",
                                           "go ponder wtime 2000 btime 2000 / ponderhit",
                                           "go ponder wtime 2000 btime 2000 / stop!",
                                           "go ponder infinite / stop!"),
                         paramName<std::string>);

class ProtoUciNoMove : public ::testing::TestWithParam<std::string> {};

TEST_P(ProtoUciNoMove, MatedOrStalematedSideAnswersNullMove) {
    UciEngine e;
    e.send("position fen " + GetParam());
    EXPECT_EQ(e.go("go depth 3", 3000), "bestmove 0000");
    EXPECT_EQ(e.go("go infinite", 3000), "bestmove 0000");
}

INSTANTIATE_TEST_SUITE_P(Positions, ProtoUciNoMove,
                         ::testing::Values("7k/6Q1/6K1/8/8/8/8/8 b - - 0 1",
                                           "k7/2Q5/1K6/8/8/8/8/8 b - - 0 1"),
                         [](const ::testing::TestParamInfo<std::string>& p) {
                             return std::string(p.index ? "Stalemated" : "Mated");
                         });

// Book options in either order (a book still wanted after a missing file is loaded once named; a
// missing book is reported each time it is asked for, silently when configured), bad or foreign
// option lines, and a repeated "uci".
TEST(ProtoUci, OptionsBookAndRepeatedUci) {
    UciEngine e;
    MoveOracle().b->buildOpeningBook(PELLUX_TEST_DATA "/games.pgn", e.directory() + "/games.bin", 4, 1);
    e.send("setoption name OwnBook value true\nsetoption name Book File value missing.bin");
    e.send("setoption name Book File value games.bin\nposition startpos");
    EXPECT_TRUE(MoveOracle().legal(moveOf(e.go("go depth 6"))));
    EXPECT_EQ(e.countPrefix("info string book file not found"), 2);
    EXPECT_EQ(e.countPrefix("info depth"), 0) << "the book move comes without a search";
    for (const char* line : {"OwnBook value false", "Book File value games.bin", "Hash value 8", "Clear Hash",
                             "MultiPV value 0", "Hash", "Threads value 1", "UCI_Chess960 value true"})
        e.send(std::string("setoption name ") + line);
    e.send("setoption name Book File value " + std::string(300, 'x'));
    e.send("uci");
    EXPECT_EQ(e.waitPrefix("uciok"), "uciok");
    e.send("position startpos");
    EXPECT_TRUE(startsWith(e.go("go depth 3"), "bestmove "));
    EXPECT_EQ(e.countPrefix("info multipv"), 0);
    EXPECT_EQ(e.countPrefix("info depth 3 "), 1);
    EXPECT_EQ(e.countPrefix("info string"), 2);

    EngineProcess configured;
    FILE* ini = fopen((configured.directory() + "/pellux.ini").c_str(), "w");
    ASSERT_NE(ini, nullptr);
    fputs("[Engine]\nBook=1\nBookFile=nothere.bin\n", ini);
    fclose(ini);
    configured.send("uci\nisready");
    configured.waitPrefix("readyok");
    EXPECT_EQ(configured.countPrefix("info string"), 0);
}

// An option sent while the engine thinks waits for the end of the search: the running search keeps
// the setting sent before it, the next one has the new ("before|during|text showing the setting|the
// search that shows it"). Resizing and clearing the table wait too.
class ProtoUciOptionDuringSearch : public ::testing::TestWithParam<std::string> {};

TEST_P(ProtoUciOptionDuringSearch, AppliesWhenTheSearchEnds) {
    std::vector<std::string> f = splitOn(GetParam(), '|');
    UciEngine e;
    size_t from = e.seen.size();
    e.send("setoption name " + f[0] + "\nposition startpos\ngo infinite");
    e.collect(200);
    for (const std::string& during : {f[1], std::string("Hash value 16"), std::string("Clear Hash")})
        e.send("setoption name " + during);
    std::string shown[2];
    for (int search = 0; search < 2; search++, from = e.seen.size()) {
        EXPECT_TRUE(startsWith(e.go(search ? "go depth 3" : "stop"), "bestmove ")) << search;
        for (size_t i = from; i < e.seen.size(); i++) shown[search] += e.seen[i] + "\n";
    }
    const bool before = f[3] == "before";
    EXPECT_EQ(shown[0].find(f[2]) != std::string::npos, before) << shown[0];
    EXPECT_EQ(shown[1].find(f[2]) != std::string::npos, !before) << shown[1];
}

INSTANTIATE_TEST_SUITE_P(Options, ProtoUciOptionDuringSearch,
                         ::testing::Values("Ponder value false|Ponder value true| ponder |after",
                                           "Ponder value true|Ponder value false| ponder |before",
                                           "MultiPV value 1|MultiPV value 3|info multipv 3 |after"),
                         paramName<std::string>);

// "go ... searchmoves" restricts the root: every thinking line and the answer start with a listed
// legal move ("fen|go line|moves the answer may be|released by"); with none legal the root is whole
// ("*" in the list: lines may start with any move).
class ProtoUciSearchMoves : public ::testing::TestWithParam<std::string> {};

TEST_P(ProtoUciSearchMoves, OnlyListedMovesAreSearched) {
    std::vector<std::string> f = splitOn(GetParam(), '|');
    f.resize(4);  // an empty last field (nothing releases the search) is not split off
    UciEngine e;
    e.send("setoption name MultiPV value 2\nsetoption name Ponder value true");
    e.send("position fen " + f[0]);
    const size_t from = e.seen.size();
    e.send(f[1]);
    if (!f[3].empty()) {
        e.collect(300);
        e.send(f[3]);
    }
    std::vector<std::string> answer = splitOn(e.waitPrefix("bestmove", 20000), ' ');
    ASSERT_GE(answer.size(), 2u);
    const std::vector<std::string> allowed = splitOn(f[2], ' ');
    auto listed = [&](const std::string& m) {
        return std::find(allowed.begin(), allowed.end(), m) != allowed.end();
    };
    EXPECT_TRUE(listed(answer[1])) << answer[1];
    int lines = 0;
    for (size_t i = from; i < e.seen.size(); i++) {
        const size_t pv = e.seen[i].find(" pv ");
        if (pv == std::string::npos) continue;
        lines++;
        EXPECT_TRUE(listed("*") || listed(splitOn(e.seen[i].substr(pv + 4), ' ')[0])) << e.seen[i];
    }
    EXPECT_GT(lines, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Lists, ProtoUciSearchMoves,
    ::testing::Values(
        "6k1/5ppp/8/8/8/8/5PPP/R5K1 w - - 0 1|go depth 4 searchmoves g1f1 h2h3|g1f1 h2h3|",
        "6k1/5ppp/8/8/8/8/5PPP/R5K1 w - - 0 1|go searchmoves a1a2 a1a3 a1a4 depth 3|a1a2 a1a3 a1a4|",
        "6k1/5ppp/8/8/8/8/5PPP/R5K1 w - - 0 1|go depth 3 searchmoves e2e4 a1a9 zz|a1a8 *|",
        "6k1/5ppp/8/8/8/8/5PPP/R5K1 w - - 0 1|go infinite searchmoves h2h4|h2h4|stop",
        "6k1/5ppp/8/8/8/8/5PPP/R5K1 w - - 0 1|go ponder wtime 500 btime 500 searchmoves g2g3 g2g4|g2g3 g2g4|"
        "ponderhit",
        "r1bqkbnr/pppp1ppp/2n5/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R w KQkq - 2 3|go movetime 200 searchmoves "
        "f1c4 b1c3 d2d4|f1c4 b1c3 d2d4|"),
    paramName<std::string>);

// A weakened engine plays within its node budget, at once even on a long clock, and legally.
TEST(ProtoUci, LimitedStrengthKeepsItsNodeBudget) {
    UciEngine e;
    e.send("setoption name UCI_LimitStrength value true\nsetoption name UCI_Elo value 1350");
    MoveOracle oracle;
    std::string moves;
    for (int move = 0; move < 6; move++) {
        e.send("position startpos" + (moves.empty() ? std::string() : " moves" + moves));
        const size_t from = e.seen.size();
        std::vector<std::string> w = splitOn(e.go("go wtime 600000 btime 600000"), ' ');
        ASSERT_GE(w.size(), 2u);
        ASSERT_TRUE(oracle.play(w[1])) << w[1];
        moves += " " + w[1];
        for (size_t i = from; i < e.seen.size(); i++) {
            const size_t at = e.seen[i].find(" nodes ");
            if (at == std::string::npos) continue;
            EXPECT_LE(std::stoull(e.seen[i].substr(at + 7)), strengthSettings(1350).nodes) << e.seen[i];
        }
    }
    // Back at full strength the same clock buys a deep search.
    e.send("setoption name UCI_LimitStrength value false\nposition startpos");
    e.go("go depth 6");
    EXPECT_EQ(e.countPrefix("info depth 6 "), 1);
}

// Ending the dialogue, while idle, searching or counting, by "quit" or by closing the input.
class ProtoUciEnd : public ::testing::TestWithParam<std::string> {};

TEST_P(ProtoUciEnd, ProgramEndsPromptly) {
    UciEngine e;
    size_t slash = GetParam().find(" / ");
    e.send("position startpos");
    e.send(GetParam().substr(0, slash));
    e.collect(200);
    if (GetParam().substr(slash + 3) == "quit")
        e.send("quit");
    else
        e.closeInput();
    EXPECT_EQ(e.waitExit(3000), 1);
}

INSTANTIATE_TEST_SUITE_P(Ends, ProtoUciEnd,
                         ::testing::Values("idle / quit", "idle / end of input", "go infinite / quit",
                                           "go infinite / end of input", "go ponder depth 1 / quit",
                                           "go ponder depth 1 / end of input", "perft 60 / quit",
                                           "perftd 60 / end of input", "divide 60 / quit"),
                         paramName<std::string>);

// A game far longer than the game record, in a line far longer than 4096
// bytes, gives the right position (checked through the answer to "go").
TEST(ProtoUci, VeryLongGameLineSetsTheRightPosition) {
    std::string pawns, game = longGame(22, &pawns);  // 12 * 90 + 4 plies
    ASSERT_GT(game.size(), 5000u);
    UciEngine e;
    MoveOracle oracle(splitOn(pawns, ' '));
    for (const char* last : {"", " h2h3"}) {
        e.send("position startpos moves " + game + last);
        std::string best = e.go("go depth 3");
        ASSERT_TRUE(*last == 0 || oracle.play(last + 1));
        EXPECT_TRUE(oracle.legal(moveOf(best))) << best;
    }
}

// Commands that arrive in the same write as "go" are still handled during the search; those that
// would nest a search are refused, and a new game aborts it.
TEST(ProtoUci, CommandsDuringASearch) {
    UciEngine e;
    e.writeRaw("position startpos\ngo infinite\nisready\n");
    EXPECT_EQ(e.waitPrefix("readyok", 3000), "readyok");
    EXPECT_EQ(e.waitPrefix("bestmove", 300), "<timeout>") << "isready must not stop the search";
    e.writeRaw("isready\nstop\n");
    EXPECT_TRUE(startsWith(e.waitPrefix("bestmove", 3000), "bestmove "));
    e.send("go infinite");
    e.collect(200);
    for (const char* line : {"position startpos moves e2e4", "go depth 1", "uci", "perft 3", "ucinewgame"})
        e.send(line);
    EXPECT_EQ(e.waitPrefix("bestmove", 3000), "bestmove 0000");
    e.send("isready");
    e.waitPrefix("readyok");
    EXPECT_EQ(e.countPrefix("bestmove"), 2);
    EXPECT_EQ(e.countPrefix("uciok"), 1);
    e.send("position startpos moves e2e4");
    std::string best = e.go("go depth 2");
    EXPECT_TRUE(MoveOracle({"e2e4"}).legal(moveOf(best))) << best;
}

}  // namespace
