#include "data/picture_collection.h"

#include <cstring>
#include <exception>

#include "data/component_stream.h"
#include "data/errors.h"
#include "data/filer.h"

namespace klice {

// ---------------------------------------------------------------------------
// Items.

KLICE_DESCRIBE_CLASS(TPictureCollectionItem, c) {
    c.Integer("PatternHeight", &TPictureCollectionItem::PatternHeight, &TPictureCollectionItem::PatternHeight);
    c.Integer("PatternWidth", &TPictureCollectionItem::PatternWidth, &TPictureCollectionItem::PatternWidth);
    c.Object("Picture", &TPictureCollectionItem::Picture, &TPictureCollectionItem::SetPicture);
    c.Integer("SkipHeight", &TPictureCollectionItem::SkipHeight, &TPictureCollectionItem::SkipHeight).Default(0);
    c.Integer("SkipWidth", &TPictureCollectionItem::SkipWidth, &TPictureCollectionItem::SkipWidth).Default(0);
    c.Boolean("SystemMemory", &TPictureCollectionItem::SystemMemory, &TPictureCollectionItem::SystemMemory);
    c.Boolean("Transparent", &TPictureCollectionItem::Transparent, &TPictureCollectionItem::Transparent);
    c.Color("TransparentColor", &TPictureCollectionItem::TransparentColor,
            &TPictureCollectionItem::SetTransparentColor);
}

TPictureCollectionItem::TPictureCollectionItem(TCollection* collection)
    : THashCollectionItem(collection), picture_(std::make_unique<TPicture>()) {}

TPictureCollectionItem::~TPictureCollectionItem() { Finalize(); }

TPictureCollection* TPictureCollectionItem::PictureCollection() const {
    return dynamic_cast<TPictureCollection*>(Collection());
}

void TPictureCollectionItem::SetTransparentColor(TColor color) {
    if (color == transparent_color_) return;
    transparent_color_ = color;
    if (surfaces_) surfaces_->SetTransparentColor(color);
}

int TPictureCollectionItem::Width() const { return PatternWidth > 0 ? PatternWidth : picture_->Width(); }
int TPictureCollectionItem::Height() const { return PatternHeight > 0 ? PatternHeight : picture_->Height(); }

void TPictureCollectionItem::Finalize() {
    surfaces_.reset();
    initialized_ = false;
}

void TPictureCollectionItem::BuildSurfaces() {
    surfaces_.reset();
    TPictureCollection* owner = PictureCollection();
    if (owner == nullptr || owner->Display() == nullptr || picture_->Graphic() == nullptr) return;
    owner->Display()->BuildSurfaces(*this, surfaces_);
}

void TPictureCollectionItem::Initialize() {
    Finalize();
    TPictureCollection* owner = PictureCollection();
    initialized_ = owner != nullptr && owner->Initialized();
    if (initialized_) BuildSurfaces();
}

void TPictureCollectionItem::Restore() {
    if (picture_->Graphic() == nullptr) return;
    if (!initialized_) {
        TPictureCollection* owner = PictureCollection();
        if (owner == nullptr || !owner->Initialized()) return;
        Initialize();
        if (!initialized_) return;
    }
    // Surfaces built by Initialize and never lost already hold the picture:
    // building them again would only repeat the conversion.
    if (surfaces_ && surfaces_->Intact()) return;
    BuildSurfaces();
}

void TPictureCollectionItem::Assign(const TPersistent* source) {
    const auto* other = dynamic_cast<const TPictureCollectionItem*>(source);
    if (other == nullptr) {
        inherited::Assign(source);
        return;
    }
    PatternHeight = other->PatternHeight;
    PatternWidth = other->PatternWidth;
    SkipHeight = other->SkipHeight;
    SkipWidth = other->SkipWidth;
    SystemMemory = other->SystemMemory;
    Transparent = other->Transparent;
    SetTransparentColor(other->transparent_color_);
    picture_->Assign(other->picture_.get());
    SetName(other->Name());
}

// ---------------------------------------------------------------------------
// The collection.

KLICE_DESCRIBE_CLASS(TPictureCollection, c) {}

TPictureCollection::TPictureCollection(TPersistent* owner)
    : THashCollection(TPictureCollectionItem::StaticClass(), owner) {}

TPictureCollection::~TPictureCollection() {
    try {
        Finalize();
    } catch (...) {
        // Surfaces go with their items either way.
    }
}

TPictureCollectionItem* TPictureCollection::Find(const std::string& name) const {
    const int index = IndexOf(name);
    if (index < 0) throw EPictureCollectionError(Format(kImageNotFound, name.c_str()));
    return Items(index);
}

void TPictureCollection::Initialize(TPictureDisplay* display) {
    Finalize();
    display_ = display;
    if (!Initialized()) throw EPictureCollectionError(Format(kCannotInitialized, ClassName().c_str()));
    for (int i = 0; i < Count(); ++i) Items(i)->Initialize();
}

void TPictureCollection::Finalize() {
    try {
        for (int i = 0; i < Count(); ++i) Items(i)->Finalize();
    } catch (...) {
        display_ = nullptr;
        throw;
    }
    display_ = nullptr;
}

void TPictureCollection::Restore() {
    for (int i = 0; i < Count(); ++i) Items(i)->Restore();
}

void TPictureCollection::LoadFromFile(const std::string& file_name) {
    TFileStream file(file_name, FileMode::OpenRead);
    LoadFromStream(file);
}

void TPictureCollection::LoadFromStream(TStream& stream) {
    Clear();
    {
        TPictureCollectionComponent holder(nullptr);
        holder.SetList(this);
        ReadComponentRes(stream, holder);
        // The holder goes here, also when the read fails.
    }
    if (Initialized()) {
        Initialize(display_);
        Restore();
    }
}

void TPictureCollection::SaveToFile(const std::string& file_name) {
    TFileStream file(file_name, FileMode::Create);
    SaveToStream(file);
}

void TPictureCollection::SaveToStream(TStream& stream) {
    TPictureCollectionComponent holder(nullptr);
    holder.SetList(this);
    WriteComponentRes(stream, holder.ClassName(), holder);
}

void TPictureCollection::ReadColorTable(TStream& stream) {
    std::array<uint8_t, 1024> table;
    stream.ReadBuffer(table.data(), table.size());  // a shorter block: "Stream read error"
    ColorTable = table;
}

void TPictureCollection::WriteColorTable(TStream& stream) { stream.WriteBuffer(ColorTable.data(), ColorTable.size()); }

void TPictureCollection::DefineProperties(TFiler& filer) {
    inherited::DefineProperties(filer);
    filer.DefineBinaryProperty(
        "ColorTable", [this](TStream& s) { ReadColorTable(s); }, [this](TStream& s) { WriteColorTable(s); }, true);
}

void TPictureCollection::Assign(const TPersistent* source) {
    inherited::Assign(source);
    if (const auto* other = dynamic_cast<const TPictureCollection*>(source)) ColorTable = other->ColorTable;
}

// ---------------------------------------------------------------------------

KLICE_DESCRIBE_CLASS(TPictureCollectionComponent, c) {
    c.Object("List", &TPictureCollectionComponent::List, &TPictureCollectionComponent::SetList);
}
KLICE_REGISTER_CLASS(TPictureCollectionComponent);

}  // namespace klice
