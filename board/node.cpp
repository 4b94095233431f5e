// Make and unmake (of a move and of the null move) on the position record,
// the key from scratch, and the consistency check used by debug builds and tests.
#include "board/node.h"

#include <cassert>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <type_traits>

namespace {

inline void addPsq(ChessBoardNode& n, unsigned colour, unsigned type, unsigned sq) {
    n.psqMiddle[colour] += piece_square_table_middlegame[colour][type][sq];
    n.psqEnd[colour] += piece_square_table_endgame[colour][type][sq];
}

inline void subPsq(ChessBoardNode& n, unsigned colour, unsigned type, unsigned sq) {
    n.psqMiddle[colour] -= piece_square_table_middlegame[colour][type][sq];
    n.psqEnd[colour] -= piece_square_table_endgame[colour][type][sq];
}

// Saves what unmaking the move restores and adds the position's key to the history.
inline void saveUndo(ChessBoardNode& n, ChessMove m) {
    ChessMoveUndo& u = n.undo[n.ply];
    u.key = n.hashKey;
    u.move = m;
    u.castle = n.castle;
    u.enPassant = n.enPassant;
    u.fifty = n.fiftyMove;
    n.hashList[n.hashListCount++] = n.hashKey;
    n.ply++;
}

// Restores what saveUndo saved at the current ply.
inline void restoreUndo(ChessBoardNode& n) {
    const ChessMoveUndo& u = n.undo[n.ply];
    n.hashKey = u.key;
    n.castle = u.castle;
    n.enPassant = u.enPassant;
    n.fiftyMove = u.fifty;
}

// Lifts king and rook of colour s off their squares and drops them on the
// others (either way); the squares may overlap, and the key is the caller's.
inline void moveCastlers(ChessBoardNode& n, unsigned s, unsigned kingFrom, unsigned rookFrom, unsigned kingTo,
                         unsigned rookTo) {
    const BitBoard before = bbMask[kingFrom] | bbMask[rookFrom], after = bbMask[kingTo] | bbMask[rookTo];
    subPsq(n, s, KING, kingFrom);
    subPsq(n, s, ROOK, rookFrom);
    addPsq(n, s, KING, kingTo);
    addPsq(n, s, ROOK, rookTo);
    n.bbOccupied = (n.bbOccupied & ~before) | after;
    n.bbColour[s] = (n.bbColour[s] & ~before) | after;
    n.bbPiece[s][KING] = (n.bbPiece[s][KING] & ~bbMask[kingFrom]) | bbMask[kingTo];
    n.bbPiece[s][ROOK] = (n.bbPiece[s][ROOK] & ~bbMask[rookFrom]) | bbMask[rookTo];
    n.squarePiece[kingFrom] = 0;
    n.squarePiece[rookFrom] = 0;
    n.squarePiece[kingTo] = KING;
    n.squarePiece[rookTo] = ROOK;
    n.kingSquare[s] = kingTo;
}

}  // namespace

void ChessBoardNode::makeMove(ChessMove m) {
    if (m.isCastle()) {
        makeCastle(m);
        return;
    }
    const unsigned f = m.from(), t = m.to(), p = m.piece(), c = m.captured(), q = m.promotion();
    const unsigned s = side, o = xside;
    const BitBoard fromBit = bbMask[f], toBit = bbMask[t];
    const uint8_t oldCastle = castle;
    // The move must belong to this position: the mover on its square, the
    // captured piece where the move says, room on the undo stack. A king may be
    // taken: a position set up with the side not to move in check is still
    // played on (perft's slow road, the generators of such a position).
    assert(ply < (unsigned)UNDO_SIZE && hashListCount < (unsigned)UNDO_SIZE);
    assert(p >= PAWN && p <= KING && squarePiece[f] == p && (bbColour[s] & fromBit));
    assert(m.isEnPassant()
               ? c == PAWN && !(bbOccupied & toBit) && (bbPiece[o][PAWN] & bbMask[t + EnPassantOffset[s]])
               : squarePiece[t] == c && (c ? (bbColour[o] & toBit) != 0 : !(bbOccupied & toBit)));

    saveUndo(*this, m);

    fiftyMove = (p == PAWN || c != 0) ? 0 : (uint8_t)(fiftyMove + 1);

    // Lift the mover.
    uint64_t key = hashKey ^ hashkey_piece[p][s][f];
    bbOccupied ^= fromBit;
    bbColour[s] ^= fromBit;
    bbPiece[s][p] ^= fromBit;
    squarePiece[f] = 0;
    subPsq(*this, s, p, f);

    if (enPassant) key ^= hashkey_enpassant[enPassant - 1];

    if (c) {
        material[o] -= PieceCaptureValue[c];
        phaseMaterial[o] -= PieceGamePhaseValue[c];
        materialKey -= matCountMask[o][c];
        unsigned x = t;
        if (m.isEnPassant()) {
            x = t + EnPassantOffset[s];
            bbOccupied ^= bbMask[x];
            squarePiece[x] = 0;
        }
        const BitBoard xBit = bbMask[x];
        subPsq(*this, o, c, x);
        bbColour[o] ^= xBit;
        bbPiece[o][c] ^= xBit;
        key ^= hashkey_piece[c][o][x];
        if (c == ROOK) castle &= castling.keep[o][t];
    }

    unsigned r = p;
    if (q) {
        material[s] += PieceCaptureValue[q] - PieceCaptureValue[PAWN];
        phaseMaterial[s] += PieceGamePhaseValue[q];
        materialKey += matCountMask[s][q] - matCountMask[s][PAWN];
        r = q;
    }

    // Drop the landing piece.
    addPsq(*this, s, r, t);
    bbOccupied |= toBit;
    bbColour[s] |= toBit;
    bbPiece[s][r] |= toBit;
    key ^= hashkey_piece[r][s][t];
    squarePiece[t] = (uint8_t)r;

    if (m.isDoublePush()) {
        enPassant = (uint8_t)((t & 7) + 1);
        key ^= hashkey_enpassant[t & 7];
    } else {
        enPassant = 0;
    }

    if (p == ROOK) {
        castle &= castling.keep[s][f];
    } else if (p == KING) {
        kingSquare[s] = t;
        castle &= castleInit[s];
    }

    // Equal rights cancel out, so no test is needed.
    key ^= hashkey_castling[oldCastle] ^ hashkey_castling[castle];
    hashKey = key ^ hashkey_side;
    gamePhase = GamePhaseValue(phaseMaterial[0] + phaseMaterial[1]);
    side = o;
    xside = s;

    assert(checkConsistency(false));
}

void ChessBoardNode::unMakeMove(ChessMove m) {
    if (m.isCastle()) {
        unMakeCastle(m);
        return;
    }
    const unsigned f = m.from(), t = m.to(), p = m.piece(), c = m.captured(), q = m.promotion();
    const unsigned s = xside, o = side;
    const BitBoard fromBit = bbMask[f], toBit = bbMask[t];
    // The move must be the last one made: its landing piece on the to-square,
    // its from-square (and, en passant, the captured pawn's square) empty.
    assert(ply > 0 && hashListCount > 0 && undo[ply - 1].move == m);
    assert(squarePiece[t] == (q ? q : p) && (bbColour[s] & toBit) && !(bbOccupied & fromBit));
    assert(!m.isEnPassant() || !(bbOccupied & bbMask[t + EnPassantOffset[s]]));

    hashListCount--;
    xside = o;
    side = s;

    // Take the landing piece off the to-square.
    if (q) {
        bbPiece[s][q] ^= toBit;
        subPsq(*this, s, q, t);
        material[s] += PieceCaptureValue[PAWN] - PieceCaptureValue[q];
        phaseMaterial[s] -= PieceGamePhaseValue[q];
        materialKey += matCountMask[s][PAWN] - matCountMask[s][q];
    } else {
        bbPiece[s][p] ^= toBit;
        subPsq(*this, s, p, t);
    }
    bbColour[s] ^= toBit;

    if (c) {
        material[o] += PieceCaptureValue[c];
        phaseMaterial[o] += PieceGamePhaseValue[c];
        materialKey += matCountMask[o][c];
        unsigned x = t;
        if (m.isEnPassant()) {
            x = t + EnPassantOffset[s];
            bbOccupied ^= toBit | bbMask[x];
            squarePiece[t] = 0;
        }
        const BitBoard xBit = bbMask[x];
        bbColour[o] |= xBit;
        bbPiece[o][c] |= xBit;
        addPsq(*this, o, c, x);
        squarePiece[x] = (uint8_t)c;
    } else {
        bbOccupied ^= toBit;
        squarePiece[t] = 0;
    }

    // Put the mover back.
    bbOccupied |= fromBit;
    bbColour[s] |= fromBit;
    bbPiece[s][p] |= fromBit;
    addPsq(*this, s, p, f);
    squarePiece[f] = (uint8_t)p;

    if (p == KING) kingSquare[s] = f;

    ply--;
    gamePhase = GamePhaseValue(phaseMaterial[0] + phaseMaterial[1]);
    restoreUndo(*this);

    assert(checkConsistency(false));
}

void ChessBoardNode::makeCastle(ChessMove m) {
    const unsigned s = side, kf = m.from(), kt = m.to();
    const unsigned right = castlingRight(s, kt);
    const unsigned rf = castling.rookFrom[right], rt = castlingRookTo(right);
    assert(ply < (unsigned)UNDO_SIZE && hashListCount < (unsigned)UNDO_SIZE);
    assert(m.piece() == KING && kf == kingSquare[s] && (bbPiece[s][ROOK] & bbMask[rf]));

    saveUndo(*this, m);
    fiftyMove++;

    uint64_t key = hashKey ^ hashkey_piece[KING][s][kf] ^ hashkey_piece[KING][s][kt] ^
                   hashkey_piece[ROOK][s][rf] ^ hashkey_piece[ROOK][s][rt];
    if (enPassant) key ^= hashkey_enpassant[enPassant - 1];
    enPassant = 0;
    moveCastlers(*this, s, kf, rf, kt, rt);
    const uint8_t oldCastle = castle;
    castle &= castleInit[s];
    key ^= hashkey_castling[oldCastle] ^ hashkey_castling[castle];
    hashKey = key ^ hashkey_side;
    side = xside;
    xside = s;

    assert(checkConsistency(false));
}

void ChessBoardNode::unMakeCastle(ChessMove m) {
    const unsigned s = xside, kf = m.from(), kt = m.to();
    const unsigned right = castlingRight(s, kt);
    assert(ply > 0 && hashListCount > 0 && undo[ply - 1].move == m);

    hashListCount--;
    xside = side;
    side = s;
    moveCastlers(*this, s, kt, castlingRookTo(right), kf, castling.rookFrom[right]);
    ply--;
    restoreUndo(*this);

    assert(checkConsistency(false));
}

namespace {

// The squares of a rank from one file to another, both included.
BitBoard rankSpan(unsigned a, unsigned b) {
    if (a > b) {
        const unsigned t = a;
        a = b;
        b = t;
    }
    BitBoard span = 0;
    for (unsigned sq = a; sq <= b; sq++) span |= bbMask[sq];
    return span;
}

// The rules of the castlings that start from the given king and rook squares.
void computeCastlingRules(CastlingRules& r, const uint8_t kingFrom[2], const uint8_t rookFrom[4]) {
    for (int c = 0; c < 2; c++)
        for (int sq = 0; sq < 64; sq++) r.keep[c][sq] = 15;
    r.kingFrom[BLACK] = kingFrom[BLACK];
    r.kingFrom[WHITE] = kingFrom[WHITE];
    for (unsigned right = 0; right < 4; right++) {
        const unsigned colour = (right >> 1) ^ 1;
        const unsigned kf = kingFrom[colour], rf = rookFrom[right];
        const unsigned kt = castlingKingTo(right), rt = castlingRookTo(right);
        r.rookFrom[right] = (uint8_t)rf;
        r.mustBeSafe[right] = rankSpan(kf, kt);
        r.mustBeEmpty[right] = (rankSpan(kf, kt) | rankSpan(rf, rt)) & ~(bbMask[kf] | bbMask[rf]);
        r.keep[colour][rf] &= (uint8_t) ~(1u << right);
    }
}

}  // namespace

void ChessBoardNode::setCastlingRules(const int rookFile[4]) {
    uint8_t kings[2], rooks[4];
    for (int c = 0; c < 2; c++) {
        const unsigned base = c == WHITE ? 0 : 56;
        const bool home = bbPiece[c][KING] && rankOf(kingSquare[c]) == rankOf(base);
        kings[c] = (uint8_t)(home ? kingSquare[c] : base + 4);
    }
    for (unsigned right = 0; right < 4; right++)
        rooks[right] = (uint8_t)((right < 2 ? 0 : 56) + (rookFile[right] & 7));
    computeCastlingRules(castling, kings, rooks);
}

bool ChessBoardNode::standardCastling(unsigned right) const {
    return fileOf(castling.kingFrom[(right >> 1) ^ 1]) == 4 &&
           fileOf(castling.rookFrom[right & 3]) == (right & 1 ? 0 : 7);
}

void ChessBoardNode::makeNullMove() {
    // Room on the undo stack, and a king that no passing can leave en prise.
    assert(ply < (unsigned)UNDO_SIZE);
    assert(!sideInCheck());

    ChessMoveUndo& u = undo[ply];
    u.key = hashKey;
    u.move = emptyMove;
    u.enPassant = enPassant;
    u.fifty = fiftyMove;
    ply++;

    fiftyMove = 0;
    if (enPassant) {
        hashKey ^= hashkey_enpassant[enPassant - 1];
        enPassant = 0;
    }
    hashKey ^= hashkey_side;
    side ^= 1;
    xside ^= 1;

    assert(checkConsistency(false));
}

void ChessBoardNode::unMakeNullMove() {
    // The last entry on the undo stack must be the null move.
    assert(ply > 0 && undo[ply - 1].move == emptyMove);

    side ^= 1;
    xside ^= 1;
    ply--;
    const ChessMoveUndo& u = undo[ply];
    hashKey = u.key;
    enPassant = u.enPassant;
    fiftyMove = u.fifty;

    assert(checkConsistency(false));
}

uint64_t ChessBoardNode::createHashKey() const {
    uint64_t key = 0;
    for (int c = 0; c < 2; c++)
        for (int t = PAWN; t <= KING; t++)
            for (BitBoard b = bbPiece[c][t]; b;) key ^= hashkey_piece[t][c][popLsb(b)];
    if (enPassant) key ^= hashkey_enpassant[(enPassant - 1) & 7];
    key ^= hashkey_castling[castle & 15];
    if (side == BLACK) key ^= hashkey_side;
    return key;
}

namespace {

int fail(char* why, unsigned whySize, const char* fmt, long long a = 0, long long b = 0) {
    if (why && whySize) snprintf(why, whySize, fmt, a, b);
    return 0;
}

}  // namespace

int ChessBoardNode::checkConsistency(bool full, char* why, unsigned whySize) const {
    if (side > 1 || xside != (side ^ 1)) return fail(why, whySize, "side %lld xside %lld", side, xside);
    if (bbOccupied != (bbColour[0] | bbColour[1]))
        return fail(why, whySize, "occupied is not the union of the colours");
    if (bbColour[0] & bbColour[1]) return fail(why, whySize, "colours overlap");
    for (int c = 0; c < 2; c++) {
        BitBoard all = 0;
        for (int t = 0; t < 8; t++) {
            if (all & bbPiece[c][t])
                return fail(why, whySize, "colour %lld: piece boards overlap at type %lld", c, t);
            all |= bbPiece[c][t];
        }
        if (bbPiece[c][NOPIECE] | bbPiece[c][7])
            return fail(why, whySize, "colour %lld: unused piece row set", c);
        if (all != bbColour[c]) return fail(why, whySize, "colour %lld: union of pieces differs", c);
        if (bbPiece[c][KING] && (kingSquare[c] > 63 || !(bbPiece[c][KING] & bbMask[kingSquare[c]])))
            return fail(why, whySize, "colour %lld: no king on square %lld", c, kingSquare[c]);
    }
    if (ply > (unsigned)UNDO_SIZE || hashListCount > (unsigned)UNDO_SIZE)
        return fail(why, whySize, "ply %lld or key count %lld out of range", ply, hashListCount);
    if (!full) return 1;

    int mat[2] = {0, 0}, phase[2] = {0, 0}, mid[2] = {0, 0}, end[2] = {0, 0};
    uint64_t matKey = 0;
    for (int sq = 0; sq < 64; sq++) {
        const BitBoard bit = bbMask[sq];
        int found = 0, colour = 0, type = 0;
        for (int c = 0; c < 2; c++)
            for (int t = PAWN; t <= KING; t++)
                if (bbPiece[c][t] & bit) {
                    found++;
                    colour = c;
                    type = t;
                }
        if (found > 1) return fail(why, whySize, "square %lld holds %lld pieces", sq, found);
        if (squarePiece[sq] != type)
            return fail(why, whySize, "square %lld: piece array %lld", sq, squarePiece[sq]);
        if (!found) continue;
        mat[colour] += PieceCaptureValue[type];
        phase[colour] += PieceGamePhaseValue[type];
        mid[colour] += piece_square_table_middlegame[colour][type][sq];
        end[colour] += piece_square_table_endgame[colour][type][sq];
        matKey += matCountMask[colour][type];
    }
    for (int c = 0; c < 2; c++) {
        if (mat[c] != material[c]) return fail(why, whySize, "colour %lld: material %lld", c, material[c]);
        if (phase[c] != phaseMaterial[c])
            return fail(why, whySize, "colour %lld: phase material %lld", c, phaseMaterial[c]);
        if (mid[c] != psqMiddle[c])
            return fail(why, whySize, "colour %lld: middle-game sum %lld", c, psqMiddle[c]);
        if (end[c] != psqEnd[c]) return fail(why, whySize, "colour %lld: end-game sum %lld", c, psqEnd[c]);
    }
    if (matKey != materialKey)
        return fail(why, whySize, "material key %llx, expected %llx", (long long)materialKey,
                    (long long)matKey);
    if (gamePhase != GamePhaseValue(phase[0] + phase[1]))
        return fail(why, whySize, "game phase %lld", gamePhase);
    if (hashKey != createHashKey()) return fail(why, whySize, "hash key differs from a fresh computation");
    for (int c = 0; c < 2; c++)
        if (rankOf(castling.kingFrom[c]) != (c == WHITE ? 0 : 7))
            return fail(why, whySize, "colour %lld: castling king off its first rank", c);
    for (unsigned right = 0; right < 4; right++)
        if (rankOf(castling.rookFrom[right]) != rankOf(castling.kingFrom[(right >> 1) ^ 1]))
            return fail(why, whySize, "castling right %lld: rook off its first rank", right);
    CastlingRules fresh;
    computeCastlingRules(fresh, castling.kingFrom, castling.rookFrom);
    if (memcmp(fresh.mustBeEmpty, castling.mustBeEmpty, sizeof fresh.mustBeEmpty) ||
        memcmp(fresh.mustBeSafe, castling.mustBeSafe, sizeof fresh.mustBeSafe) ||
        memcmp(fresh.keep, castling.keep, sizeof fresh.keep))
        return fail(why, whySize, "castling squares differ from a fresh computation");
    return 1;
}

void ChessBoardNode::copyPosition(const ChessBoardNode& from) {
    static_assert(std::is_trivially_copyable_v<ChessBoardNode>, "nodes are copied bytewise");
    memcpy((void*)this, (const void*)&from, offsetof(ChessBoardNode, undo));
    assert(from.ply < (unsigned)UNDO_SIZE && from.hashListCount <= (unsigned)UNDO_SIZE);
    memcpy(undo, from.undo, (from.ply + 1) * sizeof undo[0]);
    hashListCount = from.hashListCount;
    memcpy(hashList, from.hashList, from.hashListCount * sizeof hashList[0]);
}
