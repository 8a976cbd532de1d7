// Components the main window carries without a role in the game: the input
// device component (polled by nothing here) and the MIDI music component
// (one empty item, never played). They only take their stored properties so
// that the window reads whole.
#pragma once

#include <memory>

#include "data/persistent.h"

namespace klice {

class TDXInput : public TComponent {
    KLICE_CLASS(TDXInput, TComponent)
public:
    explicit TDXInput(TComponent* owner) : TComponent(owner) {}
    bool ActiveOnly = true;
    bool UseDirectInput = true;
};

class TMusicCollectionItem : public TCollectionItem {
    KLICE_CLASS(TMusicCollectionItem, TCollectionItem)
public:
    explicit TMusicCollectionItem(TCollection* collection) : TCollectionItem(collection) {}
    std::string Name;
    bool Looped = false;
};

class TDXMusic : public TComponent {
    KLICE_CLASS(TDXMusic, TComponent)
public:
    explicit TDXMusic(TComponent* owner);
    TCollection* Midis() const { return midis_.get(); }
    void SetMidis(TCollection* midis) { midis_->Assign(midis); }

private:
    std::unique_ptr<TCollection> midis_;
};

}  // namespace klice
