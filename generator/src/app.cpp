#include "app.h"

#include "command_line.h"
#include "generate.h"
#include "paths.h"
#include "platform.h"
#include "report.h"

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
    const Generated generated = generate(input.data, parts.base);
    if (!generated.errors.empty()) {
        return Outcome{exit_input_errors,
                       error_report(parts.base, header, generated.errors, style.length)};
    }
    const std::string header_path = std::string(parts.folder) + header;
    if (platform::same_file(path, header_path)) { // "app.h " on Windows, a link...
        return failure("refusing to write " + shown_path(header_path) +
                       ": it is the settings file itself");
    }
    const Pieces content = generated.writer->pieces();
    const bool unchanged = platform::has_content(header_path, content);
    std::string reason;
    if (!unchanged && !platform::replace_file(header_path, content, reason)) {
        return failure("cannot write " + shown_path(header_path) + ": " + reason);
    }
    return Outcome{exit_ok, success_report(parts.base, header, generated.counts.sections,
                                           generated.counts.constants, unchanged, style.length)};
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
        return Outcome{exit_failure, failure_report(command.error) +
                                         "usage: keltrop [--] SETTINGS (keltrop --help for more)\n"};
    case Command::Run:
        break;
    }
    return generate_file(command.path);
}

} // namespace keltrop
