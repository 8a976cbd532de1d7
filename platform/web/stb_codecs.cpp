// JPEG decoding and the JPEG and PNG encoders in the browser: stb_image and
// stb_image_write, compiled in (the page has no system codec to call).
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_JPEG
#define STBI_NO_STDIO
#define STBI_NO_HDR
#define STBI_NO_LINEAR
#define STB_IMAGE_STATIC
#include <stb_image.h>
#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STBI_WRITE_NO_STDIO
#define STB_IMAGE_WRITE_STATIC
#include <stb_image_write.h>

#include <climits>
#include <cstdlib>
#include <cstring>

#include "platform/jpeg_decoder.h"
#include "platform/jpeg_encoder.h"
#include "platform/png_encoder.h"

namespace klice::platform {

void JpegPixels::FreeDeleter::operator()(uint8_t* p) const { std::free(p); }

JpegStatus DecodeJpeg(const uint8_t* data, size_t size, const budget::PictureAllowance& allowance, JpegPixels* out,
                      std::string* message) {
    // The size is checked from the frame header before anything is decoded,
    // as on the other systems.
    uint32_t width = 0, height = 0;
    if (!JpegFrameSize(data, size, &width, &height) || width == 0 || height == 0) {
        if (message) *message = "no frame header";
        return JpegStatus::Invalid;
    }
    const size_t stride = (size_t(width) * 3 + 3) & ~size_t(3);
    if (!allowance.Admits(width, height, stride * height)) return JpegStatus::TooLarge;
    if (size > size_t(INT_MAX)) return JpegStatus::TooLarge;
    int w = 0, h = 0, components = 0;
    // Grey and CMYK come out as RGB too.
    stbi_uc* rgb = stbi_load_from_memory(data, int(size), &w, &h, &components, 3);
    if (!rgb) {
        if (message) *message = stbi_failure_reason();
        return JpegStatus::Invalid;
    }
    auto* pixels = static_cast<uint8_t*>(std::malloc(stride * size_t(h)));
    if (!pixels) {
        stbi_image_free(rgb);
        return JpegStatus::OutOfMemory;
    }
    // Blue, green, red, the bottom row first, rows padded to 4 bytes.
    for (int y = 0; y < h; ++y) {
        const stbi_uc* src = rgb + size_t(h - 1 - y) * size_t(w) * 3;
        uint8_t* dst = pixels + size_t(y) * stride;
        for (int x = 0; x < w; ++x) {
            dst[3 * x] = src[3 * x + 2];
            dst[3 * x + 1] = src[3 * x + 1];
            dst[3 * x + 2] = src[3 * x];
        }
        std::memset(dst + size_t(w) * 3, 0, stride - size_t(w) * 3);
    }
    stbi_image_free(rgb);
    out->width = w;
    out->height = h;
    out->stride = stride;
    out->pixels.reset(pixels);
    return JpegStatus::Ok;
}

namespace {

void Append(void* context, void* data, int size) {
    auto* out = static_cast<std::vector<uint8_t>*>(context);
    const auto* bytes = static_cast<const uint8_t*>(data);
    out->insert(out->end(), bytes, bytes + size);
}

}  // namespace

bool EncodeJpeg(const uint8_t* samples, int width, int height, int components, bool progressive,
                std::vector<uint8_t>* out) {
    // stb_image_write writes baseline JPEG only.
    if (progressive || width <= 0 || height <= 0 || (components != 1 && components != 3)) return false;
    out->clear();
    return stbi_write_jpg_to_func(Append, out, width, height, components, samples, 100) != 0;
}

bool EncodePng(const uint8_t* rgb, int width, int height, std::vector<uint8_t>* out) {
    if (width <= 0 || height <= 0) return false;
    out->clear();
    return stbi_write_png_to_func(Append, out, width, height, 3, rgb, width * 3) != 0;
}

}  // namespace klice::platform
