#include "app.h"

#include "command_line.h"
#include "header_file.h"
#include "header_stream.h"
#include "parser.h"
#include "paths.h"
#include "platform.h"
#include "report.h"
#include "writer.h"

#ifndef KELTROP_VERSION
#error "KELTROP_VERSION must be defined by the build"
#endif

namespace keltrop {
namespace {

Outcome failure(const std::string& message) {
    return Outcome{exit_failure, failure_report(message)};
}

std::string shown_path(const std::string& path) {
    const PathStyle style = platform::path_style();
    return "\"" + shorten(platform::absolute_path(path), max_shown_path, style.length) + "\"";
}

// Reads the settings file and writes its header: as it is read, when the sections keep together
// (the usual case), or else, when a namespace comes back after others, built whole in memory
// first. With errors in the file nothing is written.
HeaderFile::Result write_header(std::string_view input, std::string_view source,
                                const std::string& header_path, ParseCounts& counts,
                                Diagnostics& errors, std::string& reason) {
    const std::string_view stem = stem_of(source);
    {
        HeaderFile out(header_path);
        HeaderStream stream(source, stem, out);
        parse(input, stream, counts, errors);
        if (!errors.empty()) {
            return HeaderFile::Result::Failed;
        }
        if (stream.in_order()) {
            const HeaderFile::Result result =
                stream.finish() ? out.commit() : HeaderFile::Result::Failed;
            reason = out.reason();
            return result;
        }
    } // what was sent is removed here
    HeaderWriter writer(source, stem);
    ParseCounts again;
    Diagnostics none;
    parse(input, writer, again, none);
    HeaderFile out(header_path);
    for (const std::string_view piece : writer.pieces()) {
        out.write(piece);
    }
    const HeaderFile::Result result = out.commit();
    reason = out.reason();
    return result;
}

Outcome generate_file(const std::string& path) {
    const PathStyle style = platform::path_style();
    if (path.empty()) {
        return failure("the path of the settings file is empty");
    }
    const PathParts parts = split_path(path, style);
    if (is_header_name(parts.base)) {
        return failure("refusing to read " + shown_path(path) +
                       ": its header would be the file itself");
    }
    const platform::ReadResult input = platform::read_file(path);
    if (input.status == platform::ReadResult::IsFolder) {
        return failure(shown_path(path) + " is a folder, not a settings file");
    }
    if (input.status != platform::ReadResult::Ok) {
        return failure("cannot read " + shown_path(path) + ": " + input.reason);
    }
    const std::string header = header_name(parts.base);
    const std::string header_path = std::string(parts.folder) + header;
    if (platform::same_file(path, header_path)) { // "app.h " on Windows, a link...
        return failure("refusing to write " + shown_path(header_path) +
                       ": it is the settings file itself");
    }
    ParseCounts counts;
    Diagnostics errors;
    std::string reason;
    const HeaderFile::Result result =
        write_header(input.data, parts.base, header_path, counts, errors, reason);
    if (!errors.empty()) {
        return Outcome{exit_input_errors, error_report(parts.base, header, errors, style.length)};
    }
    if (result == HeaderFile::Result::Failed) {
        return failure("cannot write " + shown_path(header_path) + ": " + reason);
    }
    return Outcome{exit_ok, success_report(parts.base, header, counts.sections, counts.constants,
                                           result == HeaderFile::Result::Unchanged, style.length)};
}

} // namespace

Outcome run(const std::vector<std::string>& args) {
    const Command command = parse_command_line(args);
    switch (command.kind) {
    case Command::Help:
        return Outcome{exit_ok, usage_text()};
    case Command::Version:
        return Outcome{exit_ok, "keltrop " KELTROP_VERSION "\n"};
    case Command::Usage:
        return Outcome{exit_failure,
                       failure_report(command.error) +
                           "usage: keltrop [--] SETTINGS (keltrop --help for more)\n"};
    case Command::Run:
        break;
    }
    return generate_file(command.path);
}

} // namespace keltrop
