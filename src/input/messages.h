// The window system's message queue, as the game's window procedure sees it.
// Both platform implementations feed it; the message loop drains it.
#pragma once

#include <cstdint>

// The few message numbers the window procedure handles (their classic values).
constexpr uint32_t WM_DESTROY = 0x0002;
constexpr uint32_t WM_CLOSE = 0x0010;
constexpr uint32_t WM_QUIT = 0x0012;
constexpr uint32_t WM_ACTIVATEAPP = 0x001C;
constexpr uint32_t WM_KEYDOWN = 0x0100;
constexpr uint32_t MM_MCINOTIFY = 0x03B9;

struct Msg {
    uint32_t message = 0;
    intptr_t wParam = 0;
    intptr_t lParam = 0;
};

// Posts a message to the end of the queue.
void PostMessage(uint32_t message, intptr_t wParam, intptr_t lParam);
// Posts WM_QUIT with the exit code.
void PostQuitMessage(int exitCode);
// Takes the first waiting message; false when none waits.
bool TakeMessage(Msg* out);
// Empties the queue (start of a run in tests).
void ClearMessages();
