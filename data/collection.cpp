#include "data/collection.h"

#include <algorithm>

#include "data/class_builder.h"
#include "data/errors.h"

namespace klice {

KLICE_DESCRIBE_CLASS(TCollectionItem, c) {}

TCollectionItem::TCollectionItem(TCollection* collection) {
    if (collection != nullptr) collection->InsertItem(this);
}

TCollectionItem::~TCollectionItem() {
    if (collection_ != nullptr) collection_->RemoveItem(this);
}

void TCollectionItem::SetCollection(TCollection* collection) {
    if (collection == collection_) return;
    if (collection_ != nullptr) collection_->RemoveItem(this);
    if (collection != nullptr) {
        collection->InsertItem(this);
        collection->Notify(this, TCollectionNotification::Added);
        collection->Changed();
    }
}

int TCollectionItem::Index() const {
    if (collection_ == nullptr) return -1;
    auto& items = collection_->items_;
    return static_cast<int>(std::find(items.begin(), items.end(), this) - items.begin());
}

void TCollectionItem::SetIndex(int index) {
    if (collection_ != nullptr && index != Index()) {
        collection_->MoveItem(this, index);
        Changed(true);
    }
}

TPersistent* TCollectionItem::GetOwner() const { return collection_; }

void TCollectionItem::Changed(bool all_items) {
    if (collection_ != nullptr && collection_->update_count_ == 0) collection_->Update(all_items ? nullptr : this);
}

KLICE_DESCRIBE_CLASS(TCollection, c) {}

TCollection::TCollection(const TClassInfo& item_class, TPersistent* owner) : item_class_(&item_class), owner_(owner) {}

TCollection::~TCollection() {
    update_count_ = 1;  // no change reports while going away
    while (!items_.empty()) delete items_.back();
}

TCollectionItem* TCollection::Add() {
    TCollectionItem* item = item_class_->CreateItem(this);
    if (item->collection_ != this) {
        if (item->collection_ != nullptr) item->collection_->RemoveItem(item);
        InsertItem(item);
    }
    Notify(item, TCollectionNotification::Added);
    Changed();
    return item;
}

TCollectionItem* TCollection::Insert(int index) {
    BeginUpdate();
    TCollectionItem* item;
    try {
        item = Add();
        item->SetIndex(index);
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
    return item;
}

void TCollection::Clear() {
    if (items_.empty()) return;
    BeginUpdate();
    try {
        while (!items_.empty()) delete items_.back();
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TCollection::Delete(int index) {
    TCollectionItem* item = Items(index);
    Notify(item, TCollectionNotification::Deleting);
    delete item;
}

TCollectionItem* TCollection::Items(int index) const {
    if (index < 0 || index >= Count()) throw EInvalidOperation(Format("List index out of bounds (%d)", index));
    return items_[static_cast<size_t>(index)];
}

void TCollection::BeginUpdate() { ++update_count_; }

void TCollection::EndUpdate() {
    if (update_count_ > 0) --update_count_;
    Changed();
}

void TCollection::Assign(const TPersistent* source) {
    const auto* other = dynamic_cast<const TCollection*>(source);
    if (other == nullptr) {
        TPersistent::Assign(source);
        return;
    }
    if (other == this) return;
    BeginUpdate();
    try {
        Clear();
        for (int i = 0; i < other->Count(); ++i) Add()->Assign(other->Items(i));
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TCollection::Update(TCollectionItem*) {}
void TCollection::Notify(TCollectionItem*, TCollectionNotification) {}

void TCollection::Changed() {
    if (update_count_ == 0) Update(nullptr);
}

void TCollection::InsertItem(TCollectionItem* item) {
    items_.push_back(item);
    item->collection_ = this;
}

void TCollection::RemoveItem(TCollectionItem* item) {
    Notify(item, TCollectionNotification::Extracting);
    auto it = std::find(items_.begin(), items_.end(), item);
    if (it != items_.end()) items_.erase(it);
    item->collection_ = nullptr;
    Changed();
}

void TCollection::MoveItem(TCollectionItem* item, int index) {
    auto it = std::find(items_.begin(), items_.end(), item);
    if (it == items_.end()) return;
    items_.erase(it);
    index = std::clamp(index, 0, Count());
    items_.insert(items_.begin() + index, item);
}

}  // namespace klice
