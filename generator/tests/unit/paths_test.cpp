#include "paths.h"

#include <gtest/gtest.h>

namespace keltrop {
namespace {

// Code page 932: lead bytes 0x81-0x9F and 0xE0-0xFC.
std::size_t cp932_length(std::string_view s, std::size_t i) {
    const unsigned char b = static_cast<unsigned char>(s[i]);
    const bool lead = (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
    return lead && i + 1 < s.size() ? 2 : 1;
}

const PathStyle posix{false, utf8_char_length};
const PathStyle windows{true, cp932_length};

TEST(Paths, SplitPosix) {
    EXPECT_EQ(split_path("/work/app.ini", posix).folder, "/work/");
    EXPECT_EQ(split_path("/work/app.ini", posix).base, "app.ini");
    EXPECT_EQ(split_path("app.ini", posix).folder, "");
    EXPECT_EQ(split_path("dir\\app.ini", posix).base, "dir\\app.ini");
}

TEST(Paths, SplitWindows) {
    EXPECT_EQ(split_path("D:\\work\\app.ini", windows).folder, "D:\\work\\");
    EXPECT_EQ(split_path("D:\\work\\app.ini", windows).base, "app.ini");
    EXPECT_EQ(split_path("D:/work/app.ini", windows).base, "app.ini");
    EXPECT_EQ(split_path("D:app.ini", windows).folder, "D:");
    EXPECT_EQ(split_path("\\\\server\\share\\a b.ini", windows).base, "a b.ini");
}

TEST(Paths, TrailByte5CIsNoSeparator) {
    // 0x95 0x5C is one character; its second byte is no backslash.
    const std::string path = "D:\\\x95\x5C\\\x83\x5C.ini";
    EXPECT_EQ(split_path(path, windows).folder, "D:\\\x95\x5C\\");
    EXPECT_EQ(split_path(path, windows).base, "\x83\x5C.ini");
    EXPECT_EQ(split_path("D:\\dir\\\x95\x5C", windows).base, "\x95\x5C");
}

TEST(Paths, HeaderName) {
    EXPECT_EQ(header_name("app.ini"), "app.h");
    EXPECT_EQ(header_name("a.b.cfg"), "a.b.h");
    EXPECT_EQ(header_name("settings"), "settings.h");
    EXPECT_EQ(header_name(".ini"), ".ini.h");
    EXPECT_EQ(header_name("\x83\x5C.ini"), "\x83\x5C.h");
    EXPECT_EQ(stem_of("a.b.cfg"), "a.b");
}

TEST(Paths, HeaderInputIsRecognised) {
    EXPECT_TRUE(is_header_name("app.h"));
    EXPECT_TRUE(is_header_name("APP.H"));
    EXPECT_FALSE(is_header_name("app.hpp"));
    EXPECT_FALSE(is_header_name("app.ini"));
    EXPECT_FALSE(is_header_name(".h"));
}

} // namespace
} // namespace keltrop
