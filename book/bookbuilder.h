// Book building: the move sequences that a PGN collection's games begin with,
// counted with their results, and their entry into the opening book.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

const int OPENING_MAX_DEPTH = 32;
const int OPENING_MOVE_TEXT = 16;  // 15 characters and a terminating zero

// One move sequence from the start position with its statistics.
struct ChessGameOpening {
    char moves[OPENING_MAX_DEPTH][OPENING_MOVE_TEXT];
    uint32_t numMoves;
    uint32_t count;
    uint32_t blackWins;
    uint32_t whiteWins;
    uint32_t draws;
};

// Game results as the book builder counts them.
enum : int { RESULT_NONE = 0, RESULT_WHITE = 1, RESULT_BLACK = 2, RESULT_DRAW = 3 };

// The sequences in the order they were first seen. Every sequence of length L
// is stored as its first L - 1 moves (an earlier entry) plus its last move, so
// equal sequences are found through a hash of (parent entry, last move text).
class ChessGameOpeningList {
public:
    struct Entry {
        uint32_t parent;  // index of the sequence without the last move; NO_PARENT for length 1
        uint32_t count;
        uint32_t blackWins;
        uint32_t whiteWins;
        uint32_t draws;
        uint32_t numMoves;
        char move[OPENING_MOVE_TEXT];
    };
    static const uint32_t NO_PARENT = 0xFFFFFFFFu;

    std::vector<Entry> entries;

    size_t size() const { return entries.size(); }
    void clear();
    // Counts one more game for the sequence parent + move (creating it when new)
    // and returns its index. The text is cut to 15 characters.
    uint32_t addGame(uint32_t parent, const char* move, int result);
    // Index of the sequence parent + move, or NO_PARENT when absent.
    uint32_t find(uint32_t parent, const char* move) const;
    // Writes sequence i out in full.
    void getOpening(size_t i, ChessGameOpening& out) const;

private:
    std::vector<uint32_t> slots;  // open addressing: entry index + 1, 0 empty
    static uint64_t hashOf(uint32_t parent, const char* move);
    void grow();
    void place(uint32_t index);  // enters entry index into the slots
};
