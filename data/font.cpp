#include "data/font.h"

#include <cmath>

namespace klice {

const TTypeInfo& FontStyleType() {
    static const TTypeInfo type("TFontStyle",
                                std::vector<std::string>{"fsBold", "fsItalic", "fsUnderline", "fsStrikeOut"});
    return type;
}

KLICE_DESCRIBE_CLASS(TFont, c) {
    c.Integer("Charset", &TFont::Charset, &TFont::SetCharset);
    c.Color("Color", &TFont::Color, &TFont::SetColor);
    c.Integer("Height", &TFont::Height, &TFont::SetHeight);
    c.String("Name", &TFont::Name, &TFont::SetName);
    c.Set("Style", &TFont::Style, &TFont::SetStyle, FontStyleType());
}

int TFont::Size() const { return -static_cast<int>(std::lround(static_cast<double>(height_) * 72.0 / PixelsPerInch)); }

void TFont::SetSize(int points) {
    height_ = -static_cast<int>(std::lround(static_cast<double>(points) * PixelsPerInch / 72.0));
}

void TFont::Assign(const TPersistent* source) {
    if (auto* font = dynamic_cast<const TFont*>(source)) {
        charset_ = font->charset_;
        color_ = font->color_;
        height_ = font->height_;
        name_ = font->name_;
        style_ = font->style_;
        return;
    }
    TPersistent::Assign(source);
}

}  // namespace klice
