// The title: the menu, the best scores, and the hidden way into the editor.
#include "scenes/title.h"

#include <algorithm>
#include <iterator>

#include "audio/music.h"
#include "audio/sound.h"
#include "data/scores.h"
#include "gfx/gfx.h"
#include "input/input.h"
#include "input/messages.h"
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

// Where things sit on System1.fcg: the banner, the two emblems beside it, the
// menu's three lines and the cursor.
constexpr int BannerSheetY = 96, BannerWidth = 384, BannerHeight = 96;
constexpr int EmblemSize = 96, LeftEmblemSheetX = 0, RightEmblemSheetX = 288;
constexpr int MenuSheetY = 288, MenuWidth = 320, MenuHeight = 192;
constexpr int CursorSheetX = 320, CursorSheetY = 416, CursorSize = 64;
// Where they go on the screen. The menu box is as wide as the banner; each
// line of the menu is one cursor high.
constexpr int BannerX = 128, BannerY = 64, ScoreBannerY = 0;
constexpr int LeftEmblemX = 32, RightEmblemX = 512;
constexpr int MenuX = 128, MenuY = 224;
constexpr int CursorX = MenuX + MenuWidth;
// The best scores, on System2.fcg: a heading, then one row a place, each
// with its four digits on top.
constexpr int ScoreRowSheetX = 32, ScoreHeadingSheetY = 96, ScoreRowSheetY = 128;
constexpr int ScoreRowWidth = 128;
constexpr int ScoreX = 256, ScoreHeadingY = 96, ScoreFirstRowY = 128;
constexpr int ScoreDigits = 4;

int32_t entry = EntryFrames;
// As if a key were held on arrival: nothing counts until a fresh press.
int32_t lastDirection = 1;
int32_t lastButton = 1;

void ActOnDirection(int direction) {
    if (direction == DirUp) {
        MenuCursor = MenuCursor == 0 ? MenuEntries - 1 : MenuCursor - 1;
        PlaySe(lpSeMovSound[0], 0);
    } else if (direction == DirDown) {
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
                ShowSaveFailure(BestScorePath, ClearScores());
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
    DrawSprite(lpBack, BannerX, BannerY, BannerWidth, BannerHeight, lpMain[1], 0, BannerSheetY);
    DrawSprite(lpBack, LeftEmblemX, BannerY, EmblemSize, EmblemSize, lpMain[1], LeftEmblemSheetX,
               0);
    DrawSprite(lpBack, RightEmblemX, BannerY, EmblemSize, EmblemSize, lpMain[1], RightEmblemSheetX,
               0);
    DrawFill(lpBack, MenuX, MenuY, BannerWidth, MenuHeight, 0);
    DrawSprite(lpBack, MenuX, MenuY, MenuWidth, MenuHeight, lpMain[1], 0, MenuSheetY);
    DrawSprite(lpBack, CursorX, MenuY + CursorSize * MenuCursor, CursorSize, CursorSize, lpMain[1],
               CursorSheetX, CursorSheetY);
}

void DrawScoreView() {
    DrawSprite(lpBack, BannerX, ScoreBannerY, BannerWidth, BannerHeight, lpMain[1], 0,
               BannerSheetY);
    DrawSprite(lpBack, ScoreX, ScoreHeadingY, ScoreRowWidth, TileSize, lpMain[2], ScoreRowSheetX,
               ScoreHeadingSheetY);
    for (int i = 0; i < ScoreCount; ++i) {
        const int y = ScoreFirstRowY + TileSize * i;
        DrawSprite(lpBack, ScoreX, y, ScoreRowWidth, TileSize, lpMain[2], ScoreRowSheetX,
                   ScoreRowSheetY);
        DrawDigits(TitleScores[i], ScoreDigits, ScoreX, y);
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

void ResetTitleScene() {
    MenuCursor = 0;
    ScoreView = 0;
    std::fill(std::begin(TitleScores), std::end(TitleScores), 0);
    entry = EntryFrames;
    lastDirection = 1;
    lastButton = 1;
}
