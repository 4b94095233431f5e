// A direct-mapped cache of evaluation scores keyed by the Zobrist key.
#pragma once

#include <cstdint>

struct ChessEvalHashEntry {
    uint64_t key;
    int16_t score;
};

class ChessEvalHashTable {
public:
    ChessEvalHashEntry* table = nullptr;
    uint32_t count = 0;
    uint32_t mask = 0;

    ChessEvalHashTable() = default;
    ~ChessEvalHashTable();
    ChessEvalHashTable(const ChessEvalHashTable&) = delete;
    ChessEvalHashTable& operator=(const ChessEvalHashTable&) = delete;

    int init(unsigned int sizeMB);
    void clear();
    void free();
    void addNode(unsigned long long key, short score);
    int findNode(unsigned long long key, short* score) const;
};
