// The window picture of a 1024 x 768 x 16 frame scaled on the processor
// (FrameScaler), at the screen sizes of scripts/window-check.sh and at x2:
// the whole picture (the first frame, a resized or uncovered window), a frame
// in which a 60 x 90 sprite moved (a play tick), and an unchanged frame.
// Args: screen width, height.
#include <benchmark/benchmark.h>

#include <vector>

#include "platform/application.h"
#include "platform/frame_scaler.h"

using namespace klice::platform;
using namespace klice::platform::detail;

namespace {

const PixelFormat kRgb565{16, 0xF800, 0x07E0, 0x001F};

struct Scene {
    std::vector<uint16_t> frame = std::vector<uint16_t>(1024 * 768);
    std::vector<uint32_t> window;
    WindowPicture picture;
    LetterboxRect box;
    Scene(int width, int height) : window(size_t(width) * height) {
        for (int y = 0; y < 768; ++y)
            for (int x = 0; x < 1024; ++x) frame[size_t(y) * 1024 + x] = uint16_t(x * 31 + y * 7);
        picture = WindowPicture{window.data(), width, height, width * 4};
        box = SharpLetterbox(width, height, 1024, 768);
    }
    PrimaryView View() const {
        return PrimaryView{reinterpret_cast<const uint8_t*>(frame.data()), 1024, 768, 2048, kRgb565};
    }
    // The sprite at column `x`: drawn over a background that is restored behind it.
    void MoveSprite(int x) {
        for (int y = 600; y < 690; ++y)
            for (int dx = -8; dx < 68; ++dx) {
                const int fx = ((x + dx) % 1024 + 1024) % 1024;
                frame[size_t(y) * 1024 + size_t(fx)] = dx >= 0 && dx < 60 ? 0xF800 : uint16_t(fx * 31 + y * 7);
            }
    }
};

void BM_ScaleWholeFrame(benchmark::State& state) {
    Scene s(int(state.range(0)), int(state.range(1)));
    FrameScaler scaler;
    for (auto _ : state) {
        benchmark::DoNotOptimize(scaler.Draw(s.View(), s.picture, s.box, true).data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_ScaleWholeFrame)->Args({1024, 768})->Args({1280, 1024})->Args({1920, 1080})->Args({2048, 1536});

void BM_ScaleMovedSprite(benchmark::State& state) {
    Scene s(int(state.range(0)), int(state.range(1)));
    FrameScaler scaler;
    scaler.Draw(s.View(), s.picture, s.box, true);
    int x = 0;
    for (auto _ : state) {
        s.MoveSprite(x += 3);
        benchmark::DoNotOptimize(scaler.Draw(s.View(), s.picture, s.box, false).data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_ScaleMovedSprite)->Args({1024, 768})->Args({1280, 1024})->Args({1920, 1080})->Args({2048, 1536});

void BM_ScaleUnchangedFrame(benchmark::State& state) {
    Scene s(1920, 1080);
    FrameScaler scaler;
    scaler.Draw(s.View(), s.picture, s.box, true);
    for (auto _ : state) {
        benchmark::DoNotOptimize(scaler.Draw(s.View(), s.picture, s.box, false).data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_ScaleUnchangedFrame);

}  // namespace

BENCHMARK_MAIN();
