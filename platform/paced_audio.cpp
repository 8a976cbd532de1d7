// An audio device of our own, for runs without the system's: a thread takes
// one period of output at a time at the pace of a real device and throws it
// away or appends it to a file. A build without threads (the browser's,
// whose tests run under node) has nothing to take it: there the device is
// silent, as a paused one, and the mixer is read only by who asks it.
#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

#include "platform/backend.h"

namespace klice::platform::detail {

namespace {

constexpr int kRate = 44100;
constexpr int kPeriodFrames = 1024;
constexpr int kFrameBytes = 2 * sizeof(float);
#if defined(__EMSCRIPTEN__) && !defined(__EMSCRIPTEN_PTHREADS__)
constexpr bool kThreads = false;
#else
constexpr bool kThreads = true;
#endif

class PacedSink final : public AudioSink {
public:
    PacedSink(std::FILE* file, double pace, MixCallback callback, void* user)
        : file_(file), callback_(callback), user_(user) {
        const double seconds = double(kPeriodFrames) / kRate / (pace > 0 ? pace : 1.0);
        period_ = std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
        if (kThreads) thread_ = std::thread([this] { Loop(); });
    }
    ~PacedSink() override {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
        if (file_) std::fclose(file_);
    }
    int Rate() const override { return kRate; }
    bool Float() const override { return true; }
    void SetPaused(bool paused) override { paused_ = paused; }

private:
    using Clock = std::chrono::steady_clock;

    void Loop() {
        std::vector<uint8_t> period(size_t(kPeriodFrames) * kFrameBytes);
        auto next = Clock::now();
        while (!stop_) {
            // A paused device plays silence, as a real one does.
            if (paused_)
                std::fill(period.begin(), period.end(), 0);
            else
                callback_(user_, period.data(), int(period.size()));
            if (file_) {
                std::fwrite(period.data(), 1, period.size(), file_);
                std::fflush(file_);
            }
            next += period_;
            std::this_thread::sleep_until(next);
        }
    }

    std::FILE* file_;
    MixCallback callback_;
    void* user_;
    Clock::duration period_{};
    std::atomic<bool> stop_{false};
    std::atomic<bool> paused_{true};  // until the device is ready
    std::thread thread_;
};

}  // namespace

std::unique_ptr<AudioSink> OpenPacedAudio(const AudioOutput& output, AudioSink::MixCallback callback, void* user) {
    std::FILE* file = nullptr;
    if (output.kind == AudioOutput::Kind::File) {
        file = std::fopen(output.file.c_str(), "wb");
        if (!file) return nullptr;
    }
    return std::make_unique<PacedSink>(file, output.pace, callback, user);
}

}  // namespace klice::platform::detail

namespace klice::platform {

bool PacedOutputRuns() { return detail::kThreads; }

}  // namespace klice::platform
