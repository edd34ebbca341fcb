#include "platform.h"

#include "content.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

namespace keltrop::platform {
namespace {

constexpr std::size_t chunk_size = 1 << 20;

std::string reason_of(int error) { return std::strerror(error); }

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
    int release() {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }

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

// All the pieces, up to IOV_MAX of them a call.
bool write_all(int fd, const Pieces& content) {
    std::vector<iovec> iov;
    iov.reserve(content.size());
    for (std::string_view p : content) {
        if (!p.empty()) {
            iov.push_back(iovec{const_cast<char*>(p.data()), p.size()});
        }
    }
    std::size_t i = 0;
    while (i < iov.size()) {
        const int count = static_cast<int>(iov.size() - i < IOV_MAX ? iov.size() - i : IOV_MAX);
        ssize_t n = ::writev(fd, &iov[i], count);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        while (n > 0) { // skip what was written, part of a piece included
            const std::size_t step = static_cast<std::size_t>(n) < iov[i].iov_len
                                         ? static_cast<std::size_t>(n)
                                         : iov[i].iov_len;
            iov[i].iov_base = static_cast<char*>(iov[i].iov_base) + step;
            iov[i].iov_len -= step;
            n -= static_cast<ssize_t>(step);
            if (iov[i].iov_len == 0) {
                ++i;
            }
        }
    }
    return true;
}

} // namespace

PathStyle path_style() { return PathStyle{false, utf8_char_length}; }

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

bool has_content(const std::string& path, const Pieces& content) {
    Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat st;
    if (fd.get() < 0 || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode) ||
        static_cast<std::size_t>(st.st_size) != total_size(content)) {
        return false;
    }
    PieceCursor cursor(content);
    std::string chunk(chunk_size, '\0');
    while (true) {
        const ssize_t n = ::read(fd.get(), &chunk[0], chunk.size());
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return n == 0 && !cursor.matches(std::string_view("x", 1));
        }
        if (!cursor.matches(std::string_view(chunk.data(), static_cast<std::size_t>(n)))) {
            return false;
        }
    }
}

bool replace_file(const std::string& path, const Pieces& content, std::string& reason) {
    std::string temp;
    int fd = -1;
    for (int attempt = 0; fd < 0; ++attempt) {
        temp = path + ".keltrop-" + std::to_string(::getpid()) + "-" + std::to_string(attempt) +
               ".tmp";
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && (errno != EEXIST || attempt == 99)) {
            reason = reason_of(errno);
            return false;
        }
    }
    Fd file(fd);
    bool ok = write_all(file.get(), content);
    int error = errno;
    if (ok && ::close(file.release()) != 0) {
        ok = false;
        error = errno;
    }
    if (ok && ::rename(temp.c_str(), path.c_str()) != 0) {
        ok = false;
        error = errno;
    }
    if (!ok) {
        ::close(file.release());
        ::unlink(temp.c_str());
        reason = reason_of(error);
    }
    return ok;
}

bool same_file(const std::string& a, const std::string& b) {
    struct stat sa;
    struct stat sb;
    return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 &&
           sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
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
