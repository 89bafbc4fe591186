// The four scenes. Each step draws the whole screen and returns the next scene code.
#pragma once

#include <cstdint>

constexpr int32_t SceneTitle = 1;
constexpr int32_t ScenePlay = 2;
constexpr int32_t SceneResult = 3;
constexpr int32_t SceneEditor = 4;

int32_t TitleStep();
int32_t PlayStep();
int32_t ResultStep();
int32_t EditorStep();

// Each scene back to its state at start-up, as a fresh process has it.
void ResetTitleScene();
void ResetPlayScene();
void ResetResultScene();
void ResetEditorScene();

// Says that saving `path` failed with `error` (an errno value), in a box; the
// scene then goes on as it would have. Nothing for an error of 0.
void ShowSaveFailure(const char* path, int error);
