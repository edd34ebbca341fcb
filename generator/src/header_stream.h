// Writes the C++ header as the settings file is read, in chunks to a sink, holding no more than
// one chunk: the same bytes as HeaderWriter, as long as the file keeps its sections together.
// That holds unless a namespace gets more after another one has closed it (a section given again
// after others, or "[A.C]" after "[A]" and "[B]"); the stream then stops and says so, and the
// caller builds the header with HeaderWriter instead.
#pragma once

#include "header_builder.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace keltrop {

// Where the chunks go.
class ChunkSink {
public:
    virtual ~ChunkSink() = default;
    // False when the chunk could not be taken; the stream then sends no more.
    virtual bool write(std::string_view chunk) = 0;
};

class HeaderStream : public HeaderBuilder {
public:
    HeaderStream(std::string_view source_name, std::string_view stem, ChunkSink& sink);

    std::uint32_t add_namespace(std::uint32_t parent, std::string_view identifier) override;
    void add_constant(std::uint32_t ns, std::string_view identifier, const Value& value) override;

    // Ends the header and sends what is left. False if the stream stopped (see in_order()) or
    // the sink failed.
    bool finish();
    // False once a namespace got more after it was closed: what was sent is then of no use.
    bool in_order() const { return in_order_; }

private:
    struct Namespace {
        std::string close;   // its closing line
        std::uint32_t depth; // indentation of what it holds
        bool open;
    };

    // Closes the namespaces opened after `ns`; false if `ns` is no longer open.
    bool enter(std::uint32_t ns);
    void send_if_full();

    ChunkSink& sink_;
    std::string epilogue_;
    std::vector<Namespace> namespaces_;
    std::vector<std::uint32_t> open_; // the open namespaces, the file level first
    std::string buffer_;
    bool in_order_ = true;
    bool sink_ok_ = true;
};

} // namespace keltrop
