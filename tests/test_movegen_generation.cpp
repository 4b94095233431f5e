// Move generation: order, completeness and edge cases of each generator.
#include <gtest/gtest.h>

#include "frontend/chessboarduci.h"
