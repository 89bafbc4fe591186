// The stage editor: lays bricks on the one stage grid and keeps the stage
// files.
#include "scenes/editor.h"

#include <iterator>

#include "audio/music.h"
#include "audio/sound.h"
#include "data/stage.h"
#include "gfx/gfx.h"
#include "input/input.h"
#include "scenes/draw_common.h"
#include "scenes/scenes.h"

int32_t EditorColumn = 0;
int32_t EditorRow = 0;
int32_t EditorStage = 0;
int32_t EditorBrickSet = 0;

namespace {

constexpr int EntryFrames = 60;
constexpr int ButtonToggle = 1;
constexpr int ButtonCancel = 2;
constexpr int ButtonNextStage = 3;
constexpr int ButtonSave = 4;
constexpr int ButtonLoad = 5;

constexpr int StageNumberX = 544, StageNumberY = 64;

int32_t entry = EntryFrames;
int32_t lastDirection = 0;
int32_t lastButton = 0;

// The move sound plays even at the edge, so the player hears the key took.
void MoveCursor(int direction) {
    switch (direction) {
        case DirRight:
            if (EditorColumn < StageColumns - 1) {
                ++EditorColumn;
            }
            break;
        case DirLeft:
            if (EditorColumn > 0) {
                --EditorColumn;
            }
            break;
        case DirUp:
            if (EditorRow > 0) {
                --EditorRow;
            }
            break;
        case DirDown:
            if (EditorRow < StageRows - 1) {
                ++EditorRow;
            }
            break;
        default:
            return;
    }
    PlaySe(lpSeMovSound[0], 0);
}

int32_t ActOnButton(int button) {
    switch (button) {
        case ButtonToggle: {
            int32_t& cell = StageCell(EditorColumn, EditorRow);
            cell = cell == 0 ? 1 : 0;
            PlaySe(lpSeCheSound[0], 0);
            break;
        }
        case ButtonCancel:
            PlaySe(lpSeCanSound[0], 0);
            return SceneTitle;
        case ButtonNextStage:
            // The grid stays as shown, so a layout can be saved under another stage.
            EditorStage = EditorStage == StageCount - 1 ? 0 : EditorStage + 1;
            EditorBrickSet = BrickSetForStage(EditorStage);
            PlaySe(lpSeMovSound[0], 0);
            break;
        case ButtonSave:
            ShowSaveFailure(StagePath(EditorStage), SaveStage(EditorStage));
            PlaySe(lpSeCheSound[0], 0);
            break;
        case ButtonLoad:
            LoadStage(EditorStage);
            PlaySe(lpSeCheSound[0], 0);
            break;
        default:
            break;
    }
    return SceneEditor;
}

void DrawEditor() {
    DrawPlayfieldFrame();
    for (int r = 0; r < StageRows; ++r) {
        for (int c = 0; c < StageColumns; ++c) {
            if (StageCell(c, r) >= 1) {
                DrawBrick(c, r, EditorBrickSet);
            }
        }
    }
    // The cursor is the ball, laid over the brick under it.
    DrawSprite(lpBack, CellScreenX(EditorColumn), CellScreenY(EditorRow), TileSize, TileSize,
               lpMain[2], 192, 0);
    DrawDigits(EditorStage + 1, 2, StageNumberX, StageNumberY);
}

}  // namespace

int32_t EditorStep() {
    int32_t next = SceneEditor;
    if (entry == EntryFrames) {
        OpenMidi("Mid/System.mid");
        PlayMidi();
        // Always a clean sheet: whatever the last game left is gone.
        for (int i = 0; i < StageCells; ++i) {
            StageGrid[i] = 0;
        }
        EditorBrickSet = BrickSetForStage(EditorStage);
    }
    int direction = 0;
    int button = 0;
    ReadFrameInput(EditorKeys, static_cast<int>(std::size(EditorKeys)), &direction, &button);
    if (entry != 0) {
        --entry;
    }
    if (entry == 0) {
        if (direction != lastDirection) {
            MoveCursor(direction);
        }
        if (button != lastButton) {
            next = ActOnButton(button);
        }
    }
    lastDirection = direction;
    lastButton = button;

    DrawEditor();
    if (next != SceneEditor) {
        CloseMidi();
        entry = EntryFrames;
    }
    return next;
}

void ResetEditorScene() {
    EditorColumn = 0;
    EditorRow = 0;
    EditorStage = 0;
    EditorBrickSet = 0;
    entry = EntryFrames;
    lastDirection = 0;
    lastButton = 0;
}
