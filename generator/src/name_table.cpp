#include "name_table.h"

#include <cstring>

namespace keltrop {
namespace {

constexpr std::uint32_t smallest_table = 8;
constexpr std::uint32_t largest_first_table = 64;

} // namespace

NameTable::NameTable(std::size_t expected) {
    entries_.reserve(expected);
    // Two slots a name to start with; the pool doubles when tables need more.
    pool_ = BigBlock((expected * 2 + largest_first_table) * sizeof(Slot), true);
}

std::uint32_t NameTable::hash(std::string_view identifier) {
    // Eight bytes at a time, each word mixed in by a multiplication; the last word overlaps the
    // one before (or, for a short name, is put together byte by byte).
    const char* p = identifier.data();
    const std::size_t n = identifier.size();
    std::uint64_t h = 0x9E3779B97F4A7C15u ^ n;
    std::uint64_t w = 0;
    if (n >= 8) {
        for (std::size_t i = 0; i + 8 < n; i += 8) {
            std::memcpy(&w, p + i, 8);
            h = (h ^ w) * 0xBF58476D1CE4E5B9u;
            h ^= h >> 31;
        }
        std::memcpy(&w, p + n - 8, 8);
    } else {
        for (std::size_t i = 0; i < n; ++i) {
            w |= static_cast<std::uint64_t>(static_cast<unsigned char>(p[i])) << (8 * i);
        }
    }
    h = (h ^ w) * 0x94D049BB133111EBu;
    h ^= h >> 29;
    h *= 0xBF58476D1CE4E5B9u;
    return static_cast<std::uint32_t>(h >> 32);
}

void NameTable::grow(Scope& scope) {
    std::uint32_t size = scope.size * 2;
    if (scope.size == 0) {
        // Sections tend to be alike: a new table starts with room for as many keys as the
        // section before had, up to a limit, so that most tables never grow.
        size = smallest_table;
        while (size < 2 * (keys_before_ + 1) && size < largest_first_table) {
            size *= 2;
        }
    }
    if ((pool_used_ + size) * sizeof(Slot) > pool_.size()) {
        BigBlock bigger(2 * (pool_used_ + size) * sizeof(Slot), true);
        std::memcpy(bigger.data(), pool_.data(), pool_used_ * sizeof(Slot));
        pool_ = std::move(bigger);
    }
    const std::uint32_t offset = static_cast<std::uint32_t>(pool_used_);
    pool_used_ += size;
    Slot* const fresh = slots() + offset;
    for (std::uint32_t k = 0; k < scope.size; ++k) {
        const Slot s = slots()[scope.offset + k];
        if (s.entry != 0) {
            std::uint32_t i = s.hash & (size - 1);
            while (fresh[i].entry != 0) {
                i = (i + 1) & (size - 1);
            }
            fresh[i] = s;
        }
    }
    scope.offset = offset;
    scope.size = size;
}

const StoredName* NameTable::find_or_add(const NameEntry& entry) {
    if (entry.scope >= scopes_.size()) {
        scopes_.resize(entry.scope + 1);
    }
    if (!entry.is_namespace && entry.scope != key_scope_) {
        keys_before_ = scopes_[key_scope_].count;
        key_scope_ = entry.scope;
    }
    Scope& scope = scopes_[entry.scope];
    if ((scope.count + 1) * 2 > scope.size) {
        grow(scope);
    }
    const std::uint32_t h = hash(entry.identifier);
    Slot* const table = slots() + scope.offset;
    const std::uint32_t mask = scope.size - 1;
    std::uint32_t i = h & mask;
    while (table[i].entry != 0) {
        if (table[i].hash == h) {
            const StoredName& e = entries_[table[i].entry - 1];
            if (e.identifier() == entry.identifier) {
                return &e;
            }
        }
        i = (i + 1) & mask;
    }
    entries_.emplace_back(entry);
    table[i] = Slot{static_cast<std::uint32_t>(entries_.size()), h};
    ++scope.count;
    return nullptr;
}

} // namespace keltrop
