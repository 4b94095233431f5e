// The parallel search: what one thread finds is not changed by threads run
// before, threaded answers are legal and come once, limits hold over all
// threads, and the thread count follows the options. The ThreadSanitizer
// build (make test-tsan) runs these against its own program.
#include <dirent.h>

#include <fstream>
#include <random>

#include "search/threads.h"
#include "tests/proto_helpers.h"
#include "tests/search_test_board.h"

namespace {

// Helper threads of a running process, by the name they give themselves.
int helpersOf(long pid) {
    const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
    DIR* dir = opendir(tasks.c_str());
    int count = 0;
    while (dirent* entry = dir ? readdir(dir) : nullptr) {
        std::string name;
        std::getline(std::ifstream(tasks + "/" + entry->d_name + "/comm"), name);
        count += name == "pellux helper";
    }
    if (dir) closedir(dir);
    return count;
}

int helpersOf(EngineProcess& e) { return helpersOf((long)e.processId()); }

// The value of the word after `name` in a line, or -1.
long long fieldOf(const std::string& line, const std::string& name) {
    const std::vector<std::string> words = splitOn(line, ' ');
    for (size_t i = 0; i + 1 < words.size(); i++)
        if (words[i] == name) return std::stoll(words[i + 1]);
    return -1;
}

// The answer of one "go": its bestmove line and the last thinking line before it.
struct Answer {
    std::string best, info;
};

// Lines already read from index `from` on count too (a pause may have read the answer).
Answer awaitBestMove(EngineProcess& e, size_t from = ~(size_t)0, int timeoutMs = 20000) {
    Answer a;
    for (size_t i = from; i < e.seen.size(); i++) {
        const std::string& line = e.seen[i];
        if (startsWith(line, "info depth") && line.find(" pv ") != std::string::npos) a.info = line;
        if (startsWith(line, "bestmove")) {
            a.best = line;
            return a;
        }
    }
    std::string line;
    while (e.nextLine(line, "", timeoutMs)) {
        if (startsWith(line, "info depth") && line.find(" pv ") != std::string::npos) a.info = line;
        if (startsWith(line, "bestmove")) {
            a.best = line;
            break;
        }
    }
    return a;
}

void handshake(EngineProcess& e, int threads) {
    std::string line;
    e.send("uci");
    ASSERT_TRUE(e.nextLine(line, "uciok")) << line;
    e.send("setoption name Threads value " + std::to_string(threads));
    e.send("isready");
    ASSERT_TRUE(e.nextLine(line, "readyok")) << line;
}

// Checks "bestmove X [ponder Y]" against the position on a private board.
void expectLegalAnswer(const std::string& fen, const std::string& best) {
    const std::vector<std::string> words = splitOn(best, ' ');
    ASSERT_GE(words.size(), 2u) << best;
    MoveOracle oracle;
    ASSERT_EQ(oracle.b->setFENPosition(fen.c_str()), 1) << fen;
    ASSERT_TRUE(oracle.legal(words[1])) << fen << ": " << best;
    if (words.size() >= 4 && words[2] == "ponder") {
        ASSERT_TRUE(oracle.play(words[1]));
        EXPECT_TRUE(oracle.legal(words[3])) << fen << ": " << best;
    }
}

// Varied positions: the perft suite's openings, middle games, endgames and
// positions in check (the FEN part of each line).
std::vector<std::string> suitePositions(size_t most) {
    std::ifstream in(std::string(PELLUX_TEST_DATA) + "/perft.epd");
    std::vector<std::string> fens;
    for (std::string line; std::getline(in, line) && fens.size() < most;)
        if (!line.empty()) fens.push_back(line.substr(0, line.find(" ;")));
    return fens;
}

const char* const FIXED_POSITIONS[] = {
    "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
    "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
    "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1",
};

// A fixed-depth search of each position after "ucinewgame": the nodes and the move.
std::vector<std::string> fixedDepthRuns(EngineProcess& e) {
    std::vector<std::string> runs;
    for (const char* fen : FIXED_POSITIONS) {
        e.send("ucinewgame");
        e.send(std::string("position fen ") + fen);
        e.send("go depth 8");
        const Answer a = awaitBestMove(e);
        runs.push_back(std::to_string(fieldOf(a.info, "nodes")) + " " + a.best);
    }
    return runs;
}

TEST(Threads, OneThreadSearchesAlikeBeforeAndAfterAFourThreadRun) {
    EngineProcess e;
    handshake(e, 1);
    EXPECT_EQ(helpersOf(e), 0) << "one search thread: no helper exists";
    const std::vector<std::string> before = fixedDepthRuns(e);

    e.send("setoption name Threads value 4");
    e.send("isready");
    std::string line;
    ASSERT_TRUE(e.nextLine(line, "readyok"));
    EXPECT_EQ(helpersOf(e), 3);
    for (const char* fen : FIXED_POSITIONS) {
        e.send(std::string("position fen ") + fen);
        e.send("go depth 7");
        expectLegalAnswer(fen, awaitBestMove(e).best);
    }

    e.send("setoption name Threads value 1");
    const std::vector<std::string> after = fixedDepthRuns(e);
    EXPECT_EQ(helpersOf(e), 0) << "the helpers are ended";
    EXPECT_EQ(before, after);
    for (const std::string& run : before) EXPECT_GT(std::stoll(run), 0) << run;
}

TEST(Threads, EveryThreadedAnswerIsLegal) {
    EngineProcess e;
    handshake(e, 3);
    e.send("setoption name Ponder value true");
    const char* const limits[] = {"go depth 5", "go movetime 30", "go nodes 20000", "go wtime 400 btime 400"};
    int k = 0;
    for (const std::string& fen : suitePositions(40)) {
        e.send("position fen " + fen);
        e.send(limits[k++ % 4]);
        const Answer a = awaitBestMove(e);
        expectLegalAnswer(fen, a.best);
    }
}

TEST(Threads, MultiPVAndSearchMovesHoldWithThreads) {
    EngineProcess e;
    handshake(e, 2);
    e.send("setoption name MultiPV value 3");
    e.send("position startpos");
    e.send("go depth 7");
    std::string line;
    ASSERT_TRUE(e.nextLine(line, "info multipv 3 depth 7"));
    ASSERT_TRUE(e.nextLine(line, "bestmove"));
    expectLegalAnswer(FIXED_POSITIONS[0], line);

    e.send("setoption name MultiPV value 1");
    e.send("position startpos");
    e.send("go depth 7 searchmoves a2a3 h2h4");
    const Answer a = awaitBestMove(e);
    EXPECT_TRUE(startsWith(a.best, "bestmove a2a3") || startsWith(a.best, "bestmove h2h4")) << a.best;
    EXPECT_TRUE(a.info.find(" pv a2a3") != std::string::npos || a.info.find(" pv h2h4") != std::string::npos)
        << a.info;
}

// Node limits are counted over every thread: the helpers stop by themselves
// once the threads together reach it, each within its next 256 node calls.
TEST(Threads, NodeLimitCountsEveryThread) {
    ASSERT_EQ(setSearchThreads(4), 4);
    for (const char* fen : FIXED_POSITIONS) {
        BoardPtr b = makeSearchBoard(fen);
        b->setEngineSearchMode(SEARCH_NODES, 300000, 0);
        b->computerPlay(0);
        const unsigned long long total = countNodes + helperNodes();
        EXPECT_GE(total, 300000u) << fen;
        EXPECT_LE(total, 300000u + 4 * 1024) << fen;
        ASSERT_EQ(b->gameMoveCount, 1u);
    }
    EXPECT_EQ(setSearchThreads(0), 1);
    EXPECT_EQ(searchThreadCount(), 1);
}

// Short searches one straight after another, the table cleared between
// some: each search and each clearing reaches the helpers once, whether they
// wait for their next task spinning (a core each) or asleep (five threads on
// a machine with fewer cores).
TEST(Threads, BackToBackShortSearchesReachTheHelpers) {
    for (int threads : {2, 5}) {
        ASSERT_EQ(setSearchThreads(threads), threads);
        BoardPtr b = makeSearchBoard(FIXED_POSITIONS[1]);
        for (int round = 0; round < 300; round++) {
            if (round % 7 == 0) clearHashTable();
            b->setEngineSearchMode(SEARCH_NODES, 40 + round % 300, 0);
            b->computerPlay(0);
            ASSERT_EQ(b->gameMoveCount, 1u) << threads << " threads, round " << round;
            EXPECT_LE(countNodes + helperNodes(), 40u + round % 300 + (unsigned)threads * 1024);
            b->takeBack();
        }
    }
    EXPECT_EQ(setSearchThreads(1), 1);
}

// A new game empties the table, in parts when helpers share the clearing, and
// once emptied it is emptied again after the next search has stored into it.
TEST(Threads, EveryClearEmptiesWhatTheSearchesStored) {
    const auto stored = [] {
        uint64_t used = 0;
        for (uint64_t i = 0; i < hashTable.size; i++)
            used += (hashTable.entries[i].check | hashTable.entries[i].data) != 0;
        return used;
    };
    BoardPtr b = makeSearchBoard(FIXED_POSITIONS[1]);
    for (int threads : {1, 3}) {
        ASSERT_EQ(setSearchThreads(threads), threads);
        for (int round = 0; round < 2; round++) {
            b->setFENPosition(FIXED_POSITIONS[1]);
            b->setEngineSearchMode(SEARCH_DEPTH, 3, 0);
            b->inputPollPeriod = 0xFFFFFFFFu;  // a new game set it back
            b->computerPlay(0);
            ASSERT_GT(stored(), 0u) << threads << " threads, round " << round;
            b->newGame();
            EXPECT_EQ(stored(), 0u) << threads << " threads, round " << round;
        }
    }
    EXPECT_EQ(setSearchThreads(1), 1);
}

// Kept helper threads: ended helpers sleep on, and helpers made later take
// them over, whatever their number, and search as new ones would.
TEST(Threads, KeptHelperThreadsAreTakenOverAndSearch) {
    keepHelperThreads = true;
    BoardPtr b = makeSearchBoard(FIXED_POSITIONS[1]);
    for (int threads : {4, 1, 2, 3, 1, 4, 2}) {
        ASSERT_EQ(setSearchThreads(threads), threads);
        EXPECT_EQ(helpersOf((long)getpid()), 3) << "no thread made beyond the most asked for";
        int helped = 0;
        for (int round = 0; round < 20; round++) {
            b->setEngineSearchMode(SEARCH_NODES, 2000, 0);
            b->computerPlay(0);
            ASSERT_EQ(b->gameMoveCount, 1u) << threads << " threads, round " << round;
            helped += helperNodes() > 0;
            b->takeBack();
        }
        if (threads > 1) {
            EXPECT_GT(helped, 0) << threads << " threads: the helpers searched";
        }
    }
    EXPECT_EQ(setSearchThreads(1), 1);
    keepHelperThreads = false;
    EXPECT_EQ(setSearchThreads(1), 1);
    EXPECT_EQ(helpersOf((long)getpid()), 0) << "kept threads end once no longer kept";
}

// Searches with 2 and 4 threads ended at random moments by each of the
// commands that end or interrupt one, and by options and new games between
// them: every "go" gets exactly one legal "bestmove", and "isready" its answer.
TEST(Threads, SearchesStopCleanlyAtRandomMoments) {
    std::mt19937 random(20261209);
    const std::vector<std::string> fens = suitePositions(84);
    for (int threads : {2, 4}) {
        EngineProcess e;
        handshake(e, threads);
        e.send("setoption name Ponder value true");
        for (int round = 0; round < 24; round++) {
            const std::string& fen = fens[random() % fens.size()];
            const int pause = (int)(random() % 40);
            const int how = round % 6;
            e.send("position fen " + fen);
            const size_t from = e.seen.size();
            e.send(how == 2 ? "go ponder wtime 2000 btime 2000" : how == 5 ? "go depth 40" : "go infinite");
            e.collect(pause);
            std::string line;
            switch (how) {
                case 0:
                case 5:
                    e.send("stop");
                    break;
                case 1:
                    e.send("isready");
                    ASSERT_TRUE(e.nextLine(line, "readyok")) << "isready during a search";
                    e.send("stop");
                    break;
                case 2:
                    e.send("ponderhit");
                    break;
                case 3:
                    e.send("setoption name Hash value 8");
                    e.send("setoption name Threads value " + std::to_string(threads == 2 ? 3 : 2));
                    e.send("stop");
                    break;
                case 4:
                    // A search cut short by it answers "bestmove 0000"; an infinite one
                    // that ended by itself waits for the stop.
                    e.send("ucinewgame");
                    e.send("stop");
                    break;
            }
            const Answer a = awaitBestMove(e, from);
            ASSERT_FALSE(a.best.empty()) << threads << " threads, round " << round << ", " << fen
                                         << ", last line " << (e.seen.empty() ? "" : e.seen.back());
            if (how != 4) expectLegalAnswer(fen, a.best);
            if (how == 3) e.send("setoption name Threads value " + std::to_string(threads));
            e.send("isready");
            ASSERT_TRUE(e.nextLine(line, "readyok"));
        }
        // Exactly one bestmove per go.
        int answers = 0;
        for (const std::string& seen : e.seen) answers += startsWith(seen, "bestmove");
        EXPECT_EQ(answers, 24);
        // The end: "quit" or the end of input during a search ends the program at once.
        e.send("go infinite");
        e.collect((int)(random() % 40));
        if (threads == 2)
            e.send("quit");
        else
            e.closeInput();
        EXPECT_GE(e.waitExit(), 0) << "the program ends";
    }
}

// The configuration file's Threads key and WinBoard's "cores" and "memory".
TEST(Threads, IniFileAndWinBoardSetTheThreads) {
    EngineProcess e(false);
    std::ofstream(e.directory() + "/pellux.ini") << "[Engine]\nThreads=3\n";
    e.start();
    std::string line;
    e.send("xboard");
    e.send("protover 2");
    ASSERT_TRUE(e.nextLine(line, "feature"));
    EXPECT_NE(line.find(" smp=1 memory=1 "), std::string::npos) << line;
    e.send("ping 1");
    ASSERT_TRUE(e.nextLine(line, "pong 1"));
    EXPECT_EQ(helpersOf(e), 2);
    e.send("cores 2");
    e.send("memory 64");
    e.send("new");
    e.send("post");
    e.send("st 0.2");
    e.send("go");
    ASSERT_TRUE(e.nextLine(line, "move "));
    EXPECT_EQ(helpersOf(e), 1);
    MoveOracle oracle;
    EXPECT_TRUE(oracle.legal(line.substr(5))) << line;
    e.send("cores 0");
    e.send("ping 2");
    ASSERT_TRUE(e.nextLine(line, "pong 2"));
    EXPECT_EQ(helpersOf(e), 0) << "out of range: brought to one";
    e.send("quit");
    EXPECT_GE(e.waitExit(), 0);
}

}  // namespace
