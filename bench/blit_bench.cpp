// Blits of a full 1024 x 768 x 16 frame: unkeyed (row copies) against a
// plain memcpy of the same bytes, colour-keyed, and a DIB conversion.
#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <vector>

#include "platform/display_device.h"

using namespace klice::platform;

namespace {

struct Frame {
    std::unique_ptr<DisplayDevice> device = CreateDisplayDevice(nullptr);
    std::unique_ptr<PlatformSurface> src, dst;
    explicit Frame(int bits) {
        device->SetDisplayMode(1024, 768, bits);
        device->CreateSurface(1024, 768, false, &src);
        device->CreateSurface(1024, 768, false, &dst);
        // Half the pixels are the key, in runs of 16.
        void* p = nullptr;
        int pitch = 0;
        src->Lock(&p, &pitch);
        auto* bytes = static_cast<uint8_t*>(p);
        for (int y = 0; y < 768; ++y)
            for (int x = 0; x < pitch; ++x) bytes[size_t(y) * pitch + x] = ((x / 32) % 2) ? uint8_t(x * 7 + y) : 0;
        src->Unlock();
        src->SetColorKey(0);
    }
};

void BM_Memcpy16(benchmark::State& state) {
    std::vector<uint8_t> a(1024 * 768 * 2, 1), b(1024 * 768 * 2);
    for (auto _ : state) {
        std::memcpy(b.data(), a.data(), a.size());
        benchmark::DoNotOptimize(b.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(a.size()));
}
BENCHMARK(BM_Memcpy16);

void BM_BltFast16(benchmark::State& state) {
    Frame f(16);
    const bool keyed = state.range(0) != 0;
    for (auto _ : state) {
        f.dst->BltFast(0, 0, *f.src, Rect{0, 0, 1024, 768}, keyed);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * 1024 * 768 * 2);
}
BENCHMARK(BM_BltFast16)->Arg(0)->Arg(1);

void BM_BltFast32Keyed(benchmark::State& state) {
    Frame f(32);
    for (auto _ : state) {
        f.dst->BltFast(0, 0, *f.src, Rect{0, 0, 1024, 768}, true);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * 1024 * 768 * 4);
}
BENCHMARK(BM_BltFast32Keyed);

void BM_CopyDib24To16(benchmark::State& state) {
    Frame f(16);
    std::vector<uint8_t> pixels(size_t(1024) * 3 * 768, 0x5A);
    DibView view{1024, 768, 24, 1024 * 3, pixels.data(), nullptr, 0, 0, 0};
    DeviceContext* dc = nullptr;
    f.dst->GetDC(&dc);
    for (auto _ : state) {
        dc->CopyDib(0, 0, view, 0, 0, 1024, 768);
        benchmark::ClobberMemory();
    }
    f.dst->ReleaseDC(dc);
}
BENCHMARK(BM_CopyDib24To16);

}  // namespace

BENCHMARK_MAIN();
