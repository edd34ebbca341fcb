// Building the generator's command line.
#pragma once

#include <string>

// Tells whether a byte starts a two-byte character of the code page the text is in.
using TLeadBytePredicate = bool (*)(unsigned char);

// The argument in double quotes so that a program's C runtime reads it back as exactly one
// argument with these bytes. Backslashes that would precede a quote (a trailing "D:\") are
// doubled and inner quotes escaped; any other text is only enclosed: "x" -> "\"x\"".
// The second byte of a double-byte character is never taken for a backslash or a quote.
std::string QuoteArgument(const std::string& text, TLeadBytePredicate isLeadByte);

// The same in the system's ANSI code page, the one CreateProcessA reads the command line in.
std::string QuoteArgument(const std::string& text);
