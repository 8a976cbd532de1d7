// JPEG decoding into a 24-bit bottom-up pixel block, by the system's codec
// (libjpeg on Unix desktops).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/data_budget.h"

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
// as blue-green-red triples. A picture whose frame header declares more than
// `allowance` (its sides, pixels, or the bytes of its 24-bit pixel block) is
// refused with TooLarge before the codec decodes anything; the codec's own
// working memory is held to budget::kJpegWorkBytes. On Invalid, `message`
// holds the decoder's explanation.
JpegStatus DecodeJpeg(const uint8_t* data, size_t size, const budget::PictureAllowance& allowance, JpegPixels* out,
                      std::string* message);

// The size in the frame header of JPEG data, read without the codec; false
// when no frame header comes before the first scan or the data's end.
bool JpegFrameSize(const uint8_t* data, size_t size, uint32_t* width, uint32_t* height);

}  // namespace klice::platform
