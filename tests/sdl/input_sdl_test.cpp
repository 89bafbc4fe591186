// The input path on the real SDL back-end: virtual joysticks and pads read
// through the game's own set-up and reading, and SDL key events through the
// key map into the key state.
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "input/events.h"
#include "input/input.h"
#include "input/keys.h"
#include "platform/platform.h"
#include "platform/sdl/keymap_sdl.h"
#include "platform/sdl/sdl_internal.h"
#include "support/game.h"

namespace {

// A virtual device's GUID holds only the start of its name, so the two names
// differ early. A stick SDL knows no layout for, read as it comes:
constexpr const char* StickName = "Plain stick";
constexpr int StickButtons = 6;
// A pad whose layout the player gives in SDL_GAMECONTROLLERCONFIG, with its
// face buttons wired out of order and its D-pad on a hat, as many pads are.
constexpr const char* PadName = "Mapped pad";
constexpr int PadSouth = 3, PadEast = 2, PadWest = 0, PadNorth = 1;
constexpr const char* PadLayout =
    "a:b3,b:b2,x:b0,y:b1,leftx:a0,lefty:a1,dpup:h0.1,dpright:h0.2,dpdown:h0.4,dpleft:h0.8,";

enum class Kind { Stick, Pad };

SDL_Joystick* AttachVirtual(Kind kind) {
    const bool pad = kind == Kind::Pad;
    SDL_VirtualJoystickDesc desc{};
    desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
    desc.type = SDL_JOYSTICK_TYPE_UNKNOWN;
    desc.naxes = 2;
    desc.nbuttons = pad ? 4 : StickButtons;
    desc.nhats = pad ? 1 : 0;
    desc.name = pad ? PadName : StickName;
    const int device = SDL_JoystickAttachVirtualEx(&desc);
    return device < 0 ? nullptr : SDL_JoystickOpen(device);
}

void DetachVirtual(SDL_Joystick* joystick) {
    const SDL_JoystickID id = SDL_JoystickInstanceID(joystick);
    SDL_JoystickClose(joystick);
    for (int device = 0; device < SDL_NumJoysticks(); ++device) {
        if (SDL_JoystickGetDeviceInstanceID(device) == id) {
            SDL_JoystickDetachVirtual(device);
            return;
        }
    }
}

// Virtual devices plugged in and out around the game's own input.
class JoystickTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_JOYSTICK), 0) << SDL_GetError();
        if (SDL_NumJoysticks() != 0) {
            SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
            GTEST_SKIP() << "a real joystick is attached";
        }
        // The pad's mapping, as a player writes it: by the device's GUID
        // without the name checksum. SDL reads it when its joysticks start.
        SDL_Joystick* probe = AttachVirtual(Kind::Pad);
        ASSERT_NE(probe, nullptr) << SDL_GetError();
        char guid[33];
        SDL_JoystickGetGUIDString(SDL_JoystickGetGUID(probe), guid, sizeof guid);
        DetachVirtual(probe);
        std::string mapping = std::string(guid) + "," + PadName + "," + PadLayout;
        mapping.replace(4, 4, "0000");
        setenv("SDL_GAMECONTROLLERCONFIG", mapping.c_str(), 1);
        SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
        ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_JOYSTICK), 0) << SDL_GetError();
    }
    void TearDown() override {
        ReleaseInput();
        for (SDL_Joystick* device : plugged_) {
            DetachVirtual(device);
        }
        SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
        ReleaseAllKeys();
        unsetenv("SDL_GAMECONTROLLERCONFIG");
    }

    // The game's start-up of its input.
    void Start() {
        ASSERT_EQ(InitDirectInput(), 1);
        ASSERT_EQ(InitKeyboard(), 1);
        ASSERT_EQ(InitJoystick(MaxJoysticks), 1);
        ASSERT_EQ(nJoystick, MaxJoysticks);  // both places, filled or waiting
    }
    SDL_Joystick* Plug(Kind kind) {
        SDL_Joystick* device = AttachVirtual(kind);
        EXPECT_NE(device, nullptr) << SDL_GetError();
        plugged_.push_back(device);
        return device;
    }
    // Each change reaches the game as the event pump would hand it over.
    void Unplug(SDL_Joystick* device) {
        std::erase(plugged_, device);
        DetachVirtual(device);
        sdlplat::PostJoysticks();
    }
    static void Stick(SDL_Joystick* device, int16_t x, int16_t y) {
        SDL_JoystickSetVirtualAxis(device, 0, x);
        SDL_JoystickSetVirtualAxis(device, 1, y);
        sdlplat::PostJoysticks();
    }
    static void Button(SDL_Joystick* device, int raw, bool held) {
        SDL_JoystickSetVirtualButton(device, raw, held ? 1 : 0);
        sdlplat::PostJoysticks();
    }
    static void Hat(SDL_Joystick* device, Uint8 hat) {
        SDL_JoystickSetVirtualHat(device, 0, hat);
        sdlplat::PostJoysticks();
    }
    static JoyState Read() {
        JoyState state;
        state.lX = state.lY = 12345;
        EXPECT_EQ(ReadJoyState(&state, 0), 1);
        return state;
    }

    std::vector<SDL_Joystick*> plugged_;
};

TEST_F(JoystickTest, AxesArriveScaledWithTheDeadZone) {
    for (const Kind kind : {Kind::Stick, Kind::Pad}) {
        SCOPED_TRACE(kind == Kind::Pad ? PadName : StickName);
        SDL_Joystick* device = Plug(kind);
        Start();
        Stick(device, 0, 0);
        EXPECT_EQ(Read().lX, 0);
        Stick(device, 16384, -16384);  // the edge of the dead zone
        EXPECT_EQ(Read().lX, 0);
        EXPECT_EQ(Read().lY, 0);
        Stick(device, 32767, -32768);
        EXPECT_EQ(Read().lX, 1000);
        EXPECT_EQ(Read().lY, -1000);
        Stick(device, RawAxisForScaled(500), RawAxisForScaled(-1));
        EXPECT_EQ(Read().lX, 500);
        EXPECT_EQ(Read().lY, -1);
        ReleaseInput();
        Unplug(device);
    }
}

TEST_F(JoystickTest, UnmappedStickDirectionAndButtonsAsTheyCome) {
    SDL_Joystick* stick = Plug(Kind::Stick);
    Start();
    Stick(stick, RawAxisForScaled(700), RawAxisForScaled(-700));
    EXPECT_EQ(GetJoyDirection(0), 0);
    Stick(stick, RawAxisForScaled(701), RawAxisForScaled(-701));
    EXPECT_EQ(GetJoyDirection(0), 9);
    Stick(stick, -32768, 32767);
    EXPECT_EQ(GetJoyDirection(0), 1);
    EXPECT_EQ(GetJoyDirection(1), 0);  // the second place is empty

    EXPECT_EQ(GetJoyButton(0), 0);
    Button(stick, 4, true);  // the stick has it, the game does not read it
    EXPECT_EQ(GetJoyButton(0), 0);
    Button(stick, 1, true);
    Button(stick, 3, true);
    EXPECT_EQ(GetJoyButton(0), 4);
    Button(stick, 3, false);
    EXPECT_EQ(GetJoyButton(0), 2);
}

TEST_F(JoystickTest, PadFaceButtonsByPosition) {
    SDL_Joystick* pad = Plug(Kind::Pad);
    Start();
    const int order[] = {PadSouth, PadEast, PadWest, PadNorth};
    for (int i = 0; i < 4; ++i) {
        Button(pad, order[i], true);
        EXPECT_EQ(GetJoyButton(0), i + 1);
        Button(pad, order[i], false);
    }
    // The game's own rule stays: of several held, the highest number wins.
    Button(pad, PadNorth, true);
    Button(pad, PadSouth, true);
    EXPECT_EQ(GetJoyButton(0), 4);
}

TEST_F(JoystickTest, PadDpadIsTheStickPushedFully) {
    SDL_Joystick* pad = Plug(Kind::Pad);
    Start();
    const struct {
        Uint8 hat;
        int direction;
    } dpad[] = {
        {SDL_HAT_CENTERED, 0}, {SDL_HAT_UP, 8},        {SDL_HAT_RIGHTUP, 9},
        {SDL_HAT_RIGHT, 6},    {SDL_HAT_RIGHTDOWN, 3}, {SDL_HAT_DOWN, 2},
        {SDL_HAT_LEFTDOWN, 1}, {SDL_HAT_LEFT, 4},      {SDL_HAT_LEFTUP, 7},
    };
    for (const auto& d : dpad) {
        Hat(pad, d.hat);
        EXPECT_EQ(GetJoyDirection(0), d.direction) << int{d.hat};
    }
    Hat(pad, SDL_HAT_LEFT);
    EXPECT_EQ(Read().lX, -1000);
    // A stick pushed less far loses on the D-pad's axis and keeps the other.
    Stick(pad, RawAxisForScaled(900), RawAxisForScaled(-800));
    EXPECT_EQ(Read().lX, -1000);
    EXPECT_EQ(Read().lY, -800);
    EXPECT_EQ(GetJoyDirection(0), 7);
    Hat(pad, SDL_HAT_CENTERED);
    EXPECT_EQ(GetJoyDirection(0), 9);
}

TEST_F(JoystickTest, UnpluggedReadsAsNothingAndComesBack) {
    SDL_Joystick* stick = Plug(Kind::Stick);
    Start();
    Stick(stick, 32767, 0);
    Button(stick, 1, true);
    EXPECT_EQ(GetJoyDirection(0), 6);
    Unplug(stick);
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
    testgame::Key(VK_LEFT, true);
    int direction = -1, button = -1;
    ReadFrameInput(PlayKeys, 2, &direction, &button);
    EXPECT_EQ(direction, 4);
    EXPECT_EQ(button, 0);
    testgame::Key(VK_LEFT, false);

    // Another kind of device takes the place as well as the same one.
    for (const Kind kind : {Kind::Pad, Kind::Stick}) {
        SCOPED_TRACE(kind == Kind::Pad ? PadName : StickName);
        SDL_Joystick* again = Plug(kind);
        Stick(again, 0, 32767);
        Button(again, 0, true);
        EXPECT_EQ(GetJoyDirection(0), 2);
        EXPECT_EQ(GetJoyButton(0), kind == Kind::Pad ? 3 : 1);  // raw 0 is the pad's west
        Unplug(again);
        EXPECT_EQ(GetJoyDirection(0), 0);
    }
}

TEST_F(JoystickTest, PadsPluggedInLaterTakeTheFirstFreePlace) {
    Start();
    EXPECT_EQ(GetJoyButton(0), 0);
    SDL_Joystick* first = Plug(Kind::Pad);
    Button(first, PadEast, true);
    // Asked first, the second place still leaves the pad to the first.
    EXPECT_EQ(GetJoyButton(1), 0);
    EXPECT_EQ(GetJoyButton(0), 2);
    SDL_Joystick* second = Plug(Kind::Pad);
    Button(second, PadWest, true);
    EXPECT_EQ(GetJoyButton(1), 3);
    EXPECT_EQ(GetJoyButton(0), 2);

    Unplug(first);
    EXPECT_EQ(GetJoyButton(0), 0);
    EXPECT_EQ(GetJoyButton(1), 3);
    first = Plug(Kind::Pad);
    Button(first, PadNorth, true);
    EXPECT_EQ(GetJoyButton(0), 4);
    EXPECT_EQ(GetJoyButton(1), 3);
}

TEST_F(JoystickTest, NoJoystickIsNoFailure) {
    Start();
    EXPECT_EQ(GetJoyDirection(0), 0);
    EXPECT_EQ(GetJoyButton(0), 0);
    ReleaseInput();
    ReleaseInput();  // a second release finds nothing left to do
}

TEST_F(JoystickTest, TwoOfThreeInEnumerationOrder) {
    SDL_Joystick* devices[3] = {Plug(Kind::Pad), Plug(Kind::Stick), Plug(Kind::Pad)};
    Button(devices[0], PadSouth, true);
    Button(devices[1], 1, true);
    Button(devices[2], PadWest, true);
    Start();
    EXPECT_EQ(nJoystickLimit, 2);
    EXPECT_EQ(GetJoyButton(0), 1);
    EXPECT_EQ(GetJoyButton(1), 2);
    EXPECT_EQ(GetJoyButton(2), 0);
    // Left over, the third one stands in when a place is free again.
    Unplug(devices[0]);
    EXPECT_EQ(GetJoyButton(0), 3);
    EXPECT_EQ(GetJoyButton(1), 2);
}

TEST(InputSdlKeys, PhysicalKeysMapToTheGamesKeys) {
    struct KeyFor {
        SDL_Scancode scancode;
        int vk;
    };
    const KeyFor map[] = {
        {SDL_SCANCODE_LEFT, VK_LEFT},     {SDL_SCANCODE_RIGHT, VK_RIGHT},
        {SDL_SCANCODE_UP, VK_UP},         {SDL_SCANCODE_DOWN, VK_DOWN},
        {SDL_SCANCODE_Z, VK_Z},           {SDL_SCANCODE_X, VK_X},
        {SDL_SCANCODE_C, VK_C},           {SDL_SCANCODE_V, VK_V},
        {SDL_SCANCODE_B, VK_B},           {SDL_SCANCODE_M, VK_M},
        {SDL_SCANCODE_RETURN, VK_RETURN}, {SDL_SCANCODE_KP_ENTER, VK_RETURN},
        {SDL_SCANCODE_LSHIFT, VK_LSHIFT}, {SDL_SCANCODE_RSHIFT, VK_RSHIFT},
        {SDL_SCANCODE_ESCAPE, VK_ESCAPE}, {SDL_SCANCODE_A, 0},
        {SDL_SCANCODE_SPACE, 0},          {SDL_SCANCODE_KP_5, 0},
        {SDL_SCANCODE_UNKNOWN, 0},
    };
    for (const auto& m : map) {
        for (const bool numLock : {false, true}) {
            EXPECT_EQ(sdlplat::VirtualKeyForScancode(m.scancode, numLock), m.vk)
                << SDL_GetScancodeName(m.scancode);
        }
    }
    // The keypad's arrows are arrows only while Num Lock is off.
    const KeyFor keypad[] = {{SDL_SCANCODE_KP_4, VK_LEFT},
                             {SDL_SCANCODE_KP_6, VK_RIGHT},
                             {SDL_SCANCODE_KP_8, VK_UP},
                             {SDL_SCANCODE_KP_2, VK_DOWN}};
    for (const auto& k : keypad) {
        EXPECT_EQ(sdlplat::VirtualKeyForScancode(k.scancode, false), k.vk);
        EXPECT_EQ(sdlplat::VirtualKeyForScancode(k.scancode, true), 0);
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
    // returns the key of a key-down handed on to the game, else 0.
    int Send(SDL_Scancode scancode, bool down, bool repeat = false, Uint16 mod = KMOD_NONE) {
        SDL_Event event{};
        event.type = down ? SDL_KEYDOWN : SDL_KEYUP;
        event.key.state = down ? SDL_PRESSED : SDL_RELEASED;
        event.key.repeat = repeat ? 1 : 0;
        event.key.keysym.scancode = scancode;
        event.key.keysym.mod = mod;
        // The symbol a French layout would give for the Z position: the map
        // must go by position, not by symbol.
        event.key.keysym.sym = scancode == SDL_SCANCODE_Z ? SDLK_w : SDLK_UNKNOWN;
        EXPECT_EQ(SDL_PushEvent(&event), 1) << SDL_GetError();
        SDL_Event got;
        int handed = 0;
        events::Hooks hooks;
        hooks.seen = [&](int, const plat::Event& e) {
            handed = e.kind == plat::EventKind::KeyDown ? e.key : 0;
        };
        events::SetHooks(hooks);
        while (SDL_PollEvent(&got)) {
            if (got.type == SDL_KEYDOWN || got.type == SDL_KEYUP) {
                sdlplat::TranslateKeyEvent(got);
            }
        }
        events::SetHooks({});
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

TEST_F(SdlKeyEventTest, KeypadArrowsAndEnterWithNumLockOff) {
    int direction = -1, button = -1;
    EXPECT_EQ(Send(SDL_SCANCODE_KP_4, true), VK_LEFT);
    EXPECT_EQ(Send(SDL_SCANCODE_KP_ENTER, true), VK_RETURN);
    ReadFrameInput(PlayKeys, 2, &direction, &button);
    EXPECT_EQ(direction, 4);
    EXPECT_EQ(button, 1);
    Send(SDL_SCANCODE_KP_ENTER, false);
    // Num Lock comes on while the key is held: letting go still lets go.
    EXPECT_EQ(Send(SDL_SCANCODE_KP_4, false, false, KMOD_NUM), 0);
    EXPECT_EQ(GetAsyncKeyState(VK_LEFT) & 0x8000, 0);
    // With Num Lock on the keypad types digits, which the game does not read.
    EXPECT_EQ(Send(SDL_SCANCODE_KP_8, true, false, KMOD_NUM), 0);
    EXPECT_EQ(GetAsyncKeyState(VK_UP), 0);
    // Nor does its key-up let go of the arrow held beside it.
    Send(SDL_SCANCODE_UP, true);
    Send(SDL_SCANCODE_KP_8, false, false, KMOD_NONE);
    ReadFrameInput(PlayKeys, 2, &direction, &button);
    EXPECT_EQ(direction, 8);
}

}  // namespace
