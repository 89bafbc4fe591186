#include "input/messages.h"

#include <deque>

namespace {
std::deque<Msg> queue;
}

void PostMessage(uint32_t message, intptr_t wParam, intptr_t lParam) {
    queue.push_back(Msg{message, wParam, lParam});
}

void PostQuitMessage(int exitCode) {
    PostMessage(WM_QUIT, exitCode, 0);
}

bool TakeMessage(Msg* out) {
    if (queue.empty()) {
        return false;
    }
    *out = queue.front();
    queue.pop_front();
    return true;
}

void ClearMessages() {
    queue.clear();
}
