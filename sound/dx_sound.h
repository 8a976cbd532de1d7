// The sound component: it makes the sound object and the primary buffer when
// it initializes and tells its listeners (the wave lists) about its life.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "data/events.h"
#include "data/persistent.h"
#include "sound/direct_sound.h"

namespace klice {

class TCustomDXSound;

// What the sound component needs of the form that owns it: the window the
// device's cooperative level is set on, and word when that window is made
// anew. A form class takes this on as a second base.
class TSoundWindowSite {
public:
    virtual ~TSoundWindowSite() = default;
    // The form's window; the device only records it.
    virtual const void* SoundWindow() const = 0;

    // The hook on the form's window messages, keyed by the hooking object.
    void HookWindow(const void* key, std::function<void()> on_window_recreated);
    void UnhookWindow(const void* key);
    bool Hooked(const void* key) const;

protected:
    // The form calls this after its window has been re-created.
    void WindowRecreated();

private:
    std::vector<std::pair<const void*, std::function<void()>>> hooks_;
};

enum class TDXSoundOption { soGlobalFocus, soStickyFocus, soExclusive };
using TDXSoundOptions = TSet<TDXSoundOption>;
const TTypeInfo& DXSoundOptionType();

// Listener events, told newest listener first.
enum TDXSoundNotifyType : int {
    dsntDestroying = 0,
    dsntInitializing = 1,
    dsntInitialize = 2,
    dsntFinalize = 3,
    dsntRestore = 4,
};
using TDXSoundNotifyEvent = std::function<void(TCustomDXSound* sender, TDXSoundNotifyType event)>;

// The sound object of a sound component: a loss of one of its buffers
// restores the component.
class TDXSoundDirectSound : public TDirectSound {
public:
    explicit TDXSoundDirectSound(TCustomDXSound& owner) : owner_(owner) {}

protected:
    void DoRestoreBuffer() override;

private:
    TCustomDXSound& owner_;
};

class TCustomDXSound : public TComponent {
    KLICE_CLASS(TCustomDXSound, TComponent)
public:
    explicit TCustomDXSound(TComponent* owner);
    // Finalizes, then tells the listeners 0.
    ~TCustomDXSound() override;

    bool AutoInitialize = true;
    TDXSoundOptions Options() const { return options_; }
    void SetOptions(TDXSoundOptions options);
    // The options in force: Options, except that while initialized only the
    // focus options follow Options and soExclusive waits for the next
    // initialization.
    TDXSoundOptions NowOptions() const { return now_options_; }

    TNotifyEvent OnFinalize;
    TNotifyEvent OnInitialize;
    TNotifyEvent OnInitializing;
    TNotifyEvent OnRestore;

    void Initialize();
    void Finalize();
    void Restore();
    bool Initialized() const { return initialized_; }

    // Null while not initialized.
    TDXSoundDirectSound* DSound() const { return dsound_.get(); }
    TDirectSoundBuffer* Primary() const { return primary_.get(); }
    TSoundWindowSite* Form() const { return form_; }

    // A listener is known by its key; registering a key again replaces its
    // callback. An initialized component tells a new listener 2 and 4, and a
    // leaving one 3.
    void RegisterNotifyEvent(const void* key, TDXSoundNotifyEvent callback);
    void UnRegisterNotifyEvent(const void* key);

    // At the end of loading: initializes when AutoInitialize is set. A device
    // failure (EDirectSoundError and derived) leaves the game silent.
    void Loaded() override;

protected:
    virtual void DoFinalize();
    virtual void DoInitialize();
    virtual void DoInitializing();
    virtual void DoRestore();

private:
    void Notify(TDXSoundNotifyType event);
    void SetCooperativeLevel();
    TSoundWindowSite* FindForm() const;

    TDXSoundOptions options_;
    TDXSoundOptions now_options_;
    bool initialized_ = false;
    bool calledDoInitialize_ = false;  // the initialize hook has run
    bool has_run_ = false;             // an initialization has run
    std::unique_ptr<TDXSoundDirectSound> dsound_;
    std::unique_ptr<TDirectSoundBuffer> primary_;
    TSoundWindowSite* form_ = nullptr;
    std::vector<std::pair<const void*, TDXSoundNotifyEvent>> listeners_;
};

class TDXSound : public TCustomDXSound {
    KLICE_CLASS(TDXSound, TCustomDXSound)
public:
    explicit TDXSound(TComponent* owner) : TCustomDXSound(owner) {}
};

}  // namespace klice
