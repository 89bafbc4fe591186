#include "platform/tap.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iterator>

#include "base/joyaxis.h"
#include "base/plainfile.h"
#include "base/printable.h"
#include "platform/keys.h"
#include "platform/messages.h"

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
uint32_t startClock = 0;
bool clockSeen = false;

std::function<void(int, FrameOutput&&)> frameHook;
FrameOutput current;
int framesRun = 0;

// Joystick 0 as last written down; a frame's first read is the one written.
Joy joyWritten;
int joyFrame = -1;

bool playing = false;
std::vector<script::Event> playEvents;
size_t nextPlayEvent = 0;
uint32_t playClock = 0;
plat::JoyRaw playJoy;
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
        const std::string header = "tessalune-recording " + std::to_string(RecordingVersion) +
                                   " clock " + std::to_string(startClock) + "\n";
        Write(header);
    }
    if (std::fputs(line.c_str(), recording) < 0) {
        StopRecording(std::strerror(errno));
        return;
    }
    unflushed = true;
}

// A crash keeps everything the game was handed before the frame it died in.
void Flush() {
    if (recording != nullptr && unflushed) {
        unflushed = false;
        if (std::fflush(recording) != 0) {
            StopRecording(std::strerror(errno));
        }
    }
}

void WriteEvent(script::EventKind kind, int vk = 0) {
    script::Event e;
    e.frame = framesRun;
    e.kind = kind;
    e.vk = vk;
    Write(script::EventLine(e));
}

// Applies one recorded event as the scripted platform applies a script line;
// true when it gave the game a message.
bool Apply(const script::Event& e) {
    switch (e.kind) {
        case script::EventKind::Down:
            KeyEvent(e.vk, true);
            PostMessage(WM_KEYDOWN, e.vk, 0);
            return true;
        case script::EventKind::Up:
            KeyEvent(e.vk, false);
            return false;
        case script::EventKind::Tap:
            KeyEvent(e.vk, true);
            KeyEvent(e.vk, false);
            PostMessage(WM_KEYDOWN, e.vk, 0);
            return true;
        case script::EventKind::Joy:
            playJoy.x = RawAxisForScaled(e.joyX);
            playJoy.y = RawAxisForScaled(e.joyY);
            for (int i = 0; i < 4; ++i) {
                playJoy.buttons[i] = e.buttons[i] != 0 ? 1 : 0;
            }
            return false;
        case script::EventKind::FocusLost:
            ReleaseAllKeys();
            PostMessage(WM_ACTIVATEAPP, 0, 0);
            return true;
        case script::EventKind::FocusGained:
            PostMessage(WM_ACTIVATEAPP, 1, 0);
            return true;
        case script::EventKind::MusicEnd:
            PostMessage(MM_MCINOTIFY, 0, 0);
            return true;
        case script::EventKind::Close:
            PostMessage(WM_CLOSE, 0, 0);
            return true;
    }
    return false;
}

// A recording that stops without its end (cut short) closes the game after
// its last frame, so that a playback always ends.
void CloseOnce() {
    if (!playClosePosted) {
        playClosePosted = true;
        PostMessage(WM_CLOSE, 0, 0);
    }
}

}  // namespace

bool StartRecording(const std::string& path, std::string* why) {
    const int fd = CreatePlainFile(path.c_str());
    recording = fd >= 0 ? fdopen(fd, "w") : nullptr;
    if (recording == nullptr) {
        const int err = errno;
        if (fd >= 0) {
            close(fd);
        }
        *why = "cannot write the recording '" + Printable(path) +
               "': " + (err == NotPlainFile ? "it is not a plain file" : std::strerror(err));
        return false;
    }
    recordingPath = path;
    return true;
}

void SetFrameHook(std::function<void(int, FrameOutput&&)> hook) {
    frameHook = std::move(hook);
}

void StartPlayback(std::vector<script::Event> events, uint32_t clock) {
    playing = true;
    playEvents = std::move(events);
    playClock = clock;
}

void Finish() {
    if (recording == nullptr) {
        return;
    }
    // The last line says the recording is whole; played back, it closes
    // the game as a close does.
    Write(std::to_string(framesRun) + " end\n");
    Flush();
    if (recording != nullptr && std::fclose(recording) != 0) {
        std::fprintf(stderr, "Tessalune: the recording %s is incomplete: %s\n",
                     Printable(recordingPath).c_str(), std::strerror(errno));
    }
    recording = nullptr;
}

bool Recording() {
    return recording != nullptr;
}
bool Playing() {
    return playing;
}
uint32_t PlaybackClock() {
    return playClock;
}

void NoteClockStart(uint32_t clock) {
    if (!clockSeen) {
        clockSeen = true;
        startClock = clock;
    }
}

void NoteFrameStarted(uint32_t clock) {
    Flush();
    current.clock = clock;
}

void NoteFrameEnded() {
    if (frameHook) {
        FrameOutput out = std::move(current);
        current = FrameOutput{};
        frameHook(framesRun, std::move(out));
    } else {
        current = FrameOutput{};
    }
    ++framesRun;
}

int FramesRun() {
    return framesRun;
}

void NoteKey(int vk, bool down) {
    if (KeyName(vk) != nullptr) {
        WriteEvent(down ? script::EventKind::Down : script::EventKind::Up, vk);
    }
}

void NoteFocus(bool gained) {
    WriteEvent(gained ? script::EventKind::FocusGained : script::EventKind::FocusLost);
}

void NoteMusicEnd() {
    WriteEvent(script::EventKind::MusicEnd);
}

void NoteClose() {
    WriteEvent(script::EventKind::Close);
}

void NoteJoystick(bool read, const plat::JoyRaw& raw) {
    if (recording == nullptr || joyFrame == framesRun) {
        return;
    }
    joyFrame = framesRun;
    Joy now;
    if (read) {
        now.x = ScaleJoyAxis(raw.x);
        now.y = ScaleJoyAxis(raw.y);
        for (int i = 0; i < 4; ++i) {
            now.buttons[i] = raw.buttons[i] != 0 ? 1 : 0;
        }
    }
    if (now == joyWritten) {
        return;
    }
    joyWritten = now;
    script::Event e;
    e.frame = framesRun;
    e.kind = script::EventKind::Joy;
    e.joyX = now.x;
    e.joyY = now.y;
    std::copy(std::begin(now.buttons), std::end(now.buttons), e.buttons);
    Write(script::EventLine(e));
}

void NoteSound(const char* tag) {
    if (frameHook) {
        current.sounds.emplace_back(tag != nullptr ? tag : "");
    }
}

void NoteMusic(const std::string& command) {
    if (frameHook) {
        current.music.push_back(command);
    }
}

void NoteMessage(const char* text, const char* caption) {
    if (frameHook) {
        current.messages.emplace_back(text != nullptr ? text : "",
                                      caption != nullptr ? caption : "");
    }
}

void PlaybackPump() {
    while (nextPlayEvent < playEvents.size() && playEvents[nextPlayEvent].frame <= framesRun) {
        Apply(playEvents[nextPlayEvent++]);
    }
    if (nextPlayEvent >= playEvents.size() &&
        (playEvents.empty() || framesRun > playEvents.back().frame)) {
        CloseOnce();
    }
}

void PlaybackWait() {
    while (nextPlayEvent < playEvents.size()) {
        if (Apply(playEvents[nextPlayEvent++])) {
            return;
        }
    }
    CloseOnce();
}

void PlaybackJoystick(plat::JoyRaw* out) {
    *out = playJoy;
}

}  // namespace tap
