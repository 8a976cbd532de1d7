// Names and the type information of published properties: the identifier
// tables of integer types (colours), the members of enumerations, and sets
// over an enumeration.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace klice {

// ASCII letters compared without case, as names of classes, properties and
// components are compared.
bool SameText(std::string_view a, std::string_view b);
// A letter or "_", then letters, digits or "_".
bool IsValidIdent(std::string_view name);

struct TIdentMapEntry {
    int32_t value;
    const char* name;
};

// What a property's type tells the stream: the identifier table of an integer
// type (colours), or the member names of an enumeration or of the enumeration
// a set is built over (bit i is member i).
class TTypeInfo {
public:
    TTypeInfo(std::string name, std::vector<std::string> members)
        : name_(std::move(name)), members_(std::move(members)) {}
    TTypeInfo(std::string name, std::span<const TIdentMapEntry> idents) : name_(std::move(name)), idents_(idents) {}

    const std::string& Name() const { return name_; }
    const std::vector<std::string>& Members() const { return members_; }
    std::span<const TIdentMapEntry> Idents() const { return idents_; }

    // Ordinal of the member of that name (letter case ignored), or -1.
    int MemberIndex(std::string_view name) const;
    // Name of the member with that ordinal, or "" outside the members.
    std::string MemberName(int64_t ordinal) const;
    // Value of an identifier of the table (letter case ignored).
    std::optional<int32_t> IdentToInt(std::string_view ident) const;
    // Identifier of a value, or nullptr when the table has none.
    const char* IntToIdent(int32_t value) const;

private:
    std::string name_;
    std::vector<std::string> members_;
    std::span<const TIdentMapEntry> idents_;
};

// The enumeration False, True.
const TTypeInfo& BooleanType();

// A set over an enumeration with at most 32 members, held as bits.
template <class E>
class TSet {
public:
    constexpr TSet() = default;
    constexpr TSet(std::initializer_list<E> members) {
        for (E m : members) bits_ |= Bit(m);
    }
    static constexpr TSet FromBits(uint32_t bits) {
        TSet s;
        s.bits_ = bits;
        return s;
    }
    constexpr uint32_t Bits() const { return bits_; }
    constexpr bool Contains(E m) const { return (bits_ & Bit(m)) != 0; }
    constexpr bool Empty() const { return bits_ == 0; }
    constexpr TSet& Include(E m) {
        bits_ |= Bit(m);
        return *this;
    }
    constexpr TSet& Exclude(E m) {
        bits_ &= ~Bit(m);
        return *this;
    }
    constexpr TSet operator|(TSet o) const { return FromBits(bits_ | o.bits_); }   // union
    constexpr TSet operator&(TSet o) const { return FromBits(bits_ & o.bits_); }   // intersection
    constexpr TSet operator-(TSet o) const { return FromBits(bits_ & ~o.bits_); }  // difference
    constexpr bool operator==(const TSet&) const = default;

private:
    static constexpr uint32_t Bit(E m) { return uint32_t(1) << static_cast<unsigned>(m); }
    uint32_t bits_ = 0;
};

}  // namespace klice
