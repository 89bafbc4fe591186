// The four sound effects and the ten hit buffers played in turn.
#pragma once

#include <cstdint>

#include "platform/platform.h"

extern plat::Sound* lpSeMovSound[2];
extern plat::Sound* lpSeCheSound[2];
extern plat::Sound* lpSeCanSound[2];
extern plat::Sound* lpHitSound[10];
extern int nHitSound;

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
