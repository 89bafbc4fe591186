#include "scenes/random.h"

#include <cstdlib>

namespace {

// The C library's default state: its additive generator with 128 bytes of
// state, which is what srand and rand use.
constexpr size_t StateBytes = 128;
char state[StateBytes];
random_data generator{};
bool seeded = false;
uint32_t seedGiven = 1;

}  // namespace

void SeedGameRandom(uint32_t seed) {
    seedGiven = seed;
    generator = random_data{};
    initstate_r(seed, state, sizeof state, &generator);
    seeded = true;
}

int GameRandom() {
    // Unseeded, the library's sequence starts as if seeded with 1.
    if (!seeded) {
        SeedGameRandom(1);
    }
    int32_t value = 0;
    random_r(&generator, &value);
    return value;
}

uint32_t GameRandomSeed() {
    return seedGiven;
}

void ResetGameRandom() {
    seeded = false;
    seedGiven = 1;
}
