#include "platform/frame_scaler.h"

#include <algorithm>
#include <cstring>

namespace klice::platform::detail {

namespace {

// More separate changed areas than this go to the screen as one rectangle
// around them all: each rectangle is a request to the window system.
constexpr size_t kMaxBands = 16;

uint32_t* PictureRow(const WindowPicture& p, int y) {
    return reinterpret_cast<uint32_t*>(reinterpret_cast<uint8_t*>(p.pixels) + size_t(y) * size_t(p.pitch));
}

bool SamePicture(const WindowPicture& a, const WindowPicture& b) {
    return a.pixels == b.pixels && a.width == b.width && a.height == b.height && a.pitch == b.pitch &&
           a.r_mask == b.r_mask && a.g_mask == b.g_mask && a.b_mask == b.b_mask;
}

// First and one past the last byte at which two equally long rows differ;
// first == last when they are the same.
void Difference(const uint8_t* a, const uint8_t* b, size_t size, size_t* first, size_t* last) {
    if (std::memcmp(a, b, size) == 0) {
        *first = *last = 0;
        return;
    }
    size_t i = 0;
    for (; i + 8 <= size; i += 8) {
        uint64_t x = 0, y = 0;
        std::memcpy(&x, a + i, 8);
        std::memcpy(&y, b + i, 8);
        if (x != y) break;
    }
    while (i < size && a[i] == b[i]) ++i;
    size_t j = size;
    for (; j >= i + 8; j -= 8) {
        uint64_t x = 0, y = 0;
        std::memcpy(&x, a + j - 8, 8);
        std::memcpy(&y, b + j - 8, 8);
        if (x != y) break;
    }
    while (j > i && a[j - 1] == b[j - 1]) --j;
    *first = i;
    *last = j;
}

}  // namespace

uint32_t FrameScaler::Convert(const uint8_t* pixel) const {
    const int bytes = BytesPerPixel(format_);
    if (bytes <= 2) {
        uint32_t raw = pixel[0];
        if (bytes == 2) raw |= uint32_t(pixel[1]) << 8;
        return table_[raw];
    }
    uint32_t raw = 0;
    for (int i = 0; i < bytes; ++i) raw |= uint32_t(pixel[i]) << (8 * i);
    const uint32_t c = RawToColor(format_, raw);
    return PackRgb(PixelFormat{32, picture_.r_mask, picture_.g_mask, picture_.b_mask}, uint8_t(c), uint8_t(c >> 8),
                   uint8_t(c >> 16));
}

void FrameScaler::Prepare(const PrimaryView& frame, const WindowPicture& picture, const LetterboxRect& box) {
    const bool same_format = frame.format.bits == format_.bits && frame.format.r_mask == format_.r_mask &&
                             frame.format.g_mask == format_.g_mask && frame.format.b_mask == format_.b_mask;
    const bool same_picture = SamePicture(picture, picture_);
    if (same_format && same_picture && frame.width == frame_width_ && frame.height == frame_height_ && box == box_)
        return;
    last_.clear();  // everything is drawn afresh
    if (!same_format || !same_picture) {
        format_ = frame.format;
        picture_ = picture;
        const PixelFormat window{32, picture.r_mask, picture.g_mask, picture.b_mask};
        const int bytes = BytesPerPixel(format_);
        table_.assign(bytes <= 2 ? size_t(1) << (8 * bytes) : 0, 0);
        for (size_t raw = 0; raw < table_.size(); ++raw) {
            const uint32_t c = RawToColor(format_, uint32_t(raw));
            table_[raw] = PackRgb(window, uint8_t(c), uint8_t(c >> 8), uint8_t(c >> 16));
        }
    }
    frame_width_ = frame.width;
    frame_height_ = frame.height;
    box_ = box;
    column_source_.resize(size_t(box.width));
    first_column_.assign(size_t(frame.width) + 1, box.width);
    for (int x = box.width - 1; x >= 0; --x) {
        column_source_[size_t(x)] = NearestFramePixel(x, box.width, frame.width);
        first_column_[size_t(column_source_[size_t(x)])] = x;
    }
    // A frame column that no box column shows (the box is narrower than the
    // frame) starts where the next shown one does.
    for (int c = frame.width - 1; c >= 0; --c)
        first_column_[size_t(c)] = std::min(first_column_[size_t(c)], first_column_[size_t(c) + 1]);
    first_row_.assign(size_t(frame.height) + 1, box.height);
    for (int y = box.height - 1; y >= 0; --y) first_row_[size_t(NearestFramePixel(y, box.height, frame.height))] = y;
    for (int r = frame.height - 1; r >= 0; --r)
        first_row_[size_t(r)] = std::min(first_row_[size_t(r)], first_row_[size_t(r) + 1]);
    row_pixels_.resize(size_t(frame.width));
}

void FrameScaler::FindChanges(const PrimaryView& frame) {
    bands_.clear();
    const size_t row_bytes = size_t(frame.width) * size_t(BytesPerPixel(frame.format));
    if (last_.empty()) {
        last_.resize(row_bytes * size_t(frame.height));
        for (int y = 0; y < frame.height; ++y)
            std::memcpy(&last_[size_t(y) * row_bytes], frame.pixels + size_t(y) * size_t(frame.pitch), row_bytes);
        bands_.push_back({0, frame.height, 0, frame.width});
        return;
    }
    const int bytes = BytesPerPixel(frame.format);
    for (int y = 0; y < frame.height; ++y) {
        const uint8_t* now = frame.pixels + size_t(y) * size_t(frame.pitch);
        uint8_t* before = &last_[size_t(y) * row_bytes];
        size_t first = 0, last = 0;
        Difference(now, before, row_bytes, &first, &last);
        if (first == last) continue;
        std::memcpy(before + first, now + first, last - first);
        const int left = int(first) / bytes, right = (int(last) + bytes - 1) / bytes;
        if (!bands_.empty() && bands_.back().bottom == y) {
            Band& band = bands_.back();
            band.bottom = y + 1;
            band.left = std::min(band.left, left);
            band.right = std::max(band.right, right);
        } else {
            bands_.push_back({y, y + 1, left, right});
        }
    }
    if (bands_.size() > kMaxBands) {
        Band all = bands_.front();
        for (const Band& b : bands_) {
            all.bottom = b.bottom;
            all.left = std::min(all.left, b.left);
            all.right = std::max(all.right, b.right);
        }
        bands_.assign(1, all);
    }
}

void FrameScaler::DrawBars(const WindowPicture& picture) const {
    const LetterboxRect& b = box_;
    for (int y = 0; y < picture.height; ++y) {
        uint32_t* row = PictureRow(picture, y);
        if (y < b.y || y >= b.y + b.height) {
            std::fill(row, row + picture.width, 0u);
        } else {
            std::fill(row, row + b.x, 0u);
            std::fill(row + b.x + b.width, row + picture.width, 0u);
        }
    }
}

void FrameScaler::DrawBand(const PrimaryView& frame, const WindowPicture& picture, const Band& band) {
    const int x0 = first_column_[size_t(band.left)], x1 = first_column_[size_t(band.right)];
    const int y0 = first_row_[size_t(band.top)], y1 = first_row_[size_t(band.bottom)];
    if (x0 >= x1 || y0 >= y1) return;  // shrunk away
    const int bytes = BytesPerPixel(frame.format);
    for (int y = band.top; y < band.bottom; ++y) {
        const int top = first_row_[size_t(y)], bottom = first_row_[size_t(y) + 1];
        if (top == bottom) continue;
        const uint8_t* source = frame.pixels + size_t(y) * size_t(frame.pitch);
        if (bytes == 2 && table_.size() == 0x10000) {
            for (int x = band.left; x < band.right; ++x) {
                uint16_t raw = 0;
                std::memcpy(&raw, source + size_t(x) * 2, 2);
                row_pixels_[size_t(x)] = table_[raw];
            }
        } else {
            for (int x = band.left; x < band.right; ++x) row_pixels_[size_t(x)] = Convert(source + size_t(x) * bytes);
        }
        uint32_t* out = PictureRow(picture, box_.y + top) + box_.x;
        for (int x = x0; x < x1; ++x) out[x] = row_pixels_[size_t(column_source_[size_t(x)])];
        for (int r = top + 1; r < bottom; ++r)
            std::memcpy(PictureRow(picture, box_.y + r) + box_.x + x0, out + x0, size_t(x1 - x0) * 4);
    }
    written_.push_back(Rect{box_.x + x0, box_.y + y0, box_.x + x1, box_.y + y1});
}

const std::vector<Rect>& FrameScaler::Draw(const PrimaryView& frame, const WindowPicture& picture,
                                           const LetterboxRect& box, bool everything) {
    written_.clear();
    const bool fits = box.x >= 0 && box.y >= 0 && box.width > 0 && box.height > 0 &&
                      box.x + box.width <= picture.width && box.y + box.height <= picture.height;
    if (!frame.pixels || frame.width <= 0 || frame.height <= 0 || !picture.pixels || !fits) return written_;
    if (everything) last_.clear();
    Prepare(frame, picture, box);
    const bool whole = last_.empty();
    FindChanges(frame);
    if (whole) DrawBars(picture);
    for (const Band& band : bands_) DrawBand(frame, picture, band);
    if (whole) written_.assign(1, Rect{0, 0, picture.width, picture.height});
    return written_;
}

}  // namespace klice::platform::detail
