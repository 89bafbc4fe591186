// Only in the sanitizer build of the SDL tests: keep the GL drivers out.
//
// On SDL's off-screen video driver an accelerated renderer, and even the
// software one (which asks for a GL-backed window surface), loads Mesa
// through EGL. Mesa keeps a few hundred configuration strings until the
// process ends and is unloaded again when the window goes, so the leak
// checker reports them at exit with no module left to name in a
// suppression. The software renderer on the driver's own plain framebuffer
// shows the same frames without loading any GL driver.
#include <cstdlib>

#if defined(__SANITIZE_ADDRESS__)
namespace {

const bool softwareRenderer = [] {
    // An explicit choice from whoever runs the tests is left alone.
    setenv("SDL_RENDER_DRIVER", "software", 0);
    setenv("SDL_FRAMEBUFFER_ACCELERATION", "0", 0);
    return true;
}();

}  // namespace
#endif
