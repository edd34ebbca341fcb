#include "SysUtils.h"

#include <gtest/gtest.h>

TEST(ExtractFileDir, KeepsRootsAndDropsTheLastSeparator) {
    const struct {
        const char* path;
        const char* dir;
    } cases[] = {
        {"C:\\tools\\keltrop_frontend.exe", "C:\\tools"},
        {"C:\\keltrop_frontend.exe", "C:\\"},
        {"C:\\", "C:\\"},
        {"C:keltrop.exe", "C:"},
        {"C:\\a\\b\\", "C:\\a\\b"},
        {"\\\\server\\share\\x.exe", "\\\\server\\share"},
        {"\\\\x.exe", "\\\\"},
        {"\\x.exe", "\\"},
        {"x.exe", ""},
        {"", ""},
        {"Z:\\tmp\\with blanks\\a.b.exe", "Z:\\tmp\\with blanks"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ExtractFileDir(c.path), c.dir) << "path: " << c.path;
}
