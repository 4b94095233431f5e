// PGN text: the game library reads it, the book builder builds a book from
// it (depth and count from the first two bytes). Replaying each game's moves,
// every book move stored for a position reached must be a legal move there,
// and the written book reads back with the same positions.
#include <cstring>

#include "book/openingbook.h"
#include "book/pgn.h"
#include "fuzz_common.h"

FUZZ_TARGET(pgn) {
    fuzzInit();
    if (size < 2) return 0;
    const int depth = 1 + data[0] % 12, count = 1 + data[1] % 3;
    const std::string pgn = writeScratch("games.pgn", data + 2, size - 2);
    const std::string bin = writeScratch("book.bin", nullptr, 0);

    ChessGameLibrary library;
    FUZZ_CHECK(library.load(pgn), pgn);
    for (const ChessGame& g : library.games)
        for (const ChessGameMove& m : g.moves) FUZZ_CHECK(strlen(m.move) < sizeof m.move, m.move);

    ChessBoardUCI* b = fuzzBoard();
    openingBook.clear();
    FUZZ_CHECK(b->buildOpeningBook(pgn, bin, depth, count) == 1, "buildOpeningBook");
    FUZZ_CHECK(b->node.ply == 0 && fenOf(*b) == "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 0",
               fenOf(*b));
    ChessOpeningBook reread;
    FUZZ_CHECK(reread.load(bin) && reread.nodes.size() == openingBook.nodes.size(), "book file");

    ChessBoardNode& n = b->node;
    for (size_t g = 0; g < library.games.size() && g < 16; g++) {
        b->setStartPosition();
        const std::vector<ChessGameMove>& moves = library.games[g].moves;
        for (size_t i = 0; i < moves.size() && (int)i < depth; i++) {
            b->countLegalMoves();
            if (const ChessOpeningBookNode* node = openingBook.findPosition(n.hashKey))
                for (uint32_t k = 0; k < node->numMoves && k < 16; k++) {
                    const ChessMove m = node->moves[k].move;
                    FUZZ_CHECK(isGenerated(n, m) && enginePlays(n, m),
                               fenOf(*b) + " book move " + moves[i].move);
                }
            ChessMove m(0);
            if (!b->createMove(moves[i].move, m) || !enginePlays(n, m)) break;
            n.makeMove(m);
            checkConsistent(n, moves[i].move);
        }
    }
    openingBook.clear();
    return 0;
}
