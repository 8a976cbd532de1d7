// The reader's buffer and its tagged values: what a stream holds below the
// level of properties and components (those are in reader.cpp).
#include <algorithm>
#include <cstring>

#include "data/extended_float.h"
#include "data/reader.h"
#include "data/text_encodings.h"

namespace klice {

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

}  // namespace klice
