// Node budget and evaluation error of each playing strength.
#include "search/strength.h"

#include <cmath>

int strengthNoiseAmplitude = 0;
uint64_t strengthNoiseSeed = 0;

namespace {

// Node budgets measured in games against an engine whose ratings follow a
// public rating list (5 s + 0.05 s a game, at least 60 games at 1400, 1700
// and 2000, each within 30 to 70 %); between the points the budget grows
// geometrically. 400000 nodes is about what the engine searches at full
// strength at that time control, so 2000 is the top of the scale.
struct Anchor {
    int elo;
    double nodes;
};
const Anchor ANCHORS[] = {{1350, 2000}, {1400, 3000}, {1700, 12000}, {2000, 400000}};
const int ANCHOR_COUNT = sizeof(ANCHORS) / sizeof(ANCHORS[0]);

// A small error, largest at the lowest rating, keeps games from repeating.
const int NOISE_AT_MIN = 20;
const int NOISE_FREE_ELO = 2000;

}  // namespace

StrengthSettings strengthSettings(int elo) {
    if (elo < STRENGTH_ELO_MIN) elo = STRENGTH_ELO_MIN;
    if (elo > STRENGTH_ELO_MAX) elo = STRENGTH_ELO_MAX;
    int k = 1;
    while (k < ANCHOR_COUNT - 1 && elo > ANCHORS[k].elo) k++;
    const Anchor& a = ANCHORS[k - 1];
    const Anchor& b = ANCHORS[k];
    const double t = (double)(elo - a.elo) / (double)(b.elo - a.elo);
    StrengthSettings s;
    s.nodes = (unsigned long long)std::exp(std::log(a.nodes) + t * (std::log(b.nodes) - std::log(a.nodes)));
    s.noise = elo >= NOISE_FREE_ELO
                  ? 0
                  : NOISE_AT_MIN * (NOISE_FREE_ELO - elo) / (NOISE_FREE_ELO - STRENGTH_ELO_MIN);
    return s;
}
