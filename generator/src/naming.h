// Turns section and key names into C++ identifiers.
//
// ASCII letters, digits and '_' are kept; every other ASCII character becomes '_'; a run of '_'
// becomes one '_' (so that no "__" appears); a name that starts with a digit gets a '_' in front
// and one that starts with '_' and a capital letter an 'x'; a C++ keyword (C++20's list,
// alternative tokens included) or a macro name that compilers or the C library define gets a '_' at
// its end. A name with non-ASCII bytes is an error. The namespace made from the file's name follows
// the same rules, except that each non-ASCII byte becomes 'x' and two hex digits, and that it is at
// global scope, where a leading '_' is reserved too: there both a digit and '_' at the start get an
// 'x'.
#pragma once

#include <string>
#include <string_view>

namespace keltrop {

// Identifier for a section or key name. False if the name has non-ASCII bytes.
bool name_to_identifier(std::string_view name, std::string& identifier);

// Whether `name` is already the identifier name_to_identifier() would make of it.
bool is_plain_identifier(std::string_view name);

// Identifier of the namespace that holds the whole header, from the file's base name.
std::string file_to_identifier(std::string_view stem);

// Include guard for the header: "KELTROP_" and the file's identifier in capitals, then "_H".
std::string include_guard(std::string_view stem);

} // namespace keltrop
