// Counters and tables of the perft family.
#pragma once

#include "board/types.h"

class ChessBoard;

extern unsigned long long countnode, countcapture, countep, countpromotion, countcastle, countcheck,
    countmate;

// Row per iteration depth: nodes, captures, e.p., checks, mates, (unused), promotions, castles.
extern unsigned long long perftNode[128][8];

struct DivideEntry {
    unsigned long long count;
    char text[16];
};
extern DivideEntry listDivide[256];
extern int nbDivide;

// Highest depth the per-depth move lists allow.
const int PERFT_MAX_DEPTH = 127;

// Asked now and then while a count runs (when set): true ends the count early.
// The printing forms then show the iterations or root moves that were finished.
extern bool (*perftInterrupt)();

// The printing forms of "perft", "perftd" and "divide" on the board's position:
// a header, one line per depth (or per root move), then the time line.
void printPerft(ChessBoard& b, int depth);
void printPerftd(ChessBoard& b, int depth);
void printDivide(ChessBoard& b, int depth);
