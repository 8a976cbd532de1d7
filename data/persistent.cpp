#include "data/persistent.h"

#include <algorithm>
#include <deque>
#include <memory>

#include "data/filer.h"

namespace klice {

namespace {

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
bool IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsAsciiDigit(char c) { return c >= '0' && c <= '9'; }

std::vector<const TClassInfo*>& Registry() {
    static std::vector<const TClassInfo*> classes;
    return classes;
}

std::vector<TComponent*>& TopLevel() {
    static std::vector<TComponent*> components;
    return components;
}

void EraseOne(std::vector<TComponent*>& list, TComponent* c) {
    auto it = std::find(list.begin(), list.end(), c);
    if (it != list.end()) list.erase(it);
}

}  // namespace

bool SameText(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
    return true;
}

bool IsValidIdent(std::string_view name) {
    if (name.empty() || !(IsAsciiLetter(name[0]) || name[0] == '_')) return false;
    for (char c : name)
        if (!(IsAsciiLetter(c) || IsAsciiDigit(c) || c == '_')) return false;
    return true;
}

// ---------------------------------------------------------------------------

int TTypeInfo::MemberIndex(std::string_view name) const {
    for (size_t i = 0; i < members_.size(); ++i)
        if (SameText(members_[i], name)) return static_cast<int>(i);
    return -1;
}

std::string TTypeInfo::MemberName(int64_t ordinal) const {
    if (ordinal < 0 || ordinal >= static_cast<int64_t>(members_.size())) return {};
    return members_[static_cast<size_t>(ordinal)];
}

std::optional<int32_t> TTypeInfo::IdentToInt(std::string_view ident) const {
    for (const TIdentMapEntry& e : idents_)
        if (SameText(e.name, ident)) return e.value;
    return std::nullopt;
}

const char* TTypeInfo::IntToIdent(int32_t value) const {
    for (const TIdentMapEntry& e : idents_)
        if (e.value == value) return e.name;
    return nullptr;
}

const TTypeInfo& BooleanType() {
    static const TTypeInfo type("Boolean", std::vector<std::string>{"False", "True"});
    return type;
}

const char* PropKindName(TPropKind kind) {
    switch (kind) {
        case TPropKind::Integer: return "integer";
        case TPropKind::Char: return "character";
        case TPropKind::Enumeration: return "enumeration";
        case TPropKind::Float: return "float";
        case TPropKind::String: return "string";
        case TPropKind::Set: return "set";
        case TPropKind::Object: return "object";
        case TPropKind::Event: return "event";
        case TPropKind::WString: return "wide string";
        case TPropKind::Int64: return "64-bit integer";
    }
    return "?";
}

bool TPropInfo::IsReadOnly() const {
    switch (kind) {
        case TPropKind::Float: return !set_float;
        case TPropKind::String: return !set_str;
        case TPropKind::WString: return !set_wstr;
        case TPropKind::Object: return !set_obj;
        case TPropKind::Event: return !set_method;
        default: return !set_ord;
    }
}

bool TPropInfo::IsStored(const TObject& instance) const { return !stored || stored(instance); }

// ---------------------------------------------------------------------------

bool TClassInfo::InheritsFrom(const TClassInfo& other) const {
    for (const TClassInfo* c = this; c != nullptr; c = c->parent_)
        if (c == &other) return true;
    return false;
}

bool TClassInfo::IsComponentClass() const { return InheritsFrom(TComponent::StaticClass()); }
bool TClassInfo::IsCollectionItemClass() const { return InheritsFrom(TCollectionItem::StaticClass()); }

std::vector<const TPropInfo*> TClassInfo::Properties() const {
    std::vector<const TClassInfo*> chain;
    for (const TClassInfo* c = this; c != nullptr; c = c->parent_) chain.push_back(c);
    std::vector<const TPropInfo*> result;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it)
        for (const TPropInfo& p : (*it)->props_) result.push_back(&p);
    return result;
}

const TPropInfo* TClassInfo::FindProperty(std::string_view name) const {
    for (const TClassInfo* c = this; c != nullptr; c = c->parent_)
        for (const TPropInfo& p : c->props_)
            if (SameText(p.name, name)) return &p;
    return nullptr;
}

const TMethodInfo* TClassInfo::FindMethod(std::string_view name) const {
    for (const TClassInfo* c = this; c != nullptr; c = c->parent_)
        for (const TMethodInfo& m : c->methods_)
            if (SameText(m.name, name)) return &m;
    return nullptr;
}

const TClassInfo* TClassInfo::FindMemberClass(std::string_view class_name) const {
    for (const TClassInfo* c = this; c != nullptr; c = c->parent_)
        for (const Member& m : c->members_) {
            const TClassInfo& mc = m.component_class();
            if (SameText(mc.Name(), class_name)) return &mc;
        }
    return nullptr;
}

void TClassInfo::SetMember(TObject& instance, std::string_view name, TComponent* component) const {
    if (name.empty()) return;
    for (const TClassInfo* c = this; c != nullptr; c = c->parent_)
        for (const Member& m : c->members_)
            if (SameText(m.name, name)) {
                if (component == nullptr || component->InheritsFrom(m.component_class())) m.set(instance, component);
                return;
            }
}

TComponent* TClassInfo::CreateComponent(TComponent* owner) const {
    if (!create_component_) throw EInvalidOperation(Format("Cannot create a component of class %s", name_.c_str()));
    return create_component_(owner);
}

TCollectionItem* TClassInfo::CreateItem(TCollection* collection) const {
    if (!create_item_) throw EInvalidOperation(Format("Cannot create an item of class %s", name_.c_str()));
    return create_item_(collection);
}

namespace detail {

TClassInfo& NewClassInfo(const char* name, const TClassInfo* parent) {
    // Class information lives as long as the program.
    static std::deque<std::unique_ptr<TClassInfo>> all;
    all.push_back(std::make_unique<TClassInfo>(name, parent));
    return *all.back();
}

void RaiseInvalidPropertyValue() { throw EReadError("Invalid property value"); }

}  // namespace detail

void RegisterClass(const TClassInfo& info) {
    for (const TClassInfo* c : Registry()) {
        if (c == &info) return;
        if (SameText(c->Name(), info.Name()))
            throw EFilerError(Format("A class named %s already exists", info.Name().c_str()));
    }
    Registry().push_back(&info);
}

void RegisterClasses(std::initializer_list<const TClassInfo*> infos) {
    for (const TClassInfo* info : infos) RegisterClass(*info);
}

void UnRegisterClass(const TClassInfo& info) {
    auto& r = Registry();
    r.erase(std::remove(r.begin(), r.end(), &info), r.end());
}

const TClassInfo* GetClass(std::string_view name) {
    for (const TClassInfo* c : Registry())
        if (SameText(c->Name(), name)) return c;
    return nullptr;
}

const TClassInfo& FindClass(std::string_view name) {
    const TClassInfo* c = GetClass(name);
    if (c == nullptr) throw EClassNotFound(Format("Class %s not found", std::string(name).c_str()));
    return *c;
}

// ---------------------------------------------------------------------------

TObject::~TObject() = default;

const TClassInfo& TObject::StaticClass() {
    static const TClassInfo& info = detail::NewClassInfo("TObject", nullptr);
    return info;
}

KLICE_DESCRIBE_CLASS(TPersistent, c) {}

TPersistent::~TPersistent() {
    auto& pending = PendingReferences();
    if (!pending.empty())
        pending.erase(std::remove_if(pending.begin(), pending.end(),
                                     [this](const TPendingReference& r) { return r.instance == this; }),
                      pending.end());
}

void TPersistent::Assign(const TPersistent* source) {
    if (source != nullptr) {
        source->AssignTo(this);
        return;
    }
    throw EConvertError(Format("Cannot assign a %s to a %s", "nil", ClassName().c_str()));
}

void TPersistent::AssignTo(TPersistent* dest) const {
    throw EConvertError(Format("Cannot assign a %s to a %s", ClassName().c_str(), dest->ClassName().c_str()));
}

void TPersistent::DefineProperties(TFiler&) {}

// ---------------------------------------------------------------------------

KLICE_DESCRIBE_CLASS(TComponent, c) { c.String("Name", &TComponent::Name, &TComponent::SetName).NotStored(); }

TComponent::TComponent(TComponent* owner) {
    if (owner != nullptr)
        owner->InsertComponent(this);
    else
        TopLevel().push_back(this);
}

TComponent::~TComponent() {
    state_ |= csDestroying;
    while (!free_notifies_.empty()) {
        TComponent* other = free_notifies_.back();
        free_notifies_.pop_back();
        EraseOne(other->free_notifies_, this);
        other->Notification(this, TOperation::Remove);
    }
    DestroyComponents();
    TLoadingPhase::Forget(this);
    if (owner_ != nullptr)
        owner_->RemoveComponent(this);
    else
        EraseOne(TopLevel(), this);
}

TComponent* TComponent::Components(int index) const {
    if (index < 0 || index >= ComponentCount()) throw EInvalidOperation(Format("List index out of bounds (%d)", index));
    return components_[static_cast<size_t>(index)];
}

int TComponent::ComponentIndex() const {
    if (owner_ == nullptr) return -1;
    auto& list = owner_->components_;
    return static_cast<int>(std::find(list.begin(), list.end(), this) - list.begin());
}

void TComponent::SetComponentIndex(int index) {
    if (owner_ == nullptr) return;
    auto& list = owner_->components_;
    int count = static_cast<int>(list.size());
    index = std::clamp(index, 0, count - 1);
    int current = ComponentIndex();
    if (current == index) return;
    list.erase(list.begin() + current);
    list.insert(list.begin() + index, this);
}

TComponent* TComponent::FindComponent(std::string_view name) const {
    if (name.empty()) return nullptr;
    for (TComponent* c : components_)
        if (SameText(c->name_, name)) return c;
    return nullptr;
}

void TComponent::SetName(const std::string& name) {
    if (name == name_) return;
    if (!name.empty() && !IsValidIdent(name))
        throw EComponentError(Format("''%s'' is not a valid component name", name.c_str()));
    if (owner_ != nullptr && !SameText(name, name_) && owner_->FindComponent(name) != nullptr)
        throw EComponentError(Format("A component named %s already exists", name.c_str()));
    SetReference(false);
    name_ = name;
    SetReference(true);
}

void TComponent::SetReference(bool enable) {
    if (owner_ != nullptr && !name_.empty()) owner_->ClassInfo().SetMember(*owner_, name_, enable ? this : nullptr);
}

void TComponent::InsertComponent(TComponent* component) {
    if (component->owner_ == this) return;
    if (!component->name_.empty() && FindComponent(component->name_) != nullptr)
        throw EComponentError(Format("A component named %s already exists", component->name_.c_str()));
    if (component->owner_ != nullptr)
        component->owner_->RemoveComponent(component);
    else
        EraseOne(TopLevel(), component);
    Insert(component);
    component->SetReference(true);
    Notification(component, TOperation::Insert);
}

void TComponent::RemoveComponent(TComponent* component) {
    if (component->owner_ != this) return;
    Notification(component, TOperation::Remove);
    component->SetReference(false);
    Remove(component);
    if (!component->HasState(csDestroying)) TopLevel().push_back(component);
}

void TComponent::Insert(TComponent* component) {
    components_.push_back(component);
    component->owner_ = this;
}

void TComponent::Remove(TComponent* component) {
    EraseOne(components_, component);
    component->owner_ = nullptr;
}

void TComponent::DestroyComponents() {
    while (!components_.empty()) {
        TComponent* last = components_.back();
        RemoveComponent(last);
        delete last;
    }
}

void TComponent::SetSubComponent(bool on) { style_ = on ? (style_ | csSubComponent) : (style_ & ~csSubComponent); }

void TComponent::Notification(TComponent* component, TOperation operation) {
    if (operation == TOperation::Remove && component != nullptr) RemoveFreeNotification(component);
    // Copy: a notified component may change the list.
    std::vector<TComponent*> owned = components_;
    for (TComponent* c : owned)
        if (c != component) c->Notification(component, operation);
}

void TComponent::FreeNotification(TComponent* component) {
    if (component == nullptr || component == this) return;
    if (std::find(free_notifies_.begin(), free_notifies_.end(), component) == free_notifies_.end()) {
        free_notifies_.push_back(component);
        component->FreeNotification(this);
    }
}

void TComponent::RemoveFreeNotification(TComponent* component) {
    auto it = std::find(free_notifies_.begin(), free_notifies_.end(), component);
    if (it == free_notifies_.end()) return;
    free_notifies_.erase(it);
    component->RemoveFreeNotification(this);
}

void TComponent::Loaded() { state_ &= ~csLoading; }

void TComponent::GetChildren(const std::function<void(TComponent*)>& proc, TComponent* root) {
    if (root != this) return;
    for (TComponent* c : std::vector<TComponent*>(components_))
        if (!c->HasParent()) proc(c);
}

void TComponent::SetChildOrder(TComponent* child, int order) {
    if (child != nullptr && child->owner_ == this) child->SetComponentIndex(order);
}

const std::vector<TComponent*>& TopLevelComponents() { return TopLevel(); }

TComponent* FindTopLevelComponent(std::string_view name) {
    if (name.empty()) return nullptr;
    for (TComponent* c : TopLevel())
        if (SameText(c->Name(), name)) return c;
    return nullptr;
}

// ---------------------------------------------------------------------------

namespace {
thread_local TLoadingPhase* g_phase = nullptr;
}

TLoadingPhase::TLoadingPhase() : outer_(g_phase) { g_phase = this; }

TLoadingPhase::~TLoadingPhase() { g_phase = outer_; }

TLoadingPhase* TLoadingPhase::Current() { return g_phase; }

void TLoadingPhase::Add(TComponent* component) {
    if (std::find(loaded_.begin(), loaded_.end(), component) == loaded_.end()) loaded_.push_back(component);
}

void TLoadingPhase::Notify() {
    // Taken one by one: a Loaded() may destroy components still waiting.
    while (!loaded_.empty()) {
        TComponent* c = loaded_.front();
        loaded_.erase(loaded_.begin());
        c->Loaded();
    }
}

void TLoadingPhase::Forget(TComponent* component) {
    for (TLoadingPhase* p = g_phase; p != nullptr; p = p->outer_) EraseOne(p->loaded_, component);
}

std::vector<TPendingReference>& PendingReferences() {
    static std::vector<TPendingReference> list;
    return list;
}

TComponent* FindNestedComponent(TComponent* root, std::string_view path) {
    TComponent* c = root;
    while (c != nullptr && !path.empty()) {
        size_t dot = path.find('.');
        c = c->FindComponent(path.substr(0, dot));
        path = dot == std::string_view::npos ? std::string_view() : path.substr(dot + 1);
    }
    return c;
}

void ResolvePendingReferences() {
    auto& pending = PendingReferences();
    for (size_t i = 0; i < pending.size();) {
        TPendingReference& r = pending[i];
        if (r.reader != nullptr) {
            ++i;
            continue;
        }
        std::string_view name = r.name;
        size_t dot = name.find('.');
        TComponent* top = FindTopLevelComponent(name.substr(0, dot));
        if (top == nullptr) {
            ++i;
            continue;
        }
        TComponent* target = dot == std::string_view::npos ? top : FindNestedComponent(top, name.substr(dot + 1));
        TPersistent* instance = r.instance;
        const TPropInfo* prop = r.prop;
        pending.erase(pending.begin() + static_cast<ptrdiff_t>(i));
        if (target != nullptr && !target->InheritsFrom(prop->object_class())) target = nullptr;
        prop->set_obj(*instance, target);
    }
}

// ---------------------------------------------------------------------------

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
