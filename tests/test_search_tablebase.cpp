// Endgame tables over the protocol: exact results at a root the tables hold
// (checked against the probing library and known mate distances) and a move
// that keeps the result, held answers and "searchmoves", tables switched off,
// bad folders, and searches the tables cannot reach.
#include <dirent.h>

#include "search/tablebase.h"
#include "search_test_board.h"
#include "tests/proto_helpers.h"

namespace {

// The three-piece tables of the Debian package (any compression), or "".
std::string tableFolder() {
    for (const char* f : {"/usr/share/gaviotatb/gtb4", "/usr/share/gaviotatb/gtb3",
                          "/usr/share/gaviotatb/gtb2", "/usr/share/gaviotatb/gtb1"})
        if (DIR* d = opendir(f)) {
            closedir(d);
            return f;
        }
    return "";
}

// Why the tables cannot be tested here, or "".
std::string missingTables() {
    if (!tablebaseSupported()) return "built without the tablebase library";
    return tableFolder().empty() ? "no tables installed" : "";
}

// The engine after "uci", with the tables of the folder when one is named.
class TableEngine : public EngineProcess {
public:
    explicit TableEngine(const std::string& folder) {
        send("uci");
        waitPrefix("uciok");
        if (!folder.empty()) send("setoption name GaviotaTbPath value " + folder);
    }
    std::string go(const std::string& fen, const std::string& line) {
        send("position fen " + fen);
        send(line);
        return waitPrefix("bestmove", 30000);
    }
    std::string lastThinking() const {
        for (size_t i = seen.size(); i-- > 0;)
            if (startsWith(seen[i], "info depth ")) return seen[i];
        return "";
    }
    std::string nodes() const {
        const std::string line = lastThinking();
        const size_t at = line.find(" nodes ");
        return at == std::string::npos ? "" : line.substr(at, line.find(" nps") - at);
    }
};

const char* const KQK = "4k3/8/8/8/8/8/8/3QK3 w - - 0 1";

// Skipped without the library or the tables; the tables this process loads are released.
class TablebaseTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!missingTables().empty()) GTEST_SKIP() << missingTables();
    }
    void TearDown() override { tablebaseUnload(); }
};

// Moves to mate for the side to move (negative when it is mated), 0 for a draw;
// the mate distances agree with a long search of an independent engine.
struct RootCase {
    const char *name, *fen;
    int mate;
};
class TablebaseRoot : public TablebaseTest, public ::testing::WithParamInterface<RootCase> {};

TEST_P(TablebaseRoot, ExactScoreAndAMoveThatKeepsTheResult) {
    const RootCase& c = GetParam();
    TableEngine e(tableFolder());
    const std::string best = e.go(c.fen, "go depth 2");
    const std::string score = c.mate ? "score mate " + std::to_string(c.mate) + " " : "score cp 0 ";
    EXPECT_NE(e.lastThinking().find(score), std::string::npos) << e.lastThinking();
    EXPECT_EQ(e.countPrefix("info depth "), 1);
    EXPECT_EQ(e.countPrefix("info string tablebase probes root "), 1);

    ASSERT_EQ(tablebaseLoad(tableFolder().c_str(), nullptr), 1);
    BoardPtr b = makeSearchBoard(c.fen);
    int root = 0, after = 0;
    ASSERT_TRUE(tablebaseProbe(b->node, 0, true, root));
    EXPECT_EQ(root > 0 ? b->calcMateValue(root) : root < 0 ? -b->calcMateValue(root) : 0, c.mate);
    ASSERT_TRUE(b->setMoveSquare(moveOf(best).c_str())) << best;
    ASSERT_TRUE(tablebaseProbe(b->node, 0, true, after));
    EXPECT_EQ(after, root > 0 ? -(root + 1) : root < 0 ? 1 - root : 0) << best;
}

INSTANTIATE_TEST_SUITE_P(Positions, TablebaseRoot,
                         ::testing::Values(RootCase{"KQK", KQK, 8},
                                           RootCase{"KQKLost", "4k3/8/8/8/8/8/8/3QK3 b - - 0 1", -8},
                                           RootCase{"KRK", "8/8/8/8/8/8/k7/2K4R w - - 0 1", 2},
                                           RootCase{"KPKWon", "4k3/8/4K3/4P3/8/8/8/8 w - - 0 1", 11},
                                           RootCase{"KPKDrawn", "8/8/8/4k3/8/8/4P3/4K3 w - - 0 1", 0}),
                         [](const ::testing::TestParamInfo<RootCase>& p) {
                             return std::string(p.param.name);
                         });

// Where the tables are switched off, or cannot be reached within the search,
// the search is the one without them, node for node; a position without a
// king is never looked up. A four-piece root is searched; its captures reach
// the three-piece tables.
struct SameCase {
    const char *name, *fen, *go;
    bool switchedOff;
};
class TablebaseSame : public TablebaseTest, public ::testing::WithParamInterface<SameCase> {};

TEST_P(TablebaseSame, NodeCountsOfTheSearchWithoutTables) {
    const SameCase& c = GetParam();
    TableEngine plain(""), tables(tableFolder());
    if (c.switchedOff) tables.send("setoption name GaviotaTbPath value");
    plain.go(c.fen, c.go);
    tables.go(c.fen, c.go);
    EXPECT_FALSE(plain.nodes().empty());
    EXPECT_EQ(tables.nodes(), plain.nodes());
    EXPECT_EQ(tables.countPrefix("info string tablebase probes root 0 tree 0 hits 0"), c.switchedOff ? 0 : 1);
    EXPECT_EQ(tables.countPrefix("info string tablebase probes"), c.switchedOff ? 0 : 1);
}

INSTANTIATE_TEST_SUITE_P(
    Positions, TablebaseSame,
    ::testing::Values(SameCase{"KQKSwitchedOff", KQK, "go depth 5", true},
                      SameCase{"StartPosition", "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
                               "go depth 5", false},
                      SameCase{"KRPPKR", "8/5k2/8/2r5/8/3PP3/4K3/7R w - - 0 1", "go depth 4", false},
                      SameCase{"KingMissing", "8/8/8/8/8/8/8/K6q w - - 0 1", "go depth 3", false}),
    [](const ::testing::TestParamInfo<SameCase>& p) { return std::string(p.param.name); });

TEST_F(TablebaseTest, FourPieceRootIsSearchedWithProbesInTheTree) {
    TableEngine e(tableFolder());
    e.go("8/8/8/2k5/8/8/3QK3/7r w - - 0 1", "go depth 4");
    EXPECT_EQ(e.countPrefix("info depth 4 "), 1);
    EXPECT_EQ(e.countPrefix("info string tablebase probes root 0 tree "), 1);
    EXPECT_EQ(e.countPrefix("info string tablebase probes root 0 tree 0 "), 0);
}

// An analysis or a ponder search keeps the tables' move until released;
// "searchmoves" restricts their choice; the tables' own line names the reply.
TEST_F(TablebaseTest, HeldAnswersAndSearchMoves) {
    TableEngine e(tableFolder());
    e.send("setoption name Ponder value true");
    for (const char* release : {"stop", "ponderhit"}) {
        e.send("position fen " + std::string(KQK));
        e.send(std::string("go ") + (release[0] == 's' ? "infinite" : "ponder"));
        EXPECT_EQ(e.waitPrefix("bestmove", 500), "<timeout>") << release;
        e.send(release);
        EXPECT_TRUE(startsWith(e.waitPrefix("bestmove"), "bestmove d1d6 ponder ")) << release;
    }
    EXPECT_TRUE(startsWith(e.go(KQK, "go depth 3 searchmoves d1a1"), "bestmove d1a1 ponder "));
    EXPECT_NE(e.lastThinking().find(" score mate 9 "), std::string::npos) << e.lastThinking();
}

// Folders that cannot be used are named and leave the tables off; a good one
// in the list is loaded. A path sent during a search is loaded after it.
TEST_F(TablebaseTest, BadFoldersAndOptionsDuringASearch) {
    TableEngine e("");
    for (const std::string& folders : {std::string("/nonexistent/tables"), std::string(3000, 'x'),
                                       e.directory(), std::string(" ; ;"), std::string("<empty>")})
        e.send("setoption name GaviotaTbPath value " + folders);
    for (const char* cache : {"0", "99999999999", "x"})
        e.send(std::string("setoption name GaviotaTbCache value ") + cache);
    e.go(KQK, "go depth 3");
    EXPECT_EQ(e.countPrefix("info depth 3 "), 1);
    EXPECT_EQ(e.countPrefix("info string tablebase folder not readable: /nonexistent/tables"), 1);
    EXPECT_EQ(e.countPrefix("info string tablebase folder name too long"), 1);
    EXPECT_EQ(e.countPrefix("info string no tablebases found, tables off"), 1);
    EXPECT_EQ(e.countPrefix("info string"), 3);

    e.send("position startpos\ngo infinite");
    e.collect(100);
    e.send("setoption name GaviotaTbPath value /nonexistent;" + tableFolder());
    EXPECT_EQ(e.waitPrefix("info string", 300), "<timeout>");
    e.send("stop");
    EXPECT_EQ(e.waitPrefix("info string"), "info string tablebase folder not readable: /nonexistent");
    EXPECT_TRUE(startsWith(e.waitPrefix("info string"), "info string Gaviota tablebases loaded"));
    EXPECT_EQ(e.go(KQK, "go depth 3"), "bestmove d1d6");
}

// Both options are offered in every build; a build without the library says so.
TEST(Tablebase, OptionsAreOfferedAndAnswered) {
    TableEngine e("");
    EXPECT_EQ(e.countPrefix("option name GaviotaTbPath type string default <empty>"), 1);
    EXPECT_EQ(e.countPrefix("option name GaviotaTbCache type spin default 32 min 1 max 1024"), 1);
    e.send("setoption name GaviotaTbPath value /nonexistent");
    EXPECT_EQ(e.waitPrefix("info string"), tablebaseSupported()
                                               ? "info string tablebase folder not readable: /nonexistent"
                                               : "info string tablebases not available in this build");
}

}  // namespace
