// Picture items on the display: their surfaces and patterns, colour keys,
// and the two ways pictures reach a surface: Draw (a 1:1 copy, colour-keyed
// when the item is transparent) and DrawRotated (scaled, turned, mirrored by
// a negative width; drawn in software row by row in 16.16 fixed point).
//
// Every picture pixel becomes a surface pixel through the device context's
// DIB copy, and so does the colour of a key (ColorToPixel), so a key always
// equals the pixels of its colour.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "data/colors.h"
#include "data/dib.h"
#include "data/picture_collection.h"
#include "display/direct_draw.h"
#include "platform/display_device.h"

namespace klice {

// The current value (0x00BBGGRR) of a system colour index.
TColor SystemColorValue(int index);
// A colour value as red, green and blue: system colours resolved, markers
// and the high byte dropped.
TColor ResolveColor(TColor color);

// The raw pixel a colour gets on surface: a 1 x 1 8-bit DIB of that colour
// is copied to (0, 0) through the canvas and read back; the pixel that was
// there is put back. 0 for a surface without a platform surface.
uint32_t ColorToPixel(TDirectDrawSurface& surface, TColor color);

// One pattern: its rectangle on one of the item's surfaces.
struct TPictureCollectionItemPattern {
    platform::Rect Rect;
    TDirectDrawSurface* Surface = nullptr;
};

// Where the patterns of an item lie: numbered row by row, left to right,
// each found from its number, so that a picture cut into millions of tiny
// patterns costs no memory for them.
struct TPatternLayout {
    int64_t Count = 0;
    int64_t Columns = 1;
    int Width = 0, Height = 0;              // of one pattern
    int64_t StrideX = 0, StrideY = 0;       // from one pattern to the next
    int64_t TileWidth = 0, TileHeight = 0;  // 0: every pattern is on the one surface
    int64_t TilesAcross = 0;
};

// The surfaces and patterns of an item on a display. A surface is made
// (and keyed) with the item, but gets its part of the picture only when a
// pattern on it is first asked for: fifteen level backgrounds cost no
// conversion and no touched memory until a level shows one.
class TItemSurfaces : public TPictureSurfaces {
public:
    void SetTransparentColor(TColor color) override;
    bool Intact() override;
    // The pattern, its surface holding its part of the picture.
    TPictureCollectionItemPattern PatternAt(int64_t index) const;

    // Surface number `surface` is to get the rectangle r of picture when it
    // is first used. The picture is kept as it is now: its pixels are shared
    // with the item's until either changes.
    void FillLater(size_t surface, TDIB& picture, const platform::Rect& r);
    // Copies its part of the picture to surface now, if it still waits for
    // it and is not lost (a lost one is built again by the restore).
    void Fill(size_t surface) const;
    bool Waiting(size_t surface) const { return surface < waiting_.size() && waiting_[surface].has_value(); }

    std::vector<std::unique_ptr<TDirectDrawSurface>> Surfaces;
    TPatternLayout Patterns;

private:
    mutable std::unique_ptr<TDIB> picture_;  // null once no surface waits
    mutable std::vector<std::optional<platform::Rect>> waiting_;
    mutable size_t waiting_count_ = 0;
};

// The tile size along one axis for patterns of the given stride: the
// smallest multiple of stride that reaches 2048, but no more than the
// patterns that fit.
int64_t TileSize(int64_t stride, int64_t count);

// A display whose surfaces are made by a TDirectDraw.
class TDirectDrawPictureDisplay : public TPictureDisplay {
public:
    virtual TDirectDraw* DirectDraw() const = 0;
    // Patterns and surfaces of item; "Surface cannot be made" stops the build
    // and keeps what was made.
    void BuildSurfaces(TPictureCollectionItem& item, std::unique_ptr<TPictureSurfaces>& out) override;
};

// The surface of the rectangle r of graphic, 1:1, keyed with key.
std::unique_ptr<TDirectDrawSurface> MakePictureSurface(TDirectDraw* draw, TGraphic* graphic, const platform::Rect& r,
                                                       bool system_memory, TColor key);
// A surface of r's size keyed with key, its pixels not yet the picture's.
std::unique_ptr<TDirectDrawSurface> MakeKeyedSurface(TDirectDraw* draw, const platform::Rect& r, bool system_memory,
                                                     TColor key);
// Copies the rectangle r of picture to (0, 0) of surface.
void CopyPicture(TDirectDrawSurface& surface, TDIB& picture, const platform::Rect& r);

// The item's patterns while it has surfaces (none otherwise).
int PatternCount(const TPictureCollectionItem& item);
std::optional<TPictureCollectionItemPattern> Pattern(const TPictureCollectionItem& item, int index);

// Copies src of source to (x, y) of dest, leaving pixels of the source's
// key out when transparent. Clipped against both surfaces; blit errors are
// recorded on dest.
void DrawSurface(TDirectDrawSurface& dest, int x, int y, const platform::Rect& src, TDirectDrawSurface* source,
                 bool transparent);
// Draws src of source scaled to width x height (negative: mirrored), turned
// by angle (1/256 of a turn) about the point (center_x, center_y), given as
// fractions of the drawn size, which lands on (x, y).
void DrawSurfaceRotated(TDirectDrawSurface& dest, int x, int y, int width, int height, const platform::Rect& src,
                        TDirectDrawSurface* source, double center_x, double center_y, bool transparent, float angle);

// The item operations: nothing for an item without surfaces or a pattern
// index out of range.
void Draw(const TPictureCollectionItem& item, TDirectDrawSurface* dest, int x, int y, int pattern_index);
void DrawRotated(const TPictureCollectionItem& item, TDirectDrawSurface* dest, int x, int y, int width, int height,
                 int pattern_index, double center_x, double center_y, float angle);

// Rounds to the nearest integer, halves to the even one.
int32_t RoundHalfEven(float value);

}  // namespace klice
