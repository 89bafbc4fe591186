// The result screen: one banner until the player confirms or cancels.
#include <iterator>

#include "audio/music.h"
#include "audio/sound.h"
#include "gfx/gfx.h"
#include "input/input.h"
#include "scenes/draw_common.h"
#include "scenes/scenes.h"

namespace {

constexpr int EntryFrames = 60;
constexpr int ButtonConfirm = 1;
constexpr int ButtonCancel = 2;

// The banner, from System1.fcg, in the middle of the screen.
constexpr int BannerX = 128, BannerY = 192, BannerWidth = 384, BannerHeight = 96;
constexpr int BannerSheetY = 192;

int32_t entry = EntryFrames;
// As if a key were held on arrival: the key that ended the run does not count.
int32_t lastButton = 1;

}  // namespace

int32_t ResultStep() {
    int32_t next = SceneResult;
    if (entry == EntryFrames) {
        OpenMidi("Mid/System.mid");
        PlayMidi();
    }
    int direction = 0;
    int button = 0;
    ReadFrameInput(ResultKeys, static_cast<int>(std::size(ResultKeys)), &direction, &button);
    if (entry != 0) {
        --entry;
    }
    if (entry == 0 && button != lastButton) {
        if (button == ButtonConfirm) {
            PlaySe(lpSeCheSound[0], 0);
            next = SceneTitle;
        } else if (button == ButtonCancel) {
            PlaySe(lpSeCanSound[0], 0);
            next = SceneTitle;
        }
    }
    lastButton = button;

    DrawTiledBackground();
    DrawSprite(lpBack, BannerX, BannerY, BannerWidth, BannerHeight, lpMain[1], 0, BannerSheetY);
    if (next != SceneResult) {
        CloseMidi();
        entry = EntryFrames;
    }
    return next;
}

void ResetResultScene() {
    entry = EntryFrames;
    lastButton = 1;
}
