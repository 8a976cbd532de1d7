// Resources linked into the executable, found by type and name like the
// system's resource table. The build embeds files with klice_embed_resource
// (cmake/klice.cmake), whose generated object registers each one at start-up.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace klice::platform {

inline constexpr int RT_RCDATA = 10;

// Adds (or replaces) a resource. The bytes are not copied: they must live for
// the whole run (linked data does). Names compare ignoring ASCII case.
void RegisterResource(int type, std::string_view name, std::span<const uint8_t> data);
std::optional<std::span<const uint8_t>> FindResource(int type, std::string_view name);

// Registers a resource from a static initializer.
struct ResourceRegistration {
    ResourceRegistration(int type, std::string_view name, std::span<const uint8_t> data) {
        RegisterResource(type, name, data);
    }
};

}  // namespace klice::platform
