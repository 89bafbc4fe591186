// Recorded runs for the real game: --record FILE keeps what the game was
// handed, frame by frame; --trace PATH writes the headless runner's trace;
// --play FILE shows a recording in the window.
#pragma once

namespace demo {

// Takes the demo options out of the command line, leaving the others (and
// argv[0]) for the game's own options. Opens the files they name at once,
// relative to where the game was started. Returns -1 to go on, or the exit
// code after a message: 2 for a bad option or a file that cannot be used.
int TakeOptions(int* argc, char** argv);

// Once in the game directory: a playback moves into a scratch copy of it, so
// that nothing it does reaches the player's own scores and stages. False
// after a message when no copy could be made.
bool EnterPlaybackCopy();

// After the game ended: closes the recording and the trace, removes the
// scratch copy.
void Finish();

}  // namespace demo
