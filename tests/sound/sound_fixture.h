// A form with a sound component and a wave list on the real mixing device
// (the tests' output discards, so the device is our mixer on every system),
// paused so that tests pull the mixed output themselves.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/mixing_sound_device.h"
#include "sound/dx_sound.h"
#include "sound/wave_list.h"

namespace klice::testing {

class TTestForm : public TComponent, public TSoundWindowSite {
public:
    TTestForm() : TComponent(nullptr) {}
    ~TTestForm() override { DestroyComponents(); }
    const void* SoundWindow() const override { return window; }
    void RecreateWindow(const void* new_window) {
        window = new_window;
        WindowRecreated();
    }
    const void* window = &window;
};

// 16-bit mono PCM at `rate` from levels in [-1, 1].
inline TWave MakeWave(const std::vector<double>& levels, uint32_t rate = 22050) {
    TWave wave;
    const uint8_t format[16] = {1,
                                0,
                                1,
                                0,
                                uint8_t(rate),
                                uint8_t(rate >> 8),
                                uint8_t(rate >> 16),
                                0,
                                uint8_t(2 * rate),
                                uint8_t((2 * rate) >> 8),
                                uint8_t((2 * rate) >> 16),
                                0,
                                2,
                                0,
                                16,
                                0};
    wave.SetFormat(format, sizeof format);
    wave.SetSize(levels.size() * 2);
    for (size_t i = 0; i < levels.size(); ++i) {
        const auto v = int16_t(std::lrint(levels[i] * 32767));
        wave.Data()[2 * i] = uint8_t(v);
        wave.Data()[2 * i + 1] = uint8_t(uint16_t(v) >> 8);
    }
    return wave;
}

// `frames` frames at one level, then as many at a second one.
inline std::vector<double> TwoLevels(size_t frames, double first, double second) {
    std::vector<double> levels(2 * frames, first);
    std::fill(levels.begin() + ptrdiff_t(frames), levels.end(), second);
    return levels;
}

inline std::vector<double> SineLevels(size_t frames, double hz, double level, uint32_t rate = 22050) {
    std::vector<double> levels(frames);
    for (size_t i = 0; i < frames; ++i) levels[i] = level * std::sin(2 * 3.14159265358979 * hz * double(i) / rate);
    return levels;
}

inline double Rms(const std::vector<float>& s, size_t from, size_t to) {
    double sum = 0;
    for (size_t i = from; i < to; ++i) sum += double(s[i]) * s[i];
    return std::sqrt(sum / double(to - from));
}

inline bool Silent(const std::vector<float>& s) {
    for (float v : s)
        if (v != 0.0f) return false;
    return true;
}

// The mixer under an initialized sound component.
// A new item of the list playing `wave` (which must outlive it).
inline TWaveCollectionItem* AddWaveTo(TDXWaveList* list, const TWave& wave, bool looped, int32_t max_playing) {
    auto* item = static_cast<TWaveCollectionItem*>(list->Items()->Add());
    item->SetWave(const_cast<TWave*>(&wave));
    item->SetLooped(looped);
    item->SetMaxPlayingCount(max_playing);
    return item;
}

inline platform::MixingSoundDevice* Mixer(const TCustomDXSound& sound) {
    auto* mixer = dynamic_cast<platform::MixingSoundDevice*>(&sound.DSound()->IDSound());
    if (!mixer) throw std::logic_error("the sound component is not on the mixer");
    return mixer;
}

class SoundTest : public ::testing::Test {
protected:
    void SetUp() override {
        sound = new TDXSound(&form);
        list = new TDXWaveList(&form);
        list->SetDXSound(sound);
    }

    TWaveCollectionItem* AddWave(const TWave& wave, bool looped = false, int32_t max_playing = 0) {
        return AddWaveTo(list, wave, looped, max_playing);
    }

    // Components go before the fixture's own members, which their
    // listeners may write to.
    void TearDown() override { form.DestroyComponents(); }

    // Initializes (or throws) and pauses the device's own callback.
    void Start() {
        sound->Initialize();
        device = Mixer(*sound);
        device->SetPaused(true);
    }

    std::vector<float> Mix(int frames) { return device->MixForTesting(frames); }
    // Left channel of the last frame of a mix of `frames` frames.
    float LevelAfter(int frames) { return Mix(frames)[2 * size_t(frames) - 2]; }

    TTestForm form;
    TDXSound* sound = nullptr;
    TDXWaveList* list = nullptr;
    platform::MixingSoundDevice* device = nullptr;
};

// Runs as on a machine without an audio device.
class NoDevice {
private:
    platform::ScopedAudioOutput none_{platform::AudioOutput::None()};
};

}  // namespace klice::testing
