#include "data/type_info.h"

namespace klice {

namespace {

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
bool IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsAsciiDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

bool SameText(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
    return true;
}

bool IsValidIdent(std::string_view name) {
    if (name.empty() || !(IsAsciiLetter(name[0]) || name[0] == '_')) return false;
    for (char c : name)
        if (!(IsAsciiLetter(c) || IsAsciiDigit(c) || c == '_')) return false;
    return true;
}

// ---------------------------------------------------------------------------

int TTypeInfo::MemberIndex(std::string_view name) const {
    for (size_t i = 0; i < members_.size(); ++i)
        if (SameText(members_[i], name)) return static_cast<int>(i);
    return -1;
}

std::string TTypeInfo::MemberName(int64_t ordinal) const {
    if (ordinal < 0 || ordinal >= static_cast<int64_t>(members_.size())) return {};
    return members_[static_cast<size_t>(ordinal)];
}

std::optional<int32_t> TTypeInfo::IdentToInt(std::string_view ident) const {
    for (const TIdentMapEntry& e : idents_)
        if (SameText(e.name, ident)) return e.value;
    return std::nullopt;
}

const char* TTypeInfo::IntToIdent(int32_t value) const {
    for (const TIdentMapEntry& e : idents_)
        if (e.value == value) return e.name;
    return nullptr;
}

const TTypeInfo& BooleanType() {
    static const TTypeInfo type("Boolean", std::vector<std::string>{"False", "True"});
    return type;
}

}  // namespace klice
