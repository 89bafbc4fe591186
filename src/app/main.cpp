// The game's executable: find the game directory, then run the game in it.
#include "app/app.h"
#include "platform/gamedir.h"
#include "platform/platform.h"

int main() {
    if (!EnterGameDirectory()) {
        return 0;
    }
    const int exitCode = WinMain();
    plat::Shutdown();
    return exitCode;
}
