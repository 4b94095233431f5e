// Time control: the per-node stop test with its periodic clock reading and
// console poll, the budget of a search, and the stops between iterations.
#include "search/timecontrol.h"

#include <sys/time.h>

#include "board/chessboard.h"
#include "frontend/console.h"
#include "search/strength.h"
#include "search/threads.h"

static const uint32_t INFINITE_TIME = 4294967295u;  // about 71.6 minutes
static const unsigned EARLY_SEARCHES = 10;          // the first searches of a game get more time
static const uint32_t LOW_CLOCK_US = 100000;        // with an increment, the clock is kept near this
static const uint32_t OVERHEAD_FLOOR_US = 2000;     // the move overhead leaves at least this much

int moveOverheadMs = 0;
int mateSearchMoves = 0;

// A ponder search reads the console every PONDER_POLL_MASK + 1 calls (1024)
// instead of the clock every CLOCK_CHECK_MASK + 1 calls.
static const unsigned PONDER_POLL_MASK = 1023;

// Has the running timed search used up its budget? (Not for depth, node or
// ponder searches.)
static inline bool clockExpired(const ChessBoard& b) {
    if (b.ponderSearch || b.searchMode == SEARCH_NODES || b.searchMode == SEARCH_DEPTH) return false;
    struct timeval now;
    gettimeofday(&now, nullptr);
    return elapsedMicroseconds(b.searchStartTime, now) >= (long long)b.timeLimit;
}

// Hands a waiting console line to the front end; 0 when the search must stop.
static inline int pollInput(ChessBoard& b) {
    if (b.inputPollPeriod != NO_INPUT_POLL && getInput()) {
        b.onParseInputCommand();
        return b.stopSearch == STOP_NONE ? 1 : 0;
    }
    return 1;
}

// Called at every node: returns 0 when the search must stop. Between polls
// the cost is one increment and two comparisons (one more in node mode).
int ChessBoard::checkSearchTime() {
    if (__builtin_expect(stopSearch != STOP_NONE, 0)) return 0;
    if (__builtin_expect(++inputPollCount < inputPollPeriod, 1)) {
        if (countNodes >= stopNodes && (!ponderSearch || countNodes >= strengthNodes)) {
            stopSearch = STOP_PLAY;
            return 0;
        }
        if (__builtin_expect((inputPollCount & checkMask) != 0, 1)) return 1;
        // With helper threads: a helper stops when the engine's search has, and
        // that search stops at its node limit counted over all threads. The
        // threads may outnumber the cores, so that the engine's search gets a
        // share of one: it reads the console every PONDER_POLL_MASK + 1 calls,
        // to answer as promptly as it does alone.
        if (__builtin_expect(parallelSearch != 0, 0)) {
            if (!checkThreads(*this)) {
                stopSearch = STOP_PLAY;
                return 0;
            }
            if (helperIndex) return 1;
            if ((inputPollCount & PONDER_POLL_MASK) == 0 && !pollInput(*this)) return 0;
        }
        // A ponder search waits for the opponent's move, and the engine's clock
        // runs from the moment it is sent: the console is read as often as a
        // timed search reads the clock.
        if (ponderSearch) return (inputPollCount & PONDER_POLL_MASK) != 0 ? 1 : pollInput(*this);
        if (!clockExpired(*this)) return 1;
        stopSearch = STOP_PLAY;
        return 0;
    }
    inputPollCount -= inputPollPeriod;

    if (countNodes >= stopNodes && (!ponderSearch || countNodes >= strengthNodes)) {
        stopSearch = STOP_PLAY;
        return 0;
    }
    if (clockExpired(*this)) {
        stopSearch = STOP_PLAY;
        return 0;
    }
    return pollInput(*this);
}

// Truncates a budget in microseconds into the 32-bit range.
static uint32_t toMicroseconds(float t) {
    if (!(t > 0.0f)) return 0;
    if (t >= 4294967040.0f) return INFINITE_TIME;
    return (uint32_t)t;
}

// The clock budget in microseconds of a search for side, after searchesBefore
// searches of this game.
static uint32_t clockBudget(const ChessBoard& b, int side, unsigned searchesBefore) {
    const float c = b.clockTime[side];
    const int inc = b.timeIncrement[side];
    float t;
    if (b.movesToGo == 0)
        t = inc > 0 ? c * 33.333336f + (float)inc * 1000.0f : c * 25.0f;
    else if (b.movesToGo == 1)
        t = c * 500.0f;
    else
        t = c * 1000.0f / (float)b.movesToGo;
    uint32_t budget = toMicroseconds(t);
    if (searchesBefore < EARLY_SEARCHES)
        budget = toMicroseconds((float)budget * (2.0f - 0.1f * (float)searchesBefore));
    // The budget above can reach or pass the whole clock (one move to go in the
    // first searches, or an increment larger than what is left). A hard limit
    // that spends the clock loses on time by the polling overshoot and by the
    // delays of a busy machine, so keep a reserve: 5 % of the clock and at least
    // 30 ms, or three quarters of a clock under 40 ms. With an increment the
    // clock then settles at 40 ms or more instead of running down to nothing.
    const uint32_t clockUs = toMicroseconds(c * 1000.0f);
    const uint32_t reserve = clockUs / 20 > 30000 ? clockUs / 20 : 30000;
    uint32_t cap = clockUs >= 40000 ? clockUs - reserve : clockUs / 4;
    // With an increment, a clock that has run down to about LOW_CLOCK_US spends at most
    // half an increment a move, so it grows back, and below that a share of the half
    // increment that shrinks with the clock. The delays outside the engine (the
    // interface, a busy machine) are paid from the clock too: without this floor they
    // would eat the last few milliseconds, and the closer the clock is to nothing the
    // more of the increment must be left for them.
    if (inc > 0) {
        const uint32_t incUs = toMicroseconds((float)inc * 1000.0f);
        const uint32_t above = clockUs > LOW_CLOCK_US ? clockUs - LOW_CLOCK_US : 0;
        uint32_t lowCap = above > incUs / 2 ? above : incUs / 2;
        if (clockUs < LOW_CLOCK_US) lowCap = (uint32_t)((uint64_t)(incUs / 2) * clockUs / LOW_CLOCK_US);
        if (lowCap < cap) cap = lowCap;
    }
    if (budget > cap) budget = cap;
    // The time lost outside the engine comes off the budget, which keeps a few
    // milliseconds for a move to be found at all.
    const uint32_t overheadUs = (uint32_t)moveOverheadMs * 1000u;
    if (overheadUs == 0) return budget;
    const uint32_t floor = budget < OVERHEAD_FLOOR_US ? budget : OVERHEAD_FLOOR_US;
    return budget - floor > overheadUs ? budget - overheadUs : floor;
}

// Sets timeLimit and the node limits for the search about to start and
// records its start time. A weakened engine plays every move within its node
// budget (a ponder search too, since its move may be played); an analysis
// (infinite search) has the engine's full strength.
void ChessBoard::computeTimeLimit() {
    strengthNodes = ~0ULL;
    strengthNoiseAmplitude = 0;
    if (strengthElo > 0 && searchMode != SEARCH_INFINITE) {
        const StrengthSettings s = strengthSettings(strengthElo);
        strengthNodes = s.nodes;
        strengthNoiseAmplitude = s.noise;
    }
    stopNodes = searchMode == SEARCH_NODES && nodeLimit < strengthNodes ? nodeLimit : strengthNodes;
    gettimeofday(&searchStartTime, nullptr);
    // Each game draws its own errors.
    if (searchCount == 0)
        strengthNoiseSeed = (uint64_t)searchStartTime.tv_sec * 1000003u + (uint64_t)searchStartTime.tv_usec;
    switch (searchMode) {
        case SEARCH_CLOCK:
            timeLimit = clockBudget(*this, (int)node.side, searchCount);
            break;
        case SEARCH_INFINITE:
            timeLimit = INFINITE_TIME;
            break;
        default:
            timeLimit = moveTime;
            break;
    }
}

void refreshClockBudget(ChessBoard& b, int side) {
    if (b.searchMode != SEARCH_CLOCK) return;
    // The running search was counted when it started.
    b.timeLimit = clockBudget(b, side, b.searchCount > 0 ? b.searchCount - 1 : 0);
}

// Stops after the first line of a finished iteration: in every mode a mate as
// near as "go mate" asks; in clock mode no legal or only one move, a mate seen
// twice from iteration 7 on, or 60 % of the budget used.
void ChessBoard::applyClockStops(int iteration, int score) {
    if (mateSearchMoves > 0 && score >= MATE_BOUND && calcMateValue(score) <= mateSearchMoves)
        stopSearch = STOP_PLAY;
    if (searchMode != SEARCH_CLOCK || ponderSearch) return;
    if (rootMoveStatus == ROOT_MOVES_NONE) stopSearch = STOP_PLAY;
    if (rootMoveStatus == ROOT_MOVE_ONLY) {
        const PLine& pv = node.pvLines[0];
        ponderMove = pv.count >= 2 ? pv.moves[1].move : emptyMove;
        stopSearch = STOP_PLAY;
    }
    if (score >= MATE_BOUND || score <= -MATE_BOUND) {
        mateIterations++;
        if (mateIterations >= 2 && iteration >= 7) stopSearch = STOP_PLAY;
    }
    if (elapsedTime > 0.6 * (double)timeLimit) stopSearch = STOP_PLAY;
}
