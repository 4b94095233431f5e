#include "frontend/chessboarduci.h"

int cmdBench(int) { return 1; }
