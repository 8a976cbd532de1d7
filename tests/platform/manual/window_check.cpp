// Manual check of the real window: run it on a screen (or under a virtual X
// server) and it reports whether the window covers the screen and how many
// ticks and displayed frames a second the loop holds. Not part of the suite.
//   xvfb-run -s "-screen 0 1024x768x24" build/tests/platform/window_check [seconds]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "platform/application.h"
#include "platform/display_device.h"

using namespace klice::platform;

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::atof(argv[1]) : 5.0;
    Application app(ApplicationMode::Windowed);
    app.Window().Show();
    auto device = CreateDisplayDevice(nullptr);
    if (device->SetDisplayMode(1024, 768, 16) != Result::Ok) return 1;
    std::unique_ptr<PlatformSurface> primary, back;
    if (device->CreatePrimarySurface(&primary) != Result::Ok) return 1;
    if (device->CreateSurface(1024, 768, false, &back) != Result::Ok) return 1;
    const uint32_t black = PackRgb(back->Format(), 0, 0, 0), red = PackRgb(back->Format(), 255, 0, 0);

    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    const uint64_t first_frames = app.DisplayedFrames();
    uint64_t ticks = 0;
    app.SetTimer(10, [&] {
        // A bar crossing the frame, one column a tick.
        back->Fill(black);
        void* p = nullptr;
        int pitch = 0;
        if (back->Lock(&p, &pitch) == Result::Ok) {
            int x = int(ticks % 1024);
            for (int y = 0; y < 768; ++y)
                for (int dx = 0; dx < 8 && x + dx < 1024; ++dx)
                    reinterpret_cast<uint16_t*>(static_cast<uint8_t*>(p) + size_t(y) * pitch)[x + dx] = uint16_t(red);
            back->Unlock();
        }
        primary->Blt(Rect{0, 0, 1024, 768}, *back, Rect{0, 0, 1024, 768}, false);
        ++ticks;
        if (std::chrono::duration<double>(Clock::now() - start).count() >= seconds) app.Terminate();
    });
    app.Run();
    const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    int ww = 0, wh = 0, sw = 0, sh = 0;
    app.Window().WindowSize(&ww, &wh);
    app.Window().ScreenSize(&sw, &sh);
    std::printf("window %dx%d, screen %dx%d: %s\n", ww, wh, sw, sh,
                ww == sw && wh == sh ? "covers the screen" : "does NOT cover the screen");
    std::printf("%llu ticks in %.2f s = %.1f ticks/s; %llu frames shown = %.1f frames/s\n",
                static_cast<unsigned long long>(ticks), elapsed, ticks / elapsed,
                static_cast<unsigned long long>(app.DisplayedFrames() - first_frames),
                (app.DisplayedFrames() - first_frames) / elapsed);
    return 0;
}
