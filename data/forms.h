// The application object, the form (the main window of the program) and the
// timer. The form wraps the platform's main window: its window events reach
// the form, the form hands them to its controls, and failures inside them go
// to the application's top-level handler.
#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "data/controls.h"
#include "data/font.h"

namespace klice {

namespace platform {
class MainWindow;
}

using TCloseQueryEvent = TEvent<TObject*, bool&>;  // (Sender, CanClose)

enum class TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
enum class TWindowState { wsNormal, wsMinimized, wsMaximized };
enum class TPosition {
    poDesigned,
    poDefault,
    poDefaultPosOnly,
    poDefaultSizeOnly,
    poScreenCenter,
    poDesktopCenter,
    poMainFormCenter,
    poOwnerFormCenter
};
const TTypeInfo& FormBorderStyleType();
const TTypeInfo& WindowStateType();
const TTypeInfo& PositionType();

// What a form's window tells the components it owns, before the form's own
// handling of the same message is complete (Shown comes after it).
enum class TFormMessage { Shown, Destroying, Activated, Deactivated };

// A component that wants its form's window messages.
class IFormMessageListener {
public:
    virtual ~IFormMessageListener() = default;
    virtual void FormMessage(TCustomForm* form, TFormMessage message) = 0;
};

class TCustomForm : public TWinControl {
    KLICE_CLASS(TCustomForm, TWinControl)
public:
    explicit TCustomForm(TComponent* owner);
    ~TCustomForm() override;

    std::string Caption;
    TFormBorderStyle BorderStyle = TFormBorderStyle::bsSizeable;
    TWindowState WindowState = TWindowState::wsNormal;
    TPosition Position = TPosition::poDesigned;
    bool KeyPreview = false;
    bool OldCreateOrder = false;
    bool Scaled = true;
    int PixelsPerInch = 96;
    int TextHeight = 13;

    TFont* Font() const { return font_.get(); }
    void SetFont(TFont* font) { font_->Assign(font); }

    TNotifyEvent OnCreate;
    TNotifyEvent OnDestroy;
    TNotifyEvent OnShow;
    TNotifyEvent OnActivate, OnDeactivate;
    TCloseQueryEvent OnCloseQuery;

    // The form has no frame: its client area is the whole window.
    void SetClientWidth(int w) { SetBounds(Left(), Top(), w, Height()); }
    void SetClientHeight(int h) { SetBounds(Left(), Top(), Width(), h); }
    TPoint ClientOrigin() const override { return {Left(), Top()}; }

    // Runs OnCreate; a failure goes to the top-level handler and creation goes on.
    void DoCreate();
    // Shows the window (once: the first show tells the components).
    void Show();
    // Asks the form to close; the application's message loop ends when the
    // main form closes.
    void Close();
    bool Closed() const { return closed_; }
    // The window is going away: tells the components, before they are freed.
    void DestroyWindow();

    // Window events from the platform, in client coordinates of the form.
    // Key presses go to the form first when KeyPreview is on, then to the
    // control that has the focus.
    void WindowKeyDown(uint16_t key, TShiftState shift);
    void WindowMouseDown(TMouseButton button, TShiftState shift, int x, int y);
    void WindowMouseMove(TShiftState shift, int x, int y);
    void WindowMouseUp(TMouseButton button, TShiftState shift, int x, int y);
    void WindowActivated(bool active);
    // The window system asks to close (the close button of the window).
    void WindowCloseRequest() { Close(); }
    // The window now covers the given screen area (full screen at that mode).
    void CoverScreen(int width, int height);

    TWinControl* ActiveControl = nullptr;
    bool IsShown() const { return shown_; }

    // Takes the platform's main window as this form's window: its events come
    // to the form, Show and Close show it and end the message loop.
    void AttachWindow(platform::MainWindow* window);
    platform::MainWindow* Window() const { return window_; }

private:
    struct WindowAdapter;
    void WindowShown();
    void Broadcast(TFormMessage message);
    TControl* ControlAt(int x, int y) const;

    bool shown_ = false;
    bool closed_ = false;
    bool destroyed_ = false;
    TControl* mouse_capture_ = nullptr;
    std::unique_ptr<TFont> font_ = std::make_unique<TFont>();
    platform::MainWindow* window_ = nullptr;
    std::unique_ptr<WindowAdapter> adapter_;
};

class TForm : public TCustomForm {
    KLICE_CLASS(TForm, TCustomForm)
public:
    explicit TForm(TComponent* owner) : TCustomForm(owner) {}
};

// Handlers that run user code (creation, ticks, input) hand failures here.
class TApplication {
public:
    std::string Title;
    TCustomForm* MainForm = nullptr;

    // The top-level handler: shows the failure in the modal error box (the
    // platform's box, or its error sink without a window). The platform's own
    // handler of the running application comes here too, once Bind has run.
    void HandleException(const std::exception& failure);
    void Bind();
    // Error box texts so far, oldest first.
    const std::vector<std::string>& ShownErrors() const { return shown_errors_; }
    void ClearShownErrors() { shown_errors_.clear(); }

private:
    std::vector<std::string> shown_errors_;
};

TApplication& Application();

// Fires OnTimer every Interval milliseconds of the platform's 10 ms timer
// while Enabled. A failure in OnTimer ends that tick and goes to the
// top-level handler; a failure with the same text as the previous tick's is
// written to standard error instead of being boxed again, until a tick passes
// without failing.
class TTimer : public TComponent {
    KLICE_CLASS(TTimer, TComponent)
public:
    explicit TTimer(TComponent* owner);
    ~TTimer() override;

    int Interval = 1000;
    bool Enabled = true;
    TNotifyEvent OnTimer;

    // One tick of the platform timer, elapsed_ms since the previous one.
    void PlatformTick(int elapsed_ms);
    // Runs OnTimer once, with the failure handling above.
    void Fire();

    // Every timer alive; the platform's 10 ms timer ticks each of them.
    static void TickAll(int elapsed_ms);
    static constexpr int kPlatformInterval = 10;

private:
    int elapsed_ = 0;
    bool failed_last_ = false;
    std::string last_failure_;
};

// The form that holds the component: the top of its parents if that is a
// form, else the nearest form among its owners. Null when there is none.
TCustomForm* GetParentForm(const TComponent* component);

}  // namespace klice
