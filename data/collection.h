// Collections: an owned list of items of one item class, reporting its
// changes to a derived class.
#pragma once

#include "data/persistent_object.h"

namespace klice {

enum class TCollectionNotification { Added, Extracting, Deleting };

class TCollectionItem : public TPersistent {
    KLICE_CLASS(TCollectionItem, TPersistent)
public:
    // Adds itself to collection (which may be nullptr) and then owns nothing:
    // the collection owns it.
    explicit TCollectionItem(TCollection* collection);
    ~TCollectionItem() override;

    TCollection* Collection() const { return collection_; }
    void SetCollection(TCollection* collection);
    int Index() const;
    void SetIndex(int index);
    TPersistent* GetOwner() const override;

protected:
    // Reports a change: to the collection as a whole when all_items.
    void Changed(bool all_items);

private:
    friend class TCollection;
    TCollection* collection_ = nullptr;
};

class TCollection : public TPersistent {
    KLICE_CLASS(TCollection, TPersistent)
public:
    // item_class must be a TCollectionItem class that can be created.
    explicit TCollection(const TClassInfo& item_class, TPersistent* owner = nullptr);
    ~TCollection() override;

    const TClassInfo& ItemClass() const { return *item_class_; }
    TCollectionItem* Add();
    TCollectionItem* Insert(int index);
    void Clear();
    void Delete(int index);
    int Count() const { return static_cast<int>(items_.size()); }
    TCollectionItem* Items(int index) const;
    template <class T>
    T* ItemAs(int index) const {
        return static_cast<T*>(Items(index));
    }

    // Changes between BeginUpdate and the last EndUpdate are reported once, at the end.
    void BeginUpdate();
    void EndUpdate();
    int UpdateCount() const { return update_count_; }

    // Copies the items of another collection with the items' Assign.
    void Assign(const TPersistent* source) override;
    TPersistent* GetOwner() const override { return owner_; }

protected:
    // A change of one item (item set) or of the whole collection (nullptr).
    virtual void Update(TCollectionItem* item);
    virtual void Notify(TCollectionItem* item, TCollectionNotification action);
    void Changed();

private:
    friend class TCollectionItem;
    void InsertItem(TCollectionItem* item);
    void RemoveItem(TCollectionItem* item);
    void MoveItem(TCollectionItem* item, int index);

    const TClassInfo* item_class_;
    TPersistent* owner_;
    std::vector<TCollectionItem*> items_;
    int update_count_ = 0;
};

}  // namespace klice
