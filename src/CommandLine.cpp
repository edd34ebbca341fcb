#include "CommandLine.h"

#ifdef _WIN32
#include <windows.h>
#endif

std::string QuoteArgument(const std::string& text, TLeadBytePredicate isLeadByte) {
    std::string quoted = "\"";
    size_t backslashes = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (isLeadByte && isLeadByte(static_cast<unsigned char>(c)) && i + 1 < text.size()) {
            // In code page 932 the second byte may be 0x5C: part of the character, no escape.
            quoted.append(backslashes, '\\');
            backslashes = 0;
            quoted.append(text, i, 2);
            ++i;
            continue;
        }
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

std::string QuoteArgument(const std::string& text) {
#ifdef _WIN32
    return QuoteArgument(text, [](unsigned char c) { return IsDBCSLeadByte(c) != FALSE; });
#else
    return QuoteArgument(text, nullptr);
#endif
}
