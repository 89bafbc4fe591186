// The four sound effects and the ten hit buffers played in turn.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/platform.h"

extern plat::Sound* lpSeMovSound[2];
extern plat::Sound* lpSeCheSound[2];
extern plat::Sound* lpSeCanSound[2];
extern plat::Sound* lpHitSound[10];
extern int nHitSound;

// The samples of one wave file as LoadWave hands them to the mixer:
// little-endian PCM, whole sample frames only.
struct WavePcm {
    std::vector<unsigned char> bytes;
    int channels = 0;
    int rate = 0;
    int bits = 0;
};
// The RIFF/WAVE reading half of LoadWave: true when `path` holds usable PCM.
bool ReadWave(const char* path, WavePcm* out);

// 0 success, else the number of the step that failed.
int InitDirectSound();
// 1 when the slot holds the effect of the wave file; 0 on any failure.
int LoadWave(const char* path, plat::Sound** slot);
// Fills hit slots 1..9 with duplicates of slot 0 (a failed one stays empty).
void DuplicateHitSounds();
int PlaySe(plat::Sound* buffer, uint32_t flags);
// Plays the next of the ten hit buffers.
void PlayHitSound();
void ReleaseSound(plat::Sound** slot);
void ReleaseDirectSound();
// Back to no sound service and no buffers, as at start (the platform forgets them).
void ResetSound();
