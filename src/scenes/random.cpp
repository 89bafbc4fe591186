#include "scenes/random.h"

#include <cstddef>

namespace {

// The C library's additive feedback generator with 128 bytes of state, the
// one srand and rand use: 31 words, each new one the sum of those 3 and 31
// places back. Kept here so the sequence is the same whatever C library the
// game is built with.
constexpr size_t Words = 31;
constexpr size_t Tap = 3;
// Outputs thrown away after seeding, so that close seeds part ways.
constexpr int Discarded = 310;

uint32_t state[Words];
size_t front = Tap;  // the word 3 back from the next one written
size_t rear = 0;
bool seeded = false;
uint32_t seedGiven = 1;

uint32_t Next() {
    state[front] += state[rear];
    const uint32_t value = state[front] >> 1;
    front = (front + 1) % Words;
    rear = (rear + 1) % Words;
    return value;
}

}  // namespace

void SeedGameRandom(uint32_t seed) {
    seedGiven = seed;
    // The words come from the minimal standard generator (16807 x mod
    // 2^31 - 1, by Schrage's method to stay within 32 bits), started from
    // the seed taken as signed; seed 0 would give all zeros, so it counts as 1.
    int32_t word = seed == 0 ? 1 : static_cast<int32_t>(seed);
    state[0] = static_cast<uint32_t>(word);
    for (size_t i = 1; i < Words; ++i) {
        const int32_t hi = word / 127773;
        const int32_t lo = word % 127773;
        word = 16807 * lo - 2836 * hi;
        if (word < 0) {
            word += 2147483647;
        }
        state[i] = static_cast<uint32_t>(word);
    }
    front = Tap;
    rear = 0;
    for (int i = 0; i < Discarded; ++i) {
        Next();
    }
    seeded = true;
}

int GameRandom() {
    // Unseeded, the sequence starts as if seeded with 1.
    if (!seeded) {
        SeedGameRandom(1);
    }
    return static_cast<int>(Next());
}

uint32_t GameRandomSeed() {
    return seedGiven;
}

void ResetGameRandom() {
    seeded = false;
    seedGiven = 1;
}
