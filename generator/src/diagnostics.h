// The errors found in a settings file: the first few in full (the report shows no more) and a
// count of all of them. Line 0 stands for the file as a whole.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace keltrop {

constexpr std::size_t max_shown_errors = 10;

struct Diagnostic {
    std::size_t line;
    std::string message;
};

class Diagnostics {
public:
    void add(std::size_t line, std::string message) {
        if (shown_.size() < max_shown_errors) {
            shown_.push_back(Diagnostic{line, std::move(message)});
        }
        ++total_;
    }

    const std::vector<Diagnostic>& shown() const { return shown_; }
    std::size_t total() const { return total_; }
    bool empty() const { return total_ == 0; }

private:
    std::vector<Diagnostic> shown_;
    std::size_t total_ = 0;
};

} // namespace keltrop
