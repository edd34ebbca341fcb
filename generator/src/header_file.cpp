#include "header_file.h"

#include <utility>

namespace keltrop {
namespace {

constexpr std::size_t copy_chunk = std::size_t(1) << 20;

// Reads up to `n` bytes into `out` (fewer only at the end of the file).
bool read_up_to(platform::File& file, std::string& out, std::size_t n, std::string& reason) {
    out.resize(n);
    std::size_t used = 0;
    while (used < n) {
        std::size_t got = 0;
        if (!file.read(&out[used], n - used, got, reason)) {
            return false;
        }
        if (got == 0) {
            break;
        }
        used += got;
    }
    out.resize(used);
    return true;
}

} // namespace

HeaderFile::HeaderFile(std::string path) : path_(std::move(path)) {
    std::string ignored;
    same_ = old_.open_read(path_, ignored);
}

HeaderFile::~HeaderFile() {
    if (!committed_) {
        discard();
    }
}

void HeaderFile::discard() {
    std::string ignored;
    new_.close(ignored);
    if (!temp_path_.empty()) {
        platform::remove_file(temp_path_);
        temp_path_.clear();
    }
}

bool HeaderFile::fail() {
    failed_ = true;
    discard();
    return false;
}

bool HeaderFile::old_holds_next(std::string_view chunk) {
    std::string ignored;
    return read_up_to(old_, compare_, chunk.size(), ignored) && compare_ == chunk;
}

bool HeaderFile::start_new_file() {
    for (int attempt = 0; !new_.valid(); ++attempt) {
        temp_path_ = path_ + ".keltrop-" + std::to_string(platform::process_id()) + "-" +
                     std::to_string(attempt) + ".tmp";
        bool exists = false;
        if (!new_.create_new(temp_path_, exists, reason_)) {
            temp_path_.clear();
            if (!exists || attempt == 99) {
                return fail();
            }
        }
    }
    // The part that equalled the old header, from the old header.
    platform::File old;
    std::string chunk;
    std::size_t left = matched_;
    if (left > 0 && !old.open_read(path_, reason_)) {
        return fail();
    }
    while (left > 0) {
        if (!read_up_to(old, chunk, left < copy_chunk ? left : copy_chunk, reason_) ||
            chunk.empty()) {
            if (chunk.empty()) {
                reason_ = "the old header changed while it was read";
            }
            return fail();
        }
        if (!new_.write_all(chunk, reason_)) {
            return fail();
        }
        left -= chunk.size();
    }
    return true;
}

bool HeaderFile::write(std::string_view chunk) {
    if (failed_) {
        return false;
    }
    if (same_) {
        if (old_holds_next(chunk)) {
            matched_ += chunk.size();
            return true;
        }
        same_ = false;
        if (!start_new_file()) {
            return false;
        }
    } else if (!new_.valid() && !start_new_file()) {
        return false;
    }
    return new_.write_all(chunk, reason_) || fail();
}

HeaderFile::Result HeaderFile::commit() {
    if (failed_) {
        return Result::Failed;
    }
    if (same_) {
        std::string ignored;
        if (read_up_to(old_, compare_, 1, ignored) && compare_.empty()) {
            old_.close(ignored);
            committed_ = true;
            return Result::Unchanged;
        }
        same_ = false; // the old header is longer
    }
    if (!new_.valid() && !start_new_file()) {
        return Result::Failed;
    }
    std::string ignored;
    old_.close(ignored); // Windows moves nothing over a file that is open
    if (!new_.close(reason_) || !platform::rename_over(temp_path_, path_, reason_)) {
        fail();
        return Result::Failed;
    }
    committed_ = true;
    return Result::Replaced;
}

} // namespace keltrop
