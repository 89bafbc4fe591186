// Our own small RIFF reader for the four effect files: find the WAVE form,
// its "fmt " chunk, then the "data" chunk after it, and hand back plain PCM.
//
// A wave file can be anything a player put at the path, so every size in it
// is checked against the file before it is trusted, and nothing is allocated
// beyond what the file itself holds (plus at most a second of silence).

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <new>
#include <utility>

#include "audio/sound.h"
#include "base/bytes.h"
#include "base/formats.h"
#include "base/plainfile.h"

namespace {

constexpr uint16_t kFormatPcm = 0x0001;
constexpr uint16_t kFormatExtensible = 0xFFFE;
// The plain PCM record without its extra-size field, the full WAVEFORMATEX
// record, and WAVEFORMATEXTENSIBLE with its sub-format.
constexpr uint32_t kFmtPcmBytes = 16;
constexpr uint32_t kFmtRecordBytes = 18;
constexpr uint32_t kFmtExtensibleBytes = 40;
constexpr uint16_t kExtensibleExtraBytes = 22;
// KSDATAFORMAT_SUBTYPE_PCM as it lies in the file.
constexpr unsigned char kSubFormatPcm[16] = {0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00,
                                             0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

constexpr uint32_t FourCc(const char (&id)[5]) {
    return static_cast<uint32_t>(static_cast<unsigned char>(id[0])) |
           static_cast<uint32_t>(static_cast<unsigned char>(id[1])) << 8 |
           static_cast<uint32_t>(static_cast<unsigned char>(id[2])) << 16 |
           static_cast<uint32_t>(static_cast<unsigned char>(id[3])) << 24;
}

// The open wave file; closed on every way out of the loader.
class WaveFile {
  public:
    explicit WaveFile(const char* path) { file_ = OpenPlainStream(path, &size_); }
    ~WaveFile() {
        if (file_ != nullptr) {
            fclose(file_);
        }
    }
    WaveFile(const WaveFile&) = delete;
    WaveFile& operator=(const WaveFile&) = delete;

    bool IsOpen() const { return file_ != nullptr; }
    uint64_t Size() const { return size_; }
    bool Failed() const { return failed_; }

    // Reads up to `n` bytes at `pos`; fewer at the end of the file.
    size_t ReadAt(uint64_t pos, void* into, size_t n) {
        if (pos > size_ || !SeekStream(file_, pos)) {
            failed_ = true;
            return 0;
        }
        const size_t got = fread(into, 1, n, file_);
        if (ferror(file_)) {
            failed_ = true;
        }
        return got;
    }

  private:
    FILE* file_ = nullptr;
    uint64_t size_ = 0;
    bool failed_ = false;
};

struct Chunk {
    uint32_t size = 0;
    uint64_t body = 0;  // file position of the chunk's first byte after its header
};

// Where the chunk that starts at `body` with `size` bytes ends, pad byte included.
uint64_t ChunkEnd(const Chunk& c) {
    return c.body + c.size + (c.size & 1u);
}

// Walks the chunks laid one after another from `pos` and stops at the first
// `id` whose header lies whole before `end`.
bool FindChunk(WaveFile& file, uint64_t pos, uint64_t end, uint32_t id, Chunk* out) {
    while (pos + 8 <= end) {
        unsigned char header[8];
        if (file.ReadAt(pos, header, sizeof header) != sizeof header) {
            return false;
        }
        const Chunk chunk{LoadLe32(header + 4), pos + 8};
        if (LoadLe32(header) == id) {
            *out = chunk;
            return true;
        }
        pos = ChunkEnd(chunk);
    }
    return false;
}

// The top-level RIFF chunk of form "WAVE": [*begin, *end) is what lies inside
// it after the form type, cut to what the file holds.
bool FindWaveForm(WaveFile& file, uint64_t* begin, uint64_t* end) {
    uint64_t pos = 0;
    Chunk riff;
    while (FindChunk(file, pos, file.Size(), FourCc("RIFF"), &riff)) {
        unsigned char form[4];
        if (riff.size >= 4 && file.ReadAt(riff.body, form, sizeof form) == sizeof form &&
            LoadLe32(form) == FourCc("WAVE")) {
            *begin = riff.body + 4;
            *end = std::min<uint64_t>(riff.body + riff.size, file.Size());
            return true;
        }
        pos = ChunkEnd(riff);
    }
    return false;
}

struct Format {
    int channels = 0;
    int rate = 0;
    int bits = 0;
};

// The fmt chunk must be there whole, but only its first 18 bytes (40 for the
// extensible record) mean anything to us; the rest is skipped.
bool ReadFormat(WaveFile& file, const Chunk& fmt, Format* out) {
    if (fmt.size < kFmtPcmBytes || fmt.body + fmt.size > file.Size()) {
        return false;
    }
    unsigned char rec[kFmtExtensibleBytes] = {};
    const size_t want = std::min(fmt.size, kFmtExtensibleBytes);
    if (file.ReadAt(fmt.body, rec, want) != want) {
        return false;
    }
    const uint16_t tag = LoadLe16(rec);
    const uint16_t channels = LoadLe16(rec + 2);
    const uint32_t rate = LoadLe32(rec + 4);
    const uint16_t bits = LoadLe16(rec + 14);
    if (tag == kFormatExtensible) {
        const uint16_t extra = fmt.size >= kFmtRecordBytes ? LoadLe16(rec + 16) : 0;
        if (fmt.size < kFmtExtensibleBytes || extra < kExtensibleExtraBytes ||
            std::memcmp(rec + 24, kSubFormatPcm, sizeof kSubFormatPcm) != 0) {
            return false;
        }
    } else if (tag != kFormatPcm) {
        return false;
    }
    if (rate > static_cast<uint32_t>(formats::MaxRate) ||
        !formats::PcmFormatOk(channels, static_cast<int>(rate), bits)) {
        return false;
    }
    *out = Format{channels, static_cast<int>(rate), bits};
    return true;
}

}  // namespace

bool ReadWave(const char* path, WavePcm* out) {
    if (path == nullptr || out == nullptr) {
        return false;
    }
    WaveFile file(path);
    if (!file.IsOpen()) {
        return false;
    }
    uint64_t begin = 0;
    uint64_t end = 0;
    if (!FindWaveForm(file, &begin, &end)) {
        return false;
    }
    Chunk fmt;
    if (!FindChunk(file, begin, end, FourCc("fmt "), &fmt)) {
        return false;
    }
    Format format;
    if (!ReadFormat(file, fmt, &format)) {
        return false;
    }
    // Only after the fmt chunk: a data chunk before it does not count.
    Chunk data;
    if (!FindChunk(file, ChunkEnd(fmt), end, FourCc("data"), &data)) {
        return false;
    }

    // A data chunk may claim more than the file holds; we read what is there
    // and let the rest be silence, but at most a second of it, so that a
    // size field of four gigabytes costs no more than a short file does.
    const uint64_t frameBytes = static_cast<uint64_t>(format.channels) * (format.bits / 8);
    const uint64_t inFile = data.body < file.Size() ? file.Size() - data.body : 0;
    const uint64_t toRead = std::min<uint64_t>(data.size, inFile);
    const uint64_t oneSecond = frameBytes * static_cast<uint64_t>(format.rate);
    uint64_t total = toRead + std::min<uint64_t>(data.size - toRead, oneSecond);
    total -= total % frameBytes;
    if (total == 0 || total > formats::MaxEffectBytes) {
        return false;
    }

    WavePcm pcm;
    try {
        pcm.bytes.resize(static_cast<size_t>(total), format.bits == 8 ? 0x80 : 0x00);
    } catch (const std::bad_alloc&) {
        return false;
    }
    const size_t want = static_cast<size_t>(std::min(toRead, total));
    const size_t got = want == 0 ? 0 : file.ReadAt(data.body, pcm.bytes.data(), want);
    if (file.Failed()) {
        return false;
    }
    // The file may have shrunk under us: what was not read is silence too.
    std::fill(pcm.bytes.begin() + static_cast<std::ptrdiff_t>(got),
              pcm.bytes.begin() + static_cast<std::ptrdiff_t>(want),
              format.bits == 8 ? 0x80 : 0x00);
    pcm.channels = format.channels;
    pcm.rate = format.rate;
    pcm.bits = format.bits;
    *out = std::move(pcm);
    return true;
}
