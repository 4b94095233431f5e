// The start position and the game record with its navigation.
#include <cstring>

#include "board/chessboard.h"

namespace {

// Signed board array of the start position: +type White, -type Black.
const char START_POSITION[64] = {
    ROOK,  KNIGHT,  BISHOP,  QUEEN,  KING,  BISHOP,  KNIGHT,  ROOK,   //
    PAWN,  PAWN,    PAWN,    PAWN,   PAWN,  PAWN,    PAWN,    PAWN,   //
    0,     0,       0,       0,      0,     0,       0,       0,      //
    0,     0,       0,       0,      0,     0,       0,       0,      //
    0,     0,       0,       0,      0,     0,       0,       0,      //
    0,     0,       0,       0,      0,     0,       0,       0,      //
    -PAWN, -PAWN,   -PAWN,   -PAWN,  -PAWN, -PAWN,   -PAWN,   -PAWN,  //
    -ROOK, -KNIGHT, -BISHOP, -QUEEN, -KING, -BISHOP, -KNIGHT, -ROOK,
};

}  // namespace

void ChessBoard::setStartPosition() {
    setPosition(START_POSITION, WHITE, CASTLE_WK | CASTLE_WQ | CASTLE_BK | CASTLE_BQ, 0, 1, 0);
}

int ChessBoard::recordMove(ChessMove m) {
    // Moves after the current position are discarded by a new move.
    if (gameIndex < gameMoveCount) gameMoveCount = gameIndex;
    if (gameIndex >= (uint32_t)MAX_GAME_MOVES) return 0;
    ChessGameRecordEntry& e = gameMoves[gameIndex];
    e.move = m;
    memset(e.san, 0, sizeof e.san);
    gameIndex++;
    gameMoveCount = gameIndex;
    lastMove = m;
    return 1;
}

int ChessBoard::nextMove() {
    if (gameIndex >= gameMoveCount) return 0;
    const ChessMove m = gameMoves[gameIndex].move;
    node.makeMove(m);
    gameIndex++;
    lastMove = m;
    onNextPlayer();
    return 1;
}

int ChessBoard::previousMove() {
    if (gameIndex == 0) return 0;
    gameIndex--;
    node.unMakeMove(gameMoves[gameIndex].move);
    lastMove = gameIndex ? gameMoves[gameIndex - 1].move : emptyMove;
    onNextPlayer();
    return 1;
}

int ChessBoard::takeBack() {
    if (gameIndex == 0) return 0;
    gameIndex--;
    gameMoveCount = gameIndex;
    node.unMakeMove(gameMoves[gameIndex].move);
    lastMove = gameIndex ? gameMoves[gameIndex - 1].move : emptyMove;
    onNextPlayer();
    return 1;
}
