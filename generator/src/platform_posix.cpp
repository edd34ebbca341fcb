#include "platform.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace keltrop::platform {
namespace {

std::string reason_of(int error) {
    return std::strerror(error);
}

class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

// Reads to the end into `block` (grown as needed); returns false on error.
bool read_all(int fd, BigBlock& block, std::size_t& used) {
    used = 0;
    while (true) {
        if (used == block.size()) {
            BigBlock bigger(block.size() * 2 + 65536);
            std::memcpy(bigger.data(), block.data(), used);
            block = std::move(bigger);
        }
        const ssize_t n = ::read(fd, block.data() + used, block.size() - used);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        if (n == 0) {
            return true;
        }
        used += static_cast<std::size_t>(n);
    }
}

} // namespace

PathStyle path_style() {
    return PathStyle{false, utf8_char_length};
}

bool arguments(int argc, char** argv, std::vector<std::string>& args, std::string&) {
    args.assign(argv + (argc > 0 ? 1 : 0), argv + argc);
    return true;
}

ReadResult read_file(const std::string& path) {
    ReadResult result;
    Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat st;
    if (fd.get() < 0 || ::fstat(fd.get(), &st) != 0) {
        result.reason = reason_of(errno);
        return result;
    }
    if (S_ISDIR(st.st_mode)) {
        result.status = ReadResult::IsFolder;
        return result;
    }
    // One byte more than the size, so that the end is seen without growing.
    result.storage = BigBlock((S_ISREG(st.st_mode) ? static_cast<std::size_t>(st.st_size) : 0) + 1);
    std::size_t used = 0;
    if (!read_all(fd.get(), result.storage, used)) {
        result.reason = reason_of(errno);
        return result;
    }
    result.data = std::string_view(result.storage.data(), used);
    result.status = ReadResult::Ok;
    return result;
}

bool File::open_read(const std::string& path, std::string& reason) {
    std::string ignored;
    close(ignored);
    handle_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (handle_ < 0) {
        handle_ = -1;
        reason = reason_of(errno);
        return false;
    }
    return true;
}

bool File::create_new(const std::string& path, bool& exists, std::string& reason) {
    std::string ignored;
    close(ignored);
    handle_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    exists = handle_ < 0 && errno == EEXIST;
    if (handle_ < 0) {
        handle_ = -1;
        reason = reason_of(errno);
        return false;
    }
    return true;
}

bool File::read(char* buffer, std::size_t n, std::size_t& got, std::string& reason) {
    while (true) {
        const ssize_t r = ::read(static_cast<int>(handle_), buffer, n);
        if (r >= 0) {
            got = static_cast<std::size_t>(r);
            return true;
        }
        if (errno != EINTR) {
            reason = reason_of(errno);
            return false;
        }
    }
}

bool File::write_all(std::string_view data, std::string& reason) {
    while (!data.empty()) {
        const ssize_t n = ::write(static_cast<int>(handle_), data.data(), data.size());
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            reason = reason_of(errno);
            return false;
        }
        data.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

bool File::close(std::string& reason) {
    if (handle_ == -1) {
        return true;
    }
    const int fd = static_cast<int>(handle_);
    handle_ = -1;
    if (::close(fd) != 0) {
        reason = reason_of(errno);
        return false;
    }
    return true;
}

bool rename_over(const std::string& from, const std::string& to, std::string& reason) {
    if (::rename(from.c_str(), to.c_str()) != 0) {
        reason = reason_of(errno);
        return false;
    }
    return true;
}

void remove_file(const std::string& path) {
    ::unlink(path.c_str());
}

unsigned long process_id() {
    return static_cast<unsigned long>(::getpid());
}

bool same_file(const std::string& a, const std::string& b) {
    struct stat sa;
    struct stat sb;
    return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

std::string absolute_path(const std::string& path) {
    if (!path.empty() && path[0] == '/') {
        return path;
    }
    std::string cwd(PATH_MAX, '\0');
    if (::getcwd(&cwd[0], cwd.size()) == nullptr) {
        return path;
    }
    cwd.resize(std::strlen(cwd.c_str()));
    return cwd + (cwd.size() > 1 ? "/" : "") + path;
}

} // namespace keltrop::platform
