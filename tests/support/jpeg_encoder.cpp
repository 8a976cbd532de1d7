#include "tests/support/jpeg_encoder.h"

#include <gtest/gtest.h>

#include "platform/jpeg_encoder.h"

namespace klice::testing {

std::vector<uint8_t> EncodeJpeg(int width, int height, int components, bool progressive) {
    std::vector<uint8_t> samples(size_t(width) * size_t(height) * size_t(components));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uint8_t* p = &samples[(size_t(y) * width + x) * components];
            if (components == 1) {
                p[0] = static_cast<uint8_t>(y < height / 2 ? 0x20 : 0xD0);
            } else if (y < height / 2) {
                p[0] = x < width / 2 ? 255 : 0;
                p[1] = 0;
                p[2] = x < width / 2 ? 0 : 255;
            } else {
                p[0] = 0;
                p[1] = 255;
                p[2] = 0;
            }
        }
    std::vector<uint8_t> jpeg;
    EXPECT_TRUE(platform::EncodeJpeg(samples.data(), width, height, components, progressive, &jpeg))
        << "the system's encoder cannot write this JPEG";
    return jpeg;
}

}  // namespace klice::testing
