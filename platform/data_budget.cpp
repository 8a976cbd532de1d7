#include "platform/data_budget.h"

#include <algorithm>

namespace klice::platform::budget {

namespace {

// The stream being read. Reading runs on one thread, but the tests of one
// program may read on several: each thread has its own.
struct StreamTally {
    int depth = 0;
    int64_t pixels = 0;
    uint64_t bytes = 0;
};
thread_local StreamTally tally;

}  // namespace

bool PictureAllowance::Admits(int64_t width, int64_t height, uint64_t pixel_bytes) const {
    if (width < 0 || height < 0 || width > side || height > side) return false;
    // Both sides are at most 2^15 here: the product cannot overflow.
    return width * height <= pixels && pixel_bytes <= bytes;
}

PictureAllowance NextPicture() {
    PictureAllowance a;
    if (tally.depth > 0) {
        a.pixels = std::min(a.pixels, kFilePixels - tally.pixels);
        a.bytes = std::min(a.bytes, kFilePixelBytes - tally.bytes);
    }
    return a;
}

bool TakePicture(int64_t width, int64_t height, uint64_t pixel_bytes) {
    if (!NextPicture().Admits(width, height, pixel_bytes)) return false;
    if (tally.depth > 0) {
        tally.pixels += width * height;
        tally.bytes += pixel_bytes;
    }
    return true;
}

StreamPictures::StreamPictures() : outermost_(tally.depth == 0) {
    if (outermost_) tally = {};
    ++tally.depth;
}

StreamPictures::~StreamPictures() {
    --tally.depth;
    if (outermost_) tally = {};
}

int64_t StreamPictures::PixelsTaken() { return tally.pixels; }
uint64_t StreamPictures::BytesTaken() { return tally.bytes; }

}  // namespace klice::platform::budget
