// Perft, perftd and divide: counting the legal move tree from the current
// position on the board's own record and per-depth move lists.
//
// Counting is the hot path. Positions where both kings stand and the side not
// to move is not in check take the fast road: the last ply is counted without
// making the moves, by an exact legality test (pins, king moves, en passant
// discovered checks) that gives the same counts as make, test and unmake.
// Every other position (a king missing, or capturable) walks the tree with
// make and test only, and a side without a king is never in check.
#include "diagnostics/perft.h"

#include <sys/time.h>

#include "board/chessboard.h"
#include "frontend/console.h"
#include "frontend/log.h"
#include "movegen/movegen.h"

using namespace movegen;

unsigned long long countnode, countcapture, countep, countpromotion, countcastle, countcheck, countmate;
unsigned long long perftNode[128][8];
DivideEntry listDivide[256];
int nbDivide;
bool (*perftInterrupt)() = nullptr;

namespace {

// Interior nodes between two questions to perftInterrupt: a few milliseconds of counting.
const unsigned INTERRUPT_PERIOD = 1024;
unsigned interruptCount = 0;
bool countStopped = false;

// Has the running count been asked to end? Asked at every interior node;
// without an interrupt hook this is one test of a pointer.
inline bool stopRequested() {
    if (!perftInterrupt) return false;
    if (countStopped) return true;
    if (++interruptCount % INTERRUPT_PERIOD) return false;
    countStopped = perftInterrupt();
    return countStopped;
}

inline bool countWasStopped() { return perftInterrupt && countStopped; }

// A printing form starts a fresh count.
void beginCount() {
    countStopped = false;
    interruptCount = 0;
}

// Counts the pawn moves onto the target set, four for each landing on the last rank.
inline int pawnCount(BitBoard targets, BitBoard lastRank) {
    return bitCount(targets & ~lastRank) + 4 * bitCount(targets & lastRank);
}

// Pawn advances and captures of colour C onto the target squares, pinned pawns
// only along their line with the king; en passant is counted apart.
template <int C>
int countPawnMoves(const ChessBoardNode& n, BitBoard pawns, BitBoard pinned, BitBoard target) {
    const BitBoard empty = ~n.bbOccupied;
    const BitBoard enemy = n.bbColour[C ^ 1];
    const BitBoard free = pawns & ~pinned;
    const BitBoard single = pawnStep<C, 8>(free) & empty;
    int count = pawnCount(single & target, pawnLastRank<C>) +
                bitCount(pawnStep<C, 8>(single & pawnThirdRank<C>) & empty & target);
    count += pawnCount(pawnStep<C, 7>(free) & enemy & target, pawnLastRank<C>);
    count += pawnCount(pawnStep<C, 9>(free) & enemy & target, pawnLastRank<C>);
    const unsigned k = n.kingSquare[C];
    for (BitBoard b = pawns & pinned; b;) {
        const int from = popLsb(b);
        const BitBoard line = bbLine[k][from] & target;
        const BitBoard one = pawnStep<C, 8>(bbMask[from]) & empty;
        count += pawnCount(((one | pawnStep<C, 8>(one & pawnThirdRank<C>)) & empty & line) |
                               (bbPawnAttack[C][from] & enemy & line),
                           pawnLastRank<C>);
    }
    return count;
}

// Number of legal moves of the side to move; both kings must be on the board.
// Matches the generators move for move: the same castling conditions, en
// passant only when the field points at a real pawn and, in check, only
// against a checking pawn.
int countLegal(const ChessBoardNode& n) {
    const int s = n.side, o = n.xside;
    const unsigned k = n.kingSquare[s];
    const BitBoard occ = n.bbOccupied;
    const BitBoard own = n.bbColour[s];
    const BitBoard(&my)[8] = n.bbPiece[s];
    const BitBoard(&their)[8] = n.bbPiece[o];
    const BitBoard theirRQ = their[ROOK] | their[QUEEN];
    const BitBoard theirBQ = their[BISHOP] | their[QUEEN];

    const BitBoard checkers = (bbPawnAttack[s][k] & their[PAWN]) | (bbKnightAttack[k] & their[KNIGHT]) |
                              (bishopAttack(k, occ) & theirBQ) | (rookAttack(k, occ) & theirRQ);

    int count = 0;
    const BitBoard occNoKing = occ ^ bbMask[k];
    for (BitBoard t = bbKingAttack[k] & ~own; t;)
        if (!attackedBy(n, popLsb(t), o, occNoKing)) count++;
    if (checkers & (checkers - 1)) return count;

    BitBoard target = ~own;
    if (checkers) target &= bbBetween[k][lsb(checkers)] | checkers;

    BitBoard pinned = 0;
    for (BitBoard snipers = (rookAttack(k, 0) & theirRQ) | (bishopAttack(k, 0) & theirBQ); snipers;) {
        const BitBoard between = bbBetween[k][popLsb(snipers)] & occ;
        if (between && !(between & (between - 1))) pinned |= between & own;
    }

    for (BitBoard b = my[KNIGHT] & ~pinned; b;) count += bitCount(bbKnightAttack[popLsb(b)] & target);
    const BitBoard diagonal = my[BISHOP] | my[QUEEN];
    const BitBoard straight = my[ROOK] | my[QUEEN];
    for (BitBoard b = diagonal & ~pinned; b;) count += bitCount(bishopAttack(popLsb(b), occ) & target);
    for (BitBoard b = straight & ~pinned; b;) count += bitCount(rookAttack(popLsb(b), occ) & target);
    for (BitBoard b = diagonal & pinned; b;) {
        const int from = popLsb(b);
        count += bitCount(bishopAttack(from, occ) & target & bbLine[k][from]);
    }
    for (BitBoard b = straight & pinned; b;) {
        const int from = popLsb(b);
        count += bitCount(rookAttack(from, occ) & target & bbLine[k][from]);
    }

    const BitBoard pawns = my[PAWN];
    count += s == WHITE ? countPawnMoves<WHITE>(n, pawns, pinned, target)
                        : countPawnMoves<BLACK>(n, pawns, pinned, target);

    if (n.enPassant) {
        const int ep = enPassantTarget(n);
        if (ep >= 0) {
            const unsigned victim = ep + EnPassantOffset[s];
            if (!checkers || checkers == bbMask[victim]) {
                for (BitBoard b = bbPawnAttack[o][ep] & pawns; b;) {
                    const int from = popLsb(b);
                    const BitBoard after = (occ ^ bbMask[from] ^ bbMask[victim]) | bbMask[ep];
                    if (!(bishopAttack(k, after) & theirBQ) && !(rookAttack(k, after) & theirRQ)) count++;
                }
            }
        }
    }

    // Castling as the quiet generator writes it; once generated it is always
    // legal, since the king's destination was tested and the squares that
    // change (king and rook) cannot open a line onto it.
    if (!checkers) {
        const int castlings = castlingsOpen(n);
        count += (castlings & 1) + (castlings >> 1);
    }
    return count;
}

// Legal move sequences of length depth (>= 1). Fast: both kings present and
// safe, so no king is ever captured in the tree.
template <bool Fast>
unsigned long long countTree(ChessBoard& b, ChessBoardNode& n, int depth) {
    if (Fast && depth == 1) return (unsigned long long)countLegal(n);
    if (stopRequested()) return 0;
    ChessMoveSort* list = b.moveOrder[depth].moves;
    const bool check =
        Fast ? attackedBy(n, n.kingSquare[n.side], n.xside, n.bbOccupied) : kingAttacked(n, n.side);
    const int count = n.generateMoves(list, check);
    unsigned long long total = 0;
    for (int i = 0; i < count; i++) {
        const ChessMove m = list[i].move;
        n.makeMove(m);
        const bool illegal =
            Fast ? attackedBy(n, n.kingSquare[n.xside], n.side, n.bbOccupied) : kingAttacked(n, n.xside);
        if (!illegal) total += depth == 1 ? 1 : countTree<Fast>(b, n, depth - 1);
        n.unMakeMove(m);
    }
    return total;
}

bool fastRoad(const ChessBoardNode& n) {
    return n.bbPiece[WHITE][KING] && n.bbPiece[BLACK][KING] && !kingAttacked(n, n.xside);
}

unsigned long long countSequences(ChessBoard& b, ChessBoardNode& n, int depth) {
    if (depth < 1 || depth > PERFT_MAX_DEPTH) return 0;
    if (fastRoad(n)) return countTree<true>(b, n, depth);
    return countTree<false>(b, n, depth);
}

}  // namespace

void ChessBoard::perft(int depth) { countnode += countSequences(*this, node, depth); }

void ChessBoard::perftd(int depth) {
    if (depth < 1 || depth > PERFT_MAX_DEPTH || stopRequested()) return;
    ChessBoardNode& n = node;
    ChessMoveSort* list = moveOrder[depth].moves;
    const int count = n.generateMoves(list, kingAttacked(n, n.side));
    for (int i = 0; i < count; i++) {
        const ChessMove m = list[i].move;
        n.makeMove(m);
        if (!kingAttacked(n, n.xside)) {
            if (depth == 1) {
                countnode++;
                if (m.captured()) countcapture++;
                if (m.isEnPassant()) countep++;
                if (m.promotion()) countpromotion++;
                if (m.isCastle()) countcastle++;
                if (kingAttacked(n, n.side)) {
                    countcheck++;
                    ChessMoveSort* replies = moveOrder[0].moves;
                    const int r = n.generateMoves(replies, true);
                    bool escape = false;
                    for (int j = 0; j < r && !escape; j++) {
                        n.makeMove(replies[j].move);
                        escape = !kingAttacked(n, n.xside);
                        n.unMakeMove(replies[j].move);
                    }
                    if (!escape) countmate++;
                }
            } else {
                perftd(depth - 1);
            }
        }
        n.unMakeMove(m);
    }
}

unsigned long long ChessBoard::searchAllMoves(ChessBoardNode* n, int depth) {
    if (depth < 1) depth = 1;
    return countSequences(*this, *n, depth);
}

int ChessBoard::divide(ChessBoardNode* n, int depth) {
    nbDivide = 0;
    if (depth > PERFT_MAX_DEPTH) return 0;
    ChessMoveSort* list = moveOrder[depth > 0 ? depth : 0].moves;
    const int count = n->generateMoves(list, kingAttacked(*n, n->side));
    for (int i = 0; i < count; i++) {
        const ChessMove m = list[i].move;
        n->makeMove(m);
        if (!kingAttacked(*n, n->xside)) {
            const unsigned long long moveCount = depth >= 2 ? searchAllMoves(n, depth - 1) : 1;
            if (countWasStopped()) {
                n->unMakeMove(m);
                break;  // the move counted last is unfinished: left out
            }
            DivideEntry& e = listDivide[nbDivide++];
            e.count = moveCount;
            m.text(e.text);
        }
        n->unMakeMove(m);
    }
    return nbDivide;
}

void ChessBoard::doPerft(int depth) {
    for (int r = 0; r < 16; r++)
        for (int c = 0; c < 8; c++) perftNode[r][c] = 0;
    if (depth <= PERFT_MAX_DEPTH) {
        for (int d = 1; d <= depth; d++) {
            countnode = 0;
            perft(d);
            perftNode[depth + 1 - d][0] = countnode;
        }
    }
    gProfiler.stop("perft");
    gProfiler.dump();
}

namespace {

long long microsecondsSince(const struct timeval& start) {
    struct timeval now;
    gettimeofday(&now, nullptr);
    return elapsedMicroseconds(start, now);
}

// Prints the closing line: an empty line, then elapsed time and thousands of nodes per second.
void printTimeLine(long long us, unsigned long long nodes) {
    const long long ms = us / 1000;
    char text[32];
    snprintf(text, sizeof text, "%02d:%02d:%03d", (int)(ms / 60000), (int)((ms / 1000) % 60),
             (int)(ms % 1000));
    const int speed = (int)(nodes * 1000ULL / (unsigned long long)(us > 0 ? us : 16000));
    sendCommandf("\nTime = %s, speed = %6d", text, speed);
}

}  // namespace

// Depths above the per-depth move lists are refused: header and time line only.
// A count ended through perftInterrupt prints the iterations it finished.
void printPerft(ChessBoard& b, int depth) {
    for (int r = 0; r < 16; r++)
        for (int c = 0; c < 8; c++) perftNode[r][c] = 0;
    struct timeval start;
    gettimeofday(&start, nullptr);
    sendCommand("depth           nodes \n");
    if (depth > PERFT_MAX_DEPTH) depth = 0;
    beginCount();
    for (int d = 1; d <= depth; d++) {
        countnode = 0;
        b.perft(d);
        if (countWasStopped()) break;
        perftNode[depth + 1 - d][0] = countnode;
        sendCommandf(" %2d. %16llu", d, countnode);
    }
    printTimeLine(microsecondsSince(start), depth >= 1 ? perftNode[1][0] : 0);
}

void printPerftd(ChessBoard& b, int depth) {
    for (int r = 0; r < 16; r++)
        for (int c = 0; c < 8; c++) perftNode[r][c] = 0;
    struct timeval start;
    gettimeofday(&start, nullptr);
    sendCommand(
        "depth          nodes         captures              e.p            check             mate        "
        "promotion  "
        "         castle \n");
    if (depth > PERFT_MAX_DEPTH) depth = 0;
    beginCount();
    for (int d = 1; d <= depth; d++) {
        countnode = countcapture = countep = countpromotion = countcastle = countcheck = countmate = 0;
        b.perftd(d);
        if (countWasStopped()) break;
        unsigned long long* row = perftNode[depth + 1 - d];
        row[0] = countnode;
        row[1] = countcapture;
        row[2] = countep;
        row[3] = countcheck;
        row[4] = countmate;
        row[6] = countpromotion;
        row[7] = countcastle;
        sendCommandf("% 2d. %16llu %16llu %16llu %16llu %16llu %16llu %16llu", d, countnode, countcapture,
                     countep, countcheck, countmate, countpromotion, countcastle);
    }
    printTimeLine(microsecondsSince(start), depth >= 1 ? perftNode[1][0] : 0);
}

void printDivide(ChessBoard& b, int depth) {
    struct timeval start;
    gettimeofday(&start, nullptr);
    beginCount();
    b.divide(&b.node, depth);
    const long long us = microsecondsSince(start);
    unsigned long long total = 0;
    for (int i = 0; i < nbDivide; i++) {
        sendCommandf("%10s : %16llu", listDivide[i].text, listDivide[i].count);
        total += listDivide[i].count;
    }
    sendCommandf("\n     total : %16llu", total);
    printTimeLine(us, total);
}
