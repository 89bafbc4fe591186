#include "base/formats.h"

#include <cstring>

namespace formats {

namespace {

uint32_t Be32(const unsigned char* p) {
    return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 |
           static_cast<uint32_t>(p[2]) << 8 | static_cast<uint32_t>(p[3]);
}

unsigned Be16(const unsigned char* p) {
    return static_cast<unsigned>(p[0] << 8 | p[1]);
}

}  // namespace

bool LooksLikeMidi(const unsigned char* f, size_t size) {
    if (f == nullptr || size < 14 || std::memcmp(f, "MThd", 4) != 0) {
        return false;
    }
    const uint32_t headerBytes = Be32(f + 4);
    if (headerBytes < 6 || Be16(f + 8) > 2 || Be16(f + 10) == 0 || Be16(f + 12) == 0) {
        return false;
    }
    const uint64_t track = 8 + static_cast<uint64_t>(headerBytes);
    return track + 8 <= size && std::memcmp(f + track, "MTrk", 4) == 0;
}

bool PcmFormatOk(int channels, int rate, int bits) {
    return channels >= 1 && channels <= MaxChannels && (bits == 8 || bits == 16) &&
           rate >= MinRate && rate <= MaxRate;
}

bool MixerTakesPcm(size_t bytes, int channels, int rate, int bits) {
    if (!PcmFormatOk(channels, rate, bits)) {
        return false;
    }
    const uint64_t frame = static_cast<uint64_t>(channels) * static_cast<uint64_t>(bits / 8);
    if (bytes == 0 || bytes % frame != 0 || bytes > MaxEffectBytes) {
        return false;
    }
    // Resampled to the mixer's rate, rounded up as a converter would.
    const uint64_t frames = bytes / frame;
    const uint64_t mixed = (frames * MixerRate + static_cast<uint64_t>(rate) - 1) /
                           static_cast<uint64_t>(rate) * MixerFrameBytes;
    return mixed <= MaxMixedBytes;
}

}  // namespace formats
