// Any bytes, read as a RIFF WAVE image: through the chunk reader sample by
// sample, and whole into a wave. Errors are the reader's own; no crash,
// overrun, hang or allocation beyond what the bytes hold.
#include <cstddef>
#include <cstdint>
#include <span>

#include "data/stream.h"
#include "platform/exception.h"
#include "sound/wave.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::span<const uint8_t> bytes(data, size);
    {
        klice::TBytesViewStream stream(bytes);
        try {
            klice::TWaveStream wave(stream);
            wave.Open(false);
            uint8_t buffer[512];
            size_t total = 0;
            while (size_t got = wave.Read(buffer, sizeof buffer)) {
                total += got;
                if (total > size) __builtin_trap();  // more samples than bytes
            }
        } catch (const klice::Exception&) {
        }
    }
    {
        klice::TBytesViewStream stream(bytes);
        klice::TWave wave;
        try {
            wave.LoadFromStream(stream);
        } catch (const klice::Exception&) {
        }
    }
    return 0;
}
