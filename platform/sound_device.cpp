// What every sound device shares: the caller's choice of output and the
// stored wave format.
#include "platform/sound_device.h"

#include <cmath>

namespace klice::platform {

namespace {

uint16_t Le16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
uint32_t Le32(const uint8_t* p) {
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

AudioOutput& ChosenOutput() {
    static AudioOutput output;
    return output;
}

}  // namespace

float VolumeToGain(int32_t hundredths_of_db) { return float(std::pow(10.0, double(hundredths_of_db) / 2000.0)); }

bool WaveFormat::FromBytes(const void* block, size_t size, WaveFormat* format) {
    if (size < 16) return false;
    const auto* p = static_cast<const uint8_t*>(block);
    format->format_tag = Le16(p);
    format->channels = Le16(p + 2);
    format->samples_per_sec = Le32(p + 4);
    format->avg_bytes_per_sec = Le32(p + 8);
    format->block_align = Le16(p + 12);
    format->bits_per_sample = Le16(p + 14);
    return true;
}

void SetAudioOutput(const AudioOutput& output) { ChosenOutput() = output; }
const AudioOutput& CurrentAudioOutput() { return ChosenOutput(); }

}  // namespace klice::platform
