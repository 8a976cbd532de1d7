#include "data/reader.h"

#include <cstring>
#include <memory>
#include <optional>

#include "platform/data_budget.h"

namespace klice {

namespace {

std::string ObjectName(const TPersistent& instance) {
    if (const auto* c = dynamic_cast<const TComponent*>(&instance); c != nullptr && !c->Name().empty())
        return c->Name();
    return instance.ClassName();
}

std::string ErrorReading(const std::string& object, const std::string& path, const std::string& inner) {
    return Format("Error reading %s%s%s: %s", object.c_str(), ".", path.c_str(), inner.c_str());
}

}  // namespace

// ---------------------------------------------------------------------------
// Defined properties.

void TReader::DefineProperty(const std::string& name, ReaderProc read, WriterProc, bool) {
    if (!consumed_ && read && SameText(name, prop_name_)) {
        consumed_ = true;
        read(*this);
        consumed_ = true;  // a nested read may have used the flag
    }
}

void TReader::DefineBinaryProperty(const std::string& name, StreamProc read, StreamProc, bool) {
    if (consumed_ || !read || !SameText(name, prop_name_)) return;
    consumed_ = true;
    if (ReadValue() != TValueType::vaBinary) PropValueError();
    size_t count = ReadLength(1);
    // No picture or wave the budget admits needs more: refused before the copy.
    if (count > platform::budget::kBinaryBytes) throw EReadError(kStreamReadError);
    // Read into memory nobody clears first: every byte is overwritten, and a
    // picture block is as large as its picture. (new[] without (), as
    // make_unique_for_overwrite, which not every standard library has yet.)
    std::unique_ptr<uint8_t[]> bytes(new uint8_t[count]);
    Read(bytes.get(), count);
    TBytesViewStream block({bytes.get(), count});
    read(block);
    consumed_ = true;
}

// ---------------------------------------------------------------------------
// Properties.

void TReader::ReadProperty(TPersistent& instance) {
    // Reading the path itself is part of the property: a stream that ends
    // inside it is reported for this object, with the path still empty.
    std::string path;
    try {
        path = ReadStr();
        prop_context_ = path;
        TPersistent* current = &instance;
        size_t start = 0;
        std::string last;
        for (;;) {
            size_t dot = path.find('.', start);
            if (dot == std::string::npos) {
                last = path.substr(start);
                break;
            }
            std::string name = path.substr(start, dot - start);
            const TPropInfo* p = current->ClassInfo().FindProperty(name);
            if (p == nullptr) PropertyError(name);
            TPersistent* value = p->kind == TPropKind::Object ? p->get_obj(*current) : nullptr;
            if (value == nullptr) {
                SkipValue();
                throw EReadError("Invalid property path");
            }
            current = value;
            start = dot + 1;
        }
        if (const TPropInfo* p = current->ClassInfo().FindProperty(last)) {
            ReadPropValue(*current, *p);
        } else {
            prop_name_ = last;
            consumed_ = false;
            current->DefineProperties(*this);
            bool consumed = consumed_;
            consumed_ = true;
            prop_name_.clear();
            if (!consumed) PropertyError(last);
        }
    } catch (const Exception& e) {
        throw EReadError(ErrorReading(ObjectName(instance), path, e.Message()));
    }
}

void TReader::ReadPropValue(TPersistent& instance, const TPropInfo& p) {
    if (p.IsReadOnly()) {
        bool sub_component = false;
        if (p.kind == TPropKind::Object)
            if (auto* c = dynamic_cast<TComponent*>(p.get_obj(instance)); c != nullptr && c->IsSubComponent())
                sub_component = true;
        if (!sub_component) throw EReadError("Property is read-only");
    }
    switch (p.kind) {
        case TPropKind::Integer:
            if (NextValue() == TValueType::vaIdent) {
                std::string ident = ReadIdent();
                std::optional<int32_t> v = p.type != nullptr ? p.type->IdentToInt(ident) : std::nullopt;
                if (!v) InvalidValue();
                p.set_ord(instance, *v);
            } else {
                p.set_ord(instance, ReadInteger());
            }
            return;
        case TPropKind::Char: p.set_ord(instance, static_cast<uint8_t>(ReadChar())); return;
        case TPropKind::Enumeration: {
            std::string ident = ReadIdent();
            int index = p.type != nullptr ? p.type->MemberIndex(ident) : -1;
            if (index < 0) InvalidValue();
            p.set_ord(instance, index);
            return;
        }
        case TPropKind::Float: p.set_float(instance, ReadFloat()); return;
        case TPropKind::String: p.set_str(instance, ReadString()); return;
        case TPropKind::WString: p.set_wstr(instance, ReadWideString()); return;
        case TPropKind::Int64: p.set_ord(instance, ReadInt64()); return;
        case TPropKind::Set: {
            static const TTypeInfo no_members("", std::vector<std::string>{});
            p.set_ord(instance, ReadSet(p.type != nullptr ? *p.type : no_members));
            return;
        }
        case TPropKind::Object:
            switch (ReadValue()) {
                case TValueType::vaNil:
                    if (!p.set_obj) throw EReadError("Property is read-only");
                    p.set_obj(instance, nullptr);
                    return;
                case TValueType::vaCollection: {
                    auto* collection = dynamic_cast<TCollection*>(p.get_obj(instance));
                    if (collection == nullptr) {
                        SkipCollectionBody();
                        InvalidValue();
                    }
                    ReadCollection(*collection);
                    return;
                }
                case TValueType::vaIdent: {
                    std::string name = ReadStr();
                    if (!p.set_obj) throw EReadError("Property is read-only");
                    if (++references_ > platform::budget::kStreamReferences) throw EReadError(kInvalidStreamFormat);
                    TPendingReference r;
                    r.instance = &instance;
                    r.prop = &p;
                    r.name = std::move(name);
                    r.reader = this;
                    r.object_name = ObjectName(instance);
                    r.path = prop_context_;
                    PendingReferences().push_back(std::move(r));
                    return;
                }
                default: PropValueError();
            }
        case TPropKind::Event:
            switch (ReadValue()) {
                case TValueType::vaNil: p.set_method(instance, nullptr, root_); return;
                case TValueType::vaIdent: {
                    std::string name = ReadStr();
                    const TMethodInfo* m = root_ != nullptr ? root_->ClassInfo().FindMethod(name) : nullptr;
                    if (m == nullptr || !p.set_method(instance, m, root_)) InvalidValue();
                    return;
                }
                default: PropValueError();
            }
    }
}

void TReader::ReadCollection(TCollection& collection) {
    Nesting nesting(*this);
    collection.BeginUpdate();
    try {
        if (!EndOfList()) collection.Clear();
        for (int64_t items = 0; !EndOfList(); ++items) {
            if (items == platform::budget::kCollectionItems) throw EReadError(kInvalidStreamFormat);
            if (IsIntegerTag(NextValue())) ReadInteger();  // an order number
            TCollectionItem* item = collection.Add();
            ReadListBegin();
            while (!EndOfList()) ReadProperty(*item);
            ReadListEnd();
        }
        ReadListEnd();
    } catch (...) {
        collection.EndUpdate();
        throw;
    }
    collection.EndUpdate();
}

// ---------------------------------------------------------------------------
// Components.

void TReader::ReadSignature() {
    char signature[4];
    Read(signature, 4);
    if (std::memcmp(signature, kSignature, 4) != 0) throw EReadError(kInvalidStreamFormat);
}

void TReader::ReadPrefix(uint8_t& flags, int32_t& child_pos) {
    flags = 0;
    child_pos = 0;
    if ((static_cast<uint8_t>(NextValue()) & 0xF0) == 0xF0) {
        flags = ReadByte() & 0x0F;
        if (flags & ffChildPos) child_pos = ReadInteger();
    }
}

const TClassInfo* TReader::FindComponentClass(const std::string& class_name) const {
    const TClassInfo* c = root_ != nullptr ? root_->ClassInfo().FindMemberClass(class_name) : nullptr;
    if (c == nullptr && lookup_root_ != nullptr && lookup_root_ != root_)
        c = lookup_root_->ClassInfo().FindMemberClass(class_name);
    if (c == nullptr) c = GetClass(class_name);
    if (c == nullptr || !c->IsComponentClass() || !c->CanCreateComponent())
        throw EClassNotFound(Format("Class %s not found", class_name.c_str()));
    return c;
}

void TReader::ReadData(TComponent& instance) {
    while (!EndOfList()) ReadProperty(instance);
    ReadListEnd();
    TComponent* old_owner = owner_;
    TComponent* old_parent = parent_;
    parent_ = instance.GetChildParent();
    owner_ = instance.GetChildOwner();
    if (owner_ == nullptr) owner_ = root_ != nullptr ? root_ : &instance;
    try {
        while (!EndOfList()) ReadComponent();
        ReadListEnd();
    } catch (...) {
        owner_ = old_owner;
        parent_ = old_parent;
        throw;
    }
    owner_ = old_owner;
    parent_ = old_parent;
}

TComponent* TReader::ReadComponent() {
    Nesting nesting(*this);
    if (++components_ > platform::budget::kStreamComponents) throw EReadError(kInvalidStreamFormat);
    uint8_t flags;
    int32_t child_pos;
    ReadPrefix(flags, child_pos);
    std::string class_name = ReadStr();
    std::string name = ReadStr();
    TComponent* result;
    bool created = false;
    if (flags & ffInherited) {
        result = lookup_root_ != nullptr ? lookup_root_->FindComponent(name) : nullptr;
        if (result == nullptr) throw EReadError(Format("Ancestor for '%s' not found", name.c_str()));
    } else {
        const TClassInfo* info = FindComponentClass(class_name);
        result = info->CreateComponent(owner_);
        created = true;
        if (flags & ffInline) result->SetState(csInline, true);
    }
    TComponent* old_lookup_root = lookup_root_;
    try {
        result->SetState(csLoading, true);
        if (!(flags & ffInherited)) {
            result->SetParentComponent(parent_);
            result->SetName(name);
        }
        if (result->HasState(csInline)) lookup_root_ = result;
        result->SetState(csReading, true);
        ReadData(*result);
        result->SetState(csReading, false);
        lookup_root_ = old_lookup_root;
        if ((flags & ffChildPos) && parent_ != nullptr) parent_->SetChildOrder(result, child_pos);
        if (phase_ != nullptr) phase_->Add(result);
    } catch (...) {
        lookup_root_ = old_lookup_root;
        if (created) delete result;
        throw;
    }
    return result;
}

void TReader::ResolveReferences() {
    auto& pending = PendingReferences();
    for (;;) {
        size_t i = 0;
        while (i < pending.size() && pending[i].reader != this) ++i;
        if (i == pending.size()) return;
        TComponent* target = FindNestedComponent(root_, pending[i].name);
        if (target == nullptr && pending[i].name.find('.') != std::string::npos) {
            pending[i].reader = nullptr;  // waits for a top-level component
            continue;
        }
        TPendingReference r = std::move(pending[i]);
        pending.erase(pending.begin() + static_cast<ptrdiff_t>(i));
        try {
            if (target != nullptr && !target->InheritsFrom(r.prop->object_class())) InvalidValue();
            r.prop->set_obj(*r.instance, target);
        } catch (const Exception& e) {
            throw EReadError(ErrorReading(r.object_name, r.path, e.Message()));
        }
    }
}

TComponent* TReader::ReadRootComponent(TComponent& root) {
    // The pictures of one stream share its budget.
    platform::budget::StreamPictures pictures;
    ReadSignature();
    uint8_t flags;
    int32_t child_pos;
    ReadPrefix(flags, child_pos);
    ReadStr();  // the stored class name is not compared with the root's
    std::string name = ReadStr();
    std::string unique = name;
    for (int i = 1;; ++i) {
        TComponent* holder = FindTopLevelComponent(unique);
        if (holder == nullptr || holder == &root) break;
        unique = Format("%s_%d", name.c_str(), i);
    }
    root.SetState(csLoading | csReading, true);
    try {
        root.SetName(unique);
        root_ = &root;
        lookup_root_ = &root;
        owner_ = &root;
        std::optional<TLoadingPhase> own_phase;
        if (TLoadingPhase::Current() == nullptr) own_phase.emplace();
        phase_ = TLoadingPhase::Current();
        phase_->Add(&root);
        ReadData(root);
        root.SetState(csReading, false);
        ResolveReferences();
        phase_ = nullptr;
        if (own_phase) own_phase->Notify();
    } catch (...) {
        phase_ = nullptr;
        root.SetState(csReading, false);
        throw;
    }
    ResolvePendingReferences();
    return &root;
}

}  // namespace klice
