// The headless runner's trace, one JSON object a frame, read with a small
// recursive JSON parser: a key is found where it stands in the object, never
// by searching the text.
#pragma once

#include <cstdlib>
#include <fstream>
#include <map>
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
    bool Parse(Json* out) { return Value(out, 0) && (Space(), at_ == s_.size()); }

  private:
    static constexpr int MaxDepth = 64;

    void Space() {
        while (at_ < s_.size() && std::string(" \t\n\r").find(s_[at_]) != std::string::npos) {
            ++at_;
        }
    }
    bool Take(char c) {
        Space();
        return at_ < s_.size() && s_[at_] == c && (++at_, true);
    }
    bool Word(const std::string& w) {
        return s_.compare(at_, w.size(), w) == 0 && (at_ += w.size(), true);
    }
    // A \u escape, as UTF-8 (the trace escapes only control characters).
    bool Unicode(std::string* out) {
        const std::string digits = s_.substr(at_, 4);
        char* end = nullptr;
        const auto cp = static_cast<unsigned>(std::strtoul(digits.c_str(), &end, 16));
        if (digits.size() != 4 || end != digits.c_str() + 4) {
            return false;
        }
        at_ += 4;
        if (cp < 0x80) {
            *out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            *out += {static_cast<char>(0xC0 | cp >> 6), static_cast<char>(0x80 | (cp & 0x3F))};
        } else {
            *out += {static_cast<char>(0xE0 | cp >> 12), static_cast<char>(0x80 | (cp >> 6 & 0x3F)),
                     static_cast<char>(0x80 | (cp & 0x3F))};
        }
        return true;
    }
    bool String(std::string* out) {
        static const std::string escaped = "\"\\/bfnrt", meant = "\"\\/\b\f\n\r\t";
        if (!Take('"')) {
            return false;
        }
        while (at_ < s_.size()) {
            const char c = s_[at_++];
            if (c == '"') {
                return true;
            }
            if (static_cast<unsigned char>(c) < 0x20 || (c == '\\' && at_ >= s_.size())) {
                return false;
            }
            const size_t k = c == '\\' ? escaped.find(s_[at_++]) : std::string::npos;
            if (c != '\\') {
                *out += c;
            } else if (k != std::string::npos) {
                *out += meant[k];
            } else if (s_[at_ - 1] != 'u' || !Unicode(out)) {
                return false;
            }
        }
        return false;
    }
    // The items of an array or the fields of an object, up to `close`.
    bool Items(Json* out, char close, int depth) {
        if (Take(close)) {
            return true;
        }
        do {
            std::string key;
            Json value;
            if ((out->kind == Json::Kind::Object && (!String(&key) || !Take(':'))) ||
                !Value(&value, depth + 1)) {
                return false;
            }
            if (out->kind == Json::Kind::Object) {
                out->fields[key] = std::move(value);
            } else {
                out->items.push_back(std::move(value));
            }
        } while (Take(','));
        return Take(close);
    }
    bool Value(Json* out, int depth) {
        Space();
        if (depth > MaxDepth || at_ >= s_.size()) {
            return false;
        }
        if (Take('{') || Take('[')) {
            out->kind = s_[at_ - 1] == '{' ? Json::Kind::Object : Json::Kind::Array;
            return Items(out, s_[at_ - 1] == '{' ? '}' : ']', depth);
        }
        if (s_[at_] == '"') {
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
        const char* begin = s_.c_str() + at_;
        char* end = nullptr;
        out->number = std::strtod(begin, &end);
        out->kind = Json::Kind::Number;
        at_ += static_cast<size_t>(end - begin);
        return end != begin;
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
    size_t number = 0, ignored = 0;
    bad = bad != nullptr ? bad : &ignored;
    *bad = 0;
    for (std::string line; std::getline(in, line);) {
        ++number;
        Json frame;
        if (!ParseJson(line, &frame) || frame.kind != Json::Kind::Object) {
            *bad = number;
            break;
        }
        frames.push_back(std::move(frame));
    }
    return frames;
}
