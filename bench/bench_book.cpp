// Book building and loading on large inputs: collections of random legal
// games (every game a distinct sequence), and books of many positions.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <random>
#include <string>

#include "book/openingbook.h"
#include "frontend/chessboarduci.h"

namespace {

ChessBoardUCI* sharedBoard() {
    static ChessBoardUCI* b = [] {
        ChessBoardUCI* x = new ChessBoardUCI();
        x->init(16);
        return x;
    }();
    return b;
}

// Writes games random legal games of 24 plies, in export form.
std::string writeRandomGames(int games) {
    std::string path =
        "/tmp/pellux_bench_book_" + std::to_string(getpid()) + "_" + std::to_string(games) + ".pgn";
    FILE* f = fopen(path.c_str(), "w");
    ChessBoardUCI* b = sharedBoard();
    std::mt19937 rng(games);
    char san[32];
    for (int g = 0; g < games; g++) {
        b->setStartPosition();  // not newGame: no need to clear the hash table per game
        fprintf(f, "[Event \"random %d\"]\n[Result \"%s\"]\n\n", g, g % 3 ? "1-0" : "1/2-1/2");
        for (int ply = 0; ply < 24; ply++) {
            ChessMoveSort legal[256];
            int n = 0, count = b->generateRootMoves();
            for (int i = 0; i < count; i++) {
                b->node.makeMove(b->rootMoveList[i].move);
                if (!b->node.moverInCheck()) legal[n++] = b->rootMoveList[i];
                b->node.unMakeMove(b->rootMoveList[i].move);
            }
            if (n == 0) break;
            ChessMove m = legal[rng() % n].move;
            m.textShort(san, b->rootMoveList, count);
            if (ply % 2 == 0) fprintf(f, "%d. ", ply / 2 + 1);
            fprintf(f, "%s ", san);
            b->node.makeMove(m);
        }
        fprintf(f, "%s\n\n", g % 3 ? "1-0" : "1/2-1/2");
    }
    fclose(f);
    return path;
}

// Build a depth-20 book from distinct random games (about 20 new positions each).
void BM_BuildRandomGames(benchmark::State& state) {
    const std::string pgn = writeRandomGames((int)state.range(0));
    const std::string bin = pgn + ".bin";
    for (auto _ : state) {
        openingBook.clear();
        sharedBoard()->buildOpeningBook(pgn, bin, 20, 1);
    }
    state.counters["positions"] = (double)openingBook.nodes.size();
    openingBook.clear();
    std::remove(pgn.c_str());
    std::remove(bin.c_str());
}
BENCHMARK(BM_BuildRandomGames)->Arg(10000)->Arg(100000)->Iterations(1)->Unit(benchmark::kMillisecond);

// Load a book of n positions: the time per position must not grow with n.
void BM_LoadBook(benchmark::State& state) {
    std::mt19937_64 rng(1);
    ChessOpeningBook book;
    for (int64_t i = 0; i < state.range(0); i++) book.addNode(rng(), ChessMove(0x1C), 3, 50, 20);
    const std::string bin = "/tmp/pellux_bench_load_" + std::to_string(getpid()) + ".bin";
    book.save(bin);
    for (auto _ : state) book.load(bin);
    state.SetItemsProcessed(state.iterations() * state.range(0));
    std::remove(bin.c_str());
}
BENCHMARK(BM_LoadBook)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
