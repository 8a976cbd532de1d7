// Resources registered at run time (the linked-in ones on Unix desktops, and
// any a test adds), then the system's own resource table.
#include "platform/resources.h"

#include <string>
#include <vector>

#include "platform/backend.h"

namespace klice::platform {

namespace {

struct Entry {
    int type;
    std::string name;  // upper case
    std::span<const uint8_t> data;
};

// A function-local table: registrations run from static initializers of
// other objects, in any order.
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
    return detail::FindSystemResource(type, key);
}

}  // namespace klice::platform
