// What the generator needs from the operating system, with one implementation for POSIX and one
// for Windows. Paths are bytes: UTF-8 or whatever the file system holds on POSIX, the ANSI code
// page on Windows (cp932 under a Japanese locale), where they are turned into absolute
// extended-length ("\\?\") UTF-16 paths for every system call, so that paths longer than 260
// characters work.
#pragma once

#include "big_block.h"
#include "paths.h"

#include <cstdint>
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
    std::string reason;    // Failed: the system's words
};

// The whole content of a file.
ReadResult read_file(const std::string& path);

// A file open for reading or for writing, closed when destroyed.
class File {
public:
    File() = default;
    ~File() {
        std::string ignored;
        close(ignored);
    }
    File(File&& other) noexcept : handle_(other.handle_) { other.handle_ = -1; }
    File& operator=(File&& other) noexcept {
        if (this != &other) {
            std::string ignored;
            close(ignored);
            handle_ = other.handle_;
            other.handle_ = -1;
        }
        return *this;
    }
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    bool valid() const { return handle_ != -1; }
    // An existing file, for reading. False with the system's words in `reason`.
    bool open_read(const std::string& path, std::string& reason);
    // A new file, for writing; fails if `path` exists, with `exists` set.
    bool create_new(const std::string& path, bool& exists, std::string& reason);
    // Up to `n` bytes into `buffer`; `got` is 0 at the end.
    bool read(char* buffer, std::size_t n, std::size_t& got, std::string& reason);
    bool write_all(std::string_view data, std::string& reason);
    bool close(std::string& reason);

private:
    std::intptr_t handle_ = -1; // a file descriptor, or a Windows HANDLE
};

// Moves `from` over `to`, replacing it.
bool rename_over(const std::string& from, const std::string& to, std::string& reason);
// Removes a file, quietly.
void remove_file(const std::string& path);
// The running process's id, for names of temporary files.
unsigned long process_id();

// Whether both paths name one existing file (through links, or names the system takes as equal:
// on Windows case, and trailing blanks and dots).
bool same_file(const std::string& a, const std::string& b);

// `path` made absolute, for messages.
std::string absolute_path(const std::string& path);

} // namespace keltrop::platform
