#include "capture.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

namespace klice::testing {

namespace {

uint32_t Le32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
uint16_t Le16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }

// The capture as far as it is written; `complain` fails the test when it
// is not a capture at all.
Capture ParseCapture(bool complain) {
    const std::filesystem::path path = KLICE_SOUND_CAPTURE;
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    Capture capture;
    // Written into a pipe, the image keeps the sizes of its header at 0: the
    // samples are everything after the data chunk's header.
    if (bytes.size() < 44 || std::memcmp(bytes.data(), "RIFF", 4) != 0 || std::memcmp(bytes.data() + 8, "WAVE", 4)) {
        if (complain) ADD_FAILURE() << "no capture in " << path;
        return capture;
    }
    size_t at = 12;
    int channels = 0, bits = 0;
    while (at + 8 <= bytes.size()) {
        const uint8_t* chunk = bytes.data() + at;
        if (std::memcmp(chunk, "fmt ", 4) == 0 && at + 24 <= bytes.size()) {
            channels = Le16(chunk + 10);
            capture.rate = int(Le32(chunk + 12));
            bits = Le16(chunk + 22);
        }
        if (std::memcmp(chunk, "data", 4) == 0) {
            at += 8;
            break;
        }
        at += 8 + Le32(chunk + 4);
    }
    if (bits != 16 || channels < 1 || capture.rate <= 0) {
        if (complain)
            ADD_FAILURE() << "the capture is not 16-bit PCM: " << bits << " bits, " << channels << " channels";
        return {};
    }
    const size_t frame = size_t(channels) * 2;
    for (size_t i = at; i + frame <= bytes.size(); i += frame)
        capture.left.push_back(int16_t(Le16(bytes.data() + i)) / 32768.0);
    return capture;
}

}  // namespace

void ForgetCapture() { std::filesystem::remove(KLICE_SOUND_CAPTURE); }

Capture ReadCapture() {
    // The writer drains its pipe at the pace of the sound it carries.
    const std::filesystem::path path = KLICE_SOUND_CAPTURE;
    std::error_code error;
    uintmax_t last = uintmax_t(-1);
    for (int stable = 0, waited = 0; stable < 4 && waited < 100; ++waited) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        const uintmax_t size = std::filesystem::file_size(path, error);
        stable = !error && size == last ? stable + 1 : 0;
        last = error ? uintmax_t(-1) : size;
    }
    return ParseCapture(true);
}

Capture CaptureSoFar() { return ParseCapture(false); }

double Rms(const std::vector<double>& samples, size_t from, size_t to) {
    double sum = 0;
    for (size_t i = from; i < to; ++i) sum += samples[i] * samples[i];
    return to > from ? std::sqrt(sum / double(to - from)) : 0.0;
}

std::vector<Stretch> SoundingStretches(const Capture& capture, double floor, double gap) {
    std::vector<Stretch> stretches;
    const size_t window = size_t(capture.rate / 100);
    const size_t join = size_t(gap * capture.rate);
    for (size_t from = 0; window && from + window <= capture.left.size(); from += window) {
        double peak = 0;
        for (size_t i = from; i < from + window; ++i) peak = std::max(peak, std::abs(capture.left[i]));
        if (peak <= floor) continue;
        if (!stretches.empty() && from - stretches.back().end <= join)
            stretches.back().end = from + window;
        else
            stretches.push_back({from, from + window});
    }
    return stretches;
}

}  // namespace klice::testing
