// keltrop: reads an INI-format settings file and writes a C++ header beside it. Everything it
// says goes to standard output, the only stream the front end captures.
#include "app.h"
#include "platform.h"
#include "report.h"

#include <cstdio>
#include <exception>
#include <new>

int main(int argc, char** argv) {
    keltrop::Outcome outcome{keltrop::exit_failure, std::string()};
    try {
        std::vector<std::string> args;
        std::string error;
        if (keltrop::platform::arguments(argc, argv, args, error)) {
            outcome = keltrop::run(args);
        } else {
            outcome.report = keltrop::failure_report(error);
        }
    } catch (const std::bad_alloc&) {
        outcome = {keltrop::exit_failure, keltrop::failure_report("out of memory")};
    } catch (const std::exception& e) {
        outcome = {keltrop::exit_failure, keltrop::failure_report(e.what())};
    }
    std::fwrite(outcome.report.data(), 1, outcome.report.size(), stdout);
    return std::fflush(stdout) == 0 ? outcome.status : keltrop::exit_failure;
}
