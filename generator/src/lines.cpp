#include "lines.h"

#include <algorithm>
#include <cstring>

namespace keltrop {

LineReader::LineReader(std::string_view text) : pos_(text.data()), end_(text.data() + text.size()) {
    if (text.size() >= 3 && std::memcmp(text.data(), "\xEF\xBB\xBF", 3) == 0) {
        pos_ += 3;
    }
}

const char* LineReader::find_from(const char*& cached, char c, const char* from) const {
    if (cached < from) {
        const void* found = std::memchr(from, c, static_cast<std::size_t>(end_ - from));
        cached = found != nullptr ? static_cast<const char*>(found) : end_;
    }
    return cached;
}

bool LineReader::next(std::string_view& line) {
    if (pos_ >= end_) {
        return false;
    }
    const char* start = pos_;
    // Each kind of line end (and NUL) is found with memchr and kept until passed, so the text is
    // searched once for each, whatever mixture of endings it has.
    const char* p = find_from(newline_, '\n', start);
    p = std::min(p, find_from(carriage_return_, '\r', start));
    p = std::min(p, find_from(nul_, '\0', start));
    const char* stop = p;
    had_nul_ = false;
    if (p < end_ && *p == '\0') {
        had_nul_ = true;
        p = std::min(newline_, carriage_return_);
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
