#include "lines.h"

#include <cstring>

namespace keltrop {

LineReader::LineReader(std::string_view text) : pos_(text.data()), end_(text.data() + text.size()) {
    if (text.size() >= 3 && std::memcmp(text.data(), "\xEF\xBB\xBF", 3) == 0) {
        pos_ += 3;
    }
}

bool LineReader::next(std::string_view& line) {
    if (pos_ >= end_) {
        return false;
    }
    const char* start = pos_;
    // Most lines end in '\n' with no '\r' or NUL before it: find that end fast, then look inside.
    // The '\n' found is kept: with CR line endings it lies far ahead and is found only once.
    if (newline_ < start) {
        const void* nl = std::memchr(start, '\n', static_cast<std::size_t>(end_ - start));
        newline_ = nl != nullptr ? static_cast<const char*>(nl) : end_;
    }
    const char* p = newline_;
    for (const char* q = start; q < p; ++q) {
        if (*q == '\r' || *q == '\0') {
            p = q;
            break;
        }
    }
    const char* stop = p;
    had_nul_ = false;
    if (p < end_ && *p == '\0') {
        had_nul_ = true;
        while (p < end_ && *p != '\n' && *p != '\r') {
            ++p;
        }
    }
    if (p < end_) {
        if (*p == '\r' && p + 1 < end_ && p[1] == '\n') {
            p += 2;
        } else {
            ++p;
        }
    }
    pos_ = p;
    ++number_;
    line = std::string_view(start, static_cast<std::size_t>(stop - start));
    return true;
}

} // namespace keltrop
