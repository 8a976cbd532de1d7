// Cost of mixing playing voices into one second of output, each resampled
// from its own rate to the output's as it is mixed: the game's kinds of
// sound (16-bit mono at 22050, 16000 and 11025 Hz), looped. The counter
// "core_percent" is the thread CPU time of mixing one second of sound as a
// percentage of that second: the share of one core the audio callback takes.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "platform/mixing_sound_device.h"

using namespace klice::platform;

static void MixVoices(benchmark::State& state) {
    std::unique_ptr<MixingSoundDevice> device;
    if (MixingSoundDevice::Open(&device, AudioOutput::Discard()) != SoundResult::Ok) {
        state.SkipWithError("no audio device");
        return;
    }
    device->SetPaused(true);
    const uint32_t rates[] = {22050, 16000, 11025};
    std::vector<std::unique_ptr<SoundBuffer>> buffers(size_t(state.range(0)));
    for (size_t i = 0; i < buffers.size(); ++i) {
        BufferDescription d;
        d.flags = kBufferCtrlFrequency | kBufferCtrlPan | kBufferCtrlVolume;
        const uint32_t rate = rates[i % 3];
        d.format = {kWaveFormatPcm, 1, rate, rate * 2, 2, 16};
        d.bytes = rate * 2 * 3;
        device->CreateBuffer(d, &buffers[i]);
        void *r1, *r2;
        uint32_t l1, l2;
        buffers[i]->Lock(0, 0, &r1, &l1, &r2, &l2, true);
        auto* s = static_cast<int16_t*>(r1);
        for (uint32_t k = 0; k < l1 / 2; ++k) s[k] = int16_t(1500 * std::sin(0.01 * double(k) * double(i + 1)));
        buffers[i]->Unlock(r1, l1, r2, l2);
        buffers[i]->SetVolume(-int32_t(i) * 100);
        buffers[i]->Play(true);
    }
    const int rate = device->OutputRate();
    std::vector<uint8_t> out(size_t(rate) * 2 * (device->OutputIsFloat() ? 4 : 2));
    const int period = 1024 * 2 * (device->OutputIsFloat() ? 4 : 2);  // one callback's worth
    timespec t0{}, t1{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t0);
    for (auto _ : state) {
        for (size_t at = 0; at < out.size(); at += size_t(period))
            device->Mix(out.data() + at, int(std::min(out.size() - at, size_t(period))));
        benchmark::DoNotOptimize(out.data());
    }
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t1);
    const double seconds = double(t1.tv_sec - t0.tv_sec) + double(t1.tv_nsec - t0.tv_nsec) * 1e-9;
    // Each iteration mixes exactly one second of sound.
    state.counters["core_percent"] = state.iterations() > 0 ? 100.0 * seconds / double(state.iterations()) : 0;
}
BENCHMARK(MixVoices)->Arg(8)->Arg(16)->ArgName("voices")->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
