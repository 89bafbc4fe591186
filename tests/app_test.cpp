// Start-up, the message loop and shut-down, on the scripted platform.
#include <string>
#include <vector>

#include "app/cmdline.h"
#include "game_harness.h"
#include "input/keys.h"
#include "platform/script/script.h"
#include "support/game.h"

namespace shell_test {
namespace {

class AppTest : public InScratchGameDir {};

Hooks Script(const std::string& text, int frames = 400) {
    return WithSetUp([=] {
        std::string error;
        ASSERT_TRUE(testgame::ParseScript(text, &error)) << error;
        testgame::SetFrameLimit(frames);
    });
}

// Every run ends with everything given back, whichever way it ended.
void ExpectAllReleased(const RunResult& r) {
    EXPECT_FALSE(r.windowOpen);
    EXPECT_FALSE(r.lockHeld);
    EXPECT_FALSE(r.displayOpen);
    EXPECT_EQ(r.liveSounds, 0);
    EXPECT_EQ(r.badSoundReleases, 0);
    for (const Message& m : r.messages) {
        EXPECT_NE(m.first, "開放漏れがあります");
    }
}

TEST_F(AppTest, RunsUntilEscapeAndEndsWithExitCodeZero) {
    const RunResult r = RunGame(Script("30 down Escape\n"));
    EXPECT_EQ(r.exitCode, 0);
    // Escape reaches the window before frame 30 would run.
    EXPECT_EQ(r.frames.size(), 30u);
    EXPECT_EQ(r.windowTitle, "Win32 Application");
    EXPECT_TRUE(r.cursorHidden);
    EXPECT_TRUE(r.messages.empty());
    ExpectAllReleased(r);
}

TEST_F(AppTest, CloseFromOutsideAndEveryScriptEndingCloseCleanly) {
    for (const char* text : {"12 close\n", "12 tap Escape\n", "12 focus lost\n"}) {
        const RunResult r = RunGame(Script(text));
        EXPECT_EQ(r.exitCode, 0) << text;
        EXPECT_EQ(r.frames.size(), 12u) << text;
        ExpectAllReleased(r);
    }
}

TEST_F(AppTest, SecondCopyShowsTheEmptyMessageAndLeaves) {
    const RunResult r = RunGame(WithSetUp([] { script::InjectedFaults().lockHeld = true; }));
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.messages, (std::vector<Message>{{"", ""}}));
    EXPECT_TRUE(r.frames.empty());
    EXPECT_EQ(r.windowTitle, "");  // no window was ever made

    // There is no window to own that box: it stands on its own, without an icon.
    testgame::Reset();
    script::InjectedFaults().lockHeld = true;
    EXPECT_EQ(WinMain(), 0);
    const frames::BoxStyle alone{false, false};
    EXPECT_EQ(frames::All().boxStyles, std::vector<frames::BoxStyle>{alone});
    testgame::Reset();
}

TEST_F(AppTest, NoWindowEndsQuietly) {
    const RunResult r = RunGame(WithSetUp([] { script::InjectedFaults().windowFails = true; }));
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(r.messages.empty());
    EXPECT_TRUE(r.frames.empty());
    EXPECT_FALSE(r.lockHeld);
}

TEST_F(AppTest, DisplayFailureShowsItsCodeAndReleasesEverything) {
    const RunResult r = RunGame(WithSetUp([] { script::InjectedFaults().displayFails = true; }));
    EXPECT_EQ(r.exitCode, 0);
    ASSERT_EQ(r.messages.size(), 1u);
    EXPECT_EQ(r.messages[0].first.rfind("error = ", 0), 0u) << r.messages[0].first;
    EXPECT_EQ(r.messages[0].second, "error");
    EXPECT_TRUE(r.frames.empty());
    ExpectAllReleased(r);
}

TEST_F(AppTest, EachMissingPictureStopsStartUpWithItsMessages) {
    const char* files[] = {"System/mojicord.bmp", "Fcg/System1.fcg", "Fcg/System2.fcg",
                           "Fcg/Bg.bmp"};
    for (int k = 0; k < 4; ++k) {
        fs::rename(files[k], std::string(files[k]) + ".away");
        const RunResult r = RunGame(Hooks{});
        fs::rename(std::string(files[k]) + ".away", files[k]);
        const std::vector<Message> expected = {{"BmpFileErrer", " "},
                                               {"errer lpMain[" + std::to_string(k) + "]", " "}};
        EXPECT_EQ(r.messages, expected) << files[k];
        EXPECT_EQ(r.exitCode, 0);
        EXPECT_TRUE(r.frames.empty()) << files[k];
        ExpectAllReleased(r);
    }
}

TEST_F(AppTest, EachMissingWaveStopsStartUpWithItsMessage) {
    const char* files[] = {"Wave/SelectMove.wav", "Wave/SelectCheck.wav", "Wave/SelectCancel.wav",
                           "Wave/Hit.wav"};
    const char* texts[] = {"errer lpSeMovSound", "errer lpSeCheSound", "errer lpSeCanSound",
                           "errer lpHitSound"};
    for (int k = 0; k < 4; ++k) {
        fs::rename(files[k], std::string(files[k]) + ".away");
        const RunResult r = RunGame(Hooks{});
        fs::rename(std::string(files[k]) + ".away", files[k]);
        EXPECT_EQ(r.messages, (std::vector<Message>{{texts[k], " "}})) << files[k];
        EXPECT_TRUE(r.frames.empty());
        ExpectAllReleased(r);
    }
}

TEST_F(AppTest, NoSoundDeviceShowsTheFirstWaveMessage) {
    const RunResult r = RunGame(WithSetUp([] { script::InjectedFaults().soundOpenResult = 3; }));
    EXPECT_EQ(r.messages, (std::vector<Message>{{"errer lpSeMovSound", " "}}));
    EXPECT_TRUE(r.frames.empty());
    ExpectAllReleased(r);
}

TEST_F(AppTest, InputFailuresAreShownAndTheGameRunsOn) {
    struct Case {
        void (*fault)();
        std::vector<Message> messages;
    };
    const Case cases[] = {
        {[] { script::InjectedFaults().joyInitFails = true; },
         {{"InitErrer", " "}, {"KeyErrer", " "}, {"JoyErrer", " "}}},
        {[] { script::InjectedFaults().joyCountFails = true; }, {{"JoyErrer", " "}}},
    };
    for (const Case& c : cases) {
        Hooks h = Script("");
        h.setup = [&] {
            c.fault();
            testgame::SetFrameLimit(20);
        };
        const RunResult r = RunGame(h);
        EXPECT_EQ(r.messages, c.messages);
        // They are shown before the first frame and the frames run.
        ASSERT_EQ(r.frames.size(), 20u);
        EXPECT_EQ(r.frames[0].messages, c.messages);
        EXPECT_EQ(r.exitCode, 0);
        ExpectAllReleased(r);
    }
}

TEST_F(AppTest, ReleaseAppAfterShutDownReleasesNothingTwice) {
    Hooks h = Script("10 close\n");
    h.finish = [](RunResult* r) {
        // WM_DESTROY and the end of WinMain each ran it already.
        ReleaseApp();
        ReleaseApp();
        r->badSoundReleases = script::BadSoundReleases();
        r->liveSounds = script::LiveSounds();
    };
    const RunResult r = RunGame(h);
    EXPECT_EQ(r.exitCode, 0);
    ExpectAllReleased(r);
}

TEST_F(AppTest, FocusLossStopsFramesAndPausesTheMusic) {
    Hooks h = Script("10 focus lost\n200 close\n");
    const RunResult r = RunGame(h);
    EXPECT_EQ(r.exitCode, 0);
    // Nothing runs while inactive; the close arrives while it waits.
    ASSERT_EQ(r.frames.size(), 10u);
    EXPECT_TRUE(r.frames[9].musicPlaying);
    EXPECT_FALSE(r.musicPlaying);
    EXPECT_EQ(r.music.back(), "pause");
}

TEST_F(AppTest, FocusRegainedRestartsTheMusicAndTheFramesCatchUp) {
    // Focus away for two seconds: from the due time of frame 10 to that of
    // frame 130.
    const RunResult r = RunGame(Script("10 focus lost\n130 focus gained\n", 160));
    ASSERT_EQ(r.frames.size(), 160u);
    const uint32_t back = r.frames[10].clock;
    EXPECT_EQ(back, DueMs(r.frames[0].clock, 130));
    EXPECT_GE(back - r.frames[9].clock, 2000u);
    int backToBack = 0;
    for (const FrameInfo& f : r.frames) {
        backToBack += f.clock == back;
    }
    EXPECT_EQ(backToBack, 121);  // frames 10 to 130, about 60 for each second away
    EXPECT_EQ(r.frames[131].clock, DueMs(r.frames[0].clock, 131));
    // Paused when the focus went, played from the start when it came back.
    const std::vector<std::string> music = {"pause", "play"};
    EXPECT_EQ(r.frames[10].music, music);
    EXPECT_TRUE(r.frames[10].musicPlaying);
}

TEST_F(AppTest, MusicEndRestartsThePieceOnlyWhileActive) {
    const RunResult r =
        RunGame(Script("20 musicend\n40 focus lost\n40 musicend\n60 focus gained\n", 70));
    ASSERT_EQ(r.frames.size(), 70u);
    EXPECT_EQ(r.frames[20].music, std::vector<std::string>{"play"});
    EXPECT_TRUE(r.frames[20].musicPlaying);
    // The end that came while away is not answered; coming back plays it.
    EXPECT_EQ(r.frames[40].music, (std::vector<std::string>{"pause", "play"}));
    EXPECT_TRUE(r.frames[40].musicPlaying);
}

}  // namespace
}  // namespace shell_test

// The command line is read before anything is opened; a mistake in it must
// never start the game.
TEST(CommandLineTest, OptionsActionsAndMistakes) {
    using A = CommandLine::Action;
    auto parse = [](std::vector<const char*> args) {
        args.insert(args.begin(), "tessalune");
        return ParseCommandLine(static_cast<int>(args.size()), args.data());
    };
    EXPECT_EQ(parse({}).action, A::Play);
    EXPECT_EQ(parse({}).window, plat::StartWindow::FullScreen);
    EXPECT_EQ(parse({"--window"}).window, plat::StartWindow::Window);
    EXPECT_EQ(parse({"--window", "--fullscreen"}).window, plat::StartWindow::FullScreen);
    EXPECT_EQ(parse({"--fullscreen", "--window"}).window, plat::StartWindow::Window);
    EXPECT_EQ(parse({"--window", "--help", "--bogus"}).action, A::Help);
    EXPECT_EQ(parse({"-h"}).action, A::Help);
    EXPECT_EQ(parse({"--version"}).action, A::Version);
    EXPECT_NE(VersionText().find("tessalune "), std::string::npos);
    for (const char* bad : {"--windowed", "-w", "stage1", "", "--help=1"}) {
        const CommandLine line = parse({"--window", bad, "--help"});
        EXPECT_EQ(line.action, A::Error) << bad;
        EXPECT_NE(line.error.find(std::string("'") + bad + "'"), std::string::npos) << line.error;
    }
}
