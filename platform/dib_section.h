// A DIB section: a bitmap in memory whose pixels both the program and the
// device-context copies can reach. It owns its pixel memory (rows bottom row
// first, each padded to a multiple of 4 bytes), zeroed when made: the
// system's own DIB section where it has them (Windows), else plain memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace klice::platform {

// Bytes of pixel memory one DIB section may hold; larger requests fail the
// way the system fails an allocation it cannot serve.
size_t MaxDibSectionBytes();
// Changes that limit (the memory budget of the process) and returns the old one.
size_t SetMaxDibSectionBytes(size_t bytes);

// Bytes of one row: bit_count x width rounded up to whole 32-bit words.
// 0 when the row cannot be represented in 64 bits.
uint64_t DibStride(int64_t width, int bit_count);
// stride x height, or false when the product does not fit in 64 bits.
bool DibImageBytes(int64_t width, int64_t height, int bit_count, uint64_t* bytes);

class DibSection {
public:
    // A zeroed bitmap of width x height at bit_count bits per pixel; null when
    // the dimensions are negative, the size overflows, exceeds the limit or
    // the memory cannot be had.
    static std::unique_ptr<DibSection> Create(int width, int height, int bit_count);

    int Width() const { return width_; }
    int Height() const { return height_; }
    int BitCount() const { return bit_count_; }
    size_t Stride() const { return stride_; }
    size_t Size() const { return size_; }
    uint8_t* Pixels() { return pixels_; }
    const uint8_t* Pixels() const { return pixels_; }
    // The system's bitmap (an HBITMAP on Windows); null for plain memory.
    void* Handle() const { return handle_; }

    ~DibSection();
    DibSection(const DibSection&) = delete;
    DibSection& operator=(const DibSection&) = delete;

private:
    DibSection() = default;
    uint8_t* pixels_ = nullptr;
    void* handle_ = nullptr;
    int width_ = 0, height_ = 0, bit_count_ = 0;
    size_t stride_ = 0, size_ = 0;
};

}  // namespace klice::platform
