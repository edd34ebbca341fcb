#include "name_table.h"

namespace keltrop {

NameTable::NameTable(std::size_t expected) { entries_.reserve(expected); }

std::uint32_t NameTable::hash(std::string_view identifier) {
    // FNV-1a, then a final mix so that the low bits depend on every byte.
    std::uint64_t h = 0xCBF29CE484222325u;
    for (char c : identifier) {
        h = (h ^ static_cast<unsigned char>(c)) * 0x100000001B3u;
    }
    h ^= h >> 32;
    h *= 0x9E3779B97F4A7C15u;
    return static_cast<std::uint32_t>(h >> 32);
}

void NameTable::grow(Scope& scope) {
    std::vector<Slot> slots(scope.slots.empty() ? 64 : scope.slots.size() * 2, Slot{0, 0});
    const std::size_t mask = slots.size() - 1;
    for (const Slot& s : scope.slots) {
        if (s.entry != 0) {
            std::size_t i = s.hash & mask;
            while (slots[i].entry != 0) {
                i = (i + 1) & mask;
            }
            slots[i] = s;
        }
    }
    scope.slots.swap(slots);
}

const StoredName* NameTable::find_or_add(const NameEntry& entry) {
    if (entry.scope >= scopes_.size()) {
        scopes_.resize(entry.scope + 1);
    }
    Scope& scope = scopes_[entry.scope];
    if ((scope.count + 1) * 2 > scope.slots.size()) {
        grow(scope);
    }
    const std::uint32_t h = hash(entry.identifier);
    const std::size_t mask = scope.slots.size() - 1;
    std::size_t i = h & mask;
    while (scope.slots[i].entry != 0) {
        if (scope.slots[i].hash == h) {
            const StoredName& e = entries_[scope.slots[i].entry - 1];
            if (e.identifier() == entry.identifier) {
                return &e;
            }
        }
        i = (i + 1) & mask;
    }
    entries_.emplace_back(entry);
    scope.slots[i] = Slot{static_cast<std::uint32_t>(entries_.size()), h};
    ++scope.count;
    return nullptr;
}

} // namespace keltrop
