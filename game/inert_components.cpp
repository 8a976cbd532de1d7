#include "game/inert_components.h"

namespace klice {

KLICE_DESCRIBE_CLASS(TDXInput, c) {
    c.Boolean("ActiveOnly", &TDXInput::ActiveOnly, &TDXInput::ActiveOnly).Default(1);
    c.Boolean("UseDirectInput", &TDXInput::UseDirectInput, &TDXInput::UseDirectInput).Default(1);
}
KLICE_REGISTER_CLASS(TDXInput);

KLICE_DESCRIBE_CLASS(TMusicCollectionItem, c) {
    c.String("Name", &TMusicCollectionItem::Name, &TMusicCollectionItem::Name);
    c.Boolean("Looped", &TMusicCollectionItem::Looped, &TMusicCollectionItem::Looped).Default(0);
}

KLICE_DESCRIBE_CLASS(TDXMusic, c) { c.Object("Midis", &TDXMusic::Midis, &TDXMusic::SetMidis); }
KLICE_REGISTER_CLASS(TDXMusic);

TDXMusic::TDXMusic(TComponent* owner)
    : TComponent(owner), midis_(std::make_unique<TCollection>(TMusicCollectionItem::StaticClass(), this)) {}

}  // namespace klice
