#include "tools/play/png_frame.h"

#include <cstdio>
#include <fstream>
#include <stdexcept>
#include <vector>

#include "platform/png_encoder.h"

namespace klice::play {

std::string frame_file_name(long long tick) {
    char name[64];
    std::snprintf(name, sizeof name, "frame-%06lld.png", tick);
    return name;
}

void write_png(const platform::Frame& frame, const std::string& path) {
    std::vector<uint8_t> rgb(size_t(frame.width) * size_t(frame.height) * 3);
    for (int y = 0; y < frame.height; ++y)
        for (int x = 0; x < frame.width; ++x) {
            const uint32_t c = frame.Pixel(x, y);  // 0x00BBGGRR
            uint8_t* p = &rgb[(size_t(y) * frame.width + x) * 3];
            p[0] = uint8_t(c & 0xFF);
            p[1] = uint8_t((c >> 8) & 0xFF);
            p[2] = uint8_t((c >> 16) & 0xFF);
        }
    std::vector<uint8_t> png;
    if (!platform::EncodePng(rgb.data(), frame.width, frame.height, &png))
        throw std::runtime_error("cannot write " + path);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(png.data()), std::streamsize(png.size()));
    if (!out.flush()) throw std::runtime_error("cannot write " + path);
}

}  // namespace klice::play
