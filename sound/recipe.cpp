#include "sound/recipe.h"

#include <algorithm>
#include <map>
#include <sstream>
#include <tuple>

#include "data/stream.h"
#include "data/strict_integer.h"
#include "sound/wave.h"

namespace klice {

double sine_of_turns(double turns) {
    double t = turns - static_cast<double>(static_cast<int64_t>(turns));
    if (t < 0) t += 1.0;
    // Fold into a quarter turn so the series converges fast.
    double sign = 1.0;
    if (t >= 0.5) {
        t -= 0.5;
        sign = -1.0;
    }
    if (t > 0.25) t = 0.5 - t;
    const double x = t * 6.283185307179586;
    const double x2 = x * x;
    double term = x, sum = x;
    for (int n = 1; n <= 8; ++n) {
        term *= -x2 / ((2.0 * n) * (2.0 * n + 1.0));
        sum += term;
    }
    return sign * sum;
}

namespace {

ERecipeError fault(const std::string& file, int line, const std::string& what) {
    return ERecipeError(file + ":" + std::to_string(line) + ": " + what);
}

// A recipe line's words: whitespace separates, # starts a comment.
std::vector<std::string> split_words(const std::string& line) {
    std::vector<std::string> words;
    std::stringstream in(line);
    std::string word;
    while (in >> word) {
        if (word[0] == '#') break;
        words.push_back(word);
    }
    return words;
}

// A strict decimal integer (optional sign) within min .. max.
long long parse_integer(const std::string& word, const std::string& file, int line, long long min, long long max) {
    const StrictInteger parsed = parse_strict_integer(word, min, max);
    if (parsed.fault != IntegerFault::None) throw fault(file, line, describe_integer_fault(parsed, word, min, max));
    return parsed.value;
}

enum class Shape { Sine, Triangle, Square, Saw, Organ, Kick, Snare, Hat, Noise };

struct Voice {
    Shape shape = Shape::Sine;
    double amp = 0, attack = 0, decay = 0, sustain = 1, release = 0;  // ms
};

struct Mixer {
    int rate;
    bool looped;
    std::vector<double> buffer;
    uint32_t noise_state = 0x1234567u;

    double Noise() {
        noise_state = noise_state * 1664525u + 1013904223u;
        return static_cast<double>(static_cast<int32_t>(noise_state)) / 2147483648.0;
    }

    // Harmonics reach up to this, below half the rate, so that no partial
    // folds back: every voice is band-limited.
    double Ceiling() const { return 0.45 * rate; }

    // sin(2 pi n phase) for the nth harmonic of a note at f Hz, or 0 when it
    // would lie above the ceiling.
    double Partial(double phase, double f, int n) const {
        if (f * n >= Ceiling()) return 0;
        return sine_of_turns(phase * n);
    }

    // A sum of harmonics 1, 1 + step, 1 + 2 step ... below the ceiling, the
    // nth weighted 1 / n^power with alternating signs for the triangle
    // (step 2, power 2), by the recurrence sin((n+1)x) = 2 cos x sin nx -
    // sin((n-1)x).
    double Partials(double phase, double f, int step, int power) const {
        const double s1 = sine_of_turns(phase), c1 = sine_of_turns(phase + 0.25);
        const double twice_cos = 2 * c1;
        double previous = -s1, current = 0;  // sin(-x), sin(0)
        double sum = 0;
        for (int n = 1; f * n < Ceiling(); ++n) {
            const double next = twice_cos * current - previous;
            previous = current;
            current = next;  // sin(n x)
            if ((n - 1) % step != 0) continue;
            double weight = 1.0 / n;
            if (power == 2) weight = ((n / 2) % 2 ? -1.0 : 1.0) / (static_cast<double>(n) * n);
            if (power == 0) return current;
            sum += current * weight;
        }
        return sum;
    }

    void Add(int64_t index, double value) {
        const int64_t n = static_cast<int64_t>(buffer.size());
        if (looped) {
            index %= n;
        } else if (index >= n) {
            return;
        }
        buffer[static_cast<size_t>(index)] += value;
    }

    // One sounding note: frequency slides from f0 to f1 over the held time.
    // A score repeats its notes, and a note sounds the same wherever it
    // starts unless it takes noise: those are computed once and added again.
    // The sums are the same additions in the same order, so the samples are
    // the same to the bit.
    void Note(double start_ms, double hold_ms, double f0, double f1, const Voice& v) {
        const int64_t first = static_cast<int64_t>(start_ms * rate / 1000.0);
        const bool noisy = v.shape == Shape::Snare || v.shape == Shape::Hat || v.shape == Shape::Noise;
        std::vector<double> computed;
        const std::vector<double>* values = &computed;
        if (noisy) {
            computed = NoteValues(hold_ms, f0, f1, v);
        } else {
            const NoteKey key{
                static_cast<int>(v.shape), v.amp, v.attack, v.decay, v.sustain, v.release, hold_ms, f0, f1};
            auto it = notes.find(key);
            if (it == notes.end()) it = notes.emplace(key, NoteValues(hold_ms, f0, f1, v)).first;
            values = &it->second;
        }
        for (size_t i = 0; i < values->size(); ++i) Add(first + static_cast<int64_t>(i), (*values)[i]);
    }

    using NoteKey = std::tuple<int, double, double, double, double, double, double, double, double>;
    std::map<NoteKey, std::vector<double>> notes;

    std::vector<double> NoteValues(double hold_ms, double f0, double f1, const Voice& v) {
        const double total_ms = hold_ms + v.release;
        const int64_t count = static_cast<int64_t>(total_ms * rate / 1000.0);
        std::vector<double> values(static_cast<size_t>(std::max<int64_t>(count, 0)));
        double phase = 0, smooth = 0;
        for (int64_t i = 0; i < count; ++i) {
            const double t = i * 1000.0 / rate;  // ms into the note
            double env;
            if (t < v.attack) {
                env = t / v.attack;
            } else if (t < v.attack + v.decay) {
                env = 1.0 - (1.0 - v.sustain) * (t - v.attack) / v.decay;
            } else {
                env = v.sustain;
            }
            if (t > hold_ms) {
                const double held = env;
                env = held * (1.0 - (t - hold_ms) / (v.release > 0 ? v.release : 1.0));
                if (env < 0) env = 0;
            }
            const double progress = hold_ms > 0 ? std::min(t / hold_ms, 1.0) : 1.0;
            const double f = f0 + (f1 - f0) * progress;
            phase += f / rate;
            phase -= static_cast<double>(static_cast<int64_t>(phase));
            double s = 0;
            switch (v.shape) {
                case Shape::Sine: s = Partials(phase, f, 1, 0); break;
                case Shape::Triangle: s = Partials(phase, f, 2, 2) * 0.8105694691387022; break;      // 8 / pi^2
                case Shape::Square: s = Partials(phase, f, 2, 1) * 1.2732395447351628 * 0.7; break;  // 4 / pi
                case Shape::Saw: s = Partials(phase, f, 1, 1) * 0.6366197723675814 * 0.8; break;     // 2 / pi
                case Shape::Organ:
                    s = 0.6 * Partial(phase, f, 1) + 0.3 * Partial(phase, f, 2) + 0.15 * Partial(phase, f, 3);
                    break;
                case Shape::Kick: {
                    // A falling sine: the pitch drops from 3x to the note in 40 ms.
                    const double drop = t < 40 ? 3.0 - 2.0 * t / 40 : 1.0;
                    phase += f * (drop - 1.0) / rate;
                    phase -= static_cast<double>(static_cast<int64_t>(phase));
                    s = Partial(phase, f * drop, 1);
                    break;
                }
                case Shape::Snare:
                    smooth += (Noise() - smooth) * 0.6;
                    s = 0.7 * smooth + 0.3 * sine_of_turns(phase);
                    break;
                case Shape::Hat: {
                    const double n = Noise();
                    s = n - smooth;  // a crude high-pass
                    smooth = n;
                    s *= 0.5;
                    break;
                }
                case Shape::Noise:
                    smooth += (Noise() - smooth) * (f0 > 0 ? f0 : 1.0);
                    s = smooth;
                    break;
            }
            values[static_cast<size_t>(i)] = s * env * v.amp;
        }
        return values;
    }
};

bool parse_shape(const std::string& w, Shape* shape) {
    static const std::map<std::string, Shape> shapes = {
        {"sine", Shape::Sine},   {"triangle", Shape::Triangle}, {"square", Shape::Square}, {"saw", Shape::Saw},
        {"organ", Shape::Organ}, {"kick", Shape::Kick},         {"snare", Shape::Snare},   {"hat", Shape::Hat}};
    auto it = shapes.find(w);
    if (it == shapes.end()) return false;
    *shape = it->second;
    return true;
}

// Equal temperament from A4 = 440 Hz, without pow: the semitone ratios are
// constants and octaves are doublings.
bool note_frequency(const std::string& note, double* hz) {
    static const double ratio[12] = {1.0,
                                     1.0594630943592953,
                                     1.122462048309373,
                                     1.189207115002721,
                                     1.2599210498948732,
                                     1.3348398541700344,
                                     1.4142135623730951,
                                     1.4983070768766815,
                                     1.5874010519681994,
                                     1.681792830507429,
                                     1.7817974362806785,
                                     1.887748625363387};
    static const int base[7] = {9, 11, 0, 2, 4, 5, 7};  // a b c d e f g above c
    if (note.size() < 2) return false;
    const char letter = note[0];
    if (letter < 'a' || letter > 'g') return false;
    int semitone = base[letter - 'a'];
    size_t i = 1;
    if (note[i] == '#') {
        ++semitone;
        ++i;
    } else if (note[i] == 'b' && i + 1 < note.size()) {
        --semitone;
        ++i;
    }
    if (i + 1 != note.size() || note[i] < '0' || note[i] > '8') return false;
    int octave = note[i] - '0';
    if (semitone < 0) {
        semitone += 12;
        --octave;
    }
    if (semitone >= 12) {
        semitone -= 12;
        ++octave;
    }
    // C4 is 9 semitones below A4.
    double f = 440.0 * ratio[semitone] / ratio[9];
    for (int o = octave; o > 4; --o) f *= 2;
    for (int o = octave; o < 4; ++o) f /= 2;
    *hz = f;
    return true;
}

// A note the score plays, read from the recipe before any is mixed.
struct ScoredNote {
    double start_ms, hold_ms, f0, f1;
    Voice voice;
};

}  // namespace

struct Synthesis::State {
    Synthesized out;
    Mixer mix{0, false, {}, 0x1234567u, {}};
    std::vector<ScoredNote> notes;
    size_t mixed = 0;
};

Synthesis::Synthesis(const std::string& text, const std::string& file) : state_(std::make_unique<State>()) {
    Synthesized& out = state_->out;
    int64_t bytes = -1;
    int64_t steps = 0;
    std::map<std::string, Voice> voices;
    struct Pending {
        int line;
        std::vector<std::string> words;
    };
    std::vector<Pending> events;
    std::stringstream in(text);
    std::string raw;
    int number = 0;
    while (std::getline(in, raw)) {
        ++number;
        auto w = split_words(raw);
        if (w.empty()) continue;
        const std::string& key = w[0];
        auto need = [&](size_t n) {
            if (w.size() != n) throw fault(file, number, "'" + key + "' takes " + std::to_string(n - 1) + " values");
        };
        if (key == "rate") {
            need(2);
            out.rate = static_cast<int>(parse_integer(w[1], file, number, 4000, 48000));
        } else if (key == "bytes") {
            need(2);
            bytes = parse_integer(w[1], file, number, 2, 64 << 20);
            if (bytes % 2) throw fault(file, number, "16-bit samples need an even byte count");
        } else if (key == "loop") {
            need(1);
            out.looped = true;
        } else if (key == "steps") {
            need(2);
            steps = parse_integer(w[1], file, number, 1, 1 << 20);
        } else if (key == "voice") {
            need(8);
            Voice v;
            if (!parse_shape(w[2], &v.shape)) throw fault(file, number, "unknown shape '" + w[2] + "'");
            v.amp = parse_integer(w[3], file, number, 0, 1000) / 1000.0;
            v.attack = static_cast<double>(parse_integer(w[4], file, number, 1, 60000));
            v.decay = static_cast<double>(parse_integer(w[5], file, number, 1, 60000));
            v.sustain = parse_integer(w[6], file, number, 0, 1000) / 1000.0;
            v.release = static_cast<double>(parse_integer(w[7], file, number, 0, 60000));
            voices[w[1]] = v;
        } else if (key == "tone" || key == "noise" || key == "seq") {
            events.push_back({number, w});
        } else {
            throw fault(file, number, "unknown recipe line '" + key + "'");
        }
    }
    if (out.rate == 0) throw fault(file, number, "the recipe names no rate");
    if (bytes < 0) throw fault(file, number, "the recipe names no byte count");
    state_->mix = Mixer{out.rate, out.looped, std::vector<double>(static_cast<size_t>(bytes / 2), 0.0), 0x1234567u, {}};
    std::vector<ScoredNote>& notes = state_->notes;
    const double total_ms = (bytes / 2) * 1000.0 / out.rate;
    for (const Pending& e : events) {
        const auto& w = e.words;
        auto num = [&](size_t i, long long lo, long long hi) {
            return static_cast<double>(parse_integer(w[i], file, e.line, lo, hi));
        };
        if (w[0] == "tone") {
            if (w.size() != 9) throw fault(file, e.line, "'tone' takes 8 values");
            Voice v;
            if (!parse_shape(w[6], &v.shape)) throw fault(file, e.line, "unknown shape '" + w[6] + "'");
            v.amp = num(5, 0, 1000) / 1000.0;
            v.attack = num(7, 1, 60000);
            v.decay = 1;
            v.sustain = 1;
            v.release = num(8, 0, 60000);
            const double dur = num(2, 1, 600000);
            notes.push_back(
                {num(1, 0, 600000), dur - v.release > 0 ? dur - v.release : 0, num(3, 1, 20000), num(4, 1, 20000), v});
        } else if (w[0] == "noise") {
            if (w.size() != 7) throw fault(file, e.line, "'noise' takes 6 values");
            Voice v;
            v.shape = Shape::Noise;
            v.amp = num(3, 0, 1000) / 1000.0;
            v.attack = num(4, 1, 60000);
            v.decay = 1;
            v.sustain = 1;
            v.release = num(5, 0, 60000);
            const double keep = 1.0 - num(6, 0, 99) / 100.0;
            const double dur = num(2, 1, 600000);
            notes.push_back({num(1, 0, 600000), dur - v.release > 0 ? dur - v.release : 0, keep, keep, v});
        } else {  // seq
            if (steps == 0) throw fault(file, e.line, "'seq' needs a 'steps' line before the score");
            if (w.size() < 4) throw fault(file, e.line, "'seq' takes a voice, a start step and notes");
            auto voice = voices.find(w[1]);
            if (voice == voices.end()) throw fault(file, e.line, "unknown voice '" + w[1] + "'");
            int64_t at = parse_integer(w[2], file, e.line, 0, steps);
            size_t first = 3;
            int64_t repeat = 1;
            if (w[3].size() > 1 && w[3][0] == 'x') {
                repeat = parse_integer(w[3].substr(1), file, e.line, 1, 10000);
                first = 4;
            }
            const double step_ms = total_ms / static_cast<double>(steps);
            for (int64_t r = 0; r < repeat; ++r) {
                for (size_t i = first; i < w.size(); ++i) {
                    const size_t colon = w[i].find(':');
                    if (colon == std::string::npos) throw fault(file, e.line, "'" + w[i] + "' is not NOTE:LENGTH");
                    const std::string note = w[i].substr(0, colon);
                    const int64_t len = parse_integer(w[i].substr(colon + 1), file, e.line, 1, steps);
                    if (note != "-") {
                        double hz;
                        if (!note_frequency(note, &hz)) throw fault(file, e.line, "'" + note + "' is not a note");
                        const double hold = len * step_ms - voice->second.release;
                        notes.push_back({at * step_ms, hold > 1 ? hold : 1, hz, hz, voice->second});
                    }
                    at += len;
                }
            }
            if (at > steps && !out.looped) throw fault(file, e.line, "the notes run past the end of the sound");
        }
    }
}

Synthesis::~Synthesis() = default;
Synthesis::Synthesis(Synthesis&&) noexcept = default;
Synthesis& Synthesis::operator=(Synthesis&&) noexcept = default;

bool Synthesis::Mix(size_t notes) {
    State& s = *state_;
    // The notes are mixed in the score's order: the noise and the sums come
    // out the same however the work is divided.
    for (; notes > 0 && s.mixed < s.notes.size(); --notes, ++s.mixed) {
        const ScoredNote& n = s.notes[s.mixed];
        s.mix.Note(n.start_ms, n.hold_ms, n.f0, n.f1, n.voice);
    }
    return Done();
}

bool Synthesis::Done() const { return state_->mixed == state_->notes.size(); }

size_t Synthesis::NotesLeft() const { return state_->notes.size() - state_->mixed; }

Synthesized Synthesis::Finish() {
    Mix(NotesLeft());
    Synthesized out = std::move(state_->out);
    const Mixer& mix = state_->mix;
    out.samples.resize(mix.buffer.size());
    for (size_t i = 0; i < mix.buffer.size(); ++i) {
        double s = mix.buffer[i];
        if (s > 1.0) s = 1.0;
        if (s < -1.0) s = -1.0;
        out.samples[i] = static_cast<int16_t>(s * 32000.0);
    }
    return out;
}

Synthesized synthesize(const std::string& text, const std::string& file) { return Synthesis(text, file).Finish(); }

std::vector<uint8_t> wave_image(const Synthesized& sound) {
    TWave wave;
    const uint32_t rate = static_cast<uint32_t>(sound.rate);
    const uint8_t format[16] = {1,
                                0,
                                1,
                                0,
                                static_cast<uint8_t>(rate),
                                static_cast<uint8_t>(rate >> 8),
                                static_cast<uint8_t>(rate >> 16),
                                static_cast<uint8_t>(rate >> 24),
                                static_cast<uint8_t>(2 * rate),
                                static_cast<uint8_t>((2 * rate) >> 8),
                                static_cast<uint8_t>((2 * rate) >> 16),
                                static_cast<uint8_t>((2 * rate) >> 24),
                                2,
                                0,
                                16,
                                0};
    wave.SetFormat(format, sizeof format);
    wave.SetSize(sound.samples.size() * 2);
    uint8_t* data = wave.Data();
    for (size_t i = 0; i < sound.samples.size(); ++i) {
        const auto v = static_cast<uint16_t>(sound.samples[i]);
        data[2 * i] = static_cast<uint8_t>(v);
        data[2 * i + 1] = static_cast<uint8_t>(v >> 8);
    }
    TMemoryStream out;
    wave.SaveToStream(out);
    return out.Bytes();
}

}  // namespace klice
