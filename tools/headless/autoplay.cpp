// --autoplay: plays whole runs by itself. On the title and the result screen
// it taps its way on; in play it keeps the paddle under the ball and, at each
// contact, picks the paddle motion whose bounce reaches a brick soonest, so
// the ball never settles into a path that misses the last bricks.
#include "tools/headless/autoplay.h"

#include <algorithm>
#include <array>

#include "app/app.h"
#include "data/stage.h"
#include "input/events.h"
#include "scenes/play.h"
#include "scenes/scenes.h"
#include "scenes/title.h"

namespace {

constexpr int ContactY = PaddleY - BallSize;  // ball y + dy at a paddle contact
constexpr int SimFrames = 400;                // one trip up and back down, with room
constexpr int LookAhead = 3;                  // contacts looked ahead
constexpr int NoHit = 1 << 20;
constexpr int DeadBand = 4;  // half a paddle step: no jitter around the target

int tappedVk = 0;             // the key being tapped
bool tapDown = false;         // the tapped key is down this frame
int contacts = 0;             // paddle contacts so far, to vary the fallback choice
int heldMotion = MotionNone;  // the motion held since the contact decision

// The keys as the player holds them, handed to the game as a keyboard
// would: only a change of a key is an event.
std::array<bool, 256> held{};

void Press(int vk, bool down) {
    if (held[static_cast<size_t>(vk)] == down) {
        return;
    }
    held[static_cast<size_t>(vk)] = down;
    plat::Event e;
    e.kind = down ? plat::EventKind::KeyDown : plat::EventKind::KeyUp;
    e.key = vk;
    events::Take(e);
}

void Hold(bool right, bool left) {
    Press(VK_RIGHT, right);
    Press(VK_LEFT, left);
}

// Down on one frame, up on the next: every down is a fresh press.
void Tap(int vk) {
    if (vk != tappedVk) {
        if (tappedVk != 0) {
            Press(tappedVk, false);
        }
        tappedVk = vk;
        tapDown = false;
    }
    tapDown = !tapDown;
    Press(vk, tapDown);
}

void LetGoOfTaps() {
    if (tappedVk != 0) {
        Press(tappedVk, false);
    }
    tappedVk = 0;
    tapDown = false;
}

using Grid = std::array<int32_t, StageCells>;

// Trips end before the ball comes down to the paddle's line, so in them the
// paddle is out of the ball's reach.
constexpr int PaddleAway = -10 * PaddleWidth;

// One trip of the ball from just after a paddle contact, by the play scene's
// own motion code: the frames until it first hits a brick, or NoHit with the
// ball's state on the frame of its next contact.
struct Trip {
    int frames;
    Ball ball;
};

Trip RunTrip(const Grid& grid, Ball ball) {
    Grid scratch = grid;  // the frame that hits a brick counts it down, and ends the trip
    for (int frame = 1; frame <= SimFrames; ++frame) {
        if (ball.dy > 0 && ball.y + ball.dy >= ContactY) {
            return {NoHit, ball};
        }
        Ball next = ball;
        if (StepBall(&next, scratch.data(), nullptr, PaddleAway, MotionNone).hits > 0) {
            return {frame, ball};
        }
        ball = next;
    }
    return {NoHit, ball};
}

// Frames until the first brick hit after a contact of the ball, looking
// `depth` contacts ahead and playing each of them at its best; NoHit when
// none of those trips reaches a brick. The contact itself is the game's frame
// with the paddle under the ball, moving each of the three ways.
int BestFramesToHit(const Grid& grid, const Ball& atContact, int depth, int* choice) {
    int best = NoHit;
    for (int motion : {MotionNone, MotionRight, MotionLeft}) {
        Ball ball = atContact;
        Grid scratch = grid;
        StepBall(&ball, scratch.data(), nullptr, atContact.x, motion);
        const Trip t = RunTrip(grid, ball);
        int frames = t.frames;
        if (frames == NoHit && depth > 1) {
            const int later = BestFramesToHit(grid, t.ball, depth - 1, nullptr);
            // One more trip costs about as long as the one just run.
            frames = later == NoHit ? NoHit : later + 1 + SimFrames / 2;
        }
        if (frames < best) {
            best = frames;
            if (choice) {
                *choice = motion;
            }
        }
    }
    return best;
}

// Chooses the motion for a contact on this frame: 0 none, 1 right, 2 left.
int ChooseMotion(const PlayState& s) {
    Grid grid;
    std::copy(std::begin(StageGrid), std::end(StageGrid), grid.begin());
    int choice = -1;
    ++contacts;
    if (BestFramesToHit(grid, {s.ballX, s.ballY, s.ballDx, s.ballDy}, LookAhead, &choice) ==
        NoHit) {
        // Nothing reaches a brick for a while: vary the bounce so the ball
        // sets off from somewhere new.
        return contacts % 3;
    }
    return choice;
}

void SteerPaddle() {
    const PlayState& s = GetPlayState();
    if (s.entry != 0 || s.clear != 0) {
        Hold(false, false);
        return;
    }
    if (s.ballDy > 0 && s.ballY + s.ballDy >= ContactY && s.ballY + s.ballDy <= ContactY + 1) {
        heldMotion = ChooseMotion(s);
        Hold(heldMotion == MotionRight, heldMotion == MotionLeft);
        return;
    }
    // Ball centre over paddle centre.
    const int target =
        std::clamp(s.ballX + BallSize / 2 - PaddleWidth / 2 - PaddleLeft, 0, PaddleMaxOffset);
    Hold(s.paddle<target - DeadBand, s.paddle> target + DeadBand);
}

}  // namespace

void AutoplayBeforeFrame(int) {
    switch (CurrentScene) {
        case ScenePlay:
            LetGoOfTaps();
            SteerPaddle();
            break;
        case SceneTitle:
            Hold(false, false);
            if (ScoreView != 0) {
                Tap(VK_X);
            } else if (MenuCursor != 0) {
                Tap(VK_UP);
            } else {
                Tap(VK_Z);
            }
            break;
        case SceneResult:
            Hold(false, false);
            Tap(VK_Z);
            break;
        default:
            // The editor: back to the title.
            Hold(false, false);
            Tap(VK_X);
            break;
    }
}
