// The one window, the picture on it and the events that come out of it.
//
// The game was made for a 640 x 480 screen of its own. Here it gets the whole
// desktop instead, without changing the monitor's mode: the frame goes up as
// one streaming texture and the renderer scales it, by whole multiples when
// they fit, with black bars around whatever is left over.
#include <SDL.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/keys.h"
#include "platform/messages.h"
#include "platform/platform.h"
#include "platform/sdl/keymap_sdl.h"
#include "platform/sdl/sdl_internal.h"
#include "platform/tap.h"

namespace {

constexpr int FrameWidth = 640;
constexpr int FrameHeight = 480;

SDL_Window* window = nullptr;
SDL_Renderer* renderer = nullptr;
SDL_Texture* texture = nullptr;
bool videoStarted = false;
bool fullscreen = true;
int windowedWidth = 0;  // the size to come back to when leaving full screen
int windowedHeight = 0;

// What the game was last told about being the active application. Only a
// change is told, so a focus event for the state it already has is no news.
bool reportedActive = false;
plat::StartWindow startWindow = plat::StartWindow::FullScreen;
bool displayWasReset = false;
// Messages queued by the event handling since the counter was last looked at.
int messagesPosted = 0;

// The frame on the screen now. A frame that shows the same picture again is
// not sent up a second time: on a screen without a graphics card to scale it,
// that is most of what a quiet menu would cost. Anything that may have spoilt
// the picture on the window (a resize, an expose, a new texture) sends the
// next frame up whatever it holds.
std::vector<uint16_t> shownFrame;
bool redrawNeeded = true;

// One RGB565 pixel as XRGB8888. Each channel's top bits are repeated into
// its new low bits, so black stays black and white becomes full white.
inline uint32_t Expand565(uint32_t p) {
    const uint32_t r = p >> 11;
    const uint32_t g = (p >> 5) & 0x3F;
    const uint32_t b = p & 0x1F;
    return ((r << 3 | r >> 2) << 16) | ((g << 2 | g >> 4) << 8) | (b << 3 | b >> 2);
}

// The shown frame into the locked texture.
bool UploadShownFrame() {
    void* dst = nullptr;
    int dstPitch = 0;
    if (SDL_LockTexture(texture, nullptr, &dst, &dstPitch) != 0) {
        return false;
    }
    auto* out = static_cast<unsigned char*>(dst);
    for (int y = 0; y < FrameHeight; ++y) {
        const uint16_t* in = &shownFrame[static_cast<size_t>(y) * FrameWidth];
        auto* row = reinterpret_cast<uint32_t*>(out + static_cast<ptrdiff_t>(y) * dstPitch);
        for (int x = 0; x < FrameWidth; ++x) {
            row[x] = Expand565(in[x]);
        }
    }
    SDL_UnlockTexture(texture);
    return true;
}

void Post(uint32_t message, intptr_t wParam) {
    PostMessage(message, wParam, 0);
    ++messagesPosted;
}

bool StartVideo() {
    if (videoStarted) {
        return true;
    }
    // Sharp pixels, and no waiting on the monitor: the game paces itself.
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "nearest");
    SDL_SetHint(SDL_HINT_RENDER_VSYNC, "0");
    // The window class is what docks and task bars match with the desktop
    // entry's StartupWMClass; a player's own setting in the environment wins.
    SDL_SetHint("SDL_VIDEO_X11_WMCLASS", "tessalune");
    SDL_SetHint("SDL_VIDEO_WAYLAND_WMCLASS", "tessalune");
    SDL_SetHint(SDL_HINT_APP_NAME, "Tessalune");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr, "Tessalune: no display: %s\n", SDL_GetError());
        return false;
    }
    // SDL is let go of in plat::Shutdown, on the way out of main, and not from
    // an exit handler: when the X server goes away Xlib ends the process from
    // inside its error handler, and SDL_Quit run from there waits for ever on
    // the dead connection.
    videoStarted = true;
    return true;
}

// Whole multiples of the frame while the window can hold one; a window made
// smaller than the frame still shows all of it, scaled down.
void UpdateScaling() {
    if (renderer == nullptr) {
        return;
    }
    int w = 0;
    int h = 0;
    if (SDL_GetRendererOutputSize(renderer, &w, &h) != 0) {
        return;
    }
    const bool fits = w >= FrameWidth && h >= FrameHeight;
    SDL_RenderSetIntegerScale(renderer, fits ? SDL_TRUE : SDL_FALSE);
    SDL_RenderSetLogicalSize(renderer, FrameWidth, FrameHeight);
    redrawNeeded = true;
}

bool CreateTexture() {
    if (texture != nullptr) {
        SDL_DestroyTexture(texture);
    }
    // 32-bit pixels, converted by us: SDL scales a 16-bit texture onto a
    // larger window pixel by pixel through its slowest blitter, many times
    // dearer than the conversion itself.
    texture = SDL_CreateTexture(renderer, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_STREAMING,
                                FrameWidth, FrameHeight);
    if (texture == nullptr) {
        std::fprintf(stderr, "Tessalune: no frame texture: %s\n", SDL_GetError());
        return false;
    }
    redrawNeeded = true;
    return true;
}

void DestroyRenderer() {
    if (texture != nullptr) {
        SDL_DestroyTexture(texture);
        texture = nullptr;
    }
    if (renderer != nullptr) {
        SDL_DestroyRenderer(renderer);
        renderer = nullptr;
    }
}

bool CreateRenderer() {
    renderer = SDL_CreateRenderer(window, -1, SDL_RENDERER_ACCELERATED);
    if (renderer == nullptr) {
        renderer = SDL_CreateRenderer(window, -1, SDL_RENDERER_SOFTWARE);
    }
    if (renderer == nullptr) {
        std::fprintf(stderr, "Tessalune: no renderer: %s\n", SDL_GetError());
        return false;
    }
    UpdateScaling();
    if (!CreateTexture()) {
        DestroyRenderer();
        return false;
    }
    return true;
}

// The largest whole multiple of the frame that sits on the desktop, for the
// first time the player leaves full screen.
void ChooseWindowedSize() {
    int scale = 1;
    SDL_Rect usable;
    const int display = window != nullptr ? SDL_GetWindowDisplayIndex(window) : 0;
    if (display >= 0 && SDL_GetDisplayUsableBounds(display, &usable) == 0) {
        while (FrameWidth * (scale + 1) <= usable.w && FrameHeight * (scale + 1) <= usable.h) {
            ++scale;
        }
    }
    windowedWidth = FrameWidth * scale;
    windowedHeight = FrameHeight * scale;
}

void ToggleFullscreen() {
    if (window == nullptr) {
        return;
    }
    if (fullscreen) {
        if (windowedWidth == 0) {
            ChooseWindowedSize();
        }
        if (SDL_SetWindowFullscreen(window, 0) != 0) {
            return;
        }
        SDL_SetWindowSize(window, windowedWidth, windowedHeight);
        SDL_SetWindowPosition(window, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
        fullscreen = false;
    } else {
        SDL_GetWindowSize(window, &windowedWidth, &windowedHeight);
        // Cover the desktop first, for want of a window manager to do it.
        SDL_Rect bounds;
        const int display = SDL_GetWindowDisplayIndex(window);
        if (display >= 0 && SDL_GetDisplayBounds(display, &bounds) == 0) {
            SDL_SetWindowPosition(window, bounds.x, bounds.y);
            SDL_SetWindowSize(window, bounds.w, bounds.h);
        }
        if (SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN_DESKTOP) != 0) {
            return;
        }
        fullscreen = true;
    }
    UpdateScaling();
}

// True when the game was told.
bool ReportActive(bool active) {
    if (active == reportedActive) {
        return false;
    }
    reportedActive = active;
    if (!active) {
        // Keys let go while another window had the keyboard never come back up.
        ReleaseAllKeys();
    }
    Post(WM_ACTIVATEAPP, active ? 1 : 0);
    return true;
}

bool IsAltEnter(const SDL_Event& e) {
    return e.type == SDL_KEYDOWN &&
           (e.key.keysym.scancode == SDL_SCANCODE_RETURN ||
            e.key.keysym.scancode == SDL_SCANCODE_KP_ENTER) &&
           (e.key.keysym.mod & KMOD_ALT) != 0;
}

// During a playback the recording says when the game has the focus and which
// keys are down; of the viewer's keys only Esc counts, and it ends the show.
bool PlaybackTakes(const SDL_Event& e) {
    if (!tap::Playing()) {
        return false;
    }
    if (e.type == SDL_KEYDOWN && e.key.keysym.scancode == SDL_SCANCODE_ESCAPE && !e.key.repeat) {
        Post(WM_CLOSE, 0);
        return true;
    }
    if (e.type == SDL_KEYDOWN || e.type == SDL_KEYUP) {
        return !IsAltEnter(e);
    }
    return e.type == SDL_WINDOWEVENT && (e.window.event == SDL_WINDOWEVENT_FOCUS_GAINED ||
                                         e.window.event == SDL_WINDOWEVENT_FOCUS_LOST);
}

void HandleWindowEvent(const SDL_WindowEvent& w) {
    switch (w.event) {
        case SDL_WINDOWEVENT_CLOSE:
            tap::NoteClose();
            Post(WM_CLOSE, 0);
            break;
        case SDL_WINDOWEVENT_FOCUS_GAINED:
            if (ReportActive(true)) {
                tap::NoteFocus(true);
            }
            break;
        case SDL_WINDOWEVENT_FOCUS_LOST:
            if (ReportActive(false)) {
                tap::NoteFocus(false);
            }
            break;
        case SDL_WINDOWEVENT_SIZE_CHANGED:
            UpdateScaling();
            break;
        case SDL_WINDOWEVENT_SHOWN:
        case SDL_WINDOWEVENT_EXPOSED:
        case SDL_WINDOWEVENT_RESTORED:
        case SDL_WINDOWEVENT_MAXIMIZED:
            redrawNeeded = true;
            break;
        default:
            break;
    }
}

void HandleEvent(const SDL_Event& e) {
    if (PlaybackTakes(e)) {
        return;
    }
    switch (e.type) {
        case SDL_QUIT:
            tap::NoteClose();
            Post(WM_CLOSE, 0);
            return;
        case SDL_WINDOWEVENT:
            HandleWindowEvent(e.window);
            return;
        case SDL_KEYDOWN:
            if (IsAltEnter(e)) {
                // The player's own key for the window, not Return for the game.
                if (!e.key.repeat) {
                    ToggleFullscreen();
                }
                return;
            }
            if (const int vk = sdlplat::TranslateKeyEvent(e); vk != 0) {
                Post(WM_KEYDOWN, vk);
            }
            return;
        case SDL_KEYUP:
            sdlplat::TranslateKeyEvent(e);
            return;
        case SDL_JOYDEVICEADDED:
        case SDL_JOYDEVICEREMOVED:
            sdlplat::JoyDeviceEvent(e);
            return;
        case SDL_RENDER_TARGETS_RESET:
            // The texture's contents are gone; the game draws everything anew.
            if (renderer != nullptr) {
                CreateTexture();
            }
            displayWasReset = true;
            return;
        case SDL_RENDER_DEVICE_RESET:
            if (renderer != nullptr) {
                DestroyRenderer();
                CreateRenderer();
            }
            displayWasReset = true;
            return;
        default:
            // During a playback the ends come from the recording.
            if (e.type == sdlplat::MusicEndEventType() && !tap::Playing()) {
                tap::NoteMusicEnd();
                Post(MM_MCINOTIFY, 0);
            }
            return;
    }
}

}  // namespace

SDL_Window* sdlplat::Window() {
    return window;
}

namespace plat {

void MessageBox(const char* text, const char* caption, bool owned, BoxIcon icon) {
    const char* t = text != nullptr ? text : "";
    const char* c = caption != nullptr ? caption : "";
    std::fprintf(stderr, "message box [%s]: %s\n", c, t);
    tap::NoteMessage(t, c);
    // Plain boxes ask for no icon at all: only the leak warning has one.
    const Uint32 flags = icon == BoxIcon::Error ? SDL_MESSAGEBOX_ERROR : 0;
    // Where no box can be shown (no display at all), it is as if OK was pressed.
    if (SDL_ShowSimpleMessageBox(flags, c, t, owned ? window : nullptr) != 0) {
        std::fprintf(stderr, "Tessalune: the message box could not be shown: %s\n", SDL_GetError());
    }
    // The box covered part of the picture.
    redrawNeeded = true;
}

void ChooseStartWindow(StartWindow how) {
    startWindow = how;
}

bool CreateMainWindow(const char* title) {
    if (window != nullptr) {
        return true;
    }
    if (!StartVideo()) {
        return false;
    }
    // Made as large as the desktop from the start: a window manager makes it
    // full screen anyway, and where there is none (a bare X server) nobody
    // else would ever make it cover the screen.
    const bool startFull = startWindow == plat::StartWindow::FullScreen;
    SDL_Rect bounds = {static_cast<int>(SDL_WINDOWPOS_CENTERED),
                       static_cast<int>(SDL_WINDOWPOS_CENTERED), FrameWidth, FrameHeight};
    if (startFull) {
        SDL_GetDisplayBounds(0, &bounds);
    } else {
        ChooseWindowedSize();
        bounds.w = windowedWidth;
        bounds.h = windowedHeight;
    }
    window = SDL_CreateWindow(title, bounds.x, bounds.y, bounds.w, bounds.h,
                              SDL_WINDOW_HIDDEN | (startFull ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0) |
                                  SDL_WINDOW_ALLOW_HIGHDPI | SDL_WINDOW_RESIZABLE);
    if (window == nullptr) {
        std::fprintf(stderr, "Tessalune: no window: %s\n", SDL_GetError());
        return false;
    }
    SDL_SetWindowMinimumSize(window, FrameWidth / 4, FrameHeight / 4);
    sdlplat::SetWindowIcon(window);
    fullscreen = startFull;
    reportedActive = false;
    return true;
}

void ShowMainWindow() {
    if (window == nullptr) {
        return;
    }
    SDL_ShowWindow(window);
    SDL_RaiseWindow(window);
    // The window system makes a newly shown window the active one. Without a
    // window manager no focus event may ever come, so we say it ourselves;
    // the focus event that a window manager does send is then no news.
    ReportActive(true);
}

void DestroyMainWindow() {
    DestroyRenderer();
    if (window != nullptr) {
        SDL_DestroyWindow(window);
        window = nullptr;
    }
}

void HideCursor() {
    SDL_ShowCursor(SDL_DISABLE);
}

void PumpEvents() {
    SDL_Event e;
    while (SDL_PollEvent(&e)) {
        HandleEvent(e);
    }
    if (tap::Playing()) {
        tap::PlaybackPump();
    }
}

void WaitEvents() {
    if (tap::Playing()) {
        // The recording, not the window, says when the game comes back.
        PumpEvents();
        tap::PlaybackWait();
        return;
    }
    // Sleep until something the game has to hear about happens: a key going
    // up, a joystick coming and going, a resize are handled here and sleep on.
    messagesPosted = 0;
    while (messagesPosted == 0) {
        SDL_Event e;
        if (!SDL_WaitEvent(&e)) {
            SDL_Delay(10);
            continue;
        }
        HandleEvent(e);
        while (SDL_PollEvent(&e)) {
            HandleEvent(e);
        }
    }
}

// ---- display ---------------------------------------------------------------

bool DisplayOpen() {
    if (window == nullptr) {
        return false;
    }
    if (renderer != nullptr) {
        return true;
    }
    return CreateRenderer();
}

void DisplayPresent(const uint16_t* pixels, int pitch) {
    if (renderer == nullptr || texture == nullptr || pixels == nullptr ||
        pitch < static_cast<int>(FrameWidth * sizeof(uint16_t))) {
        return;
    }
    const size_t rowBytes = FrameWidth * sizeof(uint16_t);
    shownFrame.resize(static_cast<size_t>(FrameWidth) * FrameHeight);
    const auto* rows = reinterpret_cast<const unsigned char*>(pixels);
    bool same = !redrawNeeded;
    for (int y = 0; y < FrameHeight; ++y) {
        const unsigned char* row = rows + static_cast<ptrdiff_t>(y) * pitch;
        uint16_t* shown = &shownFrame[static_cast<size_t>(y) * FrameWidth];
        if (same && std::memcmp(shown, row, rowBytes) == 0) {
            continue;
        }
        same = false;
        std::memcpy(shown, row, rowBytes);
    }
    if (same) {
        return;
    }
    if (!UploadShownFrame()) {
        // Nothing went up: the next frame is sent whatever it holds.
        redrawNeeded = true;
        return;
    }
    redrawNeeded = false;
    SDL_SetRenderDrawColor(renderer, 0, 0, 0, SDL_ALPHA_OPAQUE);
    SDL_RenderClear(renderer);
    SDL_RenderCopy(renderer, texture, nullptr, nullptr);
    SDL_RenderPresent(renderer);
}

bool DisplayTakeReset() {
    const bool reset = displayWasReset;
    displayWasReset = false;
    return reset;
}

void DisplayClose() {
    DestroyRenderer();
}

// ---- process ---------------------------------------------------------------

void Shutdown() {
    if (SDL_WasInit(0) != 0) {
        SDL_Quit();
    }
    videoStarted = false;
}

}  // namespace plat
