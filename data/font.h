// A font description as canvases and stored forms carry it. The height is in
// pixels, negative for a character height (the usual form); Size is in
// points at PixelsPerInch.
#pragma once

#include <cstdint>
#include <string>

#include "data/colors.h"
#include "data/persistent.h"

namespace klice {

enum class TFontStyle { fsBold, fsItalic, fsUnderline, fsStrikeOut };
using TFontStyles = TSet<TFontStyle>;

inline constexpr int DEFAULT_CHARSET = 1;

class TFont : public TPersistent {
    KLICE_CLASS(TFont, TPersistent)
public:
    TFont() = default;

    int Charset() const { return charset_; }
    void SetCharset(int v) { charset_ = v; }
    TColor Color() const { return color_; }
    void SetColor(TColor v) { color_ = v; }
    int Height() const { return height_; }
    void SetHeight(int v) { height_ = v; }
    const std::string& Name() const { return name_; }
    void SetName(const std::string& v) { name_ = v; }
    TFontStyles Style() const { return style_; }
    void SetStyle(TFontStyles v) { style_ = v; }

    // Points: the height becomes -(points * PixelsPerInch / 72), rounded to
    // nearest; read back, the height is turned into points the same way.
    int Size() const;
    void SetSize(int points);
    int PixelsPerInch = 96;

    void Assign(const TPersistent* source) override;

private:
    int charset_ = DEFAULT_CHARSET;
    TColor color_ = clWindowText;
    int height_ = -11;
    std::string name_ = "MS Sans Serif";
    TFontStyles style_;
};

const TTypeInfo& FontStyleType();

}  // namespace klice
