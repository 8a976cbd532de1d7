#include "data/forms.h"

#include <algorithm>
#include <cstdio>

#include "platform/application.h"

namespace klice {

// --- the top-level handler ---------------------------------------------------------

TApplication& Application() {
    static TApplication application;
    return application;
}

void TApplication::HandleException(const std::exception& failure) {
    std::string text = platform::ErrorBoxText(failure.what());
    shown_errors_.push_back(text);
    if (platform::Application::Current() != nullptr)
        platform::ShowErrorBox(text);
    else
        std::fprintf(stderr, "%s\n", text.c_str());
}

void TApplication::Bind() {
    if (platform::Application* app = platform::Application::Current()) {
        Title = app->Title();
        app->SetExceptionHandler([this](const std::exception& failure) { HandleException(failure); });
    }
}

namespace {

// Runs one handler of user code; a failure goes to the top-level handler.
template <typename F>
void Guarded(F&& handler) {
    try {
        handler();
    } catch (const std::exception& failure) {
        Application().HandleException(failure);
    }
}

}  // namespace

// --- TCustomForm ------------------------------------------------------------------

const TTypeInfo& FormBorderStyleType() {
    static const TTypeInfo type(
        "TFormBorderStyle",
        std::vector<std::string>{"bsNone", "bsSingle", "bsSizeable", "bsDialog", "bsToolWindow", "bsSizeToolWin"});
    return type;
}

const TTypeInfo& WindowStateType() {
    static const TTypeInfo type("TWindowState", std::vector<std::string>{"wsNormal", "wsMinimized", "wsMaximized"});
    return type;
}

const TTypeInfo& PositionType() {
    static const TTypeInfo type(
        "TPosition",
        std::vector<std::string>{"poDesigned", "poDefault", "poDefaultPosOnly", "poDefaultSizeOnly", "poScreenCenter",
                                 "poDesktopCenter", "poMainFormCenter", "poOwnerFormCenter"});
    return type;
}

KLICE_DESCRIBE_CLASS(TCustomForm, c) {
    c.Enum("BorderStyle", &TCustomForm::BorderStyle, &TCustomForm::BorderStyle, FormBorderStyleType())
        .Default(static_cast<int>(TFormBorderStyle::bsSizeable));
    c.String("Caption", &TCustomForm::Caption, &TCustomForm::Caption);
    c.Integer("ClientHeight", &TCustomForm::ClientHeight, &TCustomForm::SetClientHeight).NotStored();
    c.Integer("ClientWidth", &TCustomForm::ClientWidth, &TCustomForm::SetClientWidth).NotStored();
    c.Object("Font", &TCustomForm::Font, &TCustomForm::SetFont);
    c.Object("ActiveControl", &TCustomForm::ActiveControl, &TCustomForm::ActiveControl);
    c.Boolean("KeyPreview", &TCustomForm::KeyPreview, &TCustomForm::KeyPreview).Default(0);
    c.Boolean("OldCreateOrder", &TCustomForm::OldCreateOrder, &TCustomForm::OldCreateOrder);
    c.Integer("PixelsPerInch", &TCustomForm::PixelsPerInch, &TCustomForm::PixelsPerInch);
    c.Enum("Position", &TCustomForm::Position, &TCustomForm::Position, PositionType()).Default(0);
    c.Boolean("Scaled", &TCustomForm::Scaled, &TCustomForm::Scaled).Default(1);
    c.Integer("TextHeight", &TCustomForm::TextHeight, &TCustomForm::TextHeight);
    c.Enum("WindowState", &TCustomForm::WindowState, &TCustomForm::WindowState, WindowStateType()).Default(0);
    c.Event("OnActivate", &TCustomForm::OnActivate);
    c.Event("OnCloseQuery", &TCustomForm::OnCloseQuery);
    c.Event("OnCreate", &TCustomForm::OnCreate);
    c.Event("OnDeactivate", &TCustomForm::OnDeactivate);
    c.Event("OnDestroy", &TCustomForm::OnDestroy);
    c.Event("OnShow", &TCustomForm::OnShow);
}

KLICE_DESCRIBE_CLASS(TForm, c) {}
KLICE_REGISTER_CLASS(TForm);

// The platform window's events, handed to the form.
struct TCustomForm::WindowAdapter : platform::WindowListener {
    explicit WindowAdapter(TCustomForm* f) : form(f) {}
    TCustomForm* form;

    static TMouseButton Button(platform::MouseButton b) {
        switch (b) {
            case platform::MouseButton::Right: return TMouseButton::mbRight;
            case platform::MouseButton::Middle: return TMouseButton::mbMiddle;
            default: return TMouseButton::mbLeft;
        }
    }
    static TShiftState Shift(platform::ShiftState s) { return TShiftState::FromBits(s); }
    void OnKeyDown(int32_t vk, platform::ShiftState shift) override {
        form->WindowKeyDown(static_cast<uint16_t>(vk), Shift(shift));
    }
    void OnMouseMove(platform::ShiftState shift, int x, int y) override { form->WindowMouseMove(Shift(shift), x, y); }
    void OnMouseDown(platform::MouseButton b, platform::ShiftState shift, int x, int y) override {
        form->WindowMouseDown(Button(b), Shift(shift), x, y);
    }
    void OnMouseUp(platform::MouseButton b, platform::ShiftState shift, int x, int y) override {
        form->WindowMouseUp(Button(b), Shift(shift), x, y);
    }
    void OnShow() override { form->WindowShown(); }
    void OnFocusChanged(bool focused) override { form->WindowActivated(focused); }
    void OnCloseRequest() override { form->WindowCloseRequest(); }
};

TCustomForm::TCustomForm(TComponent* owner) : TWinControl(owner) {
    Color = clBtnFace;
    font_->SetColor(clWindowText);
}

TCustomForm::~TCustomForm() {
    DestroyWindow();
    if (Application().MainForm == this) Application().MainForm = nullptr;
}

void TCustomForm::AttachWindow(platform::MainWindow* window) {
    if (window_ != nullptr && adapter_ && window_->Listener() == adapter_.get()) window_->SetListener(nullptr);
    window_ = window;
    if (window_ == nullptr) return;
    if (!adapter_) adapter_ = std::make_unique<WindowAdapter>(this);
    window_->SetListener(adapter_.get());
    SetBounds(0, 0, window_->ClientWidth(), window_->ClientHeight());
}

void TCustomForm::DoCreate() {
    if (OnCreate) Guarded([this] { OnCreate(this); });
}

void TCustomForm::Broadcast(TFormMessage message) {
    // Components are looked up afresh for each one: a handler may free others.
    for (int i = 0; i < ComponentCount(); ++i) {
        if (auto* listener = dynamic_cast<IFormMessageListener*>(Components(i)))
            Guarded([&] { listener->FormMessage(this, message); });
    }
}

void TCustomForm::Show() {
    SetVisible(true);
    if (window_ != nullptr) {
        window_->Show();  // the first show comes back as WindowShown
        return;
    }
    WindowShown();
}

void TCustomForm::WindowShown() {
    if (shown_) return;
    shown_ = true;
    if (OnShow) Guarded([this] { OnShow(this); });
    Broadcast(TFormMessage::Shown);
}

void TCustomForm::Close() {
    bool can_close = true;
    if (OnCloseQuery) Guarded([&] { OnCloseQuery(this, can_close); });
    if (!can_close) return;
    closed_ = true;
    SetVisible(false);
    if (window_ != nullptr) window_->Close();
}

void TCustomForm::DestroyWindow() {
    if (destroyed_) return;
    destroyed_ = true;
    Broadcast(TFormMessage::Destroying);
    if (OnDestroy) Guarded([this] { OnDestroy(this); });
    AttachWindow(nullptr);
}

void TCustomForm::WindowActivated(bool active) {
    Broadcast(active ? TFormMessage::Activated : TFormMessage::Deactivated);
    if (active)
        Guarded([this] { OnActivate(this); });
    else
        Guarded([this] { OnDeactivate(this); });
}

void TCustomForm::CoverScreen(int width, int height) { SetBounds(0, 0, width, height); }

void TCustomForm::WindowKeyDown(uint16_t key, TShiftState shift) {
    Guarded([&] {
        TWinControl* focused = ActiveControl;
        if (focused == nullptr || focused == this) {
            KeyDown(key, shift);
            return;
        }
        if (KeyPreview) KeyDown(key, shift);
        if (key != 0) focused->KeyDown(key, shift);
    });
}

TControl* TCustomForm::ControlAt(int x, int y) const {
    // The topmost (last added) visible child under the point, else the form.
    const TWinControl* container = this;
    int cx = x, cy = y;
    for (;;) {
        TControl* hit = nullptr;
        const auto& children = container->Controls();
        for (auto it = children.rbegin(); it != children.rend(); ++it) {
            TControl* c = *it;
            if (!c->Visible()) continue;
            if (cx >= c->Left() && cy >= c->Top() && cx < c->Left() + c->Width() && cy < c->Top() + c->Height()) {
                hit = c;
                break;
            }
        }
        if (hit == nullptr) return const_cast<TWinControl*>(container);
        auto* inner = dynamic_cast<TWinControl*>(hit);
        if (inner == nullptr || inner->Controls().empty()) return hit;
        cx -= hit->Left();
        cy -= hit->Top();
        container = inner;
    }
}

namespace {

// Form coordinates to the client coordinates of a control inside the form.
TPoint ToClient(const TCustomForm* form, const TControl* control, int x, int y) {
    TPoint form_origin = form->ClientOrigin();
    TPoint origin = control->ClientOrigin();
    return {x - (origin.x - form_origin.x), y - (origin.y - form_origin.y)};
}

}  // namespace

void TCustomForm::WindowMouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    Guarded([&] {
        TControl* target = ControlAt(x, y);
        mouse_capture_ = target;
        TPoint p = ToClient(this, target, x, y);
        target->MouseDown(button, shift, p.x, p.y);
    });
}

void TCustomForm::WindowMouseMove(TShiftState shift, int x, int y) {
    Guarded([&] {
        TControl* target = mouse_capture_ ? mouse_capture_ : ControlAt(x, y);
        TPoint p = ToClient(this, target, x, y);
        target->MouseMove(shift, p.x, p.y);
    });
}

void TCustomForm::WindowMouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    Guarded([&] {
        TControl* target = mouse_capture_ ? mouse_capture_ : ControlAt(x, y);
        mouse_capture_ = nullptr;
        TPoint p = ToClient(this, target, x, y);
        target->MouseUp(button, shift, p.x, p.y);
    });
}

// --- TTimer ------------------------------------------------------------------------

KLICE_DESCRIBE_CLASS(TTimer, c) {
    c.Boolean("Enabled", &TTimer::Enabled, &TTimer::Enabled).Default(1);
    c.Integer("Interval", &TTimer::Interval, &TTimer::Interval).Default(1000);
    c.Event("OnTimer", &TTimer::OnTimer);
}
KLICE_REGISTER_CLASS(TTimer);

namespace {
std::vector<TTimer*>& LiveTimers() {
    static std::vector<TTimer*> timers;
    return timers;
}
}  // namespace

TTimer::TTimer(TComponent* owner) : TComponent(owner) {
    LiveTimers().push_back(this);
    platform::Application* app = platform::Application::Current();
    if (app != nullptr && app->TimerInterval() <= 0)
        app->SetTimer(kPlatformInterval, [] { TTimer::TickAll(kPlatformInterval); });
}

TTimer::~TTimer() {
    auto& timers = LiveTimers();
    timers.erase(std::remove(timers.begin(), timers.end(), this), timers.end());
    platform::Application* app = platform::Application::Current();
    if (timers.empty() && app != nullptr) app->KillTimer();
}

void TTimer::TickAll(int elapsed_ms) {
    std::vector<TTimer*> timers = LiveTimers();
    for (TTimer* timer : timers) {
        auto& live = LiveTimers();
        if (std::find(live.begin(), live.end(), timer) != live.end()) timer->PlatformTick(elapsed_ms);
    }
}

void TTimer::PlatformTick(int elapsed_ms) {
    if (!Enabled || Interval <= 0 || !OnTimer) {
        elapsed_ = 0;
        return;
    }
    elapsed_ += elapsed_ms;
    if (elapsed_ < Interval) return;
    // Like the system's timer messages, late ticks are not queued up.
    elapsed_ = 0;
    Fire();
}

void TTimer::Fire() {
    if (!OnTimer) return;
    try {
        OnTimer(this);
        failed_last_ = false;
    } catch (const std::exception& failure) {
        std::string message = failure.what();
        if (failed_last_ && message == last_failure_) {
            std::fprintf(stderr, "%s\n", platform::ErrorBoxText(message).c_str());
        } else {
            Application().HandleException(failure);
        }
        failed_last_ = true;
        last_failure_ = message;
    }
}

TCustomForm* GetParentForm(const TComponent* component) {
    if (auto* control = dynamic_cast<const TControl*>(component)) {
        const TControl* top = control;
        while (top->Parent() != nullptr) top = top->Parent();
        if (auto* form = dynamic_cast<const TCustomForm*>(top)) return const_cast<TCustomForm*>(form);
    }
    for (const TComponent* c = component; c != nullptr; c = c->Owner()) {
        if (auto* form = dynamic_cast<const TCustomForm*>(c)) return const_cast<TCustomForm*>(form);
    }
    return nullptr;
}

}  // namespace klice
