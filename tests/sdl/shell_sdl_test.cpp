// The SDL back-end of the shell: the single-instance lock between processes,
// and SDL's events as the window procedure gets them. Runs without a display.
#include <SDL.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "input/keys.h"
#include "input/messages.h"
#include "platform/platform.h"
#include "platform/sdl/sdl_internal.h"
#include "support/scratch.h"

namespace {

namespace fs = std::filesystem;

// Each test gets a runtime directory of its own, so that a game running on
// this machine and the tests never see each other's lock.
class LockTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_FALSE(dir_.empty());
        setenv("XDG_RUNTIME_DIR", dir_.c_str(), 1);
    }
    void TearDown() override {
        plat::ReleaseInstanceLock();
        unsetenv("XDG_RUNTIME_DIR");
    }
    const ScratchDir scratch_{"lock"};
    const std::string dir_ = scratch_.path().string();
};

TEST_F(LockTest, AnotherCopyTurnsTheGameAwayUntilItEnds) {
    ASSERT_TRUE(plat::AcquireInstanceLock("Tessalune"));
    EXPECT_TRUE(fs::exists(dir_ + "/tessalune.lock"));
    plat::ReleaseInstanceLock();
    // Another copy of the game: an open of the same lock file of its own,
    // locked the same way (a lock on one open file keeps out every other).
    const int other = open((dir_ + "/tessalune.lock").c_str(), O_RDWR);
    ASSERT_GE(other, 0);
    ASSERT_EQ(flock(other, LOCK_EX | LOCK_NB), 0);
    EXPECT_FALSE(plat::AcquireInstanceLock("Tessalune"));
    EXPECT_FALSE(plat::AcquireInstanceLock("Tessalune"));  // and again, nothing leaks
    // The lock goes with the copy that held it.
    close(other);
    EXPECT_TRUE(plat::AcquireInstanceLock("Tessalune"));
}

TEST_F(LockTest, LockFileThatCannotBeMadeDoesNotKeepThePlayerOut) {
    // A directory, or a link planted where the lock file goes.
    ASSERT_EQ(mkdir((dir_ + "/tessalune.lock").c_str(), 0700), 0);
    EXPECT_TRUE(plat::AcquireInstanceLock("Tessalune"));
    plat::ReleaseInstanceLock();
    fs::remove(dir_ + "/tessalune.lock");
    fs::create_symlink(dir_ + "/elsewhere", dir_ + "/tessalune.lock");
    EXPECT_TRUE(plat::AcquireInstanceLock("Tessalune"));
    EXPECT_FALSE(fs::exists(dir_ + "/elsewhere"));
}

// The window on SDL's off-screen driver, fed with made-up SDL events.
class EventTest : public ::testing::Test {
  protected:
    void SetUp() override {
        // Message boxes must not find a real display to block on.
        unsetenv("DISPLAY");
        unsetenv("WAYLAND_DISPLAY");
        setenv("SDL_VIDEODRIVER", "offscreen", 1);
        ClearMessages();
        ReleaseAllKeys();
        ASSERT_TRUE(plat::CreateMainWindow("Win32 Application")) << SDL_GetError();
        ASSERT_NE(sdlplat::Window(), nullptr);
        ASSERT_TRUE(plat::DisplayOpen()) << SDL_GetError();
        plat::ShowMainWindow();
        plat::PumpEvents();
    }
    void TearDown() override {
        plat::DisplayClose();
        plat::DestroyMainWindow();
        ClearMessages();
    }

    static void Push(const SDL_Event& e) {
        SDL_Event copy = e;
        ASSERT_EQ(SDL_PushEvent(&copy), 1) << SDL_GetError();
    }
    static void WindowEvent(Uint8 event) {
        SDL_Event e{};
        e.type = SDL_WINDOWEVENT;
        e.window.windowID = SDL_GetWindowID(sdlplat::Window());
        e.window.event = event;
        Push(e);
    }
    static void Focus(bool gained) {
        WindowEvent(gained ? SDL_WINDOWEVENT_FOCUS_GAINED : SDL_WINDOWEVENT_FOCUS_LOST);
    }
    static void Key(SDL_Scancode code, bool down, bool repeat = false, Uint16 mod = KMOD_NONE) {
        SDL_Event e{};
        e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
        e.key.windowID = SDL_GetWindowID(sdlplat::Window());
        e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
        e.key.repeat = repeat ? 1 : 0;
        e.key.keysym.scancode = code;
        e.key.keysym.sym = SDL_GetKeyFromScancode(code);
        e.key.keysym.mod = mod;
        Push(e);
    }
    static void Simple(Uint32 type) {
        SDL_Event e{};
        e.type = type;
        Push(e);
    }
    // Every message waiting, as (message, wParam).
    using List = std::vector<std::pair<uint32_t, intptr_t>>;
    static List Taken() {
        List all;
        for (Msg m; TakeMessage(&m);) {
            all.emplace_back(m.message, m.wParam);
        }
        return all;
    }
};

TEST_F(EventTest, ShowingTheWindowMakesTheGameActiveOnce) {
    // Shown in SetUp: the game takes itself as active (WinMain says so), and
    // neither the showing nor the focus event a window manager sends
    // afterwards is news from the window.
    EXPECT_EQ(Taken(), List{});
    Focus(true);
    plat::PumpEvents();
    EXPECT_EQ(Taken(), List{});
}

TEST_F(EventTest, FocusChangesBecomeActivationsAndLetGoOfKeys) {
    Taken();
    Key(SDL_SCANCODE_RIGHT, true);
    plat::PumpEvents();
    EXPECT_EQ(Taken(), (List{{WM_KEYDOWN, VK_RIGHT}}));
    EXPECT_TRUE(GetAsyncKeyState(VK_RIGHT) & 0x8000);

    Focus(false);
    Focus(false);
    plat::PumpEvents();
    EXPECT_EQ(Taken(), (List{{WM_ACTIVATEAPP, 0}}));
    EXPECT_FALSE(GetAsyncKeyState(VK_RIGHT) & 0x8000);

    Focus(true);
    plat::PumpEvents();
    EXPECT_EQ(Taken(), (List{{WM_ACTIVATEAPP, 1}}));
}

TEST_F(EventTest, KeysQuitAndMusicEndBecomeTheWindowsMessages) {
    Taken();
    Key(SDL_SCANCODE_ESCAPE, true);
    Key(SDL_SCANCODE_ESCAPE, true, true);  // a repeat is no new message
    Key(SDL_SCANCODE_ESCAPE, false);
    Simple(sdlplat::MusicEndEventType());
    Simple(SDL_QUIT);
    plat::PumpEvents();
    EXPECT_EQ(Taken(), (List{{WM_KEYDOWN, VK_ESCAPE}, {MM_MCINOTIFY, 0}, {WM_CLOSE, 0}}));
}

TEST_F(EventTest, AltEnterIsTheWindowsAndNotTheGames) {
    Taken();
    Key(SDL_SCANCODE_RETURN, true, false, KMOD_LALT);
    plat::PumpEvents();
    EXPECT_EQ(Taken(), List{});
    EXPECT_EQ(GetAsyncKeyState(VK_RETURN), 0);
    Key(SDL_SCANCODE_RETURN, false, false, KMOD_LALT);
    Key(SDL_SCANCODE_RETURN, true, false, KMOD_LALT);  // and back
    Key(SDL_SCANCODE_RETURN, false);
    plat::PumpEvents();
    EXPECT_EQ(Taken(), List{});
    Key(SDL_SCANCODE_RETURN, true);
    plat::PumpEvents();
    EXPECT_EQ(Taken(), (List{{WM_KEYDOWN, VK_RETURN}}));
}

TEST_F(EventTest, MovedKeysDriveTheGameAndBindingsThatCannotBeFallBack) {
    std::vector<std::string> said;
    settings::Settings s =
        settings::Parse("key-confirm = W\nkey-cancel = W\nkey-up = P\nkey-m = Nowhere\n", &said);
    testing::internal::CaptureStderr();
    plat::UseSettings(s, "test.conf", nullptr);
    EXPECT_TRUE(said.empty());
    const std::string complaints = testing::internal::GetCapturedStderr();
    EXPECT_EQ(std::count(complaints.begin(), complaints.end(), '\n'), 3) << complaints;
    Taken();
    for (SDL_Scancode k :
         {SDL_SCANCODE_W, SDL_SCANCODE_Z, SDL_SCANCODE_X, SDL_SCANCODE_UP, SDL_SCANCODE_M}) {
        Key(k, true);
        Key(k, false);
    }
    plat::PumpEvents();
    EXPECT_EQ(
        Taken(),
        (List{{WM_KEYDOWN, VK_Z}, {WM_KEYDOWN, VK_X}, {WM_KEYDOWN, VK_UP}, {WM_KEYDOWN, VK_M}}));
    plat::UseSettings(settings::Settings{}, "", nullptr);
}

// A pause holds the game's clock and its keys: a key pressed meanwhile is no
// press, one let go is let go, and the clock goes on from where it stood.
TEST_F(EventTest, PauseHoldsTheClockAndTheGamesKeysUntilResumed) {
    ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_TIMER), 0) << SDL_GetError();
    Key(SDL_SCANCODE_RIGHT, true);
    plat::PumpEvents();
    Taken();
    const uint32_t clockBefore = plat::GetTicks();
    const Uint32 realBefore = SDL_GetTicks();
    Key(SDL_SCANCODE_P, true);
    const SDL_TimerID timer = SDL_AddTimer(
        300,
        [](Uint32, void*) -> Uint32 {
            Key(SDL_SCANCODE_Z, true);
            Key(SDL_SCANCODE_RIGHT, false);
            Key(SDL_SCANCODE_P, false);
            Key(SDL_SCANCODE_P, true);
            return 0;
        },
        nullptr);
    ASSERT_NE(timer, 0) << SDL_GetError();
    plat::PumpEvents();
    EXPECT_GE(SDL_GetTicks() - realBefore, 300u);
    EXPECT_LT(plat::GetTicks() - clockBefore, 100u) << "the clock ran on through the pause";
    EXPECT_EQ(Taken(), List{});
    EXPECT_EQ(GetAsyncKeyState(VK_Z), 0);
    EXPECT_FALSE(GetAsyncKeyState(VK_RIGHT) & 0x8000) << "a key let go in a pause stays held";
}

TEST_F(EventTest, DisplayResetIsReportedOnceAndPresentGoesOn) {
    EXPECT_FALSE(plat::DisplayTakeReset());
    Simple(SDL_RENDER_TARGETS_RESET);
    plat::PumpEvents();
    EXPECT_TRUE(plat::DisplayTakeReset());
    EXPECT_FALSE(plat::DisplayTakeReset());
    Simple(SDL_RENDER_DEVICE_RESET);
    plat::PumpEvents();
    EXPECT_TRUE(plat::DisplayTakeReset());
    std::vector<uint16_t> frame(640 * 480, 0xF800);
    plat::DisplayPresent(frame.data(), 640 * 2);
    plat::DisplayPresent(frame.data(), 640 * 2);
    plat::DisplayPresent(nullptr, 0);
}

// The window's own pixels, where the software renderer leaves each picture.
class PresentTest : public EventTest {
  protected:
    void SetUp() override {
        EventTest::SetUp();
        SDL_SetHint(SDL_HINT_RENDER_DRIVER, "software");
        plat::DisplayClose();
        ASSERT_TRUE(plat::DisplayOpen()) << SDL_GetError();
    }
    void TearDown() override {
        EventTest::TearDown();
        SDL_ResetHint(SDL_HINT_RENDER_DRIVER);
    }
    // The middle of the window, which the frame covers however it is scaled.
    static uint32_t Middle() {
        SDL_Surface* surface = SDL_GetWindowSurface(sdlplat::Window());
        EXPECT_NE(surface, nullptr) << SDL_GetError();
        if (surface == nullptr || surface->format->BytesPerPixel != 4) {
            ADD_FAILURE() << "no 32-bit window surface";
            return 0;
        }
        const auto* row = static_cast<const unsigned char*>(surface->pixels) +
                          static_cast<ptrdiff_t>(surface->h / 2) * surface->pitch;
        const uint32_t pixel = reinterpret_cast<const uint32_t*>(row)[surface->w / 2];
        Uint8 r = 0, g = 0, b = 0;
        SDL_GetRGB(pixel, surface->format, &r, &g, &b);
        return static_cast<uint32_t>(r) << 16 | static_cast<uint32_t>(g) << 8 | b;
    }
    static void Spoil() {
        SDL_Surface* surface = SDL_GetWindowSurface(sdlplat::Window());
        ASSERT_NE(surface, nullptr) << SDL_GetError();
        SDL_FillRect(surface, nullptr, SDL_MapRGB(surface->format, 1, 2, 3));
    }
    static void Show(uint16_t colour) {
        const std::vector<uint16_t> frame(640 * 480, colour);
        plat::DisplayPresent(frame.data(), 640 * 2);
    }
};

TEST_F(PresentTest, ColoursComeOutWithTheirFullRange) {
    const std::pair<uint16_t, uint32_t> cases[] = {
        {0x0000, 0x000000}, {0xFFFF, 0xFFFFFF}, {0xF800, 0xFF0000}, {0x07E0, 0x00FF00},
        {0x001F, 0x0000FF}, {0x8410, 0x848284}, {0x0821, 0x080408},
    };
    for (const auto& [in, out] : cases) {
        Show(in);
        EXPECT_EQ(Middle(), out) << std::hex << in;
    }
}

TEST_F(PresentTest, TheSamePictureIsSentAgainOnlyWhenTheWindowLostIt) {
    Show(0xF800);
    Spoil();
    Show(0xF800);
    EXPECT_EQ(Middle(), 0x010203u);  // the same picture: not sent again
    WindowEvent(SDL_WINDOWEVENT_EXPOSED);
    plat::PumpEvents();
    Show(0xF800);
    EXPECT_EQ(Middle(), 0xFF0000u);
    Spoil();
    Simple(SDL_RENDER_TARGETS_RESET);
    plat::PumpEvents();
    EXPECT_TRUE(plat::DisplayTakeReset());
    Show(0xF800);
    EXPECT_EQ(Middle(), 0xFF0000u);
}

TEST_F(EventTest, ShutDownLetsGoOfSdlAndTheWindowCanComeBack) {
    plat::DisplayClose();
    plat::DestroyMainWindow();
    plat::Shutdown();
    EXPECT_EQ(SDL_WasInit(0), 0u);
    ASSERT_TRUE(plat::CreateMainWindow("Win32 Application")) << SDL_GetError();
    EXPECT_TRUE(plat::DisplayOpen()) << SDL_GetError();
}

// The clock keeps to SDL's milliseconds but for SDL's own rounding, never
// goes back, and a sleep to a tick wakes once the clock reads it.
TEST(ClockTest, KeepsToSdlsMillisecondsAndNeverGoesBack) {
    // A player's pause (an earlier test) leaves the clock behind SDL's by as
    // long as it lasted; from there it keeps pace.
    const uint32_t behind = SDL_GetTicks() - plat::GetTicks();
    const uint32_t start = plat::GetTicks();
    uint32_t last = start;
    for (int i = 0; i < 10000000 && last - start < 5; ++i) {
        const uint32_t before = SDL_GetTicks() - behind;
        const uint32_t now = plat::GetTicks();
        const uint32_t after = SDL_GetTicks() - behind;
        ASSERT_LE(static_cast<int32_t>(before - now), 2) << i;
        ASSERT_LE(static_cast<int32_t>(now - after), 2) << i;
        ASSERT_GE(static_cast<int32_t>(now - last), 0) << i;
        last = now;
    }
    EXPECT_GE(last - start, 5u);
    for (uint32_t ahead : {1u, 3u, 0u}) {
        const uint32_t from = plat::GetTicks();
        plat::SleepUntilTick(from + ahead);
        // How far past the tick it wakes is the machine's business, not a fault.
        EXPECT_GE(plat::GetTicks() - from, ahead) << ahead;
    }
    // A tick already gone by does not sleep for the clock to come round again.
    plat::SleepUntilTick(plat::GetTicks() - 5);
}

TEST_F(EventTest, WaitingSleepsThroughWhatTheGameNeedNotHear) {
    Taken();
    Key(SDL_SCANCODE_LEFT, true);
    Key(SDL_SCANCODE_LEFT, false);
    plat::PumpEvents();
    Taken();
    // A key going up says nothing to the window procedure; the close does.
    Key(SDL_SCANCODE_LEFT, false);
    Simple(SDL_QUIT);
    plat::WaitEvents();
    EXPECT_EQ(Taken(), (List{{WM_CLOSE, 0}}));
}

TEST_F(EventTest, MessageBoxWithoutADisplayGoesOnAsIfOk) {
    testing::internal::CaptureStderr();
    plat::MessageBox("errer lpMain[3]", " ", true);
    plat::MessageBox("", "", false);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("message box [ ]: errer lpMain[3]"), std::string::npos) << err;
    EXPECT_NE(err.find("message box []: "), std::string::npos) << err;
}

}  // namespace
