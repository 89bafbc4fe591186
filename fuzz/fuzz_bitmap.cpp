// The bitmap loading path: LoadBitmapSurface as start-up runs it, then the
// reload after a display reset over surfaces larger and smaller than the
// picture, and a draw of the new sheet, as the scenes would draw from it.
#include <cstddef>
#include <cstdint>

#include "base/frames.h"
#include "fuzz_support.h"
#include "gfx/gfx.h"
#include "platform/script/script.h"

namespace {

Surface* small = nullptr;  // smaller than most pictures
Surface* large = nullptr;  // the size of the playfield background

bool Start() {
    script::Reset();
    fuzz::Check(InitDisplay() == 0, "the scripted display did not open");
    fuzz::Check(CreateImageSurface(&small, 7, 5) == 1 && CreateImageSurface(&large, 416, 416) == 1,
                "no surfaces to reload into");
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool started = Start();
    (void)started;
    static const std::string path = fuzz::PathOf("Bg.bmp");
    fuzz::WriteFile(path, data, size);
    // Only what the last input showed goes; the display and its surfaces stay.
    script::Reset();
    frames::Reset();
    frames::KeepAll(true);

    const int loaded = LoadBitmapSurface(&lpMain[3], path.c_str());
    // Every failure says so, and says it once.
    const auto& messages = frames::All().messages;
    fuzz::Check(loaded == 1 ? messages.empty() : messages.size() == 1,
                "LoadBitmapSurface's message does not match its result");
    fuzz::Check(loaded == 0 || lpMain[3] != nullptr, "LoadBitmapSurface said 1 with no surface");
    fuzz::Check(
        ReloadBitmap(small, path.c_str()) == loaded && ReloadBitmap(large, path.c_str()) == loaded,
        "the reload and the load disagree about the file");
    if (loaded) {
        const int w = SurfaceWidth(lpMain[3]);
        const int h = SurfaceHeight(lpMain[3]);
        fuzz::Check(w > 0 && h > 0, "a picture surface without pixels");
        DrawSprite(lpBack, 32, 32, w < 416 ? w : 416, h < 416 ? h : 416, lpMain[3], 0, 0);
        DrawSprite(lpBack, -w / 2, -h / 2, w, h, lpMain[3], 0, 0);
    }
    ReleaseSurface(&lpMain[3]);
    return 0;
}
