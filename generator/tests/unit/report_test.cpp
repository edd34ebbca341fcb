#include "report.h"

#include <gtest/gtest.h>

namespace keltrop {
namespace {

TEST(Report, Success) {
    EXPECT_EQ(success_report("app.ini", "app.h", 3, 12, false, utf8_char_length),
              "app.ini -> app.h: 3 sections, 12 constants\n");
    EXPECT_EQ(success_report("app.ini", "app.h", 1, 1, true, utf8_char_length),
              "app.ini -> app.h: 1 section, 1 constant, unchanged\n");
    EXPECT_EQ(success_report("e.ini", "e.h", 0, 0, false, utf8_char_length),
              "e.ini -> e.h: 0 sections, 0 constants\n");
}

TEST(Report, Failure) {
    EXPECT_EQ(failure_report("cannot read \"/x\": No such file or directory"),
              "keltrop: error: cannot read \"/x\": No such file or directory\n");
}

TEST(Report, ShortenKeepsShortText) {
    EXPECT_EQ(shorten("app.ini", 64, utf8_char_length), "app.ini");
    EXPECT_EQ(shorten("a\nb\x7F", 64, utf8_char_length), "a?b?");
}

TEST(Report, ShortenCutsTheMiddle) {
    const std::string s = std::string(40, 'a') + std::string(40, 'b');
    const std::string cut = shorten(s, 21, utf8_char_length);
    EXPECT_EQ(cut, "aaaaaaaaa...bbbbbbbbb");
}

TEST(Report, ShortenNeverSplitsACharacter) {
    std::string s;
    for (int i = 0; i < 40; ++i) {
        s += "\xE8\xA8\xAD"; // one UTF-8 character
    }
    const std::string cut = shorten(s, 30, utf8_char_length);
    ASSERT_LE(cut.size(), 30u);
    const std::size_t dots = cut.find("...");
    ASSERT_NE(dots, std::string::npos);
    EXPECT_EQ(dots % 3, 0u);
    EXPECT_EQ((cut.size() - dots - 3) % 3, 0u);
}

} // namespace
} // namespace keltrop
