#include "CommandLine.h"

std::string QuoteArgument(const std::string& text) {
    std::string quoted = "\"";
    size_t backslashes = 0;
    for (const char c : text) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        // Backslashes count as escapes only in front of a quote.
        quoted.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
        backslashes = 0;
        quoted += c;
    }
    quoted.append(backslashes * 2, '\\');
    quoted += '"';
    return quoted;
}
