// libFuzzer target of the parser and the writers. For every input: no crash (the sanitizers watch
// memory and undefined behaviour), a report of bounded size whose first line is the verdict; for
// every accepted input: a pure-ASCII header, the same bytes on a second run and from the
// streaming writer (when it keeps to the order), and, for a sample of them (about one a second),
// a header that g++ compiles cleanly.
#include "generate.h"
#include "header_stream.h"
#include "parser.h"
#include "report.h"

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

[[noreturn]] void fail(const char* what, const std::string& text) {
    std::fprintf(stderr, "keltrop_fuzz: %s\n----\n%s\n----\n", what, text.c_str());
    std::abort();
}

// Compiles the header as a translation unit of its own, with warnings as errors.
void compile_check(const std::string& header, bool has_64_bit) {
    const char* cxx = std::getenv("KELTROP_FUZZ_CXX");
    const std::string command = std::string(cxx != nullptr ? cxx : "g++") +
                                " -std=" + (has_64_bit ? "c++11" : "c++98") +
                                " -fsyntax-only -Wall -Wextra -pedantic -Werror -x c++ -";
    FILE* compiler = popen(command.c_str(), "w");
    if (compiler == nullptr) {
        fail("cannot start the compiler", command);
    }
    std::fwrite(header.data(), 1, header.size(), compiler);
    if (pclose(compiler) != 0) {
        fail("the header does not compile", header);
    }
}

struct StringSink : keltrop::ChunkSink {
    bool write(std::string_view chunk) override {
        text.append(chunk.data(), chunk.size());
        return true;
    }
    std::string text;
};

bool time_for_a_sample() {
    using Clock = std::chrono::steady_clock;
    static Clock::time_point last;
    static bool first = true;
    const Clock::time_point now = Clock::now();
    if (first || now - last >= std::chrono::seconds(1)) {
        first = false;
        last = now;
        return true;
    }
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const keltrop::Generated g = keltrop::generate(input, "fuzz.ini");
    const std::string report =
        g.errors.empty()
            ? keltrop::success_report("fuzz.ini", "fuzz.h", g.counts.sections, g.counts.constants,
                                      false, keltrop::utf8_char_length)
            : keltrop::error_report("fuzz.ini", "fuzz.h", g.errors, keltrop::utf8_char_length);
    if (report.size() > 3000 || report.find('\n') > 200) {
        fail("the report is too long or its verdict is not first", report);
    }
    if (!g.errors.empty()) {
        return 0;
    }
    const std::string header = g.writer->text();
    for (const char c : header) {
        const unsigned char b = static_cast<unsigned char>(c);
        if (b >= 0x7F || (b < 0x20 && b != '\n')) {
            fail("the header is not pure ASCII", header);
        }
    }
    if (keltrop::generate(input, "fuzz.ini").writer->text() != header) {
        fail("a second run gives other bytes", header);
    }
    StringSink sink;
    keltrop::HeaderStream stream("fuzz.ini", "fuzz", sink);
    keltrop::ParseCounts counts;
    keltrop::Diagnostics errors;
    keltrop::parse(input, stream, counts, errors);
    if (stream.finish() != stream.in_order() || (stream.in_order() && sink.text != header)) {
        fail("the streaming writer differs", sink.text);
    }
    if (time_for_a_sample()) {
        compile_check(header, g.counts.has_64_bit);
    }
    return 0;
}
