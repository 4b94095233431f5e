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
    static ChessBoardUCI* b = new ChessBoardUCI;
    [[maybe_unused]] static const int ready = b->init(16);
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
    char fen[256];
    auto add = [&] { b->getFENPosition(fen), fens.push_back(fen); };
    for (const char* name : {"perft.epd", "bk.epd"}) {
        std::ifstream in(std::string(PELLUX_TEST_DATA) + "/" + name);
        for (std::string line; std::getline(in, line);)
            if (b->setFENPosition(line.c_str())) add();
    }
    const size_t base = fens.size();
    srand(12345);
    for (size_t i = 0; i < base; i++)
        for (int w = 0; w < walksPerPosition && b->setFENPosition(fens[i].c_str()); w++)
            for (int p = 0; p < plies; p++) {  // a random move, as long as it is legal
                ChessMoveSort list[256];
                const int n = b->node.generateMoves(list, b->node.sideInCheck());
                if (n == 0) break;
                b->node.makeMove(list[rand() % n].move);
                if (b->node.moverInCheck()) break;
                add();
            }
    return fens;
}

// Terms as White's minus Black's; mid and end are the full sums before the blend.
struct Terms {
    int blocked = 0, pawnMid = 0, pawnEnd = 0, passedMid = 0, passedEnd = 0, piecesMid = 0, piecesEnd = 0;
    int mid = 0, end = 0, phase = 0, blended = 0;
};

class Reference {
public:
    explicit Reference(const ChessBoardUCI* b) {
        char sq[64];
        int castle, ep, fifty, fullmove = 0;
        b->getPosition(sq, side, castle, ep, fullmove, fifty);
        for (int s = 0; s < 64; s++) at[s] = sq[s], phase += PieceGamePhaseValue[type(s)];
    }

    // Black's terms are White's on the colour-flipped board.
    Terms evaluate() const {
        Reference flipped(*this);
        for (int s = 0; s < 64; s++) flipped.at[s] = -at[s ^ 56];
        const Terms w = white(), b = flipped.white();
        Terms t;
        for (int Terms::*m : {&Terms::blocked, &Terms::pawnMid, &Terms::passedMid, &Terms::passedEnd,
                              &Terms::piecesMid, &Terms::mid, &Terms::end})
            t.*m = w.*m - b.*m;
        t.end += side == WHITE ? 5 : -5;  // tempo
        t.mid += side == WHITE ? 5 : -5;
        t.phase = phase;
        t.blended = (phase * t.mid + (24 - phase) * t.end) / 24;
        return t;
    }

    // Whether the piece on s attacks square `to` over the current board.
    bool hits(int s, int to) const {
        BitBoard occ = 0;
        for (int p = 0; p < 64; p++) occ |= (BitBoard)(at[p] != 0) << p;
        const BitBoard a[7] = {0,
                               bbPawnAttack[at[s] > 0 ? WHITE : BLACK][s],
                               bbKnightAttack[s],
                               bishopAttack(s, occ),
                               rookAttack(s, occ),
                               queenAttack(s, occ),
                               bbKingAttack[s]};
        return (a[type(s)] >> to) & 1;
    }
    int type(int s) const { return std::abs(at[s]); }
    int colourAt(int s) const { return at[s] > 0 ? WHITE : at[s] < 0 ? BLACK : -1; }
    bool is(int s, int c, int t) const { return at[s] == (c == WHITE ? t : -t); }

    int side;
    int at[64];
    int phase = 0;

private:
    static int fileDist(int a, int b) { return std::abs((a & 7) - (b & 7)); }
    static int dist(int a, int b) { return std::max(fileDist(a, b), std::abs((a >> 3) - (b >> 3))); }
    int count(int c, int t) const { return (int)std::count(at, at + 64, c == WHITE ? t : -t); }
    int kingOf(int c) const { return int(std::find(at, at + 64, c == WHITE ? KING : -KING) - at) % 64; }
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

    Terms white() const {
        Terms t;
        t.mid = t.end = adjusted(WHITE);
        for (int s = 0; s < 64; s++)
            if (at[s] > 0) {  // only Black's half of the tables is written out; White reads it mirrored
                t.mid += piece_square_table_middlegame[BLACK][at[s]][s ^ 56];
                t.end += piece_square_table_endgame[BLACK][at[s]][s ^ 56];
            }
        const int k = kingOf(WHITE);
        auto w = [&](int s, int ty) { return is(s, WHITE, ty); };
        auto bp = [&](int s) { return is(s, BLACK, PAWN); };
        t.blocked = -(20 * (w(11, PAWN) && at[19]) + 20 * (w(12, PAWN) && at[20]) +
                      100 * (w(48, KNIGHT) && bp(40) && bp(49)) + 100 * (w(55, KNIGHT) && bp(47) && bp(54)) +
                      100 * (w(48, BISHOP) && bp(41)) + 100 * (w(55, BISHOP) && bp(46)) +
                      50 * (k >= 5 && k <= 7 && (w(6, ROOK) || w(7, ROOK))) +
                      50 * (k <= 2 && (w(0, ROOK) || w(1, ROOK))));
        pawnTerms(t);
        pieceTerms(t);
        t.mid += t.blocked + t.pawnMid + t.passedMid + t.piecesMid + kingSafety(k);
        t.end += t.pawnEnd + t.passedEnd + t.piecesEnd;
        return t;
    }
    void pawnTerms(Terms& t) const {
        for (int s = 0; s < 56; s++) {
            if (!is(s, WHITE, PAWN)) continue;
            const int r = s >> 3, front = s + 8;
            bool doubled = false, isolated = true, enemyAhead = false, support = false, defended = false;
            bool frontAttacked = false;
            for (int o = 0; o < 64; o++) {
                const int df = fileDist(o, s), ro = o >> 3;
                const bool own = is(o, WHITE, PAWN), enemy = is(o, BLACK, PAWN);
                doubled |= own && df == 0 && ro > r;
                isolated &= !(own && df == 1);
                support |= own && df == 1 && ro <= r;
                defended |= own && df == 1 && ro == r - 1;
                enemyAhead |= enemy && df <= 1 && ro > r;
                frontAttacked |= enemy && hits(o, front);
            }
            if (!enemyAhead && !doubled) {
                const int pm = EVAL_PASSED_PAWN[0][r], pe = EVAL_PASSED_PAWN[1][r];
                const int halves = defended - (at[front] < 0);
                t.passedMid += pm + halves * (pm / 2);
                t.passedEnd += pe + halves * (pe / 2) + dist(kingOf(BLACK), s) - dist(kingOf(WHITE), s) + 1;
            }
            const bool backward = enemyAhead && !isolated && !support && frontAttacked;
            t.pawnMid -= doubled * EVAL_DOUBLED_PAWN[0] + isolated * EVAL_ISOLATED_PAWN[0] +
                         backward * EVAL_BACKWARD_PAWN[0];
            t.pawnEnd -= doubled * EVAL_DOUBLED_PAWN[1] + isolated * EVAL_ISOLATED_PAWN[1] +
                         backward * EVAL_BACKWARD_PAWN[1];
        }
    }
    void pieceTerms(Terms& t) const {
        bool seventhTarget = kingOf(BLACK) >> 3 == 7;
        for (int s = 48; s < 56; s++) seventhTarget |= is(s, BLACK, PAWN);
        for (int s = 0; s < 64; s++) {
            const int ty = at[s];
            if (ty < KNIGHT || ty > QUEEN) continue;
            int n = 0, fileMid = 0, fileEnd = 0;
            for (int a = 0; a < 64; a++) n += at[a] <= 0 && hits(s, a) && !attackedBy(a, BLACK, PAWN);
            int bonus = ty == QUEEN ? n - 2 : 4 * (n - 2);
            if (ty == KNIGHT && pos_outpost_knight[WHITE][s] && !attackedBy(s, BLACK, PAWN) &&
                attackedBy(s, WHITE, PAWN))
                bonus += pos_outpost_knight[WHITE][s];
            if (ty == ROOK) {
                bool own = false, opp = false;
                for (int o = s & 7; o < 64; o += 8) own |= is(o, WHITE, PAWN), opp |= is(o, BLACK, PAWN);
                fileMid = own ? 0 : opp ? 10 : EVAL_ROOK_OPEN_FILE[0];
                fileEnd = own ? 0 : opp ? 10 : EVAL_ROOK_OPEN_FILE[1];
            }
            if ((ty == ROOK || ty == QUEEN) && s >> 3 == 6 && seventhTarget) bonus += ty == ROOK ? 20 : 10;
            if (ty == QUEEN && phase >= 21 && s != 3) bonus -= 20;
            t.piecesMid += bonus + fileMid;
            t.piecesEnd += bonus + fileEnd;
        }
    }
    int kingSafety(int k) const {
        int shield = 0, units = 0;
        if (k >> 3 <= 1)
            for (int f = std::max(0, (k & 7) - 1); f <= std::min(7, (k & 7) + 1); f++) {
                int nearest = 0;
                for (int r = 7; r >= 0; r--)  // from the far side, so that the nearest pawn wins
                    if (is(r * 8 + f, WHITE, PAWN)) nearest = r;
                shield -= EVAL_MISSING_PAWN_SHIELD[nearest];
            }
        for (int a = 0; a < 64; a++)
            if (hits(k, a))
                units += 2 * attackedBy(a, BLACK, KNIGHT) + 2 * attackedBy(a, BLACK, BISHOP) +
                         3 * attackedBy(a, BLACK, ROOK) + 5 * attackedBy(a, BLACK, QUEEN);
        const int placement = (k >> 3 == 0 && (k & 7) != 3 && (k & 7) != 4) ? 0 : -20;
        return (shield - king_attack_table[std::min(units, 31)]) * adjusted(BLACK) / 4075 + placement;
    }
};

}  // namespace evaltest
