// Background music: one MIDI file open at a time.
#pragma once

#include <vector>

void OpenMidi(const char* path);
int PlayMidi();
int PauseMidi();
int CloseMidi();
// Back to no music open, as at start.
void ResetMusic();

// The whole file at `path` when it is a MIDI file, else nothing: the
// sequencer never played anything else, and refused what plainly is none
// when it was opened.
std::vector<unsigned char> ReadMidi(const char* path);
