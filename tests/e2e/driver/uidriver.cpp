// uidriver: drives the windows of other processes in the same Wine session, the way a UI
// automation tool would. One JSON object per line on stdin, one JSON reply per line on stdout.
// Every reply carries "ok"; failures carry "error" and never end the driver.
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "json.h"

namespace {

using json::Builder;
using json::Object;
using json::Value;

struct Failure {
    std::string what;
};

[[noreturn]] void fail(const std::string& what) {
    throw Failure{what};
}

std::string last_error(const char* call) {
    return std::string(call) + " failed, GetLastError " + std::to_string(GetLastError());
}

const Value* find(const Object& req, const char* name) {
    auto it = req.find(name);
    if (it == req.end() || it->second.kind == Value::Null)
        return nullptr;
    return &it->second;
}

long long integer(const Object& req, const char* name, long long fallback) {
    const Value* v = find(req, name);
    if (!v)
        return fallback;
    if (v->kind == Value::Bool)
        return v->b ? 1 : 0;
    if (v->kind != Value::Number)
        fail(std::string("'") + name + "' must be a number");
    return v->integer;
}

long long required_integer(const Object& req, const char* name) {
    if (!find(req, name))
        fail(std::string("missing '") + name + "'");
    return integer(req, name, 0);
}

bool flag(const Object& req, const char* name) {
    return integer(req, name, 0) != 0;
}

const std::wstring* text(const Object& req, const char* name) {
    const Value* v = find(req, name);
    if (!v)
        return nullptr;
    if (v->kind != Value::String)
        fail(std::string("'") + name + "' must be a string");
    return &v->str;
}

std::wstring required_text(const Object& req, const char* name) {
    const std::wstring* t = text(req, name);
    if (!t)
        fail(std::string("missing '") + name + "'");
    return *t;
}

HWND window(const Object& req, const char* name = "hwnd") {
    HWND h = reinterpret_cast<HWND>(static_cast<UINT_PTR>(required_integer(req, name)));
    if (!IsWindow(h))
        fail(std::string("'") + name + "' is not a window");
    return h;
}

long long id_of(HWND h) {
    return static_cast<long long>(reinterpret_cast<UINT_PTR>(h));
}

std::string rect_json(const RECT& r) {
    return "[" + std::to_string(r.left) + "," + std::to_string(r.top) + "," +
           std::to_string(r.right - r.left) + "," + std::to_string(r.bottom - r.top) + "]";
}

std::wstring class_of(HWND h) {
    wchar_t buf[256];
    int n = GetClassNameW(h, buf, 256);
    return std::wstring(buf, n > 0 ? static_cast<size_t>(n) : 0);
}

// Window text through the window's own WM_GETTEXT, so that controls answer for themselves.
// How long a message sent to another program's window may take. A UI thread can be busy for a
// few seconds (a file dialog returning, a generator run); requests may set their own "timeout".
DWORD g_send_timeout = 10000;

std::wstring text_of(HWND h, DWORD timeout_ms = g_send_timeout) {
    DWORD_PTR len = 0;
    if (!SendMessageTimeoutW(h, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, timeout_ms, &len))
        fail("WM_GETTEXTLENGTH timed out");
    std::vector<wchar_t> buf(len + 2, L'\0');
    DWORD_PTR got = 0;
    if (!SendMessageTimeoutW(h, WM_GETTEXT, buf.size(), reinterpret_cast<LPARAM>(buf.data()),
                             SMTO_ABORTIFHUNG, timeout_ms, &got))
        fail("WM_GETTEXT timed out");
    if (got > len + 1)
        got = len + 1;
    return std::wstring(buf.data(), got);
}

std::string hex(const std::string& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

std::string to_acp(const std::wstring& w) {
    if (w.empty())
        return std::string();
    int n = WideCharToMultiByte(CP_ACP, 0, w.c_str(), static_cast<int>(w.size()), nullptr, 0,
                                nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_ACP, 0, w.c_str(), static_cast<int>(w.size()), &out[0], n, nullptr,
                        nullptr);
    return out;
}

std::wstring from_acp(const std::string& a) {
    if (a.empty())
        return std::wstring();
    int n = MultiByteToWideChar(CP_ACP, 0, a.c_str(), static_cast<int>(a.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, a.c_str(), static_cast<int>(a.size()), &out[0], n);
    return out;
}

std::string unhex(const std::wstring& h) {
    if (h.size() % 2)
        fail("odd hex length");
    auto nib = [](wchar_t c) -> int {
        if (c >= L'0' && c <= L'9')
            return c - L'0';
        if (c >= L'a' && c <= L'f')
            return c - L'a' + 10;
        if (c >= L'A' && c <= L'F')
            return c - L'A' + 10;
        fail("bad hex digit");
    };
    std::string out;
    for (size_t i = 0; i < h.size(); i += 2)
        out += static_cast<char>(nib(h[i]) * 16 + nib(h[i + 1]));
    return out;
}

HWND top_level_of(HWND h) {
    HWND root = GetAncestor(h, GA_ROOT);
    return root ? root : h;
}

std::string window_json(HWND h, HWND top, int depth, int index, bool with_text) {
    RECT wr{};
    GetWindowRect(h, &wr);
    RECT cr = wr;
    MapWindowPoints(HWND_DESKTOP, top, reinterpret_cast<POINT*>(&cr), 2);
    RECT client{};
    GetClientRect(h, &client);
    DWORD pid = 0;
    DWORD tid = GetWindowThreadProcessId(h, &pid);
    Builder b;
    b.num("hwnd", id_of(h))
        .num("parent",
             id_of(GetAncestor(h, GA_PARENT) == GetDesktopWindow() ? nullptr
                                                                   : GetAncestor(h, GA_PARENT)))
        .num("owner", id_of(GetWindow(h, GW_OWNER)))
        .num("depth", depth)
        .num("index", index)
        .str("class", class_of(h))
        .num("id", static_cast<long long>(GetWindowLongPtrW(h, GWLP_ID)))
        .raw("rect", rect_json(wr))
        .raw("crect", rect_json(cr))
        .raw("client", rect_json(client))
        .num("style", static_cast<long long>(static_cast<DWORD>(GetWindowLongW(h, GWL_STYLE))))
        .num("exstyle", static_cast<long long>(static_cast<DWORD>(GetWindowLongW(h, GWL_EXSTYLE))))
        .boolean("visible", IsWindowVisible(h) != FALSE)
        .boolean("enabled", IsWindowEnabled(h) != FALSE)
        .num("pid", pid)
        .num("tid", tid);
    if (with_text)
        b.str("text", text_of(h));
    return b.done();
}

void collect_children(HWND parent, HWND top, int depth, std::string& out, bool& first) {
    int index = 0;
    for (HWND c = GetWindow(parent, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT), ++index) {
        out += first ? "" : ",";
        first = false;
        out += window_json(c, top, depth, index, true);
        collect_children(c, top, depth + 1, out, first);
    }
}

struct TopQuery {
    const std::wstring* cls = nullptr;
    const std::wstring* title = nullptr;
    DWORD pid = 0;
    bool visible_only = false;
    std::vector<HWND> found;
};

BOOL CALLBACK top_proc(HWND h, LPARAM lp) {
    auto* q = reinterpret_cast<TopQuery*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(h, &pid);
    if (q->pid && pid != q->pid)
        return TRUE;
    if (q->visible_only && !IsWindowVisible(h))
        return TRUE;
    if (q->cls && class_of(h) != *q->cls)
        return TRUE;
    if (q->title) {
        // Internal text: never blocks on a hung window.
        wchar_t buf[512];
        int n = InternalGetWindowText(h, buf, 512);
        if (std::wstring(buf, n > 0 ? static_cast<size_t>(n) : 0) != *q->title)
            return TRUE;
    }
    q->found.push_back(h);
    return TRUE;
}

std::vector<HWND> top_levels(const Object& req) {
    TopQuery q;
    q.cls = text(req, "class");
    q.title = text(req, "title");
    q.pid = static_cast<DWORD>(integer(req, "pid", 0));
    q.visible_only = flag(req, "visible");
    EnumWindows(top_proc, reinterpret_cast<LPARAM>(&q));
    return q.found;
}

double now_ms() {
    static LARGE_INTEGER freq = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER c;
    QueryPerformanceCounter(&c);
    return static_cast<double>(c.QuadPart) * 1000.0 / static_cast<double>(freq.QuadPart);
}

// Painted: visible, and neither it nor any visible descendant has a pending update region.
bool has_pending_paint(HWND h) {
    if (!IsWindowVisible(h))
        return false;
    if (GetUpdateRect(h, nullptr, FALSE))
        return true;
    for (HWND c = GetWindow(h, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
        if (has_pending_paint(c))
            return true;
    return false;
}

bool wait_painted(HWND h, double deadline) {
    for (;;) {
        if (IsWindowVisible(h) && !has_pending_paint(h))
            return true;
        if (now_ms() > deadline)
            return false;
        Sleep(1);
    }
}

std::map<DWORD, HANDLE> g_children;

HANDLE open_process(DWORD pid, DWORD access) {
    auto it = g_children.find(pid);
    if (it != g_children.end()) {
        HANDLE dup = nullptr;
        DuplicateHandle(GetCurrentProcess(), it->second, GetCurrentProcess(), &dup, access, FALSE,
                        0);
        if (dup)
            return dup;
    }
    HANDLE p = OpenProcess(access, FALSE, pid);
    if (!p)
        fail(last_error("OpenProcess"));
    return p;
}

HANDLE inheritable_file(const std::wstring& path, bool write) {
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    HANDLE h = CreateFileW(path.c_str(), write ? GENERIC_WRITE : GENERIC_READ,
                           FILE_SHARE_READ | FILE_SHARE_WRITE, &sa,
                           write ? CREATE_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        fail(last_error("CreateFileW"));
    return h;
}

// Children get their own standard handles: left to inherit, a child's output would land in
// this driver's reply stream.
PROCESS_INFORMATION spawn(const std::wstring& cmdline, const std::wstring* cwd,
                          const std::wstring* stdout_path) {
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = inheritable_file(L"NUL", false);
    si.hStdOutput = inheritable_file(stdout_path ? *stdout_path : L"NUL", true);
    si.hStdError = inheritable_file(L"NUL", true);
    PROCESS_INFORMATION pi{};
    std::vector<wchar_t> line(cmdline.begin(), cmdline.end());
    line.push_back(L'\0');
    BOOL created = CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                  cwd ? cwd->c_str() : nullptr, &si, &pi);
    DWORD error = GetLastError();
    CloseHandle(si.hStdInput);
    CloseHandle(si.hStdOutput);
    CloseHandle(si.hStdError);
    if (!created) {
        SetLastError(error);
        fail(last_error("CreateProcessW"));
    }
    CloseHandle(pi.hThread);
    g_children[pi.dwProcessId] = pi.hProcess;
    return pi;
}

std::string memory_json(DWORD pid) {
    HANDLE p = open_process(pid, PROCESS_QUERY_INFORMATION | PROCESS_VM_READ);
    PROCESS_MEMORY_COUNTERS pmc{};
    pmc.cb = sizeof pmc;
    BOOL ok = GetProcessMemoryInfo(p, &pmc, sizeof pmc);
    CloseHandle(p);
    if (!ok)
        fail(last_error("GetProcessMemoryInfo"));
    return Builder()
        .num("peak_working_set", static_cast<long long>(pmc.PeakWorkingSetSize))
        .num("working_set", static_cast<long long>(pmc.WorkingSetSize))
        .num("peak_pagefile", static_cast<long long>(pmc.PeakPagefileUsage))
        .num("pagefile", static_cast<long long>(pmc.PagefileUsage))
        .done();
}

// --- Version resources -----------------------------------------------------------------------

// One node of a version block: length, value length, type, key, value, children.
struct VerNode {
    const BYTE* start;
    const BYTE* end;
    WORD value_length;
    WORD type;
    std::wstring key;
    const BYTE* value;
    const BYTE* children;
};

const BYTE* align4(const BYTE* base, const BYTE* p) {
    size_t off = static_cast<size_t>(p - base);
    return base + ((off + 3) & ~static_cast<size_t>(3));
}

bool read_node(const BYTE* base, const BYTE* p, const BYTE* limit, VerNode& n) {
    if (p + 6 > limit)
        return false;
    WORD len = *reinterpret_cast<const WORD*>(p);
    if (len < 6 || p + len > limit)
        return false;
    n.start = p;
    n.end = p + len;
    n.value_length = reinterpret_cast<const WORD*>(p)[1];
    n.type = reinterpret_cast<const WORD*>(p)[2];
    const wchar_t* k = reinterpret_cast<const wchar_t*>(p + 6);
    n.key.clear();
    while (reinterpret_cast<const BYTE*>(k + 1) <= n.end && *k)
        n.key += *k++;
    n.value = align4(base, reinterpret_cast<const BYTE*>(k + 1));
    size_t vbytes = n.type == 1 ? n.value_length * 2u : n.value_length;
    n.children = align4(base, n.value + vbytes);
    if (n.value > n.end)
        n.value = n.end;
    if (n.children > n.end)
        n.children = n.end;
    return true;
}

template <typename F> void each_child(const BYTE* base, const VerNode& parent, F f) {
    const BYTE* p = parent.children;
    VerNode c;
    while (p < parent.end && read_node(base, p, parent.end, c)) {
        f(c);
        const BYTE* next = align4(base, c.end);
        if (next <= p)
            break;
        p = next;
    }
}

// Every string table with its entries in stored order, read from the block itself, so that
// present-but-empty values and the order of keys are visible too.
std::string string_tables_json(const BYTE* base, size_t size) {
    VerNode root;
    std::string out = "{";
    bool first_table = true;
    if (!read_node(base, base, base + size, root))
        return "{}";
    each_child(base, root, [&](const VerNode& sfi) {
        if (sfi.key != L"StringFileInfo")
            return;
        each_child(base, sfi, [&](const VerNode& table) {
            out += first_table ? "" : ",";
            first_table = false;
            out += json::quote(table.key) + ":[";
            bool first = true;
            each_child(base, table, [&](const VerNode& s) {
                std::wstring v;
                const wchar_t* w = reinterpret_cast<const wchar_t*>(s.value);
                for (WORD i = 0; i < s.value_length &&
                                 reinterpret_cast<const BYTE*>(w + i + 1) <= s.end && w[i];
                     ++i)
                    v += w[i];
                out += first ? "[" : ",[";
                first = false;
                out += json::quote(s.key) + "," + json::quote(v) + "]";
            });
            out += "]";
        });
    });
    return out + "}";
}

std::string version_json(const Object& req) {
    std::wstring path = required_text(req, "path");
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
    Builder b;
    b.boolean("ok", true).num("size", size);
    if (size == 0)
        return b.boolean("present", false).done();
    std::vector<BYTE> block(size + 4, 0);
    if (!GetFileVersionInfoW(path.c_str(), 0, size, block.data()))
        fail(last_error("GetFileVersionInfoW"));
    b.boolean("present", true);

    VS_FIXEDFILEINFO* ffi = nullptr;
    UINT len = 0;
    if (VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&ffi), &len) && ffi &&
        len >= sizeof *ffi) {
        b.raw("fixed", Builder()
                           .num("signature", ffi->dwSignature)
                           .num("struc_version", ffi->dwStrucVersion)
                           .num("file_version_ms", ffi->dwFileVersionMS)
                           .num("file_version_ls", ffi->dwFileVersionLS)
                           .num("product_version_ms", ffi->dwProductVersionMS)
                           .num("product_version_ls", ffi->dwProductVersionLS)
                           .num("flags_mask", ffi->dwFileFlagsMask)
                           .num("flags", ffi->dwFileFlags)
                           .num("os", ffi->dwFileOS)
                           .num("type", ffi->dwFileType)
                           .num("subtype", ffi->dwFileSubtype)
                           .num("date_ms", ffi->dwFileDateMS)
                           .num("date_ls", ffi->dwFileDateLS)
                           .done());
    } else {
        b.null("fixed");
    }

    std::string translations = "[";
    WORD* tr = nullptr;
    if (VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&tr),
                       &len) &&
        tr) {
        for (UINT i = 0; i + 1 < len / 2; i += 2)
            translations +=
                (i ? ",[" : "[") + std::to_string(tr[i]) + "," + std::to_string(tr[i + 1]) + "]";
    }
    b.raw("translations", translations + "]");
    b.raw("tables", string_tables_json(block.data(), size));

    // The same strings through the query API, the way a program reads its own version.
    const Value* keys = find(req, "keys");
    const std::wstring* table = text(req, "table");
    if (table && keys && keys->kind == Value::Array) {
        std::string q = "{";
        bool first = true;
        for (const std::wstring& k : keys->items) {
            std::wstring sub = L"\\StringFileInfo\\" + *table + L"\\" + k;
            wchar_t* value = nullptr;
            UINT vlen = 0;
            std::string v = "null";
            if (VerQueryValueW(block.data(), sub.c_str(), reinterpret_cast<void**>(&value), &vlen))
                v = json::quote(vlen && value ? std::wstring(value) : std::wstring());
            q += (first ? "" : ",") + json::quote(k) + ":" + v;
            first = false;
        }
        b.raw("query", q + "}");
    }
    return b.done();
}

// --- Commands --------------------------------------------------------------------------------

std::string handle(const Object& req) {
    std::wstring wcmd = required_text(req, "cmd");
    std::string cmd(wcmd.begin(), wcmd.end());
    g_send_timeout = static_cast<DWORD>(integer(req, "timeout", 10000));
    Builder ok;
    ok.boolean("ok", true);

    if (cmd == "ping")
        return ok.num("pid", GetCurrentProcessId()).done();

    if (cmd == "acp")
        return ok.num("acp", GetACP())
            .num("oemcp", GetOEMCP())
            .num("lcid", GetUserDefaultLCID())
            .num("thread_locale", GetThreadLocale())
            .num("ui_language", GetUserDefaultUILanguage())
            .done();

    if (cmd == "screen") {
        RECT work{};
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
        return ok.num("cx", GetSystemMetrics(SM_CXSCREEN))
            .num("cy", GetSystemMetrics(SM_CYSCREEN))
            .raw("work", rect_json(work))
            .done();
    }

    if (cmd == "textextent") {
        // Size of a text in a given font, to tell whether a control is wide enough for it.
        HDC dc = GetDC(nullptr);
        HFONT font = CreateFontW(static_cast<int>(integer(req, "height", -11)), 0, 0, 0, FW_NORMAL,
                                 FALSE, FALSE, FALSE, DEFAULT_CHARSET, 0, 0, 0, 0,
                                 required_text(req, "face").c_str());
        HGDIOBJ old = SelectObject(dc, font);
        std::wstring t = required_text(req, "text");
        SIZE size{};
        GetTextExtentPoint32W(dc, t.c_str(), static_cast<int>(t.size()), &size);
        SelectObject(dc, old);
        DeleteObject(font);
        ReleaseDC(nullptr, dc);
        return ok.num("cx", size.cx).num("cy", size.cy).done();
    }

    if (cmd == "find") {
        double deadline = now_ms() + static_cast<double>(integer(req, "timeout", 5000));
        for (;;) {
            std::vector<HWND> found = top_levels(req);
            if (!found.empty()) {
                DWORD pid = 0;
                GetWindowThreadProcessId(found[0], &pid);
                return ok.num("hwnd", id_of(found[0]))
                    .num("pid", pid)
                    .num("count", static_cast<long long>(found.size()))
                    .done();
            }
            if (now_ms() > deadline)
                fail("no such window");
            Sleep(5);
        }
    }

    if (cmd == "windows") {
        std::string list = "[";
        bool first = true;
        for (HWND h : top_levels(req)) {
            list += first ? "" : ",";
            first = false;
            list += window_json(h, h, 0, 0, flag(req, "text"));
        }
        return ok.raw("windows", list + "]").done();
    }

    if (cmd == "children") {
        HWND h = window(req);
        std::string list = "[";
        bool first = true;
        collect_children(h, top_level_of(h), 0, list, first);
        return ok.raw("children", list + "]").done();
    }

    if (cmd == "info") {
        HWND h = window(req);
        return ok.raw("window", window_json(h, top_level_of(h), 0, 0, true)).done();
    }

    if (cmd == "gettext") {
        HWND h = window(req);
        if (!flag(req, "ansi"))
            return ok.str("text", text_of(h)).done();
        DWORD_PTR len = 0;
        if (!SendMessageTimeoutA(h, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, g_send_timeout, &len))
            fail("WM_GETTEXTLENGTH timed out");
        std::vector<char> buf(len * 2 + 2, '\0');
        DWORD_PTR got = 0;
        if (!SendMessageTimeoutA(h, WM_GETTEXT, buf.size(), reinterpret_cast<LPARAM>(buf.data()),
                                 SMTO_ABORTIFHUNG, g_send_timeout, &got))
            fail("WM_GETTEXT timed out");
        std::string bytes(buf.data(), got < buf.size() ? got : buf.size() - 1);
        return ok.str("text", from_acp(bytes)).str("hex", hex(bytes)).done();
    }

    if (cmd == "settext") {
        HWND h = window(req);
        DWORD_PTR result = 0;
        BOOL sent;
        if (flag(req, "ansi")) {
            const std::wstring* raw = text(req, "hex");
            std::string bytes = raw ? unhex(*raw) : to_acp(required_text(req, "text"));
            sent = SendMessageTimeoutA(h, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(bytes.c_str()),
                                       SMTO_ABORTIFHUNG, g_send_timeout, &result);
        } else {
            std::wstring t = required_text(req, "text");
            sent = SendMessageTimeoutW(h, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(t.c_str()),
                                       SMTO_ABORTIFHUNG, g_send_timeout, &result);
        }
        if (!sent)
            fail("WM_SETTEXT timed out");
        return ok.num("result", static_cast<long long>(result)).done();
    }

    if (cmd == "send" || cmd == "post" || cmd == "click") {
        HWND h = window(req);
        UINT msg = cmd == "click" ? BM_CLICK : static_cast<UINT>(required_integer(req, "msg"));
        WPARAM wp = static_cast<WPARAM>(integer(req, "wparam", 0));
        LPARAM lp = static_cast<LPARAM>(integer(req, "lparam", 0));
        bool post = cmd == "post" || (cmd == "click" && flag(req, "post"));
        if (post) {
            if (!PostMessageW(h, msg, wp, lp))
                fail(last_error("PostMessageW"));
            return ok.done();
        }
        DWORD_PTR result = 0;
        double t0 = now_ms();
        if (!SendMessageTimeoutW(h, msg, wp, lp, SMTO_ABORTIFHUNG,
                                 static_cast<UINT>(integer(req, "timeout", 5000)), &result))
            fail("SendMessageTimeout timed out or failed");
        return ok.num("result", static_cast<long long>(result))
            .real("elapsed_ms", now_ms() - t0)
            .done();
    }

    if (cmd == "focus") {
        HWND h = window(req);
        GUITHREADINFO gti{};
        gti.cbSize = sizeof gti;
        if (!GetGUIThreadInfo(GetWindowThreadProcessId(h, nullptr), &gti))
            fail(last_error("GetGUIThreadInfo"));
        ok.num("focus", id_of(gti.hwndFocus))
            .num("active", id_of(gti.hwndActive))
            .num("capture", id_of(gti.hwndCapture))
            .num("caret", id_of(gti.hwndCaret))
            .num("foreground", id_of(GetForegroundWindow()));
        if (gti.hwndFocus)
            ok.str("focus_class", class_of(gti.hwndFocus));
        return ok.done();
    }

    if (cmd == "foreground") {
        HWND h = window(req);
        return ok.boolean("result", SetForegroundWindow(h) != FALSE).done();
    }

    if (cmd == "move") {
        HWND h = window(req);
        RECT r{};
        GetWindowRect(h, &r);
        int x = static_cast<int>(integer(req, "x", r.left));
        int y = static_cast<int>(integer(req, "y", r.top));
        int w = static_cast<int>(integer(req, "w", r.right - r.left));
        int hh = static_cast<int>(integer(req, "h", r.bottom - r.top));
        if (!SetWindowPos(h, nullptr, x, y, w, hh, SWP_NOZORDER | SWP_NOACTIVATE))
            fail(last_error("SetWindowPos"));
        return ok.done();
    }

    if (cmd == "pidof") {
        HWND h = window(req);
        DWORD pid = 0;
        DWORD tid = GetWindowThreadProcessId(h, &pid);
        return ok.num("pid", pid).num("tid", tid).done();
    }

    if (cmd == "xid") {
        // Wine keeps the X window of a top-level as a window property.
        HWND h = window(req);
        HANDLE prop = GetPropW(h, L"__wine_x11_whole_window");
        return ok.num("xid", static_cast<long long>(reinterpret_cast<UINT_PTR>(prop))).done();
    }

    if (cmd == "spawn") {
        PROCESS_INFORMATION pi =
            spawn(required_text(req, "cmdline"), text(req, "cwd"), text(req, "stdout"));
        return ok.num("pid", pi.dwProcessId).done();
    }

    if (cmd == "wait_exit") {
        DWORD pid = static_cast<DWORD>(required_integer(req, "pid"));
        HANDLE p = open_process(pid, SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION);
        DWORD w = WaitForSingleObject(p, static_cast<DWORD>(integer(req, "timeout", 5000)));
        DWORD code = 0;
        GetExitCodeProcess(p, &code);
        CloseHandle(p);
        ok.boolean("exited", w == WAIT_OBJECT_0);
        if (w == WAIT_OBJECT_0)
            ok.num("code", code);
        return ok.done();
    }

    if (cmd == "kill") {
        DWORD pid = static_cast<DWORD>(required_integer(req, "pid"));
        HANDLE p = open_process(pid, PROCESS_TERMINATE | SYNCHRONIZE);
        BOOL done = TerminateProcess(p, static_cast<UINT>(integer(req, "code", 1)));
        WaitForSingleObject(p, 5000);
        CloseHandle(p);
        return ok.boolean("result", done != FALSE).done();
    }

    if (cmd == "idle") {
        DWORD pid = static_cast<DWORD>(required_integer(req, "pid"));
        HANDLE p = open_process(pid, SYNCHRONIZE | PROCESS_QUERY_INFORMATION);
        DWORD r = WaitForInputIdle(p, static_cast<DWORD>(integer(req, "timeout", 5000)));
        CloseHandle(p);
        return ok.num("result", r).done();
    }

    if (cmd == "meminfo")
        return ok.raw("memory", memory_json(static_cast<DWORD>(required_integer(req, "pid"))))
            .done();

    if (cmd == "painted") {
        HWND h = window(req);
        double deadline = now_ms() + static_cast<double>(integer(req, "timeout", 5000));
        return ok.boolean("painted", wait_painted(h, deadline)).done();
    }

    if (cmd == "launch") {
        // Start-up time as a user sees it: from CreateProcess until the main window is visible
        // and fully painted. Measured in-process so that only the program's own start counts.
        std::wstring cmdline = required_text(req, "cmdline");
        double timeout = static_cast<double>(integer(req, "timeout", 10000));
        double t0 = now_ms();
        PROCESS_INFORMATION pi = spawn(cmdline, text(req, "cwd"), text(req, "stdout"));
        Object q = req;
        q["pid"].kind = Value::Number;
        q["pid"].integer = pi.dwProcessId;
        q["visible"].kind = Value::Bool;
        q["visible"].b = true;
        HWND h = nullptr;
        for (;;) {
            std::vector<HWND> found = top_levels(q);
            if (!found.empty()) {
                h = found[0];
                break;
            }
            if (now_ms() - t0 > timeout)
                fail("window did not appear");
            if (WaitForSingleObject(pi.hProcess, 0) == WAIT_OBJECT_0)
                fail("process ended before showing a window");
            Sleep(1);
        }
        double t_visible = now_ms() - t0;
        if (!wait_painted(h, t0 + timeout))
            fail("window was not painted in time");
        double t_painted = now_ms() - t0;
        return ok.num("pid", pi.dwProcessId)
            .num("hwnd", id_of(h))
            .real("visible_ms", t_visible)
            .real("painted_ms", t_painted)
            .raw("memory", memory_json(pi.dwProcessId))
            .done();
    }

    if (cmd == "version")
        return version_json(req);

    fail("unknown command '" + cmd + "'");
}

void write_line(HANDLE out, const std::string& line) {
    std::string l = line + "\n";
    DWORD written = 0;
    WriteFile(out, l.data(), static_cast<DWORD>(l.size()), &written, nullptr);
}

} // namespace

int main() {
    HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    // Keeps children from holding the protocol pipes open after the driver is gone.
    SetHandleInformation(in, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(out, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(GetStdHandle(STD_ERROR_HANDLE), HANDLE_FLAG_INHERIT, 0);
    std::string pending;
    char buf[4096];
    for (;;) {
        size_t nl;
        while ((nl = pending.find('\n')) == std::string::npos) {
            DWORD got = 0;
            if (!ReadFile(in, buf, sizeof buf, &got, nullptr) || got == 0)
                return 0;
            pending.append(buf, got);
        }
        std::string line = pending.substr(0, nl);
        pending.erase(0, nl + 1);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty())
            continue;
        Object req;
        std::string error;
        std::string reply;
        if (!json::parse_object(line, req, error)) {
            reply = Builder().boolean("ok", false).str("error", "bad request: " + error).done();
        } else {
            auto cmd = req.find("cmd");
            if (cmd != req.end() && cmd->second.kind == Value::String &&
                cmd->second.str == L"quit") {
                write_line(out, Builder().boolean("ok", true).done());
                return 0;
            }
            try {
                reply = handle(req);
            } catch (const Failure& f) {
                reply = Builder().boolean("ok", false).str("error", f.what).done();
            } catch (const std::exception& e) {
                reply = Builder().boolean("ok", false).str("error", e.what()).done();
            }
        }
        write_line(out, reply);
    }
}
