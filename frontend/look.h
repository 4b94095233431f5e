// The UCI commands that show the position: "d" (the board as a diagram, its
// FEN, key and checking pieces) and "eval" (the static evaluation term by term).
#pragma once

#include "board/chessboard.h"

void printDiagram(const ChessBoard& b);
void printEvaluation(const ChessBoard& b);
