// From the bytes of a settings file to the text of its header, or to the errors that stop it.
// No file is touched: the caller reads and writes.
#pragma once

#include "diagnostics.h"
#include "parser.h"
#include "writer.h"

#include <memory>
#include <string>
#include <string_view>

namespace keltrop {

struct Generated {
    Diagnostics errors; // empty when the header was made
    ParseCounts counts;
    std::unique_ptr<HeaderWriter> writer; // the header (of no use when there are errors)
};

// `source_name`: the settings file's base name, for the header's first comment and its names.
Generated generate(std::string_view input, std::string_view source_name);

} // namespace keltrop
