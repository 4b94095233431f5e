// The transposition table: allocation, sizing and clearing. Probes and stores
// are written inline in the search (search/hashtable.h).
#include "search/hashtable.h"
#include "search/hashsize.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

HashTable hashTable;

// Largest table whose byte size still fits 32 bits.
static const unsigned MAX_HASH_MB = 2048;
static const uint32_t ENTRIES_PER_MB = 65536;

uint32_t hashEntriesFor(unsigned sizeMB) {
    if (sizeMB < 1) sizeMB = 1;
    if (sizeMB > MAX_HASH_MB) sizeMB = MAX_HASH_MB;
    uint32_t p = 1;
    while (p < sizeMB) p <<= 1;
    return p * ENTRIES_PER_MB;
}

HashTable::HashTable() : memory(nullptr), entries(nullptr), size(0), mask(0) {}

HashTable::~HashTable() { release(); }

// Requests outside 1..2048 megabytes are brought into that range, then
// rounded up to a power of two. On failure the table is left empty, so
// every probe misses and every store is skipped.
int HashTable::init(unsigned sizeMB) {
    release();
    const uint32_t n = hashEntriesFor(sizeMB);
    const size_t bytes = (size_t)n * sizeof(HashNode);
    memory = malloc(bytes + 63);
    if (!memory) {
        fputs("Hash table : out of memory\n", stderr);
        return 0;
    }
    entries = (HashNode*)(((uintptr_t)memory + 63) & ~(uintptr_t)63);
    size = n;
    mask = n - 1;
    memset((void*)entries, 0, bytes);
    return 1;
}

void HashTable::clear() {
    if (entries) memset((void*)entries, 0, (size_t)size * sizeof(HashNode));
}

void HashTable::release() {
    if (memory) free(memory);
    memory = nullptr;
    entries = nullptr;
    size = 0;
    mask = 0;
}
