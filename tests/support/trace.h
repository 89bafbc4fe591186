// The headless runner's trace, one JSON object a frame, read with a small
// recursive JSON parser: a key is found where it stands in the object, never
// by searching the text.
#pragma once

#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

struct Json {
    enum class Kind { Null, Bool, Number, String, Array, Object };
    Kind kind = Kind::Null;
    bool boolean = false;
    double number = 0;
    std::string text;
    std::vector<Json> items;
    std::map<std::string, Json> fields;

    // A field of an object, or null when there is none (or this is no object).
    const Json& operator[](const std::string& key) const {
        static const Json none;
        const auto it = fields.find(key);
        return it == fields.end() ? none : it->second;
    }
    const Json& operator[](size_t i) const {
        static const Json none;
        return i < items.size() ? items[i] : none;
    }
    bool has(const std::string& key) const { return fields.count(key) != 0; }
    // The number as a whole number, or `missing` when this is no number.
    long Int(long missing = -99999) const {
        return kind == Kind::Number ? static_cast<long>(number) : missing;
    }
};

namespace json_detail {

class Parser {
  public:
    explicit Parser(const std::string& s) : s_(s) {}

    // False on anything that is not exactly one JSON value.
    bool Parse(Json* out) {
        if (!Value(out, 0)) {
            return false;
        }
        Space();
        return at_ == s_.size();
    }

  private:
    static constexpr int MaxDepth = 64;

    void Space() {
        while (at_ < s_.size() &&
               (s_[at_] == ' ' || s_[at_] == '\t' || s_[at_] == '\n' || s_[at_] == '\r')) {
            ++at_;
        }
    }
    bool Take(char c) {
        Space();
        if (at_ < s_.size() && s_[at_] == c) {
            ++at_;
            return true;
        }
        return false;
    }
    bool Word(const char* w) {
        const std::string word(w);
        if (s_.compare(at_, word.size(), word) != 0) {
            return false;
        }
        at_ += word.size();
        return true;
    }
    static void PutUtf8(std::string* out, unsigned cp) {
        if (cp < 0x80) {
            *out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            *out += static_cast<char>(0xC0 | cp >> 6);
            *out += static_cast<char>(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            *out += static_cast<char>(0xE0 | cp >> 12);
            *out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
            *out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            *out += static_cast<char>(0xF0 | cp >> 18);
            *out += static_cast<char>(0x80 | (cp >> 12 & 0x3F));
            *out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
            *out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }
    bool Hex4(unsigned* v) {
        if (at_ + 4 > s_.size()) {
            return false;
        }
        char* end = nullptr;
        const std::string digits = s_.substr(at_, 4);
        *v = static_cast<unsigned>(std::strtoul(digits.c_str(), &end, 16));
        at_ += 4;
        return end == digits.c_str() + 4;
    }
    bool String(std::string* out) {
        if (!Take('"')) {
            return false;
        }
        while (at_ < s_.size()) {
            const char c = s_[at_++];
            if (c == '"') {
                return true;
            }
            if (static_cast<unsigned char>(c) < 0x20) {
                return false;
            }
            if (c != '\\') {
                *out += c;
                continue;
            }
            if (at_ >= s_.size()) {
                return false;
            }
            const char e = s_[at_++];
            switch (e) {
                case '"':
                case '\\':
                case '/':
                    *out += e;
                    break;
                case 'b':
                    *out += '\b';
                    break;
                case 'f':
                    *out += '\f';
                    break;
                case 'n':
                    *out += '\n';
                    break;
                case 'r':
                    *out += '\r';
                    break;
                case 't':
                    *out += '\t';
                    break;
                case 'u': {
                    unsigned cp = 0;
                    if (!Hex4(&cp)) {
                        return false;
                    }
                    unsigned low = 0;
                    if (cp >= 0xD800 && cp < 0xDC00 && Word("\\u") && Hex4(&low) && low >= 0xDC00 &&
                        low < 0xE000) {
                        cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                    }
                    PutUtf8(out, cp);
                    break;
                }
                default:
                    return false;
            }
        }
        return false;
    }
    bool Number(Json* out) {
        const char* begin = s_.c_str() + at_;
        char* end = nullptr;
        out->number = std::strtod(begin, &end);
        if (end == begin) {
            return false;
        }
        out->kind = Json::Kind::Number;
        at_ += static_cast<size_t>(end - begin);
        return true;
    }
    bool Value(Json* out, int depth) {
        Space();
        if (depth > MaxDepth || at_ >= s_.size()) {
            return false;
        }
        const char c = s_[at_];
        if (c == '{') {
            ++at_;
            out->kind = Json::Kind::Object;
            if (Take('}')) {
                return true;
            }
            do {
                std::string key;
                Json value;
                if (!String(&key) || !Take(':') || !Value(&value, depth + 1)) {
                    return false;
                }
                out->fields[key] = std::move(value);
            } while (Take(','));
            return Take('}');
        }
        if (c == '[') {
            ++at_;
            out->kind = Json::Kind::Array;
            if (Take(']')) {
                return true;
            }
            do {
                Json value;
                if (!Value(&value, depth + 1)) {
                    return false;
                }
                out->items.push_back(std::move(value));
            } while (Take(','));
            return Take(']');
        }
        if (c == '"') {
            out->kind = Json::Kind::String;
            return String(&out->text);
        }
        if (Word("true") || Word("false")) {
            out->kind = Json::Kind::Bool;
            out->boolean = s_[at_ - 1] == 'e' && s_[at_ - 2] == 'u';
            return true;
        }
        if (Word("null")) {
            return true;
        }
        return Number(out);
    }

    const std::string& s_;
    size_t at_ = 0;
};

}  // namespace json_detail

// One JSON value; false when the text is not exactly one.
inline bool ParseJson(const std::string& text, Json* out) {
    *out = Json{};
    return json_detail::Parser(text).Parse(out);
}

// The runner's trace, a frame a line. A line that is no JSON object ends the
// reading and is reported through `*bad` (its number, from 1), 0 if none.
inline std::vector<Json> ReadTrace(const std::string& path, size_t* bad = nullptr) {
    std::vector<Json> frames;
    std::ifstream in(path);
    size_t number = 0;
    if (bad != nullptr) {
        *bad = 0;
    }
    for (std::string line; std::getline(in, line);) {
        ++number;
        Json frame;
        if (!ParseJson(line, &frame) || frame.kind != Json::Kind::Object) {
            if (bad != nullptr) {
                *bad = number;
            }
            break;
        }
        frames.push_back(std::move(frame));
    }
    return frames;
}
