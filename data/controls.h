// Visual controls: a rectangle inside its parent with mouse events
// (TControl), a control that holds other controls and takes key events
// (TWinControl), and the single-line text field. Stored with their form;
// the form itself is in forms.h.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "data/colors.h"
#include "data/events.h"
#include "data/persistent.h"

namespace klice {

class TWinControl;
class TCustomForm;

enum class TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient, alCustom };
const TTypeInfo& AlignType();

// Cursor shapes: 0 the default, negative the system's shapes.
using TCursor = int16_t;
inline constexpr TCursor crDefault = 0, crNone = -1, crArrow = -2, crCross = -3, crIBeam = -4, crHourGlass = -11,
                         crDrag = -12, crNoDrop = -13, crNo = -18, crAppStart = -19, crHelpPoint = -20,
                         crHandPoint = -21;
const TTypeInfo& CursorType();

struct TPoint {
    int x = 0, y = 0;
};

class TControl : public TComponent {
    KLICE_CLASS(TControl, TComponent)
public:
    explicit TControl(TComponent* owner);
    ~TControl() override;

    TWinControl* Parent() const { return parent_; }
    virtual void SetParent(TWinControl* parent);

    int Left() const { return left_; }
    int Top() const { return top_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    void SetLeft(int v) { SetBounds(v, top_, width_, height_); }
    void SetTop(int v) { SetBounds(left_, v, width_, height_); }
    void SetWidth(int v) { SetBounds(left_, top_, v, height_); }
    void SetHeight(int v) { SetBounds(left_, top_, width_, v); }
    virtual void SetBounds(int left, int top, int width, int height);

    virtual int ClientWidth() const { return width_; }
    virtual int ClientHeight() const { return height_; }
    // The client area's top-left corner in screen coordinates.
    virtual TPoint ClientOrigin() const;

    TAlign Align() const { return align_; }
    void SetAlign(TAlign align);
    bool Visible() const { return visible_; }
    virtual void SetVisible(bool visible) { visible_ = visible; }

    TCursor Cursor = crDefault;
    TColor Color = clBtnFace;
    std::string Hint;
    bool ShowHint = false;
    bool ParentColor = false, ParentFont = true, ParentShowHint = true;
    bool Enabled = true;
    int32_t Tag = 0;

    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;
    TMouseEvent OnMouseDown;
    TMouseMoveEvent OnMouseMove;
    TMouseEvent OnMouseUp;

    // Mouse input at client coordinates; each calls its event when assigned.
    virtual void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
    virtual void MouseMove(TShiftState shift, int x, int y);
    virtual void MouseUp(TMouseButton button, TShiftState shift, int x, int y);

    // The stream's parent: the reader gives a control its parent this way.
    bool HasParent() const override { return true; }
    TComponent* GetParentComponent() const override;
    void SetParentComponent(TComponent* parent) override;

protected:
    // The size changed (after SetBounds or the parent's alignment).
    virtual void Resize() {}

private:
    TWinControl* parent_ = nullptr;
    int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
    TAlign align_ = TAlign::alNone;
    bool visible_ = true;
};

class TWinControl : public TControl {
    KLICE_CLASS(TWinControl, TControl)
public:
    explicit TWinControl(TComponent* owner);
    ~TWinControl() override;

    const std::vector<TControl*>& Controls() const { return controls_; }
    // Lays out the aligned children over the client area.
    void Realign();

    int TabOrder = -1;
    bool TabStop = false;

    TKeyEvent OnKeyDown;
    TKeyEvent OnKeyUp;
    TKeyPressEvent OnKeyPress;
    TNotifyEvent OnEnter, OnExit;

    // Key input; calls OnKeyDown when assigned.
    virtual void KeyDown(uint16_t& key, TShiftState shift);

    void SetBounds(int left, int top, int width, int height) override;
    // The children owned by root, for the stream writer.
    void GetChildren(const std::function<void(TComponent*)>& proc, TComponent* root) override;

private:
    friend class TControl;
    std::vector<TControl*> controls_;
};

// A single-line text field.
class TEdit : public TWinControl {
    KLICE_CLASS(TEdit, TWinControl)
public:
    explicit TEdit(TComponent* owner);
    std::string Text;
    int MaxLength = 0;
    bool ReadOnly = false;
    bool AutoSelect = true;
    bool AutoSize = true;
};

}  // namespace klice
