// Direct-mapped evaluation cache, always replacing: an evaluation is cheap to
// redo, so the newest score wins and no depth or age is kept.
#include "eval/evalcache.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "frontend/log.h"

ChessEvalHashTable::~ChessEvalHashTable() { free(); }

// Allocates (sizeMB & 4095) * 65536 cleared entries: an entry takes 16 bytes,
// so 65536 of them fill a megabyte, and keeping the low twelve bits of the size
// keeps the count (at most 4095 * 65536) and its mask within 32 bits. The size
// is not rounded to a power of two: the memory asked for is the memory taken,
// and with another count the mask only leaves some entries unused. A size whose
// low twelve bits are 0 gives no entries: it is refused with no table left, so
// the mask can never point past an array. Returns 1 on success.
int ChessEvalHashTable::init(unsigned int sizeMB) {
    Log::print("Init Eval HashTable : %d Mo", sizeMB);
    free();
    count = (sizeMB & 4095u) * 65536u;
    mask = count ? count - 1 : 0;
    Log::print("size   = %d", count);
    Log::print("modulo = %d", mask);
    if (count == 0) return 0;
    table = new (std::nothrow) ChessEvalHashEntry[count];
    if (!table) {
        Log::print("Eval HashTable : out of memory");
        count = 0;
        mask = 0;
        return 0;
    }
    clear();
    return 1;
}

void ChessEvalHashTable::clear() {
    if (table) std::memset(static_cast<void*>(table), 0, sizeof(ChessEvalHashEntry) * count);
}

void ChessEvalHashTable::free() {
    delete[] table;
    table = nullptr;
}

// Probing without a table is a caller error; it is ignored rather than fatal.
void ChessEvalHashTable::addNode(unsigned long long key, short score) {
    if (!table) return;
    ChessEvalHashEntry& e = table[key & mask];
    e.key = key;
    e.score = score;
}

// 0 and the stored score when the entry holds this key, else 3 (every answer
// but 0 is a miss) with the score left untouched.
int ChessEvalHashTable::findNode(unsigned long long key, short* score) const {
    if (!table) return 3;
    const ChessEvalHashEntry& e = table[key & mask];
    if (e.key != key) return 3;
    *score = e.score;
    return 0;
}
