// Playing strength below the engine's best ("UCI_LimitStrength"): each search
// that plays a move gets a node budget, and the leaves of its tree a fixed
// pseudo-random error, both growing as the chosen rating goes down.
#pragma once

#include <cstdint>

// The ratings the engine can be set to.
const int STRENGTH_ELO_MIN = 1350;
const int STRENGTH_ELO_MAX = 2000;

struct StrengthSettings {
    unsigned long long nodes;  // node budget of a search
    int noise;                 // largest error added to a leaf's evaluation, centipawns
};

// The settings of a rating (clamped into STRENGTH_ELO_MIN..STRENGTH_ELO_MAX).
StrengthSettings strengthSettings(int elo);

// Error amplitude of the running search (0 at full strength) and the seed
// that makes the errors differ from game to game.
extern int strengthNoiseAmplitude;
extern uint64_t strengthNoiseSeed;

// The error of a position: the same for the same position within a game, so
// the transposition table stays consistent; zero at full strength.
inline int strengthNoise(uint64_t key) {
    if (__builtin_expect(strengthNoiseAmplitude == 0, 1)) return 0;
    uint64_t h = (key ^ strengthNoiseSeed) * 0x9E3779B97F4A7C15ULL;
    h ^= h >> 31;
    return (int)(h % (uint64_t)(2 * strengthNoiseAmplitude + 1)) - strengthNoiseAmplitude;
}
