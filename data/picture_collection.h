// The picture collection: named items, each a picture with how it is cut
// into patterns and whether it is drawn with a colour key, and the picture
// file that replaces a collection's items (a resource-headed component
// stream of a holder component whose List is the collection).
//
// Turning pictures into surfaces belongs to the display. A collection is
// bound to a TPictureDisplay, which builds every item's TPictureSurfaces;
// the collection only decides when.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "data/colors.h"
#include "data/hash_collection.h"
#include "data/persistent.h"
#include "data/picture.h"
#include "data/stream.h"
#include "platform/exception.h"

namespace klice {

KLICE_DECLARE_EXCEPTION(EPictureCollectionError, Exception);

inline constexpr const char* kImageNotFound = "Image '%s' not found";
inline constexpr const char* kCannotInitialized = "%s cannot be initialized";

class TPictureCollectionItem;

// The surfaces and patterns of one item, made by the display.
class TPictureSurfaces {
public:
    virtual ~TPictureSurfaces() = default;
    // Gives every surface the colour key of color; a surface that fails is
    // passed over and the others are still keyed.
    virtual void SetTransparentColor(TColor color) = 0;
    // True while every surface still holds its picture (none was lost), so a
    // restore has nothing to rebuild.
    virtual bool Intact() { return false; }
};

// What a collection is bound to.
class TPictureDisplay {
public:
    virtual ~TPictureDisplay() = default;
    virtual bool PictureDisplayInitialized() const = 0;
    // Builds the patterns and surfaces of item into a new set in out. On a
    // failure out keeps what was made before it.
    virtual void BuildSurfaces(TPictureCollectionItem& item, std::unique_ptr<TPictureSurfaces>& out) = 0;
};

class TPictureCollection;

class TPictureCollectionItem : public THashCollectionItem {
    KLICE_CLASS(TPictureCollectionItem, THashCollectionItem)
public:
    explicit TPictureCollectionItem(TCollection* collection);
    ~TPictureCollectionItem() override;

    TPictureCollection* PictureCollection() const;

    int32_t PatternHeight = 0;
    int32_t PatternWidth = 0;
    int32_t SkipHeight = 0;
    int32_t SkipWidth = 0;
    bool SystemMemory = false;
    bool Transparent = true;

    TPicture* Picture() const { return picture_.get(); }
    void SetPicture(TPicture* picture) { picture_->Assign(picture); }
    TColor TransparentColor() const { return transparent_color_; }
    // A new value re-keys the item's existing surfaces.
    void SetTransparentColor(TColor color);

    // The pattern size: PatternWidth (PatternHeight) when above 0, else the
    // picture's.
    int Width() const;
    int Height() const;

    // Surfaces exist for the collection's display.
    bool Initialized() const { return initialized_; }
    TPictureSurfaces* Surfaces() const { return surfaces_.get(); }

    // Drops the surfaces, takes the collection's initialised state and
    // builds the surfaces when it is initialised.
    void Initialize();
    // Drops the surfaces and patterns.
    void Finalize();
    // Builds the surfaces again from the picture (initialising first when
    // the collection is initialised and the item is not).
    void Restore();

    void Assign(const TPersistent* source) override;

private:
    void BuildSurfaces();

    std::unique_ptr<TPicture> picture_;
    TColor transparent_color_ = clBlack;
    bool initialized_ = false;
    std::unique_ptr<TPictureSurfaces> surfaces_;
};

class TPictureCollection : public THashCollection {
    KLICE_CLASS(TPictureCollection, THashCollection)
public:
    explicit TPictureCollection(TPersistent* owner = nullptr);
    ~TPictureCollection() override;

    TPictureCollectionItem* Items(int index) const { return ItemAs<TPictureCollectionItem>(index); }
    TPictureCollectionItem* Add() { return static_cast<TPictureCollectionItem*>(THashCollection::Add()); }
    // The item of that name (letter case ignored); EPictureCollectionError
    // "Image '%s' not found" with the name as given when there is none.
    TPictureCollectionItem* Find(const std::string& name) const;

    // 256 entries of 4 bytes; kept and written back, read by nobody.
    std::array<uint8_t, 1024> ColorTable{};

    TPictureDisplay* Display() const { return display_; }
    // Bound to a display that is initialised.
    bool Initialized() const { return display_ != nullptr && display_->PictureDisplayInitialized(); }

    // Binds to display and builds every item's surfaces; a display that is
    // not initialised raises "TPictureCollection cannot be initialized".
    void Initialize(TPictureDisplay* display);
    // Drops every item's surfaces and the binding.
    void Finalize();
    // Rebuilds every item's surfaces.
    void Restore();

    // Replaces every item by those of a picture file.
    void LoadFromFile(const std::string& file_name);
    void LoadFromStream(TStream& stream);
    // Writes a picture file of the items (the writer's form of the file).
    void SaveToFile(const std::string& file_name);
    void SaveToStream(TStream& stream);

    void DefineProperties(TFiler& filer) override;
    void Assign(const TPersistent* source) override;

private:
    void ReadColorTable(TStream& stream);
    void WriteColorTable(TStream& stream);

    TPictureDisplay* display_ = nullptr;
};

// The root component of a picture file: its List points at the collection
// being read or written, which it never owns.
class TPictureCollectionComponent : public TComponent {
    KLICE_CLASS(TPictureCollectionComponent, TComponent)
public:
    explicit TPictureCollectionComponent(TComponent* owner) : TComponent(owner) {}
    TPictureCollection* List() const { return list_; }
    void SetList(TPictureCollection* list) { list_ = list; }

private:
    TPictureCollection* list_ = nullptr;
};

}  // namespace klice
