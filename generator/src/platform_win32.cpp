#include "platform.h"

#include <cstring>

#include <windows.h>
#include <shellapi.h>

namespace keltrop::platform {
namespace {

// Double-byte code pages (932 and others): a lead byte and the byte after it are one character.
std::size_t ansi_char_length(std::string_view s, std::size_t i) {
    return i + 1 < s.size() && IsDBCSLeadByte(static_cast<BYTE>(s[i])) ? 2 : 1;
}

// The system's message for an error code, in the user's language and the ANSI code page.
std::string reason_of(DWORD code) {
    char* buffer = nullptr;
    const DWORD n = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                       FORMAT_MESSAGE_IGNORE_INSERTS,
                                   nullptr, code, 0, reinterpret_cast<char*>(&buffer), 0, nullptr);
    std::string text = n > 0 ? std::string(buffer, n) : "system error " + std::to_string(code);
    if (buffer != nullptr) {
        LocalFree(buffer);
    }
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' ' ||
                             text.back() == '.')) {
        text.pop_back();
    }
    return text;
}

std::wstring widen(const std::string& s) {
    if (s.empty()) {
        return std::wstring();
    }
    const int n = MultiByteToWideChar(CP_ACP, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
    std::wstring w(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, s.data(), static_cast<int>(s.size()), &w[0], n);
    return w;
}

// False if some character has no form in the ANSI code page. (With UTF-8 as the ANSI code page
// every character has one, and the system takes no default-character flags for it.)
bool narrow(const wchar_t* w, std::string& s) {
    const bool utf8 = GetACP() == CP_UTF8;
    const DWORD flags = utf8 ? 0 : WC_NO_BEST_FIT_CHARS;
    BOOL lossy = FALSE;
    BOOL* lossy_out = utf8 ? nullptr : &lossy;
    const int n = WideCharToMultiByte(CP_ACP, flags, w, -1, nullptr, 0, nullptr, lossy_out);
    if (n <= 0) {
        s.clear();
        return false;
    }
    s.assign(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_ACP, flags, w, -1, &s[0], n, nullptr, lossy_out);
    s.resize(s.size() - 1);
    return !lossy;
}

std::wstring full_path(const std::wstring& w) {
    const DWORD n = GetFullPathNameW(w.c_str(), 0, nullptr, nullptr);
    if (n == 0) {
        return w;
    }
    std::wstring full(n, L'\0');
    const DWORD m = GetFullPathNameW(w.c_str(), n, &full[0], nullptr);
    full.resize(m < n ? m : 0);
    return full;
}

// Absolute, backslashes only, "\\?\" in front: no limit of 260 characters.
std::wstring system_path(const std::string& path) {
    const std::wstring w = widen(path);
    if (w.rfind(L"\\\\?\\", 0) == 0 || w.empty()) {
        return w;
    }
    const std::wstring full = full_path(w);
    if (full.rfind(L"\\\\.\\", 0) == 0) {
        return full; // a device
    }
    if (full.rfind(L"\\\\", 0) == 0) {
        return L"\\\\?\\UNC\\" + full.substr(2);
    }
    return L"\\\\?\\" + full;
}

class Handle {
public:
    explicit Handle(HANDLE h) : h_(h) {}
    ~Handle() { close(); }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    HANDLE get() const { return h_; }
    bool valid() const { return h_ != INVALID_HANDLE_VALUE; }
    bool close() {
        const bool ok = !valid() || CloseHandle(h_) != 0;
        h_ = INVALID_HANDLE_VALUE;
        return ok;
    }

private:
    HANDLE h_;
};

} // namespace

PathStyle path_style() {
    return PathStyle{true, ansi_char_length};
}

bool arguments(int, char**, std::vector<std::string>& args, std::string& error) {
    // From the UTF-16 command line: the C runtime's own split of the ANSI one can take the second
    // byte of a double-byte character (0x5C) for a backslash before a closing quote.
    int count = 0;
    wchar_t** wargv = CommandLineToArgvW(GetCommandLineW(), &count);
    if (wargv == nullptr) {
        error = "cannot read the command line: " + reason_of(GetLastError());
        return false;
    }
    bool ok = true;
    args.clear();
    for (int i = 1; i < count && ok; ++i) {
        std::string arg;
        if (!narrow(wargv[i], arg)) {
            error = "argument " + std::to_string(i) +
                    " has characters that the system code page cannot represent";
            ok = false;
        }
        args.push_back(arg);
    }
    LocalFree(wargv);
    return ok;
}

ReadResult read_file(const std::string& path) {
    ReadResult result;
    const std::wstring p = system_path(path);
    const DWORD attributes = GetFileAttributesW(p.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        result.status = ReadResult::IsFolder;
        return result;
    }
    Handle file(CreateFileW(p.c_str(), GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    LARGE_INTEGER size;
    if (!file.valid() || !GetFileSizeEx(file.get(), &size)) {
        result.reason = reason_of(GetLastError());
        return result;
    }
    if (size.QuadPart > 0x40000000) {
        result.reason = "the file is larger than 1 GiB";
        return result;
    }
    // One byte more than the size, so that the end is seen without growing.
    result.storage = BigBlock(static_cast<std::size_t>(size.QuadPart) + 1);
    std::size_t used = 0;
    while (true) {
        if (used == result.storage.size()) { // it grew since it was measured
            BigBlock bigger(result.storage.size() * 2);
            std::memcpy(bigger.data(), result.storage.data(), used);
            result.storage = std::move(bigger);
        }
        DWORD n = 0;
        if (!ReadFile(file.get(), result.storage.data() + used,
                      static_cast<DWORD>(result.storage.size() - used), &n, nullptr)) {
            result.reason = reason_of(GetLastError());
            return result;
        }
        if (n == 0) {
            break;
        }
        used += n;
    }
    result.data = std::string_view(result.storage.data(), used);
    result.status = ReadResult::Ok;
    return result;
}

bool File::open_read(const std::string& path, std::string& reason) {
    std::string ignored;
    close(ignored);
    const HANDLE h = CreateFileW(system_path(path).c_str(), GENERIC_READ,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        reason = reason_of(GetLastError());
        return false;
    }
    handle_ = reinterpret_cast<std::intptr_t>(h);
    return true;
}

bool File::create_new(const std::string& path, bool& exists, std::string& reason) {
    std::string ignored;
    close(ignored);
    const HANDLE h = CreateFileW(system_path(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
    const DWORD error = GetLastError();
    exists = h == INVALID_HANDLE_VALUE && error == ERROR_FILE_EXISTS;
    if (h == INVALID_HANDLE_VALUE) {
        reason = reason_of(error);
        return false;
    }
    handle_ = reinterpret_cast<std::intptr_t>(h);
    return true;
}

bool File::read(char* buffer, std::size_t n, std::size_t& got, std::string& reason) {
    DWORD r = 0;
    const DWORD want = n > 0x40000000 ? 0x40000000 : static_cast<DWORD>(n);
    if (!ReadFile(reinterpret_cast<HANDLE>(handle_), buffer, want, &r, nullptr)) {
        reason = reason_of(GetLastError());
        return false;
    }
    got = r;
    return true;
}

bool File::write_all(std::string_view data, std::string& reason) {
    while (!data.empty()) {
        const DWORD chunk = data.size() > 0x1000000 ? 0x1000000 : static_cast<DWORD>(data.size());
        DWORD written = 0;
        if (!WriteFile(reinterpret_cast<HANDLE>(handle_), data.data(), chunk, &written, nullptr)) {
            reason = reason_of(GetLastError());
            return false;
        }
        if (written == 0) {
            reason = "nothing could be written";
            return false;
        }
        data.remove_prefix(written);
    }
    return true;
}

bool File::close(std::string& reason) {
    if (handle_ == -1) {
        return true;
    }
    const HANDLE h = reinterpret_cast<HANDLE>(handle_);
    handle_ = -1;
    if (!CloseHandle(h)) {
        reason = reason_of(GetLastError());
        return false;
    }
    return true;
}

bool rename_over(const std::string& from, const std::string& to, std::string& reason) {
    if (!MoveFileExW(system_path(from).c_str(), system_path(to).c_str(),
                     MOVEFILE_REPLACE_EXISTING)) {
        reason = reason_of(GetLastError());
        return false;
    }
    return true;
}

void remove_file(const std::string& path) {
    DeleteFileW(system_path(path).c_str());
}

unsigned long process_id() {
    return GetCurrentProcessId();
}

bool same_file(const std::string& a, const std::string& b) {
    BY_HANDLE_FILE_INFORMATION info[2];
    const std::string* paths[2] = {&a, &b};
    for (int i = 0; i < 2; ++i) {
        Handle file(CreateFileW(system_path(*paths[i]).c_str(), FILE_READ_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
        if (!file.valid() || !GetFileInformationByHandle(file.get(), &info[i])) {
            return false;
        }
    }
    return info[0].dwVolumeSerialNumber == info[1].dwVolumeSerialNumber &&
           info[0].nFileIndexHigh == info[1].nFileIndexHigh &&
           info[0].nFileIndexLow == info[1].nFileIndexLow;
}

std::string absolute_path(const std::string& path) {
    std::string shown;
    return narrow(full_path(widen(path)).c_str(), shown) ? shown : path;
}

} // namespace keltrop::platform
