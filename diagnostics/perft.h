// Counters and tables of the perft family.
#pragma once

#include "board/types.h"

extern unsigned long long countnode, countcapture, countep, countpromotion, countcastle, countcheck, countmate;

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
