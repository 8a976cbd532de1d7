// Class information: what every stored class tells about itself (its
// published properties, methods and member components, its factories), the
// global class registry, the macros that describe a class, and TObject, the
// root of every class that carries it. The class
// builder that fills it in is data/class_builder.h.
#pragma once

#include <any>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <typeindex>
#include <typeinfo>
#include <utility>
#include <vector>

#include "data/type_info.h"

namespace klice {

class TObject;
class TPersistent;
class TComponent;
class TCollection;
class TCollectionItem;
class TClassInfo;
template <class C>
class TClassBuilder;

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
    bool IsComponentClass() const { return component_; }
    bool IsCollectionItemClass() const { return collection_item_; }

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
    bool component_ = false;  // a TComponent class (set by the class builder)
    bool collection_item_ = false;
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

// The root of every class that carries class information.
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

#define KLICE_CONCAT_INNER(a, b) a##b
#define KLICE_CONCAT(a, b) KLICE_CONCAT_INNER(a, b)
// Registers at start-up; put it in the .cpp that defines the class's
// constructor so the registration is linked whenever the class is.
#define KLICE_REGISTER_CLASS(Cls)                                                  \
    [[maybe_unused]] static const bool KLICE_CONCAT(klice_registered_, __LINE__) = \
        (::klice::RegisterClass(Cls::StaticClass()), true)

namespace detail {

TClassInfo& NewClassInfo(const char* name, const TClassInfo* parent);
[[noreturn]] void RaiseInvalidPropertyValue();

}  // namespace detail

}  // namespace klice
