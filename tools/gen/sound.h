// The four sound effects, synthesised and written as RIFF/WAVE files:
// 16-bit mono PCM at 44100 Hz with a plain 16-byte fmt chunk.
#pragma once

#include <vector>

#include "output.h"

namespace gen {

constexpr int SampleRate = 44100;

std::vector<double> SelectMoveSamples();    // a short soft tick for the cursor
std::vector<double> SelectCheckSamples();   // a bright rising chime for confirm
std::vector<double> SelectCancelSamples();  // a falling glide for cancel
std::vector<double> HitSamples();           // the ball's knock, well under 100 ms

// Samples in -1..1 to a WAVE file (clipped, rounded to 16 bits).
Bytes EncodeWave(const std::vector<double>& samples);

}  // namespace gen
