// Paths as bytes: the folder and base name of the settings file, and the header's path beside it
// (app.ini -> app.h, a.b.cfg -> a.b.h, settings -> settings.h).
#pragma once

#include "charset.h"

#include <string>
#include <string_view>

namespace keltrop {

struct PathStyle {
    bool windows;      // '\', '/' and ':' separate; otherwise only '/'
    CharLength length; // characters of the code page the path is in
};

struct PathParts {
    std::string_view folder; // up to and including the last separator; may be empty
    std::string_view base;
};

PathParts split_path(std::string_view path, const PathStyle& style);

// The base name without its extension: up to the last '.', unless that is its first character.
std::string_view stem_of(std::string_view base);

// Whether the base name ends in ".h" (in any case): its header would be the file itself.
bool is_header_name(std::string_view base);

// Base name of the header for a settings file's base name.
std::string header_name(std::string_view base);

} // namespace keltrop
