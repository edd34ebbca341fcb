#include "escape.h"

namespace keltrop {

namespace {

// How each byte is spelt: 0 as it is, 1 after a backslash, 2 in octal; '?' is 3 (as it is, or
// after a backslash when it follows a '?').
struct Classes {
    unsigned char of[256];
    constexpr Classes() : of() {
        for (int b = 0; b < 256; ++b) {
            of[b] = (b >= 0x20 && b < 0x7F) ? 0 : 2;
        }
        of[static_cast<unsigned char>('"')] = 1;
        of[static_cast<unsigned char>('\\')] = 1;
        of[static_cast<unsigned char>('?')] = 3;
    }
};
constexpr Classes classes;

} // namespace

char* escape_to(char* out, std::string_view bytes) {
    char previous = 0;
    for (const char c : bytes) {
        const unsigned char b = static_cast<unsigned char>(c);
        const unsigned char cls = classes.of[b];
        if (cls == 0 || (cls == 3 && previous != '?')) {
            *out++ = c;
        } else if (cls != 2) {
            *out++ = '\\';
            *out++ = c;
        } else {
            *out++ = '\\';
            *out++ = static_cast<char>('0' + (b >> 6));
            *out++ = static_cast<char>('0' + ((b >> 3) & 7));
            *out++ = static_cast<char>('0' + (b & 7));
        }
        previous = c;
    }
    return out;
}

void append_escaped(std::string& out, std::string_view bytes) {
    const std::size_t start = out.size();
    out.resize(start + max_escaped_size(bytes.size()));
    char* const end = escape_to(&out[start], bytes);
    out.resize(static_cast<std::size_t>(end - out.data()));
}

} // namespace keltrop
