#include "content.h"

#include <cstring>

namespace keltrop {

std::size_t total_size(const Pieces& pieces) {
    std::size_t n = 0;
    for (std::string_view p : pieces) {
        n += p.size();
    }
    return n;
}

bool PieceCursor::matches(std::string_view chunk) {
    while (!chunk.empty()) {
        if (piece_ == pieces_.size()) {
            return false;
        }
        const std::string_view rest = pieces_[piece_].substr(offset_);
        const std::size_t n = rest.size() < chunk.size() ? rest.size() : chunk.size();
        if (std::memcmp(rest.data(), chunk.data(), n) != 0) {
            return false;
        }
        chunk.remove_prefix(n);
        offset_ += n;
        if (offset_ == pieces_[piece_].size()) {
            ++piece_;
            offset_ = 0;
        }
    }
    return true;
}

bool PieceCursor::next(std::string& out, std::size_t max) {
    out.clear();
    while (out.size() < max && piece_ < pieces_.size()) {
        const std::string_view rest = pieces_[piece_].substr(offset_);
        const std::size_t n = rest.size() < max - out.size() ? rest.size() : max - out.size();
        out.append(rest.data(), n);
        offset_ += n;
        if (offset_ == pieces_[piece_].size()) {
            ++piece_;
            offset_ = 0;
        }
    }
    return !out.empty();
}

} // namespace keltrop
