#include "naming.h"

#include <gtest/gtest.h>

namespace keltrop {
namespace {

std::string id(const std::string& name) {
    std::string out;
    return name_to_identifier(name, out) ? out : "<error>";
}

TEST(Naming, KeepsIdentifiers) {
    EXPECT_EQ(id("Width"), "Width");
    EXPECT_EQ(id("_private"), "_private");
    EXPECT_EQ(id("a1_b2"), "a1_b2");
    EXPECT_TRUE(is_plain_identifier("Width"));
}

TEST(Naming, MapsOtherAsciiToUnderscore) {
    EXPECT_EQ(id("my-key"), "my_key");
    EXPECT_EQ(id("a b.c:d"), "a_b_c_d");
    EXPECT_EQ(id("-"), "_");
    EXPECT_EQ(id("a\tb"), "a_b");
    EXPECT_FALSE(is_plain_identifier("my-key"));
}

TEST(Naming, NeverMakesReservedShapes) {
    EXPECT_EQ(id("a__b"), "a_b");
    EXPECT_EQ(id("a - b"), "a_b");
    EXPECT_EQ(id("__x"), "_x");
    EXPECT_EQ(id("_Upper"), "x_Upper");
    EXPECT_EQ(id("--Upper"), "x_Upper");
    EXPECT_EQ(id("9lives"), "_9lives");
    EXPECT_FALSE(is_plain_identifier("a__b"));
    EXPECT_FALSE(is_plain_identifier("_Upper"));
    EXPECT_FALSE(is_plain_identifier("9lives"));
}

TEST(Naming, AvoidsKeywordsAlternativeTokensAndMacros) {
    for (const char* k :
         {"class",   "int",   "co_await", "char8_t", "requires", "consteval", "constinit",
          "concept", "and",   "or_eq",    "xor",     "compl",    "not_eq",    "NULL",
          "EOF",     "errno", "stdin",    "linux",   "unix",     "i386",      "WIN32"}) {
        EXPECT_EQ(id(k), std::string(k) + "_") << k;
        EXPECT_FALSE(is_plain_identifier(k)) << k;
    }
    EXPECT_EQ(id("Class"), "Class");
    EXPECT_EQ(id("final"), "final"); // an identifier with a special meaning is still usable
}

TEST(Naming, RefusesNonAscii) {
    EXPECT_EQ(id("caf\xC3\xA9"), "<error>");
    EXPECT_EQ(id("\x95\x5C"), "<error>");
}

TEST(Naming, FileIdentifier) {
    EXPECT_EQ(file_to_identifier("app"), "app");
    EXPECT_EQ(file_to_identifier("a.b"), "a_b");
    EXPECT_EQ(file_to_identifier("my settings"), "my_settings");
    EXPECT_EQ(file_to_identifier("1app"), "x1app");
    EXPECT_EQ(file_to_identifier("_app"), "x_app"); // global scope: no leading '_'
    EXPECT_EQ(file_to_identifier("class"), "class_");
    EXPECT_EQ(file_to_identifier("std"), "std_");
    EXPECT_EQ(file_to_identifier("\x95\x5C"), "x95_"); // 0x5C is an ASCII byte: '_'
    EXPECT_EQ(file_to_identifier("set\xE8\xA8\xAD"), "setxE8xA8xAD");
}

TEST(Naming, IncludeGuard) {
    EXPECT_EQ(include_guard("app"), "KELTROP_APP_H");
    EXPECT_EQ(include_guard("a.b-c"), "KELTROP_A_B_C_H");
    EXPECT_EQ(include_guard("class"), "KELTROP_CLASS_H");
    EXPECT_EQ(include_guard("\x95\x5C"), "KELTROP_X95_H");
}

} // namespace
} // namespace keltrop
