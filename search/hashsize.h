// Sizing rule of the transposition table.
#pragma once

#include <cstdint>

// The largest table in megabytes: 65536, 2^32 entries.
const unsigned MAX_HASH_MB = 65536;

// Entries of a table asked for with sizeMB megabytes: the request is brought
// into 1..MAX_HASH_MB megabytes and rounded up to a power of two; 65536
// entries per megabyte.
uint64_t hashEntriesFor(unsigned sizeMB);

// The largest table in megabytes, at most MAX_HASH_MB (the default); a harness
// that runs thousands of short dialogues lowers it to keep every table small.
extern unsigned maxHashMB;
