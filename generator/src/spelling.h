// How each line of the header is spelt: the first lines and the last, a namespace's opening and
// closing lines, and a constant. Shared by the header's two writers (writer.h, header_stream.h),
// so that both give the same bytes.
#pragma once

#include "value.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace keltrop {

// The comment naming the settings file, the include guard and the opening of the namespace of
// the whole file; and the end of both.
std::string spell_prologue(std::string_view source_name, std::string_view stem);
std::string spell_epilogue(std::string_view stem);

// "namespace X {" and "}  // namespace X", each a line indented to `depth`.
std::string spell_open(std::size_t depth, std::string_view identifier);
std::string spell_close(std::size_t depth, std::string_view identifier);

// Room the constant's line can take at most, and the line itself written at `out`; returns the
// end of what was written.
std::size_t max_constant_size(std::size_t depth, std::string_view identifier, const Value& value);
char* spell_constant(char* out, std::size_t depth, std::string_view identifier, const Value& value);

} // namespace keltrop
