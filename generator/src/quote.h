// Quotes a name or value from the settings file for a message of the report: in double quotes,
// control bytes shown as '?', and cut to a few dozen bytes (never inside a multi-byte character)
// so that ten messages fit in what the front end shows.
#pragma once

#include <string>
#include <string_view>

namespace keltrop {

constexpr std::size_t max_quoted_length = 32;

std::string quote(std::string_view text);

} // namespace keltrop
