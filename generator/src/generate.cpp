#include "generate.h"

#include "paths.h"

namespace keltrop {

Generated generate(std::string_view input, std::string_view source_name) {
    Generated result;
    result.writer = std::make_unique<HeaderWriter>(source_name, stem_of(source_name));
    parse(input, *result.writer, result.counts, result.errors);
    return result;
}

} // namespace keltrop
