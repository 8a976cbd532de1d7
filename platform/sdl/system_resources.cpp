// Unix executables have no resource table of their own: klice_embed_resource
// registers the linked-in files at start-up instead (platform/resources.cpp).
#include "platform/backend.h"

namespace klice::platform::detail {

std::optional<std::span<const uint8_t>> FindSystemResource(int, const std::string&) { return std::nullopt; }

}  // namespace klice::platform::detail
