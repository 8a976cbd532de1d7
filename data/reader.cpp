#include "data/reader.h"

#include <cmath>
#include <cstring>
#include <optional>

#include "platform/codepage.h"

namespace klice {

namespace {

constexpr const char* kInvalidStreamFormat = "Invalid stream format";
constexpr const char* kInvalidPropertyValue = "Invalid property value";

[[noreturn]] void InvalidValue() { throw EReadError(kInvalidPropertyValue); }

bool IsIntegerTag(TValueType t) {
    return t == TValueType::vaInt8 || t == TValueType::vaInt16 || t == TValueType::vaInt32;
}

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
// Text forms.

std::u16string CodePageToWide(const std::string& text) {
    std::u16string out;
    out.reserve(text.size());
    for (unsigned char c : text) out.push_back(static_cast<char16_t>(platform::CodePageToUnicode(c)));
    return out;
}

std::string WideToCodePage(const std::u16string& text) {
    static const auto table = [] {
        std::vector<std::pair<char16_t, uint8_t>> t;
        for (int b = 255; b >= 0; --b) {
            char32_t u = platform::CodePageToUnicode(static_cast<uint8_t>(b));
            if (u != 0xFFFD) t.emplace_back(static_cast<char16_t>(u), static_cast<uint8_t>(b));
        }
        return t;
    }();
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char16_t u = text[i];
        if (u < 0x80) {
            out.push_back(static_cast<char>(u));
            continue;
        }
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) ++i;
        char mapped = '?';
        for (const auto& [wide, byte] : table)
            if (wide == u) {
                mapped = static_cast<char>(byte);
                break;
            }
        out.push_back(mapped);
    }
    return out;
}

std::u16string Utf8ToWide(const std::string& text) {
    std::u16string out;
    size_t i = 0, n = text.size();
    auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
    while (i < n) {
        unsigned char b = byte(i);
        char32_t cp;
        size_t len;
        if (b < 0x80) {
            cp = b;
            len = 1;
        } else if ((b & 0xE0) == 0xC0) {
            cp = b & 0x1F;
            len = 2;
        } else if ((b & 0xF0) == 0xE0) {
            cp = b & 0x0F;
            len = 3;
        } else if ((b & 0xF8) == 0xF0) {
            cp = b & 0x07;
            len = 4;
        } else {
            out.push_back(0xFFFD);
            ++i;
            continue;
        }
        bool ok = i + len <= n;
        for (size_t k = 1; ok && k < len; ++k) {
            if ((byte(i + k) & 0xC0) != 0x80)
                ok = false;
            else
                cp = (cp << 6) | (byte(i + k) & 0x3F);
        }
        static constexpr char32_t kMin[] = {0, 0, 0x80, 0x800, 0x10000};
        if (!ok || cp < kMin[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
            out.push_back(0xFFFD);
            ++i;
            continue;
        }
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
        i += len;
    }
    return out;
}

std::string WideToUtf8(const std::u16string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        char32_t cp = text[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = 0xFFFD;
        }
        if (cp < 0x80) {
            out.push_back(static_cast<char>(cp));
        } else if (cp < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else if (cp < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        }
    }
    return out;
}

// ---------------------------------------------------------------------------
// 80-bit extended: 64-bit significand with an explicit integer bit, 15-bit
// exponent biased by 16383, sign in the top bit; little-endian.

double ExtendedToDouble(const uint8_t b[10]) {
    uint64_t mantissa = 0;
    for (int i = 7; i >= 0; --i) mantissa = (mantissa << 8) | b[i];
    int exponent = ((b[9] & 0x7F) << 8) | b[8];
    bool negative = (b[9] & 0x80) != 0;
    double value;
    if (exponent == 0x7FFF) {
        value = (mantissa << 1) == 0 ? INFINITY : NAN;
    } else {
        int e = exponent == 0 ? 1 - 16383 - 63 : exponent - 16383 - 63;
        value = std::ldexp(static_cast<double>(mantissa), e);
    }
    return negative ? -value : value;
}

void DoubleToExtended(double value, uint8_t b[10]) {
    uint64_t mantissa = 0;
    int exponent = 0;
    bool negative = std::signbit(value);
    if (std::isnan(value)) {
        mantissa = 0xC000000000000000ull;
        exponent = 0x7FFF;
    } else if (std::isinf(value)) {
        mantissa = 0x8000000000000000ull;
        exponent = 0x7FFF;
    } else if (value != 0) {
        int e;
        double f = std::frexp(std::fabs(value), &e);  // f in [0.5, 1)
        mantissa = static_cast<uint64_t>(std::ldexp(f, 64));
        exponent = e - 1 + 16383;
    }
    for (int i = 0; i < 8; ++i) b[i] = static_cast<uint8_t>(mantissa >> (8 * i));
    b[8] = static_cast<uint8_t>(exponent & 0xFF);
    b[9] = static_cast<uint8_t>(((exponent >> 8) & 0x7F) | (negative ? 0x80 : 0));
}

// ---------------------------------------------------------------------------

class TReader::Nesting {
public:
    explicit Nesting(TReader& reader) : reader_(reader) {
        if (++reader_.depth_ > kMaxStreamNesting) {
            --reader_.depth_;
            throw EReadError(kInvalidStreamFormat);
        }
    }
    ~Nesting() { --reader_.depth_; }
    Nesting(const Nesting&) = delete;
    Nesting& operator=(const Nesting&) = delete;

private:
    TReader& reader_;
};

TReader::TReader(TStream& stream, size_t buffer_size)
    : stream_(stream),
      buffer_(new uint8_t[buffer_size == 0 ? 1 : buffer_size]),
      size_(buffer_size == 0 ? 1 : buffer_size) {}

TReader::~TReader() {
    auto& pending = PendingReferences();
    for (size_t i = 0; i < pending.size();) {
        if (pending[i].reader == this)
            pending.erase(pending.begin() + static_cast<ptrdiff_t>(i));
        else
            ++i;
    }
    try {
        if (end_ > pos_) stream_.Seek(-static_cast<int64_t>(end_ - pos_), SeekOrigin::Current);
    } catch (...) {
    }
}

void TReader::FillBuffer() {
    pos_ = 0;
    end_ = stream_.Read(buffer_.get(), size_);
    if (end_ == 0) throw EReadError(kStreamReadError);
}

uint8_t TReader::ReadByte() {
    if (pos_ == end_) FillBuffer();
    return buffer_[pos_++];
}

void TReader::Read(void* buffer, size_t count) {
    auto* out = static_cast<uint8_t*>(buffer);
    while (count > 0) {
        if (pos_ == end_) {
            if (count >= size_) {
                // Large blocks go straight from the stream to their buffer.
                pos_ = end_ = 0;
                stream_.ReadBuffer(out, count);
                return;
            }
            FillBuffer();
        }
        size_t n = std::min(count, end_ - pos_);
        std::memcpy(out, buffer_.get() + pos_, n);
        pos_ += n;
        out += n;
        count -= n;
    }
}

int64_t TReader::Position() const { return stream_.Position() - static_cast<int64_t>(end_ - pos_); }

int64_t TReader::Remaining() const { return static_cast<int64_t>(end_ - pos_) + stream_.Remaining(); }

size_t TReader::ReadLength(size_t unit_size) {
    uint8_t b[4];
    Read(b, 4);
    int32_t n =
        static_cast<int32_t>(uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24);
    if (n < 0 || static_cast<uint64_t>(n) * unit_size > static_cast<uint64_t>(Remaining()))
        throw EReadError(kStreamReadError);
    return static_cast<size_t>(n);
}

void TReader::SkipBytes(int64_t count) {
    if (count < 0 || count > Remaining()) throw EReadError(kStreamReadError);
    int64_t buffered = std::min<int64_t>(count, static_cast<int64_t>(end_ - pos_));
    pos_ += static_cast<size_t>(buffered);
    count -= buffered;
    if (count > 0) {
        pos_ = end_ = 0;
        stream_.Seek(count, SeekOrigin::Current);
    }
}

// ---------------------------------------------------------------------------
// Values.

TValueType TReader::ReadValue() { return static_cast<TValueType>(ReadByte()); }

TValueType TReader::NextValue() {
    TValueType t = ReadValue();
    UnreadByte();
    return t;
}

bool TReader::EndOfList() { return NextValue() == TValueType::vaNull; }

void TReader::PropValueError() {
    UnreadByte();
    SkipValue();
    InvalidValue();
}

void TReader::PropertyError(const std::string& name) {
    SkipValue();
    throw EReadError(Format("Property %s does not exist", name.c_str()));
}

void TReader::CheckValue(TValueType expected) {
    if (ReadValue() != expected) PropValueError();
}

void TReader::ReadListBegin() { CheckValue(TValueType::vaList); }
void TReader::ReadListEnd() { CheckValue(TValueType::vaNull); }

int32_t TReader::ReadInteger() {
    switch (ReadValue()) {
        case TValueType::vaInt8: {
            int8_t v;
            Read(&v, 1);
            return v;
        }
        case TValueType::vaInt16: {
            uint8_t b[2];
            Read(b, 2);
            return static_cast<int16_t>(b[0] | b[1] << 8);
        }
        case TValueType::vaInt32: {
            uint8_t b[4];
            Read(b, 4);
            return static_cast<int32_t>(uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 |
                                        uint32_t(b[3]) << 24);
        }
        default: PropValueError();
    }
}

namespace {
uint64_t LittleEndian64(const uint8_t b[8]) {
    uint64_t v = 0;
    for (int i = 7; i >= 0; --i) v = (v << 8) | b[i];
    return v;
}
}  // namespace

int64_t TReader::ReadInt64() {
    if (NextValue() != TValueType::vaInt64) return ReadInteger();
    ReadValue();
    uint8_t b[8];
    Read(b, 8);
    return static_cast<int64_t>(LittleEndian64(b));
}

double TReader::ReadFloat() {
    if (NextValue() != TValueType::vaExtended) return ReadInteger();
    ReadValue();
    uint8_t b[10];
    Read(b, 10);
    return ExtendedToDouble(b);
}

float TReader::ReadSingle() {
    if (NextValue() != TValueType::vaSingle) return static_cast<float>(ReadInteger());
    ReadValue();
    uint8_t b[4];
    Read(b, 4);
    uint32_t bits = uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
    float f;
    std::memcpy(&f, &bits, 4);
    return f;
}

int64_t TReader::ReadCurrency() {
    if (NextValue() != TValueType::vaCurrency) return static_cast<int64_t>(ReadInteger()) * 10000;
    ReadValue();
    uint8_t b[8];
    Read(b, 8);
    return static_cast<int64_t>(LittleEndian64(b));
}

double TReader::ReadDate() {
    if (NextValue() != TValueType::vaDate) return ReadInteger();
    ReadValue();
    uint8_t b[8];
    Read(b, 8);
    uint64_t bits = LittleEndian64(b);
    double d;
    std::memcpy(&d, &bits, 8);
    return d;
}

std::string TReader::ReadStr() {
    uint8_t len = ReadByte();
    std::string s(len, '\0');
    Read(s.data(), len);
    return s;
}

std::string TReader::ReadString() {
    TValueType t = NextValue();
    if (t == TValueType::vaWString || t == TValueType::vaUTF8String) return WideToCodePage(ReadWideString());
    size_t len;
    switch (ReadValue()) {
        case TValueType::vaString: len = ReadByte(); break;
        case TValueType::vaLString: len = ReadLength(1); break;
        default: PropValueError();
    }
    std::string s(len, '\0');
    Read(s.data(), len);
    return s;
}

std::u16string TReader::ReadWideString() {
    TValueType t = NextValue();
    if (t == TValueType::vaString || t == TValueType::vaLString) return CodePageToWide(ReadString());
    switch (ReadValue()) {
        case TValueType::vaWString: {
            size_t count = ReadLength(2);
            std::vector<uint8_t> bytes(count * 2);
            Read(bytes.data(), bytes.size());
            std::u16string s(count, u'\0');
            for (size_t i = 0; i < count; ++i) s[i] = static_cast<char16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8);
            return s;
        }
        case TValueType::vaUTF8String: {
            size_t len = ReadLength(1);
            std::string s(len, '\0');
            Read(s.data(), len);
            return Utf8ToWide(s);
        }
        default: PropValueError();
    }
}

std::string TReader::ReadIdent() {
    switch (ReadValue()) {
        case TValueType::vaIdent: return ReadStr();
        case TValueType::vaFalse: return "False";
        case TValueType::vaTrue: return "True";
        case TValueType::vaNull: return "Null";
        case TValueType::vaNil: return "nil";
        default: PropValueError();
    }
}

bool TReader::ReadBoolean() {
    switch (ReadValue()) {
        case TValueType::vaTrue: return true;
        case TValueType::vaFalse: return false;
        default: PropValueError();
    }
}

char TReader::ReadChar() {
    std::string s = ReadString();
    if (s.size() > 1) InvalidValue();
    return s.empty() ? '\0' : s[0];
}

uint32_t TReader::ReadSet(const TTypeInfo& members) {
    if (ReadValue() != TValueType::vaSet) PropValueError();
    uint32_t bits = 0;
    for (;;) {
        std::string name = ReadStr();
        if (name.empty()) break;
        int index = members.MemberIndex(name);
        if (index < 0) {
            SkipSetBody();
            InvalidValue();
        }
        if (index < 32) bits |= uint32_t(1) << index;
    }
    return bits;
}

void TReader::SkipSetBody() {
    while (!ReadStr().empty()) {
    }
}

void TReader::SkipListBody() {
    while (!EndOfList()) SkipValue();
    ReadByte();
}

void TReader::SkipProperty() {
    ReadStr();
    SkipValue();
}

void TReader::SkipCollectionBody() {
    Nesting nesting(*this);
    while (!EndOfList()) {
        if (IsIntegerTag(NextValue())) SkipValue();
        if (ReadValue() != TValueType::vaList) throw EReadError(kInvalidStreamFormat);
        while (!EndOfList()) SkipProperty();
        ReadByte();
    }
    ReadByte();
}

void TReader::SkipValue() {
    Nesting nesting(*this);
    auto skip_counted = [this](size_t unit) {
        uint8_t b[4];
        Read(b, 4);
        int64_t n =
            static_cast<int32_t>(uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24);
        SkipBytes(n < 0 ? -1 : n * static_cast<int64_t>(unit));
    };
    switch (ReadValue()) {
        case TValueType::vaNull:
        case TValueType::vaFalse:
        case TValueType::vaTrue:
        case TValueType::vaNil: return;
        case TValueType::vaList: SkipListBody(); return;
        case TValueType::vaInt8: SkipBytes(1); return;
        case TValueType::vaInt16: SkipBytes(2); return;
        case TValueType::vaInt32:
        case TValueType::vaSingle: SkipBytes(4); return;
        case TValueType::vaExtended: SkipBytes(10); return;
        case TValueType::vaString:
        case TValueType::vaIdent: SkipBytes(ReadByte()); return;
        case TValueType::vaBinary:
        case TValueType::vaLString:
        case TValueType::vaUTF8String: skip_counted(1); return;
        case TValueType::vaWString: skip_counted(2); return;
        case TValueType::vaSet: SkipSetBody(); return;
        case TValueType::vaCollection: SkipCollectionBody(); return;
        case TValueType::vaCurrency:
        case TValueType::vaDate:
        case TValueType::vaInt64: SkipBytes(8); return;
    }
    throw EReadError(kInvalidStreamFormat);  // a tag beyond the table
}

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
    TMemoryStream block;
    block.SetSize(count);
    Read(block.Bytes().data(), count);
    block.SetPosition(0);
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
        while (!EndOfList()) {
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
