// Recorded runs for the real game: --record FILE keeps what the game was
// handed, frame by frame; --trace PATH writes the headless runner's trace;
// --play FILE shows a recording in the window.
#pragma once

namespace demo {

// Takes the demo options out of the command line, leaving the others (and
// argv[0]) for the game's own options. Returns -1 to go on, or 2 after a
// message for an option that is wrong.
int TakeOptions(int* argc, char** argv);

// Opens the files the options named, relative to where the game was started;
// called once the rest of the command line is known to be good. Returns -1
// to go on, or 2 after a message for a file that cannot be used.
int OpenFiles();

// Once in the game directory: a playback moves into a scratch copy of it, so
// that nothing it does reaches the player's own scores and stages. False
// after a message when no copy could be made.
bool EnterPlaybackCopy();

// Once the single-instance lock is held: removes the scratch copies that
// playbacks killed before their end left in the temporary directory.
void RemoveLeftovers();

// After the game ended: closes the recording and the trace, removes the
// scratch copy.
void Finish();

}  // namespace demo
