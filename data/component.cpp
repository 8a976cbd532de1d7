#include "data/component.h"

#include <algorithm>

#include "data/class_builder.h"
#include "data/errors.h"
#include "data/pending_references.h"

namespace klice {

namespace {

std::vector<TComponent*>& TopLevel() {
    static std::vector<TComponent*> components;
    return components;
}

void EraseOne(std::vector<TComponent*>& list, TComponent* c) {
    auto it = std::find(list.begin(), list.end(), c);
    if (it != list.end()) list.erase(it);
}

thread_local TLoadingPhase* g_phase = nullptr;

}  // namespace

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

TComponent* FindNestedComponent(TComponent* root, std::string_view path) {
    TComponent* c = root;
    while (c != nullptr && !path.empty()) {
        size_t dot = path.find('.');
        c = c->FindComponent(path.substr(0, dot));
        path = dot == std::string_view::npos ? std::string_view() : path.substr(dot + 1);
    }
    return c;
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

}  // namespace klice
