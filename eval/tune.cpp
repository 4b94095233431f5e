// Evaluation weights and search margins that can be changed by name at run time.
#include "eval/eval.h"

#include <cstring>

#include "board/chessboard.h"
#include "eval/weights.h"

int FUTILITY_MARGIN[8] = {0, 200, 500, 975, 975, 0, 0, 0};

namespace {

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
// zero and returns that integer; an unknown name changes nothing and returns 0.
int setTuneValue(const char* name, float value) {
    if (!name) return 0;
    // A float outside the int range cannot be converted; clamp it first.
    int v;
    if (!(value == value)) v = 0;  // NaN
    else if (value >= 2147483647.0f) v = 2147483647;
    else if (value <= -2147483648.0f) v = -2147483647 - 1;
    else v = (int)value;
    for (const TunableParameter& t : tunables) {
        if (std::strcmp(name, t.name) == 0) {
            for (int i = 0; i < t.count; i++) t.target[i] = v;
            return v;
        }
    }
    return 0;
}
