// Evaluation weights and search margins that can be changed by name at run time.
#include <cstring>

#include "board/chessboard.h"
#include "eval/eval.h"
#include "eval/weights.h"
#include "search/searchnode.h"

namespace {

// Every tunable is kept within -TUNE_LIMIT..TUNE_LIMIT, so that no sum built
// from it can overflow an int. A piece collects at most two tunable terms (a
// doubled pawn that is also isolated or backward; a rook on an open file) and
// a board holds at most 64 pieces; all other terms of one half of the score
// (material, tables, mobility, passed pawns, king safety of 64 pieces) stay
// below 150000. The blend multiplies the middle-game half by the phase (at
// most 4 for each of 64 pieces) and the end-game half by 24 minus it, divides
// by 24 and scales by at most 32; the search adds one margin to the result.
const int TUNE_LIMIT = 10000;
const long long HALF_SCORE_MAX = 150000 + 64LL * 2 * TUNE_LIMIT;
const long long PHASE_MAX = 4 * 64;
static_assert((PHASE_MAX + (PHASE_MAX - 24)) * HALF_SCORE_MAX / 24 * 32 + TUNE_LIMIT < 2147483647LL,
              "a tuned evaluation could overflow");

struct TunableParameter {
    const char* name;
    int* target;  // first of `count` consecutive ints that all take the value
    int count;
};

const TunableParameter tunables[] = {
    {"doubledpawn", EVAL_DOUBLED_PAWN, 2},   {"isolatedpawn", EVAL_ISOLATED_PAWN, 2},
    {"backwardpawn", EVAL_BACKWARD_PAWN, 2}, {"rookopenfile", EVAL_ROOK_OPEN_FILE, 2},
    {"futility1", &FUTILITY_MARGIN[1], 1},   {"futility2", &FUTILITY_MARGIN[2], 1},
    {"futility3", &FUTILITY_MARGIN[3], 1},
};

}  // namespace

// Sets the named parameter (case-sensitive name) to value truncated towards
// zero and kept within the tunable range (NaN counts as 0); returns that
// integer. An unknown name changes nothing and returns 0.
int setTuneValue(const char* name, float value) {
    if (!name) return 0;
    int v = 0;
    if (value >= (float)TUNE_LIMIT)
        v = TUNE_LIMIT;
    else if (value <= (float)-TUNE_LIMIT)
        v = -TUNE_LIMIT;
    else if (value == value)
        v = (int)value;
    for (const TunableParameter& t : tunables) {
        if (std::strcmp(name, t.name) == 0) {
            for (int i = 0; i < t.count; i++) t.target[i] = v;
            return v;
        }
    }
    return 0;
}
