#include "data/component_stream.h"

#include <cstring>

#include "data/reader.h"
#include "data/writer.h"
#include "platform/resources.h"

namespace klice {

void ReadResourceHeader(TStream& stream) {
    // The name may be longer than what fits the first read; the name's own
    // terminator decides where the header ends.
    uint8_t header[80] = {};
    size_t count = stream.Read(header, sizeof header - 1);
    if (header[0] != 0xFF || (header[1] | header[2] << 8) != 10) throw EInvalidImage("Invalid stream format");
    size_t name_length = std::strlen(reinterpret_cast<const char*>(header + 3));
    stream.Seek(static_cast<int64_t>(name_length) + 10 - static_cast<int64_t>(count), SeekOrigin::Current);
}

int64_t WriteResourceHeader(TStream& stream, std::string_view name) {
    uint8_t header[80] = {};
    header[0] = 0xFF;
    header[1] = 10;
    size_t n = 0;
    while (n < name.size() && n < 63 && name[n] != '\0') {
        char c = name[n];
        header[3 + n] = static_cast<uint8_t>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
        ++n;
    }
    size_t size = n + 10;
    header[size - 6] = 0x30;
    header[size - 5] = 0x10;
    stream.WriteBuffer(header, size);
    return stream.Position();
}

void FixupResourceHeader(TStream& stream, int64_t fixup) {
    int64_t end = stream.Position();
    int64_t image_size = end - fixup;
    stream.SetPosition(fixup - 4);
    stream.WriteValue<int32_t>(static_cast<int32_t>(image_size));
    stream.SetPosition(end);
}

TComponent* ReadComponent(TStream& stream, TComponent& root) {
    TReader reader(stream);
    return reader.ReadRootComponent(root);
}

TComponent* ReadComponentRes(TStream& stream, TComponent& root) {
    ReadResourceHeader(stream);
    return ReadComponent(stream, root);
}

TComponent* ReadRootFromBytes(std::span<const uint8_t> bytes, TComponent& root) {
    TBytesViewStream stream(bytes);
    return ReadComponent(stream, root);
}

bool ReadComponentResource(std::string_view resource_name, TComponent& root) {
    auto bytes = platform::FindResource(platform::RT_RCDATA, resource_name);
    if (!bytes) return false;
    ReadRootFromBytes(*bytes, root);
    return true;
}

TComponent* ReadComponentResFile(const std::string& file_name, TComponent& root) {
    TFileStream file(file_name, FileMode::OpenRead);
    return ReadComponentRes(file, root);
}

void WriteComponent(TStream& stream, TComponent& root) {
    TWriter writer(stream);
    writer.WriteRootComponent(root);
    writer.FlushBuffer();
}

void WriteComponentRes(TStream& stream, std::string_view name, TComponent& root) {
    int64_t fixup = WriteResourceHeader(stream, name);
    WriteComponent(stream, root);
    FixupResourceHeader(stream, fixup);
}

void WriteComponentResFile(const std::string& file_name, TComponent& root) {
    TFileStream file(file_name, FileMode::Create);
    WriteComponentRes(file, root.ClassName(), root);
}

}  // namespace klice
