// The game's executable: find the game directory, then run the game in it.
#include "app/app.h"
#include "demo/demo.h"
#include "platform/gamedir.h"
#include "platform/platform.h"

int main(int argc, char** argv) {
    // The demo options name files relative to where the game was started.
    if (const int code = demo::TakeOptions(&argc, argv); code >= 0) {
        return code;
    }
    if (!EnterGameDirectory()) {
        demo::Finish();
        return 0;
    }
    if (!demo::EnterPlaybackCopy()) {
        demo::Finish();
        return 1;
    }
    const int exitCode = WinMain();
    demo::Finish();
    plat::Shutdown();
    return exitCode;
}
