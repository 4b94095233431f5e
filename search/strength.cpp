// Node budget and evaluation error of each playing strength.
#include "search/strength.h"

#include <cmath>

int strengthNoiseAmplitude = 0;
uint64_t strengthNoiseSeed = 0;

// Calibrated in games against an engine whose rating scale follows a public
// rating list (5 s + 0.05 s a game): the budget doubles every
// NODES_DOUBLING_ELO points, and the error shrinks linearly to nothing at
// NOISE_FREE_ELO.
static const double NODES_AT_MIN = 400.0;
static const double NODES_DOUBLING_ELO = 150.0;
static const int NOISE_AT_MIN = 200;
static const int NOISE_FREE_ELO = 2200;

StrengthSettings strengthSettings(int elo) {
    if (elo < STRENGTH_ELO_MIN) elo = STRENGTH_ELO_MIN;
    if (elo > STRENGTH_ELO_MAX) elo = STRENGTH_ELO_MAX;
    StrengthSettings s;
    s.nodes = (unsigned long long)(NODES_AT_MIN * std::pow(2.0, (elo - STRENGTH_ELO_MIN) / NODES_DOUBLING_ELO));
    s.noise = elo >= NOISE_FREE_ELO ? 0
                                    : NOISE_AT_MIN * (NOISE_FREE_ELO - elo) / (NOISE_FREE_ELO - STRENGTH_ELO_MIN);
    return s;
}
