#include "report.h"

#include <vector>

namespace keltrop {
namespace {

std::string count(std::size_t n, const char* singular, const char* plural) {
    return std::to_string(n) + " " + (n == 1 ? singular : plural);
}

} // namespace

std::string shorten(std::string_view text, std::size_t max, CharLength length) {
    std::string_view shown = text;
    std::string_view tail;
    if (text.size() > max) {
        // Character boundaries, found from the start (the only safe way in double-byte text).
        std::vector<std::size_t> starts;
        for (std::size_t i = 0; i < text.size(); i += length(text, i)) {
            starts.push_back(i);
        }
        const std::size_t half = (max - 3) / 2;
        std::size_t head_end = 0;
        std::size_t tail_start = text.size();
        for (std::size_t s : starts) {
            if (s <= half) {
                head_end = s;
            }
        }
        for (auto it = starts.rbegin(); it != starts.rend(); ++it) {
            if (text.size() - *it > half) {
                break;
            }
            tail_start = *it;
        }
        shown = text.substr(0, head_end);
        tail = text.substr(tail_start);
    }
    std::string out;
    auto append = [&out](std::string_view part) {
        for (char c : part) {
            const unsigned char b = static_cast<unsigned char>(c);
            out += (b < 0x20 || b == 0x7F) ? '?' : c;
        }
    };
    append(shown);
    if (text.size() > max) {
        out += "...";
        append(tail);
    }
    return out;
}

std::string success_report(std::string_view source, std::string_view header, std::size_t sections,
                           std::size_t constants, bool unchanged, CharLength length) {
    return shorten(source, max_shown_name, length) + " -> " +
           shorten(header, max_shown_name, length) + ": " + count(sections, "section", "sections") +
           ", " + count(constants, "constant", "constants") + (unchanged ? ", unchanged" : "") +
           "\n";
}

std::string error_report(std::string_view source, std::string_view header,
                         const Diagnostics& errors, CharLength length) {
    const std::string name = shorten(source, max_shown_name, length);
    std::string out = name + ": " + count(errors.total(), "error", "errors") + ", " +
                      shorten(header, max_shown_name, length) + " not written\n";
    for (const Diagnostic& d : errors.shown()) {
        out += name;
        if (d.line != 0) {
            out += ":" + std::to_string(d.line);
        }
        out += ": error: " + d.message + "\n";
    }
    if (errors.total() > errors.shown().size()) {
        out += "and " + count(errors.total() - errors.shown().size(), "more error", "more errors") +
               "\n";
    }
    return out;
}

std::string failure_report(std::string_view message) {
    return "keltrop: error: " + std::string(message) + "\n";
}

} // namespace keltrop
