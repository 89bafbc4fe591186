// The game's own random numbers: the C library's generator and sequence, but
// with a state of the game's own. The sound font synthesizer draws from the C
// library's shared one as it starts, which would make the stage music depend
// on when the synthesizer first ran, and a recorded run replay differently.
#pragma once

#include <cstdint>

// Starts the sequence again from `seed`, as srand does.
void SeedGameRandom(uint32_t seed);
// The next number, 0 to RAND_MAX, as rand gives after srand with the same seed.
int GameRandom();
// The seed of the sequence now drawn from (1 before any was given).
uint32_t GameRandomSeed();
// Back to unseeded, as at start.
void ResetGameRandom();
