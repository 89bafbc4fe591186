#include "demo/trace.h"

#include <cstdio>
#include <string_view>

#include "scenes/play.h"
#include "scenes/scenes.h"

namespace demo {

namespace {

void AppendJsonString(std::string* out, std::string_view text) {
    out->push_back('"');
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        switch (c) {
            case '"':
                *out += "\\\"";
                break;
            case '\\':
                *out += "\\\\";
                break;
            case '\n':
                *out += "\\n";
                break;
            case '\t':
                *out += "\\t";
                break;
            case '\r':
                *out += "\\r";
                break;
            default:
                if (c < 0x20) {
                    char esc[8];
                    std::snprintf(esc, sizeof esc, "\\u%04x", c);
                    *out += esc;
                } else {
                    out->push_back(ch);
                }
        }
    }
    out->push_back('"');
}

void AppendStrings(std::string* out, const std::vector<std::string>& items) {
    out->push_back('[');
    for (size_t i = 0; i < items.size(); ++i) {
        if (i != 0) {
            out->push_back(',');
        }
        AppendJsonString(out, items[i]);
    }
    out->push_back(']');
}

}  // namespace

std::string TraceLine(int frame, const FrameOutput& r, int32_t scene) {
    std::string line = "{\"frame\":" + std::to_string(frame) +
                       ",\"clock\":" + std::to_string(r.clock) +
                       ",\"scene\":" + std::to_string(scene) + ",\"sounds\":";
    AppendStrings(&line, r.sounds);
    line += ",\"music\":";
    AppendStrings(&line, r.music);
    line += ",\"messages\":[";
    for (size_t i = 0; i < r.messages.size(); ++i) {
        line += i != 0 ? ",{\"text\":" : "{\"text\":";
        AppendJsonString(&line, r.messages[i].first);
        line += ",\"caption\":";
        AppendJsonString(&line, r.messages[i].second);
        line += "}";
    }
    line += "]";
    if (scene == ScenePlay) {
        const PlayState& p = GetPlayState();
        auto n = [](int32_t v) { return std::to_string(v); };
        line += ",\"play\":{\"stage\":" + n(p.stage) + ",\"lives\":" + n(p.lives) +
                ",\"score\":" + n(p.score) + ",\"ball\":[" + n(p.ballX) + "," + n(p.ballY) + "," +
                n(p.ballDx) + "," + n(p.ballDy) + "],\"paddle\":" + n(p.paddle) +
                ",\"motion\":" + n(p.motion) + ",\"bricks\":" + n(p.bricks) +
                ",\"entry\":" + n(p.entry) + ",\"clear\":" + n(p.clear) + ",\"timer\":[" +
                n(p.timerFrames) + "," + n(p.timerSeconds) + "]}";
    }
    line += "}\n";
    return line;
}

}  // namespace demo
