// Book files: the bytes load as a book; then, in every position two plies
// from the start and in a few positions where castling, promotion and en
// passant are possible, the move the book offers and the engine would play
// must be a legal generated move. The engine then plays from the book the
// way a game does.
#include "book/openingbook.h"
#include "fuzz_common.h"

namespace {

const char* const ODD_POSITIONS[] = {
    "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
    "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R b KQkq - 0 1",
    "n1n5/PPPk4/8/8/8/8/4Kppp/5N1N w - - 0 1",
    "n1n5/PPPk4/8/8/8/8/4Kppp/5N1N b - - 0 1",
    "rnbqkbnr/ppp1p1pp/8/3pPp2/8/8/PPPP1PPP/RNBQKBNR w KQkq f6 0 3",
};

void checkBookMove(ChessBoardUCI* b, int depth) {
    ChessBoardNode& n = b->node;
    const ChessMove m = openingBook.findMove(n.hashKey);
    if (!m.isEmpty() && enginePlays(n, m)) {
        FUZZ_CHECK(isGenerated(n, m), fenOf(*b) + " book word " + std::to_string(m.moveInt));
        n.makeMove(m);
        checkConsistent(n, fenOf(*b));
        n.unMakeMove(m);
    }
    if (depth == 0) return;
    ChessMoveSort list[256];
    int count = n.generateMovesC(list);
    count += n.generateMovesNC(list + count);
    for (int i = 0; i < count; i++) {
        const ChessMove c = list[i].move;
        n.makeMove(c);
        if (!n.moverInCheck()) checkBookMove(b, depth - 1);
        n.unMakeMove(c);
    }
}

}  // namespace

FUZZ_TARGET(book) {
    fuzzInit();
    const std::string path = writeScratch("book.bin", data, size);
    openingBook.load(path);
    for (const ChessOpeningBookNode& node : openingBook.nodes) FUZZ_CHECK(node.numMoves <= 16, "numMoves");
    srand(1);
    ChessBoardUCI* b = fuzzBoard();
    checkBookMove(b, 2);
    for (const char* fen : ODD_POSITIONS) {
        b->setFENPosition(fen);
        checkBookMove(b, 1);
    }

    // The engine's own way, when the book has a move for the start or one of the odd-move positions.
    b = fuzzBoard();
    if (size % 2) b->setFENPosition(ODD_POSITIONS[size / 2 % 5]);
    srand(1);
    if (openingBook.findMove(b->node.hashKey).isEmpty()) return 0;
    const std::string before = fenOf(*b);
    b->bookEnabled = 1;
    b->bookMoveLimit = 20;
    b->setEngineSearchMode(SEARCH_NODES, 100, 0);
    srand(1);
    b->computerPlay(0);
    b->bookEnabled = 0;
    if (b->gameIndex > 0) {
        const ChessMove played = b->lastMove;
        checkConsistent(b->node, before);
        b->takeBack();
        FUZZ_CHECK(isGenerated(b->node, played) && enginePlays(b->node, played), before);
    }
    return 0;
}
