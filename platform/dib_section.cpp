#include "platform/dib_section.h"

#include <cstdlib>

#include "platform/backend.h"

namespace klice::platform {

namespace {
size_t g_max_dib_section_bytes = size_t(1) << 30;
}

size_t MaxDibSectionBytes() { return g_max_dib_section_bytes; }

size_t SetMaxDibSectionBytes(size_t bytes) {
    size_t old = g_max_dib_section_bytes;
    g_max_dib_section_bytes = bytes;
    return old;
}

uint64_t DibStride(int64_t width, int bit_count) {
    if (width < 0 || bit_count < 0 || bit_count > 64) return 0;
    // width < 2^63 and bit_count <= 64: the product needs 128 bits at worst.
    unsigned __int128 bits = static_cast<unsigned __int128>(width) * static_cast<unsigned>(bit_count);
    unsigned __int128 stride = (bits + 31) / 32 * 4;
    if (stride > UINT64_MAX) return 0;
    return static_cast<uint64_t>(stride);
}

bool DibImageBytes(int64_t width, int64_t height, int bit_count, uint64_t* bytes) {
    if (width < 0 || height < 0) return false;
    uint64_t stride = DibStride(width, bit_count);
    if (stride == 0 && width != 0 && bit_count != 0) return false;
    uint64_t total = 0;
    if (__builtin_mul_overflow(stride, static_cast<uint64_t>(height), &total)) return false;
    *bytes = total;
    return true;
}

DibSection::~DibSection() {
    if (handle_ != nullptr)
        detail::FreeDibSection(pixels_, handle_);
    else
        std::free(pixels_);
}

std::unique_ptr<DibSection> DibSection::Create(int width, int height, int bit_count) {
    uint64_t bytes = 0;
    if (bit_count < 0 || !DibImageBytes(width, height, bit_count, &bytes)) return nullptr;
    if (bytes > g_max_dib_section_bytes || bytes > SIZE_MAX) return nullptr;
    std::unique_ptr<DibSection> section(new DibSection);
    if (bytes == 0) {
        // An empty bitmap has no pixels to share; one byte still gives it an address.
        section->pixels_ = static_cast<uint8_t*>(std::calloc(1, 1));
    } else {
        section->pixels_ =
            detail::AllocateDibSection(width, height, bit_count, static_cast<size_t>(bytes), &section->handle_);
    }
    if (section->pixels_ == nullptr) return nullptr;
    section->width_ = width;
    section->height_ = height;
    section->bit_count_ = bit_count;
    section->stride_ = static_cast<size_t>(DibStride(width, bit_count));
    section->size_ = static_cast<size_t>(bytes);
    return section;
}

}  // namespace klice::platform
