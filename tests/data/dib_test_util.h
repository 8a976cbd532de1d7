// Hand-built DIB payloads and small helpers for the DIB tests.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "data/dib.h"
#include "data/stream.h"
#include "tests/support/messages.h"

namespace klice::test {

using testing::MessageOf;

class Bytes {
public:
    Bytes& u8(uint32_t v) {
        data_.push_back(static_cast<uint8_t>(v));
        return *this;
    }
    Bytes& u16(uint32_t v) {
        u8(v);
        return u8(v >> 8);
    }
    Bytes& u32(uint32_t v) {
        u16(v);
        return u16(v >> 16);
    }
    Bytes& i32(int32_t v) { return u32(static_cast<uint32_t>(v)); }
    Bytes& fill(size_t n, uint8_t v) {
        data_.insert(data_.end(), n, v);
        return *this;
    }
    Bytes& raw(const std::vector<uint8_t>& b) {
        data_.insert(data_.end(), b.begin(), b.end());
        return *this;
    }
    // Colour entries i -> (i, 2i, 3i) in blue, green, red, with reserved i ^ 0x5A.
    Bytes& table(int count, int entry_size = 4) {
        for (int i = 0; i < count; ++i) {
            u8(i).u8(2 * i).u8(3 * i);
            if (entry_size == 4) u8(i ^ 0x5A);
        }
        return *this;
    }
    const std::vector<uint8_t>& vec() const { return data_; }
    size_t size() const { return data_.size(); }

private:
    std::vector<uint8_t> data_;
};

inline Bytes Header40(int32_t width, int32_t height, int bits, uint32_t compression = 0, uint32_t size_image = 0,
                      uint32_t colors_used = 0) {
    Bytes b;
    b.u32(40).i32(width).i32(height).u16(1).u16(bits).u32(compression).u32(size_image);
    b.u32(2835).u32(2835).u32(colors_used).u32(0);
    return b;
}

inline Bytes Header12(uint16_t width, uint16_t height, int bits) {
    Bytes b;
    b.u32(12).u16(width).u16(height).u16(1).u16(bits);
    return b;
}

// Reads a payload into `dib`; returns how many bytes the reader consumed.
inline int64_t ReadPayload(TDIB& dib, const std::vector<uint8_t>& payload) {
    TBytesViewStream stream(payload);
    dib.ReadData(stream);
    return stream.Position();
}

// Every pixel row of the image, top row first, cut to the row's used bytes.
inline std::vector<std::vector<uint8_t>> Rows(TDIB& dib) {
    std::vector<std::vector<uint8_t>> rows;
    const size_t used = (static_cast<size_t>(dib.Width()) * dib.BitCount() + 7) / 8;
    for (int y = 0; y < dib.Height(); ++y) {
        const uint8_t* row = dib.ScanLineReadOnly(y);
        rows.emplace_back(row, row + used);
    }
    return rows;
}

// Deterministic pseudo-random bytes.
class Random {
public:
    explicit Random(uint32_t seed) : state_(seed ? seed : 1) {}
    uint32_t next() {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        return state_;
    }
    uint8_t byte() { return static_cast<uint8_t>(next() >> 24); }

private:
    uint32_t state_;
};

}  // namespace klice::test
