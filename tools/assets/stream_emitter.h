// Writes the component stream of a description through the game's own
// stream writer: tagged values, property entries, component records, and
// the resource header of the picture files.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "data/stream.h"
#include "data/writer.h"

namespace klice::assets {

class StreamEmitter {
public:
    StreamEmitter();
    ~StreamEmitter();
    // The bytes written so far; the emitter is spent afterwards.
    std::vector<uint8_t> Take();

    void Signature() { writer_->WriteSignature(); }
    void Byte(uint8_t b) { writer_->Write(&b, 1); }
    void ShortString(std::string_view s) { writer_->WriteStr(std::string(s)); }

    // Values.
    void Integer(int64_t v);          // the smallest of tags 2, 3, 4 that holds it
    void String(std::string_view s);  // tag 6 up to 255 bytes, tag 12 beyond
    void Ident(std::string_view s);   // tag 7; True, False and nil get their own tags
    void Binary(std::span<const uint8_t> data);
    void Set(const std::vector<std::string>& members);
    void EndOfList() { writer_->WriteListEnd(); }

    // A component record's head: class name and component name.
    void ComponentHead(std::string_view class_name, std::string_view name);
    // A property entry's path; the value follows.
    void PropertyPath(std::string_view path) { ShortString(path); }
    void CollectionBegin() { writer_->WriteValue(TValueType::vaCollection); }
    void ItemBegin() { writer_->WriteListBegin(); }

private:
    TMemoryStream stream_;
    std::unique_ptr<TWriter> writer_;
};

// The header before a picture file's stream: 0xFF, type 10, the name in upper
// case with a zero byte, flags 0x1030 and the stream's size.
std::vector<uint8_t> resource_header(std::string_view name, uint32_t stream_size);

}  // namespace klice::assets
