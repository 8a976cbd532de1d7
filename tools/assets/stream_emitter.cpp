#include "tools/assets/stream_emitter.h"

#include <stdexcept>

#include "data/component_stream.h"

namespace klice::assets {

StreamEmitter::StreamEmitter() : writer_(std::make_unique<TWriter>(stream_)) {}

StreamEmitter::~StreamEmitter() = default;

std::vector<uint8_t> StreamEmitter::Take() {
    writer_->FlushBuffer();
    writer_.reset();
    return std::move(stream_.Bytes());
}

void StreamEmitter::Integer(int64_t v) {
    if (v < INT32_MIN || v > INT32_MAX) throw std::out_of_range("integer outside 32 bits");
    writer_->WriteInteger(v);
}

void StreamEmitter::String(std::string_view s) { writer_->WriteString(std::string(s)); }

void StreamEmitter::Ident(std::string_view s) { writer_->WriteIdent(std::string(s)); }

void StreamEmitter::Binary(std::span<const uint8_t> data) {
    writer_->WriteBinary([data](TStream& block) { block.WriteBuffer(data.data(), data.size()); });
}

void StreamEmitter::Set(const std::vector<std::string>& members) {
    writer_->WriteValue(TValueType::vaSet);
    for (const std::string& m : members) writer_->WriteStr(m);
    writer_->WriteStr("");
}

void StreamEmitter::ComponentHead(std::string_view class_name, std::string_view name) {
    ShortString(class_name);
    ShortString(name);
}

std::vector<uint8_t> resource_header(std::string_view name, uint32_t stream_size) {
    TMemoryStream out;
    const int64_t fixup = WriteResourceHeader(out, name);
    std::vector<uint8_t> filler(stream_size, 0);
    out.WriteBuffer(filler.data(), filler.size());
    FixupResourceHeader(out, fixup);
    std::vector<uint8_t> header = out.Bytes();
    header.resize(header.size() - stream_size);
    return header;
}

}  // namespace klice::assets
