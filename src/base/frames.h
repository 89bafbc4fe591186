// What each frame of the game did that can be seen or heard outside it (the
// effects it played, the music commands it gave, the messages it showed) and
// how many frames have run. The game notes these as it calls the platform;
// the trace, the recordings and the tests read them from here, whichever
// back-end the game runs on.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace frames {

// How a message box was shown besides its text and caption.
struct BoxStyle {
    bool owned = true;       // with the main window as its owner
    bool errorIcon = false;  // with the error icon
    bool operator==(const BoxStyle&) const = default;
};

struct Output {
    uint32_t clock = 0;               // the clock when the frame began, after its wait
    std::vector<std::string> sounds;  // "move", "hit3", ...
    std::vector<std::string> music;   // "open PATH", "play", ...
    std::vector<std::pair<std::string, std::string>> messages;  // text, caption
    std::vector<BoxStyle> boxStyles;                            // one for each of `messages`
};

void NoteSound(const char* tag);
void NoteMusic(std::string command);
void NoteMessage(const char* text, const char* caption, BoxStyle style);

// Frames run so far: during frame F (and in its hooks) this is F.
int Count();
// The frame step calls these: once its wait is over, and once it presented.
void Begin(uint32_t clock);
void End();

// Called at Begin (before the frame's scene runs) and at End with what the
// frame did. Either may be empty.
void SetHooks(std::function<void(int frame)> before,
              std::function<void(int frame, Output&& out)> after);

// What was noted since the last frame ended, or since the last Take.
Output Take();
// Everything since Reset, never cleared by Take or a frame's end, kept only
// once asked for (the tests look back over whole runs; the game never does).
void KeepAll(bool keep);
const Output& All();

// Back to a fresh start: no frames run, nothing noted, no hooks.
void Reset();

}  // namespace frames
