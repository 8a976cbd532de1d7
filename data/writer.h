// TWriter: writes components as a component stream that TReader reads back
// to the same objects: records of class name, name, property list (paths
// with tagged values, published properties in registration order, then the
// object's defined properties) and child list.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "data/filer.h"
#include "data/persistent.h"
#include "data/reader.h"
#include "data/stream.h"

namespace klice {

class TWriter : public TFiler {
public:
    explicit TWriter(TStream& stream, size_t buffer_size = kReaderBufferSize);
    // Flushes what is still buffered.
    ~TWriter() override;
    TWriter(const TWriter&) = delete;
    TWriter& operator=(const TWriter&) = delete;

    // Signature and the root record.
    void WriteRootComponent(TComponent& root);
    void WriteSignature();
    void WriteComponent(TComponent& component);
    void WritePrefix(uint8_t flags, int32_t child_pos);
    // The property entries of instance (not the closing 0).
    void WriteProperties(TPersistent& instance);
    void WriteProperty(TPersistent& instance, const TPropInfo& prop);
    // A collection value, tag included.
    void WriteCollection(const TCollection& collection);

    void DefineProperty(const std::string& name, ReaderProc read, WriterProc write, bool has_data) override;
    void DefineBinaryProperty(const std::string& name, StreamProc read, StreamProc write, bool has_data) override;

    // Value routines, for objects' own write routines.
    void WriteValue(TValueType tag);
    void WriteListBegin() { WriteValue(TValueType::vaList); }
    void WriteListEnd() { WriteValue(TValueType::vaNull); }
    // The smallest of the tags 2, 3, 4 and 19 that holds the value.
    void WriteInteger(int64_t value);
    void WriteFloat(double value);  // tag 5
    void WriteSingle(float value);
    void WriteCurrency(int64_t scaled);  // scaled by 10000
    void WriteDate(double value);
    // Tag 6 up to 255 bytes, else tag 12.
    void WriteString(const std::string& value);
    void WriteWideString(const std::u16string& value);  // tag 18
    void WriteUtf8String(const std::string& utf8);      // tag 20
    // False, True, Null and nil become tags 8, 9, 0 and 13; others tag 7.
    void WriteIdent(const std::string& ident);
    void WriteBoolean(bool value);
    void WriteChar(char value);
    void WriteSet(uint32_t bits, const TTypeInfo& members);
    // A short string without tag; longer than 255 bytes raises EWriteError.
    void WriteStr(const std::string& value);
    // A binary block filled by fill.
    void WriteBinary(const StreamProc& fill);
    void Write(const void* buffer, size_t count);
    // The property path of the next entry: the current prefix and name.
    void WritePropName(const std::string& name);

    void FlushBuffer();
    int64_t Position() const;

private:
    std::string ComponentPath(const TComponent* component) const;

    TStream& stream_;
    std::unique_ptr<uint8_t[]> buffer_;
    size_t size_;
    size_t pos_ = 0;
    std::string prop_path_;
};

}  // namespace klice
