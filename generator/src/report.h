// The report on standard output. The front end shows only its first 1023 bytes, so the verdict is
// the first line and everything is kept short: ten errors at most, names cut in the middle.
// Lines end in '\n' (the C runtime's text mode makes that "\r\n" on Windows).
#pragma once

#include "charset.h"
#include "diagnostics.h"

#include <string>
#include <string_view>

namespace keltrop {

// Longest base name and path shown; longer ones lose their middle.
constexpr std::size_t max_shown_name = 64;
constexpr std::size_t max_shown_path = 200;

// `text` shown in at most `max` bytes: control bytes as '?', a long one cut in its middle to
// "head...tail" at character boundaries.
std::string shorten(std::string_view text, std::size_t max, CharLength length);

// "app.ini -> app.h: 3 sections, 12 constants" (", unchanged" when the header was already so).
std::string success_report(std::string_view source, std::string_view header, std::size_t sections,
                           std::size_t constants, bool unchanged, CharLength length);

// "app.ini: 2 errors, app.h not written", then one line per error as compilers write them
// ("app.ini:7: error: ..."), then "and N more errors" past the tenth.
std::string error_report(std::string_view source, std::string_view header,
                         const Diagnostics& errors, CharLength length);

// "keltrop: error: " and the message, for usage and file errors.
std::string failure_report(std::string_view message);

} // namespace keltrop
