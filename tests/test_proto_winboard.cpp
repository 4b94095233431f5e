// WinBoard transcripts against the built program (feature line, game
// following, thinking, pondering, analysis) and the clock commands in-process.
#include <gtest/gtest.h>

#include "frontend/protocol.h"
#include "tests/proto_helpers.h"

namespace {

const char* const FEATURE_LINE =
    "feature setboard=1 myname=\"Pellux 1.6 64 bits\" analyze=1 ping=1 draw=0 sigint=0 variants=\"normal\" done=1 "
    "colors=0";

class WbEngine : public EngineProcess {
public:
    WbEngine() {
        send("xboard");
        send("protover 2");
        featureSeen = waitPrefix("feature") == FEATURE_LINE;
    }
    // Next "move" line; the move it carries, or "" on timeout.
    std::string nextMove(int timeoutMs = 10000) { return moveOf(waitPrefix("move ", timeoutMs)); }
    bool sync(int n) {
        send("ping " + std::to_string(n));
        return waitPrefix("pong", 5000) == "pong " + std::to_string(n);
    }
    bool featureSeen = false;
};

TEST(ProtoWinboard, FeatureLineOnceAndPingPong) {
    WbEngine e;
    EXPECT_TRUE(e.featureSeen);
    EXPECT_TRUE(e.sync(7));
    EXPECT_EQ(e.countPrefix("feature"), 1);
    EXPECT_EQ(e.seen.size(), 3u) << "banner, feature, pong: protover prints nothing";
    e.send("quit");
    EXPECT_EQ(e.waitExit(), 1);
}

// Playing a game: the engine answers every opponent move with a legal move.
TEST(ProtoWinboard, PlaysLegalMovesAsBlackAndAsWhite) {
    WbEngine e;
    MoveOracle oracle;
    oracle.setUp("", {});
    e.send("new");
    e.send("level 40 5 0");
    e.send("sd 3");
    for (const char* move : {"e2e4", "d2d4"}) {
        ASSERT_TRUE(oracle.legal(move));
        oracle.play(move);
        e.send(move);
        std::string answer = e.nextMove();
        ASSERT_TRUE(oracle.play(answer)) << answer;
    }
    // Force mode: moves are played silently; "go" thinks for the side to move.
    e.send("force");
    e.send("g1f3");
    oracle.play("g1f3");
    EXPECT_TRUE(e.sync(1));
    EXPECT_EQ(e.countPrefix("move "), 2);
    e.send("go");
    std::string answer = e.nextMove();
    EXPECT_TRUE(oracle.play(answer)) << answer;
    // "undo" takes one move back; then the engine moves again for the same side.
    e.send("force");
    e.send("undo");
    oracle.b->takeBack();
    e.send("go");
    answer = e.nextMove();
    EXPECT_TRUE(oracle.legal(answer)) << answer;
}

TEST(ProtoWinboard, PingWhileThinkingIsAnsweredBeforeTheMove) {
    WbEngine e;
    e.send("new");
    e.send("st 1");
    e.send("go");
    e.collect(100);
    e.send("ping 7");
    EXPECT_EQ(e.waitPrefix("pong", 3000), "pong 7");
    EXPECT_EQ(e.countPrefix("move "), 0);
    EXPECT_NE(e.nextMove(3000), "");
}

TEST(ProtoWinboard, SetboardThenGoPlaysInThatPosition) {
    WbEngine e;
    e.send("new");
    e.send("force");
    e.send("setboard 6k1/5ppp/8/8/8/8/5PPP/R5K1 w - - 0 1");
    e.send("setboard not a fen at all");
    e.send("sd 4");
    e.send("go");
    EXPECT_EQ(e.nextMove(), "a1a8");
}

// Pondering: the expected reply hit, missed, or ponder switched off meanwhile.
enum class PonderEvent { Hit, Miss, Easy };
class ProtoWinboardPonder : public ::testing::TestWithParam<PonderEvent> {};

TEST_P(ProtoWinboardPonder, GameStaysConsistent) {
    WbEngine e;
    MoveOracle oracle;
    oracle.setUp("", {"e2e4"});
    e.send("new");
    e.send("hard");
    e.send("st 1");
    e.send("e2e4");
    std::string answer = e.nextMove();
    ASSERT_TRUE(oracle.play(answer)) << answer;
    std::string hint = e.waitPrefix("Hint: ", 3000);
    ASSERT_TRUE(startsWith(hint, "Hint: ")) << hint;
    std::string expected = hint.substr(6);
    ASSERT_TRUE(oracle.legal(expected));
    std::string reply = expected;
    if (GetParam() != PonderEvent::Hit) reply = expected == "a2a3" ? "h2h3" : "a2a3";
    if (GetParam() == PonderEvent::Easy) {
        e.send("easy");
        EXPECT_TRUE(e.sync(3));
        EXPECT_EQ(e.countPrefix("move "), 1) << "leaving ponder mode plays nothing";
    }
    e.collect(300);
    e.send(reply);
    oracle.play(reply);
    answer = e.nextMove(5000);
    EXPECT_TRUE(oracle.play(answer)) << answer;
}

INSTANTIATE_TEST_SUITE_P(Events, ProtoWinboardPonder,
                         ::testing::Values(PonderEvent::Hit, PonderEvent::Miss, PonderEvent::Easy),
                         [](const ::testing::TestParamInfo<PonderEvent>& p) {
                             return std::string(p.param == PonderEvent::Hit ? "Hit"
                                                : p.param == PonderEvent::Miss ? "Miss" : "Easy");
                         });

TEST(ProtoWinboard, AnalysisPrintsNoMoveAndLeavesTheGameAlone) {
    WbEngine e;
    MoveOracle oracle;
    oracle.setUp("", {"e2e4"});
    e.send("new");
    e.send("force");
    e.send("e2e4");
    e.send("post");
    e.send("analyze");
    e.collect(300);
    e.send("e7e5");  // a move while analysing: the analysis goes on in the new position
    oracle.play("e7e5");
    e.collect(300);
    e.send("exit");
    EXPECT_TRUE(e.sync(4));
    EXPECT_EQ(e.countPrefix("move "), 0);
    bool thinking = false;
    for (const std::string& l : e.seen) thinking |= !l.empty() && isdigit((unsigned char)l[0]);
    EXPECT_TRUE(thinking);
    e.send("sd 3");
    e.send("go");
    std::string answer = e.nextMove();
    EXPECT_TRUE(oracle.legal(answer)) << answer;
}

TEST(ProtoWinboard, NewDuringThinkingStartsAFreshGame) {
    WbEngine e;
    e.send("new");
    e.send("st 5");
    e.send("go");
    e.collect(200);
    e.send("new");
    EXPECT_TRUE(e.sync(5));
    EXPECT_EQ(e.countPrefix("move "), 0);
    e.send("sd 2");
    e.send("e2e4");
    MoveOracle oracle;
    oracle.setUp("", {"e2e4"});
    std::string answer = e.nextMove();
    EXPECT_TRUE(oracle.legal(answer)) << answer;
}

TEST(ProtoWinboard, MoveThatMatesTheEngineEndsTheProgram) {
    WbEngine e;
    e.send("new");
    e.send("force");
    e.send("setboard 6k1/5ppp/8/8/8/8/5PPP/R5K1 w - - 0 1");
    e.send("a1a8");
    EXPECT_EQ(e.waitExit(3000), 1);
}

// Clock and limit commands, in-process.
class WinboardClock : public ::testing::Test {
protected:
    void SetUp() override {
        saved = board;
        board = nullptr;
        guiMode = 2;
        testing::internal::CaptureStdout();
        run("xboard");
        output = testing::internal::GetCapturedStdout();
    }
    void TearDown() override {
        board->free();
        delete board;
        board = saved;
        guiMode = 0;
    }
    void run(const char* text) {
        std::string copy = text;
        parseWinboard(&copy[0]);
    }
    ChessBoardUCI* saved = nullptr;
    std::string output;
};

TEST_F(WinboardClock, LevelTimeOtimStAndSd) {
    EXPECT_EQ(output, std::string(FEATURE_LINE) + "\n");
    int side = (int)board->node.side;
    run("level 40 5 0");
    EXPECT_EQ(board->clockTime[side], 300000.0f);
    EXPECT_EQ(board->movesToGo, 40u);
    EXPECT_EQ(board->searchMode, SEARCH_CLOCK);
    run("level 0 0:30 2");
    EXPECT_EQ(board->clockTime[side], 30000.0f);
    EXPECT_EQ(board->movesToGo, 0u);
    EXPECT_EQ(board->timeIncrement[WHITE], 2000);
    EXPECT_EQ(board->timeIncrement[BLACK], 2000);
    run(("level 40 " + std::string(200, '9') + ":" + std::string(200, '9') + " 0").c_str());  // cut, no overflow
    run("time 6000");
    EXPECT_EQ(board->clockTime[side ^ 1], 60000.0f);
    run("otim 500");
    EXPECT_EQ(board->clockTime[side], 5000.0f);
    run("st 10");
    EXPECT_EQ(board->searchMode, SEARCH_MOVETIME);
    EXPECT_EQ(board->moveTime, 10000000u);
    run("sd 6");
    EXPECT_EQ(board->searchMode, SEARCH_DEPTH);
    EXPECT_EQ(board->depthLimit, 6);
    run("sd 100000");
    EXPECT_EQ(board->depthLimit, MAX_PLY - 1);
}

}  // namespace
