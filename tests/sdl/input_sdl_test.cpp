// The input path on the real SDL back-end: a virtual joystick read through the
// game's own set-up and reading, and SDL key events through the key map into
// the key state.
#include <SDL.h>
#include <gtest/gtest.h>

#include "input/input.h"
#include "platform/keys.h"
#include "platform/platform.h"
#include "platform/sdl/keymap_sdl.h"
#include "platform/sdl/sdl_internal.h"

namespace {

constexpr int StickAxes = 2;
constexpr int StickButtons = 6;

// One virtual stick, attached before the game brings up its input.
class VirtualStickTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_JOYSTICK), 0) << SDL_GetError();
        if (SDL_NumJoysticks() != 0) {
            SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
            GTEST_SKIP() << "a real joystick is attached";
        }
        Attach();
        ASSERT_EQ(InitDirectInput(), 1);
        ASSERT_EQ(InitKeyboard(), 1);
        ASSERT_EQ(InitJoystick(MaxJoysticks), 1);
        ASSERT_EQ(nJoystick, 1);
    }
    void TearDown() override {
        ReleaseInput();
        if (stick_) {
            SDL_JoystickClose(stick_);
        }
        SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
        ReleaseAllKeys();
    }

    void Attach() {
        device_ =
            SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, StickAxes, StickButtons, 0);
        ASSERT_GE(device_, 0) << SDL_GetError();
        stick_ = SDL_JoystickOpen(device_);
        ASSERT_NE(stick_, nullptr) << SDL_GetError();
    }
    void Detach() {
        SDL_JoystickClose(stick_);
        stick_ = nullptr;
        ASSERT_EQ(SDL_JoystickDetachVirtual(device_), 0) << SDL_GetError();
    }
    void Stick(int16_t x, int16_t y) {
        SDL_JoystickSetVirtualAxis(stick_, 0, x);
        SDL_JoystickSetVirtualAxis(stick_, 1, y);
    }
    void Button(int number, bool held) {
        SDL_JoystickSetVirtualButton(stick_, number - 1, held ? 1 : 0);
    }
    JoyState Read() {
        JoyState state;
        state.lX = state.lY = 12345;
        EXPECT_EQ(ReadJoyState(&state, 0), 1);
        return state;
    }

    int device_ = -1;
    SDL_Joystick* stick_ = nullptr;
};

TEST_F(VirtualStickTest, AxesArriveScaledWithTheDeadZone) {
    Stick(0, 0);
    EXPECT_EQ(Read().lX, 0);
    Stick(16384, -16384);  // the edge of the dead zone
    EXPECT_EQ(Read().lX, 0);
    EXPECT_EQ(Read().lY, 0);
    Stick(32767, -32768);
    EXPECT_EQ(Read().lX, 1000);
    EXPECT_EQ(Read().lY, -1000);
    Stick(RawAxisForScaled(500), RawAxisForScaled(-1));
    EXPECT_EQ(Read().lX, 500);
    EXPECT_EQ(Read().lY, -1);
}

TEST_F(VirtualStickTest, DirectionAndButtonsEndToEnd) {
    Stick(RawAxisForScaled(700), RawAxisForScaled(-700));
    EXPECT_EQ(GetJoyDirection(0), 0);
    Stick(RawAxisForScaled(701), RawAxisForScaled(-701));
    EXPECT_EQ(GetJoyDirection(0), 9);
    Stick(-32768, 32767);
    EXPECT_EQ(GetJoyDirection(0), 1);
    EXPECT_EQ(GetJoyDirection(1), 0);  // no second stick in use

    EXPECT_EQ(GetJoyButton(0), 0);
    Button(5, true);  // the stick has it, the game does not read it
    EXPECT_EQ(GetJoyButton(0), 0);
    Button(2, true);
    Button(4, true);
    EXPECT_EQ(GetJoyButton(0), 4);
    Button(4, false);
    EXPECT_EQ(GetJoyButton(0), 2);
}

TEST_F(VirtualStickTest, UnpluggedReadsAsNothingAndComesBack) {
    Stick(32767, 0);
    Button(2, true);
    EXPECT_EQ(GetJoyDirection(0), 6);
    Detach();
    // However the loss is noticed, by the read or by the device event.
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
        sdlplat::JoyDeviceEvent(event);
    }
    JoyState state;
    EXPECT_EQ(ReadJoyState(&state, 0), 0);
    EXPECT_EQ(GetJoyDirection(0), 0);
    EXPECT_EQ(GetJoyButton(0), 0);

    // The arrows take over at once.
    KeyEvent(VK_LEFT, true);
    int direction = -1, button = -1;
    ReadFrameInput(PlayKeys, 2, &direction, &button);
    EXPECT_EQ(direction, 4);
    EXPECT_EQ(button, 0);
    KeyEvent(VK_LEFT, false);

    Attach();
    Stick(0, 32767);
    Button(1, true);
    EXPECT_EQ(GetJoyDirection(0), 2);
    EXPECT_EQ(GetJoyButton(0), 1);
}

TEST(InputSdlDevices, NoJoystickIsNoFailure) {
    ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_JOYSTICK), 0) << SDL_GetError();
    if (SDL_NumJoysticks() != 0) {
        SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
        GTEST_SKIP() << "a real joystick is attached";
    }
    ASSERT_EQ(InitDirectInput(), 1);
    EXPECT_EQ(InitJoystick(MaxJoysticks), 1);
    EXPECT_EQ(nJoystickLimit, 0);
    EXPECT_EQ(nJoystick, 0);
    EXPECT_EQ(GetJoyDirection(0), 0);
    EXPECT_EQ(GetJoyButton(0), 0);
    ReleaseInput();
    ReleaseInput();  // a second release finds nothing left to do
    SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
}

TEST(InputSdlDevices, TwoOfThreeSticksInEnumerationOrder) {
    ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_JOYSTICK), 0) << SDL_GetError();
    if (SDL_NumJoysticks() != 0) {
        SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
        GTEST_SKIP() << "a real joystick is attached";
    }
    SDL_Joystick* sticks[3];
    for (int i = 0; i < 3; ++i) {
        const int device = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, 2, 4, 0);
        ASSERT_EQ(device, i);
        sticks[i] = SDL_JoystickOpen(device);
        SDL_JoystickSetVirtualButton(sticks[i], i, 1);  // stick i holds button i + 1
    }
    ASSERT_EQ(InitDirectInput(), 1);
    EXPECT_EQ(InitJoystick(MaxJoysticks), 1);
    EXPECT_EQ(nJoystickLimit, 2);
    EXPECT_EQ(nJoystick, 2);
    EXPECT_EQ(GetJoyButton(0), 1);
    EXPECT_EQ(GetJoyButton(1), 2);
    EXPECT_EQ(GetJoyButton(2), 0);
    ReleaseInput();
    for (SDL_Joystick* stick : sticks) {
        SDL_JoystickClose(stick);
    }
    for (int i = 2; i >= 0; --i) {
        SDL_JoystickDetachVirtual(i);
    }
    SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
}

TEST(InputSdlKeys, PhysicalKeysMapToTheGamesKeys) {
    const struct {
        SDL_Scancode scancode;
        int vk;
    } map[] = {
        {SDL_SCANCODE_LEFT, VK_LEFT},     {SDL_SCANCODE_RIGHT, VK_RIGHT},
        {SDL_SCANCODE_UP, VK_UP},         {SDL_SCANCODE_DOWN, VK_DOWN},
        {SDL_SCANCODE_Z, VK_Z},           {SDL_SCANCODE_X, VK_X},
        {SDL_SCANCODE_C, VK_C},           {SDL_SCANCODE_V, VK_V},
        {SDL_SCANCODE_B, VK_B},           {SDL_SCANCODE_M, VK_M},
        {SDL_SCANCODE_RETURN, VK_RETURN}, {SDL_SCANCODE_KP_ENTER, VK_RETURN},
        {SDL_SCANCODE_LSHIFT, VK_LSHIFT}, {SDL_SCANCODE_RSHIFT, VK_RSHIFT},
        {SDL_SCANCODE_ESCAPE, VK_ESCAPE}, {SDL_SCANCODE_A, 0},
        {SDL_SCANCODE_SPACE, 0},          {SDL_SCANCODE_KP_8, 0},
        {SDL_SCANCODE_UNKNOWN, 0},
    };
    for (const auto& m : map) {
        EXPECT_EQ(sdlplat::VirtualKeyForScancode(m.scancode), m.vk)
            << SDL_GetScancodeName(m.scancode);
    }
}

// Real SDL key events, through the event queue, into the key state.
class SdlKeyEventTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_EVENTS), 0) << SDL_GetError();
        ReleaseAllKeys();
    }
    void TearDown() override {
        ReleaseAllKeys();
        SDL_QuitSubSystem(SDL_INIT_EVENTS);
    }
    // Pushes one key event, takes it back off the queue and feeds it in;
    // returns what the translation handed on.
    int Send(SDL_Scancode scancode, bool down, bool repeat = false) {
        SDL_Event event{};
        event.type = down ? SDL_KEYDOWN : SDL_KEYUP;
        event.key.state = down ? SDL_PRESSED : SDL_RELEASED;
        event.key.repeat = repeat ? 1 : 0;
        event.key.keysym.scancode = scancode;
        // The symbol a French layout would give for the Z position: the map
        // must go by position, not by symbol.
        event.key.keysym.sym = scancode == SDL_SCANCODE_Z ? SDLK_w : SDLK_UNKNOWN;
        EXPECT_EQ(SDL_PushEvent(&event), 1) << SDL_GetError();
        SDL_Event got;
        int handed = -1;
        while (SDL_PollEvent(&got)) {
            if (got.type == SDL_KEYDOWN || got.type == SDL_KEYUP) {
                handed = sdlplat::TranslateKeyEvent(got);
            }
        }
        return handed;
    }
};

TEST_F(SdlKeyEventTest, PressHoldAndRelease) {
    EXPECT_EQ(Send(SDL_SCANCODE_Z, true), VK_Z);
    EXPECT_EQ(GetAsyncKeyState(VK_Z), 0x8001);
    // Held with the key repeating: down, but never a new press.
    EXPECT_EQ(Send(SDL_SCANCODE_Z, true, true), 0);
    EXPECT_EQ(GetAsyncKeyState(VK_Z), 0x8000);
    EXPECT_EQ(Send(SDL_SCANCODE_Z, false), 0);
    EXPECT_EQ(GetAsyncKeyState(VK_Z), 0);
    // A tap between two queries still counts once.
    Send(SDL_SCANCODE_KP_ENTER, true);
    Send(SDL_SCANCODE_KP_ENTER, false);
    EXPECT_EQ(GetAsyncKeyState(VK_RETURN), 0x0001);
    EXPECT_EQ(GetAsyncKeyState(VK_RETURN), 0);
    // A repeat whose press was never seen is no press either.
    EXPECT_EQ(Send(SDL_SCANCODE_X, true, true), 0);
    EXPECT_EQ(GetAsyncKeyState(VK_X), 0);
    // Keys the game does not read change nothing and are not handed on.
    EXPECT_EQ(Send(SDL_SCANCODE_A, true), 0);
    EXPECT_EQ(Send(SDL_SCANCODE_ESCAPE, true), VK_ESCAPE);
}

TEST_F(SdlKeyEventTest, EitherShiftIsShiftUntilBothAreUp) {
    Send(SDL_SCANCODE_LSHIFT, true);
    EXPECT_EQ(GetAsyncKeyState(VK_SHIFT), 0x8001);
    Send(SDL_SCANCODE_RSHIFT, true);
    Send(SDL_SCANCODE_LSHIFT, false);
    EXPECT_NE(GetAsyncKeyState(VK_SHIFT) & 0x8000, 0);
    Send(SDL_SCANCODE_RSHIFT, false);
    EXPECT_EQ(GetAsyncKeyState(VK_SHIFT), 0);
    // Cancel in the result scene from the right-hand Shift alone.
    Send(SDL_SCANCODE_RSHIFT, true);
    int direction = -1, button = -1;
    ReadFrameInput(ResultKeys, 4, &direction, &button);
    EXPECT_EQ(button, 2);
}

}  // namespace
