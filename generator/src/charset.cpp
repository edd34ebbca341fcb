#include "charset.h"

namespace keltrop {

std::size_t single_byte_char_length(std::string_view, std::size_t) {
    return 1;
}

std::size_t utf8_char_length(std::string_view s, std::size_t i) {
    const unsigned char lead = static_cast<unsigned char>(s[i]);
    std::size_t n = 1;
    if (lead >= 0xC2 && lead <= 0xDF) {
        n = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        n = 3;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        n = 4;
    }
    if (i + n > s.size()) {
        return 1;
    }
    for (std::size_t k = 1; k < n; ++k) {
        if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) {
            return 1;
        }
    }
    return n;
}

} // namespace keltrop
