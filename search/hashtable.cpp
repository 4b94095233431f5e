// The transposition table: allocation, sizing and clearing. Probes and stores
// are written inline in the search (search/hashtable.h).
//
// The table is an anonymous memory mapping. Its pages read as zero (empty
// slots) until first written, so sizing the table costs no time and no
// resident memory: the process grows only by the pages the search stores
// into (huge pages of 2 MB where the system offers them, so a search of a
// second or more makes a large table wholly resident, as it would anyway).
#include "search/hashtable.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "search/hashsize.h"

HashTable hashTable;

static const uint64_t ENTRIES_PER_MB = 65536;
unsigned maxHashMB = MAX_HASH_MB;

uint64_t hashEntriesFor(unsigned sizeMB) {
    const unsigned limit = maxHashMB < 1 ? 1 : maxHashMB > MAX_HASH_MB ? MAX_HASH_MB : maxHashMB;
    if (sizeMB < 1) sizeMB = 1;
    if (sizeMB > limit) sizeMB = limit;
    uint64_t p = 1;
    while (p < sizeMB) p <<= 1;
    return p * ENTRIES_PER_MB;
}

HashTable::HashTable() : memory(nullptr), entries(nullptr), size(0), mask(0) {}

HashTable::~HashTable() { release(); }

// Requests outside 1..65536 megabytes are brought into that range, then
// rounded up to a power of two. On failure the table is left empty, so
// every probe misses and every store is skipped.
int HashTable::init(unsigned sizeMB) {
    const uint64_t n = hashEntriesFor(sizeMB);
    // A table already of that size is kept where it is, emptied.
    if (entries && n == size) {
        clear();
        return 1;
    }
    release();
    const size_t bytes = (size_t)n * sizeof(HashNode);
    // The mapping is asked for a huge page larger and trimmed to start on a
    // huge-page boundary (so the entries are 64-byte aligned too).
    // No swap space is reserved for it (MAP_NORESERVE): a table of many
    // gigabytes costs only the pages the search writes, and the system does
    // not refuse a size larger than its memory that the search never fills.
    char* raw = (char*)mmap(nullptr, bytes + HUGE_PAGE_BYTES, PROT_READ | PROT_WRITE,
                            MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (raw == MAP_FAILED) {
        fputs("Hash table : out of memory\n", stderr);
        return 0;
    }
    const size_t head = (HUGE_PAGE_BYTES - (uintptr_t)raw % HUGE_PAGE_BYTES) % HUGE_PAGE_BYTES;
    if (head) munmap(raw, head);
    if (HUGE_PAGE_BYTES - head) munmap(raw + head + bytes, HUGE_PAGE_BYTES - head);
    char* block = raw + head;
#ifdef MADV_HUGEPAGE
    // Probes land anywhere in the table: in small pages nearly every one also
    // misses the processor's address cache. Huge pages, where the system gives
    // them, are made resident one whole page at the first write into it.
    madvise(block, bytes, MADV_HUGEPAGE);
#endif
    memory = block;
    entries = (HashNode*)block;
    size = n;
    mask = n - 1;
    return 1;
}

// Clears the table stretch by stretch. A stretch the search has mostly
// written is zeroed in place, so the next search does not pay for fresh pages
// again; any other stretch is handed back to the system and reads as zero
// from then on, so clearing never makes untouched memory resident. Part k of
// n clears the k-th share of the stretches.
void HashTable::clearPart(unsigned part, unsigned parts) {
    if (!entries || parts == 0 || part >= parts) return;
    static const size_t STRETCH_PAGES = 512;  // of 4 kB: one huge page
    const size_t page = (size_t)sysconf(_SC_PAGESIZE);
    const size_t bytes = (size_t)size * sizeof(HashNode);
    const size_t stretch = STRETCH_PAGES * page;
    const size_t stretches = (bytes + stretch - 1) / stretch;
    const size_t first = stretches * part / parts, last = stretches * (part + 1) / parts;
    unsigned char resident[STRETCH_PAGES];
    for (size_t at = first * stretch; at < last * stretch && at < bytes; at += stretch) {
        char* start = (char*)memory + at;
        const size_t length = bytes - at < stretch ? bytes - at : stretch;
        const size_t pages = (length + page - 1) / page;
        size_t used = 0;
        if (mincore(start, length, resident) == 0)
            for (size_t i = 0; i < pages; i++) used += resident[i] & 1;
        if (2 * used < pages && madvise(start, length, MADV_DONTNEED) == 0) continue;
        memset(start, 0, length);
    }
}

void HashTable::release() {
    if (memory) munmap(memory, (size_t)size * sizeof(HashNode));
    markEmpty();
    memory = nullptr;
    entries = nullptr;
    size = 0;
    mask = 0;
}
