// The opening book: positions keyed by Zobrist key, each with up to 16 moves
// and their game counts and win percentages; read from and written to a
// little-endian binary file.
#pragma once

#include <string>
#include <vector>

#include "board/types.h"

struct ChessOpeningBookMove {
    ChessMove move;
    uint32_t count;
    uint8_t white;
    uint8_t black;
};

class ChessOpeningBookNode {
public:
    uint64_t key;
    uint32_t numMoves;
    ChessOpeningBookMove moves[16];

    // Adds a move unless present; returns 0 when the node is full.
    int addMove(ChessMove move, unsigned int count, unsigned char white, unsigned char black);
};

class ChessOpeningBook {
public:
    std::vector<ChessOpeningBookNode> nodes;

    int load(const std::string& file);
    int save(const std::string& file);
    // A random move of the position, weighted by the counts; none while outOfPlay.
    ChessMove findMove(unsigned long long key);
    // The game is Chess960: the book, made from standard games, has nothing for it.
    bool outOfPlay = false;
    void addNode(unsigned long long key, ChessMove move, unsigned int count, unsigned char white,
                 unsigned char black);
    ChessOpeningBookNode* findPosition(unsigned long long key);
    ChessOpeningBookNode* findPositionFast(unsigned long long key);
    void showMoves(unsigned long long key);
    void sort() {}
    void clear();
    // Makes room for that many more positions (spares reallocations while building).
    void reserve(size_t morePositions);

private:
    // Key -> index into nodes of the first node with that key, so that adding
    // does not scan the whole book: open addressing, slot = index + 1, 0 free.
    // Rebuilt whenever nodes changed behind its back.
    std::vector<uint32_t> keyIndex;
    size_t indexedCount = 0;
    void rebuildIndex(size_t positions);
    void indexNode(uint32_t i);
    int64_t lookUp(uint64_t key) const;
};

// Orders a node's moves by descending count exactly as the exchange loop
// "for i, for j > i: if count[j] > count[i] swap" does.
void sortBookMoves(ChessOpeningBookNode& node);
// Orders the nodes by ascending key, ties as the same exchange loop leaves them.
void sortBookNodes(std::vector<ChessOpeningBookNode>& nodes);

extern ChessOpeningBook openingBook;
