#include "paths.h"

namespace keltrop {

PathParts split_path(std::string_view path, const PathStyle& style) {
    std::size_t base_start = 0;
    for (std::size_t i = 0; i < path.size();) {
        const char c = path[i];
        const std::size_t n = style.length(path, i);
        if (n == 1 && (c == '/' || (style.windows && (c == '\\' || c == ':')))) {
            base_start = i + 1;
        }
        i += n;
    }
    return PathParts{path.substr(0, base_start), path.substr(base_start)};
}

std::string_view stem_of(std::string_view base) {
    const std::size_t dot = base.rfind('.');
    return dot == std::string_view::npos || dot == 0 ? base : base.substr(0, dot);
}

bool is_header_name(std::string_view base) {
    return base.size() > 2 && base[base.size() - 2] == '.' &&
           (base.back() == 'h' || base.back() == 'H');
}

std::string header_name(std::string_view base) {
    return std::string(stem_of(base)) + ".h";
}

} // namespace keltrop
