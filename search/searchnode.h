// Steps shared by the nodes of the main search, the quiescence search and the
// root: making a counted move, searching a child, the extensions, the lines
// of the principal variation, and the futility margins.
#pragma once

#include "board/chessboard.h"
#include "search/hashtable.h"

// Futility margins by the remaining depth in plies (search/search.cpp): the
// most a quiet move is expected to gain near the leaves. Three of them can be
// tuned by name.
extern int FUTILITY_MARGIN[8];

inline void clearPV(PLine& line) {
    line.count = 0;
    line.moves[0].move = emptyMove;
    line.moves[0].value = 0;
}

// The principal variation of a ply becomes the move followed by the child's line.
inline void updatePV(PLine& line, const PLine& child, ChessMove m, int score) {
    line.moves[0].move = m;
    line.moves[0].value = score;
    uint32_t c = child.count;
    if (c > MAX_PLY - 2) c = MAX_PLY - 2;
    for (uint32_t i = 0; i < c; i++) line.moves[i + 1] = child.moves[i];
    line.count = c + 1;
}

// Makes m and counts the node. Returns the child's undo entry with its check
// flag set, or nullptr (position restored) when m leaves the mover in check.
// For a child that will probe the transposition table (childProbes), its slot
// starts loading while the legality test runs.
inline ChessMoveUndo* makeCountedMove(ChessBoardNode& n, ChessMove m, bool childProbes = false) {
    n.makeMove(m);
    if (childProbes) hashTable.prefetch(n.hashKey);
    if (n.moverInCheck()) {
        n.unMakeMove(m);
        return nullptr;
    }
    countNodes++;
    ChessMoveUndo& child = n.undo[n.ply];
    child.plyInCheck = n.sideInCheck() != 0 ? 1 : 0;
    return &child;
}

// Extension in quarter plies: a check a ply, a mate threat half a ply, a pawn
// step onto the second or seventh rank a ply; never more than one ply in all.
inline int moveExtension(ChessMove m, bool givesCheck, bool mateThreat) {
    int e = givesCheck ? ONE_PLY : (mateThreat ? ONE_PLY / 2 : 0);
    const int rank = rankOf((int)m.to());
    if (m.piece() == PAWN && (rank == 1 || rank == 6)) e += ONE_PLY;
    return e > ONE_PLY ? ONE_PLY : e;
}

// The score of a child searched with the window alpha..beta: by the main
// search, or by the quiescence search once the depth is used up.
inline int searchChild(ChessBoard& b, int depth, int alpha, int beta, int fullEval, int childPly) {
    return depth < ONE_PLY ? -b.search_quiescent(childPly, -beta, -alpha, fullEval, 1)
                           : -b.search(depth, -beta, -alpha, 1, childPly);
}
