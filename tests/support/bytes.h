// The tests' one set of byte helpers: whole files in and out, the
// little-endian and big-endian items the game's files are made of, and
// reproducible noise.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "base/bytes.h"

using Bytes = std::vector<unsigned char>;

// The whole file; empty when it cannot be read.
inline Bytes ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteBytes(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

// The same for text; the directories on the way are made as needed.
inline std::string ReadText(const std::string& path) {
    const Bytes b = ReadBytes(path);
    return std::string(b.begin(), b.end());
}
inline void WriteText(const std::string& path, const std::string& text) {
    std::error_code ignored;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ignored);
    WriteBytes(path, Bytes(text.begin(), text.end()));
}

inline uint16_t Le16(const Bytes& b, size_t at) {
    return LoadLe16(b.data() + at);
}
inline uint32_t Le32(const Bytes& b, size_t at) {
    return LoadLe32(b.data() + at);
}
inline uint32_t Be32(const Bytes& b, size_t at) {
    return static_cast<uint32_t>(b[at]) << 24 | static_cast<uint32_t>(b[at + 1]) << 16 |
           static_cast<uint32_t>(b[at + 2]) << 8 | b[at + 3];
}

// Writers that grow the bytes when `at` lies past their end.
inline void PutLe16(Bytes* b, size_t at, uint16_t v) {
    b->resize(std::max(b->size(), at + 2), 0);
    (*b)[at] = static_cast<unsigned char>(v);
    (*b)[at + 1] = static_cast<unsigned char>(v >> 8);
}
inline void PutLe32(Bytes* b, size_t at, uint32_t v) {
    b->resize(std::max(b->size(), at + 4), 0);
    StoreLe32(b->data() + at, v);
}
inline void PutBe32(Bytes* b, size_t at, uint32_t v) {
    b->resize(std::max(b->size(), at + 4), 0);
    for (int i = 0; i < 4; ++i) {
        (*b)[at + static_cast<size_t>(i)] = static_cast<unsigned char>(v >> (24 - 8 * i));
    }
}

// Appended at the end.
inline void AddLe16(Bytes* b, uint32_t v) {
    PutLe16(b, b->size(), static_cast<uint16_t>(v));
}
inline void AddLe32(Bytes* b, uint32_t v) {
    PutLe32(b, b->size(), v);
}

// One RIFF chunk, padded to an even length as RIFF lays them out, and a RIFF
// form of chunks: the wave files the game reads.
inline Bytes Chunk(const char* id, const Bytes& body, uint32_t declared = 0xFFFFFFFFu) {
    Bytes c(id, id + 4);
    AddLe32(&c, declared != 0xFFFFFFFFu ? declared : static_cast<uint32_t>(body.size()));
    c.insert(c.end(), body.begin(), body.end());
    if (body.size() % 2 != 0) {
        c.push_back(0);
    }
    return c;
}
inline Bytes Riff(const std::vector<Bytes>& chunks, const char* form = "WAVE") {
    Bytes inside(form, form + 4);
    for (const Bytes& c : chunks) {
        inside.insert(inside.end(), c.begin(), c.end());
    }
    return Chunk("RIFF", inside);
}
// A fmt body: the 16-byte record, then `extra` (the size field and beyond).
inline Bytes Fmt(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits,
                 const Bytes& extra = {}) {
    Bytes f;
    AddLe16(&f, tag);
    AddLe16(&f, channels);
    AddLe32(&f, rate);
    AddLe32(&f, rate * channels * (bits / 8));
    AddLe16(&f, static_cast<uint16_t>(channels * (bits / 8)));
    AddLe16(&f, bits);
    f.insert(f.end(), extra.begin(), extra.end());
    return f;
}

// 32-bit little-endian words, as the stage and score files hold them.
inline Bytes LeWords(const std::vector<int32_t>& values) {
    Bytes b;
    for (int32_t v : values) {
        PutLe32(&b, b.size(), static_cast<uint32_t>(v));
    }
    return b;
}
inline std::vector<int32_t> FromLeWords(const Bytes& b) {
    std::vector<int32_t> values;
    for (size_t i = 0; i + 4 <= b.size(); i += 4) {
        values.push_back(static_cast<int32_t>(Le32(b, i)));
    }
    return values;
}

// A bitmap of every kind a writer makes, with random pixels: the header
// size, the bits a pixel, the compression (3: masks), the masks, and how
// many colours a table holds (0: all).
struct BmpKind {
    uint32_t info;
    uint16_t bits;
    uint32_t compression = 0;
    uint32_t masks[4] = {};
    uint32_t colours = 0;
};

inline Bytes RandomBmp(const BmpKind& k, int32_t w, int32_t h, std::mt19937& random) {
    const uint32_t rowBytes = (static_cast<uint32_t>(w) * k.bits + 7) / 8;
    const uint32_t stride = (rowBytes + 3) & ~3u;
    const uint32_t masks = k.compression == 3 && k.info == 40 ? 12 : 0;
    const uint32_t entries = k.bits <= 8 ? (k.colours != 0 ? k.colours : 1u << k.bits) : 0;
    const uint32_t at = 14 + k.info + masks + entries * (k.info == 12 ? 3 : 4);
    const uint32_t rows = static_cast<uint32_t>(h < 0 ? -h : h);
    Bytes b(at + stride * rows, 0);
    b[0] = 'B';
    b[1] = 'M';
    PutLe32(&b, 2, static_cast<uint32_t>(b.size()));
    PutLe32(&b, 10, at);
    PutLe32(&b, 14, k.info);
    if (k.info == 12) {
        PutLe16(&b, 18, static_cast<uint16_t>(w));
        PutLe16(&b, 20, static_cast<uint16_t>(h));
        PutLe16(&b, 22, 1);
        PutLe16(&b, 24, k.bits);
    } else {
        PutLe32(&b, 18, static_cast<uint32_t>(w));
        PutLe32(&b, 22, static_cast<uint32_t>(h));
        PutLe16(&b, 26, 1);
        PutLe16(&b, 28, k.bits);
        PutLe32(&b, 30, k.compression);
        PutLe32(&b, 46, k.colours);
        for (int i = 0; i < (k.info >= 56 ? 4 : 3) && k.compression == 3; ++i) {
            PutLe32(&b, 54 + 4 * static_cast<size_t>(i), k.masks[i]);
        }
    }
    for (size_t i = at - entries * (k.info == 12 ? 3 : 4); i < b.size(); ++i) {
        b[i] = static_cast<unsigned char>(random());
    }
    if (k.bits <= 8) {  // every index inside the table
        for (uint32_t r = 0; r < rows; ++r) {
            for (int x = 0; x < w; ++x) {
                const size_t bit = static_cast<size_t>(x) * k.bits;
                unsigned char& byte = b[at + r * stride + bit / 8];
                const int shift = 8 - k.bits - static_cast<int>(bit % 8);
                byte = static_cast<unsigned char>((byte & ~(((1u << k.bits) - 1) << shift)) |
                                                  (random() % entries) << shift);
            }
        }
    }
    return b;
}

// The same noise on every run: the seed is made from the name.
inline Bytes Noise(const std::string& name, size_t size) {
    std::seed_seq seed(name.begin(), name.end());
    std::mt19937 random(seed);
    Bytes b(size);
    for (unsigned char& c : b) {
        c = static_cast<unsigned char>(random());
    }
    return b;
}

// Where the four-letter id first stands at or after `from`, or npos.
inline size_t FindId(const Bytes& b, const char* id, size_t from = 0) {
    for (size_t i = from; i + 4 <= b.size(); ++i) {
        if (std::memcmp(&b[i], id, 4) == 0) {
            return i;
        }
    }
    return std::string::npos;
}

// The names in a directory, sorted, to see that nothing was left behind.
inline std::vector<std::string> DirectoryNames(const std::string& directory) {
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(directory, error)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}
