// Background music: one MIDI file open at a time.
#pragma once

void OpenMidi(const char* path);
int PlayMidi();
int PauseMidi();
int CloseMidi();
