// Bitboard tables (masks, leaper attacks, line relation, squares between) and the magic
// look-up of rook and bishop attacks, plus the bit-counting primitives.
#pragma once

#include <cassert>

#include "board/types.h"

// bbMask[s] is the one way to name a single square as a set; bbClear[s] is its complement.
extern BitBoard bbMask[64];
extern BitBoard bbClear[64];
extern const BitBoard bbFile[8];
extern const BitBoard bbFileAround[8];
extern BitBoard bbPawnAttack[2][64];
extern BitBoard bbKnightAttack[64];
extern BitBoard bbKingAttack[64];
extern unsigned char direction[64][64];
// For two squares on a line (file, rank or diagonal): the squares strictly
// between them, and the whole line through both; empty for other pairs.
extern BitBoard bbBetween[64][64];
extern BitBoard bbLine[64][64];

// Whole ranks and the two edge files, for shifts that must not wrap around the board.
constexpr BitBoard RANK_1 = 0x00000000000000FFULL;
constexpr BitBoard RANK_2 = RANK_1 << 8;
constexpr BitBoard RANK_3 = RANK_1 << 16;
constexpr BitBoard RANK_4 = RANK_1 << 24;
constexpr BitBoard RANK_5 = RANK_1 << 32;
constexpr BitBoard RANK_6 = RANK_1 << 40;
constexpr BitBoard RANK_7 = RANK_1 << 48;
constexpr BitBoard RANK_8 = RANK_1 << 56;
constexpr BitBoard FILE_A = 0x0101010101010101ULL;
constexpr BitBoard FILE_H = FILE_A << 7;

// Line relation codes of direction[][].
enum : int { DIR_NONE = 0, DIR_FILE = 1, DIR_RANK = 2, DIR_DIAG = 3, DIR_ANTI = 4 };

// One magic look-up record per square and slider kind.
struct MagicData {
    const BitBoard* table;  // start of this square's slice, set at start-up
    BitBoard mask;
    BitBoard magic;
    uint32_t shift;
};

extern MagicData magicRookData[64];
extern MagicData magicBishopData[64];
extern BitBoard magicTableRook[102400];
extern BitBoard magicTableBishop[5248];

// Fills every table above, then the magic tables. Safe to call again.
void initBitBoards();
void createMagicTable();

// Reference ray walkers (slow); used to fill the magic tables.
BitBoard RookAttack(int square, BitBoard occupancy);
BitBoard BishopAttack(int square, BitBoard occupancy);

inline BitBoard rookAttack(int square, BitBoard occupied) {
    const MagicData& r = magicRookData[square];
    return r.table[((occupied & r.mask) * r.magic) >> (r.shift & 63)];
}

inline BitBoard bishopAttack(int square, BitBoard occupied) {
    const MagicData& r = magicBishopData[square];
    return r.table[((occupied & r.mask) * r.magic) >> (r.shift & 63)];
}

inline BitBoard queenAttack(int square, BitBoard occupied) {
    return rookAttack(square, occupied) | bishopAttack(square, occupied);
}

// Population count: the POPCNT instruction in pellux-popcnt, the parallel
// bit count elsewhere. Both give the same numbers.
inline int bitCount(BitBoard b) {
#ifdef PELLUX_POPCNT
    return __builtin_popcountll(b);
#else
    b = b - ((b >> 1) & 0x5555555555555555ULL);
    b = (b & 0x3333333333333333ULL) + ((b >> 2) & 0x3333333333333333ULL);
    b = (b + (b >> 4)) & 0x0F0F0F0F0F0F0F0FULL;
    return (int)((b * 0x0101010101010101ULL) >> 56);
#endif
}

// Index of the lowest set bit; b must not be 0.
inline int lsb(BitBoard b) {
    assert(b);
    return __builtin_ctzll(b);
}

// Index of the highest set bit; b must not be 0.
inline int msb(BitBoard b) {
    assert(b);
    return 63 - __builtin_clzll(b);
}

// Removes and returns the lowest set bit of b; b must not be 0.
inline int popLsb(BitBoard& b) {
    assert(b);
    int s = __builtin_ctzll(b);
    b &= b - 1;
    return s;
}
