// The display object of the display component: the requested mode and the
// modes the display offers.
#include "display/dxdraws.h"

namespace klice {

KLICE_DESCRIBE_CLASS(TDXDrawDisplay, c) {
    c.Integer("BitCount", &TDXDrawDisplay::BitCount, &TDXDrawDisplay::SetBitCount).Default(16);
    c.Boolean("FixedBitCount", &TDXDrawDisplay::FixedBitCount, &TDXDrawDisplay::FixedBitCount).Default(0);
    c.Boolean("FixedRatio", &TDXDrawDisplay::FixedRatio, &TDXDrawDisplay::FixedRatio).Default(1);
    c.Boolean("FixedSize", &TDXDrawDisplay::FixedSize, &TDXDrawDisplay::FixedSize).Default(1);
    c.Integer("Height", &TDXDrawDisplay::Height, &TDXDrawDisplay::SetHeight).Default(480);
    c.Integer("Width", &TDXDrawDisplay::Width, &TDXDrawDisplay::SetWidth).Default(640);
}

void TDXDrawDisplay::Assign(const TPersistent* source) {
    if (auto* other = dynamic_cast<const TDXDrawDisplay*>(source)) {
        if (other == this) return;
        width_ = other->width_;
        height_ = other->height_;
        bit_count_ = other->bit_count_;
        FixedBitCount = other->FixedBitCount;
        FixedRatio = other->FixedRatio;
        FixedSize = other->FixedSize;
        return;
    }
    TPersistent::Assign(source);
}

TPersistent* TDXDrawDisplay::GetOwner() const { return dxdraw_; }

void TDXDrawDisplay::SetBitCount(int v) {
    if (v != 8 && v != 16 && v != 24 && v != 32) throw EDirectDrawError(kDDInvalidDisplayBitCount);
    bit_count_ = v;
}

const std::vector<TDisplayMode>& TDXDrawDisplay::Modes() {
    if (!modes_filled_) {
        std::vector<TDisplayMode> modes;
        if (TDirectDraw* dd = dxdraw_->DDraw()) {
            modes = dd->EnumDisplayModes();
        } else {
            TDirectDraw temporary;
            modes = temporary.EnumDisplayModes();
        }
        SortDisplayModes(modes);
        modes_ = std::move(modes);
        modes_filled_ = true;
    }
    return modes_;
}

bool TDXDrawDisplay::DoChangeDisplayMode(int width, int height, int bit_count) {
    TDirectDraw* dd = dxdraw_->DDraw();
    if (dd == nullptr) return false;
    TDisplayModeRequest request{width, height, bit_count, FixedBitCount, FixedRatio, FixedSize};
    auto set_mode = [dd](const TDisplayMode& m) {
        return dd->Check(dd->Device().SetDisplayMode(m.width, m.height, m.bits));
    };
    TDisplayMode chosen;
    if (!ChangeDisplayMode(Modes(), request, set_mode, &chosen)) return false;
    width_ = chosen.width;
    height_ = chosen.height;
    bit_count_ = chosen.bits;
    return true;
}

}  // namespace klice
