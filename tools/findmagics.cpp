// Throw-away generator of the magic multipliers pasted into board/bitboard.cpp.
// Not part of the build: g++ -O2 -std=c++17 tools/findmagics.cpp -o findmagics
// For every square it searches, with a fixed-seed sparse random stream, for a
// multiplier under which colliding occupancy subsets share one attack set, and
// prints the records {table, mask, magic, shift} in square order.
#include <cstdint>
#include <cstdio>
#include <vector>

static uint64_t rngState = 0x7F4A7C159E3779B9ULL;
static uint64_t rng() {
    rngState ^= rngState >> 12;
    rngState ^= rngState << 25;
    rngState ^= rngState >> 27;
    return rngState * 2685821657736338717ULL;
}
static uint64_t sparse() { return rng() & rng() & rng(); }

static uint64_t walk(int sq, uint64_t occ, const int (*dirs)[2]) {
    uint64_t att = 0;
    for (int d = 0; d < 4; d++) {
        int f = (sq & 7) + dirs[d][0], r = (sq >> 3) + dirs[d][1];
        while (f >= 0 && f < 8 && r >= 0 && r < 8) {
            att |= 1ULL << (f + 8 * r);
            if (occ & (1ULL << (f + 8 * r))) break;
            f += dirs[d][0];
            r += dirs[d][1];
        }
    }
    return att;
}

static uint64_t relevantMask(int sq, const int (*dirs)[2]) {
    uint64_t m = 0;
    for (int d = 0; d < 4; d++) {
        int f = (sq & 7) + dirs[d][0], r = (sq >> 3) + dirs[d][1];
        // keep a square only when the ray continues past it
        while (f + dirs[d][0] >= 0 && f + dirs[d][0] < 8 && r + dirs[d][1] >= 0 && r + dirs[d][1] < 8) {
            m |= 1ULL << (f + 8 * r);
            f += dirs[d][0];
            r += dirs[d][1];
        }
    }
    return m;
}

static void find(const char* name, const int (*dirs)[2]) {
    printf("MagicData %s[64] = {\n", name);
    for (int sq = 0; sq < 64; sq++) {
        uint64_t mask = relevantMask(sq, dirs);
        int bits = __builtin_popcountll(mask);
        unsigned shift = 64 - bits;
        std::vector<uint64_t> occ, att;
        uint64_t s = 0;
        do {
            occ.push_back(s);
            att.push_back(walk(sq, s, dirs));
            s = (s - mask) & mask;
        } while (s);
        std::vector<uint64_t> used(1u << bits);
        std::vector<int> stamp(1u << bits, 0);
        for (int attempt = 1;; attempt++) {
            uint64_t magic = sparse();
            if (__builtin_popcountll((mask * magic) & 0xFF00000000000000ULL) < 6) continue;
            bool ok = true;
            for (size_t i = 0; i < occ.size() && ok; i++) {
                unsigned idx = (unsigned)((occ[i] * magic) >> shift);
                if (stamp[idx] != attempt) {
                    stamp[idx] = attempt;
                    used[idx] = att[i];
                } else if (used[idx] != att[i]) {
                    ok = false;
                }
            }
            if (ok) {
                printf("    {nullptr, 0x%016llXULL, 0x%016llXULL, %u},\n", (unsigned long long)mask,
                       (unsigned long long)magic, shift);
                break;
            }
        }
    }
    printf("};\n\n");
}

int main() {
    static const int rook[4][2] = {{0, 1}, {0, -1}, {1, 0}, {-1, 0}};
    static const int bishop[4][2] = {{1, 1}, {1, -1}, {-1, 1}, {-1, -1}};
    find("magicRookData", rook);
    find("magicBishopData", bishop);
    return 0;
}
