// Compares a file's bytes, as they are read chunk by chunk, with the pieces of a header, and
// gathers the pieces into chunks for writing: shared by both platforms' file code.
#pragma once

#include "writer.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace keltrop {

std::size_t total_size(const Pieces& pieces);

// Walks through the pieces as through one string.
class PieceCursor {
public:
    explicit PieceCursor(const Pieces& pieces) : pieces_(pieces) {}

    // Whether the next bytes equal `chunk` (and consumes them).
    bool matches(std::string_view chunk);
    // Up to `max` of the next bytes into `out` (replacing it); false at the end.
    bool next(std::string& out, std::size_t max);

private:
    const Pieces& pieces_;
    std::size_t piece_ = 0;
    std::size_t offset_ = 0;
};

} // namespace keltrop
