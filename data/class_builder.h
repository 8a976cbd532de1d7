// The class builder behind KLICE_DESCRIBE_CLASS. Every class describes
// itself once: KLICE_CLASS(TFoo, TBase) in the class body, and in the .cpp
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
#include <type_traits>
#include <typeinfo>
#include <utility>

#include "data/class_info.h"
#include "data/colors.h"

namespace klice {

class TPersistent;
class TComponent;
class TCollection;
class TCollectionItem;

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

// Whether object's class is info or inherits from it. A template, so that
// the object's class need be complete only where a class is described.
template <class T>
bool ClassFits(const T* object, const TClassInfo& info) {
    return object->InheritsFrom(info);
}

}  // namespace detail

template <class C>
class TClassBuilder {
public:
    static const TClassInfo& Build(const char* name) {
        const TClassInfo* parent = nullptr;
        if constexpr (!std::is_same_v<C, TObject>) parent = &C::inherited::StaticClass();
        TClassInfo& info = detail::NewClassInfo(name, parent);
        info.component_ = std::is_base_of_v<TComponent, C>;
        info.collection_item_ = std::is_base_of_v<TCollectionItem, C>;
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
                                      // A component whose class does not fit the field is left out.
                                      if (comp != nullptr && !detail::ClassFits(comp, X::StaticClass())) return;
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

template <class C>
template <class G, class S>
TPropInfo& TClassBuilder<C>::Color(const char* name, G get, S set) {
    return Integer(name, get, set, &ColorType());
}

}  // namespace klice
