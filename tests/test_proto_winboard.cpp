// WinBoard transcripts against the built program (feature line, game
// following, thinking, pondering, analysis) and the clock commands in-process.
#include <gtest/gtest.h>

#include "frontend/protocol.h"
#include "tests/proto_helpers.h"

namespace {

const char* const FEATURE_LINE =
    "feature setboard=1 myname=\"Pellux 1.6 64 bits\" analyze=1 ping=1 draw=0 sigint=0 variants=\"normal\" "
    "done=1 "
    "colors=0";

class WbEngine : public EngineProcess {
public:
    WbEngine() : featureSeen((send("xboard\nprotover 2"), waitPrefix("feature") == FEATURE_LINE)) {}
    // Next "move" line; the move it carries, or "" on timeout.
    std::string nextMove(int timeoutMs = 10000) { return moveOf(waitPrefix("move ", timeoutMs)); }
    bool sync(int n) {
        send("ping " + std::to_string(n));
        return waitPrefix("pong", 5000) == "pong " + std::to_string(n);
    }
    bool featureSeen;
};

// Playing a game: the engine answers every opponent move with a legal move.
// The feature line comes once ("protover" prints nothing else).
TEST(ProtoWinboard, PlaysLegalMovesAsBlackAndAsWhite) {
    WbEngine e;
    EXPECT_TRUE(e.featureSeen);
    EXPECT_TRUE(e.sync(7));
    EXPECT_EQ(e.seen.size(), 3u) << "banner, feature, pong";
    MoveOracle oracle;
    for (const char* line : {"new", "level 40 5 0", "sd 3"}) e.send(line);
    for (const char* move : {"e2e4", "d2d4"}) {
        ASSERT_TRUE(oracle.play(move));
        e.send(move);
        std::string answer = e.nextMove();
        ASSERT_TRUE(oracle.play(answer)) << answer;
    }
    // Force mode: moves are played silently; "go" thinks for the side to move.
    e.send("force\ng1f3");
    ASSERT_TRUE(oracle.play("g1f3"));
    EXPECT_TRUE(e.sync(1));
    EXPECT_EQ(e.countPrefix("move "), 2);
    e.send("go");
    std::string answer = e.nextMove();
    EXPECT_TRUE(oracle.play(answer)) << answer;
    // "undo" takes one move back; then the engine moves again for the same side.
    for (const char* line : {"force", "undo"}) e.send(line);
    oracle.b->takeBack();
    e.send("go");
    answer = e.nextMove();
    EXPECT_TRUE(oracle.legal(answer)) << answer;
}

// After setboard (a broken one is ignored) the engine plays the mate.
TEST(ProtoWinboard, SetboardThenGoPlaysInThatPosition) {
    WbEngine e;
    for (const char* line : {"new", "force", "setboard 6k1/5ppp/8/8/8/8/5PPP/R5K1 w - - 0 1",
                             "setboard not a fen at all", "sd 4", "go"})
        e.send(line);
    EXPECT_EQ(e.nextMove(), "a1a8");
}

// A move that leaves the side to move without a move ("commands|claim"): in a game against the
// engine the result is claimed; in force mode and analysis the move is only recorded. Either way
// the program stays and plays the next game.
class ProtoWinboardGameEnd : public ::testing::TestWithParam<std::string> {};

TEST_P(ProtoWinboardGameEnd, ClaimsOnlyInAGameAndStays) {
    std::vector<std::string> f = splitOn(GetParam(), '|');
    WbEngine e;
    for (const std::string& line : splitOn(f[0], ',')) e.send(line);
    ASSERT_TRUE(e.sync(1));
    std::vector<std::string> claims;
    for (const std::string& l : e.seen)
        if (startsWith(l, "1-0 ") || startsWith(l, "0-1 ") || startsWith(l, "1/2-1/2 ")) claims.push_back(l);
    EXPECT_EQ(claims, f.size() > 1 ? std::vector<std::string>{f[1]} : std::vector<std::string>{});
    EXPECT_EQ(e.countPrefix("move "), 0);
    e.send("new\nsd 1\ne2e4");
    std::string answer = e.nextMove();
    EXPECT_TRUE(MoveOracle({"e2e4"}).legal(answer)) << answer;
}

INSTANTIATE_TEST_SUITE_P(
    Moves, ProtoWinboardGameEnd,
    ::testing::Values("new,force,f2f3,e7e5,g2g4,d8h4",
                      "new,force,setboard 6k1/5ppp/8/8/8/8/5PPP/R5K1 w - - 0 1,a1a8",
                      "new,force,setboard 6k1/5ppp/8/8/8/8/5PPP/R5K1 w - - 0 1,analyze,a1a8,exit",
                      "new,setboard 6k1/5ppp/8/8/8/8/5PPP/R5K1 w - - 0 1,a1a8|1-0 {White mates}",
                      "new,setboard r5k1/5ppp/8/8/8/8/5PPP/6K1 b - - 0 1,a8a1|0-1 {Black mates}",
                      "new,setboard 7k/8/6Q1/8/8/8/8/K7 w - - 0 1,g6f7|1/2-1/2 {Stalemate}"),
    paramName<std::string>);

// Pondering: the expected reply hit, missed, or ponder switched off meanwhile.
class ProtoWinboardPonder : public ::testing::TestWithParam<std::string> {};

TEST_P(ProtoWinboardPonder, GameStaysConsistent) {
    WbEngine e;
    MoveOracle oracle({"e2e4"});
    for (const char* line : {"new", "hard", "st 1", "e2e4"}) e.send(line);
    std::string answer = e.nextMove();
    ASSERT_TRUE(oracle.play(answer)) << answer;
    std::string hint = e.waitPrefix("Hint: ", 3000);
    ASSERT_TRUE(startsWith(hint, "Hint: ")) << hint;
    std::string expected = hint.substr(6);
    ASSERT_TRUE(oracle.legal(expected));
    std::string reply = expected;
    if (GetParam() != "Hit") reply = expected == "a2a3" ? "h2h3" : "a2a3";
    if (GetParam() == "Easy") {
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

INSTANTIATE_TEST_SUITE_P(Events, ProtoWinboardPonder, ::testing::Values("Hit", "Miss", "Easy"),
                         paramName<std::string>);

// Match runners send the opponent's move in force mode and then "go", while the engine
// still ponders on a short clock: the reply is made once, the engine answers it once, and
// a new game leaves nothing of the old one behind.
TEST_P(ProtoWinboardPonder, ReplyInForceModeThenGo) {
    WbEngine e;
    MoveOracle oracle(std::vector<std::string>{});
    for (const char* line : {"new", "hard", "level 0 0:01 0.01", "time 100", "otim 100", "go"}) e.send(line);
    std::string answer = e.nextMove();
    ASSERT_TRUE(oracle.play(answer)) << answer;
    std::string expected = e.waitPrefix("Hint: ", 3000).substr(6);
    ASSERT_TRUE(oracle.legal(expected)) << expected;
    std::string reply = GetParam() == "Hit" ? expected : (expected == "a7a6" ? "h7h6" : "a7a6");
    for (const std::string& line :
         {std::string("time 90"), std::string("otim 90"), std::string("force"), reply, std::string("go")})
        e.send(line);
    oracle.play(reply);
    answer = e.nextMove(5000);
    EXPECT_TRUE(oracle.play(answer)) << answer;
    e.send("force");
    e.send("new");
    EXPECT_TRUE(e.sync(4));
    EXPECT_EQ(e.countPrefix("move "), 2) << "a move after force/new";
}

// A ponder search that ended by itself (a depth limit) waits for the opponent's move. "easy" or
// "force" then ends the wait without a move; the opponent's move (not the expected one) is
// answered, in force mode after "go".
TEST(ProtoWinboard, EasyOrForceAfterAFinishedPonderSearchPlaysNothing) {
    for (const std::string word : {"easy", "force"}) {
        WbEngine e;
        MoveOracle oracle({"e2e4"});
        for (const char* line : {"new", "hard", "sd 2", "e2e4"}) e.send(line);
        std::string answer = e.nextMove();
        ASSERT_TRUE(oracle.play(answer)) << answer;
        const std::string reply = e.waitPrefix("Hint: ", 3000) == "Hint: a2a3" ? "h2h3" : "a2a3";
        e.collect(300);
        e.send(word);
        EXPECT_TRUE(e.sync(2));
        e.collect(500);
        EXPECT_EQ(e.countPrefix("move "), 1) << word;
        e.send(reply + (word == "force" ? "\ngo" : ""));
        ASSERT_TRUE(oracle.play(reply));
        answer = e.nextMove();
        EXPECT_TRUE(oracle.play(answer)) << word << " " << answer;
    }
}

// The expected reply after a ponder search that ended by itself is a hit: the pondered answer is
// played at once, with no new thinking (the hint is a move of Black's, from rank 7 or 8).
TEST(ProtoWinboard, HitAfterAFinishedPonderSearchPlaysAtOnce) {
    WbEngine e;
    for (const char* line : {"new", "hard", "sd 2", "post", "go"}) e.send(line);
    ASSERT_NE(e.nextMove(), "");
    const std::string hint = e.waitPrefix("Hint: ", 3000);
    ASSERT_TRUE(startsWith(hint, "Hint: ")) << hint;
    e.collect(300);
    ASSERT_TRUE(e.sync(1));
    e.send(hint.substr(6));
    EXPECT_TRUE(startsWith(e.waitPrefix(""), "move ")) << "thinking again after " << hint;
}

// The ponder search starts with the clock of 1000 s sent before the engine's move; the hit comes with
// 1 s left, and the answer follows at once (about 50 ms of budget, counted from the ponder start).
TEST(ProtoWinboard, PonderHitTakesTheClockSentWithTheMove) {
    WbEngine e;
    for (const char* line : {"new", "hard", "level 0 100 0", "time 100000", "otim 100000", "e2e4"})
        e.send(line);
    e.collect(300);
    e.send("?");
    ASSERT_NE(e.nextMove(), "");
    std::string hint = e.waitPrefix("Hint: ", 3000);
    ASSERT_TRUE(startsWith(hint, "Hint: ")) << hint;
    e.send("time 100\notim 100\n" + hint.substr(6));
    EXPECT_NE(e.nextMove(3000), "");
}

TEST(ProtoWinboard, AnalysisPingAndNewWhileThinkingPrintNoMove) {
    WbEngine e;
    MoveOracle oracle({"e2e4"});
    for (const char* line : {"new", "force", "e2e4", "post", "analyze"}) e.send(line);
    e.collect(300);
    e.send("e7e5");  // a move while analysing: the analysis goes on in the new position
    ASSERT_TRUE(oracle.play("e7e5"));
    e.collect(300);
    e.send("exit");
    EXPECT_TRUE(e.sync(4));
    EXPECT_EQ(e.countPrefix("move "), 0);
    bool thinking = false;
    for (const std::string& l : e.seen) thinking |= !l.empty() && isdigit((unsigned char)l[0]);
    EXPECT_TRUE(thinking);
    e.send("sd 3\ngo");
    std::string answer = e.nextMove();
    EXPECT_TRUE(oracle.legal(answer)) << answer;

    // "ping" while thinking is answered at once and the move follows; "new" starts a fresh game instead.
    for (const char* line : {"new", "st 1", "go"}) e.send(line);
    e.collect(100);
    EXPECT_TRUE(e.sync(5));
    EXPECT_EQ(e.countPrefix("move "), 1);
    EXPECT_NE(e.nextMove(3000), "");
    for (const char* line : {"new", "st 5", "go"}) e.send(line);
    e.collect(200);
    e.send("new");
    EXPECT_TRUE(e.sync(6));
    EXPECT_EQ(e.countPrefix("move "), 2);
    e.send("sd 2\ne2e4");
    answer = e.nextMove();
    EXPECT_TRUE(MoveOracle({"e2e4"}).legal(answer)) << answer;
}

// Clock and limit commands, in-process.
class WinboardClock : public ::testing::Test {
protected:
    void SetUp() override {
        saved = board, board = nullptr, guiMode = 2;
        testing::internal::CaptureStdout();
        run("xboard");
        output = testing::internal::GetCapturedStdout();
    }
    void TearDown() override {
        board->free(), delete board;
        board = saved, guiMode = 0;
    }
    void run(std::string text) { parseWinboard(&text[0]); }
    ChessBoardUCI* saved = nullptr;
    std::string output;
};

TEST_F(WinboardClock, LevelTimeOtimStAndSd) {
    EXPECT_EQ(output, std::string(FEATURE_LINE) + "\n");
    int side = (int)board->node.side;
    auto clock = [&] { return std::make_tuple(board->clockTime[side], board->movesToGo, board->searchMode); };
    run("level 40 5 0");
    EXPECT_EQ(clock(), std::make_tuple(300000.0f, 40u, (int)SEARCH_CLOCK));
    run("level 0 0:30 2");
    EXPECT_EQ(clock(), std::make_tuple(30000.0f, 0u, (int)SEARCH_CLOCK));
    EXPECT_EQ(std::make_pair(board->timeIncrement[WHITE], board->timeIncrement[BLACK]),
              std::make_pair(2000, 2000));
    run("level 40 " + std::string(200, '9') + ":" + std::string(200, '9') + " 0");  // cut, no overflow
    run("time 6000");
    run("otim 500");
    EXPECT_EQ(std::make_pair(board->clockTime[side ^ 1], board->clockTime[side]),
              std::make_pair(60000.0f, 5000.0f));
    run("st 10");
    EXPECT_EQ(std::make_pair(board->searchMode, board->moveTime),
              std::make_pair((int)SEARCH_MOVETIME, 10000000u));
    run("sd 6");
    EXPECT_EQ(std::make_pair(board->searchMode, board->depthLimit), std::make_pair((int)SEARCH_DEPTH, 6));
    run("sd 100000");
    EXPECT_EQ(board->depthLimit, MAX_PLY - 1);
}

// The budget of a game's first search, in microseconds: "time" is the engine's clock whichever colour
// it turns out to play, and the same clock gives the same budget under UCI (a thirtieth of 1 s plus the
// 10 ms increment, doubled for the first search).
TEST_F(WinboardClock, FirstBudgetFollowsTheEngineColourAsUnderUci) {
    for (const char* lines :
         {"level 0 1 0.01|time 100|otim 200|go", "level 0 0:01 0.01|otim 200|time 100|e2e4",
          "uci|go wtime 1000 btime 2000 winc 10 binc 10"}) {
        std::vector<std::string> l = splitOn(lines, '|');
        testing::internal::CaptureStdout();
        run("xboard");
        board->inputPollPeriod = 0xFFFFFFFFu;  // the search never reads this process's input
        guiMode = l[0] == "uci" ? 1 : 2;
        for (size_t i = guiMode == 1; i < l.size(); i++) guiMode == 1 ? (void)parseUCI(&l[i][0]) : run(l[i]);
        guiMode = 2;
        testing::internal::GetCapturedStdout();
        EXPECT_EQ(board->timeLimit, 86666u) << lines;
    }
}

}  // namespace
