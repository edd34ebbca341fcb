// The command line: "keltrop [--] SETTINGS", "keltrop --help", "keltrop --version".
#pragma once

#include <string>
#include <vector>

namespace keltrop {

struct Command {
    enum Kind { Run, Help, Version, Usage } kind = Usage;
    std::string path;  // Run: the settings file, as given (it may be empty)
    std::string error; // Usage: what is wrong
};

// `args`: the arguments after the program's name.
Command parse_command_line(const std::vector<std::string>& args);

// The text of --help.
std::string usage_text();

} // namespace keltrop
