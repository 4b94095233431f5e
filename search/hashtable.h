// The transposition table: one flat, 64-byte aligned array of 16-byte entries,
// indexed by the low bits of the Zobrist key, always replaced on store.
#pragma once

#include <atomic>
#include <cstddef>

#include "board/types.h"

// An entry is two 64-bit words, each read and written atomically (relaxed
// loads and stores are plain moves on x86-64), so that search threads share
// the table without locks. The data word holds the move (bits 0-31) and the
// info (32-63); the check word is the key exclusive-or the data word. A probe
// trusts an entry only when its two words give back the key: one torn by two
// threads storing at once fails the test and is a miss (lockless hashing).
struct HashNode {
    uint64_t check;
    uint64_t data;
};

class HashTable {
public:
    // The table starts on a huge-page boundary (2 MB, x86-64), so the system
    // can back it with huge pages.
    static const size_t HUGE_PAGE_BYTES = 2 << 20;

    void* memory;  // the anonymous mapping holding the entries, or nullptr
    HashNode* entries;
    uint64_t size;
    uint64_t mask;

    HashTable();
    ~HashTable();
    // Sizes the table to the power of two of megabytes at or above sizeMB.
    int init(unsigned sizeMB);
    // Empties the table; one nothing was stored into since it was last
    // emptied is left as it is (a new game right after sizing clears nothing).
    void clear() {
        if (isEmpty()) return;
        clearPart(0, 1);
        markEmpty();
    }
    // Clears part `part` of `parts` equal shares of the table (whole stretches
    // of a huge page), so that several threads can clear a big table together.
    void clearPart(unsigned part, unsigned parts);
    // Nothing stored since the table was made or last emptied?
    bool isEmpty() const { return !written.load(std::memory_order_relaxed); }
    // Says the table is empty again, once every part of it is cleared.
    void markEmpty() { written.store(false, std::memory_order_relaxed); }
    void release();

    // Score conversion between root-relative and node-relative mate scores.
    static int scoreToHash(int score, int ply) {
        if (score >= MATE_BOUND + 1) return score + ply;
        if (score < -MATE_BOUND) return score - ply;
        return score;
    }
    static int scoreFromHash(int score, int ply) {
        if (score >= MATE_BOUND + 1) return score - ply;
        if (score < -MATE_BOUND) return score + ply;
        return score;
    }
    static uint32_t packInfo(int bound, int depth, int score) {
        return (uint32_t)bound | ((uint32_t)(depth & 511) << 2) | ((uint32_t)(uint16_t)(int16_t)score << 16);
    }
    static int infoBound(uint32_t info) { return info & 3; }
    static int infoDepth(uint32_t info) { return (info >> 2) & 511; }
    static int infoScore(uint32_t info) { return (int16_t)(info >> 16); }

    // Starts loading a key's slot into the cache, for a probe soon after.
    // (A prefetch of nullptr, with no table, is harmless.)
    void prefetch(uint64_t key) const { __builtin_prefetch(slot(key)); }
    // The slot of a key, or nullptr when no table is allocated.
    HashNode* slot(uint64_t key) const { return entries ? &entries[key & mask] : nullptr; }

    // Does the table hold key? If so, its move and info are read into move and info.
    bool probe(uint64_t key, ChessMove& move, uint32_t& info) const {
        const HashNode* e = slot(key);
        if (!e) return false;
        const uint64_t data = __atomic_load_n(&e->data, __ATOMIC_RELAXED);
        if ((__atomic_load_n(&e->check, __ATOMIC_RELAXED) ^ data) != key) return false;
        move = ChessMove((uint32_t)data);
        info = (uint32_t)(data >> 32);
        return true;
    }
    // Writes key with a move and an info word into its slot, in place of what it held.
    void write(uint64_t key, ChessMove move, uint32_t info) {
        HashNode* e = slot(key);
        if (!e) return;
        // Read by every store, written by the first one after a clear only,
        // so the threads' stores do not take the line from one another.
        if (!written.load(std::memory_order_relaxed)) written.store(true, std::memory_order_relaxed);
        const uint64_t data = (uint64_t)move.moveInt | (uint64_t)info << 32;
        __atomic_store_n(&e->data, data, __ATOMIC_RELAXED);
        __atomic_store_n(&e->check, key ^ data, __ATOMIC_RELAXED);
    }
    void store(uint64_t key, ChessMove move, int bound, int depth, int score, int ply) {
        write(key, move, packInfo(bound, depth, scoreToHash(score, ply)));
    }

private:
    std::atomic<bool> written{false};  // something was stored since the table was last emptied
};

extern HashTable hashTable;
