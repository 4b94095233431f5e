// FEN text (X-FEN and Shredder-FEN castling fields among them): parsing, the
// stricter check and mirroring, the castling rights the text grants; a position that loads
// is walked two plies deep with the full consistency check at every node, and
// the perft forms count it without changing it.
#include <cstring>
#include <vector>

#include "fuzz_common.h"
#include "movegen/movegen.h"

namespace {

// Legal moves to depth, checked at every node: each generated move (a king
// capture aside) passes validMove, make and unmake keep the position whole.
unsigned long long walk(ChessBoardNode& n, int depth, const std::string& fen) {
    ChessMoveSort list[256];
    int count = n.generateMovesC(list);
    count += n.generateMovesNC(list + count);
    unsigned long long nodes = 0;
    const uint64_t key = n.hashKey;
    for (int i = 0; i < count; i++) {
        const ChessMove m = list[i].move;
        if (m.captured() == KING) continue;
        FUZZ_CHECK(n.validMove(m), fen);
        n.makeMove(m);
        if (!n.moverInCheck()) {
            checkConsistent(n, fen);
            nodes += depth > 1 ? walk(n, depth - 1, fen) : 1;
        }
        n.unMakeMove(m);
        FUZZ_CHECK(n.hashKey == key, fen);
    }
    return nodes;
}

}  // namespace

FUZZ_TARGET(fen) {
    fuzzInit();
    const std::string text((const char*)data, size);
    const char* s = text.c_str();
    char squares[64];
    int side, castle, ep, fullmove, fifty;
    const int ok = setFENString(s, squares, side, castle, ep, fullmove, fifty);
    FUZZ_CHECK(ok || !checkFENString(s), "checkFENString accepts what setFENString refuses");
    std::vector<char> mirrored(strlen(s) + 1);
    if (reverseFENString(s, mirrored.data()))
        FUZZ_CHECK(strlen(mirrored.data()) == strlen(s), s);
    else
        FUZZ_CHECK(mirrored[0] == 0, s);
    if (!ok) return 0;
    FUZZ_CHECK(castle >= 0 && castle < (1 << 16) && ep >= 0 && ep <= 8, s);

    ChessBoardUCI* b = fuzzBoard();
    b->setPosition(squares, side, castle, ep, fullmove, fifty);
    ChessBoardNode& n = b->node;
    checkConsistent(n, s);
    const std::string fen = fenOf(*b);
    // A right read from the text has its king on the first rank and its rook
    // there on the king's side; the written X-FEN names the same rooks.
    CastlingRules rules = n.castling;
    for (unsigned right = 0; right < 4; right++) {
        if (!(n.castle & (1u << right))) continue;
        const unsigned colour = (right >> 1) ^ 1, king = n.castling.kingFrom[colour],
                       rook = rules.rookFrom[right];
        FUZZ_CHECK(n.kingSquare[colour] == king && (n.bbPiece[colour][KING] & bbMask[king]) &&
                       (n.bbPiece[colour][ROOK] & bbMask[rook]) && (right & 1 ? rook < king : rook > king),
                   s);
    }
    FUZZ_CHECK(b->setFENPosition(fen.c_str()) && fenOf(*b) == fen, fen);
    for (unsigned right = 0; right < 4; right++)
        if (n.castle & (1u << right)) FUZZ_CHECK(n.castling.rookFrom[right] == rules.rookFrom[right], fen);

    // The written FEN mirrors to a readable position with the colours swapped, and back.
    char flipped[128], back[128];
    FUZZ_CHECK(reverseFENString(fen.c_str(), flipped) && reverseFENString(flipped, back), fen);
    FUZZ_CHECK(fen == back, fen);
    const uint64_t material = n.materialKey;
    const unsigned sideToMove = n.side, rights = n.castle;
    const bool bothKings = n.bbPiece[WHITE][KING] && n.bbPiece[BLACK][KING];
    const bool legal = bothKings && !movegen::kingAttacked(n, n.xside);
    const int score = n.evaluate(-MATE_VALUE, MATE_VALUE, 0);
    const unsigned long long nodes = walk(n, 2, fen);
    if (legal) FUZZ_CHECK(b->searchAllMoves(&n, 2) == nodes, fen);
    b->perftd(2);
    b->divide(&n, 2);
    b->countLegalMoves();
    FUZZ_CHECK(fenOf(*b) == fen, fen);
    checkConsistent(n, fen);

    FUZZ_CHECK(b->setFENPosition(flipped), flipped);
    FUZZ_CHECK(n.side == (sideToMove ^ 1) && n.castle == (((rights & 3u) << 2) | (rights >> 2)), flipped);
    for (unsigned right = 0; right < 4; right++)
        if (n.castle & (1u << right))
            FUZZ_CHECK(n.castling.rookFrom[right] == (rules.rookFrom[right ^ 2] ^ 56), flipped);
    FUZZ_CHECK(n.materialKey == ((material >> 32) | (material << 32)), flipped);
    if (bothKings) {
        FUZZ_CHECK(n.evaluate(-MATE_VALUE, MATE_VALUE, 0) == score, fen + " mirrored " + flipped);
        FUZZ_CHECK(walk(n, 2, flipped) == nodes, fen + " mirrored " + flipped);
    }
    return 0;
}
