// The transposition table: one flat, 64-byte aligned array of 16-byte entries,
// indexed by the low bits of the Zobrist key, always replaced on store.
#pragma once

#include <cstddef>

#include "board/types.h"

struct HashNode {
    uint64_t key;
    ChessMove move;
    uint32_t info;  // bits 0-1 bound, 2-10 depth (quarter plies), 16-31 score
};

class HashTable {
public:
    // The table starts on a huge-page boundary (2 MB, x86-64), so the system
    // can back it with huge pages.
    static const size_t HUGE_PAGE_BYTES = 2 << 20;

    void* memory;  // the anonymous mapping holding the entries, or nullptr
    HashNode* entries;
    uint32_t size;
    uint32_t mask;

    HashTable();
    ~HashTable();
    // Sizes the table to the power of two of megabytes at or above sizeMB.
    int init(unsigned sizeMB);
    void clear();
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
    void store(uint64_t key, ChessMove move, int bound, int depth, int score, int ply) {
        if (!entries) return;
        HashNode& e = entries[key & mask];
        e.key = key;
        e.move = move;
        e.info = packInfo(bound, depth, scoreToHash(score, ply));
    }
};

extern HashTable hashTable;
