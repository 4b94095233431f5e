// The position as a diagram and the evaluation as a table, printed line by
// line for the UCI "d" and "eval" commands.
#include "frontend/look.h"

#include <cstdio>

#include "eval/evaltrace.h"
#include "eval/weights.h"
#include "frontend/chessboarduci.h"

namespace {

const char* const RULE = " +---+---+---+---+---+---+---+---+";

// The pieces of the side not to move that attack the king of the side to move.
BitBoard checkers(const ChessBoardNode& n) {
    const int us = (int)n.side, them = us ^ 1;
    if (!n.bbPiece[us][KING]) return 0;  // a side without a king is never in check
    const int k = (int)n.kingSquare[us];
    const BitBoard(&p)[8] = n.bbPiece[them];
    return (bbPawnAttack[us][k] & p[PAWN]) | (bbKnightAttack[k] & p[KNIGHT]) |
           (bishopAttack(k, n.bbOccupied) & (p[BISHOP] | p[QUEEN])) |
           (rookAttack(k, n.bbOccupied) & (p[ROOK] | p[QUEEN])) | (bbKingAttack[k] & p[KING]);
}

// One row of the evaluation table: a name, then middle-game and end-game
// values of White, of Black and their difference.
void termRow(const char* name, const int (&white)[2], const int (&black)[2]) {
    sendCommandf(" %-16s| %6d %6d | %6d %6d | %6d %6d", name, white[EVAL_MG], white[EVAL_EG], black[EVAL_MG],
                 black[EVAL_EG], white[EVAL_MG] - black[EVAL_MG], white[EVAL_EG] - black[EVAL_EG]);
}

}  // namespace

void printDiagram(const ChessBoard& b) {
    const ChessBoardNode& n = b.node;
    sendCommand(RULE);
    for (int rank = 7; rank >= 0; rank--) {
        char row[48];
        int used = 0;
        row[used++] = ' ';
        for (int file = 0; file < 8; file++) {
            const int s = rank * 8 + file;
            char piece = ' ';
            if (n.squarePiece[s]) {
                piece = pieceName[n.squarePiece[s] & 7];
                if (n.bbColour[WHITE] & bbMask[s]) piece = (char)(piece - 'a' + 'A');
            }
            used += snprintf(row + used, sizeof(row) - (size_t)used, "| %c ", piece);
        }
        snprintf(row + used, sizeof(row) - (size_t)used, "| %d", rank + 1);
        sendCommand(row);
        sendCommand(RULE);
    }
    sendCommand("   a   b   c   d   e   f   g   h");
    sendCommand("");
    char fen[256];
    b.getFENPosition(fen);
    sendCommandf("Fen: %s", fen);
    sendCommandf("Key: %016llX", (unsigned long long)n.hashKey);
    char text[8 * 3 + 16] = "Checkers:";
    int used = 9;
    for (BitBoard c = checkers(n); c && used < (int)sizeof(text) - 4;) {
        const int s = popLsb(c);
        used += snprintf(text + used, sizeof(text) - (size_t)used, " %c%c", 'a' + fileOf(s), '1' + rankOf(s));
    }
    sendCommand(text);
}

void printEvaluation(const ChessBoard& b) {
    EvalTrace t;
    explainEvaluation(b.node, t);
    sendCommand(" Term            |     White     |     Black     |  White - Black");
    sendCommand("                 |     MG     EG |     MG     EG |     MG     EG");
    const char* const rule = "-----------------+---------------+---------------+---------------";
    sendCommand(rule);
    int total[2][2] = {{0, 0}, {0, 0}};
    for (int term = 0; term < TERM_COUNT; term++) {
        termRow(evalTermNames[term], t.term[term][WHITE], t.term[term][BLACK]);
        for (int c = BLACK; c <= WHITE; c++)
            for (int h = EVAL_MG; h <= EVAL_EG; h++) total[c][h] += t.term[term][c][h];
    }
    sendCommand(rule);
    termRow("Total", total[WHITE], total[BLACK]);
    sendCommand("");
    sendCommandf("Phase: %d of %d (middle-game weight %d, end-game weight %d)", t.phase, MAX_GAME_PHASE,
                 t.phase, MAX_GAME_PHASE - t.phase);
    sendCommandf("Blended, White's view: (%d * %d + %d * %d) / %d = %d", t.phase, t.mid,
                 MAX_GAME_PHASE - t.phase, t.end, MAX_GAME_PHASE, t.blended);
    if (t.draw)
        sendCommand("Endgame: a recognised draw by material, scored 0");
    else
        sendCommandf("Endgame scale: %d * %d / 32 = %d", t.blended, t.scale, t.blended * t.scale / 32);
    // The score the search uses, computed apart from the table.
    const int score = b.node.evaluate(-MATE_VALUE, MATE_VALUE, 0);
    const char* mover = b.node.side == WHITE ? "White" : "Black";
    sendCommandf("Final evaluation: %d (%s to move; positive favours %s)", score, mover, mover);
}
