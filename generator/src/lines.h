// Splits the settings file into lines: CRLF, LF and CR all end a line, the last line may lack an
// ending, and a UTF-8 byte order mark at the very start is skipped.
#pragma once

#include <cstddef>
#include <string_view>

namespace keltrop {

class LineReader {
public:
    explicit LineReader(std::string_view text);

    // The next line without its ending; false when the text is used up.
    bool next(std::string_view& line);
    // Number of the line that next() returned last, counted from 1.
    std::size_t number() const { return number_; }
    // Whether that line contained a NUL byte (the line returned stops before it).
    bool had_nul() const { return had_nul_; }

private:
    const char* pos_;
    const char* end_;
    // The next '\n', '\r' and NUL at or after the position they were looked for from, or end_.
    const char* newline_ = nullptr;
    const char* carriage_return_ = nullptr;
    const char* nul_ = nullptr;

    const char* find_from(const char*& cached, char c, const char* from) const;
    std::size_t number_ = 0;
    bool had_nul_ = false;
};

} // namespace keltrop
