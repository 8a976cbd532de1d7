// Sound recipes: a small text score synthesized into 16-bit mono PCM, and
// the RIFF WAVE image that carries it. Only IEEE arithmetic and integer noise
// are used, so a recipe gives the same samples on every build and on every
// machine: the asset compiler synthesizes the game's waves with it, and the
// browser's program synthesizes the long tunes again at start instead of
// downloading them.
//
//   rate 22050                  # samples a second
//   bytes 139488                # exact size of the "data" chunk
//   loop                        # optional: the sound repeats; notes that ring
//                               # past the end continue at the start
//   tone START DUR F0 F1 AMP SHAPE ATTACK RELEASE   # ms, Hz (sliding F0 to F1), 0..1
//   noise START DUR AMP ATTACK RELEASE SMOOTH       # SMOOTH 0..99: low-pass amount
//   steps N                     # the score's grid: the whole sound is N steps
//   voice NAME SHAPE AMP ATTACK DECAY SUSTAIN RELEASE   # ms, SUSTAIN 0..1
//   seq NAME START [xCOUNT] NOTE:LEN ...            # notes like c4, f#3, - for a rest; LEN in steps
//
// Shapes: sine, triangle, square, saw, organ, kick, snare, hat.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/exception.h"

namespace klice {

// A fault in a recipe, as "file:line: what is wrong".
KLICE_DECLARE_EXCEPTION(ERecipeError, Exception);

struct Synthesized {
    int rate = 0;
    bool looped = false;
    std::vector<int16_t> samples;
};

Synthesized synthesize(const std::string& text, const std::string& file);

// The same synthesis done a few notes at a time, so that a program can spread
// it over its frames: the samples are those of synthesize() however the notes
// are divided.
class Synthesis {
public:
    // Reads the whole recipe: its faults are thrown here (ERecipeError).
    Synthesis(const std::string& text, const std::string& file);
    ~Synthesis();
    Synthesis(Synthesis&&) noexcept;
    Synthesis& operator=(Synthesis&&) noexcept;

    // Mixes up to `notes` more notes of the score; true when none is left.
    bool Mix(size_t notes);
    bool Done() const;
    size_t NotesLeft() const;
    // Mixes what is left and gives the sound; once.
    Synthesized Finish();

private:
    struct State;
    std::unique_ptr<State> state_;
};

// The complete RIFF WAVE image: a 16-byte "fmt " chunk (PCM, mono, 16 bits)
// and the "data" chunk.
std::vector<uint8_t> wave_image(const Synthesized& sound);

// sin(2 pi turns) from basic arithmetic alone.
double sine_of_turns(double turns);

}  // namespace klice
