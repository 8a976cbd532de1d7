// JPEG decoding into a 24-bit bottom-up pixel block, by the system's codec
// (libjpeg on Unix desktops).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace klice::platform {

struct JpegPixels {
    struct FreeDeleter {
        void operator()(uint8_t* p) const;
    };
    int width = 0, height = 0;
    size_t stride = 0;                             // bytes of one row, a multiple of 4
    std::unique_ptr<uint8_t, FreeDeleter> pixels;  // blue, green, red; bottom row first
};

enum class JpegStatus { Ok, Invalid, TooLarge, OutOfMemory };

// Decodes `size` bytes of JPEG data. Grey, RGB and CMYK pictures all come out
// as blue-green-red triples. An image whose pixel block would exceed
// `max_bytes` is refused with TooLarge before any pixel memory is taken.
// On Invalid, `message` holds the decoder's explanation.
JpegStatus DecodeJpeg(const uint8_t* data, size_t size, size_t max_bytes, JpegPixels* out, std::string* message);

}  // namespace klice::platform
