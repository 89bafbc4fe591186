// The browser back-end: the page is the window, the canvas the display, the
// page's clock the game's clock, the browser's storage the player's files.
//
// The game's own loop runs as on Linux. Every wait in it (the frame's sleep,
// an inactive game waiting for news, a message box, the lock) is a sleep
// through Asyncify that gives the browser its turn; the page's side of each
// is in index.html (Module.page), reached through the EM_JS functions below.
#include <emscripten.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "base/files.h"
#include "base/joyaxis.h"
#include "base/overlay.h"
#include "base/printable.h"
#include "base/settings.h"
#include "platform/events.h"
#include "platform/platform.h"
#include "platform/web/web_keys.h"

// ---- the page's side -------------------------------------------------------

// The next event the page queued (kind * 256 + key), or -1. Kinds below
// PageCommand are the game's EventKind; the rest are the surroundings'.
EM_JS(int, web_take_event, (), { return Module.page.takeEvent(); });
// Whether the page is visible and focused.
EM_JS(int, web_active, (), { return Module.page.active() ? 1 : 0; });
// Waits until an event is queued or the page's activity differs from `was`,
// or `ms` milliseconds have gone by (never, when negative).
EM_ASYNC_JS(void, web_wait_event, (int was, int ms),
            { await Module.page.waitEvent(was != 0, ms); });
// Sleeps until the page's clock (performance.now()) reads `at`.
EM_ASYNC_JS(void, web_sleep_until, (double at), { await Module.page.sleepUntil(at); });
// Hands the browser one turn (events, a paint) and comes straight back.
EM_ASYNC_JS(void, web_yield, (), { await Module.page.yieldTurn(); });
EM_ASYNC_JS(void, web_message_box, (const char* text, const char* caption),
            { await Module.page.messageBox(UTF8ToString(text), UTF8ToString(caption)); });
// 1 when the lock is ours, 0 when another tab holds it.
EM_ASYNC_JS(int, web_lock_acquire, (const char* name),
            { return await Module.page.lock(UTF8ToString(name)); });
EM_JS(void, web_lock_release, (), { Module.page.unlock(); });
// Writes the files of `dir` in memory through to the browser's storage.
EM_ASYNC_JS(void, web_storage_sync, (const char* dir),
            { await Module.page.syncStorage(UTF8ToString(dir)); });
EM_JS(void, web_set_title, (const char* title), { Module.page.setTitle(UTF8ToString(title)); });
EM_JS(void, web_hide_cursor, (), { Module.page.hideCursor(); });
// The RGBA frame at `pixels` has changed in the rows flagged in `rows` (480
// bytes), which the page clears as it puts them on the canvas.
// `game` is 0 for a picture of the surroundings' own (the pause).
EM_JS(void, web_frame_ready, (const void* pixels, void* rows, int changed, int game),
      { Module.page.frameReady(pixels, rows, changed, game != 0); });
// The effects' volume (0..1), and all sound held or let go.
EM_JS(void, web_sound_volume, (double level), { Module.page.soundVolume(level); });
EM_JS(void, web_sound_hold, (int hold), { Module.page.soundHold(hold != 0); });
EM_JS(void, web_music_volume, (double level), { Module.page.musicVolume(level); });
// 1 once for every end of a piece's pass the page has heard (web_media.cpp).
EM_JS(int, web_music_ended, (), { return Module.page.musicEnded() ? 1 : 0; });
// Whether the page is paused (for its button), and how it scales.
EM_JS(void, web_show_paused, (int paused), { Module.page.showPaused(paused != 0); });
EM_JS(void, web_scale, (int fit), { Module.page.scale(fit != 0); });
// What the player's keyboard shows on the key `code` (the Keyboard API's
// layout map), as a string the caller frees; null where the page cannot tell.
EM_JS(char*, web_key_label, (const char* code), {
    const label = Module.page.keyLabel(UTF8ToString(code));
    if (!label)
        return 0;
    const size = lengthBytesUTF8(label) + 1;
    const at = _malloc(size);
    if (at)
        stringToUTF8(label, at, size);
    return at;
});
// Queues a pause for a gamepad's Start pressed since the last look.
EM_JS(void, web_poll_start, (), { Module.page.pollStart(); });
// A frame starts at the game's clock `clock` (kept by the page when asked).
EM_JS(void, web_frame_started, (int clock), { Module.page.frameStarted(clock); });
EM_JS(int, web_pads_supported, (), { return Module.page.padsSupported() ? 1 : 0; });
EM_JS(int, web_pad_count, (), { return Module.page.padCount(); });
// Fills `out` (7 ints: attached, x, y, four buttons) for the `device`-th pad;
// axes are raw, -32768..32767.
EM_JS(void, web_pad_read, (int device, int* out), { Module.page.padRead(device, out); });

namespace {

constexpr int FrameWidth = 640;
constexpr int FrameHeight = 480;

// ---- events ----------------------------------------------------------------

// What the game was last told about being active; only changes are news.
bool reportedActive = false;
bool windowShown = false;

void Post(plat::EventKind kind, int key = 0) {
    plat::Event e;
    e.kind = kind;
    e.key = key;
    plat::PostEvent(e);
}

// The page's own commands, queued with the keys: the pause (P, Pause, a
// pad's Start, the page's button), the volume keys (key: 0 music down,
// 1 music up, 2 effects down, 3 effects up) and the scaling (key: 1 to fit
// the window, 0 whole multiples).
constexpr int PageCommand = 8;
constexpr int PauseCommand = 8;
constexpr int VolumeCommand = 9;
constexpr int ScaleCommand = 10;

bool paused = false;
void StepVolume(int which);
void ChooseScale(bool fit);

// Posts what the page queued, then a change of activity if there was one:
// the keys a blur let go of come before the focus they went with. While
// paused nothing is pressed for the game; Esc still leaves, from the pause too.
int PostPageEvents() {
    int posted = 0;
    for (int packed = web_take_event(); packed >= 0; packed = web_take_event()) {
        const int kind = packed >> 8;
        const int key = packed & 0xFF;
        if (kind == PauseCommand) {
            paused = !paused;
            continue;
        }
        if (kind == VolumeCommand) {
            StepVolume(key);
            continue;
        }
        if (kind == ScaleCommand) {
            ChooseScale(key != 0);
            continue;
        }
        if (kind >= PageCommand) {
            continue;
        }
        if (paused && kind == static_cast<int>(plat::EventKind::KeyDown)) {
            if (key != VK_ESCAPE) {
                continue;
            }
            paused = false;
        }
        Post(static_cast<plat::EventKind>(kind), key);
        ++posted;
    }
    if (web_music_ended() != 0) {
        Post(plat::EventKind::MusicEnd);
        ++posted;
    }
    const bool active = web_active() != 0;
    if (windowShown && active != reportedActive) {
        reportedActive = active;
        Post(active ? plat::EventKind::FocusGained : plat::EventKind::FocusLost);
        ++posted;
    }
    return posted;
}

// ---- clock -----------------------------------------------------------------

// The game's millisecond clock is the page's monotonic clock, whole
// milliseconds of it, so that the game's frame boundaries fall on the
// page's own (a frame due at millisecond n starts when performance.now()
// reaches n).
bool clockStarted = false;
double clockOrigin = 0;  // performance.now() at the first look, whole
uint32_t clockAtOrigin = 0;
bool startGiven = false;
uint32_t startAt = 0;
// When the browser last had a turn: frames that run back to back (catching
// up after the page was hidden) hand it one every batch.
double lastTurn = 0;
constexpr double BatchMs = 8;

double Now() {
    return emscripten_get_now();
}

// While the player pauses, the clock stands where the pause began.
bool clockHeld = false;
double heldAt = 0;

double MsSinceOrigin() {
    if (!clockStarted) {
        clockStarted = true;
        clockOrigin = std::floor(Now());
        clockAtOrigin = startGiven ? startAt : static_cast<uint32_t>(clockOrigin);
        lastTurn = clockOrigin;
    }
    return clockHeld ? heldAt : Now() - clockOrigin;
}

void HoldClock(bool hold) {
    const double now = MsSinceOrigin();
    if (hold == clockHeld) {
        return;
    }
    if (hold) {
        heldAt = now;
    } else {
        // The origin moves on by the time held: the clock carries on from
        // where it stood, and no frame is owed for the pause.
        clockOrigin = Now() - heldAt;
    }
    clockHeld = hold;
}

// ---- joysticks -------------------------------------------------------------

constexpr int JoySlots = 4;
struct Slot {
    bool open = false;
    int device = 0;
    bool posted = false;
    plat::Event last;
};
Slot slots[JoySlots];
bool padsStarted = false;

bool SameState(const plat::Event& a, const plat::Event& b) {
    return a.attached == b.attached && a.x == b.x && a.y == b.y && a.buttons[0] == b.buttons[0] &&
           a.buttons[1] == b.buttons[1] && a.buttons[2] == b.buttons[2] &&
           a.buttons[3] == b.buttons[3];
}

// Tells the game how the stick in `slot` is now, unless it knows already.
void PostPad(int slot) {
    Slot& s = slots[slot];
    int raw[7] = {};
    web_pad_read(s.device, raw);
    plat::Event e;
    e.kind = plat::EventKind::Joystick;
    e.slot = slot;
    e.attached = raw[0] != 0;
    if (e.attached) {
        e.x = ScaleJoyAxis(static_cast<int16_t>(raw[1]));
        e.y = ScaleJoyAxis(static_cast<int16_t>(raw[2]));
        for (int b = 0; b < 4; ++b) {
            e.buttons[b] = raw[3 + b] != 0 ? 0x80 : 0;
        }
    }
    if (s.posted && SameState(e, s.last)) {
        return;
    }
    s.posted = true;
    s.last = e;
    plat::PostEvent(e);
}

// ---- display ---------------------------------------------------------------

bool displayOpen = false;
// The frame as the canvas takes it (RGBA bytes), kept whole: the page puts
// on the canvas whatever changed since it last did, at its next paint.
std::vector<uint32_t> shown;
bool shownWhole = false;
// The rows of `shown` the canvas does not have yet.
uint8_t rowsToPut[FrameHeight];
// The game's last frame as it gave it, for the pause to show dimmed, and a
// copy of a frame to draw a sign over.
std::vector<uint16_t> lastFrame;
std::vector<uint16_t> composed;
// Every row is looked at in the next frame: a sign came off.
bool lookAtAllRows = false;

// One RGB565 pixel as RGBA bytes in memory. Each channel's top bits are
// repeated into its new low bits, so black stays black and white becomes
// full white, as on the other displays.
inline uint32_t Expand565(uint32_t p) {
    const uint32_t r = p >> 11;
    const uint32_t g = (p >> 5) & 0x3F;
    const uint32_t b = p & 0x1F;
    return 0xFF000000u | ((b << 3 | b >> 2) << 16) | ((g << 2 | g >> 4) << 8) | (r << 3 | r >> 2);
}

// ---- storage ---------------------------------------------------------------

void SyncStorage(const char* directory) {
    web_storage_sync(directory != nullptr ? directory : "");
}

// The player's files are saved into the browser's storage as the game makes
// each save last, before the next frame starts.
[[maybe_unused]] const bool storageHooked = [] {
    SetDirectorySyncHook(SyncStorage);
    return true;
}();

bool lockHeld = false;

// Puts the frame's changed rows into `shown` for the page's next paint.
// Only rows that really differ go to the canvas: putting pixels there is
// what a frame costs the page most.
void Show(const uint16_t* pixels, int pitch, const uint8_t* rowsWritten, bool game) {
    const bool everyRow = !shownWhole || rowsWritten == nullptr || lookAtAllRows;
    lookAtAllRows = false;
    int changed = 0;
    uint32_t row[FrameWidth];
    for (int y = 0; y < FrameHeight; ++y) {
        if (!everyRow && rowsWritten[y] == 0) {
            continue;
        }
        const auto* in = reinterpret_cast<const uint16_t*>(
            reinterpret_cast<const unsigned char*>(pixels) + static_cast<ptrdiff_t>(y) * pitch);
        for (int x = 0; x < FrameWidth; ++x) {
            row[x] = Expand565(in[x]);
        }
        uint32_t* out = &shown[static_cast<size_t>(y) * FrameWidth];
        if (!shownWhole || std::memcmp(out, row, sizeof row) != 0) {
            std::memcpy(out, row, sizeof row);
            rowsToPut[y] = 1;
            ++changed;
        }
    }
    shownWhole = true;
    web_frame_ready(shown.data(), rowsToPut, changed, game ? 1 : 0);
}

void KeepLastFrame(const uint16_t* pixels, int pitch, const uint8_t* rowsWritten) {
    const bool everyRow = lastFrame.empty() || rowsWritten == nullptr;
    lastFrame.resize(static_cast<size_t>(FrameWidth) * FrameHeight);
    for (int y = 0; y < FrameHeight; ++y) {
        if (everyRow || rowsWritten[y] != 0) {
            std::memcpy(
                &lastFrame[static_cast<size_t>(y) * FrameWidth],
                reinterpret_cast<const unsigned char*>(pixels) + static_cast<ptrdiff_t>(y) * pitch,
                FrameWidth * sizeof(uint16_t));
        }
    }
}

// ---- the surroundings: settings, volumes, pause -----------------------------

settings::Settings current;
plat::SettingsChanged settingsChanged = nullptr;

// A sign over the game's picture for a moment (a volume being changed),
// until the page's clock reads `signUntil`.
std::string signText;
int signLevel = -1;
double signUntil = 0;

bool SignUp() {
    if (signUntil != 0 && Now() >= signUntil) {
        signUntil = 0;
        lookAtAllRows = true;
    }
    return signUntil != 0;
}

void StepVolume(int which) {
    const bool music = which < 2;
    int* volume = music ? &current.musicVolume : &current.soundVolume;
    const int was = *volume;
    *volume = settings::StepVolume(*volume, which % 2 == 0 ? -1 : 1);
    web_music_volume(current.musicVolume / 100.0);
    web_sound_volume(current.soundVolume / 100.0);
    signText = std::string(music ? "MUSIC " : "EFFECTS ") + std::to_string(*volume) + "%";
    signLevel = *volume;
    signUntil = Now() + overlay::SignMs;
    // A key held at either end changes nothing, and writes nothing.
    if (*volume != was && settingsChanged != nullptr) {
        settingsChanged(current);
    }
}

void ChooseScale(bool fit) {
    const settings::Scale scale = fit ? settings::Scale::Fit : settings::Scale::Whole;
    web_scale(fit ? 1 : 0);
    if (scale != current.scale) {
        current.scale = scale;
        if (settingsChanged != nullptr) {
            settingsChanged(current);
        }
    }
}

// Holds the game while the player pauses: its clock and sound stand still and
// no frame runs; the page's events go on being taken (and posted, for the
// frames after), until the pause ends. The page shows the last frame dimmed,
// with the pause's sign (and a volume's, while it lasts) over it.
void StayPaused() {
    if (!displayOpen || lastFrame.empty()) {
        paused = false;  // nothing shown yet: nothing to pause
        return;
    }
    HoldClock(true);
    web_sound_hold(1);
    web_show_paused(1);
    const std::vector<uint16_t> pausedFrame = lastFrame;
    while (paused) {
        composed = pausedFrame;
        overlay::Dim(composed.data());
        overlay::DrawSign(composed.data(), overlay::PauseSignY, "PAUSED");
        if (SignUp()) {
            overlay::DrawSign(composed.data(), overlay::VolumeSignY, signText, signLevel);
        }
        Show(composed.data(), FrameWidth * sizeof(uint16_t), nullptr, false);
        // A sign that times out is taken off within a quarter of a second.
        web_wait_event(reportedActive ? 1 : 0, 250);
        web_poll_start();
        PostPageEvents();
    }
    // What the page showed before, as it was (with no sign that has gone).
    if (SignUp()) {
        composed = pausedFrame;
        overlay::DrawSign(composed.data(), overlay::VolumeSignY, signText, signLevel);
        Show(composed.data(), FrameWidth * sizeof(uint16_t), nullptr, false);
    } else {
        Show(pausedFrame.data(), FrameWidth * sizeof(uint16_t), nullptr, false);
    }
    web_show_paused(0);
    web_sound_hold(0);
    HoldClock(false);
    lastTurn = Now();
}

}  // namespace

namespace plat {

// ---- process ---------------------------------------------------------------

bool AcquireInstanceLock(const char* name) {
    if (lockHeld) {
        return true;
    }
    lockHeld = web_lock_acquire(name != nullptr ? name : "") != 0;
    return lockHeld;
}

void ReleaseInstanceLock() {
    if (lockHeld) {
        web_lock_release();
        lockHeld = false;
    }
}

void MessageBox(const char* text, const char* caption, bool, BoxIcon) {
    const char* t = text != nullptr ? text : "";
    const char* c = caption != nullptr ? caption : "";
    std::fprintf(stderr, "message box [%s]: %s\n", Printable(c).c_str(), PrintableLines(t).c_str());
    web_message_box(t, c);
}

// The page lets go of everything when it goes; the game ending is seen there.
void Shutdown() {}

// The game plays in its own directory in the page's file system.
std::string ProgramDirectory() {
    return "";
}
std::string UserDataDirectory(std::string* why) {
    *why = "the browser keeps the game's files in the page's own storage";
    return "";
}

// ---- window and events -----------------------------------------------------

bool DisplayReachable() {
    return true;
}

// The page has no settings of the surroundings yet: taken as they are.
settings::Settings UseSettings(const settings::Settings& s, const std::string& where,
                               SettingsChanged changed) {
    current = s;
    settingsChanged = changed;
    std::vector<std::string> complaints;
    webplat::BindKeys(&current, &complaints);
    for (const std::string& c : complaints) {
        std::fprintf(stderr, "tessalune: %s: %s\n", Printable(where).c_str(), c.c_str());
    }
    web_music_volume(current.musicVolume / 100.0);
    web_sound_volume(current.soundVolume / 100.0);
    web_scale(current.scale == settings::Scale::Fit ? 1 : 0);
    return current;
}
std::string KeyLabel(const std::string& name) {
    const std::string code = webplat::CodeOf(name);
    char* label = code.empty() ? nullptr : web_key_label(code.c_str());
    if (label == nullptr) {
        return {};
    }
    std::string text(label);
    std::free(label);
    return text;
}

// The page's size is the browser's; full screen is the player's, by key or button.
void ChooseStartWindow(StartWindow) {}

bool CreateMainWindow(const char* title) {
    web_set_title(title != nullptr ? title : "");
    return true;
}

void ShowMainWindow() {
    // A newly shown window is the active one: a page that is not (hidden or
    // without focus) says so at the first look.
    windowShown = true;
    reportedActive = true;
}

void DestroyMainWindow() {
    windowShown = false;
}

void HideCursor() {
    web_hide_cursor();
}

void PumpEvents() {
    web_poll_start();
    PostPageEvents();
    if (paused) {
        StayPaused();
    }
}

void WaitEvents() {
    while (PostPageEvents() == 0) {
        web_wait_event(reportedActive ? 1 : 0, -1);
        lastTurn = Now();
    }
}

// ---- clock -----------------------------------------------------------------

uint32_t GetTicks() {
    // The first look sets the clock's start: it is taken before the start is
    // read. Wraps, like the clock it stands in for, every 49.7 days.
    const auto elapsed = static_cast<uint64_t>(MsSinceOrigin());
    return clockAtOrigin + static_cast<uint32_t>(elapsed);
}

void SetClockStart(uint32_t ms) {
    startGiven = true;
    startAt = ms;
}

void SleepUntilTick(uint32_t tick) {
    const auto elapsed = static_cast<uint64_t>(MsSinceOrigin());
    const int32_t ahead =
        static_cast<int32_t>(tick - (clockAtOrigin + static_cast<uint32_t>(elapsed)));
    if (ahead <= 0) {
        return;
    }
    web_sleep_until(clockOrigin + static_cast<double>(elapsed + static_cast<uint64_t>(ahead)));
    lastTurn = Now();
}

void FrameStarted(uint32_t clock) {
    web_frame_started(static_cast<int>(clock));
    // The sticks as they are now, for the frame about to read them.
    for (int slot = 0; slot < JoySlots; ++slot) {
        if (slots[slot].open) {
            PostPad(slot);
        }
    }
}

void FrameEnded() {
    // Frames that run back to back still let the page paint and hear keys;
    // their outcome is the same, since each one's time is its own.
    if (Now() - lastTurn >= BatchMs) {
        web_yield();
        lastTurn = Now();
    }
}

// ---- display ---------------------------------------------------------------

bool DisplayOpen() {
    shown.assign(static_cast<size_t>(FrameWidth) * FrameHeight, 0xFF000000u);
    shownWhole = false;
    displayOpen = true;
    return true;
}

void DisplayPresent(const uint16_t* pixels, int pitch, const uint8_t* rowsWritten) {
    if (!displayOpen || pixels == nullptr ||
        pitch < static_cast<int>(FrameWidth * sizeof(uint16_t))) {
        return;
    }
    KeepLastFrame(pixels, pitch, rowsWritten);
    if (!SignUp()) {
        Show(pixels, pitch, rowsWritten, true);
        return;
    }
    // The sign goes over a copy; the game's own picture is left alone.
    composed = lastFrame;
    overlay::DrawSign(composed.data(), overlay::VolumeSignY, signText, signLevel);
    Show(composed.data(), FrameWidth * sizeof(uint16_t), nullptr, true);
}

// The 2D canvas keeps its pixels; nothing is ever reset under the game.
bool DisplayTakeReset() {
    return false;
}

void DisplayClose() {
    displayOpen = false;
}

// ---- joysticks: the Gamepad API --------------------------------------------

bool JoyInit() {
    padsStarted = web_pads_supported() != 0;
    return padsStarted;
}

// There are always two places, pads or not: a browser shows a pad only after
// its first button press, usually long after the game set up its sticks, and
// a place with nothing in it reads as unplugged until a pad turns up there.
constexpr int PadPlaces = 2;

int JoyCount() {
    return padsStarted ? std::max(web_pad_count(), PadPlaces) : -1;
}

bool JoyOpen(int device, int slot) {
    if (!padsStarted || slot < 0 || slot >= JoySlots || device < 0 ||
        device >= std::max(web_pad_count(), PadPlaces)) {
        return false;
    }
    slots[slot] = Slot{true, device, false, {}};
    PostPad(slot);
    return true;
}

bool JoyReacquire(int slot) {
    if (!padsStarted || slot < 0 || slot >= JoySlots || !slots[slot].open) {
        return false;
    }
    // Still empty: nothing to take up yet.
    PostPad(slot);
    return slots[slot].device < web_pad_count();
}

void JoyClose(int slot) {
    if (slot >= 0 && slot < JoySlots) {
        slots[slot] = Slot{};
    }
}

void JoyShutdown() {
    for (Slot& s : slots) {
        s = Slot{};
    }
    padsStarted = false;
}

}  // namespace plat
