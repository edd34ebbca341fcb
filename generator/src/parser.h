// Reads a settings file and hands its namespaces and constants to a header builder:
// - blank lines and lines whose first non-blank character is ';' or '#' are ignored;
// - "[Name]" starts a section, "[A.B]" a section B nested in A; a section given again adds to it;
// - "key = value" defines a constant of the current section (of the file level before the first
//   section); blanks around the key and the value are trimmed.
// Names become identifiers (naming.h), values get their types (typing.h), and each constant goes
// to the header builder as it is read. Every error is recorded with its line; parsing goes on to
// find the others (the header is then of no use).
#pragma once

#include "diagnostics.h"
#include "header_builder.h"

#include <cstddef>
#include <string_view>

namespace keltrop {

// Deepest nesting of a dotted section name.
constexpr std::size_t max_section_depth = 64;

struct ParseCounts {
    std::size_t sections = 0; // distinct sections named by a [section] line
    std::size_t constants = 0;
    bool has_64_bit = false; // needs C++11 or later (long long)
};

void parse(std::string_view text, HeaderBuilder& builder, ParseCounts& counts,
           Diagnostics& diagnostics);

} // namespace keltrop
