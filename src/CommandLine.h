// Building the generator's command line.
#pragma once

#include <string>

// The argument in double quotes so that a program's C runtime reads it back as exactly one
// argument with these bytes. Backslashes that would precede a quote (a trailing "D:\") are
// doubled and inner quotes escaped; any other text is only enclosed: "x" -> "\"x\"".
std::string QuoteArgument(const std::string& text);
