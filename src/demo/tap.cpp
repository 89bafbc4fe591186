#include "demo/tap.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iterator>

#include "base/frames.h"
#include "base/plainfile.h"
#include "base/printable.h"
#include "input/events.h"
#include "scenes/random.h"

namespace tap {

namespace {

struct Joy {
    int x = 0, y = 0;
    uint8_t buttons[4] = {0, 0, 0, 0};
    bool operator==(const Joy&) const = default;
};

std::FILE* recording = nullptr;
std::string recordingPath;
bool headerWritten = false;
bool unflushed = false;
// Joystick 0 as last written down.
Joy joyWritten;

bool playing = false;
std::vector<script::Event> playEvents;
size_t nextPlayEvent = 0;
PlaybackOptions play;
bool playClosePosted = false;

void StopRecording(const char* why) {
    std::fprintf(stderr, "Tessalune: the recording %s stops here: %s\n",
                 Printable(recordingPath).c_str(), why);
    std::fclose(recording);
    recording = nullptr;
}

void Write(const std::string& line) {
    if (recording == nullptr) {
        return;
    }
    if (!headerWritten) {
        headerWritten = true;
        // The game's random numbers are seeded from its first look at the
        // clock: a replay starting from the same clock draws the same ones.
        const std::string header = "tessalune-recording " + std::to_string(RecordingVersion) +
                                   " clock " + std::to_string(GameRandomSeed()) + "\n";
        Write(header);
    }
    if (std::fputs(line.c_str(), recording) < 0) {
        StopRecording(std::strerror(errno));
        return;
    }
    unflushed = true;
}

void WriteEvent(int frame, script::EventKind kind, int vk = 0) {
    script::Event e;
    e.frame = frame;
    e.kind = kind;
    e.vk = vk;
    Write(script::EventLine(e));
}

// What the recording keeps of an event the game took.
void Record(int frame, const plat::Event& e) {
    switch (e.kind) {
        case plat::EventKind::KeyDown:
        case plat::EventKind::KeyUp:
            if (script::KeyName(e.key) != nullptr) {
                WriteEvent(frame,
                           e.kind == plat::EventKind::KeyDown ? script::EventKind::Down
                                                              : script::EventKind::Up,
                           e.key);
            }
            return;
        case plat::EventKind::Joystick: {
            // The game steers by the first stick only. One that is not there
            // reads as centred and released.
            if (e.slot != 0) {
                return;
            }
            Joy now;
            if (e.attached) {
                now.x = e.x;
                now.y = e.y;
                for (int i = 0; i < 4; ++i) {
                    now.buttons[i] = e.buttons[i] != 0 ? 1 : 0;
                }
            }
            if (now == joyWritten) {
                return;
            }
            joyWritten = now;
            script::Event line;
            line.frame = frame;
            line.kind = script::EventKind::Joy;
            line.joyX = now.x;
            line.joyY = now.y;
            std::copy(std::begin(now.buttons), std::end(now.buttons), line.buttons);
            Write(script::EventLine(line));
            return;
        }
        case plat::EventKind::FocusLost:
            WriteEvent(frame, script::EventKind::FocusLost);
            return;
        case plat::EventKind::FocusGained:
            WriteEvent(frame, script::EventKind::FocusGained);
            return;
        case plat::EventKind::MusicEnd:
            WriteEvent(frame, script::EventKind::MusicEnd);
            return;
        case plat::EventKind::Close:
            WriteEvent(frame, script::EventKind::Close);
            return;
    }
}

plat::Event Key(plat::EventKind kind, int vk) {
    plat::Event e;
    e.kind = kind;
    e.key = vk;
    return e;
}

// Hands one line to the game; true when it gave the game a message.
bool Apply(const script::Event& line) {
    switch (line.kind) {
        case script::EventKind::Down:
            return events::Take(Key(plat::EventKind::KeyDown, line.vk));
        case script::EventKind::Up:
            return events::Take(Key(plat::EventKind::KeyUp, line.vk));
        case script::EventKind::Tap: {
            const bool message = events::Take(Key(plat::EventKind::KeyDown, line.vk));
            events::Take(Key(plat::EventKind::KeyUp, line.vk));
            return message;
        }
        case script::EventKind::Joy: {
            plat::Event e;
            e.kind = plat::EventKind::Joystick;
            e.slot = 0;
            e.attached = true;
            e.x = line.joyX;
            e.y = line.joyY;
            std::copy(std::begin(line.buttons), std::end(line.buttons), e.buttons);
            return events::Take(e);
        }
        case script::EventKind::FocusLost:
            return events::Take(Key(plat::EventKind::FocusLost, 0));
        case script::EventKind::FocusGained:
            return events::Take(Key(plat::EventKind::FocusGained, 0));
        case script::EventKind::MusicEnd:
            return events::Take(Key(plat::EventKind::MusicEnd, 0));
        case script::EventKind::Close:
            return events::Take(Key(plat::EventKind::Close, 0));
    }
    return false;
}

void CloseOnce() {
    if (!playClosePosted) {
        playClosePosted = true;
        events::Take(Key(plat::EventKind::Close, 0));
    }
}

bool LimitReached() {
    return play.frameLimit >= 0 && frames::Count() >= play.frameLimit;
}

bool LineDue(const script::Event& line) {
    return play.frameLimit < 0 || line.frame < play.frameLimit;
}

// During a playback of a recording the recording says when the game has the
// focus and which keys are down; of the viewer's own input only Esc and a
// close count, and both end the show.
bool AdmitDuringPlayback(plat::Event& e) {
    if (e.kind == plat::EventKind::KeyDown && e.key == VK_ESCAPE) {
        e = Key(plat::EventKind::Close, 0);
        return true;
    }
    return e.kind == plat::EventKind::Close;
}

void PlaybackPump() {
    if (LimitReached()) {
        CloseOnce();
        return;
    }
    while (nextPlayEvent < playEvents.size() &&
           playEvents[nextPlayEvent].frame <= frames::Count()) {
        Apply(playEvents[nextPlayEvent++]);
    }
    if (play.closeAfterLast && nextPlayEvent >= playEvents.size() &&
        (playEvents.empty() || frames::Count() > playEvents.back().frame)) {
        CloseOnce();
    }
}

// No frame runs while the game is inactive: the lines are handed over until
// one gives the game a message; a playback with nothing more to say closes
// the game, so that an inactive game never waits for ever.
void PlaybackWait() {
    while (!LimitReached() && nextPlayEvent < playEvents.size() &&
           LineDue(playEvents[nextPlayEvent])) {
        const script::Event& line = playEvents[nextPlayEvent++];
        if (play.beforeWaitedLine) {
            play.beforeWaitedLine(line.frame);
        }
        if (Apply(line)) {
            return;
        }
    }
    CloseOnce();
}

void Attach() {
    events::Hooks hooks;
    if (recording != nullptr) {
        hooks.seen = Record;
    }
    if (playing) {
        if (play.replacesPlayer) {
            hooks.admit = AdmitDuringPlayback;
        }
        hooks.pump = PlaybackPump;
        hooks.wait = PlaybackWait;
    }
    events::SetHooks(std::move(hooks));
}

}  // namespace

bool StartRecording(const std::string& path, std::string* why) {
    recording = CreatePlainStream(path.c_str());
    if (recording == nullptr) {
        const int err = errno;
        *why = "cannot write the recording '" + Printable(path) +
               "': " + (err == NotPlainFile ? "it is not a plain file" : std::strerror(err));
        return false;
    }
    recordingPath = path;
    headerWritten = false;
    joyWritten = Joy{};
    Attach();
    return true;
}

bool Recording() {
    return recording != nullptr;
}

void Flush() {
    if (recording != nullptr && unflushed) {
        unflushed = false;
        if (std::fflush(recording) != 0) {
            StopRecording(std::strerror(errno));
        }
    }
}

void StartPlayback(std::vector<script::Event> events, PlaybackOptions options) {
    // Lines of the same frame keep the order they were given in.
    std::stable_sort(
        events.begin(), events.end(),
        [](const script::Event& a, const script::Event& b) { return a.frame < b.frame; });
    playing = true;
    playEvents = std::move(events);
    nextPlayEvent = 0;
    play = std::move(options);
    playClosePosted = false;
    Attach();
}

bool Playing() {
    return playing;
}

void AddLine(const script::Event& line) {
    const auto at = std::upper_bound(
        playEvents.begin() + static_cast<std::ptrdiff_t>(nextPlayEvent), playEvents.end(), line,
        [](const script::Event& a, const script::Event& b) { return a.frame < b.frame; });
    playEvents.insert(at, line);
}

void SetFrameLimit(int frames) {
    play.frameLimit = frames;
}

int LastEventFrame() {
    return playEvents.empty() ? 0 : playEvents.back().frame;
}

void Finish() {
    if (recording != nullptr) {
        // The last line says the recording is whole; played back, it closes
        // the game as a close does.
        Write(std::to_string(frames::Count()) + " end\n");
        Flush();
        if (recording != nullptr && std::fclose(recording) != 0) {
            std::fprintf(stderr, "Tessalune: the recording %s is incomplete: %s\n",
                         Printable(recordingPath).c_str(), std::strerror(errno));
        }
        recording = nullptr;
    }
    playing = false;
    playEvents.clear();
    nextPlayEvent = 0;
    play = PlaybackOptions{};
    events::SetHooks({});
}

}  // namespace tap
