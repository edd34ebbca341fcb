#include "writer.h"

#include "spelling.h"

#include <cstring>

namespace keltrop {
namespace {

// The arena's blocks double from the first size to the last: small files take little memory,
// large ones few blocks.
constexpr std::size_t first_block_size = std::size_t(64) << 10;
constexpr std::size_t last_block_size = std::size_t(32) << 20;

} // namespace

HeaderWriter::HeaderWriter(std::string_view source_name, std::string_view stem)
    : prologue_(spell_prologue(source_name, stem)), epilogue_(spell_epilogue(stem)) {
    namespaces_.push_back(Namespace{{}, {}, 0, none, none});
}

char* HeaderWriter::room(std::size_t n) {
    if (static_cast<std::size_t>(end_ - free_) < n) {
        std::size_t size = blocks_.empty() ? first_block_size : blocks_.back().size() * 2;
        size = size > last_block_size ? last_block_size : size;
        blocks_.emplace_back(n > size ? n : size);
        free_ = blocks_.back().data();
        end_ = free_ + blocks_.back().size();
    }
    return free_;
}

std::string_view HeaderWriter::keep(const std::string& text) {
    char* at = room(text.size());
    std::memcpy(at, text.data(), text.size());
    free_ = at + text.size();
    return std::string_view(at, text.size());
}

void HeaderWriter::append_piece(std::uint32_t ns, Piece piece) {
    Namespace& n = namespaces_[ns];
    if (piece.child == none && n.last != none) {
        Piece& last = pieces_[n.last];
        if (last.child == none && last.text.data() + last.text.size() == piece.text.data()) {
            last.text = std::string_view(last.text.data(), last.text.size() + piece.text.size());
            return;
        }
    }
    const std::uint32_t index = static_cast<std::uint32_t>(pieces_.size());
    pieces_.push_back(piece);
    if (n.last == none) {
        n.first = index;
    } else {
        pieces_[n.last].next = index;
    }
    n.last = index;
}

std::uint32_t HeaderWriter::add_namespace(std::uint32_t parent, std::string_view identifier) {
    const std::uint32_t depth = namespaces_[parent].depth;
    const std::uint32_t index = static_cast<std::uint32_t>(namespaces_.size());
    const std::string_view open = keep(spell_open(depth, identifier));
    const std::string_view close = keep(spell_close(depth, identifier));
    namespaces_.push_back(Namespace{open, close, depth + 1, none, none});
    append_piece(parent, Piece{{}, index, none});
    return index;
}

void HeaderWriter::add_constant(std::uint32_t ns, std::string_view identifier, const Value& value) {
    const std::size_t depth = namespaces_[ns].depth;
    char* const start = room(max_constant_size(depth, identifier, value));
    char* const out = spell_constant(start, depth, identifier, value);
    free_ = out;
    append_piece(ns,
                 Piece{std::string_view(start, static_cast<std::size_t>(out - start)), none, none});
}

Pieces HeaderWriter::pieces() const {
    Pieces out{prologue_};
    // Depth-first through the namespaces without recursion: a stack of pieces to go on from.
    std::vector<std::uint32_t> stack{namespaces_[file_level].first};
    std::vector<std::uint32_t> open{file_level};
    while (!stack.empty()) {
        const std::uint32_t p = stack.back();
        if (p == none) {
            stack.pop_back();
            if (open.back() != file_level) {
                out.push_back(namespaces_[open.back()].close);
            }
            open.pop_back();
            continue;
        }
        const Piece& piece = pieces_[p];
        stack.back() = piece.next;
        if (piece.child == none) {
            out.push_back(piece.text);
        } else {
            const Namespace& child = namespaces_[piece.child];
            out.push_back(child.open);
            stack.push_back(child.first);
            open.push_back(piece.child);
        }
    }
    out.push_back(epilogue_);
    return out;
}

std::string HeaderWriter::text() const {
    std::string s;
    for (std::string_view piece : pieces()) {
        s.append(piece.data(), piece.size());
    }
    return s;
}

} // namespace keltrop
