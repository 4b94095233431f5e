// The fixed search benchmark behind "-bench": its node count is the build's
// signature.
#pragma once

// Searches every benchmark position to the given depth (plies) with a fresh
// 16 MB table, printing nothing and never reading standard input. Returns the
// total node count and writes the elapsed microseconds.
unsigned long long runBenchSearch(int depth, long long* elapsedMicroseconds);

// Number of benchmark positions, and the FEN of one of them.
int benchPositionCount();
const char* benchPosition(int index);

// Depth of "-bench" when none is given.
const int BENCH_DEFAULT_DEPTH = 8;

// "-bench": searches the positions to depth (the default when 0 or less) and
// prints the total node count and the speed.
int cmdBench(int depth);
