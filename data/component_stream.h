// Whole reads and writes of component streams, in their two forms: plain
// (starting with "TPF0", as the window resource) and resource-headed (the
// .dat files: 0xFF, type 10, the upper-case name, flags 0x1030, data size,
// then the plain form).
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "data/persistent.h"
#include "data/stream.h"

namespace klice {

// Checks and skips a resource header at the stream's position; anything
// but marker 0xFF and type 10 raises EInvalidImage "Invalid stream format".
void ReadResourceHeader(TStream& stream);
// Writes a header for name (upper-cased, at most 63 characters) with a
// data size of 0; returns what FixupResourceHeader needs to fill it in.
int64_t WriteResourceHeader(TStream& stream, std::string_view name);
// Fills in the data size: everything written since the header.
void FixupResourceHeader(TStream& stream, int64_t fixup);

// A plain stream into root; the stream stands after the last byte used.
TComponent* ReadComponent(TStream& stream, TComponent& root);
// A resource-headed stream into root.
TComponent* ReadComponentRes(TStream& stream, TComponent& root);
// A plain stream held in memory (an embedded resource).
TComponent* ReadRootFromBytes(std::span<const uint8_t> bytes, TComponent& root);
// The RCDATA resource of that name into root; false, and root untouched,
// when the program has no such resource.
bool ReadComponentResource(std::string_view resource_name, TComponent& root);
// A resource-headed file into root (opened for reading, other writers shut out).
TComponent* ReadComponentResFile(const std::string& file_name, TComponent& root);

// The plain form of root and everything below it.
void WriteComponent(TStream& stream, TComponent& root);
// The resource-headed form under name.
void WriteComponentRes(TStream& stream, std::string_view name, TComponent& root);
// A resource-headed file named after root's class.
void WriteComponentResFile(const std::string& file_name, TComponent& root);

}  // namespace klice
