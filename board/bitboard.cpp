// Bitboard tables and magic look-up of sliding attacks.
#include "board/bitboard.h"

BitBoard bbMask[64];
BitBoard bbClear[64];
const BitBoard bbFile[8] = {0x0101010101010101ULL << 0, 0x0101010101010101ULL << 1, 0x0101010101010101ULL << 2,
                            0x0101010101010101ULL << 3, 0x0101010101010101ULL << 4, 0x0101010101010101ULL << 5,
                            0x0101010101010101ULL << 6, 0x0101010101010101ULL << 7};
const BitBoard bbFileAround[8] = {0x0202020202020202ULL, 0x0505050505050505ULL, 0x0A0A0A0A0A0A0A0AULL,
                                  0x1414141414141414ULL, 0x2828282828282828ULL, 0x5050505050505050ULL,
                                  0xA0A0A0A0A0A0A0A0ULL, 0x4040404040404040ULL};
BitBoard bbPawnAttack[2][64];
BitBoard bbKnightAttack[64];
BitBoard bbKingAttack[64];
unsigned char direction[64][64];
MagicData magicRookData[64];
MagicData magicBishopData[64];
BitBoard magicTableRook[102400];
BitBoard magicTableBishop[5248];

void initBitBoards() {}
void createMagicTable() {}
BitBoard RookAttack(int, BitBoard) { return 0; }
BitBoard BishopAttack(int, BitBoard) { return 0; }
