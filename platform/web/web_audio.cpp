// Sound in the browser: our mixer feeding WebAudio. Where the browser has
// an AudioWorklet (Chromium does, on pages served from this machine or over
// HTTPS) a small processor plays the mix from a queue of blocks that this
// page's one thread mixes when the processor asks, through its port: about
// 85 ms are kept queued, so a busy frame does not stall the sound. Elsewhere
// the deprecated script processor pulls a period of the mix in its callback.
// Both play the same blocks of the same mixer, at a rate the page asks for.
// Making the context holds the page for a good while (a quarter of a second
// in headless Chromium, before the title or, made after it, in the title's
// first seconds, whose ticks it set back), and browsers keep a context
// suspended until the player's first key or click anyway: so it is made
// then (Module.kliceResumeAudio), and the mixer runs from that moment.
//
// A page opened as index.html?test keeps what it plays in
// Module.kliceAudioTap once a check sets that to an array (the page's sound
// check, tests/web/page_check.mjs).
#include <emscripten.h>

#include <vector>

#include "platform/backend.h"

namespace {

// clang-format off
// Sets up the sink that opens itself later; the rate it plays at, or 0
// without WebAudio.
EM_JS(int, klice_web_audio_open, (int rate, int script_frames, int block_frames, int queued_frames), {
    const Context = window.AudioContext || window.webkitAudioContext;
    if (!Context) return 0;
    const tapping = new URLSearchParams(location.search).has('test');
    // The next `count` frames of the mix, interleaved stereo, in an array of
    // their own; silence while the mixer is paused or closed.
    const mix = (count) => {
        const at = Module._klice_web_audio_mix(count) >> 2;
        const block = at ? HEAPF32.slice(at, at + 2 * count) : new Float32Array(2 * count);
        if (tapping && Array.isArray(Module.kliceAudioTap)) Module.kliceAudioTap.push(block.slice());
        return block;
    };
    const audio = {context: null, node: null, kind: 'none'};
    Module.kliceAudio = audio;
    const start = (context) => {
        const startScriptProcessor = () => {
            if (Module.kliceAudio !== audio) return;  // closed meanwhile
            const processor = context.createScriptProcessor(script_frames, 0, 2);
            processor.onaudioprocess = (event) => {
                const left = event.outputBuffer.getChannelData(0);
                const right = event.outputBuffer.getChannelData(1);
                const block = mix(script_frames);
                for (let i = 0; i < script_frames; ++i) {
                    left[i] = block[2 * i];
                    right[i] = block[2 * i + 1];
                }
            };
            processor.connect(context.destination);
            audio.node = processor;
            audio.kind = 'script processor';
        };
        // The worklet's processor: plays the queued blocks and asks for a block
        // whenever the queue and what it has asked for fall below the target.
        const feed = () => {
            class KliceFeed extends AudioWorkletProcessor {
                constructor(options) {
                    super();
                    this.blocks = [];
                    this.played = 0;  // frames of the first block played
                    this.queued = 0;
                    this.asked = 0;
                    this.block = options.processorOptions.block;
                    this.target = options.processorOptions.target;
                    this.port.onmessage = (event) => {
                        this.blocks.push(event.data);
                        this.queued += event.data.length / 2;
                        this.asked -= event.data.length / 2;
                    };
                    this.ask();
                }
                ask() {
                    while (this.queued + this.asked < this.target) {
                        this.port.postMessage(this.block);
                        this.asked += this.block;
                    }
                }
                process(inputs, outputs) {
                    const left = outputs[0][0], right = outputs[0][1];
                    let i = 0;
                    while (i < left.length && this.blocks.length) {
                        const block = this.blocks[0];
                        const n = Math.min(left.length - i, block.length / 2 - this.played);
                        for (let k = 0; k < n; ++k) {
                            left[i + k] = block[2 * (this.played + k)];
                            right[i + k] = block[2 * (this.played + k) + 1];
                        }
                        i += n;
                        this.played += n;
                        this.queued -= n;
                        if (2 * this.played >= block.length) {
                            this.blocks.shift();
                            this.played = 0;
                        }
                    }
                    // Ran dry (the page was busy longer than the queue lasts): silence.
                    left.fill(0, i);
                    right.fill(0, i);
                    this.ask();
                    return true;
                }
            }
            registerProcessor('klice-feed', KliceFeed);
        };
        if (!context.audioWorklet || typeof AudioWorkletNode === 'undefined') {
            startScriptProcessor();
            return;
        }
        const url = URL.createObjectURL(new Blob(['(' + feed.toString() + ')();'], {type: 'text/javascript'}));
        context.audioWorklet.addModule(url).then(() => {
            if (Module.kliceAudio !== audio) return;
            const node = new AudioWorkletNode(context, 'klice-feed', {numberOfInputs: 0, numberOfOutputs: 1,
                outputChannelCount: [2], processorOptions: {block: block_frames, target: queued_frames}});
            node.port.onmessage = (event) => {
                const block = mix(event.data);
                node.port.postMessage(block, [block.buffer]);
            };
            node.connect(context.destination);
            audio.node = node;
            audio.kind = 'worklet';
        }).catch(startScriptProcessor).finally(() => URL.revokeObjectURL(url));
    };
    const open = () => {
        if (audio.context || Module.kliceAudio !== audio) return;
        try {
            audio.context = new Context({sampleRate: rate});
        } catch (error) {
            audio.context = new Context();  // a browser that cannot be asked for the rate
        }
        if (audio.context.sampleRate !== rate) console.warn('klice: the sound plays at ' + audio.context.sampleRate + ' Hz, mixed for ' + rate);
        start(audio.context);
    };
    Module.kliceResumeAudio = () => {
        open();
        if (audio.context && audio.context.state !== 'running') audio.context.resume();
    };
    return rate;
});
EM_JS(void, klice_web_audio_close, (), {
    const audio = Module.kliceAudio;
    if (!audio) return;
    Module.kliceAudio = null;
    if (audio.node) {
        audio.node.disconnect();
        if (audio.node.port) audio.node.port.onmessage = null;
        else audio.node.onaudioprocess = null;
    }
    if (audio.context) audio.context.close();
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

// Frames of one block: 1024 at 48 kHz is 21 ms. The script processor asks
// for 2048 at a time, which it needs to play without gaps on a busy page;
// the worklet keeps 4096 (85 ms) queued or asked for.
constexpr int kBlockFrames = 1024;
constexpr int kScriptProcessorFrames = 2048;
constexpr int kQueuedFrames = 4096;
// What the mixer mixes for and the page asks the browser for: it is known
// before the context is made.
constexpr int kRate = 48000;

}  // namespace

// The sink's call: the next `frames` of the mix, interleaved float stereo;
// null while paused or closed (the page plays silence).
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
    const int rate = klice_web_audio_open(kRate, kScriptProcessorFrames, kBlockFrames, kQueuedFrames);
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
