// How many bytes the character at a position takes, for the code page a path or name is in.
// Paths are split and shortened only at character boundaries, so that a double-byte character
// whose second byte is 0x5C ('\') is never taken for a separator or cut in half.
#pragma once

#include <cstddef>
#include <string_view>

namespace keltrop {

// Length in bytes (at least 1, never past the end) of the character that starts at s[i].
using CharLength = std::size_t (*)(std::string_view s, std::size_t i);

// Every byte is one character (cp1252 and other single-byte code pages).
std::size_t single_byte_char_length(std::string_view s, std::size_t i);

// UTF-8: a well-formed sequence is one character; a stray byte is one character of its own.
std::size_t utf8_char_length(std::string_view s, std::size_t i);

} // namespace keltrop
