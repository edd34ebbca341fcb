#include "command_line.h"

#include <gtest/gtest.h>

namespace keltrop {
namespace {

TEST(CommandLine, Path) {
    const Command c = parse_command_line({"app.ini"});
    EXPECT_EQ(c.kind, Command::Run);
    EXPECT_EQ(c.path, "app.ini");
}

TEST(CommandLine, EmptyPathIsRun) {
    const Command c = parse_command_line({""});
    EXPECT_EQ(c.kind, Command::Run);
    EXPECT_EQ(c.path, "");
}

TEST(CommandLine, HelpAndVersion) {
    EXPECT_EQ(parse_command_line({"--help"}).kind, Command::Help);
    EXPECT_EQ(parse_command_line({"--version"}).kind, Command::Version);
}

TEST(CommandLine, DoubleDashEndsOptions) {
    const Command c = parse_command_line({"--", "--help"});
    EXPECT_EQ(c.kind, Command::Run);
    EXPECT_EQ(c.path, "--help");
    EXPECT_EQ(parse_command_line({"--", "-x.ini"}).path, "-x.ini");
    EXPECT_EQ(parse_command_line({"-"}).path, "-");
}

TEST(CommandLine, UsageErrors) {
    EXPECT_EQ(parse_command_line({}).kind, Command::Usage);
    EXPECT_EQ(parse_command_line({}).error, "no settings file given");
    EXPECT_EQ(parse_command_line({"-x"}).error, "unknown option \"-x\"");
    EXPECT_EQ(parse_command_line({"--help", "a.ini"}).error, "unknown option \"--help\"");
    EXPECT_EQ(parse_command_line({"a.ini", "b.ini"}).error, "one settings file only, not 2");
    EXPECT_EQ(parse_command_line({"--"}).error, "no settings file given");
    EXPECT_LT(parse_command_line({"-" + std::string(5000, 'x')}).error.size(), 60u);
}

} // namespace
} // namespace keltrop
