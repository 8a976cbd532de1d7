// The frame header of JPEG data, found by walking its markers: the size a
// picture declares, known before any codec is given the data.
#include "platform/jpeg_decoder.h"

namespace klice::platform {

bool JpegFrameSize(const uint8_t* data, size_t size, uint32_t* width, uint32_t* height) {
    if (size < 4 || data[0] != 0xFF || data[1] != 0xD8) return false;
    size_t at = 2;
    while (at + 4 <= size) {
        if (data[at] != 0xFF) return false;
        const uint8_t marker = data[at + 1];
        if (marker == 0xFF) {  // fill byte
            ++at;
            continue;
        }
        if (marker == 0xD8 || (marker >= 0xD0 && marker <= 0xD7) || marker == 0x01) {
            at += 2;
            continue;
        }
        const size_t length = size_t(data[at + 2]) << 8 | data[at + 3];
        const bool start_of_frame =
            marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (start_of_frame) {
            if (at + 9 > size) return false;
            *height = uint32_t(data[at + 5]) << 8 | data[at + 6];
            *width = uint32_t(data[at + 7]) << 8 | data[at + 8];
            return true;
        }
        if (marker == 0xDA || length < 2) return false;  // scan data before any frame
        at += 2 + length;
    }
    return false;
}

}  // namespace klice::platform
