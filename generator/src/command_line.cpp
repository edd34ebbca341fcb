#include "command_line.h"

#include "quote.h"

namespace keltrop {

Command parse_command_line(const std::vector<std::string>& args) {
    Command command;
    std::vector<std::string> operands;
    bool options = true;
    for (const std::string& arg : args) {
        if (options && arg == "--") {
            options = false;
        } else if (options && (arg == "--help" || arg == "--version") && args.size() == 1) {
            command.kind = arg == "--help" ? Command::Help : Command::Version;
            return command;
        } else if (options && arg.size() > 1 && arg[0] == '-') {
            command.error = "unknown option " + quote(arg);
            return command;
        } else {
            operands.push_back(arg);
        }
    }
    if (operands.empty()) {
        command.error = "no settings file given";
    } else if (operands.size() > 1) {
        command.error = "one settings file only, not " + std::to_string(operands.size());
    } else {
        command.kind = Command::Run;
        command.path = operands[0];
    }
    return command;
}

std::string usage_text() {
    return "usage: keltrop [--] SETTINGS\n"
           "Reads the INI-format settings file SETTINGS and writes the C++ header beside it\n"
           "(app.ini -> app.h), replacing the old header only when its content changes.\n"
           "  --help     show this text\n"
           "  --version  show the version\n"
           "  --         end of options, for a file name that starts with '-'\n"
           "Exit status: 0 header written or unchanged, 1 errors in the settings file,\n"
           "2 usage or file errors. The report goes to standard output.\n";
}

} // namespace keltrop
