// TReader: binds a component stream ("TPF0", component records of tagged
// property values) to live objects by class name and property name.
//
// The reader pulls its stream in 4096-byte blocks; when it is destroyed the
// stream is moved back to just after the last byte the reader used. Lengths
// stored in the stream are checked against what is left of it before
// anything of that size is allocated, nesting is limited, and so are the
// items, components and references one read may make and the pictures of
// one stream (platform/data_budget.h), so a damaged stream fails with
// "Stream read error" or "Invalid stream format".
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "data/filer.h"
#include "data/persistent.h"
#include "data/stream.h"

namespace klice {

// Tags of stored values.
enum class TValueType : uint8_t {
    vaNull = 0,
    vaList = 1,
    vaInt8 = 2,
    vaInt16 = 3,
    vaInt32 = 4,
    vaExtended = 5,
    vaString = 6,
    vaIdent = 7,
    vaFalse = 8,
    vaTrue = 9,
    vaBinary = 10,
    vaSet = 11,
    vaLString = 12,
    vaNil = 13,
    vaCollection = 14,
    vaSingle = 15,
    vaCurrency = 16,
    vaDate = 17,
    vaWString = 18,
    vaInt64 = 19,
    vaUTF8String = 20,
};

inline constexpr bool IsIntegerTag(TValueType t) {
    return t == TValueType::vaInt8 || t == TValueType::vaInt16 || t == TValueType::vaInt32;
}

// Flags of a component record's prefix byte (0xF0 | flags).
enum : uint8_t { ffInherited = 1, ffChildPos = 2, ffInline = 4 };

inline constexpr size_t kReaderBufferSize = 4096;
// Deepest nesting of lists, collections and components a stream may have.
inline constexpr int kMaxStreamNesting = 64;

inline constexpr char kSignature[4] = {'T', 'P', 'F', '0'};

inline constexpr const char* kInvalidStreamFormat = "Invalid stream format";
inline constexpr const char* kInvalidPropertyValue = "Invalid property value";

class TReader : public TFiler {
public:
    explicit TReader(TStream& stream, size_t buffer_size = kReaderBufferSize);
    ~TReader() override;
    TReader(const TReader&) = delete;
    TReader& operator=(const TReader&) = delete;

    // Signature, then the root record into root: its name made unique among
    // the top-level components, its properties and children, references
    // resolved, Loaded() sent (or left to an open loading phase).
    TComponent* ReadRootComponent(TComponent& root);
    void ReadSignature();
    void ReadPrefix(uint8_t& flags, int32_t& child_pos);
    // One child record under the current owner and parent.
    TComponent* ReadComponent();
    // Property list, then child list of instance.
    void ReadData(TComponent& instance);
    // One "path value" entry of instance's property list.
    void ReadProperty(TPersistent& instance);
    // The items of a collection value (after its tag).
    void ReadCollection(TCollection& collection);

    void DefineProperty(const std::string& name, ReaderProc read, WriterProc write, bool has_data) override;
    void DefineBinaryProperty(const std::string& name, StreamProc read, StreamProc write, bool has_data) override;

    // Value routines, for objects' own read routines. A value of the wrong
    // kind is skipped and raises "Invalid property value".
    TValueType ReadValue();
    TValueType NextValue();
    bool EndOfList();  // the next tag is 0
    void ReadListBegin();
    void ReadListEnd();
    int32_t ReadInteger();
    int64_t ReadInt64();
    double ReadFloat();
    float ReadSingle();
    int64_t ReadCurrency();  // scaled by 10000
    double ReadDate();
    std::string ReadString();
    std::u16string ReadWideString();
    std::string ReadIdent();
    bool ReadBoolean();
    char ReadChar();
    // Member names until an empty one, as bits (members 0..31).
    uint32_t ReadSet(const TTypeInfo& members);
    // A short string without tag: one length byte and the bytes.
    std::string ReadStr();
    // Raw bytes.
    void Read(void* buffer, size_t count);
    void SkipValue();

    // Where the next byte comes from, in stream positions.
    int64_t Position() const;
    // Bytes left: buffered plus what the stream still holds.
    int64_t Remaining() const;

    TComponent* Owner() const { return owner_; }
    TComponent* Parent() const { return parent_; }

private:
    // Counts one level of nesting while it lives; too deep a stream fails.
    class Nesting {
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
    [[noreturn]] static void InvalidValue() { throw EReadError(kInvalidPropertyValue); }
    void FillBuffer();
    uint8_t ReadByte();
    void UnreadByte() { --pos_; }
    size_t ReadLength(size_t unit_size);
    [[noreturn]] void PropValueError();  // skips the value just started
    [[noreturn]] void PropertyError(const std::string& name);
    void CheckValue(TValueType expected);
    void SkipBytes(int64_t count);
    void SkipSetBody();
    void SkipProperty();
    void SkipCollectionBody();
    void SkipListBody();
    void ReadPropValue(TPersistent& instance, const TPropInfo& prop);
    void ResolveReferences();
    TComponent* FindComponentClassAndCreate(const std::string& class_name);
    const TClassInfo* FindComponentClass(const std::string& class_name) const;

    TStream& stream_;
    std::unique_ptr<uint8_t[]> buffer_;
    size_t size_;
    size_t pos_ = 0;
    size_t end_ = 0;
    int depth_ = 0;
    int64_t components_ = 0;  // created or looked up by this read
    int64_t references_ = 0;  // component references recorded by this read
    TComponent* owner_ = nullptr;
    TComponent* parent_ = nullptr;
    TLoadingPhase* phase_ = nullptr;
    std::string prop_name_;     // the name a defined property may consume
    bool consumed_ = true;      // nothing waits for a defined property
    std::string prop_context_;  // object name and path of the entry being read
};

}  // namespace klice
