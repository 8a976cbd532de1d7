#include "data/class_info.h"

#include <algorithm>
#include <deque>
#include <memory>

#include "data/errors.h"

namespace klice {

namespace {

std::vector<const TClassInfo*>& Registry() {
    static std::vector<const TClassInfo*> classes;
    return classes;
}

}  // namespace

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

bool TClassInfo::InheritsFrom(const TClassInfo& other) const {
    for (const TClassInfo* c = this; c != nullptr; c = c->parent_)
        if (c == &other) return true;
    return false;
}

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
                m.set(instance, component);
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

TObject::~TObject() = default;

const TClassInfo& TObject::StaticClass() {
    static const TClassInfo& info = detail::NewClassInfo("TObject", nullptr);
    return info;
}

}  // namespace klice
