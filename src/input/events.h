// The game's side of the event stream. Every event a back-end posts (through
// plat::PostEvent) or a replay hands in comes through here, and from here
// alone into the key table, the message queue and the joystick table.
//
// Recording, replaying and tracing attach here, with hooks: the back-ends
// know nothing of them.
#pragma once

#include <cstdint>
#include <functional>

#include "platform/events.h"

namespace events {

struct Hooks {
    // Sees every event the game takes, with the frames run before it.
    std::function<void(int frame, const plat::Event&)> seen;
    // Stands between the platform and the game: false drops the platform's
    // event; it may also change it. Not asked about events handed in by Take.
    std::function<bool(plat::Event&)> admit;
    // Called after the platform's events are in: hands in more with Take.
    std::function<void()> pump;
    // Called, after the platform's events are in, in place of the platform's
    // wait while the game is inactive: hands in events with Take until one
    // gives the game a message (or a close).
    std::function<void()> wait;
};
void SetHooks(Hooks hooks);

// Hands an event to the game past `admit`. True when it gave the game a
// message (a key going up or a stick moving gives none).
bool Take(const plat::Event& event);

// The message loop's two ways of hearing from the outside world: what has
// happened so far, and (while inactive) waiting until something does.
void Pump();
void Wait();

// The stick in `slot` as the game last heard of it.
struct Stick {
    bool attached = false;
    int x = 0, y = 0;  // -1000..1000
    uint8_t buttons[4] = {0, 0, 0, 0};
};
Stick StickAt(int slot);

// Back to a fresh start: no hooks, no sticks, and the keys and the message
// queue emptied.
void Reset();

}  // namespace events
