#include "quote.h"

namespace keltrop {

std::string quote(std::string_view text) {
    std::string out = "\"";
    const bool cut = text.size() > max_quoted_length;
    std::string_view shown = text.substr(0, max_quoted_length);
    if (cut) {
        // Dropping every non-ASCII byte at the cut keeps both UTF-8 and double-byte characters
        // whole: a lead byte is never left without its trail byte.
        while (!shown.empty() && static_cast<unsigned char>(shown.back()) >= 0x80) {
            shown.remove_suffix(1);
        }
    }
    for (char c : shown) {
        const unsigned char b = static_cast<unsigned char>(c);
        out += (b < 0x20 || b == 0x7F) ? '?' : c;
    }
    if (cut) {
        out += "...";
    }
    out += '"';
    return out;
}

} // namespace keltrop
