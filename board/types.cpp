// Constant tables of the core vocabulary: piece letters, castling and
// en-passant geometry, material and phase values, material-signature counters.
#include "board/types.h"

ChessMove emptyMove(0);
ChessMove EmptyMove(0);

// Black letters at index type, White letters at 8 + type.
const char txtPieceFen[16] = {' ', 'p', 'n', 'b', 'r', 'q', 'k', 0, ' ', 'P', 'N', 'B', 'R', 'Q', 'K', 0};
const char PieceName[8] = "  NBRQK";
const char pieceName[8] = "0pnbrqk";
const char charBound[4] = " -+";

const int flipSquare[64] = {
    56, 57, 58, 59, 60, 61, 62, 63, 48, 49, 50, 51, 52, 53, 54, 55,  //
    40, 41, 42, 43, 44, 45, 46, 47, 32, 33, 34, 35, 36, 37, 38, 39,  //
    24, 25, 26, 27, 28, 29, 30, 31, 16, 17, 18, 19, 20, 21, 22, 23,  //
    8,  9,  10, 11, 12, 13, 14, 15, 0,  1,  2,  3,  4,  5,  6,  7,
};

// A king move keeps only the other colour's rights.
const unsigned char castleInit[2] = {243, 252};

// From the to-square of an en-passant capture to the captured pawn, by capturer.
const int EnPassantOffset[2] = {8, -8};

const int PieceCaptureValue[8] = {0, 100, 325, 325, 500, 975, 0, 0};
const int PieceGamePhaseValue[8] = {0, 0, 1, 1, 2, 4, 0, 0};

void printBitBoard(BitBoard) {}
