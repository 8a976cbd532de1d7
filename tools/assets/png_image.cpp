#include "tools/assets/png_image.h"

#include <png.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <stdexcept>

#include "tools/assets/source_error.h"

namespace klice::assets {

namespace {
struct FileCloser {
    void operator()(FILE* f) const { std::fclose(f); }
};

[[noreturn]] void png_fail(png_structp png, png_const_charp message) {
    auto* text = static_cast<std::string*>(png_get_error_ptr(png));
    *text = message;
    png_longjmp(png, 1);
}
void png_warn(png_structp, png_const_charp) {}
}  // namespace

PngImage read_png(const std::string& path, const std::string& from_file, int from_line) {
    std::unique_ptr<FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file) throw ESourceError(from_file, from_line, "cannot open " + path + ": " + std::strerror(errno));
    std::string error;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &error, png_fail, png_warn);
    png_infop info = png_create_info_struct(png);
    PngImage image;
    std::vector<png_bytep> rows;
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        throw ESourceError(from_file, from_line, path + " is not a readable PNG: " + error);
    }
    png_init_io(png, file.get());
    png_read_info(png, info);
    const int color_type = png_get_color_type(png, info);
    const int depth = png_get_bit_depth(png, info);
    image.width = static_cast<int>(png_get_image_width(png, info));
    image.height = static_cast<int>(png_get_image_height(png, info));
    if (image.width <= 0 || image.height <= 0 || image.width > 4096 || image.height > 4096) {
        png_destroy_read_struct(&png, &info, nullptr);
        throw ESourceError(from_file, from_line, path + " has an unusable size");
    }
    if (color_type == PNG_COLOR_TYPE_PALETTE) {
        image.paletted = true;
        png_colorp palette = nullptr;
        int count = 0;
        png_get_PLTE(png, info, &palette, &count);
        for (int i = 0; i < count; ++i) image.palette.push_back({palette[i].red, palette[i].green, palette[i].blue});
        if (depth < 8) png_set_packing(png);
        png_set_strip_alpha(png);
    } else {
        if (depth == 16) png_set_strip_16(png);
        if (color_type == PNG_COLOR_TYPE_GRAY || color_type == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_gray_to_rgb(png);
        if (depth < 8 && color_type == PNG_COLOR_TYPE_GRAY) png_set_expand_gray_1_2_4_to_8(png);
        png_set_strip_alpha(png);
    }
    png_read_update_info(png, info);
    const size_t channels = image.paletted ? 1 : 3;
    if (png_get_rowbytes(png, info) != channels * image.width) {
        png_destroy_read_struct(&png, &info, nullptr);
        throw ESourceError(from_file, from_line, path + " has an unsupported pixel layout");
    }
    image.pixels.resize(channels * image.width * image.height);
    rows.resize(image.height);
    for (int y = 0; y < image.height; ++y) rows[y] = image.pixels.data() + channels * image.width * y;
    png_read_image(png, rows.data());
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    if (image.paletted) {
        for (uint8_t index : image.pixels)
            if (index >= image.palette.size())
                throw ESourceError(from_file, from_line, path + " uses a colour outside its palette");
    }
    return image;
}

std::vector<uint8_t> encode_png(const PngImage& image) {
    std::vector<uint8_t> bytes;
    std::string error;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &error, png_fail, png_warn);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        throw std::runtime_error("cannot encode a PNG picture: " + error);
    }
    auto append = [](png_structp p, png_bytep data, png_size_t length) {
        auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(p));
        out->insert(out->end(), data, data + length);
    };
    png_set_write_fn(png, &bytes, append, nullptr);
    const bool alpha = !image.paletted && !image.alpha.empty();
    const int type = image.paletted ? PNG_COLOR_TYPE_PALETTE : alpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB;
    png_set_IHDR(png, info, image.width, image.height, 8, type, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    std::vector<png_color> palette;
    if (image.paletted) {
        for (const auto& c : image.palette) palette.push_back({c[0], c[1], c[2]});
        png_set_PLTE(png, info, palette.data(), static_cast<int>(palette.size()));
    }
    png_set_compression_level(png, 9);
    png_write_info(png, info);
    const size_t channels = image.paletted ? 1 : 3;
    std::vector<uint8_t> row;
    for (int y = 0; y < image.height; ++y) {
        const uint8_t* pixels = image.pixels.data() + channels * image.width * y;
        if (alpha) {
            row.clear();
            for (int x = 0; x < image.width; ++x) {
                row.insert(row.end(), pixels + 3 * x, pixels + 3 * x + 3);
                row.push_back(image.alpha[static_cast<size_t>(y) * image.width + x]);
            }
            pixels = row.data();
        }
        png_write_row(png, pixels);
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return bytes;
}

void write_png(const std::string& path, const PngImage& image) {
    const std::vector<uint8_t> bytes = encode_png(image);
    std::unique_ptr<FILE, FileCloser> file(std::fopen(path.c_str(), "wb"));
    if (!file) throw std::runtime_error("cannot create " + path + ": " + std::strerror(errno));
    if (std::fwrite(bytes.data(), 1, bytes.size(), file.get()) != bytes.size() || std::fflush(file.get()) != 0)
        throw std::runtime_error("cannot write " + path + ": " + std::strerror(errno));
}

}  // namespace klice::assets
