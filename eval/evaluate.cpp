// Static evaluation: a tapered middle-game / end-game score built from the
// incremental sums of the position record plus pawn structure, mobility,
// piece placement and king safety computed from the bitboards. The code is
// compiled twice: as the search's evaluation, and with per-term sums for the
// "eval" command (Trace = true), so the explanation can never drift from it.
#include <cassert>
#include <cstring>

#include "board/chessboard.h"
#include "eval/evaltrace.h"
#include "eval/weights.h"

const char* const evalTermNames[TERM_COUNT] = {
    "Material",      "Bishop pair",    "No pawns",       "Piece-square", "Tempo",         "Blocked pieces",
    "Doubled pawns", "Isolated pawns", "Backward pawns", "Passed pawns", "Mobility",      "Knight outposts",
    "Rook files",    "Seventh rank",   "Early queen",    "King safety",  "King placement"};

namespace {

inline int kingDistance(int a, int b) {
    const int df = (a & 7) - (b & 7), dr = (a >> 3) - (b >> 3);
    const int af = df < 0 ? -df : df, ar = dr < 0 ? -dr : dr;
    return af > ar ? af : ar;
}

// Rank counted from colour C's own side (0 = its first rank).
template <int C>
inline int relativeRank(int s) {
    return C == WHITE ? s >> 3 : 7 - (s >> 3);
}

// The square in front of s for colour C, as a set; empty off the board.
template <int C>
inline BitBoard pushSet(int s) {
    return C == WHITE ? bbMask[s] << 8 : bbMask[s] >> 8;
}

template <int C>
inline BitBoard pawnAttackSet(BitBoard pawns) {
    return C == WHITE ? ((pawns & ~FILE_A) << 7) | ((pawns & ~FILE_H) << 9)
                      : ((pawns & ~FILE_A) >> 9) | ((pawns & ~FILE_H) >> 7);
}

// Per-term sums of one colour: kept only when the evaluation is explained,
// an empty base (no storage, no code) in the search's evaluation.
template <bool Trace>
struct TermSums {
    void note(EvalTerm, int, int) {}
};
template <>
struct TermSums<true> {
    int sum[TERM_COUNT][2] = {};
    void note(EvalTerm term, int mid, int end) {
        sum[term][EVAL_MG] += mid;
        sum[term][EVAL_EG] += end;
    }
};

// Terms of one colour, as a bonus for that colour.
template <bool Trace>
struct SideEval : TermSums<Trace> {
    int mid = 0;
    int end = 0;
    BitBoard attKnight = 0, attBishop = 0, attRook = 0, attQueen = 0;

    void add(EvalTerm term, int m, int e) {
        mid += m;
        end += e;
        this->note(term, m, e);
    }
    void add(EvalTerm term, const int* w, int times = 1) {
        add(term, times * w[EVAL_MG], times * w[EVAL_EG]);
    }
    // Mobility over the usable squares of an attack set.
    void mobility(BitBoard attacks, BitBoard usable, const int* midTable, const int* endTable) {
        const int m = bitCount(attacks & usable);
        add(TERM_MOBILITY, midTable[m], endTable[m]);
    }
};

// Blocked and trapped pieces of colour C (middle game only).
template <int C, bool Trace>
int blockedPieces(const ChessBoardNode& n, TermSums<Trace>& own) {
    constexpr int X = C ^ 1;
    // Squares are given for White and mirrored for Black.
    constexpr int M = C == WHITE ? 0 : 56;
    const BitBoard pawns = n.bbPiece[C][PAWN];
    const BitBoard oppPawns = n.bbPiece[X][PAWN];
    const BitBoard knights = n.bbPiece[C][KNIGHT];
    const BitBoard bishops = n.bbPiece[C][BISHOP];
    const BitBoard rooks = n.bbPiece[C][ROOK];
    const BitBoard occ = n.bbOccupied;
    int penalty = 0;
    if ((pawns & bbMask[11 ^ M]) && (occ & bbMask[19 ^ M])) penalty += BLOCKED_PAWN;  // d2 / d3
    if ((pawns & bbMask[12 ^ M]) && (occ & bbMask[20 ^ M])) penalty += BLOCKED_PAWN;  // e2 / e3
    if ((knights & bbMask[48 ^ M]) && (oppPawns & bbMask[40 ^ M]) && (oppPawns & bbMask[49 ^ M]))
        penalty += BLOCKED_KNIGHT;
    if ((knights & bbMask[55 ^ M]) && (oppPawns & bbMask[47 ^ M]) && (oppPawns & bbMask[54 ^ M]))
        penalty += BLOCKED_KNIGHT;
    if ((bishops & bbMask[48 ^ M]) && (oppPawns & bbMask[41 ^ M])) penalty += BLOCKED_BISHOP;
    if ((bishops & bbMask[55 ^ M]) && (oppPawns & bbMask[46 ^ M])) penalty += BLOCKED_BISHOP;
    // A king that has stepped aside without castling shuts its rook in.
    const BitBoard king = n.bbPiece[C][KING];
    if ((king & (bbMask[5 ^ M] | bbMask[6 ^ M] | bbMask[7 ^ M])) && (rooks & (bbMask[6 ^ M] | bbMask[7 ^ M])))
        penalty += BLOCKED_ROOK;
    if ((king & (bbMask[0 ^ M] | bbMask[1 ^ M] | bbMask[2 ^ M])) && (rooks & (bbMask[0 ^ M] | bbMask[1 ^ M])))
        penalty += BLOCKED_ROOK;
    own.note(TERM_BLOCKED, -penalty, 0);
    return penalty;
}

// What a pawn structure alone decides: how many doubled, isolated and backward
// pawns each colour has, which pawns are passed (doubled ones excepted), and how
// much of a king's pawn shield stands on each file the king could be on.
// Positions in a search share their pawns with many others, so these facts are
// kept in a small cache indexed by the two pawn sets. An entry holds counts, not
// weighted scores, so a weight tuned at run time never meets a stale score (the
// shield's weights are fixed). The all-zero entry a fresh cache holds is the
// true one for a board without pawns: a shield is kept as what its pawns save
// against having none.
struct alignas(64) PawnFacts {
    BitBoard pawns[2];
    BitBoard passed;
    uint8_t doubled[2], isolated[2], backward[2];
    int16_t shieldSaved[2][8];  // by the king's file
};

constexpr int PAWN_CACHE_BITS = 14;  // 16384 entries of 64 bytes
// Each search thread has a cache of its own (a megabyte).
THREAD_OWN PawnFacts pawnCache[1 << PAWN_CACHE_BITS];

// The files of a king's pawn shield: its own and the neighbouring ones.
inline int shieldFirstFile(int kingFile) { return kingFile > 0 ? kingFile - 1 : 0; }
inline int shieldLastFile(int kingFile) { return kingFile < 7 ? kingFile + 1 : 7; }

// For each file a king of colour C could stand on: how much less its shield
// misses than with no pawns at all. A file's shield pawn is the one nearest the
// own side; a file without one counts as rank 0.
template <int C>
void findShields(BitBoard own, PawnFacts& f) {
    int saved[10] = {};  // by file + 1, with an empty file beyond either edge
    for (BitBoard files = own; files;) {
        const int file = lsb(files) & 7;
        const BitBoard p = own & bbFile[file];
        files &= ~p;
        const int pr = C == WHITE ? lsb(p) >> 3 : 7 - (msb(p) >> 3);
        saved[file + 1] = EVAL_MISSING_PAWN_SHIELD[0] - EVAL_MISSING_PAWN_SHIELD[pr];
    }
    for (int k = 0; k < 8; k++) f.shieldSaved[C][k] = (int16_t)(saved[k] + saved[k + 1] + saved[k + 2]);
}

template <int C>
void findPawnFacts(BitBoard own, BitBoard opp, BitBoard oppPawnAttacks, PawnFacts& f) {
    for (BitBoard b = own; b;) {
        const int s = popLsb(b);
        const bool doubled = (evalFileAhead[C][s] & own) != 0;
        const bool isolated = (bbFileAround[s & 7] & own) == 0;
        f.doubled[C] += doubled;
        f.isolated[C] += isolated;
        if ((evalPassedSpan[C][s] & opp) == 0) {
            if (!doubled) f.passed |= bbMask[s];
        } else if (!isolated && (evalSupportBehind[C][s] & own) == 0 && (oppPawnAttacks & pushSet<C>(s))) {
            f.backward[C]++;
        }
    }
}

PawnFacts computePawnFacts(BitBoard white, BitBoard black, BitBoard attW, BitBoard attB) {
    PawnFacts f{};
    f.pawns[WHITE] = white, f.pawns[BLACK] = black;
    findPawnFacts<WHITE>(white, black, attB, f);
    findPawnFacts<BLACK>(black, white, attW, f);
    findShields<WHITE>(white, f);
    findShields<BLACK>(black, f);
    return f;
}

[[maybe_unused]] bool sameFacts(const PawnFacts& a, const PawnFacts& b) {
    for (int c = 0; c < 2; c++)
        if (a.pawns[c] != b.pawns[c] || a.doubled[c] != b.doubled[c] || a.isolated[c] != b.isolated[c] ||
            a.backward[c] != b.backward[c] ||
            std::memcmp(a.shieldSaved[c], b.shieldSaved[c], sizeof a.shieldSaved[c]) != 0)
            return false;
    return a.passed == b.passed;
}

inline PawnFacts& pawnSlot(BitBoard white, BitBoard black) {
    const uint64_t mix = (white ^ (black * 0x9E3779B97F4A7C15ull)) * 0xC2B2AE3D27D4EB4Full;
    return pawnCache[mix >> (64 - PAWN_CACHE_BITS)];
}

// The facts of two pawn sets, from their slot (pawnSlot) or worked out afresh into it.
const PawnFacts& pawnFacts(PawnFacts& f, BitBoard white, BitBoard black, BitBoard attW, BitBoard attB) {
    if (f.pawns[WHITE] != white || f.pawns[BLACK] != black) f = computePawnFacts(white, black, attW, attB);
    // Debug builds check every entry they use against the facts worked out afresh.
    assert(sameFacts(f, computePawnFacts(white, black, attW, attB)));
    return f;
}

// Doubled, isolated, passed and backward pawns of colour C. A passed pawn's
// bonus is halved while a piece stands in front of it, grows as the enemy king
// is farther from it than its own, and grows again while a pawn guards it.
template <int C, bool Trace>
void pawnStructure(const ChessBoardNode& n, const PawnFacts& f, SideEval<Trace>& e) {
    constexpr int X = C ^ 1;
    e.add(TERM_DOUBLED, EVAL_DOUBLED_PAWN, -f.doubled[C]);
    e.add(TERM_ISOLATED, EVAL_ISOLATED_PAWN, -f.isolated[C]);
    e.add(TERM_BACKWARD, EVAL_BACKWARD_PAWN, -f.backward[C]);
    const BitBoard own = n.bbPiece[C][PAWN];
    const int ownKing = n.kingSquare[C] & 63;
    const int oppKing = n.kingSquare[X] & 63;
    for (BitBoard b = f.passed & own; b;) {
        const int s = popLsb(b);
        const int r = relativeRank<C>(s);
        const int pm = EVAL_PASSED_PAWN[EVAL_MG][r];
        const int pe = EVAL_PASSED_PAWN[EVAL_EG][r];
        e.add(TERM_PASSED, pm, pe);
        if (n.bbColour[X] & pushSet<C>(s)) e.add(TERM_PASSED, -(pm >> 1), -(pe >> 1));
        e.add(TERM_PASSED, 0, kingDistance(oppKing, s) - kingDistance(ownKing, s) + 1);
        if (bbPawnAttack[X][s] & own) e.add(TERM_PASSED, pm >> 1, pe >> 1);
    }
}

// Mobility, outposts, open files and seventh-rank pieces of colour C; also
// collects the attack sets that the opposing king safety looks at.
template <int C, bool Trace>
void pieces(const ChessBoardNode& n, BitBoard oppPawnAttacks, SideEval<Trace>& e) {
    constexpr int X = C ^ 1;
    const BitBoard occ = n.bbOccupied;
    const BitBoard usable = ~(n.bbColour[C] | oppPawnAttacks);
    const BitBoard ownPawns = n.bbPiece[C][PAWN];
    const BitBoard oppPawns = n.bbPiece[X][PAWN];
    const BitBoard seventh = C == WHITE ? RANK_7 : RANK_2;
    const bool seventhTarget = relativeRank<C>(n.kingSquare[X] & 63) == 7 || (oppPawns & seventh) != 0;

    BitBoard b = n.bbPiece[C][KNIGHT];
    while (b) {
        const int s = popLsb(b);
        const BitBoard a = bbKnightAttack[s];
        e.attKnight |= a;
        e.mobility(a, usable, mobilityKnight_mid, mobilityKnight_end);
        const int outpost = pos_outpost_knight[C][s];
        if (outpost && !(oppPawnAttacks & bbMask[s]) && (bbPawnAttack[X][s] & ownPawns))
            e.add(TERM_OUTPOST, outpost, outpost);
    }
    b = n.bbPiece[C][BISHOP];
    while (b) {
        const int s = popLsb(b);
        const BitBoard a = bishopAttack(s, occ);
        e.attBishop |= a;
        e.mobility(a, usable, mobilityBishop_mid, mobilityBishop_end);
    }
    b = n.bbPiece[C][ROOK];
    while (b) {
        const int s = popLsb(b);
        const BitBoard a = rookAttack(s, occ);
        e.attRook |= a;
        e.mobility(a, usable, mobilityRook_mid, mobilityRook_end);
        const BitBoard file = bbFile[s & 7];
        if (!(file & ownPawns))
            e.add(TERM_ROOK_FILE, file & oppPawns ? EVAL_ROOK_SEMI_OPEN_FILE : EVAL_ROOK_OPEN_FILE);
        if ((bbMask[s] & seventh) && seventhTarget) e.add(TERM_SEVENTH, EVAL_ROOK_ON_7TH);
    }
    b = n.bbPiece[C][QUEEN];
    const int queenHome = C == WHITE ? 3 : 59;  // d1 / d8
    while (b) {
        const int s = popLsb(b);
        const BitBoard a = queenAttack(s, occ);
        e.attQueen |= a;
        e.mobility(a, usable, mobilityQueen_mid, mobilityQueen_end);
        if ((bbMask[s] & seventh) && seventhTarget) e.add(TERM_SEVENTH, EVAL_QUEEN_ON_7TH);
        if (n.gamePhase == 0 && s != queenHome)
            e.add(TERM_EARLY_QUEEN, -EVAL_EARLY_QUEEN_MOVE, -EVAL_EARLY_QUEEN_MOVE);
    }
}

// Pawn shield, attack pressure and placement of colour C's king (middle game).
template <int C, bool Trace>
int kingSafety(const ChessBoardNode& n, const PawnFacts& facts, const SideEval<Trace>& opp,
               int oppAdjustedMaterial, TermSums<Trace>& own) {
    const int k = n.kingSquare[C] & 63;
    const int f = k & 7;
    const int rr = relativeRank<C>(k);
    int shield = 0;
    if (rr <= 1) {
        const int files = shieldLastFile(f) - shieldFirstFile(f) + 1;
        shield = facts.shieldSaved[C][f] - files * EVAL_MISSING_PAWN_SHIELD[0];
    }
    const BitBoard zone = bbKingAttack[k];
    int units = kingAttackWeight[KNIGHT] * bitCount(zone & opp.attKnight) +
                kingAttackWeight[BISHOP] * bitCount(zone & opp.attBishop) +
                kingAttackWeight[ROOK] * bitCount(zone & opp.attRook) +
                kingAttackWeight[QUEEN] * bitCount(zone & opp.attQueen);
    if (units > 31) units = 31;
    const int safety = (shield - king_attack_table[units]) * oppAdjustedMaterial / KING_SAFETY_MATERIAL;
    const int placement = (rr == 0 && f != 3 && f != 4) ? 0 : -KING_PLACEMENT_PENALTY;
    own.note(TERM_KING_SAFETY, safety, 0);
    own.note(TERM_KING_PLACEMENT, placement, 0);
    return safety + placement;
}

template <int C, bool Trace>
int adjustedMaterial(const ChessBoardNode& n, TermSums<Trace>& own) {
    int m = n.material[C];
    own.note(TERM_MATERIAL, m, m);
    if (bitCount(n.bbPiece[C][BISHOP]) >= 2) {
        m += EVAL_BISHOP_PAIR;
        own.note(TERM_BISHOP_PAIR, EVAL_BISHOP_PAIR, EVAL_BISHOP_PAIR);
    }
    if (!n.bbPiece[C][PAWN]) {
        m -= EVAL_NO_PAWNS;
        own.note(TERM_NO_PAWNS, -EVAL_NO_PAWNS, -EVAL_NO_PAWNS);
    }
    return m;
}

// The static score in centipawns for the side to move. With Trace, every term
// is also summed into trace, and a recognised draw still has its terms summed
// (the score stays 0); the search's instance never looks at trace. Always
// inlined, so that the search's evaluation stays one function as it was.
template <bool Trace>
__attribute__((always_inline)) inline int evaluateTerms(const ChessBoardNode& n, int alpha, int beta,
                                                        int lazy, [[maybe_unused]] EvalTrace* trace) {
    // The pawn entry is read after the cheaper terms: start loading it now.
    PawnFacts& pawnEntry = pawnSlot(n.bbPiece[WHITE][PAWN], n.bbPiece[BLACK][PAWN]);
    __builtin_prefetch(&pawnEntry);
    const int side = (int)n.side, xside = (int)n.xside;
    int scale = 32;
    [[maybe_unused]] bool draw = false;
    if (n.gamePhase >= 2) {
        int drawScore = 0;
        if (n.evalEndGames(drawScore, scale)) {
            if constexpr (!Trace) return 0;
            draw = true;
        }
    }

    if (lazy == 1) {
        const int m = n.material[side] - n.material[xside];
        if (m + LAZY_EVAL_MARGIN <= alpha || m - LAZY_EVAL_MARGIN >= beta) return m;
    }

    SideEval<Trace> w, b;
    const int adjW = adjustedMaterial<WHITE>(n, w);
    const int adjB = adjustedMaterial<BLACK>(n, b);
    int mid = adjW - adjB + n.psqMiddle[WHITE] - n.psqMiddle[BLACK];
    int end = adjW - adjB + n.psqEnd[WHITE] - n.psqEnd[BLACK];
    if (side == WHITE) {
        mid += TEMPO_BONUS[EVAL_MG];
        end += TEMPO_BONUS[EVAL_EG];
    } else {
        mid -= TEMPO_BONUS[EVAL_MG];
        end -= TEMPO_BONUS[EVAL_EG];
    }

    mid += blockedPieces<BLACK>(n, b) - blockedPieces<WHITE>(n, w);

    const BitBoard attW = pawnAttackSet<WHITE>(n.bbPiece[WHITE][PAWN]);
    const BitBoard attB = pawnAttackSet<BLACK>(n.bbPiece[BLACK][PAWN]);
    const PawnFacts& facts = pawnFacts(pawnEntry, n.bbPiece[WHITE][PAWN], n.bbPiece[BLACK][PAWN], attW, attB);
    pawnStructure<WHITE>(n, facts, w);
    pawnStructure<BLACK>(n, facts, b);
    pieces<WHITE>(n, attB, w);
    pieces<BLACK>(n, attW, b);
    mid += w.mid - b.mid + kingSafety<WHITE>(n, facts, b, adjB, w) - kingSafety<BLACK>(n, facts, w, adjW, b);
    end += w.end - b.end;

    // The phase is not clamped at 24: after promotions it can pass it and the
    // end-game weight turns negative. Such positions are rare and short-lived
    // (the extra material decides the game), so the blend stays one formula
    // without a test on every call; a clamp would also change their scores.
    const int p = n.phaseMaterial[WHITE] + n.phaseMaterial[BLACK];
    int score = (p * mid + (MAX_GAME_PHASE - p) * end) / MAX_GAME_PHASE;
    if constexpr (Trace) {
        w.note(TERM_PIECE_SQUARE, n.psqMiddle[WHITE], n.psqEnd[WHITE]);
        b.note(TERM_PIECE_SQUARE, n.psqMiddle[BLACK], n.psqEnd[BLACK]);
        TermSums<true>& mover = side == WHITE ? w : b;
        mover.note(TERM_TEMPO, TEMPO_BONUS[EVAL_MG], TEMPO_BONUS[EVAL_EG]);
        for (int t = 0; t < TERM_COUNT; t++)
            for (int h = EVAL_MG; h <= EVAL_EG; h++) {
                trace->term[t][WHITE][h] = w.sum[t][h];
                trace->term[t][BLACK][h] = b.sum[t][h];
            }
        trace->mid = mid;
        trace->end = end;
        trace->phase = p;
        trace->blended = score;
        trace->scale = scale;
        trace->draw = draw;
    }
    if (scale != 32) score = score * scale / 32;
    if constexpr (Trace)
        if (draw) score = 0;
    return side == WHITE ? score : -score;
}

}  // namespace

int ChessBoardNode::evaluate(int alpha, int beta, int lazy) const {
    return evaluateTerms<false>(*this, alpha, beta, lazy, nullptr);
}

int explainEvaluation(const ChessBoardNode& n, EvalTrace& trace) {
    trace.score = evaluateTerms<true>(n, -MATE_VALUE, MATE_VALUE, 0, &trace);
    return trace.score;
}
