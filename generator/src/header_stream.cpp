#include "header_stream.h"

#include "spelling.h"

namespace keltrop {
namespace {

constexpr std::size_t chunk_size = std::size_t(1) << 20;

} // namespace

HeaderStream::HeaderStream(std::string_view source_name, std::string_view stem, ChunkSink& sink)
    : sink_(sink), epilogue_(spell_epilogue(stem)) {
    namespaces_.push_back(Namespace{std::string(), 0, true});
    open_.push_back(file_level);
    buffer_.reserve(chunk_size + 4096);
    buffer_ = spell_prologue(source_name, stem);
}

bool HeaderStream::enter(std::uint32_t ns) {
    if (!in_order_ || !namespaces_[ns].open) {
        in_order_ = false;
        return false;
    }
    while (open_.back() != ns) {
        Namespace& closing = namespaces_[open_.back()];
        buffer_ += closing.close;
        closing.open = false;
        open_.pop_back();
    }
    return true;
}

void HeaderStream::send_if_full() {
    if (buffer_.size() >= chunk_size) {
        sink_ok_ = sink_ok_ && sink_.write(buffer_);
        buffer_.clear();
    }
}

std::uint32_t HeaderStream::add_namespace(std::uint32_t parent, std::string_view identifier) {
    const std::uint32_t index = static_cast<std::uint32_t>(namespaces_.size());
    const std::uint32_t depth = namespaces_[parent].depth;
    namespaces_.push_back(Namespace{std::string(), depth + 1, false});
    if (enter(parent)) {
        buffer_ += spell_open(depth, identifier);
        namespaces_[index].close = spell_close(depth, identifier);
        namespaces_[index].open = true;
        open_.push_back(index);
        send_if_full();
    }
    return index;
}

void HeaderStream::add_constant(std::uint32_t ns, std::string_view identifier, const Value& value) {
    if (!enter(ns)) {
        return;
    }
    const std::size_t depth = namespaces_[ns].depth;
    const std::size_t used = buffer_.size();
    buffer_.resize(used + max_constant_size(depth, identifier, value));
    char* const end = spell_constant(&buffer_[used], depth, identifier, value);
    buffer_.resize(static_cast<std::size_t>(end - buffer_.data()));
    send_if_full();
}

bool HeaderStream::finish() {
    if (!enter(file_level)) {
        return false;
    }
    buffer_ += epilogue_;
    sink_ok_ = sink_ok_ && sink_.write(buffer_);
    buffer_.clear();
    return sink_ok_;
}

} // namespace keltrop
