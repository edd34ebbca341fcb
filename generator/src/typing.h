// Gives a value of the settings file its C++ type.
//
// Unquoted values: decimal integers with an optional sign, or 0x hex, become int when they fit
// 32-bit signed, unsigned int when they fit 32-bit unsigned, else long long or unsigned long long;
// decimal numbers with a point or an exponent become double; true and false in any case become
// bool; anything else, the empty value included, is a string. A value that starts with a double
// quote is a string, taken between that quote and the last one.
#pragma once

#include "value.h"

#include <string>
#include <string_view>

namespace keltrop {

// Longest string value a C++ compiler must accept as one literal.
constexpr std::size_t max_string_length = 65535;

// Types `text` (already trimmed of blanks). On failure returns false and sets `error`.
bool type_value(std::string_view text, Value& value, std::string& error);

} // namespace keltrop
