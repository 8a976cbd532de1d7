#include "data/writer.h"

#include <cstring>
#include <limits>

#include "data/extended_float.h"

namespace klice {

TWriter::TWriter(TStream& stream, size_t buffer_size)
    : stream_(stream),
      buffer_(new uint8_t[buffer_size == 0 ? 1 : buffer_size]),
      size_(buffer_size == 0 ? 1 : buffer_size) {}

TWriter::~TWriter() {
    try {
        FlushBuffer();
    } catch (...) {
    }
}

void TWriter::FlushBuffer() {
    if (pos_ == 0) return;
    size_t n = pos_;
    pos_ = 0;
    stream_.WriteBuffer(buffer_.get(), n);
}

int64_t TWriter::Position() const { return stream_.Position() + static_cast<int64_t>(pos_); }

void TWriter::Write(const void* buffer, size_t count) {
    const auto* in = static_cast<const uint8_t*>(buffer);
    while (count > 0) {
        if (pos_ == size_) FlushBuffer();
        size_t n = std::min(count, size_ - pos_);
        std::memcpy(buffer_.get() + pos_, in, n);
        pos_ += n;
        in += n;
        count -= n;
    }
}

namespace {
template <class T>
void PutLE(uint8_t* out, T value, size_t bytes) {
    auto v = static_cast<uint64_t>(value);
    for (size_t i = 0; i < bytes; ++i) out[i] = static_cast<uint8_t>(v >> (8 * i));
}
}  // namespace

void TWriter::WriteValue(TValueType tag) {
    auto b = static_cast<uint8_t>(tag);
    Write(&b, 1);
}

void TWriter::WriteInteger(int64_t value) {
    uint8_t b[8];
    if (value >= -128 && value <= 127) {
        WriteValue(TValueType::vaInt8);
        PutLE(b, value, 1);
        Write(b, 1);
    } else if (value >= -32768 && value <= 32767) {
        WriteValue(TValueType::vaInt16);
        PutLE(b, value, 2);
        Write(b, 2);
    } else if (value >= std::numeric_limits<int32_t>::min() && value <= std::numeric_limits<int32_t>::max()) {
        WriteValue(TValueType::vaInt32);
        PutLE(b, value, 4);
        Write(b, 4);
    } else {
        WriteValue(TValueType::vaInt64);
        PutLE(b, value, 8);
        Write(b, 8);
    }
}

void TWriter::WriteFloat(double value) {
    uint8_t b[10];
    DoubleToExtended(value, b);
    WriteValue(TValueType::vaExtended);
    Write(b, 10);
}

void TWriter::WriteSingle(float value) {
    uint32_t bits;
    std::memcpy(&bits, &value, 4);
    uint8_t b[4];
    PutLE(b, bits, 4);
    WriteValue(TValueType::vaSingle);
    Write(b, 4);
}

void TWriter::WriteCurrency(int64_t scaled) {
    uint8_t b[8];
    PutLE(b, scaled, 8);
    WriteValue(TValueType::vaCurrency);
    Write(b, 8);
}

void TWriter::WriteDate(double value) {
    uint64_t bits;
    std::memcpy(&bits, &value, 8);
    uint8_t b[8];
    PutLE(b, bits, 8);
    WriteValue(TValueType::vaDate);
    Write(b, 8);
}

namespace {
void CheckLength(size_t n) {
    if (n > static_cast<size_t>(std::numeric_limits<int32_t>::max())) throw EWriteError(kStreamWriteError);
}
}  // namespace

void TWriter::WriteString(const std::string& value) {
    if (value.size() <= 255) {
        WriteValue(TValueType::vaString);
        WriteStr(value);
        return;
    }
    CheckLength(value.size());
    uint8_t b[4];
    PutLE(b, value.size(), 4);
    WriteValue(TValueType::vaLString);
    Write(b, 4);
    Write(value.data(), value.size());
}

void TWriter::WriteWideString(const std::u16string& value) {
    CheckLength(value.size() * 2);
    uint8_t b[4];
    PutLE(b, value.size(), 4);
    WriteValue(TValueType::vaWString);
    Write(b, 4);
    for (char16_t c : value) {
        PutLE(b, c, 2);
        Write(b, 2);
    }
}

void TWriter::WriteUtf8String(const std::string& utf8) {
    CheckLength(utf8.size());
    uint8_t b[4];
    PutLE(b, utf8.size(), 4);
    WriteValue(TValueType::vaUTF8String);
    Write(b, 4);
    Write(utf8.data(), utf8.size());
}

void TWriter::WriteIdent(const std::string& ident) {
    if (SameText(ident, "False"))
        WriteValue(TValueType::vaFalse);
    else if (SameText(ident, "True"))
        WriteValue(TValueType::vaTrue);
    else if (SameText(ident, "Null"))
        WriteValue(TValueType::vaNull);
    else if (SameText(ident, "nil"))
        WriteValue(TValueType::vaNil);
    else {
        WriteValue(TValueType::vaIdent);
        WriteStr(ident);
    }
}

void TWriter::WriteBoolean(bool value) { WriteValue(value ? TValueType::vaTrue : TValueType::vaFalse); }

void TWriter::WriteChar(char value) { WriteString(std::string(1, value)); }

void TWriter::WriteSet(uint32_t bits, const TTypeInfo& members) {
    WriteValue(TValueType::vaSet);
    for (int i = 0; i < 32; ++i)
        if ((bits & (uint32_t(1) << i)) != 0) {
            std::string name = members.MemberName(i);
            if (!name.empty()) WriteStr(name);
        }
    WriteStr("");
}

void TWriter::WriteStr(const std::string& value) {
    if (value.size() > 255) throw EWriteError(Format("Name longer than 255 bytes: %.40s...", value.c_str()));
    auto len = static_cast<uint8_t>(value.size());
    Write(&len, 1);
    Write(value.data(), value.size());
}

void TWriter::WriteBinary(const StreamProc& fill) {
    TMemoryStream block;
    fill(block);
    CheckLength(block.Bytes().size());
    uint8_t b[4];
    PutLE(b, block.Bytes().size(), 4);
    WriteValue(TValueType::vaBinary);
    Write(b, 4);
    Write(block.Bytes().data(), block.Bytes().size());
}

void TWriter::WritePropName(const std::string& name) { WriteStr(prop_path_ + name); }

void TWriter::WritePrefix(uint8_t flags, int32_t child_pos) {
    if (flags == 0) return;
    auto prefix = static_cast<uint8_t>(0xF0 | (flags & 0x0F));
    Write(&prefix, 1);
    if (flags & ffChildPos) WriteInteger(child_pos);
}

void TWriter::DefineProperty(const std::string& name, ReaderProc, WriterProc write, bool has_data) {
    if (has_data && write) {
        WritePropName(name);
        write(*this);
    }
}

void TWriter::DefineBinaryProperty(const std::string& name, StreamProc, StreamProc write, bool has_data) {
    if (has_data && write) {
        WritePropName(name);
        WriteBinary(write);
    }
}

std::string TWriter::ComponentPath(const TComponent* component) const {
    std::string path;
    for (const TComponent* c = component; c != nullptr; c = c->Owner()) {
        if (c == lookup_root_) return path;
        if (c->Name().empty()) return {};
        path = path.empty() ? c->Name() : c->Name() + "." + path;
    }
    return path;  // from a top-level component
}

void TWriter::WriteProperty(TPersistent& instance, const TPropInfo& p) {
    auto ordinal_stored = [&](int64_t v) { return !p.default_ord || *p.default_ord != v; };
    switch (p.kind) {
        case TPropKind::Integer: {
            int64_t v = p.get_ord(instance);
            if (!ordinal_stored(v)) return;
            WritePropName(p.name);
            const char* ident = p.type != nullptr ? p.type->IntToIdent(static_cast<int32_t>(v)) : nullptr;
            if (ident != nullptr)
                WriteIdent(ident);
            else
                WriteInteger(static_cast<int32_t>(v));
            return;
        }
        case TPropKind::Char: {
            int64_t v = p.get_ord(instance);
            if (!ordinal_stored(v)) return;
            WritePropName(p.name);
            WriteChar(static_cast<char>(v));
            return;
        }
        case TPropKind::Enumeration: {
            int64_t v = p.get_ord(instance);
            if (!ordinal_stored(v) || p.type == nullptr) return;
            std::string name = p.type->MemberName(v);
            if (name.empty()) return;
            WritePropName(p.name);
            WriteIdent(name);
            return;
        }
        case TPropKind::Set: {
            int64_t v = p.get_ord(instance);
            if (!ordinal_stored(v) || p.type == nullptr) return;
            WritePropName(p.name);
            WriteSet(static_cast<uint32_t>(v), *p.type);
            return;
        }
        case TPropKind::Int64: {
            int64_t v = p.get_ord(instance);
            if (!ordinal_stored(v)) return;
            WritePropName(p.name);
            WriteInteger(v);
            return;
        }
        case TPropKind::Float: {
            double v = p.get_float(instance);
            if (v == 0) return;
            WritePropName(p.name);
            WriteFloat(v);
            return;
        }
        case TPropKind::String: {
            std::string v = p.get_str(instance);
            if (v.empty()) return;
            WritePropName(p.name);
            WriteString(v);
            return;
        }
        case TPropKind::WString: {
            std::u16string v = p.get_wstr(instance);
            if (v.empty()) return;
            WritePropName(p.name);
            WriteWideString(v);
            return;
        }
        case TPropKind::Event: {
            std::string v = p.get_method(instance);
            if (v.empty()) return;
            WritePropName(p.name);
            WriteIdent(v);
            return;
        }
        case TPropKind::Object: {
            TPersistent* v = p.get_obj(instance);
            if (v == nullptr) return;
            auto* component = dynamic_cast<TComponent*>(v);
            if (component != nullptr && !component->IsSubComponent()) {
                std::string path = ComponentPath(component);
                if (path.empty()) return;
                WritePropName(p.name);
                WriteIdent(path);
            } else if (auto* collection = dynamic_cast<TCollection*>(v)) {
                WritePropName(p.name);
                WriteCollection(*collection);
                // The collection's own blocks follow under its path ("Items.ColorTable").
                std::string saved = prop_path_;
                prop_path_ += p.name + ".";
                try {
                    collection->DefineProperties(*this);
                } catch (...) {
                    prop_path_ = saved;
                    throw;
                }
                prop_path_ = saved;
            } else {
                std::string saved = prop_path_;
                prop_path_ += p.name + ".";
                try {
                    WriteProperties(*v);
                } catch (...) {
                    prop_path_ = saved;
                    throw;
                }
                prop_path_ = saved;
            }
            return;
        }
    }
}

void TWriter::WriteProperties(TPersistent& instance) {
    for (const TPropInfo* p : instance.ClassInfo().Properties()) {
        if (!p->IsStored(instance)) continue;
        if (p->IsReadOnly()) {
            // Without a setter only objects the reader walks into are written:
            // sub-components and plain sub-objects, not collections.
            if (p->kind != TPropKind::Object) continue;
            TPersistent* v = p->get_obj(instance);
            auto* c = dynamic_cast<TComponent*>(v);
            bool walkable =
                v != nullptr && dynamic_cast<TCollection*>(v) == nullptr && (c == nullptr || c->IsSubComponent());
            if (!walkable) continue;
        }
        WriteProperty(instance, *p);
    }
    instance.DefineProperties(*this);
}

void TWriter::WriteCollection(const TCollection& collection) {
    WriteValue(TValueType::vaCollection);
    std::string saved = prop_path_;
    prop_path_.clear();
    try {
        for (int i = 0; i < collection.Count(); ++i) {
            WriteListBegin();
            WriteProperties(*collection.Items(i));
            WriteListEnd();
        }
    } catch (...) {
        prop_path_ = saved;
        throw;
    }
    prop_path_ = saved;
    WriteListEnd();
}

void TWriter::WriteComponent(TComponent& component) {
    component.SetState(csWriting, true);
    try {
        WritePrefix(component.HasState(csInline) ? ffInline : 0, 0);
        WriteStr(component.ClassName());
        WriteStr(component.Name());
        std::string saved = prop_path_;
        prop_path_.clear();
        WriteProperties(component);
        prop_path_ = saved;
        WriteListEnd();
        component.GetChildren([this](TComponent* child) { WriteComponent(*child); }, root_);
        WriteListEnd();
    } catch (...) {
        component.SetState(csWriting, false);
        throw;
    }
    component.SetState(csWriting, false);
}

void TWriter::WriteSignature() { Write(kSignature, 4); }

void TWriter::WriteRootComponent(TComponent& root) {
    root_ = &root;
    lookup_root_ = &root;
    WriteSignature();
    WriteComponent(root);
}

}  // namespace klice
