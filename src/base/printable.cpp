#include "base/printable.h"

#include <cstdint>

namespace {

// The length of the well-formed UTF-8 sequence of a printable character at
// the start of `rest`, or 0.
size_t PrintableSequence(std::string_view rest) {
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(rest[i]); };
    const unsigned char lead = byte(0);
    if (lead >= 0x20 && lead < 0x7f) {
        return 1;
    }
    size_t length = 0;
    uint32_t code = 0;
    if (lead >= 0xc2 && lead <= 0xdf) {
        length = 2;
        code = lead & 0x1f;
    } else if (lead >= 0xe0 && lead <= 0xef) {
        length = 3;
        code = lead & 0x0f;
    } else if (lead >= 0xf0 && lead <= 0xf4) {
        length = 4;
        code = lead & 0x07;
    } else {
        return 0;
    }
    if (rest.size() < length) {
        return 0;
    }
    for (size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xc0) != 0x80) {
            return 0;
        }
        code = code << 6 | (byte(i) & 0x3f);
    }
    const uint32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
    const bool wellFormed =
        code >= least[length] && code <= 0x10ffff && (code < 0xd800 || code > 0xdfff);
    // U+0080..U+009F are controls too: some terminals take U+009B as CSI.
    return wellFormed && code >= 0xa0 ? length : 0;
}

}  // namespace

std::string Printable(std::string_view text) {
    static constexpr char Hex[] = "0123456789abcdef";
    std::string out;
    out.reserve(text.size());
    while (!text.empty()) {
        const size_t n = PrintableSequence(text);
        if (n > 0) {
            out.append(text.substr(0, n));
            text.remove_prefix(n);
            continue;
        }
        const auto c = static_cast<unsigned char>(text.front());
        out += "\\x";
        out += Hex[c >> 4];
        out += Hex[c & 15];
        text.remove_prefix(1);
    }
    return out;
}

std::string PrintableLines(std::string_view text) {
    std::string out;
    for (size_t start = 0;;) {
        const size_t end = text.find('\n', start);
        out += Printable(text.substr(start, end - start));
        if (end == std::string_view::npos) {
            return out;
        }
        out += '\n';
        start = end + 1;
    }
}
