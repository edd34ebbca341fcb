// Stand-in for the generator in the end-to-end tests. What it does is read from the file
// "fakegen.script" beside it, one action per line, so that a test picks the behaviour without
// touching the command line under test:
//
//   record          append a JSON line to fakegen.log: command line, argv, folder, handles
//   out N           write N bytes of a letter pattern to stdout, in 64 KiB writes
//   hex HEX         write these bytes to stdout
//   err HEX         write these bytes to stderr
//   cat             copy the file named by the first argument to stdout
//   sleep MS
//   descendant MS   start a copy of itself that holds stdout for MS milliseconds and never
//                   writes; its pid goes to descendant.pid
//   flood MS        the same, but the copy writes to stdout without pause all that time
//   exit CODE
//   crash
//
// Other modes, by first argument: "--descendant MS" (the copy above); "--leaky-parent", which
// runs "--report" under a pipe whose read end is inheritable and relays what it prints, to show
// that the handle scan of "record" does see a leaked read end.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <algorithm>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::string Hex(const void* data, size_t size) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    const auto* p = static_cast<const unsigned char*>(data);
    for (size_t i = 0; i < size; ++i) {
        out += digits[p[i] >> 4];
        out += digits[p[i] & 15];
    }
    return out;
}

std::string Unhex(const std::string& s) {
    std::string out;
    for (size_t i = 0; i + 1 < s.size(); i += 2)
        out += static_cast<char>(std::strtoul(s.substr(i, 2).c_str(), nullptr, 16));
    return out;
}

std::string OwnPath() {
    char path[MAX_PATH * 2] = {};
    GetModuleFileNameA(nullptr, path, sizeof path - 1);
    return path;
}

std::string Beside(const char* name) {
    std::string dir = OwnPath();
    dir.erase(dir.find_last_of('\\') + 1);
    return dir + name;
}

bool WriteAll(HANDLE h, const char* data, size_t size) {
    while (size > 0) {
        DWORD wrote = 0;
        if (!WriteFile(h, data, static_cast<DWORD>(size), &wrote, nullptr) || wrote == 0)
            return false;
        data += wrote;
        size -= wrote;
    }
    return true;
}

std::string HandleJson(HANDLE h) {
    std::ostringstream o;
    o << "{\"value\":" << reinterpret_cast<UINT_PTR>(h) << ",\"type\":" << GetFileType(h) << "}";
    return o.str();
}

// Every valid handle value of this process that is a pipe, other than stdout. Called first
// thing, before this program opens anything itself, so each one was inherited.
std::vector<UINT_PTR> ForeignPipes(HANDLE out) {
    std::vector<UINT_PTR> found;
    for (UINT_PTR v = 4; v < 0x10000; v += 4) {
        HANDLE h = reinterpret_cast<HANDLE>(v);
        DWORD flags = 0;
        if (h == out || !GetHandleInformation(h, &flags))
            continue;
        if (GetFileType(h) == FILE_TYPE_PIPE)
            found.push_back(v);
    }
    return found;
}

std::string Record(int argc, char** argv) {
    HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
    const std::vector<UINT_PTR> foreign = ForeignPipes(out);

    std::ostringstream o;
    const char* line = GetCommandLineA();
    o << "{\"cmdline\":\"" << Hex(line, std::strlen(line)) << "\",\"argv\":[";
    for (int i = 0; i < argc; ++i)
        o << (i ? "," : "") << "\"" << Hex(argv[i], std::strlen(argv[i])) << "\"";
    o << "],\"argv_w\":[";
    int wargc = 0;
    LPWSTR* wargv = CommandLineToArgvW(GetCommandLineW(), &wargc);
    for (int i = 0; wargv && i < wargc; ++i)
        o << (i ? "," : "") << "\"" << Hex(wargv[i], wcslen(wargv[i]) * sizeof(wchar_t)) << "\"";
    LocalFree(wargv);
    char cwd[MAX_PATH * 2] = {};
    GetCurrentDirectoryA(sizeof cwd - 1, cwd);
    o << "],\"cwd\":\"" << Hex(cwd, std::strlen(cwd)) << "\",\"stdin\":" << HandleJson(in)
      << ",\"stdout\":" << HandleJson(out) << ",\"stderr\":" << HandleJson(err)
      << ",\"foreign_pipes\":[";
    for (size_t i = 0; i < foreign.size(); ++i)
        o << (i ? "," : "") << foreign[i];
    o << "],\"pid\":" << GetCurrentProcessId() << "}\n";
    return o.str();
}

void WritePattern(HANDLE out, unsigned long long total) {
    std::vector<char> chunk(64 * 1024);
    for (size_t i = 0; i < chunk.size(); ++i)
        chunk[i] = static_cast<char>('A' + i % 26);
    // Each write starts where the pattern left off, so the stream is one unbroken pattern.
    unsigned long long done = 0;
    while (done < total) {
        const size_t phase = static_cast<size_t>(done % 26);
        const size_t n =
            static_cast<size_t>(std::min<unsigned long long>(chunk.size() - 26, total - done));
        if (!WriteAll(out, chunk.data() + phase, n))
            return;
        done += n;
    }
}

void StartDescendant(const std::string& ms, bool flood) {
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    SetHandleInformation(out, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = out;
    std::string line = "\"" + OwnPath() + "\" --descendant " + ms + (flood ? " flood" : "");
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi))
        return;
    std::ofstream(Beside("descendant.pid")) << pi.dwProcessId << "\n";
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
}

int LeakyParent() {
    SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
    HANDLE r = nullptr;
    HANDLE w = nullptr;
    if (!CreatePipe(&r, &w, &sa, 0))
        return 2;
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = w;
    std::string line = "\"" + OwnPath() + "\" --report";
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi))
        return 3;
    CloseHandle(w);
    char buf[4096];
    DWORD got = 0;
    // The child holds our read end too, so the pipe never reports its end: stop at the line.
    std::string text;
    while (text.find('\n') == std::string::npos && ReadFile(r, buf, sizeof buf, &got, nullptr) &&
           got)
        text.append(buf, got);
    WaitForSingleObject(pi.hProcess, INFINITE);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    CloseHandle(r);
    std::fwrite(text.data(), 1, text.size(), stdout);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc >= 3 && std::strcmp(argv[1], "--descendant") == 0) {
        const DWORD until = GetTickCount() + std::strtoul(argv[2], nullptr, 10);
        if (argc < 4)
            Sleep(until - GetTickCount());
        const std::vector<char> chunk(256 * 1024, '~');
        while (static_cast<LONG>(until - GetTickCount()) > 0)
            if (!WriteAll(GetStdHandle(STD_OUTPUT_HANDLE), chunk.data(), chunk.size()))
                Sleep(10);
        return 0;
    }
    if (argc >= 2 && std::strcmp(argv[1], "--leaky-parent") == 0)
        return LeakyParent();
    if (argc >= 2 && std::strcmp(argv[1], "--report") == 0) {
        const std::string r = Record(argc, argv);
        WriteAll(GetStdHandle(STD_OUTPUT_HANDLE), r.data(), r.size());
        return 0;
    }

    // The script is read whole and closed first: a file, never a pipe, so the handle scan that
    // follows sees only what was inherited. Scanning costs time; only "record" pays for it.
    std::vector<std::string> words;
    {
        std::ifstream script(Beside("fakegen.script"));
        std::string word;
        while (script >> word)
            words.push_back(word);
    }
    std::string record;
    if (std::find(words.begin(), words.end(), "record") != words.end())
        record = Record(argc, argv);

    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    for (size_t i = 0; i < words.size(); ++i) {
        const std::string& action = words[i];
        std::string arg;
        if (action != "record" && action != "cat" && action != "crash" && i + 1 < words.size())
            arg = words[++i];
        if (action == "record") {
            std::ofstream(Beside("fakegen.log"), std::ios::app | std::ios::binary) << record;
        } else if (action == "out") {
            WritePattern(out, std::strtoull(arg.c_str(), nullptr, 10));
        } else if (action == "hex") {
            const std::string bytes = Unhex(arg);
            WriteAll(out, bytes.data(), bytes.size());
        } else if (action == "err") {
            const std::string bytes = Unhex(arg);
            WriteAll(GetStdHandle(STD_ERROR_HANDLE), bytes.data(), bytes.size());
        } else if (action == "cat" && argc >= 2) {
            std::ifstream in(argv[1], std::ios::binary);
            const std::string text((std::istreambuf_iterator<char>(in)),
                                   std::istreambuf_iterator<char>());
            WriteAll(out, text.data(), text.size());
        } else if (action == "sleep") {
            Sleep(std::strtoul(arg.c_str(), nullptr, 10));
        } else if (action == "descendant" || action == "flood") {
            StartDescendant(arg, action == "flood");
        } else if (action == "exit") {
            return static_cast<int>(std::strtol(arg.c_str(), nullptr, 10));
        } else if (action == "crash") {
            *static_cast<volatile int*>(nullptr) = 1;
        }
    }
    return 0;
}
