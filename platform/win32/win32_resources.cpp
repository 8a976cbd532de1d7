// Resources from the executable's own resource table (compiled in by the
// resource compiler, see klice_embed_resource), plus those registered at
// run time, which come first.
#include <string>
#include <vector>

#include "platform/resources.h"
#include "platform/win32/win32.h"

namespace klice::platform {

namespace {

struct Entry {
    int type;
    std::string name;  // upper case
    std::span<const uint8_t> data;
};

std::vector<Entry>& Table() {
    static std::vector<Entry> table;
    return table;
}

std::string Upper(std::string_view name) {
    std::string s(name);
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
    return s;
}

}  // namespace

void RegisterResource(int type, std::string_view name, std::span<const uint8_t> data) {
    std::string key = Upper(name);
    for (Entry& e : Table())
        if (e.type == type && e.name == key) {
            e.data = data;
            return;
        }
    Table().push_back(Entry{type, std::move(key), data});
}

std::optional<std::span<const uint8_t>> FindResource(int type, std::string_view name) {
    std::string key = Upper(name);
    for (const Entry& e : Table())
        if (e.type == type && e.name == key) return e.data;
    // A loaded resource stays mapped for the module's life: no unlock, no free.
    HMODULE module = ::GetModuleHandleW(nullptr);
    HRSRC found = ::FindResourceA(module, key.c_str(), MAKEINTRESOURCEA(type));
    if (!found) return std::nullopt;
    HGLOBAL loaded = ::LoadResource(module, found);
    const void* bytes = loaded ? ::LockResource(loaded) : nullptr;
    if (!bytes) return std::nullopt;
    return std::span<const uint8_t>(static_cast<const uint8_t*>(bytes), ::SizeofResource(module, found));
}

}  // namespace klice::platform
