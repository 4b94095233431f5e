// Test helpers shared by the evaluation and exchange tests: positions from the
// test data, random walks from them, and a slow square-by-square evaluation
// written independently of the engine's evaluation (it borrows only the
// attack tables, which the board tests check).
#pragma once

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "eval/weights.h"
#include "frontend/chessboarduci.h"

namespace evaltest {

inline ChessBoardUCI* sharedBoard() {
    static ChessBoardUCI* b = [] {
        ChessBoardUCI* nb = new ChessBoardUCI;
        nb->init(16);
        return nb;
    }();
    return b;
}

// Test names from a `name` field of the parameter.
struct ByName {
    template <typename Info>
    std::string operator()(const Info& info) const {
        return info.param.name;
    }
};

// The positions of both data files plus positions reached by short random
// legal walks from them.
inline std::vector<std::string> corpus(ChessBoardUCI* b, int walksPerPosition, int plies) {
    std::vector<std::string> fens;
    auto add = [&] {
        char fen[256];
        b->getFENPosition(fen);
        fens.push_back(fen);
    };
    for (const char* name : {"perft.epd", "bk.epd"}) {
        std::ifstream in(std::string(PELLUX_TEST_DATA) + "/" + name);
        for (std::string line; std::getline(in, line);)
            if (b->setFENPosition(line.c_str())) add();
    }
    const size_t base = fens.size();
    srand(12345);
    for (size_t i = 0; i < base; i++) {
        for (int w = 0; w < walksPerPosition && b->setFENPosition(fens[i].c_str()); w++) {
            for (int p = 0; p < plies; p++) {
                ChessMoveSort list[256];
                const int n = b->node.generateMoves(list, b->node.sideInCheck());
                int k = 0;  // the first legal move from a random start
                for (const int start = n ? rand() % n : 0; k < n; k++) {
                    const ChessMove m = list[(start + k) % n].move;
                    b->node.makeMove(m);
                    if (!b->node.moverInCheck()) break;
                    b->node.unMakeMove(m);
                }
                if (k == n) break;
                add();
            }
        }
    }
    return fens;
}

// Terms from White's side; mid and end are the full sums before the blend.
struct Terms {
    int blocked = 0, pawnMid = 0, passedMid = 0, passedEnd = 0, piecesMid = 0;
    int mid = 0, end = 0, phase = 0, blended = 0;
};

class Reference {
public:
    explicit Reference(const ChessBoardUCI* b) {
        char sq[64];
        int castle, ep, fifty, fullmove = 0;
        b->getPosition(sq, side, castle, ep, fullmove, fifty);
        for (int s = 0; s < 64; s++) at[s] = sq[s];
        for (int s = 0; s < 64; s++) phase += PieceGamePhaseValue[type(s)];
    }

    Terms evaluate() const {
        Terms t;
        t.phase = phase;
        int pawnEnd = 0, piecesEnd = 0, king = 0;
        t.mid = t.end = side == WHITE ? 5 : -5;  // tempo
        for (int c = 0; c < 2; c++) {
            const int sg = c == WHITE ? 1 : -1;
            t.mid += sg * adjusted(c);
            t.end += sg * adjusted(c);
            t.blocked -= sg * blockedPenalty(c);
            for (int s = 0; s < 64; s++) {
                if (colourAt(s) != c) continue;
                // Only the Black half is written out; White reads it mirrored.
                t.mid += sg * piece_square_table_middlegame[BLACK][type(s)][c == WHITE ? s ^ 56 : s];
                t.end += sg * piece_square_table_endgame[BLACK][type(s)][c == WHITE ? s ^ 56 : s];
            }
            pawnTerms(c, sg, t, pawnEnd);
            pieceTerms(c, sg, t, piecesEnd);
            king += sg * kingSafety(c);
        }
        t.mid += t.blocked + t.pawnMid + t.passedMid + t.piecesMid + king;
        t.end += pawnEnd + t.passedEnd + piecesEnd;
        t.blended = (phase * t.mid + (24 - phase) * t.end) / 24;
        return t;
    }

    // Whether the piece on s attacks square `to` over the current board.
    bool hits(int s, int to) const {
        BitBoard occ = 0, a = 0;
        if (type(s) >= BISHOP && type(s) <= QUEEN)
            for (int p = 0; p < 64; p++) occ |= (BitBoard)(at[p] != 0) << p;
        switch (type(s)) {
            case PAWN:
                a = bbPawnAttack[colourAt(s)][s];
                break;
            case KNIGHT:
                a = bbKnightAttack[s];
                break;
            case BISHOP:
                a = bishopAttack(s, occ);
                break;
            case ROOK:
                a = rookAttack(s, occ);
                break;
            case QUEEN:
                a = queenAttack(s, occ);
                break;
            case KING:
                a = bbKingAttack[s];
                break;
        }
        return (a >> to) & 1;
    }
    int type(int s) const { return std::abs(at[s]); }
    int colourAt(int s) const { return at[s] > 0 ? WHITE : at[s] < 0 ? BLACK : -1; }
    bool is(int s, int c, int t) const { return s >= 0 && s < 64 && at[s] == (c == WHITE ? t : -t); }

    int side;
    int at[64];
    int phase = 0;

private:
    static int fileDist(int a, int b) { return std::abs((a & 7) - (b & 7)); }
    static int dist(int a, int b) { return std::max(fileDist(a, b), std::abs((a >> 3) - (b >> 3))); }
    static int rel(int c, int s) { return c == WHITE ? s : s ^ 56; }  // White's square s seen by c
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
    bool attackedBy(int s, int c, int t) const {
        for (int p = 0; p < 64; p++)
            if (is(p, c, t) && hits(p, s)) return true;
        return false;
    }
    int adjusted(int c) const {
        int m = 0;
        for (int t = PAWN; t <= KING; t++) m += PieceCaptureValue[t] * count(c, t);
        return m + (count(c, BISHOP) >= 2 ? 50 : 0) - (count(c, PAWN) == 0 ? 50 : 0);
    }
    int blockedPenalty(int c) const {
        const int x = c ^ 1, k = rel(c, kingOf(c));
        auto on = [&](int s, int col, int t) { return is(rel(c, s), col, t); };
        return 20 * (on(11, c, PAWN) && at[rel(c, 19)]) + 20 * (on(12, c, PAWN) && at[rel(c, 20)]) +
               100 * (on(48, c, KNIGHT) && on(40, x, PAWN) && on(49, x, PAWN)) +
               100 * (on(55, c, KNIGHT) && on(47, x, PAWN) && on(54, x, PAWN)) +
               100 * (on(48, c, BISHOP) && on(41, x, PAWN)) + 100 * (on(55, c, BISHOP) && on(46, x, PAWN)) +
               50 * (k >= 5 && k <= 7 && (on(6, c, ROOK) || on(7, c, ROOK))) +
               50 * (k >= 0 && k <= 2 && (on(0, c, ROOK) || on(1, c, ROOK)));
    }
    void pawnTerms(int c, int sg, Terms& t, int& pawnEnd) const {
        const int x = c ^ 1;
        for (int s = 0; s < 64; s++) {
            if (!is(s, c, PAWN)) continue;
            const int r = relRank(c, s), front = s + (c == WHITE ? 8 : -8);
            bool doubled = false, isolated = true, enemyAhead = false, support = false, defended = false;
            bool frontAttacked = false;
            for (int o = 0; o < 64; o++) {
                const int df = fileDist(o, s), ro = relRank(c, o);
                doubled |= is(o, c, PAWN) && df == 0 && ro > r;
                isolated &= !(is(o, c, PAWN) && df == 1);
                support |= is(o, c, PAWN) && df == 1 && ro <= r;
                defended |= is(o, c, PAWN) && df == 1 && ro == r - 1;
                enemyAhead |= is(o, x, PAWN) && df <= 1 && ro > r;
                frontAttacked |= is(o, x, PAWN) && front >= 0 && front < 64 && hits(o, front);
            }
            if (!enemyAhead && !doubled) {
                const int pm = EVAL_PASSED_PAWN[0][r], pe = EVAL_PASSED_PAWN[1][r];
                const int halves = defended - (front >= 0 && front < 64 && colourAt(front) == x);
                t.passedMid += sg * (pm + halves * (pm / 2));
                t.passedEnd += sg * (pe + halves * (pe / 2) + dist(kingOf(x), s) - dist(kingOf(c), s) + 1);
            }
            const bool backward = enemyAhead && !isolated && !support && frontAttacked;
            for (int h = 0; h < 2; h++)
                (h ? pawnEnd : t.pawnMid) -=
                    sg * (doubled * EVAL_DOUBLED_PAWN[h] + isolated * EVAL_ISOLATED_PAWN[h] +
                          backward * EVAL_BACKWARD_PAWN[h]);
        }
    }
    void pieceTerms(int c, int sg, Terms& t, int& piecesEnd) const {
        const int x = c ^ 1;
        bool seventhTarget = relRank(c, kingOf(x)) == 7;
        for (int s = 0; s < 64; s++) seventhTarget |= is(s, x, PAWN) && relRank(c, s) == 6;
        for (int s = 0; s < 64; s++) {
            const int ty = type(s);
            if (colourAt(s) != c || ty < KNIGHT || ty > QUEEN) continue;
            int n = 0;
            for (int a = 0; a < 64; a++) n += hits(s, a) && colourAt(a) != c && !attackedBy(a, x, PAWN);
            int bonus = ty == QUEEN ? n - 2 : 4 * (n - 2), fileMid = 0, fileEnd = 0;
            if (ty == KNIGHT && pos_outpost_knight[c][s] && !attackedBy(s, x, PAWN) && attackedBy(s, c, PAWN))
                bonus += pos_outpost_knight[c][s];
            if (ty == ROOK) {
                bool own = false, opp = false;
                for (int o = 0; o < 64; o++)
                    if (fileDist(o, s) == 0) own |= is(o, c, PAWN), opp |= is(o, x, PAWN);
                fileMid = own ? 0 : opp ? 10 : EVAL_ROOK_OPEN_FILE[0];
                fileEnd = own ? 0 : opp ? 10 : EVAL_ROOK_OPEN_FILE[1];
            }
            if ((ty == ROOK || ty == QUEEN) && relRank(c, s) == 6 && seventhTarget)
                bonus += ty == ROOK ? 20 : 10;
            if (ty == QUEEN && phase >= 21 && s != rel(c, 3)) bonus -= 20;
            t.piecesMid += sg * (bonus + fileMid);
            piecesEnd += sg * (bonus + fileEnd);
        }
    }
    int kingSafety(int c) const {
        const int k = kingOf(c), x = c ^ 1;
        int shield = 0, units = 0;
        if (relRank(c, k) <= 1)
            for (int f = std::max(0, (k & 7) - 1); f <= std::min(7, (k & 7) + 1); f++) {
                int nearest = 0;
                for (int r = 7; r >= 0; r--)  // from the far side, so that the nearest pawn wins
                    if (is(rel(c, r * 8 + f), c, PAWN)) nearest = r;
                shield -= EVAL_MISSING_PAWN_SHIELD[nearest];
            }
        for (int a = 0; a < 64; a++)
            if (hits(k, a))
                units += 2 * attackedBy(a, x, KNIGHT) + 2 * attackedBy(a, x, BISHOP) +
                         3 * attackedBy(a, x, ROOK) + 5 * attackedBy(a, x, QUEEN);
        const int placement = (relRank(c, k) == 0 && (k & 7) != 3 && (k & 7) != 4) ? 0 : -20;
        return (shield - king_attack_table[std::min(units, 31)]) * adjusted(x) / 4075 + placement;
    }
};

}  // namespace evaltest
