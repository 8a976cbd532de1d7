// Manual check of the real window: run it on a screen (or under a virtual X
// server) and it reports whether the window covers the screen and how many
// ticks and displayed frames a second the loop holds. Not part of the suite.
//   xvfb-run -s "-screen 0 1024x768x24" build/tests/platform/window_check [seconds [shot.png [toggle]]]
// With "toggle" the window goes to a plain window at a third of the run and
// back to full screen at two thirds, as Alt+Enter does.
#include <png.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "platform/application.h"
#include "platform/display_device.h"

using namespace klice::platform;

namespace {

bool WritePng(const char* path, const std::vector<uint32_t>& pixels, int w, int h) {
    std::FILE* f = std::fopen(path, "wb");
    if (!f) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(f);
        return false;
    }
    png_init_io(png, f);
    png_set_IHDR(png, info, w, h, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    std::vector<uint8_t> row(size_t(w) * 3);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            uint32_t p = pixels[size_t(y) * w + x];
            row[x * 3] = uint8_t(p >> 16);
            row[x * 3 + 1] = uint8_t(p >> 8);
            row[x * 3 + 2] = uint8_t(p);
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    std::fclose(f);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::atof(argv[1]) : 5.0;
    const bool toggle = argc > 3 && std::string(argv[3]) == "toggle";
    Application app(ApplicationMode::Windowed);
    app.Window().Show();
    auto device = CreateDisplayDevice(nullptr);
    if (device->SetDisplayMode(1024, 768, 16) != Result::Ok) return 1;
    std::unique_ptr<PlatformSurface> primary, back;
    if (device->CreatePrimarySurface(&primary) != Result::Ok) return 1;
    if (device->CreateSurface(1024, 768, false, &back) != Result::Ok) return 1;
    const uint32_t red = PackRgb(back->Format(), 255, 0, 0);

    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    const uint64_t first_frames = app.DisplayedFrames();
    uint64_t ticks = 0;
    app.SetTimer(10, [&] {
        // A bar crossing the frame, one column a tick.
        back->Fill(PackRgb(back->Format(), 40, 40, 120));
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
        const double t = std::chrono::duration<double>(Clock::now() - start).count();
        if (toggle && t >= seconds / 3 && t < seconds * 2 / 3) app.Window().SetFullScreen(false);
        if (toggle && t >= seconds * 2 / 3) app.Window().SetFullScreen(true);
        if (t >= seconds) app.Terminate();
    });
    app.Run();
    const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    int ww = 0, wh = 0, sw = 0, sh = 0;
    app.Window().WindowSize(&ww, &wh);
    app.Window().ScreenSize(&sw, &sh);
    std::printf("window %dx%d, screen %dx%d: %s\n", ww, wh, sw, sh,
                ww == sw && wh == sh ? "covers the screen" : "does NOT cover the screen");
    std::printf("%llu ticks in %.2f s = %.1f ticks/s (%lld given up after stalls); %llu frames shown = %.1f frames/s\n",
                static_cast<unsigned long long>(ticks), elapsed, ticks / elapsed,
                static_cast<long long>(app.DroppedTicks()),
                static_cast<unsigned long long>(app.DisplayedFrames() - first_frames),
                (app.DisplayedFrames() - first_frames) / elapsed);
    if (argc > 2) {
        std::vector<uint32_t> pixels;
        int w = 0, h = 0;
        if (app.ReadWindowPixels(&pixels, &w, &h) && WritePng(argv[2], pixels, w, h))
            std::printf("screen written to %s\n", argv[2]);
    }
    return 0;
}
