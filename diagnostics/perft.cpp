// Perft, perftd and divide: counting the legal move tree.
#include "diagnostics/perft.h"

#include "frontend/chessboarduci.h"

unsigned long long countnode, countcapture, countep, countpromotion, countcastle, countcheck, countmate;
unsigned long long perftNode[128][8];
DivideEntry listDivide[256];
int nbDivide;

void ChessBoard::perft(int depth) { (void)depth; }
void ChessBoard::perftd(int depth) { (void)depth; }
unsigned long long ChessBoard::searchAllMoves(ChessBoardNode* n, int depth) {
    (void)n;
    (void)depth;
    return 0;
}
int ChessBoard::divide(ChessBoardNode* n, int depth) {
    (void)n;
    (void)depth;
    nbDivide = 0;
    return 0;
}
void ChessBoard::doPerft(int depth) { (void)depth; }

void ChessBoardUCI::doPerft(int depth) { (void)depth; }
void ChessBoardUCI::doPerftd(int depth) { (void)depth; }
void ChessBoardUCI::doDivide(int depth) { (void)depth; }
