// Sound in the browser: our mixer feeding WebAudio through a script
// processor. Browsers start an audio context suspended until the player's
// first key or click; the page resumes it then (Module.kliceResumeAudio).
// The processor's callback runs on the page's one thread, between animation
// frames, and pulls a period of the mix from here.
#include <emscripten.h>

#include <vector>

#include "platform/backend.h"

namespace {

// clang-format off
// Opens the context and the processor; the context's rate, or 0 without WebAudio.
EM_JS(int, klice_web_audio_open, (int frames), {
    const Context = window.AudioContext || window.webkitAudioContext;
    if (!Context) return 0;
    const context = new Context();
    const processor = context.createScriptProcessor(frames, 0, 2);
    const size = frames * 2;
    processor.onaudioprocess = (event) => {
        const left = event.outputBuffer.getChannelData(0);
        const right = event.outputBuffer.getChannelData(1);
        const at = Module._klice_web_audio_mix(frames) >> 2;
        if (!at) { left.fill(0); right.fill(0); return; }
        const mix = HEAPF32.subarray(at, at + size);
        for (let i = 0; i < frames; ++i) {
            left[i] = mix[2 * i];
            right[i] = mix[2 * i + 1];
        }
    };
    processor.connect(context.destination);
    Module.kliceAudio = {context, processor};
    Module.kliceResumeAudio = () => { if (context.state !== 'running') context.resume(); };
    return context.sampleRate;
});
EM_JS(void, klice_web_audio_close, (), {
    if (!Module.kliceAudio) return;
    Module.kliceAudio.processor.disconnect();
    Module.kliceAudio.processor.onaudioprocess = null;
    Module.kliceAudio.context.close();
    Module.kliceAudio = null;
});
EM_JS(int, klice_web_audio_exists, (), {
    return typeof window !== 'undefined' && !!(window.AudioContext || window.webkitAudioContext);
});
// clang-format on

struct Output {
    klice::platform::AudioSink::MixCallback callback = nullptr;
    void* user = nullptr;
    bool paused = true;
    std::vector<float> buffer;
};
Output g_output;

// Frames of one period: 2048 at 48 kHz is 43 ms, which the processor needs
// to play without gaps on a busy page.
constexpr int kPeriodFrames = 2048;

}  // namespace

// The processor's call: the next period, interleaved float stereo; null
// while paused or closed (the page plays silence).
extern "C" EMSCRIPTEN_KEEPALIVE float* klice_web_audio_mix(int frames) {
    Output& out = g_output;
    if (!out.callback || out.paused || frames <= 0) return nullptr;
    out.buffer.resize(size_t(frames) * 2);
    out.callback(out.user, reinterpret_cast<uint8_t*>(out.buffer.data()), int(out.buffer.size() * sizeof(float)));
    return out.buffer.data();
}

namespace klice::platform::detail {

namespace {

class WebAudioSink final : public AudioSink {
public:
    explicit WebAudioSink(int rate) : rate_(rate) {}
    ~WebAudioSink() override {
        klice_web_audio_close();
        g_output = Output{};
    }
    int Rate() const override { return rate_; }
    bool Float() const override { return true; }
    void SetPaused(bool paused) override { g_output.paused = paused; }

private:
    int rate_;
};

}  // namespace

std::unique_ptr<AudioSink> OpenSystemAudio(AudioSink::MixCallback callback, void* user) {
    if (g_output.callback) return nullptr;  // one output at a time
    const int rate = klice_web_audio_open(kPeriodFrames);
    if (rate <= 0) return nullptr;
    g_output.callback = callback;
    g_output.user = user;
    g_output.paused = true;  // a sink starts paused
    return std::make_unique<WebAudioSink>(rate);
}

}  // namespace klice::platform::detail

namespace klice::platform {

bool SystemAudioAvailable() { return klice_web_audio_exists(); }

}  // namespace klice::platform
