// Make and unmake (of a move and of the null move) on the position record,
// the key from scratch, and the consistency check used by debug builds and tests.
#include "board/node.h"

#include <cassert>
#include <cstdio>
#include <cstring>

namespace {

// Castling rights that survive a rook leaving (or being captured on) a square,
// by the rook's colour: only the rook's own home corners clear anything.
struct CornerMasks {
    uint8_t mask[2][64];
    constexpr CornerMasks() : mask() {
        for (int c = 0; c < 2; c++)
            for (int s = 0; s < 64; s++) mask[c][s] = 15;
        mask[BLACK][56] = 15 & ~CASTLE_BQ;
        mask[BLACK][63] = 15 & ~CASTLE_BK;
        mask[WHITE][0] = 15 & ~CASTLE_WQ;
        mask[WHITE][7] = 15 & ~CASTLE_WK;
    }
};
constexpr CornerMasks rookCorner;

inline void addPsq(ChessBoardNode& n, unsigned colour, unsigned type, unsigned sq) {
    n.psqMiddle[colour] += piece_square_table_middlegame[colour][type][sq];
    n.psqEnd[colour] += piece_square_table_endgame[colour][type][sq];
}

inline void subPsq(ChessBoardNode& n, unsigned colour, unsigned type, unsigned sq) {
    n.psqMiddle[colour] -= piece_square_table_middlegame[colour][type][sq];
    n.psqEnd[colour] -= piece_square_table_endgame[colour][type][sq];
}

// Moves the castling rook of colour s between two squares (either way);
// the key is the caller's.
inline void shiftRook(ChessBoardNode& n, unsigned s, unsigned from, unsigned to) {
    const BitBoard rookBits = bbMask[from] | bbMask[to];
    subPsq(n, s, ROOK, from);
    addPsq(n, s, ROOK, to);
    n.bbOccupied ^= rookBits;
    n.bbColour[s] ^= rookBits;
    n.bbPiece[s][ROOK] ^= rookBits;
    n.squarePiece[from] = 0;
    n.squarePiece[to] = ROOK;
}

}  // namespace

void ChessBoardNode::makeMove(ChessMove m) {
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

    ChessMoveUndo& u = undo[ply];
    u.key = hashKey;
    u.move = m;
    u.castle = castle;
    u.enPassant = enPassant;
    u.fifty = fiftyMove;
    hashList[hashListCount++] = hashKey;
    ply++;

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
        if (c == ROOK) castle &= rookCorner.mask[o][t];
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
        castle &= rookCorner.mask[s][f];
    } else if (p == KING) {
        if (m.isCastle()) {
            const unsigned rf = castleTowerFrom[s][t & 7], rt = castleTowerTo[s][t & 7];
            shiftRook(*this, s, rf, rt);
            key ^= hashkey_piece[ROOK][s][rf] ^ hashkey_piece[ROOK][s][rt];
        }
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

    if (p == KING) {
        if (m.isCastle()) {
            shiftRook(*this, s, castleTowerTo[s][t & 7], castleTowerFrom[s][t & 7]);
        }
        kingSquare[s] = f;
    }

    ply--;
    gamePhase = GamePhaseValue(phaseMaterial[0] + phaseMaterial[1]);
    const ChessMoveUndo& u = undo[ply];
    hashKey = u.key;
    castle = u.castle;
    enPassant = u.enPassant;
    fiftyMove = u.fifty;

    assert(checkConsistency(false));
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
    return 1;
}
