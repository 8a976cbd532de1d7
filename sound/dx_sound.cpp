#include "sound/dx_sound.h"

#include <algorithm>
#include <exception>

#include "sound/sound_errors.h"

namespace klice {

// ---------------------------------------------------------------- window site

void TSoundWindowSite::HookWindow(const void* key, std::function<void()> on_window_recreated) {
    UnhookWindow(key);
    hooks_.emplace_back(key, std::move(on_window_recreated));
}

void TSoundWindowSite::UnhookWindow(const void* key) {
    std::erase_if(hooks_, [key](const auto& hook) { return hook.first == key; });
}

bool TSoundWindowSite::Hooked(const void* key) const {
    return std::any_of(hooks_.begin(), hooks_.end(), [key](const auto& hook) { return hook.first == key; });
}

void TSoundWindowSite::WindowRecreated() {
    auto hooks = hooks_;
    for (auto& hook : hooks) hook.second();
}

// ---------------------------------------------------------------- component

const TTypeInfo& DXSoundOptionType() {
    static const TTypeInfo type("TDXSoundOption", {"soGlobalFocus", "soStickyFocus", "soExclusive"});
    return type;
}

void TDXSoundDirectSound::DoRestoreBuffer() { owner_.Restore(); }

KLICE_DESCRIBE_CLASS(TCustomDXSound, c) {
    c.Boolean("AutoInitialize", &TCustomDXSound::AutoInitialize, &TCustomDXSound::AutoInitialize).Default(1);
    c.Set("Options", &TCustomDXSound::Options, &TCustomDXSound::SetOptions, DXSoundOptionType()).Default(0);
    c.Event("OnFinalize", &TCustomDXSound::OnFinalize);
    c.Event("OnInitialize", &TCustomDXSound::OnInitialize);
    c.Event("OnInitializing", &TCustomDXSound::OnInitializing);
    c.Event("OnRestore", &TCustomDXSound::OnRestore);
}

KLICE_DESCRIBE_CLASS(TDXSound, c) {}
KLICE_REGISTER_CLASS(TDXSound);

TCustomDXSound::TCustomDXSound(TComponent* owner) : TComponent(owner) {}

TCustomDXSound::~TCustomDXSound() {
    try {
        Finalize();
    } catch (...) {
        // Going away regardless; the listeners still hear of it below.
    }
    Notify(dsntDestroying);
}

void TCustomDXSound::SetOptions(TDXSoundOptions options) {
    options_ = options;
    if (!initialized_) {
        now_options_ = options;
        return;
    }
    const TDXSoundOptions focus{TDXSoundOption::soGlobalFocus, TDXSoundOption::soStickyFocus};
    now_options_ = (now_options_ - focus) | (options & focus);
    dsound_->GlobalFocus = now_options_.Contains(TDXSoundOption::soGlobalFocus);
    dsound_->StickyFocus = now_options_.Contains(TDXSoundOption::soStickyFocus);
}

void TCustomDXSound::DoFinalize() { OnFinalize(this); }
void TCustomDXSound::DoInitialize() { OnInitialize(this); }
void TCustomDXSound::DoInitializing() { OnInitializing(this); }
void TCustomDXSound::DoRestore() { OnRestore(this); }

TSoundWindowSite* TCustomDXSound::FindForm() const {
    for (TComponent* c = Owner(); c; c = c->Owner())
        if (auto* site = dynamic_cast<TSoundWindowSite*>(c)) return site;
    return nullptr;
}

void TCustomDXSound::SetCooperativeLevel() {
    if (!dsound_ || !form_) return;
    dsound_->SetCooperativeLevel(form_->SoundWindow(), now_options_.Contains(TDXSoundOption::soExclusive)
                                                           ? platform::CooperativeLevel::Exclusive
                                                           : platform::CooperativeLevel::Normal);
}

void TCustomDXSound::Initialize() {
    Finalize();
    TSoundWindowSite* form = FindForm();
    if (!form) throw EDXSoundError(kFormNotFound);
    Notify(dsntInitializing);
    DoInitializing();
    has_run_ = true;
    try {
        form_ = form;
        dsound_ = std::make_unique<TDXSoundDirectSound>(*this);
        dsound_->GlobalFocus = now_options_.Contains(TDXSoundOption::soGlobalFocus);
        dsound_->StickyFocus = now_options_.Contains(TDXSoundOption::soStickyFocus);
        primary_ = std::make_unique<TDirectSoundBuffer>(*dsound_);
        platform::BufferDescription primary;
        primary.flags = platform::kBufferPrimary;
        if (!primary_->CreateBuffer(primary)) throw EDXSoundError(Format(kCannotMade, "Primary Buffer"));
        initialized_ = true;
        form_->HookWindow(this, [this] { SetCooperativeLevel(); });
        SetCooperativeLevel();
    } catch (...) {
        Finalize();
        throw;
    }
    Notify(dsntInitialize);
    calledDoInitialize_ = true;
    DoInitialize();
    Restore();
}

void TCustomDXSound::Finalize() {
    if (!has_run_) return;
    std::exception_ptr failure;
    auto step = [&failure](auto&& action) {
        try {
            action();
        } catch (...) {
            if (!failure) failure = std::current_exception();
        }
    };
    step([this] {
        if (form_) form_->UnhookWindow(this);
    });
    step([this] {
        if (calledDoInitialize_) {
            calledDoInitialize_ = false;
            DoFinalize();
        }
    });
    step([this] { Notify(dsntFinalize); });
    initialized_ = false;
    has_run_ = false;
    now_options_ = options_;
    form_ = nullptr;
    primary_.reset();
    dsound_.reset();
    if (failure) std::rethrow_exception(failure);
}

void TCustomDXSound::Restore() {
    Notify(dsntRestore);
    DoRestore();
}

void TCustomDXSound::Loaded() {
    inherited::Loaded();
    if (!AutoInitialize) return;
    try {
        Initialize();
    } catch (const EDirectSoundError&) {
        // No sound device (or an item's buffer failed in the final restore):
        // the game goes on, silent where there is no buffer.
    }
}

void TCustomDXSound::Notify(TDXSoundNotifyType event) {
    // A listener may leave or register others while it is told; each one
    // still registered is told once, newest first.
    const auto listeners = listeners_;
    for (auto it = listeners.rbegin(); it != listeners.rend(); ++it) {
        const bool present =
            std::any_of(listeners_.begin(), listeners_.end(), [&](const auto& l) { return l.first == it->first; });
        if (present) it->second(this, event);
    }
}

void TCustomDXSound::RegisterNotifyEvent(const void* key, TDXSoundNotifyEvent callback) {
    UnRegisterNotifyEvent(key);
    listeners_.emplace_back(key, callback);
    if (initialized_) {
        callback(this, dsntInitialize);
        callback(this, dsntRestore);
    }
}

void TCustomDXSound::UnRegisterNotifyEvent(const void* key) {
    auto it = std::find_if(listeners_.begin(), listeners_.end(), [key](const auto& l) { return l.first == key; });
    if (it == listeners_.end()) return;
    TDXSoundNotifyEvent callback = std::move(it->second);
    listeners_.erase(it);
    if (initialized_) callback(this, dsntFinalize);
}

}  // namespace klice
