// The title: the menu, the best scores, and the hidden way into the editor.
#include "scenes/title.h"

#include <iterator>

#include "audio/music.h"
#include "audio/sound.h"
#include "data/scores.h"
#include "gfx/gfx.h"
#include "input/input.h"
#include "platform/messages.h"
#include "scenes/draw_common.h"
#include "scenes/scenes.h"

int32_t MenuCursor = 0;
int32_t ScoreView = 0;
int32_t TitleScores[ScoreCount] = {};

namespace {

constexpr int EntryFrames = 60;
constexpr int MenuEntries = 3;
constexpr int EntryStart = 0;
constexpr int EntryScores = 1;
constexpr int EntryLeave = 2;

constexpr int ButtonConfirm = 1;
constexpr int ButtonCancel = 2;
constexpr int ButtonClear = 3;
constexpr int ButtonEditor = 10;

int32_t entry = EntryFrames;
// As if a key were held on arrival: nothing counts until a fresh press.
int32_t lastDirection = 1;
int32_t lastButton = 1;

void ActOnDirection(int direction) {
    if (direction == 8) {
        MenuCursor = MenuCursor == 0 ? MenuEntries - 1 : MenuCursor - 1;
        PlaySe(lpSeMovSound[0], 0);
    } else if (direction == 2) {
        MenuCursor = MenuCursor == MenuEntries - 1 ? 0 : MenuCursor + 1;
        PlaySe(lpSeMovSound[0], 0);
    }
}

int32_t ActOnButton(int button) {
    switch (button) {
        case ButtonConfirm:
            if (ScoreView != 0) {
                ScoreView = 0;
                PlaySe(lpSeCheSound[0], 0);
            } else if (MenuCursor == EntryStart) {
                PlaySe(lpSeCheSound[0], 0);
                return ScenePlay;
            } else if (MenuCursor == EntryScores) {
                ScoreView = 1;
                PlaySe(lpSeCheSound[0], 0);
            } else if (MenuCursor == EntryLeave) {
                // Leaving goes quietly, the way Esc does.
                PostMessage(WM_CLOSE, 0, 0);
            }
            break;
        case ButtonCancel:
            ScoreView = 0;
            PlaySe(lpSeCanSound[0], 0);
            break;
        case ButtonClear:
            if (ScoreView == 1) {
                ClearScores();
                LoadScores(TitleScores);
                PlaySe(lpSeCanSound[0], 0);
            }
            break;
        case ButtonEditor:
            PlaySe(lpSeCanSound[0], 0);
            return SceneEditor;
        default:
            break;
    }
    return SceneTitle;
}

void DrawMenuView() {
    DrawSprite(lpBack, 128, 64, 384, 96, lpMain[1], 0, 96);
    DrawSprite(lpBack, 32, 64, 96, 96, lpMain[1], 0, 0);
    DrawSprite(lpBack, 512, 64, 96, 96, lpMain[1], 288, 0);
    DrawFill(lpBack, 128, 224, 384, 192, 0);
    DrawSprite(lpBack, 128, 224, 320, 192, lpMain[1], 0, 288);
    DrawSprite(lpBack, 448, 224 + 64 * MenuCursor, 64, 64, lpMain[1], 320, 416);
}

void DrawScoreView() {
    DrawSprite(lpBack, 128, 0, 384, 96, lpMain[1], 0, 96);
    DrawSprite(lpBack, 256, 96, 128, 32, lpMain[2], 32, 96);
    for (int i = 0; i < ScoreCount; ++i) {
        const int y = 128 + TileSize * i;
        DrawSprite(lpBack, 256, y, 128, 32, lpMain[2], 32, 128);
        DrawDigits(TitleScores[i], 4, 256, y);
    }
}

}  // namespace

int32_t TitleStep() {
    int32_t next = SceneTitle;
    if (entry == EntryFrames) {
        OpenMidi("Mid/System.mid");
        PlayMidi();
        // Read afresh each visit so the run just played shows at once.
        LoadScores(TitleScores);
    }
    int direction = 0;
    int button = 0;
    ReadFrameInput(TitleKeys, static_cast<int>(std::size(TitleKeys)), &direction, &button);
    if (entry != 0) {
        --entry;
    }
    if (entry == 0) {
        if (direction != lastDirection) {
            ActOnDirection(direction);
        }
        if (button != lastButton) {
            next = ActOnButton(button);
        }
    }
    lastDirection = direction;
    lastButton = button;

    DrawTiledBackground();
    if (ScoreView == 0) {
        DrawMenuView();
    } else {
        DrawScoreView();
    }
    if (next != SceneTitle) {
        CloseMidi();
        entry = EntryFrames;
    }
    return next;
}
