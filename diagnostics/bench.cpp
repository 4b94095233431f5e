// "-bench": fixed-depth searches of a fixed list of positions. The total node
// count identifies the search's behaviour; both programs and every run give
// the same number.
#include "diagnostics/bench.h"

#include <sys/time.h>

#include <cstdio>

#include "board/chessboard.h"

namespace {

// Opening, middle game, endgame and tactical positions.
const char* const BENCH_POSITIONS[] = {
    "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
    "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
    "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1",
    "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1",
    "rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8",
    "r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - - 0 10",
    "rnbqkb1r/pp1p1ppp/4pn2/2p5/2PP4/2N5/PP2PPPP/R1BQKBNR w KQkq - 0 4",
    "r1bqkbnr/pppp1ppp/2n5/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R w KQkq - 2 3",
    "r1bq1rk1/ppp2ppp/2np1n2/2b1p3/2B1P3/2NP1N2/PPP2PPP/R1BQ1RK1 w - - 0 7",
    "2r3k1/pp3ppp/2n1b3/3p4/3P4/2N1B3/PP3PPP/2R3K1 w - - 0 20",
    "4rrk1/pp1n3p/3q2pQ/2p1pb2/2PP4/2P3N1/P2B2PP/4RRK1 b - - 7 19",
    "r3r1k1/2p2ppp/p1p1bn2/8/1q2P3/2NPQN2/PPP3PP/R4RK1 b - - 2 15",
    "r1bbk1nr/pp3p1p/2n5/1N4p1/2Np1B2/8/PPP2PPP/2KR1B1R w kq - 0 13",
    "r1bq1rk1/ppp1nppp/4n3/3p3Q/3P4/1BP1B3/PP1N2PP/R4RK1 w - - 1 16",
    "4r1k1/r1q2ppp/ppp2n2/4P3/5Rb1/1N1BQ3/PPP3PP/R5K1 w - - 1 17",
    "2rqkb1r/ppp2p2/2npb1p1/1N1Nn2p/2P1PP2/8/PP2B1PP/R1BQK2R b KQ - 0 11",
    "r1bq1r1k/b1p1npp1/p2p3p/1p6/3PP3/1B2NN2/PP3PPP/R2Q1RK1 w - - 1 16",
    "3r1rk1/p5pp/bpp1pp2/8/q1PP1P2/b3P3/P2NQRPP/1R2B1K1 b - - 6 22",
    "r1q2rk1/2p1bppp/2Pp4/p6b/Q1PNp3/4B3/PP1R1PPP/2K4R w - - 2 18",
    "4k2r/1pb2ppp/1p2p3/1R1p4/3P4/2r1PN2/P4PPP/1R4K1 b - - 3 22",
    "3q2k1/pb3p1p/4pbp1/2r5/PpN2N2/1P2P2P/5PP1/Q2R2K1 b - - 4 26",
    "6k1/5ppp/8/8/8/8/5PPP/3R2K1 w - - 0 1",
    "6k1/6p1/6Pp/ppp5/3pn2P/1P3K2/1PP2P2/3N4 b - - 0 1",
    "3b4/5kp1/1p1p1p1p/pP1PpP1P/P1P1P3/3KN3/8/8 w - - 0 1",
    "2K5/p7/7P/5pR1/8/5k2/r7/8 w - - 0 1",
    "8/6pk/1p6/8/PP3p1p/5P2/4KP1q/3Q4 w - - 0 1",
    "7k/3p2pp/4q3/8/4Q3/5Kp1/P6b/8 w - - 0 1",
    "8/2p5/8/2kPKp1p/2p4P/2P5/3P4/8 w - - 0 1",
    "8/k7/3p4/p2P1p2/P2P1P2/8/8/K7 w - - 0 1",
    "8/pp2r1k1/2p1p3/3pP2p/1P1P1P1P/P5KR/8/8 w - - 0 1",
    "5k2/7R/4P2p/5K2/p1r2P1p/8/8/8 b - - 0 1",
};
const int BENCH_POSITION_COUNT = (int)(sizeof BENCH_POSITIONS / sizeof BENCH_POSITIONS[0]);
const unsigned BENCH_HASH_MB = 16;

// The benchmark prints only its summary and never reads the console.
using BenchBoard = SilentBoard;

}  // namespace

int benchPositionCount() { return BENCH_POSITION_COUNT; }

const char* benchPosition(int index) {
    return index >= 0 && index < BENCH_POSITION_COUNT ? BENCH_POSITIONS[index] : nullptr;
}

unsigned long long runBenchSearch(int depth, long long* elapsed) {
    if (depth < 1) depth = 1;
    if (depth > MAX_PLY - 1) depth = MAX_PLY - 1;
    BenchBoard* b = new BenchBoard;
    b->init(BENCH_HASH_MB);
    unsigned long long nodes = 0;
    struct timeval start, stop;
    gettimeofday(&start, nullptr);
    for (int i = 0; i < BENCH_POSITION_COUNT; i++) {
        b->newGame();  // also clears the table, killers and history
        if (!b->setFENPosition(BENCH_POSITIONS[i])) continue;
        b->setEngineSearchMode(SEARCH_DEPTH, depth, 0);
        b->inputPollPeriod = NO_INPUT_POLL;
        b->bookEnabled = 0;
        b->multiPV = 1;
        b->ponderEnabled = 0;
        b->computerPlay(0);
        nodes += countNodes;
    }
    gettimeofday(&stop, nullptr);
    if (elapsed) *elapsed = elapsedMicroseconds(start, stop);
    b->free();
    delete b;
    return nodes;
}

int cmdBench(int depth) {
    if (depth <= 0) depth = BENCH_DEFAULT_DEPTH;
    long long elapsed = 0;
    const unsigned long long nodes = runBenchSearch(depth, &elapsed);
    printf("Nodes searched: %llu\n", nodes);
    printf("Nodes/second: %llu\n", elapsed > 0 ? nodes * 1000000ULL / (unsigned long long)elapsed : 0ULL);
    return 1;
}
