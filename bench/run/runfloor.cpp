// The floor of the run benchmark: the least a Win32 GUI program does to run a console program
// and collect its output. Same subsystem, creation flags and start-up record as the front end's
// run, so that only the front end's own overhead shows in the ratio.
//
//   runfloor.exe pipe|nul COUNT COMMAND-LINE...
//
// pipe: stdout is an anonymous pipe, read to its end in 64 KiB reads (the first 1023 bytes
// kept), then the child is waited for. nul: stdout is NUL, the child is only waited for.
// Prints one line per run to its own stdout: milliseconds and the bytes read.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

double Now() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return 1000.0 * static_cast<double>(t.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// The rest of our own command line after the first three words, exactly as given.
std::string CommandTail(const char* line) {
    int words = 0;
    bool quoted = false;
    const char* p = line;
    while (*p && words < 3) {
        while (*p == ' ' || *p == '\t')
            ++p;
        while (*p && (quoted || (*p != ' ' && *p != '\t'))) {
            if (*p == '"')
                quoted = !quoted;
            ++p;
        }
        ++words;
    }
    while (*p == ' ' || *p == '\t')
        ++p;
    return p;
}

bool RunOnce(bool pipe, std::string command, unsigned long long& total) {
    SECURITY_ATTRIBUTES inheritable = {sizeof inheritable, nullptr, TRUE};
    HANDLE read = nullptr;
    HANDLE write = nullptr;
    if (pipe) {
        if (!CreatePipe(&read, &write, &inheritable, 0))
            return false;
        SetHandleInformation(read, HANDLE_FLAG_INHERIT, 0);
    } else {
        write = CreateFileA("NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inheritable,
                            OPEN_EXISTING, 0, nullptr);
    }
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES;
    si.wShowWindow = SW_SHOWDEFAULT;
    si.hStdOutput = write;
    PROCESS_INFORMATION pi = {};
    const BOOL started =
        CreateProcessA(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi);
    CloseHandle(write);
    total = 0;
    if (started && pipe) {
        std::vector<char> chunk(64 * 1024);
        std::string kept;
        DWORD got = 0;
        while (ReadFile(read, chunk.data(), static_cast<DWORD>(chunk.size()), &got, nullptr) &&
               got) {
            if (kept.size() < 1023)
                kept.append(chunk.data(), std::min<size_t>(got, 1023 - kept.size()));
            total += got;
        }
    }
    if (started) {
        WaitForSingleObject(pi.hProcess, INFINITE);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    }
    if (read)
        CloseHandle(read);
    return started != FALSE;
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    if (__argc < 4)
        return 2;
    const bool pipe = std::string(__argv[1]) == "pipe";
    const int count = std::atoi(__argv[2]);
    const std::string command = CommandTail(GetCommandLineA());
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    for (int i = 0; i < count; ++i) {
        unsigned long long total = 0;
        const double t0 = Now();
        if (!RunOnce(pipe, command, total))
            return 1;
        char line[64];
        const int n = std::snprintf(line, sizeof line, "%.3f %llu\n", Now() - t0, total);
        DWORD wrote = 0;
        WriteFile(out, line, static_cast<DWORD>(n), &wrote, nullptr);
    }
    return 0;
}
