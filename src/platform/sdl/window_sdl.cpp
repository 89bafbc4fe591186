// The one window, the picture on it and the events that come out of it.
//
// The game was made for a 640 x 480 screen of its own. Here it gets the whole
// desktop instead, without changing the monitor's mode: the frame is scaled,
// by whole multiples when they fit, with black bars around whatever is left
// over. It goes to the screen one of two ways. With a graphics card, as one
// streaming texture that the renderer scales. Without one (where OpenGL is
// only a rasterizer on the processor, or there is none), straight into the
// window's own surface, scaled by us, handing the window system only the rows
// that changed: on such a machine a renderer would cost many times more.
#include <SDL.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "base/files.h"
#include "base/overlay.h"
#include "base/printable.h"
#include "base/settings.h"
#include "platform/platform.h"
#include "platform/sdl/keymap_sdl.h"
#include "platform/sdl/music_sdl.h"
#include "platform/sdl/present.h"
#include "platform/sdl/sdl_internal.h"

namespace {

using sdlplat::FrameHeight;
using sdlplat::FrameWidth;

SDL_Window* window = nullptr;
SDL_Renderer* renderer = nullptr;
SDL_Texture* texture = nullptr;
bool videoStarted = false;
// Why the video could not be started, for the message that says so.
std::string videoError;
bool fullscreen = true;
int windowedWidth = 0;  // the size to come back to when leaving full screen
int windowedHeight = 0;

// What the game was last told about being the active application. Only a
// change is told, so a focus event for the state it already has is no news.
bool reportedActive = false;
plat::StartWindow startWindow = plat::StartWindow::FullScreen;
bool displayWasReset = false;
// Messages queued by the event handling since the counter was last looked at.
int eventsPosted = 0;

// The frame on the screen now. A frame that shows the same picture again is
// not sent up a second time: on a screen without a graphics card to scale it,
// that is most of what a quiet menu would cost. Anything that may have spoilt
// the picture on the window (a resize, an expose, a new texture) sends the
// next frame up whatever it holds.
sdlplat::ChangedRows shownFrame;

// The surface path: the window's surface, gone after every change of size
// (SDL frees it then) and fetched again before the next frame; where the
// frame sits on it; and each window column's frame column.
bool presentChosen = false;
bool useSurface = false;
SDL_Surface* surface = nullptr;
sdlplat::PixelRect placed;
int placedForWidth = 0;  // the surface size `placed` is for
int placedForHeight = 0;
std::vector<int> sourceColumn;
// The RGB565 pixel in the surface's own format, for a surface that is not
// XRGB8888; empty for one that is.
std::vector<uint32_t> pixelTable;

// The player's settings, and whom to tell when the player changes one.
settings::Settings current;
plat::SettingsChanged settingsChanged = nullptr;
// The window's size changed since the settings were last kept.
bool windowSizeUnsaved = false;

// The player's pause: the game's clock, frames and sound stand still, and
// the window shows the frame it had, dimmed, with a sign over it.
bool paused = false;
// A sign over the game's picture for a moment (a volume being changed), until
// the millisecond of SDL's clock in `signUntil`.
std::string signText;
int signLevel = -1;
Uint32 signUntil = 0;
// A copy of the frame to draw a sign over, and the frame a pause began on.
std::vector<uint16_t> composed;
std::vector<uint16_t> pausedFrame;

// One RGB565 pixel as XRGB8888. Each channel's top bits are repeated into
// its new low bits, so black stays black and white becomes full white.
inline uint32_t Expand565(uint32_t p) {
    const uint32_t r = p >> 11;
    const uint32_t g = (p >> 5) & 0x3F;
    const uint32_t b = p & 0x1F;
    return ((r << 3 | r >> 2) << 16) | ((g << 2 | g >> 4) << 8) | (b << 3 | b >> 2);
}

// The changed rows of the shown frame into the texture: the band from the
// first to the last of them goes up, the rest of the texture stays.
bool UploadShownFrame() {
    int first = 0;
    while (first < FrameHeight - 1 && !shownFrame.Changed(first)) {
        ++first;
    }
    int last = FrameHeight - 1;
    while (last > first && !shownFrame.Changed(last)) {
        --last;
    }
    const SDL_Rect band = {0, first, FrameWidth, last - first + 1};
    void* dst = nullptr;
    int dstPitch = 0;
    if (SDL_LockTexture(texture, &band, &dst, &dstPitch) != 0) {
        return false;
    }
    auto* out = static_cast<unsigned char*>(dst);
    for (int y = first; y <= last; ++y) {
        const uint16_t* in = shownFrame.Row(y);
        auto* row = reinterpret_cast<uint32_t*>(out + static_cast<ptrdiff_t>(y - first) * dstPitch);
        for (int x = 0; x < FrameWidth; ++x) {
            row[x] = Expand565(in[x]);
        }
    }
    SDL_UnlockTexture(texture);
    return true;
}

void Post(plat::EventKind kind) {
    plat::Event e;
    e.kind = kind;
    sdlplat::Post(e);
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
        videoError = SDL_GetError();
        std::fprintf(stderr, "Tessalune: no display: %s\n", videoError.c_str());
        return false;
    }
    // Where no window system answers, SDL falls back on drivers that draw
    // nowhere: the game would run unseen, holding its lock, for ever. Only a
    // player who names such a driver gets it.
    const char* driver = SDL_GetCurrentVideoDriver();
    const char* asked = SDL_GetHint(SDL_HINT_VIDEODRIVER);
    if (driver != nullptr && (asked == nullptr || *asked == '\0')) {
        for (const char* unseen : {"offscreen", "dummy", "evdev"}) {
            if (std::strcmp(driver, unseen) == 0) {
                videoError = std::string("no window system answered; SDL found only its '") +
                             driver + "' driver, which shows nothing";
                std::fprintf(stderr, "Tessalune: no display: %s\n", videoError.c_str());
                SDL_QuitSubSystem(SDL_INIT_VIDEO);
                return false;
            }
        }
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
    const bool whole = current.scale == settings::Scale::Whole;
    SDL_RenderSetIntegerScale(renderer, fits && whole ? SDL_TRUE : SDL_FALSE);
    SDL_RenderSetLogicalSize(renderer, FrameWidth, FrameHeight);
    shownFrame.Invalidate();
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
    shownFrame.Invalidate();
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
    if (renderer == nullptr) {
        renderer = SDL_CreateRenderer(window, -1, SDL_RENDERER_ACCELERATED);
    }
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

// ---- the surface path ----------------------------------------------------------

// Where the frame goes on the surface just fetched, and in what pixels.
void PlaceOnSurface() {
    placed = sdlplat::PlaceFrame(surface->w, surface->h, current.scale == settings::Scale::Whole);
    sourceColumn.resize(static_cast<size_t>(placed.w));
    for (int x = 0; x < placed.w; ++x) {
        sourceColumn[static_cast<size_t>(x)] =
            static_cast<int>(static_cast<int64_t>(x) * FrameWidth / placed.w);
    }
    const Uint32 format = surface->format->format;
    pixelTable.clear();
    if (format != SDL_PIXELFORMAT_RGB888 && format != SDL_PIXELFORMAT_ARGB8888) {
        pixelTable.resize(0x10000);
        for (uint32_t p = 0; p < 0x10000; ++p) {
            const uint32_t rgb = Expand565(p);
            pixelTable[p] = SDL_MapRGB(surface->format, static_cast<Uint8>(rgb >> 16),
                                       static_cast<Uint8>(rgb >> 8), static_cast<Uint8>(rgb));
        }
    }
    shownFrame.Invalidate();
}

// The window's surface, fetched again where SDL let go of the last one
// (after a change of size). Null when the window has none just now.
SDL_Surface* FetchSurface() {
    SDL_Surface* now = SDL_GetWindowSurface(window);
    if (now == nullptr) {
        surface = nullptr;
        return nullptr;
    }
    const int bytes = now->format->BytesPerPixel;
    if (bytes != 2 && bytes != 4) {
        return nullptr;
    }
    if (now != surface || now->w != placedForWidth || now->h != placedForHeight) {
        surface = now;
        placedForWidth = now->w;
        placedForHeight = now->h;
        PlaceOnSurface();
    }
    return surface;
}

// Opens the surface path: false where the window offers no surface we can
// draw on, and the renderer has to do.
bool OpenSurface() {
    // The window's pixels themselves (X11 shared memory), not a texture that
    // SDL would put up through a renderer of its own.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    surface = nullptr;
    if (FetchSurface() == nullptr) {
        std::fprintf(stderr, "Tessalune: no window surface to draw on: %s\n", SDL_GetError());
        return false;
    }
    return true;
}

// One frame row, converted and widened, into one row of the surface.
// One frame row, converted by `convert`, each pixel `scale` times over. The
// usual scales get loops of their own that the compiler can vectorise.
template <typename Pixel, typename Convert>
void ScaleRow(const uint16_t* in, Pixel* out, Convert convert) {
    const int scale = placed.w % FrameWidth == 0 ? placed.w / FrameWidth : 0;
    if (scale == 1) {
        for (int x = 0; x < FrameWidth; ++x) {
            out[x] = convert(in[x]);
        }
    } else if (scale == 2) {
        for (int x = 0; x < FrameWidth; ++x) {
            const Pixel v = convert(in[x]);
            out[2 * x] = v;
            out[2 * x + 1] = v;
        }
    } else if (scale > 2) {
        for (int x = 0; x < FrameWidth; ++x) {
            std::fill_n(out + x * scale, scale, convert(in[x]));
        }
    } else {
        for (int x = 0; x < placed.w; ++x) {
            out[x] = convert(in[sourceColumn[static_cast<size_t>(x)]]);
        }
    }
}

template <typename Pixel>
void DrawRow(const uint16_t* in, unsigned char* rowStart) {
    Pixel* out = reinterpret_cast<Pixel*>(rowStart) + placed.x;
    if (pixelTable.empty()) {
        ScaleRow(in, out, [](uint16_t p) { return static_cast<Pixel>(Expand565(p)); });
    } else {
        const uint32_t* table = pixelTable.data();
        ScaleRow(in, out, [table](uint16_t p) { return static_cast<Pixel>(table[p]); });
    }
}

void FillBars() {
    const Uint32 black = SDL_MapRGB(surface->format, 0, 0, 0);
    const SDL_Rect bars[] = {
        {0, 0, surface->w, placed.y},
        {0, placed.y + placed.h, surface->w, surface->h - placed.y - placed.h},
        {0, placed.y, placed.x, placed.h},
        {placed.x + placed.w, placed.y, surface->w - placed.x - placed.w, placed.h},
    };
    for (const SDL_Rect& bar : bars) {
        if (bar.w > 0 && bar.h > 0) {
            SDL_FillRect(surface, &bar, black);
        }
    }
}

void PresentToSurface(const uint16_t* pixels, int pitch, const uint8_t* rowsWritten) {
    if (FetchSurface() == nullptr) {
        // Nothing went up: the next frame goes up whole.
        shownFrame.Invalidate();
        return;
    }
    if (shownFrame.Take(pixels, pitch, rowsWritten) == 0) {
        return;
    }
    const bool whole = shownFrame.All();
    if (whole) {
        FillBars();
    }
    if (SDL_MUSTLOCK(surface) && SDL_LockSurface(surface) != 0) {
        shownFrame.Invalidate();
        return;
    }
    auto* base = static_cast<unsigned char*>(surface->pixels) +
                 static_cast<ptrdiff_t>(placed.y) * surface->pitch;
    const size_t rowBytes =
        static_cast<size_t>(placed.x + placed.w) * surface->format->BytesPerPixel;
    int lastSource = -1;
    for (int y = 0; y < placed.h; ++y) {
        const int source = sdlplat::SourceRow(placed, y);
        if (!shownFrame.Changed(source)) {
            continue;
        }
        unsigned char* row = base + static_cast<ptrdiff_t>(y) * surface->pitch;
        if (source == lastSource) {
            // The row above shows the same frame row: copy it as it stands.
            std::memcpy(row, row - surface->pitch, rowBytes);
        } else if (surface->format->BytesPerPixel == 4) {
            DrawRow<uint32_t>(shownFrame.Row(source), row);
        } else {
            DrawRow<uint16_t>(shownFrame.Row(source), row);
        }
        lastSource = source;
    }
    if (SDL_MUSTLOCK(surface)) {
        SDL_UnlockSurface(surface);
    }
    int shown = 0;
    if (whole) {
        shown = SDL_UpdateWindowSurface(window);
    } else {
        const std::vector<sdlplat::PixelRect> runs = sdlplat::ChangedRects(shownFrame, placed);
        std::vector<SDL_Rect> rects;
        rects.reserve(runs.size());
        for (const sdlplat::PixelRect& r : runs) {
            rects.push_back({r.x, r.y, r.w, r.h});
        }
        shown = SDL_UpdateWindowSurfaceRects(window, rects.data(), static_cast<int>(rects.size()));
    }
    if (shown != 0) {
        // The surface went with a change of size: the next frame goes up
        // whole on the new one.
        surface = nullptr;
        shownFrame.Invalidate();
    }
}

// ---- choosing the path ------------------------------------------------------------

// The OpenGL renderer string of the context the renderer made current, or
// null where it does not draw through OpenGL.
const char* GlRendererString(const SDL_RendererInfo& info) {
    if (std::strncmp(info.name, "opengl", 6) != 0 || SDL_GL_GetCurrentContext() == nullptr) {
        return nullptr;
    }
    using GetString = const unsigned char* (*)(unsigned int);
    const auto getString = reinterpret_cast<GetString>(SDL_GL_GetProcAddress("glGetString"));
    constexpr unsigned int GlRenderer = 0x1F01;
    return getString != nullptr ? reinterpret_cast<const char*>(getString(GlRenderer)) : nullptr;
}

// A render node is what graphics hardware (or a virtual machine's GPU) offers
// to render with; a machine without one has OpenGL only on the processor.
bool HasRenderNode() {
    for (int minor = 128; minor < 192; ++minor) {
        if (AnythingAt(("/dev/dri/renderD" + std::to_string(minor)).c_str())) {
            return true;
        }
    }
    return false;
}

// The renderer SDL would use, unless it only draws on the processor: then
// none, and the window's surface instead. Decided once, and said once.
void ChoosePath() {
    presentChosen = true;
    sdlplat::PresentChoice early;
    if (sdlplat::ChooseBeforeRenderer(std::getenv("TESSALUNE_RENDERER"), HasRenderNode(),
                                      std::getenv("LIBGL_ALWAYS_SOFTWARE"),
                                      std::getenv("GALLIUM_DRIVER"), &early)) {
        useSurface = true;
        std::fprintf(stderr, "tessalune: present: surface (%s)\n", early.why.c_str());
        return;
    }
    renderer = SDL_CreateRenderer(window, -1, SDL_RENDERER_ACCELERATED);
    SDL_RendererInfo info{};
    const char* name = nullptr;
    bool accelerated = false;
    const char* gl = nullptr;
    if (renderer != nullptr && SDL_GetRendererInfo(renderer, &info) == 0) {
        name = info.name;
        accelerated = (info.flags & SDL_RENDERER_ACCELERATED) != 0;
        gl = GlRendererString(info);
    }
    const sdlplat::PresentChoice choice =
        sdlplat::ChoosePresentPath(std::getenv("TESSALUNE_RENDERER"), name, accelerated, gl);
    useSurface = choice.path == sdlplat::PresentPath::Surface;
    std::fprintf(stderr, "tessalune: present: %s (%s)\n", useSurface ? "surface" : "gpu",
                 choice.why.c_str());
    if (useSurface && renderer != nullptr) {
        SDL_DestroyRenderer(renderer);
        renderer = nullptr;
    }
}

void PresentFrame(const uint16_t* pixels, int pitch, const uint8_t* rowsWritten) {
    if (pixels == nullptr || pitch < static_cast<int>(FrameWidth * sizeof(uint16_t))) {
        return;
    }
    if (useSurface) {
        PresentToSurface(pixels, pitch, rowsWritten);
        return;
    }
    if (renderer == nullptr || texture == nullptr) {
        shownFrame.Invalidate();
        return;
    }
    if (shownFrame.Take(pixels, pitch, rowsWritten) == 0) {
        return;
    }
    if (!UploadShownFrame()) {
        // Nothing went up: the next frame is sent whatever it holds.
        shownFrame.Invalidate();
        return;
    }
    SDL_SetRenderDrawColor(renderer, 0, 0, 0, SDL_ALPHA_OPAQUE);
    SDL_RenderClear(renderer);
    SDL_RenderCopy(renderer, texture, nullptr, nullptr);
    SDL_RenderPresent(renderer);
}

// ---- the player's surroundings: signs, pause, volumes, settings -------------

void HandleEvent(const SDL_Event& e);

void KeepSettings() {
    if (settingsChanged != nullptr) {
        settingsChanged(current);
    }
}

// The volume sign over `pixels`, while it lasts.
void DrawSignOver(uint16_t* pixels) {
    if (signUntil != 0 && static_cast<Sint32>(SDL_GetTicks() - signUntil) >= 0) {
        signUntil = 0;
    }
    if (signUntil != 0) {
        overlay::DrawSign(pixels, overlay::VolumeSignY, signText, signLevel);
    }
}

void ShowSign(const std::string& text, int level) {
    signText = text;
    signLevel = level;
    signUntil = SDL_GetTicks() + overlay::SignMs;
    if (signUntil == 0) {
        signUntil = 1;
    }
}

// The frame the pause began on, dimmed, with the pause's sign (and a volume's,
// while it lasts) over it.
void ShowPause() {
    composed = pausedFrame;
    overlay::Dim(composed.data());
    overlay::DrawSign(composed.data(), overlay::PauseSignY, "PAUSED");
    DrawSignOver(composed.data());
    PresentFrame(composed.data(), FrameWidth * sizeof(uint16_t), nullptr);
}

// The keys no scene reads: the pause, and the volumes (music with - and =,
// effects with [ and ], a tenth at a time). True when `scancode` was one.
bool SurroundingsKey(SDL_Scancode scancode, bool repeat) {
    int* volume = nullptr;
    int steps = 0;
    switch (scancode) {
        case SDL_SCANCODE_P:
        case SDL_SCANCODE_PAUSE:
            if (!repeat) {
                paused = !paused;
            }
            return true;
        case SDL_SCANCODE_MINUS:
        case SDL_SCANCODE_EQUALS:
            volume = &current.musicVolume;
            steps = scancode == SDL_SCANCODE_MINUS ? -1 : 1;
            break;
        case SDL_SCANCODE_LEFTBRACKET:
        case SDL_SCANCODE_RIGHTBRACKET:
            volume = &current.soundVolume;
            steps = scancode == SDL_SCANCODE_LEFTBRACKET ? -1 : 1;
            break;
        default:
            return false;
    }
    const int was = *volume;
    *volume = settings::StepVolume(*volume, steps);
    sdlplat::SetMusicVolume(current.musicVolume);
    sdlplat::SetSoundVolume(current.soundVolume);
    const bool music = volume == &current.musicVolume;
    ShowSign(std::string(music ? "MUSIC " : "EFFECTS ") + std::to_string(*volume) + "%", *volume);
    // A key held at either end changes nothing, and writes nothing.
    if (*volume != was) {
        KeepSettings();
    }
    return true;
}

// Holds the game while the player pauses: its clock and sound stand still and
// no frame runs; events go on being handled (and posted, for the frames
// after), until the pause ends.
void StayPaused() {
    if (!presentChosen) {
        paused = false;  // nothing shown yet: nothing to pause
        return;
    }
    sdlplat::HoldClock(true);
    sdlplat::HoldSound(true);
    pausedFrame.resize(static_cast<size_t>(FrameWidth) * FrameHeight);
    for (int y = 0; y < FrameHeight; ++y) {
        std::memcpy(&pausedFrame[static_cast<size_t>(y) * FrameWidth], shownFrame.Row(y),
                    FrameWidth * sizeof(uint16_t));
    }
    const bool signWasUp = signUntil != 0;
    while (paused) {
        ShowPause();
        SDL_Event e;
        // A sign that times out is taken off within a quarter of a second.
        if (SDL_WaitEventTimeout(&e, 250)) {
            HandleEvent(e);
            while (SDL_PollEvent(&e)) {
                HandleEvent(e);
            }
        }
    }
    // What the window showed before, as it was (with no sign that has gone).
    if (signWasUp) {
        shownFrame.Invalidate();
    }
    PresentFrame(pausedFrame.data(), FrameWidth * sizeof(uint16_t), nullptr);
    sdlplat::HoldSound(false);
    sdlplat::HoldClock(false);
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

// The window size the settings remembered is one the desktop can hold.
bool WindowedSizeFits() {
    SDL_Rect usable;
    const int display = window != nullptr ? SDL_GetWindowDisplayIndex(window) : 0;
    return windowedWidth > 0 && windowedHeight > 0 && display >= 0 &&
           SDL_GetDisplayUsableBounds(display, &usable) == 0 && windowedWidth <= usable.w &&
           windowedHeight <= usable.h;
}

void ToggleFullscreen() {
    if (window == nullptr) {
        return;
    }
    if (fullscreen) {
        if (!WindowedSizeFits()) {
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
    surface = nullptr;
    current.fullscreen = fullscreen;
    current.windowWidth = windowedWidth;
    current.windowHeight = windowedHeight;
    windowSizeUnsaved = false;
    KeepSettings();
}

// The window system may say the same thing twice; the game hears of changes.
void ReportActive(bool active) {
    if (active == reportedActive) {
        return;
    }
    reportedActive = active;
    Post(active ? plat::EventKind::FocusGained : plat::EventKind::FocusLost);
}

bool IsAltEnter(const SDL_Event& e) {
    return e.type == SDL_KEYDOWN &&
           (e.key.keysym.scancode == SDL_SCANCODE_RETURN ||
            e.key.keysym.scancode == SDL_SCANCODE_KP_ENTER) &&
           (e.key.keysym.mod & KMOD_ALT) != 0;
}

void HandleWindowEvent(const SDL_WindowEvent& w) {
    switch (w.event) {
        case SDL_WINDOWEVENT_CLOSE:
            paused = false;
            Post(plat::EventKind::Close);
            break;
        case SDL_WINDOWEVENT_FOCUS_GAINED:
            ReportActive(true);
            break;
        case SDL_WINDOWEVENT_FOCUS_LOST:
            ReportActive(false);
            break;
        case SDL_WINDOWEVENT_SIZE_CHANGED:
            UpdateScaling();
            surface = nullptr;
            if (!fullscreen && (SDL_GetWindowFlags(window) & SDL_WINDOW_FULLSCREEN) == 0) {
                // Kept when the game ends, not at every step of a drag.
                windowedWidth = w.data1;
                windowedHeight = w.data2;
                windowSizeUnsaved = true;
            }
            break;
        case SDL_WINDOWEVENT_SHOWN:
        case SDL_WINDOWEVENT_EXPOSED:
        case SDL_WINDOWEVENT_RESTORED:
        case SDL_WINDOWEVENT_MAXIMIZED:
            shownFrame.Invalidate();
            break;
        default:
            break;
    }
}

void HandleEvent(const SDL_Event& e) {
    switch (e.type) {
        case SDL_QUIT:
            paused = false;
            Post(plat::EventKind::Close);
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
            if (SurroundingsKey(e.key.keysym.scancode, e.key.repeat != 0)) {
                return;
            }
            if (paused) {
                // Nothing is pressed for the game while it stands still; Esc
                // still leaves, from the pause too.
                if (e.key.keysym.scancode != SDL_SCANCODE_ESCAPE) {
                    return;
                }
                paused = false;
            }
            sdlplat::TranslateKeyEvent(e);
            return;
        case SDL_CONTROLLERBUTTONDOWN:
            if (e.cbutton.button == SDL_CONTROLLER_BUTTON_START) {
                paused = !paused;
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
            shownFrame.Invalidate();
            displayWasReset = true;
            return;
        case SDL_RENDER_DEVICE_RESET:
            if (renderer != nullptr) {
                DestroyRenderer();
                CreateRenderer();
            }
            shownFrame.Invalidate();
            displayWasReset = true;
            return;
        default:
            if (e.type == sdlplat::MusicEndEventType()) {
                Post(plat::EventKind::MusicEnd);
            }
            return;
    }
}

}  // namespace

SDL_Window* sdlplat::Window() {
    return window;
}

void sdlplat::Post(const plat::Event& event) {
    ++eventsPosted;
    plat::PostEvent(event);
}

namespace plat {

void MessageBox(const char* text, const char* caption, bool owned, BoxIcon icon) {
    const char* t = text != nullptr ? text : "";
    const char* c = caption != nullptr ? caption : "";
    std::fprintf(stderr, "message box [%s]: %s\n", Printable(c).c_str(), PrintableLines(t).c_str());
    // Plain boxes ask for no icon at all: only the leak warning has one.
    const Uint32 flags = icon == BoxIcon::Error ? SDL_MESSAGEBOX_ERROR : 0;
    // Where no box can be shown (no display at all), it is as if OK was pressed.
    if (SDL_ShowSimpleMessageBox(flags, c, t, owned ? window : nullptr) != 0) {
        std::fprintf(stderr, "Tessalune: the message box could not be shown: %s\n", SDL_GetError());
    }
    // The box covered part of the picture.
    shownFrame.Invalidate();
}

bool DisplayReachable() {
    if (StartVideo()) {
        return true;
    }
    const char* display = std::getenv("DISPLAY");
    const std::string where = display != nullptr && *display != '\0'
                                  ? std::string("DISPLAY is ") + display
                                  : std::string("DISPLAY is not set");
    const std::string text =
        "Tessalune cannot open its window: there is no display to show it "
        "on (" +
        where + ").\n" + videoError;
    MessageBox(text.c_str(), "Tessalune", false);
    return false;
}

settings::Settings UseSettings(const settings::Settings& s, const std::string& where,
                               SettingsChanged changed) {
    current = s;
    settingsChanged = changed;
    // Keys SDL has no name for, and keys the surroundings keep for themselves
    // (and Return, Shift and Esc, which the game reads as they are).
    static const std::vector<std::string> reserved = {
        "P",        "Pause",        "-",          "=",           "[",      "]",
        "Return",   "Keypad Enter", "Left Shift", "Right Shift", "Escape", "Keypad 2",
        "Keypad 4", "Keypad 6",     "Keypad 8"};
    std::vector<std::string> complaints;
    settings::CheckKeys(
        &current,
        [](const std::string& name) {
            return SDL_GetScancodeFromName(name.c_str()) != SDL_SCANCODE_UNKNOWN;
        },
        [](const std::string& a, const std::string& b) {
            return SDL_GetScancodeFromName(a.c_str()) == SDL_GetScancodeFromName(b.c_str());
        },
        reserved, &complaints);
    for (const std::string& c : complaints) {
        std::fprintf(stderr, "tessalune: %s: %s\n", Printable(where).c_str(), c.c_str());
    }
    sdlplat::BindKeys(current);
    sdlplat::SetMusicVolume(current.musicVolume);
    sdlplat::SetSoundVolume(current.soundVolume);
    startWindow = current.fullscreen ? StartWindow::FullScreen : StartWindow::Window;
    windowedWidth = current.windowWidth;
    windowedHeight = current.windowHeight;
    return current;
}

std::string KeyLabel(const std::string& name) {
    // Only a real window system knows the keyboard's layout; asked once.
    static const bool layoutKnown = [] {
        const char* x = std::getenv("DISPLAY");
        const char* wayland = std::getenv("WAYLAND_DISPLAY");
        if ((x == nullptr || *x == '\0') && (wayland == nullptr || *wayland == '\0')) {
            return false;
        }
        const char* driver = StartVideo() ? SDL_GetCurrentVideoDriver() : nullptr;
        return driver != nullptr &&
               (std::strcmp(driver, "x11") == 0 || std::strcmp(driver, "wayland") == 0);
    }();
    if (!layoutKnown) {
        return {};
    }
    const SDL_Scancode scancode = SDL_GetScancodeFromName(name.c_str());
    const char* label = SDL_GetKeyName(SDL_GetKeyFromScancode(scancode));
    return scancode != SDL_SCANCODE_UNKNOWN && label != nullptr ? label : "";
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
        if (!WindowedSizeFits()) {
            ChooseWindowedSize();
        }
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
    // The window system makes a newly shown window the active one, and the
    // game takes itself as active from here. Without a window manager no
    // focus event may ever come; the one a window manager does send is no news.
    reportedActive = true;
}

void DestroyMainWindow() {
    if (windowSizeUnsaved) {
        windowSizeUnsaved = false;
        current.windowWidth = windowedWidth;
        current.windowHeight = windowedHeight;
        KeepSettings();
    }
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
    sdlplat::PostJoysticks();
    if (paused) {
        StayPaused();
    }
}

void WaitEvents() {
    // Sleep until something is posted for the game: a resize or a joystick
    // plugged in are handled here and sleep on.
    eventsPosted = 0;
    while (eventsPosted == 0) {
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
    if (!presentChosen) {
        ChoosePath();
    }
    if (useSurface) {
        if (OpenSurface()) {
            return true;
        }
        useSurface = false;
        std::fprintf(stderr, "tessalune: present: gpu (the window has no surface to draw on)\n");
    }
    if (texture != nullptr) {
        return true;
    }
    return CreateRenderer();
}

void DisplayPresent(const uint16_t* pixels, int pitch, const uint8_t* rowsWritten) {
    if (pixels == nullptr || pitch < static_cast<int>(FrameWidth * sizeof(uint16_t))) {
        return;
    }
    if (signUntil == 0) {
        PresentFrame(pixels, pitch, rowsWritten);
        return;
    }
    // The sign goes over a copy; the game's own picture is left alone.
    composed.resize(static_cast<size_t>(FrameWidth) * FrameHeight);
    for (int y = 0; y < FrameHeight; ++y) {
        std::memcpy(
            &composed[static_cast<size_t>(y) * FrameWidth],
            reinterpret_cast<const unsigned char*>(pixels) + static_cast<ptrdiff_t>(y) * pitch,
            FrameWidth * sizeof(uint16_t));
    }
    DrawSignOver(composed.data());
    PresentFrame(composed.data(), FrameWidth * sizeof(uint16_t), nullptr);
}

bool DisplayTakeReset() {
    const bool reset = displayWasReset;
    displayWasReset = false;
    return reset;
}

void DisplayClose() {
    DestroyRenderer();
    surface = nullptr;
    shownFrame.Invalidate();
}

// ---- process ---------------------------------------------------------------

void Shutdown() {
    if (SDL_WasInit(0) != 0) {
        SDL_Quit();
    }
    videoStarted = false;
}

}  // namespace plat
