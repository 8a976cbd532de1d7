// The object model of stored objects.
//
//   TObject       root of every class that carries class information
//   TPersistent   an object that can be stored: published properties plus
//                 DefineProperties for named blocks it reads and writes itself
//   TComponent    owner, name, owned children, loading state, Loaded()
//   TCollection / TCollectionItem   an owned list of items of one item class
//
// Every class describes itself once: KLICE_CLASS(TFoo, TBase) in the class
// body, and in the .cpp
//
//   KLICE_DESCRIBE_CLASS(TFoo, c) {
//       c.Integer("Width", &TFoo::Width, &TFoo::SetWidth).Default(0);
//       c.Color("Color", &TFoo::color_, &TFoo::color_); // a field can be both ends
//       c.Boolean("Visible", &TFoo::Visible, &TFoo::SetVisible);
//       c.Object("Items", &TFoo::Items, &TFoo::SetItems);  // X* getter, X* setter
//       c.Event("OnClick", &TFoo::OnClick);                // a TEvent<...> field
//   }
//   KLICE_REGISTER_CLASS(TFoo);   // optional: into the global class registry
//
// A property registered without a setter (nullptr) is read-only. Published
// properties keep their registration order, base classes first; that is the
// order in which they are written.
#pragma once

#include <any>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <typeindex>
#include <typeinfo>
#include <utility>
#include <vector>

#include "data/errors.h"

namespace klice {

class TObject;
class TPersistent;
class TComponent;
class TCollection;
class TCollectionItem;
class TFiler;
class TClassInfo;
template <class C>
class TClassBuilder;

// ASCII letters compared without case, as names of classes, properties and
// components are compared.
bool SameText(std::string_view a, std::string_view b);
// A letter or "_", then letters, digits or "_".
bool IsValidIdent(std::string_view name);

// ---------------------------------------------------------------------------
// Type information of property types.

struct TIdentMapEntry {
    int32_t value;
    const char* name;
};

// What a property's type tells the stream: the identifier table of an integer
// type (colours), or the member names of an enumeration or of the enumeration
// a set is built over (bit i is member i).
class TTypeInfo {
public:
    TTypeInfo(std::string name, std::vector<std::string> members)
        : name_(std::move(name)), members_(std::move(members)) {}
    TTypeInfo(std::string name, std::span<const TIdentMapEntry> idents) : name_(std::move(name)), idents_(idents) {}

    const std::string& Name() const { return name_; }
    const std::vector<std::string>& Members() const { return members_; }
    std::span<const TIdentMapEntry> Idents() const { return idents_; }

    // Ordinal of the member of that name (letter case ignored), or -1.
    int MemberIndex(std::string_view name) const;
    // Name of the member with that ordinal, or "" outside the members.
    std::string MemberName(int64_t ordinal) const;
    // Value of an identifier of the table (letter case ignored).
    std::optional<int32_t> IdentToInt(std::string_view ident) const;
    // Identifier of a value, or nullptr when the table has none.
    const char* IntToIdent(int32_t value) const;

private:
    std::string name_;
    std::vector<std::string> members_;
    std::span<const TIdentMapEntry> idents_;
};

// The enumeration False, True.
const TTypeInfo& BooleanType();

// A set over an enumeration with at most 32 members, held as bits.
template <class E>
class TSet {
public:
    constexpr TSet() = default;
    constexpr TSet(std::initializer_list<E> members) {
        for (E m : members) bits_ |= Bit(m);
    }
    static constexpr TSet FromBits(uint32_t bits) {
        TSet s;
        s.bits_ = bits;
        return s;
    }
    constexpr uint32_t Bits() const { return bits_; }
    constexpr bool Contains(E m) const { return (bits_ & Bit(m)) != 0; }
    constexpr bool Empty() const { return bits_ == 0; }
    constexpr TSet& Include(E m) {
        bits_ |= Bit(m);
        return *this;
    }
    constexpr TSet& Exclude(E m) {
        bits_ &= ~Bit(m);
        return *this;
    }
    constexpr TSet operator|(TSet o) const { return FromBits(bits_ | o.bits_); }   // union
    constexpr TSet operator&(TSet o) const { return FromBits(bits_ & o.bits_); }   // intersection
    constexpr TSet operator-(TSet o) const { return FromBits(bits_ & ~o.bits_); }  // difference
    constexpr bool operator==(const TSet&) const = default;

private:
    static constexpr uint32_t Bit(E m) { return uint32_t(1) << static_cast<unsigned>(m); }
    uint32_t bits_ = 0;
};

// ---------------------------------------------------------------------------
// Events: a binding to a published method of the stream's root.

template <class... A>
class TEvent {
public:
    using Signature = void(A...);
    using Function = std::function<void(A...)>;

    explicit operator bool() const { return static_cast<bool>(fn_); }
    void operator()(A... args) const {
        if (fn_) fn_(std::forward<A>(args)...);
    }
    // Binds a handler; method_name is what the writer stores ("" for a
    // handler that is not a published method).
    void Bind(Function fn, std::string method_name = {}) {
        fn_ = std::move(fn);
        method_name_ = std::move(method_name);
    }
    void Clear() {
        fn_ = nullptr;
        method_name_.clear();
    }
    const std::string& MethodName() const { return method_name_; }

private:
    Function fn_;
    std::string method_name_;
};

// A published method of a root class: its name, its C++ signature and a way
// to bind it to an instance (the std::any holds a std::function<Signature>).
struct TMethodInfo {
    std::string name;
    std::type_index signature = typeid(void);
    std::function<std::any(TObject&)> bind;
};

// ---------------------------------------------------------------------------
// Published properties.

enum class TPropKind { Integer, Char, Enumeration, Float, String, Set, Object, Event, WString, Int64 };

const char* PropKindName(TPropKind kind);

class TPropInfo {
public:
    std::string name;
    TPropKind kind = TPropKind::Integer;
    const TTypeInfo* type = nullptr;                 // identifiers, members
    const TClassInfo& (*object_class)() = nullptr;   // class of an Object property
    std::type_index event_signature = typeid(void);  // of an Event property

    // Accessors by kind; a missing setter makes the property read-only.
    // Ordinal kinds (Integer, Char, Enumeration, Set, Int64) use get_ord/set_ord.
    std::function<int64_t(const TObject&)> get_ord;
    std::function<void(TObject&, int64_t)> set_ord;
    std::function<double(const TObject&)> get_float;
    std::function<void(TObject&, double)> set_float;
    std::function<std::string(const TObject&)> get_str;
    std::function<void(TObject&, const std::string&)> set_str;
    std::function<std::u16string(const TObject&)> get_wstr;
    std::function<void(TObject&, const std::u16string&)> set_wstr;
    std::function<TPersistent*(const TObject&)> get_obj;
    std::function<void(TObject&, TPersistent*)> set_obj;    // raises on a wrong class
    std::function<std::string(const TObject&)> get_method;  // bound method name
    // Binds the method of root (nullptr clears); false when the signature differs.
    std::function<bool(TObject&, const TMethodInfo*, TObject* root)> set_method;

    // Writing: an ordinal equal to the default is not stored; stored() false
    // keeps any value out of the stream.
    std::optional<int64_t> default_ord;
    std::function<bool(const TObject&)> stored;

    bool IsReadOnly() const;
    bool IsStored(const TObject& instance) const;

    TPropInfo& Default(int64_t value) {
        default_ord = value;
        return *this;
    }
    template <class C>
    TPropInfo& Stored(bool (C::*pred)() const) {
        stored = [pred](const TObject& o) { return (static_cast<const C&>(o).*pred)(); };
        return *this;
    }
    TPropInfo& NotStored() {
        stored = [](const TObject&) { return false; };
        return *this;
    }
};

// ---------------------------------------------------------------------------
// Class information.

class TClassInfo {
public:
    TClassInfo(std::string name, const TClassInfo* parent) : name_(std::move(name)), parent_(parent) {}
    TClassInfo(const TClassInfo&) = delete;
    TClassInfo& operator=(const TClassInfo&) = delete;

    const std::string& Name() const { return name_; }
    const TClassInfo* Parent() const { return parent_; }
    bool InheritsFrom(const TClassInfo& other) const;
    bool IsComponentClass() const;
    bool IsCollectionItemClass() const;

    // Published properties of this class alone, then of the class and its
    // ancestors (ancestors first).
    const std::vector<TPropInfo>& OwnProperties() const { return props_; }
    std::vector<const TPropInfo*> Properties() const;
    // Case-insensitive, the class first, then its ancestors.
    const TPropInfo* FindProperty(std::string_view name) const;
    const TMethodInfo* FindMethod(std::string_view name) const;
    // The name of a bound handler's method is found back from its function.
    const std::vector<TMethodInfo>& OwnMethods() const { return methods_; }

    // Classes of the members a root declares (its own and its ancestors').
    const TClassInfo* FindMemberClass(std::string_view class_name) const;
    // Points the member field named like the component at it (or clears it).
    // Components whose class does not fit the field are left out.
    void SetMember(TObject& instance, std::string_view name, TComponent* component) const;

    // Factories; null for abstract classes and for classes of another kind.
    TComponent* CreateComponent(TComponent* owner) const;
    TCollectionItem* CreateItem(TCollection* collection) const;
    bool CanCreateComponent() const { return static_cast<bool>(create_component_); }
    bool CanCreateItem() const { return static_cast<bool>(create_item_); }

private:
    template <class C>
    friend class TClassBuilder;
    struct Member {
        std::string name;
        const TClassInfo& (*component_class)();
        std::function<void(TObject&, TComponent*)> set;
    };
    std::string name_;
    const TClassInfo* parent_;
    std::vector<TPropInfo> props_;
    std::vector<TMethodInfo> methods_;
    std::vector<Member> members_;
    std::function<TComponent*(TComponent*)> create_component_;
    std::function<TCollectionItem*(TCollection*)> create_item_;
};

// The global class registry. Registering the same class twice is harmless;
// another class under a taken name raises EFilerError.
void RegisterClass(const TClassInfo& info);
void RegisterClasses(std::initializer_list<const TClassInfo*> infos);
void UnRegisterClass(const TClassInfo& info);
const TClassInfo* GetClass(std::string_view name);   // nullptr when unknown
const TClassInfo& FindClass(std::string_view name);  // EClassNotFound "Class %s not found"

#define KLICE_CLASS(Cls, Base)                                                      \
public:                                                                             \
    using inherited = Base;                                                         \
    static const ::klice::TClassInfo& StaticClass();                                \
    const ::klice::TClassInfo& ClassInfo() const override { return StaticClass(); } \
    static void DescribeClass(::klice::TClassBuilder<Cls>& builder);

#define KLICE_DESCRIBE_CLASS(Cls, builder)                                                 \
    const ::klice::TClassInfo& Cls::StaticClass() {                                        \
        static const ::klice::TClassInfo& info = ::klice::TClassBuilder<Cls>::Build(#Cls); \
        return info;                                                                       \
    }                                                                                      \
    void Cls::DescribeClass([[maybe_unused]] ::klice::TClassBuilder<Cls>& builder)

#define KLICE_CONCAT_INNER(a, b) a##b
#define KLICE_CONCAT(a, b) KLICE_CONCAT_INNER(a, b)
// Registers at start-up; put it in the .cpp that defines the class's
// constructor so the registration is linked whenever the class is.
#define KLICE_REGISTER_CLASS(Cls)                                                  \
    [[maybe_unused]] static const bool KLICE_CONCAT(klice_registered_, __LINE__) = \
        (::klice::RegisterClass(Cls::StaticClass()), true)

// ---------------------------------------------------------------------------
// The base classes.

class TObject {
public:
    virtual ~TObject();
    static const TClassInfo& StaticClass();
    virtual const TClassInfo& ClassInfo() const { return StaticClass(); }
    const std::string& ClassName() const { return ClassInfo().Name(); }
    bool InheritsFrom(const TClassInfo& info) const { return ClassInfo().InheritsFrom(info); }
    template <class T>
    bool Is() const {
        return dynamic_cast<const T*>(this) != nullptr;
    }
};

class TPersistent : public TObject {
    KLICE_CLASS(TPersistent, TObject)
public:
    ~TPersistent() override;
    // Copies source into this object; the default asks source to AssignTo
    // this, which raises EConvertError "Cannot assign a %s to a %s".
    virtual void Assign(const TPersistent* source);
    // Declares the named blocks the object reads and writes itself; derived
    // classes call inherited::DefineProperties(filer) first.
    virtual void DefineProperties(TFiler& filer);
    virtual TPersistent* GetOwner() const { return nullptr; }

protected:
    virtual void AssignTo(TPersistent* dest) const;
};

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

// Component references of a stream that wait to be resolved: after the
// root's lists (by the reader), or, for a dotted name whose first part is
// no component below the root, until a top-level component of that name is
// read. An entry goes when its object is destroyed.
struct TPendingReference {
    TPersistent* instance = nullptr;
    const TPropInfo* prop = nullptr;
    std::string name;              // as stored: "Other" or "Form.Other"
    const void* reader = nullptr;  // the reader resolving it; nullptr: waits for a top-level component
    std::string object_name;       // for messages: the object whose list held it
    std::string path;              // and the path as stored
};
std::vector<TPendingReference>& PendingReferences();
// Resolves every waiting reference whose top-level component now exists.
void ResolvePendingReferences();
// The component reached from root along a dotted path of owned components.
TComponent* FindNestedComponent(TComponent* root, std::string_view path);

// ---------------------------------------------------------------------------
// Collections.

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

// ---------------------------------------------------------------------------
// The class builder behind KLICE_DESCRIBE_CLASS.

namespace detail {

template <class S>
struct SetterArg;
template <class C, class T>
struct SetterArg<T C::*> {
    using type = std::remove_cvref_t<T>;
};
template <class C, class T>
struct SetterArg<void (C::*)(T)> {
    using type = std::remove_cvref_t<T>;
};

template <class G>
struct GetterResult;
template <class C, class T>
struct GetterResult<T C::*> {
    using type = std::remove_cvref_t<T>;
};
template <class C, class T>
struct GetterResult<T (C::*)() const> {
    using type = std::remove_cvref_t<T>;
};
template <class C, class T>
struct GetterResult<T (C::*)()> {
    using type = std::remove_cvref_t<T>;
};

template <class C, class G>
decltype(auto) Get(const TObject& o, G g) {
    const C& c = static_cast<const C&>(o);
    if constexpr (std::is_member_object_pointer_v<G>)
        return (c.*g);
    else
        return (const_cast<C&>(c).*g)();
}
template <class C, class S, class V>
void Set(TObject& o, S s, V&& v) {
    C& c = static_cast<C&>(o);
    if constexpr (std::is_member_object_pointer_v<S>)
        c.*s = std::forward<V>(v);
    else
        (c.*s)(std::forward<V>(v));
}

template <class T>
int64_t ToOrd(const T& v) {
    if constexpr (requires { v.Bits(); })
        return static_cast<int64_t>(v.Bits());
    else
        return static_cast<int64_t>(v);
}
template <class T>
T FromOrd(int64_t v) {
    if constexpr (requires { T::FromBits(uint32_t{}); })
        return T::FromBits(static_cast<uint32_t>(v));
    else if constexpr (std::is_same_v<T, bool>)
        return v != 0;
    else
        return static_cast<T>(v);
}

TClassInfo& NewClassInfo(const char* name, const TClassInfo* parent);
[[noreturn]] void RaiseInvalidPropertyValue();

}  // namespace detail

template <class C>
class TClassBuilder {
public:
    static const TClassInfo& Build(const char* name) {
        const TClassInfo* parent = nullptr;
        if constexpr (!std::is_same_v<C, TObject>) parent = &C::inherited::StaticClass();
        TClassInfo& info = detail::NewClassInfo(name, parent);
        if constexpr (std::is_base_of_v<TComponent, C> && !std::is_abstract_v<C> &&
                      std::is_constructible_v<C, TComponent*>)
            info.create_component_ = [](TComponent* owner) -> TComponent* { return new C(owner); };
        if constexpr (std::is_base_of_v<TCollectionItem, C> && !std::is_abstract_v<C> &&
                      std::is_constructible_v<C, TCollection*>)
            info.create_item_ = [](TCollection* c) -> TCollectionItem* { return new C(c); };
        TClassBuilder builder(info);
        C::DescribeClass(builder);
        return info;
    }

    // An integer (any integral type) with an optional identifier table.
    template <class G, class S = std::nullptr_t>
    TPropInfo& Integer(const char* name, G get, S set = nullptr, const TTypeInfo* idents = nullptr) {
        TPropInfo& p = Ordinal(name, TPropKind::Integer, get, set);
        p.type = idents;
        return p;
    }
    // An integer with the colour identifiers (clBlack ...).
    template <class G, class S = std::nullptr_t>
    TPropInfo& Color(const char* name, G get, S set = nullptr);
    template <class G, class S = std::nullptr_t>
    TPropInfo& Char(const char* name, G get, S set = nullptr) {
        return Ordinal(name, TPropKind::Char, get, set);
    }
    // An enumeration; its C++ type is an enum (or integer) whose ordinals are
    // the member indexes of type.
    template <class G, class S = std::nullptr_t>
    TPropInfo& Enum(const char* name, G get, S set, const TTypeInfo& type) {
        TPropInfo& p = Ordinal(name, TPropKind::Enumeration, get, set);
        p.type = &type;
        return p;
    }
    template <class G, class S = std::nullptr_t>
    TPropInfo& Boolean(const char* name, G get, S set = nullptr) {
        return Enum(name, get, set, BooleanType());
    }
    // A set, held as a TSet<E> or as an unsigned integer of bits.
    template <class G, class S = std::nullptr_t>
    TPropInfo& Set(const char* name, G get, S set, const TTypeInfo& member_type) {
        TPropInfo& p = Ordinal(name, TPropKind::Set, get, set);
        p.type = &member_type;
        return p;
    }
    template <class G, class S = std::nullptr_t>
    TPropInfo& Int64(const char* name, G get, S set = nullptr) {
        return Ordinal(name, TPropKind::Int64, get, set);
    }
    template <class G, class S = std::nullptr_t>
    TPropInfo& Float(const char* name, G get, S set = nullptr) {
        TPropInfo& p = Add(name, TPropKind::Float);
        p.get_float = [get](const TObject& o) { return static_cast<double>(detail::Get<C>(o, get)); };
        if constexpr (!std::is_null_pointer_v<S>) {
            using T = typename detail::SetterArg<S>::type;
            p.set_float = [set](TObject& o, double v) { detail::Set<C>(o, set, static_cast<T>(v)); };
        }
        return p;
    }
    template <class G, class S = std::nullptr_t>
    TPropInfo& String(const char* name, G get, S set = nullptr) {
        TPropInfo& p = Add(name, TPropKind::String);
        p.get_str = [get](const TObject& o) { return std::string(detail::Get<C>(o, get)); };
        if constexpr (!std::is_null_pointer_v<S>)
            p.set_str = [set](TObject& o, const std::string& v) { detail::Set<C>(o, set, v); };
        return p;
    }
    template <class G, class S = std::nullptr_t>
    TPropInfo& WString(const char* name, G get, S set = nullptr) {
        TPropInfo& p = Add(name, TPropKind::WString);
        p.get_wstr = [get](const TObject& o) { return std::u16string(detail::Get<C>(o, get)); };
        if constexpr (!std::is_null_pointer_v<S>)
            p.set_wstr = [set](TObject& o, const std::u16string& v) { detail::Set<C>(o, set, v); };
        return p;
    }
    // A sub-object, a collection or a component reference: the getter gives
    // an X* (X a TPersistent class), the setter takes one. Collections and
    // sub-objects stored under this property need a setter too (usually one
    // that calls Assign) unless they are sub-components.
    template <class G, class S = std::nullptr_t>
    TPropInfo& Object(const char* name, G get, S set = nullptr) {
        using XP = typename detail::GetterResult<G>::type;
        using X = std::remove_pointer_t<XP>;
        static_assert(std::is_pointer_v<XP> && std::is_base_of_v<TPersistent, X>,
                      "an object property gives a pointer to a TPersistent class");
        TPropInfo& p = Add(name, TPropKind::Object);
        p.object_class = &X::StaticClass;
        p.get_obj = [get](const TObject& o) -> TPersistent* { return detail::Get<C>(o, get); };
        if constexpr (!std::is_null_pointer_v<S>) {
            using T = std::remove_pointer_t<typename detail::SetterArg<S>::type>;
            p.set_obj = [set](TObject& o, TPersistent* v) {
                T* typed = dynamic_cast<T*>(v);
                if (v != nullptr && typed == nullptr) detail::RaiseInvalidPropertyValue();
                detail::Set<C>(o, set, typed);
            };
        }
        return p;
    }
    // An event held in a TEvent<A...> field; bound only to methods of the
    // same signature.
    template <class... A>
    TPropInfo& Event(const char* name, TEvent<A...> C::*field) {
        TPropInfo& p = Add(name, TPropKind::Event);
        p.event_signature = typeid(void(A...));
        p.get_method = [field](const TObject& o) { return (static_cast<const C&>(o).*field).MethodName(); };
        p.set_method = [field](TObject& o, const TMethodInfo* m, TObject* root) {
            TEvent<A...>& ev = static_cast<C&>(o).*field;
            if (m == nullptr) {
                ev.Clear();
                return true;
            }
            if (m->signature != std::type_index(typeid(void(A...))) || root == nullptr) return false;
            ev.Bind(std::any_cast<std::function<void(A...)>>(m->bind(*root)), m->name);
            return true;
        };
        return p;
    }
    // A published method: a target for the events of the components below a root.
    template <class... A>
    void Method(const char* name, void (C::*method)(A...)) {
        TMethodInfo m;
        m.name = name;
        m.signature = typeid(void(A...));
        m.bind = [method](TObject& o) -> std::any {
            C* self = static_cast<C*>(&o);
            return std::function<void(A...)>([self, method](A... args) { (self->*method)(std::forward<A>(args)...); });
        };
        info_.methods_.push_back(std::move(m));
    }
    // A member component of a root: the field is pointed at the owned
    // component of that name, and X's class is found by the reader first.
    template <class X>
    void Member(const char* name, X* C::*field) {
        static_assert(std::is_base_of_v<TComponent, X>, "a member is a component");
        info_.members_.push_back({name, &X::StaticClass, [field](TObject& o, TComponent* comp) {
                                      static_cast<C&>(o).*field = dynamic_cast<X*>(comp);
                                  }});
    }

private:
    explicit TClassBuilder(TClassInfo& info) : info_(info) {}

    TPropInfo& Add(const char* name, TPropKind kind) {
        TPropInfo& p = info_.props_.emplace_back();
        p.name = name;
        p.kind = kind;
        return p;
    }
    template <class G, class S>
    TPropInfo& Ordinal(const char* name, TPropKind kind, G get, S set) {
        TPropInfo& p = Add(name, kind);
        p.get_ord = [get](const TObject& o) { return detail::ToOrd(detail::Get<C>(o, get)); };
        if constexpr (!std::is_null_pointer_v<S>) {
            using T = typename detail::SetterArg<S>::type;
            p.set_ord = [set](TObject& o, int64_t v) { detail::Set<C>(o, set, detail::FromOrd<T>(v)); };
        }
        return p;
    }

    TClassInfo& info_;
};

}  // namespace klice

#include "data/colors.h"

namespace klice {
template <class C>
template <class G, class S>
TPropInfo& TClassBuilder<C>::Color(const char* name, G get, S set) {
    return Integer(name, get, set, &ColorType());
}
}  // namespace klice
