// What counts as a MIDI file and as effect samples the mixer takes. Pure
// checks on bytes and numbers, no I/O: the loaders and both platform
// back-ends ask these, so the same file gets the same answer everywhere.
#pragma once

#include <cstddef>
#include <cstdint>

namespace formats {

// A standard MIDI file of more than this is no song but something else.
constexpr size_t MaxMidiBytes = size_t{16} << 20;

// A standard MIDI file: its header chunk (format 0..2, at least one track, a
// time division), then a track chunk where the header says. The player only
// reads the file once it starts, and would play nothing and end at once, so
// what is plainly no MIDI file is refused at the open, as the sequencer did.
bool LooksLikeMidi(const unsigned char* bytes, size_t size);

// Effect samples: 8-bit unsigned or 16-bit signed little-endian PCM.
constexpr int MinRate = 1000;  // rates outside these are no effect anyone recorded
constexpr int MaxRate = 192000;
constexpr int MaxChannels = 8;
// The largest effect buffer the sound service ever took.
constexpr uint64_t MaxEffectBytes = 0x0FFFFFFF;
// What one effect may become in the mixer's own format (44100 Hz, 16-bit
// stereo): no effect of ours comes near it (about six minutes), and a file
// that would is refused rather than allowed to eat the memory.
constexpr uint64_t MaxMixedBytes = uint64_t{64} << 20;
constexpr int MixerRate = 44100;
constexpr int MixerFrameBytes = 4;

// The format alone: PCM the mixer can convert.
bool PcmFormatOk(int channels, int rate, int bits);
// `bytes` of samples in that format: whole frames, at least one, and no more
// than an effect may hold before and after conversion.
bool MixerTakesPcm(size_t bytes, int channels, int rate, int bits);

}  // namespace formats
