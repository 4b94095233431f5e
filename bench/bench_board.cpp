// Speed of the board core: make/unmake pairs, slider look-ups, key and FEN work.
#include <benchmark/benchmark.h>

#include <random>

#include "frontend/chessboarduci.h"

namespace {

ChessBoardUCI* boardFor(const char* fen) {
    static ChessBoardUCI* b = new ChessBoardUCI();
    b->setFENPosition(fen);
    return b;
}

const char* const KIWIPETE = "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1";

// One make and one unmake of every pseudo-legal move of a busy position.
void BM_MakeUnmake(benchmark::State& state) {
    ChessBoardNode& n = boardFor(KIWIPETE)->node;
    ChessMoveSort list[256];
    const int count = n.generateMoves(list, 0);
    for (auto _ : state) {
        for (int i = 0; i < count; i++) {
            n.makeMove(list[i].move);
            n.unMakeMove(list[i].move);
        }
        benchmark::DoNotOptimize(n.hashKey);
    }
    state.SetItemsProcessed(state.iterations() * count);
}
BENCHMARK(BM_MakeUnmake);

unsigned long long perft(ChessBoardNode& n, int depth) {
    ChessMoveSort list[256];
    const int count = n.generateMoves(list, n.sideInCheck());
    unsigned long long leaves = 0;
    for (int i = 0; i < count; i++) {
        n.makeMove(list[i].move);
        if (!n.moverInCheck()) leaves += depth > 1 ? perft(n, depth - 1) : 1;
        n.unMakeMove(list[i].move);
    }
    return leaves;
}

// A plain perft walk: generation, make, legality test and unmake together.
void BM_PerftKiwipete3(benchmark::State& state) {
    ChessBoardNode& n = boardFor(KIWIPETE)->node;
    unsigned long long leaves = 0;
    for (auto _ : state) leaves += perft(n, 3);
    state.SetItemsProcessed(leaves);
}
BENCHMARK(BM_PerftKiwipete3)->Unit(benchmark::kMillisecond);

void BM_SliderLookups(benchmark::State& state) {
    boardFor(KIWIPETE);
    std::mt19937_64 rng(1);
    BitBoard occ[256];
    for (BitBoard& o : occ) o = rng() & rng();
    unsigned i = 0;
    for (auto _ : state) {
        const BitBoard o = occ[i & 255];
        benchmark::DoNotOptimize(queenAttack(i & 63, o));
        i++;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SliderLookups);

void BM_SetFENPosition(benchmark::State& state) {
    ChessBoardUCI* b = boardFor(KIWIPETE);
    for (auto _ : state) benchmark::DoNotOptimize(b->setFENPosition(KIWIPETE));
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SetFENPosition);

}  // namespace
