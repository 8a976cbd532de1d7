// Resources from the executable's own resource table, compiled in by the
// resource compiler (see klice_embed_resource).
#include "platform/backend.h"
#include "platform/win32/win32.h"

namespace klice::platform::detail {

std::optional<std::span<const uint8_t>> FindSystemResource(int type, const std::string& name) {
    // A loaded resource stays mapped for the module's life: no unlock, no free.
    HMODULE module = ::GetModuleHandleW(nullptr);
    HRSRC found = ::FindResourceA(module, name.c_str(), MAKEINTRESOURCEA(type));
    if (!found) return std::nullopt;
    HGLOBAL loaded = ::LoadResource(module, found);
    const void* bytes = loaded ? ::LockResource(loaded) : nullptr;
    if (!bytes) return std::nullopt;
    return std::span<const uint8_t>(static_cast<const uint8_t*>(bytes), ::SizeofResource(module, found));
}

}  // namespace klice::platform::detail
