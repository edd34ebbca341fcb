// One run of the generator: from the command line's arguments to the report and the exit status
// (0 header written or unchanged, 1 errors in the settings file, 2 usage or file errors).
#pragma once

#include <string>
#include <vector>

namespace keltrop {

struct Outcome {
    int status;
    std::string report;
};

enum ExitStatus { exit_ok = 0, exit_input_errors = 1, exit_failure = 2 };

Outcome run(const std::vector<std::string>& args);

} // namespace keltrop
