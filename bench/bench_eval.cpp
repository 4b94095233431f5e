// Evaluation speed over the test positions, the exchange evaluation over
// their captures, and one make/unmake pair for scale.
#include <benchmark/benchmark.h>

#include <fstream>
#include <string>
#include <vector>

#include "frontend/chessboarduci.h"

namespace {

struct Positions {
    ChessBoardUCI* board;
    std::vector<ChessBoardNode> nodes;
    Positions() : board(new ChessBoardUCI) {
        board->init(16);
        for (const char* name : {"perft.epd", "bk.epd"}) {
            std::ifstream in(std::string(PELLUX_TEST_DATA) + "/" + name);
            std::string line;
            while (std::getline(in, line))
                if (board->setFENPosition(line.c_str())) nodes.push_back(board->node);
        }
    }
};

Positions& positions() {
    static Positions* p = new Positions;
    return *p;
}

// Argument 0: full evaluation; 1: with the lazy exit and a narrow window.
void BM_Evaluate(benchmark::State& state) {
    std::vector<ChessBoardNode>& nodes = positions().nodes;
    const int lazy = (int)state.range(0), window = lazy ? 50 : 32000;
    size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(nodes[i].evaluate(-window, window, lazy));
        if (++i == nodes.size()) i = 0;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Evaluate)->Arg(0)->Arg(1);

void BM_EvalMakeUnmakePair(benchmark::State& state) {
    ChessBoardUCI* b = positions().board;
    b->setFENPosition("r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1");
    ChessMoveSort list[256];
    const int n = b->node.generateMoves(list, 0);
    int i = 0;
    for (auto _ : state) {
        b->node.makeMove(list[i].move);
        b->node.unMakeMove(list[i].move);
        if (++i == n) i = 0;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_EvalMakeUnmakePair);

// Every capture of one test position per iteration; only the fields the
// exchange evaluation reads are copied in when the position changes.
void BM_StaticExchange(benchmark::State& state) {
    Positions& p = positions();
    std::vector<std::vector<ChessMove>> captures(p.nodes.size());
    for (size_t k = 0; k < p.nodes.size(); k++) {
        ChessMoveSort list[256];
        const int n = p.nodes[k].generateMovesC(list);
        for (int j = 0; j < n; j++) captures[k].push_back(list[j].move);
    }
    ChessBoardNode& target = p.board->node;
    size_t k = 0;
    int64_t evaluated = 0;
    for (auto _ : state) {
        const ChessBoardNode& from = p.nodes[k];
        target.bbOccupied = from.bbOccupied;
        for (int c = 0; c < 2; c++) {
            target.bbColour[c] = from.bbColour[c];
            for (int t = 0; t < 8; t++) target.bbPiece[c][t] = from.bbPiece[c][t];
        }
        target.side = from.side;
        target.xside = from.xside;
        for (ChessMove m : captures[k]) benchmark::DoNotOptimize(p.board->staticExchangeEvaluation(m));
        evaluated += (int64_t)captures[k].size();
        if (++k == p.nodes.size()) k = 0;
    }
    state.SetItemsProcessed(evaluated);
}
BENCHMARK(BM_StaticExchange);

}  // namespace
