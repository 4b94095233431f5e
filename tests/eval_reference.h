// Test helpers shared by the evaluation and exchange tests: positions from the
// test data, random walks from them, and a slow square-by-square evaluation
// written independently of the engine's bitboard code.
#pragma once

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "eval/weights.h"
#include "frontend/chessboarduci.h"

namespace evaltest {

inline ChessBoardUCI* newBoard() {
    ChessBoardUCI* b = new ChessBoardUCI;
    b->init(16);
    return b;
}

// FEN part (first four fields) of every line of a data file.
inline std::vector<std::string> dataFens(const char* name) {
    std::vector<std::string> out;
    std::ifstream in(std::string(PELLUX_TEST_DATA) + "/" + name);
    std::string line;
    while (std::getline(in, line)) {
        size_t pos = 0;
        for (int field = 0; field < 4 && pos != std::string::npos; field++) pos = line.find(' ', pos + 1);
        if (pos != std::string::npos) out.push_back(line.substr(0, pos) + " 0 1");
    }
    return out;
}

// The data positions plus positions reached by short random legal walks from them.
inline std::vector<std::string> corpus(ChessBoardUCI* b, int walksPerPosition = 6, int plies = 24) {
    std::vector<std::string> fens = dataFens("perft.epd");
    for (const std::string& f : dataFens("bk.epd")) fens.push_back(f);
    const size_t base = fens.size();
    srand(12345);
    for (size_t i = 0; i < base; i++) {
        for (int w = 0; w < walksPerPosition; w++) {
            if (!b->setFENPosition(fens[i].c_str())) break;
            for (int p = 0; p < plies; p++) {
                ChessMoveSort list[256];
                const int n = b->node.generateMoves(list, b->node.sideInCheck());
                std::vector<ChessMove> legal;
                for (int k = 0; k < n; k++) {
                    b->node.makeMove(list[k].move);
                    if (!b->node.moverInCheck()) legal.push_back(list[k].move);
                    b->node.unMakeMove(list[k].move);
                }
                if (legal.empty()) break;
                b->node.makeMove(legal[rand() % legal.size()]);
                char fen[256];
                b->getFENPosition(fen);
                fens.push_back(fen);
            }
        }
    }
    return fens;
}

// Term-by-term evaluation from White's side, computed square by square.
struct Terms {
    int material = 0, psqMid = 0, psqEnd = 0, tempo = 0, blocked = 0;
    int pawnMid = 0, pawnEnd = 0, passedMid = 0, passedEnd = 0;
    int piecesMid = 0, piecesEnd = 0, king = 0;
    int mid = 0, end = 0, phase = 0, blended = 0;
};

class Reference {
public:
    explicit Reference(const ChessBoardUCI* b) {
        char sq[64];
        int castle, ep, fifty, fullmove = 0;
        b->getPosition(sq, side, castle, ep, fullmove, fifty);
        for (int s = 0; s < 64; s++) at[s] = sq[s];
    }

    Terms evaluate() const {
        Terms t;
        for (int c = 0; c < 2; c++) {
            const int sg = c == WHITE ? 1 : -1;
            t.material += sg * adjusted(c);
            t.blocked -= sg * blockedPenalty(c);
            for (int s = 0; s < 64; s++) {
                if (colourAt(s) != c) continue;
                // Only the Black half is written out; White reads it mirrored.
                const int ps = c == WHITE ? s ^ 56 : s;
                t.psqMid += sg * piece_square_table_middlegame[BLACK][type(s)][ps];
                t.psqEnd += sg * piece_square_table_endgame[BLACK][type(s)][ps];
                t.phase += PieceGamePhaseValue[type(s)];
            }
            pawnTerms(c, sg, t);
            pieceTerms(c, sg, t);
            t.king += sg * kingSafety(c);
        }
        t.tempo = side == WHITE ? 5 : -5;
        t.mid = t.material + t.psqMid + t.tempo + t.blocked + t.pawnMid + t.passedMid + t.piecesMid + t.king;
        t.end = t.material + t.psqEnd + t.tempo + t.pawnEnd + t.passedEnd + t.piecesEnd;
        t.blended = (t.phase * t.mid + (24 - t.phase) * t.end) / 24;
        return t;
    }

    int side;
    int at[64];

private:
    static int fileDist(int a, int b) { return std::abs((a & 7) - (b & 7)); }
    static int dist(int a, int b) { return std::max(fileDist(a, b), std::abs((a >> 3) - (b >> 3))); }
    int type(int s) const { return std::abs(at[s]); }
    int colourAt(int s) const { return at[s] > 0 ? WHITE : at[s] < 0 ? BLACK : -1; }
    bool is(int s, int c, int t) const { return s >= 0 && s < 64 && at[s] == (c == WHITE ? t : -t); }
    static int rel(int c, int s) { return c == WHITE ? s : s ^ 56; }        // White square seen by c
    static int relRank(int c, int s) { return c == WHITE ? s >> 3 : 7 - (s >> 3); }
    int count(int c, int t) const {
        int n = 0;
        for (int s = 0; s < 64; s++) n += is(s, c, t);
        return n;
    }
    int kingOf(int c) const {
        for (int s = 0; s < 64; s++)
            if (is(s, c, KING)) return s;
        return 0;
    }
    int adjusted(int c) const {
        static const int value[8] = {0, 100, 325, 325, 500, 975, 0, 0};
        int m = 0;
        for (int t = PAWN; t <= KING; t++) m += value[t] * count(c, t);
        if (count(c, BISHOP) >= 2) m += 50;
        if (count(c, PAWN) == 0) m -= 50;
        return m;
    }
    // Squares attacked by a piece of type t on s, walking rays over the board.
    std::vector<int> attacks(int s, int t, int c) const {
        std::vector<int> out;
        auto step = [&](int df, int dr, bool slide) {
            int f = (s & 7) + df, r = (s >> 3) + dr;
            while (f >= 0 && f < 8 && r >= 0 && r < 8) {
                out.push_back(r * 8 + f);
                if (!slide || at[r * 8 + f]) break;
                f += df;
                r += dr;
            }
        };
        const int fwd = c == WHITE ? 1 : -1;
        if (t == PAWN) {
            step(-1, fwd, false);
            step(1, fwd, false);
        }
        if (t == KNIGHT)
            for (int d : {-2, -1, 1, 2})
                for (int e : {-1, 1}) step(d, e * (3 - std::abs(d)), false);
        if (t == BISHOP || t == QUEEN || t == KING)
            for (int d : {-1, 1})
                for (int e : {-1, 1}) step(d, e, t != KING);
        if (t == ROOK || t == QUEEN || t == KING) {
            step(1, 0, t != KING);
            step(-1, 0, t != KING);
            step(0, 1, t != KING);
            step(0, -1, t != KING);
        }
        return out;
    }
    bool attackedBy(int s, int c, int t) const {
        for (int p = 0; p < 64; p++)
            if (is(p, c, t))
                for (int a : attacks(p, t, c))
                    if (a == s) return true;
        return false;
    }
    int blockedPenalty(int c) const {
        const int x = c ^ 1;
        int p = 0;
        auto sq = [&](int s) { return rel(c, s); };
        if (is(sq(11), c, PAWN) && at[sq(19)]) p += 20;
        if (is(sq(12), c, PAWN) && at[sq(20)]) p += 20;
        if (is(sq(48), c, KNIGHT) && is(sq(40), x, PAWN) && is(sq(49), x, PAWN)) p += 100;
        if (is(sq(55), c, KNIGHT) && is(sq(47), x, PAWN) && is(sq(54), x, PAWN)) p += 100;
        if (is(sq(48), c, BISHOP) && is(sq(41), x, PAWN)) p += 100;
        if (is(sq(55), c, BISHOP) && is(sq(46), x, PAWN)) p += 100;
        const int k = rel(c, kingOf(c));
        if (k >= 5 && k <= 7 && (is(sq(6), c, ROOK) || is(sq(7), c, ROOK))) p += 50;
        if (k >= 0 && k <= 2 && (is(sq(0), c, ROOK) || is(sq(1), c, ROOK))) p += 50;
        return p;
    }
    void pawnTerms(int c, int sg, Terms& t) const {
        static const int passed[2][8] = {{0, 0, 0, 20, 50, 80, 100, 0}, {0, 10, 10, 40, 100, 160, 200, 0}};
        const int x = c ^ 1;
        for (int s = 0; s < 64; s++) {
            if (!is(s, c, PAWN)) continue;
            const int r = relRank(c, s);
            bool doubled = false, isolated = true, enemyAhead = false, support = false;
            for (int o = 0; o < 64; o++) {
                const bool ahead = relRank(c, o) > r;
                if (is(o, c, PAWN) && o != s && fileDist(o, s) == 0 && ahead) doubled = true;
                if (is(o, c, PAWN) && fileDist(o, s) == 1) {
                    isolated = false;
                    if (relRank(c, o) <= r) support = true;
                }
                if (is(o, x, PAWN) && fileDist(o, s) <= 1 && ahead) enemyAhead = true;
            }
            const int front = s + (c == WHITE ? 8 : -8);
            int m = -doubled * EVAL_DOUBLED_PAWN[0] - isolated * EVAL_ISOLATED_PAWN[0];
            int e = -doubled * EVAL_DOUBLED_PAWN[1] - isolated * EVAL_ISOLATED_PAWN[1];
            if (!enemyAhead && !doubled) {
                int pm = passed[0][r], pe = passed[1][r];
                int bm = pm, be = pe;
                if (front >= 0 && front < 64 && colourAt(front) == x) bm -= pm / 2, be -= pe / 2;
                bool defended = false;
                for (int d : {-1, 1}) {
                    const int behind = s - (c == WHITE ? 8 : -8) + d;
                    if (behind >= 0 && behind < 64 && fileDist(behind, s) == 1 && is(behind, c, PAWN)) defended = true;
                }
                if (defended) bm += pm / 2, be += pe / 2;
                be += dist(kingOf(x), s) - dist(kingOf(c), s) + 1;
                t.passedMid += sg * bm;
                t.passedEnd += sg * be;
            }
            if (enemyAhead && !isolated && !support && front >= 0 && front < 64 && attackedBy(front, x, PAWN)) {
                m -= EVAL_BACKWARD_PAWN[0];
                e -= EVAL_BACKWARD_PAWN[1];
            }
            t.pawnMid += sg * m;
            t.pawnEnd += sg * e;
        }
    }
    void pieceTerms(int c, int sg, Terms& t) const {
        const int x = c ^ 1;
        const bool seventhTarget = relRank(c, kingOf(x)) == 7 || [&] {
            for (int s = 0; s < 64; s++)
                if (is(s, x, PAWN) && relRank(c, s) == 6) return true;
            return false;
        }();
        int phase = 0;
        for (int s = 0; s < 64; s++) phase += PieceGamePhaseValue[type(s)];
        for (int s = 0; s < 64; s++) {
            const int ty = type(s);
            if (colourAt(s) != c || ty < KNIGHT || ty > QUEEN) continue;
            int n = 0;
            for (int a : attacks(s, ty, c))
                if (colourAt(a) != c && !attackedBy(a, x, PAWN)) n++;
            int bonus = ty == QUEEN ? n - 2 : 4 * (n - 2), bonusEnd = bonus;
            if (ty == KNIGHT && pos_outpost_knight[c][s] && !attackedBy(s, x, PAWN) && attackedBy(s, c, PAWN))
                bonus += pos_outpost_knight[c][s], bonusEnd += pos_outpost_knight[c][s];
            if (ty == ROOK) {
                bool own = false, opp = false;
                for (int o = 0; o < 64; o++)
                    if (fileDist(o, s) == 0) own |= is(o, c, PAWN), opp |= is(o, x, PAWN);
                const int v = own ? 0 : opp ? 10 : EVAL_ROOK_OPEN_FILE[0];
                bonus += v, bonusEnd += own ? 0 : opp ? 10 : EVAL_ROOK_OPEN_FILE[1];
            }
            if ((ty == ROOK || ty == QUEEN) && relRank(c, s) == 6 && seventhTarget)
                bonus += ty == ROOK ? 20 : 10, bonusEnd += ty == ROOK ? 20 : 10;
            if (ty == QUEEN && phase >= 21 && s != rel(c, 3)) bonus -= 20, bonusEnd -= 20;
            t.piecesMid += sg * bonus;
            t.piecesEnd += sg * bonusEnd;
        }
    }
    int kingSafety(int c) const {
        static const int shieldTable[8] = {50, 0, 10, 20, 30, 30, 30, 50};
        static const int attackTable[32] = {0,   2,   4,   8,   11,  16,  23,  31,  41,  54,  69,
                                            89,  113, 142, 176, 216, 262, 314, 371, 431, 494, 556,
                                            616, 673, 725, 771, 811, 845, 874, 898, 918, 933};
        const int k = kingOf(c), x = c ^ 1;
        int shield = 0;
        if (relRank(c, k) <= 1)
            for (int f = (k & 7) - 1; f <= (k & 7) + 1; f++) {
                if (f < 0 || f > 7) continue;
                int nearest = 0;
                for (int r = 7; r >= 0; r--) {  // walk from the far side so the nearest pawn wins
                    const int s = rel(c, r * 8 + f);
                    if (is(s, c, PAWN)) nearest = r;
                }
                shield -= shieldTable[nearest];
            }
        int units = 0;
        for (int a : attacks(k, KING, c))
            units += 2 * attackedBy(a, x, KNIGHT) + 2 * attackedBy(a, x, BISHOP) + 3 * attackedBy(a, x, ROOK) +
                     5 * attackedBy(a, x, QUEEN);
        units = std::min(units, 31);
        const int placement = (relRank(c, k) == 0 && (k & 7) != 3 && (k & 7) != 4) ? 0 : -20;
        return (shield - attackTable[units]) * adjusted(x) / 4075 + placement;
    }
};

}  // namespace evaltest
