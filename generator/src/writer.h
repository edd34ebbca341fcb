// Builds the whole C++ header in memory while the settings file is read: a first comment line
// naming the settings file, an include guard, one namespace for the whole file with the sections
// nested in it, and the constants in source order. Pure ASCII, '\n' line endings and no time
// stamp: the same input gives the same bytes.
//
// Each constant is spelt once, when it is read, into a chunked arena; a namespace keeps the list
// of its pieces, so that a section given again adds to its own namespace wherever it stands. The
// header is then the pieces in the order of the namespace tree, handed out as views. (When no
// section comes back after another has begun, HeaderStream writes the same bytes as they come,
// without holding them.)
#pragma once

#include "big_block.h"
#include "header_builder.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace keltrop {

// The whole header as pieces of text, in order.
using Pieces = std::vector<std::string_view>;

class HeaderWriter : public HeaderBuilder {
public:
    // `source_name`: the settings file's base name; `stem`: that name without its extension.
    HeaderWriter(std::string_view source_name, std::string_view stem);
    HeaderWriter(const HeaderWriter&) = delete;
    HeaderWriter& operator=(const HeaderWriter&) = delete;

    std::uint32_t add_namespace(std::uint32_t parent, std::string_view identifier) override;
    void add_constant(std::uint32_t ns, std::string_view identifier, const Value& value) override;

    // The header, valid as long as this writer.
    Pieces pieces() const;
    // The header as one string (for tests).
    std::string text() const;

private:
    static constexpr std::uint32_t none = 0xFFFFFFFFu;
    struct Piece {
        std::string_view text; // or, if empty and child != none, a nested namespace
        std::uint32_t child;
        std::uint32_t next;
    };
    struct Namespace {
        std::string_view open;  // "namespace X {\n", indented
        std::string_view close; // "}  // namespace X\n", indented
        std::uint32_t depth;    // indentation of what it holds
        std::uint32_t first;
        std::uint32_t last;
    };

    char* room(std::size_t n);
    std::string_view keep(const std::string& text);
    void append_piece(std::uint32_t ns, Piece piece);

    std::vector<BigBlock> blocks_;
    char* free_ = nullptr; // the free part of the newest block
    char* end_ = nullptr;
    std::vector<Piece> pieces_;
    std::vector<Namespace> namespaces_;
    std::string prologue_;
    std::string epilogue_;
};

} // namespace keltrop
