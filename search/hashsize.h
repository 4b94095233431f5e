// Sizing rule of the transposition table.
#pragma once

#include <cstdint>

// Entries of a table asked for with sizeMB megabytes: the request is brought
// into 1..2048 megabytes (so the byte size fits 32 bits) and rounded up to a
// power of two; 65536 entries per megabyte.
uint32_t hashEntriesFor(unsigned sizeMB);

// The largest table in megabytes, at most 2048 (the default); a harness that
// runs thousands of short dialogues lowers it to keep every table small.
extern unsigned maxHashMB;
