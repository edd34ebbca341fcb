// A window that accepts shell drops and reports each one, to prove the X11 drag source end to
// end: a line "drop <count> <x> <y> <name>|<name>..." (UTF-8) on stdout and in its edit box.
#include <windows.h>
#include <shellapi.h>

#include <string>

namespace {

HWND g_edit;

std::string utf8(const std::wstring& w) {
    if (w.empty())
        return std::string();
    int n = WideCharToMultiByte(CP_UTF8, 0, w.c_str(), static_cast<int>(w.size()), nullptr, 0,
                                nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, w.c_str(), static_cast<int>(w.size()), &out[0], n, nullptr,
                        nullptr);
    return out;
}

void report(HDROP drop) {
    UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    POINT pt{};
    DragQueryPoint(drop, &pt);
    std::wstring names;
    for (UINT i = 0; i < count; ++i) {
        UINT len = DragQueryFileW(drop, i, nullptr, 0);
        std::wstring name(len + 1, L'\0');
        DragQueryFileW(drop, i, &name[0], len + 1);
        name.resize(len);
        names += (i ? L"|" : L"") + name;
    }
    DragFinish(drop);
    std::wstring line = L"drop " + std::to_wstring(count) + L" " + std::to_wstring(pt.x) + L" " +
                        std::to_wstring(pt.y) + L" " + names;
    SetWindowTextW(g_edit, line.c_str());
    std::string out = utf8(line) + "\n";
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), out.data(), static_cast<DWORD>(out.size()), &written,
              nullptr);
}

LRESULT CALLBACK proc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_DROPFILES:
        report(reinterpret_cast<HDROP>(wp));
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(h, msg, wp, lp);
    }
}

} // namespace

int WINAPI WinMain(HINSTANCE inst, HINSTANCE, LPSTR, int show) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = proc;
    wc.hInstance = inst;
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = L"KeltropDropTarget";
    RegisterClassW(&wc);
    HWND win = CreateWindowW(L"KeltropDropTarget", L"drop target", WS_OVERLAPPEDWINDOW, 100, 100,
                             400, 300, nullptr, nullptr, inst, nullptr);
    // A child covering most of the client area: drops onto it must reach the parent.
    g_edit = CreateWindowW(L"Edit", L"",
                           WS_CHILD | WS_VISIBLE | WS_BORDER | ES_MULTILINE | ES_READONLY |
                               ES_AUTOVSCROLL,
                           10, 10, 360, 200, win, nullptr, inst, nullptr);
    DragAcceptFiles(win, TRUE);
    ShowWindow(win, show);
    MSG m;
    while (GetMessageW(&m, nullptr, 0, 0) > 0) {
        TranslateMessage(&m);
        DispatchMessageW(&m);
    }
    return 0;
}
