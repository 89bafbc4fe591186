// A save that failed: the old file is still there, but what the player just
// did (a run's score, a cleared table, an edited stage) is not kept, and the
// player has to hear of it. It reads as the game's other messages: the
// failure first, as the music's "オープン失敗", then the file and the reason.
#include <cstring>
#include <string>

#include "base/frames.h"
#include "base/printable.h"
#include "platform/platform.h"
#include "scenes/scenes.h"

void ShowSaveFailure(const char* path, int error) {
    if (error == 0) {
        return;
    }
    const std::string text =
        "セーブ失敗\n" + Printable(path != nullptr ? path : "") + ": " + std::strerror(error);
    frames::NoteMessage(text.c_str(), " ", {});
    plat::MessageBox(text.c_str(), " ", true);
}
