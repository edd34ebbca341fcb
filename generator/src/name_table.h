// The names declared in each namespace, to find duplicate keys and names that map to the same
// identifier in constant time. Each namespace has a hash table of its own, so that the lookups
// for one section stay within a small, recently used piece of memory.
#pragma once

#include "big_block.h"

#include <cstdint>
#include <string_view>
#include <vector>

namespace keltrop {

// A name as given to find_or_add.
struct NameEntry {
    std::uint32_t scope;         // namespace that holds the name
    std::uint32_t index;         // the namespace's index (namespaces only)
    std::string_view identifier; // the C++ identifier
    std::string_view name;       // as written in the file (one part of a dotted section name)
    std::uint32_t line;          // where it was first given
    bool is_namespace;
};

// A name as the table keeps it: 32 bytes, as there is one for every line of the file.
class StoredName {
public:
    explicit StoredName(const NameEntry& e)
        : identifier_(e.identifier.data()), name_(e.name.data()),
          identifier_size_(static_cast<std::uint32_t>(e.identifier.size())),
          name_size_(static_cast<std::uint32_t>(e.name.size())), line_(e.line),
          index_(e.index << 1 | (e.is_namespace ? 1u : 0u)) {}

    std::string_view identifier() const { return {identifier_, identifier_size_}; }
    std::string_view name() const { return {name_, name_size_}; }
    std::uint32_t line() const { return line_; }
    bool is_namespace() const { return (index_ & 1) != 0; }
    std::uint32_t index() const { return index_ >> 1; }

private:
    const char* identifier_;
    const char* name_;
    std::uint32_t identifier_size_;
    std::uint32_t name_size_;
    std::uint32_t line_;
    std::uint32_t index_;
};

class NameTable {
public:
    // `expected`: about how many names will be added (the table grows past it as needed).
    explicit NameTable(std::size_t expected = 0);

    // The name with the same scope and identifier if there is one; otherwise adds `entry` and
    // returns nullptr. The views must outlive the table; the pointer lives until the next call.
    const StoredName* find_or_add(const NameEntry& entry);

private:
    struct Slot {
        std::uint32_t entry; // index + 1; 0 is empty
        std::uint32_t hash;
    };
    // A namespace's table: a power-of-two run of slots in the shared pool.
    struct Scope {
        std::uint32_t offset = 0;
        std::uint32_t size = 0;
        std::uint32_t count = 0;
    };

    static std::uint32_t hash(std::string_view identifier);
    void grow(Scope& scope);

    std::vector<StoredName, BigAllocator<StoredName>> entries_;
    // All namespaces' slots, zeroed; a table that grows moves to the end and leaves its old run
    // unused.
    BigBlock pool_;
    std::size_t pool_used_ = 0; // slots
    Slot* slots() const { return reinterpret_cast<Slot*>(pool_.data()); }
    std::vector<Scope> scopes_;
    std::uint32_t key_scope_ = 0;   // the scope of the last key
    std::uint32_t keys_before_ = 0; // names in the scope that held keys before that one
};

} // namespace keltrop
