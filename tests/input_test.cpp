// The direction and button codes, the key state behind them and the stick's
// scale, on the scripted platform.
#include "input/input.h"

#include <gtest/gtest.h>

#include <iterator>
#include <vector>

#include "input/keys.h"
#include "platform/platform.h"
#include "platform/script/script.h"
#include "support/game.h"

namespace {

constexpr uint16_t Down = 0x8000;
constexpr uint16_t Pressed = 0x0001;

TEST(KeyDirection, EveryCombinationOfTheFourArrows) {
    struct Row {
        int right, left, up, down, code;
    };
    const Row table[] = {
        {0, 0, 0, 0, 0}, {0, 0, 1, 0, 8}, {0, 0, 0, 1, 2}, {0, 1, 0, 0, 4},
        {1, 0, 0, 0, 6}, {0, 1, 1, 0, 7}, {1, 0, 1, 0, 9}, {0, 1, 0, 1, 1},
        {1, 0, 0, 1, 3}, {1, 1, 0, 0, 0}, {0, 0, 1, 1, 0}, {1, 1, 1, 0, 8},
        {1, 1, 0, 1, 2}, {0, 1, 1, 1, 4}, {1, 0, 1, 1, 6}, {1, 1, 1, 1, 0},
    };
    for (const Row& r : table) {
        EXPECT_EQ(GetKeyDirection(r.right, r.left, r.up, r.down), r.code)
            << "right " << r.right << " left " << r.left << " up " << r.up << " down " << r.down;
    }
}

TEST(KeyDirection, OnlyExactlyOneCountsAsHeld) {
    EXPECT_EQ(GetKeyDirection(2, 0, 0, 0), 0);
    EXPECT_EQ(GetKeyDirection(0, -1, 0, 0), 0);
    EXPECT_EQ(GetKeyDirection(0, 0, 0x8000, 0), 0);
    EXPECT_EQ(GetKeyDirection(1, 0, 0, 0x8001), 6);
}

TEST(StickScale, DeadZoneAndFullTravel) {
    EXPECT_EQ(ScaleJoyAxis(0), 0);
    EXPECT_EQ(ScaleJoyAxis(16384), 0);
    EXPECT_EQ(ScaleJoyAxis(-16384), 0);
    EXPECT_EQ(ScaleJoyAxis(32767), 1000);
    EXPECT_EQ(ScaleJoyAxis(-32767), -1000);
    EXPECT_EQ(ScaleJoyAxis(-32768), -1000);
    // Three quarters of the travel is half of the scale.
    EXPECT_EQ(ScaleJoyAxis(24576), 500);
}

TEST(StickScale, RisesStepByStepAndIsSymmetric) {
    int previous = 0;
    for (int raw = 0; raw <= 32767; ++raw) {
        const int scaled = ScaleJoyAxis(static_cast<int16_t>(raw));
        ASSERT_GE(scaled, previous) << raw;
        ASSERT_LE(scaled, previous + 1) << raw;
        ASSERT_EQ(ScaleJoyAxis(static_cast<int16_t>(-raw)), -scaled) << raw;
        previous = scaled;
    }
}

TEST(StickScale, EveryScaledValueHasARawValue) {
    for (int scaled = -1000; scaled <= 1000; ++scaled) {
        ASSERT_EQ(ScaleJoyAxis(RawAxisForScaled(scaled)), scaled) << scaled;
    }
    EXPECT_EQ(ScaleJoyAxis(RawAxisForScaled(5000)), 1000);
    EXPECT_EQ(ScaleJoyAxis(RawAxisForScaled(-5000)), -1000);
}

// The key state on its own: the two facts a query gives.
class KeyStateTest : public ::testing::Test {
  protected:
    void SetUp() override { ReleaseAllKeys(); }
    void TearDown() override { ReleaseAllKeys(); }
};

TEST_F(KeyStateTest, HeldKeyIsPressedOnlyOnce) {
    EXPECT_EQ(GetAsyncKeyState(VK_Z), 0);
    testgame::Key(VK_Z, true);
    EXPECT_EQ(GetAsyncKeyState(VK_Z), Down | Pressed);
    testgame::Key(VK_Z, true);  // the key repeating
    testgame::Key(VK_Z, true);
    EXPECT_EQ(GetAsyncKeyState(VK_Z), Down);
    EXPECT_EQ(GetAsyncKeyState(VK_Z), Down);
    testgame::Key(VK_Z, false);
    EXPECT_EQ(GetAsyncKeyState(VK_Z), 0);
}

TEST_F(KeyStateTest, TapBetweenQueriesCountsOnce) {
    testgame::TapKey(VK_X);
    EXPECT_EQ(GetAsyncKeyState(VK_X), Pressed);
    EXPECT_EQ(GetAsyncKeyState(VK_X), 0);
    // Two taps before one query are still one press.
    testgame::TapKey(VK_X);
    testgame::TapKey(VK_X);
    EXPECT_EQ(GetAsyncKeyState(VK_X), Pressed);
    EXPECT_EQ(GetAsyncKeyState(VK_X), 0);
}

TEST_F(KeyStateTest, EitherShiftHoldsShift) {
    testgame::Key(VK_LSHIFT, true);
    testgame::Key(VK_RSHIFT, true);
    EXPECT_EQ(GetAsyncKeyState(VK_SHIFT), Down | Pressed);
    testgame::Key(VK_LSHIFT, false);
    EXPECT_EQ(GetAsyncKeyState(VK_SHIFT), Down);
    testgame::Key(VK_RSHIFT, false);
    EXPECT_EQ(GetAsyncKeyState(VK_SHIFT), 0);
    // Shift as one key, as a script or another source may report it.
    testgame::Key(VK_SHIFT, true);
    testgame::Key(VK_RSHIFT, true);
    testgame::Key(VK_SHIFT, false);
    EXPECT_EQ(GetAsyncKeyState(VK_SHIFT), Down | Pressed);
    testgame::Key(VK_RSHIFT, false);
    // A tap of one side between two queries.
    testgame::TapKey(VK_LSHIFT);
    EXPECT_EQ(GetAsyncKeyState(VK_SHIFT), Pressed);
    EXPECT_EQ(GetAsyncKeyState(VK_SHIFT), 0);
}

TEST_F(KeyStateTest, LosingTheFocusLetsGoOfEverything) {
    testgame::Key(VK_LEFT, true);
    testgame::Key(VK_RSHIFT, true);
    testgame::TapKey(VK_M);
    ReleaseAllKeys();
    EXPECT_EQ(GetAsyncKeyState(VK_LEFT), 0);
    EXPECT_EQ(GetAsyncKeyState(VK_SHIFT), 0);
    EXPECT_EQ(GetAsyncKeyState(VK_M), 0);
    // Back with the focus, a key held again is a new press.
    testgame::Key(VK_LEFT, true);
    EXPECT_EQ(GetAsyncKeyState(VK_LEFT), Down | Pressed);
}

TEST_F(KeyStateTest, CodesOutsideTheTableAreNothing) {
    testgame::Key(-1, true);
    testgame::Key(256, true);
    testgame::Key(100000, true);
    EXPECT_EQ(GetAsyncKeyState(-1), 0);
    EXPECT_EQ(GetAsyncKeyState(256), 0);
    EXPECT_EQ(GetAsyncKeyState(100000), 0);
}

// The frame reading with the keyboard alone.
class FrameKeysTest : public KeyStateTest {
  protected:
    void SetUp() override {
        KeyStateTest::SetUp();
        ReleaseInput();
        nJoystickLimit = 0;
    }
    struct Codes {
        int direction, button;
    };
    static Codes Frame(const ButtonKey* keys, int count) {
        Codes c{-1, -1};
        ReadFrameInput(keys, count, &c.direction, &c.button);
        return c;
    }
};

TEST_F(FrameKeysTest, ArrowsCountOnlyWhileDown) {
    testgame::Key(VK_UP, true);
    testgame::Key(VK_LEFT, true);
    EXPECT_EQ(Frame(PlayKeys, 2).direction, 7);
    testgame::Key(VK_RIGHT, true);
    EXPECT_EQ(Frame(PlayKeys, 2).direction, 8);
    testgame::Key(VK_UP, false);
    testgame::Key(VK_LEFT, false);
    testgame::Key(VK_RIGHT, false);
    // An arrow tapped between frames moves nothing.
    testgame::TapKey(VK_DOWN);
    EXPECT_EQ(Frame(PlayKeys, 2).direction, 0);
}

struct SceneTable {
    const char* name;
    const ButtonKey* keys;
    int count;
    std::vector<ButtonKey> expected;  // in query order
};

std::vector<SceneTable> SceneTables() {
    return {
        {"title",
         TitleKeys,
         static_cast<int>(std::size(TitleKeys)),
         {{VK_Z, 1}, {VK_RETURN, 1}, {VK_X, 2}, {VK_SHIFT, 2}, {VK_C, 3}, {VK_M, 10}}},
        {"play", PlayKeys, static_cast<int>(std::size(PlayKeys)), {{VK_Z, 1}, {VK_RETURN, 1}}},
        {"result",
         ResultKeys,
         static_cast<int>(std::size(ResultKeys)),
         {{VK_Z, 1}, {VK_RETURN, 1}, {VK_X, 2}, {VK_SHIFT, 2}}},
        {"editor",
         EditorKeys,
         static_cast<int>(std::size(EditorKeys)),
         {{VK_Z, 1}, {VK_RETURN, 1}, {VK_X, 2}, {VK_SHIFT, 2}, {VK_C, 3}, {VK_V, 4}, {VK_B, 5}}},
    };
}

TEST_F(FrameKeysTest, EachSceneKeyGivesItsCodeAndEarlierKeysWin) {
    const int allKeys[] = {VK_Z, VK_RETURN, VK_X, VK_SHIFT, VK_C, VK_V, VK_B, VK_M};
    for (const SceneTable& t : SceneTables()) {
        ASSERT_EQ(t.count, static_cast<int>(t.expected.size())) << t.name;
        // Alone, every key gives its own code; keys of other scenes give none.
        for (int vk : allKeys) {
            int code = 0;
            for (const ButtonKey& k : t.expected) {
                if (k.vk == vk) {
                    code = k.code;
                }
            }
            testgame::Key(vk, true);
            EXPECT_EQ(Frame(t.keys, t.count).button, code) << t.name << " key " << vk;
            testgame::Key(vk, false);
            Frame(t.keys, t.count);
        }
        // Held together, the one earlier in the order wins.
        for (size_t i = 0; i < t.expected.size(); ++i) {
            for (size_t j = i + 1; j < t.expected.size(); ++j) {
                testgame::Key(t.expected[j].vk, true);
                testgame::Key(t.expected[i].vk, true);
                EXPECT_EQ(Frame(t.keys, t.count).button, t.expected[i].code)
                    << t.name << " keys " << i << " and " << j;
                testgame::Key(t.expected[i].vk, false);
                testgame::Key(t.expected[j].vk, false);
                Frame(t.keys, t.count);
            }
        }
    }
}

TEST_F(FrameKeysTest, EveryKeyIsAskedEveryFrame) {
    // X tapped while Z is held: Z gives the code, and the tap is used up in
    // that same frame instead of turning up as a cancel later.
    testgame::Key(VK_Z, true);
    testgame::TapKey(VK_X);
    EXPECT_EQ(Frame(TitleKeys, 6).button, 1);
    testgame::Key(VK_Z, false);
    EXPECT_EQ(Frame(TitleKeys, 6).button, 0);
}

TEST_F(FrameKeysTest, TapBetweenFramesGivesTheCodeOnce) {
    testgame::TapKey(VK_B);
    EXPECT_EQ(Frame(EditorKeys, 7).button, 5);
    EXPECT_EQ(Frame(EditorKeys, 7).button, 0);
}

TEST_F(FrameKeysTest, HeldKeyKeepsItsCodeWithOnePress) {
    testgame::Key(VK_RETURN, true);
    for (int frame = 0; frame < 5; ++frame) {
        testgame::Key(VK_RETURN, true);  // repeats between frames
        EXPECT_EQ(Frame(ResultKeys, 4).button, 1) << frame;
    }
    // The press was used up at the first frame: let go, nothing is pending.
    testgame::Key(VK_RETURN, false);
    EXPECT_EQ(Frame(ResultKeys, 4).button, 0);
    EXPECT_EQ(GetAsyncKeyState(VK_RETURN), 0);
}

// The stick as the scripted platform offers it: attached as soon as the
// script moves it, read on the game's own scale.
class StickTest : public FrameKeysTest {
  protected:
    void SetUp() override {
        FrameKeysTest::SetUp();
        testgame::Reset();
    }
    void TearDown() override {
        ReleaseInput();
        testgame::Reset();
        FrameKeysTest::TearDown();
    }
    static void Stick(int x, int y, const std::vector<int>& held = {}) {
        script::Event e;
        e.frame = 0;
        e.kind = script::EventKind::Joy;
        e.joyX = x;
        e.joyY = y;
        for (int b : held) {
            e.buttons[b - 1] = 1;
        }
        testgame::AddEvent(e);
        events::Pump();
    }
    static void BringUp() {
        ASSERT_EQ(InitDirectInput(), 1);
        ASSERT_EQ(InitKeyboard(), 1);
        ASSERT_EQ(InitJoystick(MaxJoysticks), 1);
    }
};

TEST_F(StickTest, SetUpWithAndWithoutAStick) {
    // Nothing attached is no failure.
    BringUp();
    EXPECT_EQ(nJoystickLimit, 0);
    EXPECT_EQ(nJoystick, 0);
    EXPECT_EQ(GetJoyDirection(0), 0);
    ReleaseInput();
    ReleaseInput();

    Stick(0, 0);
    BringUp();
    EXPECT_EQ(nJoystickLimit, 1);
    EXPECT_EQ(nJoystick, 1);
    ASSERT_NE(lpDIJoystick, nullptr);
    EXPECT_TRUE(lpDIJoystick[0]);
    ReleaseInput();
    EXPECT_FALSE(lpDI);
    EXPECT_EQ(lpDIJoystick, nullptr);
    // Released, the stick reads as nothing even though the counts stay.
    Stick(1000, 0);
    EXPECT_EQ(GetJoyDirection(0), 0);
}

TEST_F(StickTest, SetUpFailures) {
    Stick(0, 0);
    EXPECT_EQ(InitJoystick(MaxJoysticks), 0);  // no service yet
    EXPECT_EQ(InitKeyboard(), 0);

    script::InjectedFaults().joyInitFails = true;
    EXPECT_EQ(InitDirectInput(), 0);
    EXPECT_EQ(InitKeyboard(), 0);
    EXPECT_EQ(InitJoystick(MaxJoysticks), 0);
    ReleaseInput();
    script::InjectedFaults().joyInitFails = false;

    ASSERT_EQ(InitDirectInput(), 1);
    EXPECT_EQ(InitJoystick(-1), 0);
    script::InjectedFaults().joyCountFails = true;
    EXPECT_EQ(InitJoystick(MaxJoysticks), 0);
    script::InjectedFaults().joyCountFails = false;

    // The one stick cannot be opened: a failure, and the keys decide.
    script::InjectedFaults().joyOpenFailures = 1;
    EXPECT_EQ(InitJoystick(MaxJoysticks), 0);
    EXPECT_EQ(nJoystickLimit, 1);
    EXPECT_EQ(nJoystick, 0);
    Stick(1000, 0, {1});
    testgame::Key(VK_LEFT, true);
    testgame::Key(VK_Z, true);
    const Codes c = Frame(TitleKeys, 6);
    EXPECT_EQ(c.direction, 4);
    EXPECT_EQ(c.button, 1);
}

TEST_F(StickTest, NoRoomAskedForOpensNothing) {
    Stick(1000, 0);
    ASSERT_EQ(InitDirectInput(), 1);
    EXPECT_EQ(InitJoystick(0), 1);
    EXPECT_EQ(nJoystickLimit, 0);
    EXPECT_EQ(nJoystick, 0);
    EXPECT_EQ(GetJoyDirection(0), 0);
}

TEST_F(StickTest, AxisThresholdsAndDiagonals) {
    Stick(0, 0);
    BringUp();
    const struct {
        int x, y, code;
    } cases[] = {
        {-700, 0, 0},    {700, 0, 0},       {0, -700, 0},     {0, 700, 0},
        {-700, 700, 0},  {-701, 0, 4},      {701, 0, 6},      {0, -701, 8},
        {0, 701, 2},     {-1000, -1000, 7}, {1000, -1000, 9}, {-1000, 1000, 1},
        {1000, 1000, 3}, {701, -701, 9},    {-701, 700, 4},   {500, -1000, 8},
    };
    for (const auto& c : cases) {
        Stick(c.x, c.y);
        EXPECT_EQ(GetJoyDirection(0), c.code) << c.x << ", " << c.y;
    }
    // Only joystick 0 is in use.
    EXPECT_EQ(GetJoyDirection(1), 0);
    EXPECT_EQ(GetJoyDirection(-1), 0);
}

TEST_F(StickTest, StickShutsOutTheArrows) {
    Stick(0, 0);
    BringUp();
    testgame::Key(VK_UP, true);
    EXPECT_EQ(Frame(PlayKeys, 2).direction, 8);  // centred: the arrow decides
    testgame::Key(VK_UP, false);
    testgame::Key(VK_RIGHT, true);
    Stick(-1000, 0);
    EXPECT_EQ(Frame(PlayKeys, 2).direction, 4);  // never mixed into 1 or 0
    testgame::Key(VK_DOWN, true);
    Stick(0, -1000);
    EXPECT_EQ(Frame(PlayKeys, 2).direction, 8);
}

TEST_F(StickTest, HighestHeldButtonWinsAndBeatsTheKeys) {
    Stick(0, 0);
    BringUp();
    EXPECT_EQ(GetJoyButton(0), 0);
    const struct {
        std::vector<int> held;
        int code;
    } cases[] = {
        {{1}, 1}, {{2}, 2}, {{3}, 3}, {{4}, 4}, {{2, 4}, 4}, {{1, 3}, 3}, {{1, 2, 3, 4}, 4},
    };
    for (const auto& c : cases) {
        Stick(0, 0, c.held);
        EXPECT_EQ(GetJoyButton(0), c.code);
    }
    // A button held while Z is pressed on the title: the button's code.
    Stick(0, 0, {2});
    testgame::Key(VK_Z, true);
    EXPECT_EQ(Frame(TitleKeys, 6).button, 2);
    Stick(0, 0, {3});
    EXPECT_EQ(Frame(TitleKeys, 6).button, 3);
    Stick(0, 0);
    EXPECT_EQ(Frame(TitleKeys, 6).button, 1);
}

}  // namespace
