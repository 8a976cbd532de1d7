// What ALSA's file device wrote for the test (see CMakeLists.txt): a WAV
// image of 16-bit samples, written in real time from the moment the sound
// device opened until it closed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace klice::testing {

struct Capture {
    int rate = 0;
    std::vector<double> left;  // the left channel in [-1, 1]
    double Seconds(size_t sample) const { return double(sample) / rate; }
};

// Removes the last capture, before a device opens.
void ForgetCapture();
// Waits until the device's writer has finished (the file stops growing),
// then reads it; fails the test when there is none.
Capture ReadCapture();
// The capture as far as the writer has got, while the device is still open:
// empty (rate 0) before its header is written.
Capture CaptureSoFar();

// Root mean square of samples [from, to).
double Rms(const std::vector<double>& samples, size_t from, size_t to);

// Stretches of sound: runs of 10 ms windows whose peak is above `floor`,
// joined across gaps shorter than `gap` seconds. [begin, end) in samples.
struct Stretch {
    size_t begin, end;
};
std::vector<Stretch> SoundingStretches(const Capture& capture, double floor, double gap = 0.05);

}  // namespace klice::testing
