// Components: an owner, a name unique among the owner's components, owned
// children freed with their owner, a loading state and Loaded(); the
// top-level components nobody owns, and the loading phases that tell
// components their read is complete.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "data/persistent_object.h"

namespace klice {

enum class TOperation { Insert, Remove };

// Component state flags.
enum : uint32_t {
    csLoading = 1u << 0,  // from creation by a reader until Loaded()
    csReading = 1u << 1,  // while its own lists are read
    csWriting = 1u << 2,
    csDestroying = 1u << 3,
    csInline = 1u << 4,  // an inline part of its parent
    csAncestor = 1u << 5,
};
// Component style flags.
enum : uint32_t {
    csSubComponent = 1u << 0,  // a component that is a property value of its owner
};

class TComponent : public TPersistent {
    KLICE_CLASS(TComponent, TPersistent)
public:
    explicit TComponent(TComponent* owner);
    // Frees the owned components, newest first, then leaves the owner.
    // A derived class whose children use it while they go away calls
    // DestroyComponents() in its own destructor.
    ~TComponent() override;

    TComponent* Owner() const { return owner_; }
    const std::string& Name() const { return name_; }
    // Empty or an identifier, unique among the owner's components (letter
    // case ignored); EComponentError otherwise. The owner's member of that
    // name is pointed at the component.
    virtual void SetName(const std::string& name);

    int ComponentCount() const { return static_cast<int>(components_.size()); }
    TComponent* Components(int index) const;
    int ComponentIndex() const;
    void SetComponentIndex(int index);
    // The owned component of that name, letter case ignored; never for "".
    TComponent* FindComponent(std::string_view name) const;
    void InsertComponent(TComponent* component);
    void RemoveComponent(TComponent* component);
    void DestroyComponents();

    uint32_t ComponentState() const { return state_; }
    bool HasState(uint32_t flags) const { return (state_ & flags) != 0; }
    void SetState(uint32_t flags, bool on) { state_ = on ? (state_ | flags) : (state_ & ~flags); }
    uint32_t ComponentStyle() const { return style_; }
    void SetSubComponent(bool on);
    bool IsSubComponent() const { return (style_ & csSubComponent) != 0; }

    // Told when a component is inserted into or removed from the owner,
    // and when a component this one asked about with FreeNotification goes.
    virtual void Notification(TComponent* component, TOperation operation);
    void FreeNotification(TComponent* component);
    void RemoveFreeNotification(TComponent* component);

    // Called once everything of a read is in place; the base clears csLoading.
    virtual void Loaded();

    // Stream hooks. Children are the components written inside this one's
    // record; the base gives, for the root, every owned component.
    virtual void GetChildren(const std::function<void(TComponent*)>& proc, TComponent* root);
    virtual TComponent* GetChildOwner() { return nullptr; }  // nullptr: the root
    virtual TComponent* GetChildParent() { return this; }
    virtual bool HasParent() const { return false; }
    virtual TComponent* GetParentComponent() const { return nullptr; }
    virtual void SetParentComponent(TComponent*) {}
    // Moves a child to position order; the base moves an owned component in
    // its owner's list.
    virtual void SetChildOrder(TComponent* child, int order);

    TPersistent* GetOwner() const override { return owner_; }

private:
    void SetReference(bool enable);
    void Remove(TComponent* component);
    void Insert(TComponent* component);

    TComponent* owner_ = nullptr;
    std::string name_;
    std::vector<TComponent*> components_;
    std::vector<TComponent*> free_notifies_;
    uint32_t state_ = 0;
    uint32_t style_ = 0;
};

// Components owned by nobody: the application's top-level components, in
// creation order. Roots read from a stream get names unique among them.
const std::vector<TComponent*>& TopLevelComponents();
TComponent* FindTopLevelComponent(std::string_view name);
// A loading phase opened around several reads (the window's class streams):
// the reads leave the components they read to the phase, which sends their
// Loaded() notifications in reading order when Notify() is called. Phases
// nest; a phase closed without Notify() sends nothing.
class TLoadingPhase {
public:
    TLoadingPhase();
    ~TLoadingPhase();
    TLoadingPhase(const TLoadingPhase&) = delete;
    TLoadingPhase& operator=(const TLoadingPhase&) = delete;
    void Notify();
    // The innermost open phase of this thread, or nullptr.
    static TLoadingPhase* Current();
    // Adds a component once; a component destroyed before Notify() is dropped.
    void Add(TComponent* component);

private:
    friend class TComponent;
    static void Forget(TComponent* component);
    std::vector<TComponent*> loaded_;
    TLoadingPhase* outer_;
};

// Resolves every waiting reference (data/pending_references.h) whose
// top-level component now exists.
void ResolvePendingReferences();
// The component reached from root along a dotted path of owned components.
TComponent* FindNestedComponent(TComponent* root, std::string_view path);

}  // namespace klice
