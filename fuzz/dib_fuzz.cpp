// Any bytes, read as a stored DIB payload and as a picture file (bitmap or
// JPEG), then every row decoded: the reader may fail with its own errors,
// never crash, overrun or hang.
#include <cstddef>
#include <cstdint>
#include <span>

#include "data/dib.h"
#include "data/stream.h"

namespace {

// Decodes every row, so that a compressed image is expanded too.
void Touch(klice::TDIB& dib) {
    if (dib.Empty() || dib.Height() > 4096) return;
    uint32_t sum = 0;
    for (int y = 0; y < dib.Height(); ++y) sum += dib.ScanLineReadOnly(y)[0];
    sum += dib.Pixel(dib.Width() - 1, dib.Height() - 1);
    volatile uint32_t sink = sum;
    (void)sink;
}

template <class Load>
void Try(std::span<const uint8_t> bytes, Load load) {
    klice::TDIB dib;
    klice::TBytesViewStream stream(bytes);
    try {
        load(dib, stream);
        Touch(dib);
    } catch (const klice::Exception&) {
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::span<const uint8_t> bytes(data, size);
    Try(bytes, [](klice::TDIB& dib, klice::TStream& s) { dib.ReadData(s); });
    Try(bytes, [](klice::TDIB& dib, klice::TStream& s) { dib.LoadFromStream(s); });
    return 0;
}
