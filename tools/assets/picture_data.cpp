#include "tools/assets/picture_data.h"

#include <map>

#include "data/dib.h"
#include "data/stream.h"
#include "platform/data_budget.h"
#include "tools/assets/source_error.h"

namespace klice::assets {

namespace {

// A colour image as a palette PNG: its colours in the order they first
// appear, top row first. Fails when there are more than 256.
PngImage with_palette(const PngImage& image, const std::string& file, int line) {
    if (image.paletted) return image;
    PngImage out;
    out.width = image.width;
    out.height = image.height;
    out.paletted = true;
    out.pixels.resize(static_cast<size_t>(image.width) * image.height);
    std::map<std::array<uint8_t, 3>, uint8_t> index;
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x) {
            const auto colour = image.Rgb(x, y);
            auto found = index.find(colour);
            if (found == index.end()) {
                if (out.palette.size() == 256)
                    throw ESourceError(file, line, "an 8-bit picture has at most 256 colours; this one has more");
                found = index.emplace(colour, static_cast<uint8_t>(out.palette.size())).first;
                out.palette.push_back(colour);
            }
            out.pixels[static_cast<size_t>(y) * image.width + x] = found->second;
        }
    return out;
}

}  // namespace

std::vector<uint8_t> picture_data(const PngImage& source, int bits, const std::string& file, int line) {
    // What the game would refuse is not written: the picture must fit the
    // budget of the stream it goes into, as the game weighs it when reading.
    uint64_t bytes = 0;
    if (!platform::DibImageBytes(source.width, source.height, bits, &bytes) ||
        !platform::budget::TakePicture(source.width, source.height, bytes))
        throw ESourceError(file, line,
                           "a " + std::to_string(source.width) + " x " + std::to_string(source.height) +
                               " picture is more than the game reads from one file (see platform/data_budget.h)");
    TDIB dib;
    if (bits == 8) {
        const PngImage image = with_palette(source, file, line);
        TRGBQuads table{};
        for (size_t i = 0; i < image.palette.size() && i < 256; ++i)
            table[i] = TRGBQuad{image.palette[i][2], image.palette[i][1], image.palette[i][0], 0};
        dib.SetColorTable(table);
        dib.SetSize(image.width, image.height, 8);
        for (int y = 0; y < image.height; ++y) {
            uint8_t* row = dib.ScanLine(y);
            for (int x = 0; x < image.width; ++x) row[x] = image.pixels[static_cast<size_t>(y) * image.width + x];
        }
    } else if (bits == 24 || bits == 32) {
        const PngImage& image = source;
        dib.SetSize(image.width, image.height, bits);
        const int step = bits / 8;
        for (int y = 0; y < image.height; ++y) {
            uint8_t* row = dib.ScanLine(y);
            for (int x = 0; x < image.width; ++x) {
                const auto c = image.Rgb(x, y);
                row[step * x] = c[2];
                row[step * x + 1] = c[1];
                row[step * x + 2] = c[0];
                if (step == 4) row[step * x + 3] = 0;
            }
        }
    } else {
        throw ESourceError(file, line, "bit depth " + std::to_string(bits) + " is not one of 8, 24, 32");
    }
    TMemoryStream out;
    const uint8_t name[] = {4, 'T', 'D', 'I', 'B'};
    out.WriteBuffer(name, sizeof name);
    dib.WriteData(out);
    return out.Bytes();
}

}  // namespace klice::assets
