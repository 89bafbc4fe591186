// Recorded runs, attached where the game takes its events (input/events.h):
// what the game was handed is written down as a recording in the headless
// runner's input-script format, and a recording or an input script is handed
// to the game in place of, or beside, the platform's own events.
//
// Events are stamped with the number of frames run before the game took
// them, as the runner's scripts number them.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "demo/script_text.h"

namespace tap {

// The version written on a recording's first line, and the newest one read.
constexpr int RecordingVersion = 1;

// Starts recording to `path` (created or emptied). False with the reason.
bool StartRecording(const std::string& path, std::string* why);
bool Recording();
// Puts what was written so far on disk: a crash keeps everything the game
// was handed before the frame it died in.
void Flush();

struct PlaybackOptions {
    // After this many frames the game is closed, as a close from outside
    // closes it, and no later line is handed over; negative: no limit.
    int frameLimit = -1;
    // Close the game once the frame after the last line has run (a recording
    // cut short still ends).
    bool closeAfterLast = true;
    // The player's own keys, stick, focus and music's end are ignored: only
    // Esc and a close from outside reach the game, and both close it.
    bool replacesPlayer = true;
    // While the game is inactive no frame runs and the lines are handed over
    // one after another: this is called before each with the frame it names.
    std::function<void(int frame)> beforeWaitedLine;
};
void StartPlayback(std::vector<script::Event> events, PlaybackOptions options);
bool Playing();
// One more line for the playback under way, after those of its frame.
void AddLine(const script::Event& line);
void SetFrameLimit(int frames);
// The frame of the last line (0 when there is none).
int LastEventFrame();

// Writes a recording's last line and closes it; forgets any playback.
void Finish();

}  // namespace tap
