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

constexpr int FieldLeft = 32;
constexpr int FieldRight = 448;
constexpr int FieldTop = 32;
constexpr int ContactY = PaddleY - BallSize;  // ball y + dy at a paddle contact
constexpr int SimFrames = 400;                // one trip up and back down, with room
constexpr int LookAhead = 3;                  // contacts looked ahead
constexpr int NoHit = 1 << 20;
constexpr int DeadBand = 4;  // half a paddle step: no jitter around the target

int tappedVk = 0;      // the key being tapped
bool tapDown = false;  // the tapped key is down this frame
int contacts = 0;      // paddle contacts so far, to vary the fallback choice
int heldMotion = 0;    // the motion held since the contact decision (0 none, 1 right, 2 left)

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

// The three speeds a contact can give, for motion none, right and left; the
// side walls are tried before the paddle sets the new speed.
std::array<int, 3> SpeedsAtContact(int x, int dx) {
    if (x + dx + BallSize > FieldRight || x + dx < FieldLeft) {
        dx = -dx;
    }
    return {dx > 0 ? 2 : -2, 4, -4};
}

// One trip of the ball from just after a paddle contact, by the play scene's
// rules of a frame: the frames until it first hits a brick, or NoHit with the
// ball's state on the frame of its next contact.
struct Trip {
    int frames;
    int x, y, dx, dy;
};

Trip RunTrip(const Grid& grid, int x, int y, int dx, int dy) {
    auto cell = [&](int c, int r) { return grid[static_cast<size_t>(c * StageRows + r)]; };
    for (int frame = 1; frame <= SimFrames; ++frame) {
        if (dy > 0 && y + dy >= ContactY) {
            return {NoHit, x, y, dx, dy};
        }
        for (int r = 0; r < StageRows; ++r) {
            for (int c = 0; c < StageColumns; ++c) {
                if (cell(c, r) >= 1 && BrickTouch(x + dx, y, 32 + 32 * c, 32 + 32 * r)) {
                    return {frame, x, y, dx, dy};
                }
            }
        }
        if (x + dx + BallSize > FieldRight || x + dx < FieldLeft) {
            dx = -dx;
        }
        for (int r = 0; r < StageRows; ++r) {
            for (int c = 0; c < StageColumns; ++c) {
                if (cell(c, r) >= 1 && BrickTouch(x, y + dy, 32 + 32 * c, 32 + 32 * r)) {
                    return {frame, x, y, dx, dy};
                }
            }
        }
        if (y + dy < FieldTop) {
            dy = -dy;
        }
        x += dx;
        y += dy;
    }
    return {NoHit, x, y, dx, dy};
}

// Frames until the first brick hit after a contact with the ball at (x, y)
// and speed dx, looking `depth` contacts ahead and playing each of them at
// its best; NoHit when none of those trips reaches a brick.
int BestFramesToHit(const Grid& grid, int x, int y, int dx, int dy, int depth, int* choice) {
    const std::array<int, 3> speeds = SpeedsAtContact(x, dx);
    int best = NoHit;
    for (int k = 0; k < 3; ++k) {
        const Trip t = RunTrip(grid, x + speeds[k], y - dy, speeds[k], -dy);
        int frames = t.frames;
        if (frames == NoHit && depth > 1) {
            const int later = BestFramesToHit(grid, t.x, t.y, t.dx, t.dy, depth - 1, nullptr);
            // One more trip costs about as long as the one just run.
            frames = later == NoHit ? NoHit : later + 1 + SimFrames / 2;
        }
        if (frames < best) {
            best = frames;
            if (choice) {
                *choice = k;
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
    if (BestFramesToHit(grid, s.ballX, s.ballY, s.ballDx, s.ballDy, LookAhead, &choice) == NoHit) {
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
        Hold(heldMotion == 1, heldMotion == 2);
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
