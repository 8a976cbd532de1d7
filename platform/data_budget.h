// The budget of a data file: the most one file may make the game decode,
// create or keep, whatever its headers declare. The game's readers, the
// asset compiler and the fuzz targets all use these limits, so that a file
// the tools write always loads and a file the game refuses fails the same
// way everywhere. docs/architecture.md gives the reason for every number.
//
// A reader that meets a file over the budget refuses it with the error it
// raises for a damaged file of that kind; it never takes the memory first.
#pragma once

#include <cstddef>
#include <cstdint>

namespace klice::platform::budget {

// ---- pictures ---------------------------------------------------------------

// The widest and tallest picture, in pixels.
inline constexpr int64_t kPictureSide = 32768;
// Pixels of one picture (4096 x 2048).
inline constexpr int64_t kPicturePixels = int64_t(8) << 20;
// Decoded pixels of all the pictures one stream (a picture file, the window
// resource) holds, and the bytes they take decoded: sixteen full screens.
inline constexpr int64_t kFilePixels = int64_t(12) << 20;
inline constexpr uint64_t kFilePixelBytes = uint64_t(48) << 20;
// The JPEG decoder's own working memory (a progressive picture keeps all its
// coefficients), besides the decoded pixels.
inline constexpr uint64_t kJpegWorkBytes = uint64_t(16) << 20;

// ---- waves ------------------------------------------------------------------

// Sample bytes of one wave.
inline constexpr uint64_t kWaveBytes = uint64_t(16) << 20;

// ---- component streams --------------------------------------------------------

// A binary block (picture data, a wave image): the largest picture or wave
// the limits above let through, with room for their headers.
inline constexpr uint64_t kBinaryBytes = uint64_t(40) << 20;
// Items of one collection value, components and component references of
// one stream read: each costs the stream a few bytes and the game far more.
inline constexpr int64_t kCollectionItems = 4096;
inline constexpr int64_t kStreamComponents = 1024;
inline constexpr int64_t kStreamReferences = 4096;

// ---- pictures of one stream ---------------------------------------------------

// What the next picture may have: the limits of one picture, lowered to what
// its stream has left (when a stream is being read).
struct PictureAllowance {
    int64_t side = kPictureSide;
    int64_t pixels = kPicturePixels;
    uint64_t bytes = uint64_t(kPicturePixels) * 4;

    // Whether a width x height picture whose decoded pixels take `bytes` fits.
    bool Admits(int64_t width, int64_t height, uint64_t pixel_bytes) const;
};
PictureAllowance NextPicture();

// Takes a width x height picture of `pixel_bytes` decoded bytes from the
// budget of the stream being read; false, and nothing taken, when it does
// not fit NextPicture().
bool TakePicture(int64_t width, int64_t height, uint64_t pixel_bytes);

// The pictures read while one lives share a stream's budget. Nested ones
// (a stream inside a stream) share the outermost one's.
class StreamPictures {
public:
    StreamPictures();
    ~StreamPictures();
    StreamPictures(const StreamPictures&) = delete;
    StreamPictures& operator=(const StreamPictures&) = delete;

    // What this stream's pictures have taken so far.
    static int64_t PixelsTaken();
    static uint64_t BytesTaken();

private:
    bool outermost_;
};

}  // namespace klice::platform::budget
