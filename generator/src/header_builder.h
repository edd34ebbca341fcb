// What the parser hands the header's writer while it reads: namespaces as they are first named
// and constants as they come, each into a namespace.
#pragma once

#include "value.h"

#include <cstdint>
#include <string_view>

namespace keltrop {

class HeaderBuilder {
public:
    // The namespace of the whole file.
    static constexpr std::uint32_t file_level = 0;

    virtual ~HeaderBuilder() = default;
    // A new namespace nested in `parent`, after what `parent` holds so far; returns its number
    // (1, 2, ... in the order of the calls).
    virtual std::uint32_t add_namespace(std::uint32_t parent, std::string_view identifier) = 0;
    // A constant at the end of namespace `ns`.
    virtual void add_constant(std::uint32_t ns, std::string_view identifier,
                              const Value& value) = 0;
};

} // namespace keltrop
