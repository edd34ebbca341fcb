// What the generator needs from the operating system, with one implementation for POSIX and one
// for Windows. Paths are bytes: UTF-8 or whatever the file system holds on POSIX, the ANSI code
// page on Windows (cp932 under a Japanese locale), where they are turned into absolute
// extended-length ("\\?\") UTF-16 paths for every system call, so that paths longer than 260
// characters work.
#pragma once

#include "big_block.h"
#include "paths.h"
#include "writer.h"

#include <string>
#include <string_view>
#include <vector>

namespace keltrop::platform {

// How paths are split on this system.
PathStyle path_style();

// The arguments after the program's name, as bytes. False with `error` set if one cannot be
// represented in the code page.
bool arguments(int argc, char** argv, std::vector<std::string>& args, std::string& error);

struct ReadResult {
    enum Status { Ok, IsFolder, Failed } status = Failed;
    BigBlock storage;
    std::string_view data; // the file's bytes, in `storage`
    std::string reason; // Failed: the system's words
};

// The whole content of a file.
ReadResult read_file(const std::string& path);

// Whether the file exists, is readable and holds exactly the pieces' bytes (read piece by
// piece: the file is never held whole).
bool has_content(const std::string& path, const Pieces& content);

// Writes the pieces to a new file in the folder of `path`, then moves it over `path`. On failure
// returns false with the system's words in `reason`; `path` is then untouched and the new file
// removed.
bool replace_file(const std::string& path, const Pieces& content, std::string& reason);

// Whether both paths name one existing file (through links, or names the system takes as equal:
// on Windows case, and trailing blanks and dots).
bool same_file(const std::string& a, const std::string& b);

// `path` made absolute, for messages.
std::string absolute_path(const std::string& path);

} // namespace keltrop::platform
