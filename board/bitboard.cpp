// Bitboard tables: square masks, leaper attacks, the line relation of two
// squares, and the magic-multiplication tables of rook and bishop attacks.
// Everything is filled by initBitBoards(); the magic records (mask, multiplier,
// shift) are constants, only their table pointers are set at start-up.
#include "board/bitboard.h"

#include <cstring>

BitBoard bbMask[64];
BitBoard bbClear[64];
const BitBoard bbFile[8] = {FILE_A << 0, FILE_A << 1, FILE_A << 2, FILE_A << 3,
                            FILE_A << 4, FILE_A << 5, FILE_A << 6, FILE_A << 7};
const BitBoard bbFileAround[8] = {0x0202020202020202ULL, 0x0505050505050505ULL, 0x0A0A0A0A0A0A0A0AULL,
                                  0x1414141414141414ULL, 0x2828282828282828ULL, 0x5050505050505050ULL,
                                  0xA0A0A0A0A0A0A0A0ULL, 0x4040404040404040ULL};
BitBoard bbPawnAttack[2][64];
BitBoard bbKnightAttack[64];
BitBoard bbKingAttack[64];
unsigned char direction[64][64];
BitBoard bbBetween[64][64];
BitBoard bbLine[64][64];
BitBoard magicTableRook[102400];
BitBoard magicTableBishop[5248];

// Multipliers found by tools/findmagics.cpp; the mask of a square is every
// square on its lines except the board edge at the end of each ray, and the
// shift is 64 minus the number of mask squares.
MagicData magicRookData[64] = {
    {nullptr, 0x000101010101017EULL, 0x0480008410244000ULL, 52},
    {nullptr, 0x000202020202027CULL, 0x0140002000100040ULL, 53},
    {nullptr, 0x000404040404047AULL, 0x4080088010002000ULL, 53},
    {nullptr, 0x0008080808080876ULL, 0x1080080010000480ULL, 53},
    {nullptr, 0x001010101010106EULL, 0x0180040080080122ULL, 53},
    {nullptr, 0x002020202020205EULL, 0x0300021900080400ULL, 53},
    {nullptr, 0x004040404040403EULL, 0x0400011250008814ULL, 53},
    {nullptr, 0x008080808080807EULL, 0x4100049242002100ULL, 52},
    {nullptr, 0x0001010101017E00ULL, 0x0060800280324001ULL, 53},
    {nullptr, 0x0002020202027C00ULL, 0x2412004100802200ULL, 54},
    {nullptr, 0x0004040404047A00ULL, 0x0402808020001000ULL, 54},
    {nullptr, 0x0008080808087600ULL, 0x0002002011094200ULL, 54},
    {nullptr, 0x0010101010106E00ULL, 0x2220800400800800ULL, 54},
    {nullptr, 0x0020202020205E00ULL, 0x0808802200040080ULL, 54},
    {nullptr, 0x0040404040403E00ULL, 0x1109000200440100ULL, 54},
    {nullptr, 0x0080808080807E00ULL, 0x0040800100004080ULL, 53},
    {nullptr, 0x00010101017E0100ULL, 0x0080014020004000ULL, 53},
    {nullptr, 0x00020202027C0200ULL, 0x8010004010402000ULL, 54},
    {nullptr, 0x00040404047A0400ULL, 0x8108820040102200ULL, 54},
    {nullptr, 0x0008080808760800ULL, 0x242C808010000802ULL, 54},
    {nullptr, 0x00101010106E1000ULL, 0x1002050008010150ULL, 54},
    {nullptr, 0x00202020205E2000ULL, 0x4024008004020080ULL, 54},
    {nullptr, 0x00404040403E4000ULL, 0x7002040002081001ULL, 54},
    {nullptr, 0x00808080807E8000ULL, 0x0003020010841041ULL, 53},
    {nullptr, 0x000101017E010100ULL, 0x0800401480002880ULL, 53},
    {nullptr, 0x000202027C020200ULL, 0x0810500840002000ULL, 54},
    {nullptr, 0x000404047A040400ULL, 0x8080200680100080ULL, 54},
    {nullptr, 0x0008080876080800ULL, 0x0000100080080080ULL, 54},
    {nullptr, 0x001010106E101000ULL, 0x0004080100110004ULL, 54},
    {nullptr, 0x002020205E202000ULL, 0x0D00020080040080ULL, 54},
    {nullptr, 0x004040403E404000ULL, 0x4200080400900201ULL, 54},
    {nullptr, 0x008080807E808000ULL, 0x000C040200008071ULL, 53},
    {nullptr, 0x0001017E01010100ULL, 0x0000400020801080ULL, 53},
    {nullptr, 0x0002027C02020200ULL, 0x0000402000401000ULL, 54},
    {nullptr, 0x0004047A04040400ULL, 0x4858100480802000ULL, 54},
    {nullptr, 0x0008087608080800ULL, 0x4000080080801004ULL, 54},
    {nullptr, 0x0010106E10101000ULL, 0x0100800800800400ULL, 54},
    {nullptr, 0x0020205E20202000ULL, 0x0800800400800200ULL, 54},
    {nullptr, 0x0040403E40404000ULL, 0x0000010204001088ULL, 54},
    {nullptr, 0x0080807E80808000ULL, 0x0800004082002419ULL, 53},
    {nullptr, 0x00017E0101010100ULL, 0x8520204000808006ULL, 53},
    {nullptr, 0x00027C0202020200ULL, 0x0200200050024000ULL, 54},
    {nullptr, 0x00047A0404040400ULL, 0x0020004811010020ULL, 54},
    {nullptr, 0x0008760808080800ULL, 0x00100100D1610008ULL, 54},
    {nullptr, 0x00106E1010101000ULL, 0x220C008040080800ULL, 54},
    {nullptr, 0x00205E2020202000ULL, 0x0404008002008004ULL, 54},
    {nullptr, 0x00403E4040404000ULL, 0x0411004200110004ULL, 54},
    {nullptr, 0x00807E8080808000ULL, 0x0300140048820009ULL, 53},
    {nullptr, 0x007E010101010100ULL, 0x0601008000204100ULL, 53},
    {nullptr, 0x007C020202020200ULL, 0x9004400420009080ULL, 54},
    {nullptr, 0x007A040404040400ULL, 0x3010402080120200ULL, 54},
    {nullptr, 0x0076080808080800ULL, 0x2158801000080080ULL, 54},
    {nullptr, 0x006E101010101000ULL, 0x8020080101900500ULL, 54},
    {nullptr, 0x005E202020202000ULL, 0x0042000280040080ULL, 54},
    {nullptr, 0x003E404040404000ULL, 0x8040080102100400ULL, 54},
    {nullptr, 0x007E808080808000ULL, 0x0010800100004080ULL, 53},
    {nullptr, 0x7E01010101010100ULL, 0x0202010020408012ULL, 52},
    {nullptr, 0x7C02020202020200ULL, 0x0010210010804009ULL, 53},
    {nullptr, 0x7A04040404040400ULL, 0x0000200100120841ULL, 53},
    {nullptr, 0x7608080808080800ULL, 0x0202841001082101ULL, 53},
    {nullptr, 0x6E10101010101000ULL, 0x2002001008210402ULL, 53},
    {nullptr, 0x5E20202020202000ULL, 0x0082000104100802ULL, 53},
    {nullptr, 0x3E40404040404000ULL, 0x00800A0100E81004ULL, 53},
    {nullptr, 0x7E80808080808000ULL, 0x1009000200348041ULL, 52},
};

MagicData magicBishopData[64] = {
    {nullptr, 0x0040201008040200ULL, 0x0442020202240100ULL, 58},
    {nullptr, 0x0000402010080400ULL, 0x4402040404004640ULL, 59},
    {nullptr, 0x0000004020100A00ULL, 0x2008083040800008ULL, 59},
    {nullptr, 0x0000000040221400ULL, 0x000804A100200940ULL, 59},
    {nullptr, 0x0000000002442800ULL, 0x8004050420408000ULL, 59},
    {nullptr, 0x0000000204085000ULL, 0x1800901008000008ULL, 59},
    {nullptr, 0x0000020408102000ULL, 0x0509080184200084ULL, 59},
    {nullptr, 0x0002040810204000ULL, 0x0900410801104222ULL, 58},
    {nullptr, 0x0020100804020000ULL, 0x02000A0801080200ULL, 59},
    {nullptr, 0x0040201008040000ULL, 0x0A00040118010503ULL, 59},
    {nullptr, 0x00004020100A0000ULL, 0x0000100080810800ULL, 59},
    {nullptr, 0x0000004022140000ULL, 0x2410082080210880ULL, 59},
    {nullptr, 0x0000000244280000ULL, 0x0096040420000022ULL, 59},
    {nullptr, 0x0000020408500000ULL, 0x0000120210040020ULL, 59},
    {nullptr, 0x0002040810200000ULL, 0x0241210130100400ULL, 59},
    {nullptr, 0x0004081020400000ULL, 0x0041002898080828ULL, 59},
    {nullptr, 0x0010080402000200ULL, 0x20200040040460A0ULL, 59},
    {nullptr, 0x0020100804000400ULL, 0x8202008408A80100ULL, 59},
    {nullptr, 0x004020100A000A00ULL, 0x000C001228020028ULL, 57},
    {nullptr, 0x0000402214001400ULL, 0xC02C00080C101000ULL, 57},
    {nullptr, 0x0000024428002800ULL, 0x0012150401200201ULL, 57},
    {nullptr, 0x0002040850005000ULL, 0x4028208110082000ULL, 57},
    {nullptr, 0x0004081020002000ULL, 0x4050400088241080ULL, 59},
    {nullptr, 0x0008102040004000ULL, 0x400900020880A400ULL, 59},
    {nullptr, 0x0008040200020400ULL, 0x0050404808082104ULL, 59},
    {nullptr, 0x0010080400040800ULL, 0x0001608004080A00ULL, 59},
    {nullptr, 0x0020100A000A1000ULL, 0x16070100300418E0ULL, 57},
    {nullptr, 0x0040221400142200ULL, 0x82E2080004004188ULL, 55},
    {nullptr, 0x0002442800284400ULL, 0x0001010080104000ULL, 55},
    {nullptr, 0x0004085000500800ULL, 0x8010084006082200ULL, 57},
    {nullptr, 0x0008102000201000ULL, 0x0906484044140200ULL, 59},
    {nullptr, 0x0010204000402000ULL, 0x9122014002110482ULL, 59},
    {nullptr, 0x0004020002040800ULL, 0x0404024002204488ULL, 59},
    {nullptr, 0x0008040004081000ULL, 0x000201A002300200ULL, 59},
    {nullptr, 0x00100A000A102000ULL, 0x7501080100020400ULL, 57},
    {nullptr, 0x0022140014224000ULL, 0x0080042008040100ULL, 55},
    {nullptr, 0x0044280028440200ULL, 0x001002020009A018ULL, 55},
    {nullptr, 0x0008500050080400ULL, 0x00100A0600002080ULL, 57},
    {nullptr, 0x0010200020100800ULL, 0x04420A004004240DULL, 59},
    {nullptr, 0x0020400040201000ULL, 0x4081020201008050ULL, 59},
    {nullptr, 0x0002000204081000ULL, 0x0064100804000808ULL, 59},
    {nullptr, 0x0004000408102000ULL, 0x000600A220000804ULL, 59},
    {nullptr, 0x000A000A10204000ULL, 0x0000084050090801ULL, 57},
    {nullptr, 0x0014001422400000ULL, 0x000010420090C801ULL, 57},
    {nullptr, 0x0028002844020000ULL, 0x000482020A002400ULL, 57},
    {nullptr, 0x0050005008040200ULL, 0x0001602081004080ULL, 57},
    {nullptr, 0x0020002010080400ULL, 0x1C04300C29000040ULL, 59},
    {nullptr, 0x0040004020100800ULL, 0x080222020206002AULL, 59},
    {nullptr, 0x0000020408102000ULL, 0x0041041002088401ULL, 59},
    {nullptr, 0x0000040810204000ULL, 0x001104020104100BULL, 59},
    {nullptr, 0x00000A1020400000ULL, 0x0090002201101800ULL, 59},
    {nullptr, 0x0000142240000000ULL, 0x0000201084040002ULL, 59},
    {nullptr, 0x0000284402000000ULL, 0x1010082004241080ULL, 59},
    {nullptr, 0x0000500804020000ULL, 0x0821080208220040ULL, 59},
    {nullptr, 0x0000201008040200ULL, 0x0220480A081A4709ULL, 59},
    {nullptr, 0x0000402010080400ULL, 0x0004010801210000ULL, 59},
    {nullptr, 0x0002040810204000ULL, 0x10010404540A0840ULL, 58},
    {nullptr, 0x0004081020400000ULL, 0x0100021042080400ULL, 59},
    {nullptr, 0x000A102040000000ULL, 0x0001100202012480ULL, 59},
    {nullptr, 0x0014224000000000ULL, 0x00800885020A0208ULL, 59},
    {nullptr, 0x0028440200000000ULL, 0x8189022010202200ULL, 59},
    {nullptr, 0x0050080402000000ULL, 0x9090005020020C22ULL, 59},
    {nullptr, 0x0020100804020000ULL, 0x0091202310050110ULL, 59},
    {nullptr, 0x0040201008040200ULL, 0x01202420C8030021ULL, 58},
};

static void addIf(BitBoard& set, bool cond, int square) {
    if (cond) set |= bbMask[square];
}

void initBitBoards() {
    // The tables are the same for every board: the first board builds them,
    // later ones (a new board per protocol session or tool run) find them ready.
    static bool built = false;
    if (built) return;
    built = true;
    for (int s = 0; s < 64; s++) {
        bbMask[s] = 1ULL << s;
        bbClear[s] = ~(1ULL << s);
    }
    for (int s = 0; s < 64; s++) {
        const int f = s & 7, r = s >> 3;
        BitBoard w = 0, b = 0, n = 0, k = 0;
        addIf(w, r < 7 && f > 0, s + 7);
        addIf(w, r < 7 && f < 7, s + 9);
        addIf(b, r > 0 && f > 0, s - 9);
        addIf(b, r > 0 && f < 7, s - 7);

        addIf(n, f > 0 && r < 6, s + 15);
        addIf(n, f < 7 && r < 6, s + 17);
        addIf(n, f > 0 && r > 1, s - 17);
        addIf(n, f < 7 && r > 1, s - 15);
        addIf(n, f < 6 && r > 0, s - 6);
        addIf(n, f < 6 && r < 7, s + 10);
        addIf(n, f > 1 && r > 0, s - 10);
        addIf(n, f > 1 && r < 7, s + 6);

        addIf(k, f > 0 && r > 0, s - 9);
        addIf(k, r > 0, s - 8);
        addIf(k, f < 7 && r > 0, s - 7);
        addIf(k, f > 0 && r < 7, s + 7);
        addIf(k, r < 7, s + 8);
        addIf(k, f < 7 && r < 7, s + 9);
        addIf(k, f > 0, s - 1);
        addIf(k, f < 7, s + 1);

        bbPawnAttack[WHITE][s] = w;
        bbPawnAttack[BLACK][s] = b;
        bbKnightAttack[s] = n;
        bbKingAttack[s] = k;

        for (int t = 0; t < 64; t++) {
            const int df = (t & 7) - f, dr = (t >> 3) - r;
            unsigned char d = DIR_NONE;
            if (s != t && (df == dr || df == -dr))
                d = (df > 0) == (dr > 0) ? DIR_DIAG : DIR_ANTI;
            else if (df == 0 && dr != 0)
                d = DIR_FILE;
            else if (dr == 0 && df != 0)
                d = DIR_RANK;
            direction[s][t] = d;
        }
    }
    createMagicTable();
    // Only the pairs on a line are written (about a third), from the magic
    // look-ups just built; the others keep their zero.
    for (int a = 0; a < 64; a++) {
        for (int b = 0; b < 64; b++) {
            const int d = direction[a][b];
            if (d == DIR_NONE) continue;
            const bool straight = d == DIR_FILE || d == DIR_RANK;
            BitBoard (*const look)(int, BitBoard) = straight ? rookAttack : bishopAttack;
            bbBetween[a][b] = look(a, bbMask[b]) & look(b, bbMask[a]);
            bbLine[a][b] = (look(a, 0) & look(b, 0)) | bbMask[a] | bbMask[b];
        }
    }
}

// Walks one ray from square by (df, dr), up to and including the first occupied square.
static BitBoard walkRay(int square, int df, int dr, BitBoard occupancy) {
    BitBoard att = 0;
    int f = (square & 7) + df, r = (square >> 3) + dr;
    while (f >= 0 && f < 8 && r >= 0 && r < 8) {
        const BitBoard bit = bbMask[f + 8 * r];
        att |= bit;
        if (occupancy & bit) break;
        f += df;
        r += dr;
    }
    return att;
}

BitBoard RookAttack(int square, BitBoard occupancy) {
    return walkRay(square, 0, 1, occupancy) | walkRay(square, 0, -1, occupancy) |
           walkRay(square, 1, 0, occupancy) | walkRay(square, -1, 0, occupancy);
}

BitBoard BishopAttack(int square, BitBoard occupancy) {
    return walkRay(square, 1, 1, occupancy) | walkRay(square, 1, -1, occupancy) |
           walkRay(square, -1, 1, occupancy) | walkRay(square, -1, -1, occupancy);
}

// Fills one slider kind's table slice by slice, in square order.
static void fillMagic(MagicData* records, BitBoard* table, BitBoard (*slow)(int, BitBoard)) {
    static BitBoard scratch[4096];
    const BitBoard unfilled = ~0ULL;
    unsigned offset = 0;
    for (int s = 0; s < 64; s++) {
        MagicData& rec = records[s];
        rec.table = table + offset;
        const unsigned shift = rec.shift & 63;
        const unsigned slots = 1u << (64 - shift);
        for (unsigned i = 0; i < slots; i++) scratch[i] = unfilled;
        BitBoard subset = 0;
        do {
            const unsigned index = (unsigned)((subset * rec.magic) >> shift);
            if (scratch[index] == unfilled) {
                const BitBoard att = slow(s, subset);
                scratch[index] = att;
                table[offset + index] = att;
            }
            subset = (subset - rec.mask) & rec.mask;
        } while (subset);
        offset += slots;
    }
}

void createMagicTable() {
    memset(magicTableRook, 0, sizeof magicTableRook);
    memset(magicTableBishop, 0, sizeof magicTableBishop);
    fillMagic(magicBishopData, magicTableBishop, BishopAttack);
    fillMagic(magicRookData, magicTableRook, RookAttack);
}
