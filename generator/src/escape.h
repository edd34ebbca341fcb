// Spells bytes as the inside of a C++ string literal in pure ASCII: printable ASCII stays as it
// is, '"' and '\' get a backslash, a '?' that follows a '?' is written "\?" (no trigraph can
// form), and every other byte is a three-digit octal escape. The same spelling is safe inside a
// comment: it never ends in a backslash, so no line can be spliced onto the next.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace keltrop {

// Room the spelling of `n` bytes can take at most.
constexpr std::size_t max_escaped_size(std::size_t n) {
    return 4 * n;
}

// Writes the spelling at `out`, which has room for max_escaped_size(bytes.size()); returns the
// end of what was written.
char* escape_to(char* out, std::string_view bytes);

void append_escaped(std::string& out, std::string_view bytes);

} // namespace keltrop
