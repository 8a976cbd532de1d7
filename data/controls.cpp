#include "data/controls.h"

#include <algorithm>

namespace klice {

const TTypeInfo& AlignType() {
    static const TTypeInfo type(
        "TAlign", std::vector<std::string>{"alNone", "alTop", "alBottom", "alLeft", "alRight", "alClient", "alCustom"});
    return type;
}

namespace {
const TIdentMapEntry kCursors[] = {
    {crDefault, "crDefault"}, {crNone, "crNone"},           {crArrow, "crArrow"},         {crCross, "crCross"},
    {crIBeam, "crIBeam"},     {crHourGlass, "crHourGlass"}, {crDrag, "crDrag"},           {crNoDrop, "crNoDrop"},
    {crNo, "crNo"},           {crAppStart, "crAppStart"},   {crHelpPoint, "crHelpPoint"}, {crHandPoint, "crHandPoint"},
};
}  // namespace

const TTypeInfo& CursorType() {
    static const TTypeInfo type("TCursor", std::span<const TIdentMapEntry>(kCursors));
    return type;
}

// --- TControl -------------------------------------------------------------------

KLICE_DESCRIBE_CLASS(TControl, c) {
    c.Integer("Left", &TControl::Left, &TControl::SetLeft);
    c.Integer("Top", &TControl::Top, &TControl::SetTop);
    c.Integer("Width", &TControl::Width, &TControl::SetWidth);
    c.Integer("Height", &TControl::Height, &TControl::SetHeight);
    c.Enum("Align", &TControl::Align, &TControl::SetAlign, AlignType()).Default(0);
    c.Color("Color", &TControl::Color, &TControl::Color);
    c.Integer("Cursor", &TControl::Cursor, &TControl::Cursor, &CursorType()).Default(crDefault);
    c.Boolean("Enabled", &TControl::Enabled, &TControl::Enabled).Default(1);
    c.String("Hint", &TControl::Hint, &TControl::Hint);
    c.Boolean("ParentColor", &TControl::ParentColor, &TControl::ParentColor);
    c.Boolean("ParentFont", &TControl::ParentFont, &TControl::ParentFont);
    c.Boolean("ParentShowHint", &TControl::ParentShowHint, &TControl::ParentShowHint);
    c.Boolean("ShowHint", &TControl::ShowHint, &TControl::ShowHint);
    c.Integer("Tag", &TControl::Tag, &TControl::Tag).Default(0);
    c.Boolean("Visible", &TControl::Visible, &TControl::SetVisible).Default(1);
    c.Event("OnClick", &TControl::OnClick);
    c.Event("OnDblClick", &TControl::OnDblClick);
    c.Event("OnMouseDown", &TControl::OnMouseDown);
    c.Event("OnMouseMove", &TControl::OnMouseMove);
    c.Event("OnMouseUp", &TControl::OnMouseUp);
}

TControl::TControl(TComponent* owner) : TComponent(owner) {}

TComponent* TControl::GetParentComponent() const { return parent_; }

void TControl::SetParentComponent(TComponent* parent) {
    if (auto* win = dynamic_cast<TWinControl*>(parent)) SetParent(win);
}

TControl::~TControl() { SetParent(nullptr); }

void TControl::SetParent(TWinControl* parent) {
    if (parent == parent_) return;
    if (parent_) {
        auto& list = parent_->controls_;
        list.erase(std::remove(list.begin(), list.end(), this), list.end());
    }
    parent_ = parent;
    if (parent_) {
        parent_->controls_.push_back(this);
        if (align_ != TAlign::alNone) parent_->Realign();
    }
}

void TControl::SetBounds(int left, int top, int width, int height) {
    const bool resized = width != width_ || height != height_;
    left_ = left;
    top_ = top;
    width_ = width;
    height_ = height;
    if (resized) Resize();
}

TPoint TControl::ClientOrigin() const {
    if (parent_ == nullptr) return {left_, top_};
    TPoint origin = parent_->ClientOrigin();
    return {origin.x + left_, origin.y + top_};
}

void TControl::SetAlign(TAlign align) {
    if (align == align_) return;
    align_ = align;
    if (parent_) parent_->Realign();
}

void TControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    OnMouseDown(this, button, shift, x, y);
}

void TControl::MouseMove(TShiftState shift, int x, int y) { OnMouseMove(this, shift, x, y); }

void TControl::MouseUp(TMouseButton button, TShiftState shift, int x, int y) { OnMouseUp(this, button, shift, x, y); }

// --- TWinControl ------------------------------------------------------------------

KLICE_DESCRIBE_CLASS(TWinControl, c) {
    c.Integer("TabOrder", &TWinControl::TabOrder, &TWinControl::TabOrder).Default(-1);
    c.Boolean("TabStop", &TWinControl::TabStop, &TWinControl::TabStop);
    c.Event("OnEnter", &TWinControl::OnEnter);
    c.Event("OnExit", &TWinControl::OnExit);
    c.Event("OnKeyDown", &TWinControl::OnKeyDown);
    c.Event("OnKeyPress", &TWinControl::OnKeyPress);
    c.Event("OnKeyUp", &TWinControl::OnKeyUp);
}

void TWinControl::GetChildren(const std::function<void(TComponent*)>& proc, TComponent* root) {
    for (TControl* child : controls_)
        if (child->Owner() == root) proc(child);
}

TWinControl::TWinControl(TComponent* owner) : TControl(owner) {}

TWinControl::~TWinControl() {
    // The children belong to their owner; they only lose their parent here.
    std::vector<TControl*> children = controls_;
    for (TControl* child : children) child->SetParent(nullptr);
}

void TWinControl::KeyDown(uint16_t& key, TShiftState shift) { OnKeyDown(this, key, shift); }

void TWinControl::SetBounds(int left, int top, int width, int height) {
    const bool resized = width != Width() || height != Height();
    TControl::SetBounds(left, top, width, height);
    if (resized) Realign();
}

void TWinControl::Realign() {
    // Top and bottom take full-width strips, then left and right full-height
    // strips of what remains, then client controls fill the rest.
    using enum TAlign;
    int left = 0, top = 0, right = ClientWidth(), bottom = ClientHeight();
    auto place = [&](TAlign which) {
        for (TControl* c : controls_) {
            if (c->Align() != which) continue;
            switch (which) {
                case alTop:
                    c->SetBounds(left, top, right - left, c->Height());
                    top += c->Height();
                    break;
                case alBottom:
                    bottom -= c->Height();
                    c->SetBounds(left, bottom, right - left, c->Height());
                    break;
                case alLeft:
                    c->SetBounds(left, top, c->Width(), bottom - top);
                    left += c->Width();
                    break;
                case alRight:
                    right -= c->Width();
                    c->SetBounds(right, top, c->Width(), bottom - top);
                    break;
                case alClient: c->SetBounds(left, top, right - left, bottom - top); break;
                default: break;
            }
        }
    };
    place(alTop);
    place(alBottom);
    place(alLeft);
    place(alRight);
    place(alClient);
}

KLICE_DESCRIBE_CLASS(TEdit, c) {
    c.Boolean("AutoSelect", &TEdit::AutoSelect, &TEdit::AutoSelect).Default(1);
    c.Boolean("AutoSize", &TEdit::AutoSize, &TEdit::AutoSize).Default(1);
    c.Integer("MaxLength", &TEdit::MaxLength, &TEdit::MaxLength).Default(0);
    c.Boolean("ReadOnly", &TEdit::ReadOnly, &TEdit::ReadOnly).Default(0);
    c.String("Text", &TEdit::Text, &TEdit::Text);
}
KLICE_REGISTER_CLASS(TEdit);

TEdit::TEdit(TComponent* owner) : TWinControl(owner) {
    SetBounds(0, 0, 121, 21);
    TabStop = true;
}

}  // namespace klice
