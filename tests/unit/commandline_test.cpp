#include "CommandLine.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace {

bool Cp932Lead(unsigned char c) {
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

struct QuoteCase {
    const char* name;
    std::string text;
    std::string quoted;
    TLeadBytePredicate lead;
};

void PrintTo(const QuoteCase& c, std::ostream* os) {
    *os << c.name;
}

class QuoteArgumentTest : public testing::TestWithParam<QuoteCase> {};

TEST_P(QuoteArgumentTest, Quotes) {
    const QuoteCase& c = GetParam();
    EXPECT_EQ(QuoteArgument(c.text, c.lead), c.quoted);
}

// "\x95\x5C" is U+8868 in code page 932, "\x83\x5C" U+30BD: both end in the backslash byte.
INSTANTIATE_TEST_SUITE_P(
    Table, QuoteArgumentTest,
    testing::Values(
        QuoteCase{"Empty", "", R"("")", nullptr},
        QuoteCase{"Plain", R"(C:\work\app.ini)", R"("C:\work\app.ini")", nullptr},
        QuoteCase{"Blanks", R"(C:\my work\a b.ini)", R"("C:\my work\a b.ini")", nullptr},
        QuoteCase{"Unc", R"(\\server\share\a.ini)", R"("\\server\share\a.ini")", nullptr},
        QuoteCase{"InnerBackslashRuns", R"(a\\\b\\c)", R"("a\\\b\\c")", nullptr},
        QuoteCase{"DriveRoot", R"(D:\)", R"("D:\\")", nullptr},
        QuoteCase{"TrailingRun", R"(C:\dir\\\)", R"("C:\dir\\\\\\")", nullptr},
        QuoteCase{"OnlyBackslash", R"(\)", R"("\\")", nullptr},
        QuoteCase{"Quote", R"(a"b)", R"("a\"b")", nullptr},
        QuoteCase{"QuoteOnly", R"(")", R"("\"")", nullptr},
        QuoteCase{"BackslashesBeforeQuote", R"(a\\"b)", R"("a\\\\\"b")", nullptr},
        QuoteCase{"QuoteAtEnd", R"(ab")", R"("ab\"")", nullptr},
        QuoteCase{"HighBytesUnchanged", "caf\xE9\\\xFF.ini", "\"caf\xE9\\\xFF.ini\"", nullptr},
        QuoteCase{"Cp932TrailBackslashAtEnd", "C:\\\x95\x5C", "\"C:\\\x95\x5C\"", Cp932Lead},
        QuoteCase{"Cp932TrailBackslashBeforeQuote", "\x83\x5C\"", "\"\x83\x5C\\\"\"", Cp932Lead},
        QuoteCase{"Cp932RealBackslashAfterTrail", "C:\\\x95\x5C\\", "\"C:\\\x95\x5C\\\\\"",
                  Cp932Lead},
        QuoteCase{"Cp932BackslashesBeforeCharacter", "a\\\\\x95\x5C", "\"a\\\\\x95\x5C\"",
                  Cp932Lead},
        QuoteCase{"Cp932LoneLeadAtEnd", "a\\\x95", "\"a\\\x95\"", Cp932Lead},
        QuoteCase{"SingleByteCodePageSameBytes", "C:\\\x95\x5C", "\"C:\\\x95\x5C\\\"", nullptr}),
    [](const testing::TestParamInfo<QuoteCase>& info) { return std::string(info.param.name); });

} // namespace
