// The streaming writer gives the same bytes as the in-memory one, in chunks, and stops when a
// namespace comes back after it was closed.
#include "generate.h"
#include "header_stream.h"
#include "parser.h"
#include "paths.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace keltrop {
namespace {

struct StringSink : ChunkSink {
    bool write(std::string_view chunk) override {
        text.append(chunk.data(), chunk.size());
        ++chunks;
        return true;
    }
    std::string text;
    int chunks = 0;
};

struct Streamed {
    std::string text;
    bool in_order;
    int chunks;
};

Streamed stream(const std::string& input) {
    StringSink sink;
    HeaderStream s("t.ini", "t", sink);
    ParseCounts counts;
    Diagnostics errors;
    parse(input, s, counts, errors);
    const bool finished = s.finish();
    EXPECT_EQ(finished, s.in_order());
    return Streamed{sink.text, s.in_order(), sink.chunks};
}

const char* const in_order_inputs[] = {
    "",
    "a = 1\n",
    "top = 1\n[S]\nk = \"v\"\n",
    "[A]\nx = 1\n[A.B]\ny = 2\n[A]\nz = 3\n",     // back to a namespace still open
    "[A.B.C]\nx = 1\n[A.B]\ny = 2\n[A.D]\n[E]\n", // implicit parents, empty sections
    "[A]\n[B]\n[A]\n",                            // A again, but nothing added to it
    "[W]\nclass = 1\n[W.x-y]\n1st = 2.5\nq = ?"
    "?=\n",
};

TEST(Stream, SameBytesAsInMemory) {
    for (const char* input : in_order_inputs) {
        const Streamed s = stream(input);
        EXPECT_TRUE(s.in_order) << input;
        EXPECT_EQ(s.text, generate(input, "t.ini").writer->text()) << input;
    }
}

TEST(Stream, StopsWhenAClosedNamespaceGetsMore) {
    for (const char* input :
         {"[A]\nx = 1\n[B]\n[A]\ny = 2\n", "[A]\n[B]\n[A.C]\n", "[A.B]\n[C]\n[A]\nk = 1\n"}) {
        EXPECT_FALSE(stream(input).in_order) << input;
    }
}

TEST(Stream, LargeHeaderInChunks) {
    std::string input;
    for (int s = 0; s < 200; ++s) {
        input += "[S" + std::to_string(s) + "]\n";
        for (int k = 0; k < 500; ++k) {
            input += "key" + std::to_string(k) + " = value " + std::to_string(s * k) + "\n";
        }
    }
    const Streamed s = stream(input);
    ASSERT_TRUE(s.in_order);
    EXPECT_GT(s.chunks, 3);
    EXPECT_EQ(s.text, generate(input, "t.ini").writer->text());
}

} // namespace
} // namespace keltrop
