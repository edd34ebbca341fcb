#include "platform.h"

#include "content.h"

#include <cstring>

#include <windows.h>
#include <shellapi.h>

namespace keltrop::platform {
namespace {

constexpr std::size_t chunk_size = 1 << 20;

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

PathStyle path_style() { return PathStyle{true, ansi_char_length}; }

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

bool has_content(const std::string& path, const Pieces& content) {
    Handle file(CreateFileW(system_path(path).c_str(), GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    LARGE_INTEGER size;
    if (!file.valid() || !GetFileSizeEx(file.get(), &size) ||
        static_cast<unsigned long long>(size.QuadPart) != total_size(content)) {
        return false;
    }
    PieceCursor cursor(content);
    std::string chunk(chunk_size, '\0');
    while (true) {
        DWORD n = 0;
        if (!ReadFile(file.get(), &chunk[0], static_cast<DWORD>(chunk.size()), &n, nullptr)) {
            return false;
        }
        if (n == 0) {
            return !cursor.matches(std::string_view("x", 1));
        }
        if (!cursor.matches(std::string_view(chunk.data(), n))) {
            return false;
        }
    }
}

bool replace_file(const std::string& path, const Pieces& content, std::string& reason) {
    const std::wstring target = system_path(path);
    std::wstring temp;
    HANDLE created = INVALID_HANDLE_VALUE;
    for (int attempt = 0; created == INVALID_HANDLE_VALUE; ++attempt) {
        temp = target + L".keltrop-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
               std::to_wstring(attempt) + L".tmp";
        created = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
        const DWORD error = GetLastError();
        if (created == INVALID_HANDLE_VALUE && (error != ERROR_FILE_EXISTS || attempt == 99)) {
            reason = reason_of(error);
            return false;
        }
    }
    Handle file(created);
    bool ok = true;
    DWORD error = 0;
    PieceCursor cursor(content);
    std::string chunk;
    while (ok && cursor.next(chunk, chunk_size)) {
        DWORD written = 0;
        if (!WriteFile(file.get(), chunk.data(), static_cast<DWORD>(chunk.size()), &written,
                       nullptr) ||
            written != chunk.size()) {
            ok = false;
            error = GetLastError();
        }
    }
    if (!file.close() && ok) {
        ok = false;
        error = GetLastError();
    }
    if (ok && !MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        ok = false;
        error = GetLastError();
    }
    if (!ok) {
        DeleteFileW(temp.c_str());
        reason = reason_of(error);
    }
    return ok;
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
