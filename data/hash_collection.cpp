#include "data/hash_collection.h"

#include "platform/locale_text.h"

namespace klice {

uint8_t NameBucket(const std::string& name) {
    std::string lower = platform::LocaleLowerCase(name);
    size_t length = lower.size();
    size_t sum = length * 16;
    if (length >= 2) sum += static_cast<uint8_t>(lower[0]) + static_cast<uint8_t>(lower[length - 2]);
    return static_cast<uint8_t>(sum & 0xFF);
}

// ---------------------------------------------------------------------------

KLICE_DESCRIBE_CLASS(THashCollectionItem, c) {
    c.String("Name", &THashCollectionItem::Name, &THashCollectionItem::SetName);
}

THashCollectionItem::THashCollectionItem(TCollection* collection) : TCollectionItem(collection) {
    if (auto* hashed = dynamic_cast<THashCollection*>(collection)) {
        index_ = hashed->Count() - 1;  // a new item is appended
        hashed->Link(this);
    }
}

THashCollectionItem::~THashCollectionItem() {
    // Leave while still a THashCollectionItem, so that the collection can
    // take the item out of its chain.
    SetCollection(nullptr);
}

void THashCollectionItem::SetName(const std::string& name) {
    if (name == name_) return;
    if (hashed_in_ == nullptr) {
        name_ = name;
        return;
    }
    THashCollection* collection = hashed_in_;
    collection->Unlink(this);
    name_ = name;
    collection->Link(this);
}

void THashCollectionItem::Assign(const TPersistent* source) {
    if (const auto* other = dynamic_cast<const THashCollectionItem*>(source)) {
        SetName(other->Name());
        return;
    }
    inherited::Assign(source);
}

// ---------------------------------------------------------------------------

KLICE_DESCRIBE_CLASS(THashCollection, c) {}

THashCollection::THashCollection(const TClassInfo& item_class, TPersistent* owner) : TCollection(item_class, owner) {}

THashCollection::~THashCollection() {
    // The items leave while the chains still exist; no change reports now.
    BeginUpdate();
    while (Count() > 0) delete Items(Count() - 1);
}

int THashCollection::IndexOf(const std::string& name) const {
    for (const THashCollectionItem* item = heads_[NameBucket(name)]; item != nullptr; item = item->older_)
        if (platform::LocaleCompareTextIgnoreCase(item->name_, name) == 0) return IndexOfItem(item);
    return -1;
}

void THashCollection::Notify(TCollectionItem* item, TCollectionNotification action) {
    inherited::Notify(item, action);
    auto* hashed = dynamic_cast<THashCollectionItem*>(item);
    if (action == TCollectionNotification::Added) {
        if (hashed != nullptr && hashed->hashed_in_ != this) {
            hashed->index_ = Count() - 1;
            Link(hashed);
        }
    } else if (action == TCollectionNotification::Extracting) {
        // The item is still in the list: everything after it moves down one.
        int position = -1;
        if (hashed != nullptr && hashed->hashed_in_ == this) {
            position = IndexOfItem(hashed);
            Unlink(hashed);
            hashed->index_ = -1;
        } else {
            for (int i = 0; i < Count() && position < 0; ++i)
                if (Items(i) == item) position = i;
        }
        if (position < 0) return;
        for (int i = position + 1; i < Count(); ++i)
            if (auto* later = dynamic_cast<THashCollectionItem*>(Items(i))) later->index_ = i - 1;
    }
}

void THashCollection::Link(THashCollectionItem* item) {
    uint8_t bucket = NameBucket(item->name_);
    item->bucket_ = bucket;
    item->hashed_in_ = this;
    item->newer_ = nullptr;
    item->older_ = heads_[bucket];
    if (item->older_ != nullptr) item->older_->newer_ = item;
    heads_[bucket] = item;
}

void THashCollection::Unlink(THashCollectionItem* item) {
    if (item->newer_ != nullptr)
        item->newer_->older_ = item->older_;
    else
        heads_[item->bucket_] = item->older_;
    if (item->older_ != nullptr) item->older_->newer_ = item->newer_;
    item->newer_ = item->older_ = nullptr;
    item->hashed_in_ = nullptr;
}

void THashCollection::Renumber() const {
    for (int i = 0; i < Count(); ++i)
        if (auto* item = dynamic_cast<THashCollectionItem*>(Items(i))) item->index_ = i;
}

int THashCollection::IndexOfItem(const THashCollectionItem* item) const {
    int index = item->index_;
    if (index < 0 || index >= Count() || Items(index) != item) {
        Renumber();
        index = item->index_;
    }
    return index;
}

}  // namespace klice
