// Move text in and out: long algebraic and short algebraic printers, the
// short algebraic parser, the coordinate-move parsers that also play the move
// into the game record, and the key printer.
#include <cstdio>
#include <cstring>

#include "board/chessboard.h"
#include "movegen/movegen.h"

using namespace movegen;

namespace {

inline char* putSquare(char* p, unsigned sq) {
    *p++ = (char)('a' + fileOf(sq));
    *p++ = (char)('1' + rankOf(sq));
    return p;
}

inline char* putSuffix(char* p, const ChessMove& m) {
    if (m.isEnPassant()) {
        *p++ = 'e';
        *p++ = '.';
        *p++ = 'p';
    }
    if (m.promotion()) {
        *p++ = '=';
        *p++ = PieceName[m.promotion()];
    }
    if (m.checkMark() == 1)
        *p++ = '+';
    else if (m.checkMark() == 2)
        *p++ = '#';
    *p = 0;
    return p;
}

inline bool isFile(char c) { return c >= 'a' && c <= 'h'; }
inline bool isRank(char c) { return c >= '1' && c <= '8'; }

// The move word of a piece going from one square to another in this position:
// captured type from the board, a pawn's two-rank advance as a double push, and
// a pawn changing file onto an empty square (with en passant set) as en passant.
inline ChessMove moveFromSquares(const ChessBoardNode& n, unsigned from, unsigned to, unsigned piece,
                                 unsigned promotion, uint32_t flags) {
    unsigned captured = n.squarePiece[to];
    if (piece == PAWN) {
        if (rankOf(from) == rankOf(to) + 2 || rankOf(to) == rankOf(from) + 2)
            flags |= ChessMove::DOUBLE_PUSH_FLAG;
        if (fileOf(from) != fileOf(to) && captured == 0 && n.enPassant) {
            flags |= ChessMove::EN_PASSANT_FLAG;
            captured = PAWN;
        }
    }
    return ChessMove::make(from, to, piece, captured, promotion, flags);
}

// The text both printers give the empty move (nothing) and a castling (O-O or
// O-O-O, never with a check mark). Returns false for every other move.
inline bool putFixedText(const ChessMove& m, char* out) {
    if (m.isEmpty()) {
        out[0] = 0;
        return true;
    }
    if (m.isCastle()) {
        // The king lands on the c-file when castling queen side, wherever it started.
        std::strcpy(out, fileOf(m.to()) == 2 ? "O-O-O" : "O-O");
        return true;
    }
    return false;
}

}  // namespace

void ChessMove::text(char* out) const {
    if (putFixedText(*this, out)) return;
    char* p = out;
    if (piece() != PAWN) *p++ = PieceName[piece() & 7];
    p = putSquare(p, from());
    *p++ = captured() ? 'x' : '-';
    p = putSquare(p, to());
    putSuffix(p, *this);
}

void ChessMove::textShort(char* out, const ChessMoveSort* list, unsigned count) const {
    if (putFixedText(*this, out)) return;
    const unsigned f = from(), t = to(), pc = piece();
    bool ambiguous = false, needFile = false, needRank = false;
    if (pc != PAWN && list) {
        for (unsigned i = 0; i < count; i++) {
            const ChessMove o = list[i].move;
            if (o.piece() != pc || o.to() != t || o.from() == f) continue;
            ambiguous = true;
            const bool sameFile = fileOf(o.from()) == fileOf(f);
            const bool sameRank = rankOf(o.from()) == rankOf(f);
            if (sameFile) needRank = true;
            if (sameRank) needFile = true;
            if (!sameFile && !sameRank && !needFile && !needRank) needFile = true;
        }
    }
    char* p = out;
    if (pc != PAWN) *p++ = PieceName[pc & 7];
    if (ambiguous) {
        if (needFile) *p++ = (char)('a' + fileOf(f));
        if (needRank) *p++ = (char)('1' + rankOf(f));
    }
    if (captured()) {
        if (pc == PAWN) *p++ = (char)('a' + fileOf(f));
        *p++ = 'x';
    }
    p = putSquare(p, t);
    putSuffix(p, *this);
}

int ChessBoard::createMove(const char* san, ChessMove& move) {
    if (!san) return 0;
    ChessBoardNode& n = node;
    // Castling, with or without a check or mate mark.
    if (san[0] == 'O' && san[1] == '-' && san[2] == 'O') {
        const char* rest = san + 3;
        bool longSide = false;
        if (rest[0] == '-' && rest[1] == 'O') {
            longSide = true;
            rest += 2;
        }
        if (rest[0] == '+' || rest[0] == '#') rest++;
        if (rest[0] == 0) {
            move = castlingMove(n.castling, (n.side == WHITE ? 0u : 2u) + (longSide ? 1u : 0u));
            return 1;
        }
    }

    const char* p = san;
    unsigned piece;
    switch (*p) {
        case 'K':
            piece = KING;
            p++;
            break;
        case 'Q':
            piece = QUEEN;
            p++;
            break;
        case 'R':
            piece = ROOK;
            p++;
            break;
        case 'B':
            piece = BISHOP;
            p++;
            break;
        case 'N':
            piece = KNIGHT;
            p++;
            break;
        default:
            if (!isFile(*p)) return 0;
            piece = PAWN;
    }
    int fromRank = -1, fromFile = -1;
    if (isRank(*p)) {
        fromRank = *p++ - '1';
    } else if (isFile(p[0]) && (isFile(p[1]) || p[1] == 'x')) {
        fromFile = *p++ - 'a';
    } else if (piece != PAWN && isFile(p[0]) && isRank(p[1])) {
        // A whole from-square, as the printer writes it when file and rank are both shared ("Qh4e4").
        const char* next = p + (p[2] == 'x' ? 3 : 2);
        if (isFile(next[0]) && isRank(next[1])) {
            fromFile = *p++ - 'a';
            fromRank = *p++ - '1';
        }
    }
    if (*p == 'x') p++;
    if (!isFile(p[0]) || !isRank(p[1])) return 0;
    const unsigned to = (unsigned)(p[0] - 'a') + 8u * (unsigned)(p[1] - '1');
    p += 2;

    // The promotion piece, written "=Q" or just "Q". A pawn that reaches the
    // last rank must name one: no generated move matches it otherwise.
    const bool equalsSign = *p == '=';
    unsigned promotion = 0;
    switch (p[equalsSign ? 1 : 0]) {
        case 'Q':
            promotion = QUEEN;
            break;
        case 'R':
            promotion = ROOK;
            break;
        case 'B':
            promotion = BISHOP;
            break;
        case 'N':
            promotion = KNIGHT;
            break;
        default:
            if (equalsSign) return 0;
    }

    // The move is the generated word itself, so that a king's two-square step
    // from home is the castling and a promotion carries its piece. Among the
    // matching entries the first legal one wins, so that a pinned piece never
    // takes the move of its free twin; with none legal, the first. Only an
    // entry that fits the position is tried: a list left over from another
    // position is never played on this one.
    // A king move names the castling (Kg1 from e1) only when no ordinary king
    // move fits: in Chess960 the king's destination may be one step away.
    int found = -1;
    const unsigned count = rootMoveCount <= 256 ? rootMoveCount : 256;
    for (int castles = 0; castles < 2 && found < 0; castles++) {
        for (unsigned i = 0; i < count; i++) {
            const ChessMove c = rootMoveList[i].move;
            if (c.piece() != piece || c.to() != to || c.promotion() != promotion ||
                c.isCastle() != (castles == 1))
                continue;
            if (fromRank >= 0 && (int)rankOf(c.from()) != fromRank) continue;
            if (fromFile >= 0 && (int)fileOf(c.from()) != fromFile) continue;
            if (!n.validMove(c)) continue;
            if (found < 0) found = (int)i;
            n.makeMove(c);
            const bool legal = !kingAttacked(n, n.xside);
            n.unMakeMove(c);
            if (legal) {
                found = (int)i;
                break;
            }
        }
    }
    if (found < 0) return 0;
    move = rootMoveList[found].move;
    return 1;
}

namespace {

// Promotion piece of a coordinate-notation letter, 0 for any other letter.
inline unsigned promotionOf(char c) {
    switch (c) {
        case 'q':
            return QUEEN;
        case 'r':
            return ROOK;
        case 'b':
            return BISHOP;
        case 'n':
            return KNIGHT;
        default:
            return 0;
    }
}

inline bool isSquareText(const char* t) {
    return isFile(t[0]) && isRank(t[1]) && isFile(t[2]) && isRank(t[3]);
}

}  // namespace

// Builds the word of a coordinate move from the position, checks it against
// the generated moves, plays it and records it. Returns 0 (position
// unchanged) when the move is not legal or the game record is full.
static int playMoveWord(ChessBoard& b, ChessMove m) {
    ChessBoardNode& n = b.node;
    if (!n.validMove(m)) return 0;

    // The word alone does not prove the geometry of pawn and knight moves, nor
    // that a promotion letter belongs to a promotion: it must be a generated move.
    ChessMoveSort list[256];
    int count = n.generateMovesC(list);
    count += n.generateMovesNC(list + count);
    bool generated = false;
    for (int i = 0; i < count && !generated; i++) generated = list[i].move == m;
    if (!generated) return 0;

    n.makeMove(m);
    if (kingAttacked(n, n.xside) || !b.recordMove(m)) {
        n.unMakeMove(m);
        return 0;
    }
    return 1;
}

// A king's move onto its own rook is the castling with that rook (the text of
// Chess960 and of UCI_Chess960); so is a king's two-file step (e1g1).
static int playCoordinateMove(ChessBoard& b, unsigned from, unsigned to, unsigned promotion) {
    ChessBoardNode& n = b.node;
    const unsigned piece = n.squarePiece[from];
    const unsigned s = n.side;
    if (piece == KING && !promotion && (n.bbPiece[s][ROOK] & bbMask[to]) && rankOf(to) == rankOf(from)) {
        const unsigned right = (s == WHITE ? 0u : 2u) + (fileOf(to) < fileOf(from) ? 1u : 0u);
        if (n.castling.rookFrom[right] != to) return 0;
        return playMoveWord(b, castlingMove(n.castling, right));
    }
    const bool castling = piece == KING && (fileOf(from) == fileOf(to) + 2 || fileOf(to) == fileOf(from) + 2);
    b.pendingMove = moveFromSquares(n, from, to, piece, promotion, castling ? ChessMove::CASTLE_FLAG : 0);
    const ChessMove m = b.pendingMove;
    b.pendingMove = emptyMove;
    return playMoveWord(b, m);
}

int ChessBoard::setMoveSquare(const char* text) {
    if (!text) return 0;
    // WinBoard writes castling as O-O and O-O-O.
    if (!std::strcmp(text, "O-O") || !std::strcmp(text, "O-O-O"))
        return playMoveWord(
            *this, castlingMove(node.castling, (node.side == WHITE ? 0u : 2u) + (text[3] ? 1u : 0u)));
    if (!isSquareText(text)) return 0;
    unsigned promotion = 0;
    if (std::strlen(text) == 5) {
        promotion = promotionOf(text[4]);
        if (!promotion) return 0;
    }
    const unsigned from = (unsigned)(text[0] - 'a') + 8u * (unsigned)(text[1] - '1');
    const unsigned to = (unsigned)(text[2] - 'a') + 8u * (unsigned)(text[3] - '1');
    return playCoordinateMove(*this, from, to, promotion);
}

int ChessBoard::setMoveSquareList(const char* text) {
    if (!text) return 0;
    const char* p = text;
    while (*p) {
        if (!isSquareText(p)) return 0;
        const unsigned from = (unsigned)(p[0] - 'a') + 8u * (unsigned)(p[1] - '1');
        const unsigned to = (unsigned)(p[2] - 'a') + 8u * (unsigned)(p[3] - '1');
        p += 4;
        unsigned promotion = 0;
        if (*p == ' ') {
            p++;
        } else if (*p) {
            promotion = promotionOf(*p);
            if (!promotion) return 0;
            p++;
            if (*p) p++;  // the separating blank
        }
        if (!playCoordinateMove(*this, from, to, promotion)) return 0;
    }
    return 1;
}

void getTextZobristHash(unsigned long long& key, char* out) { std::sprintf(out, "%016llx", key); }
