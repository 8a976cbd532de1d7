// Collections whose items are found by name. Every item sits in one of 256
// buckets chosen from its name; a bucket is a chain from its most recently
// named item to its oldest, and a lookup walks one chain only, comparing
// names without regard to letter case (Windows-1250 case pairs). Each item
// keeps its own index in the collection, so a lookup never scans the list.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "data/persistent.h"

namespace klice {

class THashCollection;

// The bucket of a name: of its lower-cased form, the length times 16, plus
// the codes of the first and the second-to-last character when there are at
// least two, kept to the low 8 bits.
uint8_t NameBucket(const std::string& name);

class THashCollectionItem : public TCollectionItem {
    KLICE_CLASS(THashCollectionItem, TCollectionItem)
public:
    // Hashed under the empty name when collection is a THashCollection.
    explicit THashCollectionItem(TCollection* collection);
    ~THashCollectionItem() override;

    const std::string& Name() const { return name_; }
    // A name that differs in any way, letter case included, moves the item
    // to the head of its new bucket, so it is found before older namesakes.
    void SetName(const std::string& name);

    void Assign(const TPersistent* source) override;

private:
    friend class THashCollection;
    std::string name_;
    THashCollection* hashed_in_ = nullptr;  // the collection whose chain holds it
    uint8_t bucket_ = 0;
    THashCollectionItem* newer_ = nullptr;  // towards the bucket's head
    THashCollectionItem* older_ = nullptr;
    mutable int index_ = -1;  // position in the collection
};

class THashCollection : public TCollection {
    KLICE_CLASS(THashCollection, TCollection)
public:
    // item_class should derive from THashCollectionItem; items of other
    // classes are kept but cannot be found by name.
    explicit THashCollection(const TClassInfo& item_class, TPersistent* owner = nullptr);
    ~THashCollection() override;

    // Index of the most recently named item whose name matches, letter case
    // ignored; -1 when none does.
    int IndexOf(const std::string& name) const;

protected:
    // Derived classes that override this call the inherited one: it keeps
    // the chains and the items' indexes right when items come and go.
    void Notify(TCollectionItem* item, TCollectionNotification action) override;

private:
    friend class THashCollectionItem;
    void Link(THashCollectionItem* item);
    void Unlink(THashCollectionItem* item);
    // Gives every item its current position as its index.
    void Renumber() const;
    // The item's index, checked against its position: an item moved within
    // the collection is renumbered with all the others.
    int IndexOfItem(const THashCollectionItem* item) const;

    std::array<THashCollectionItem*, 256> heads_{};
};

}  // namespace klice
