#include "Application.h"

#include <commctrl.h>

namespace {
TApplication TheApplication(nullptr);
}

TApplication* Application = &TheApplication;

TApplication::TApplication(TComponent* AOwner) : TComponent(AOwner) {}

void TApplication::Initialize() {
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&icc);
    ExceptionHandler = [](const Exception& e) { Application->HandleException(e); };
}

void TApplication::Run() {
    if (FMainForm) {
        FMainForm->Show();
        const HWND main = FMainForm->Handle();
        MSG msg;
        while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
            // Tab, arrow and Enter keys walk the controls, as in a dialog.
            if (IsWindow(main) && IsDialogMessageW(main, &msg))
                continue;
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    FMainForm = nullptr;
    while (!Components().empty())
        delete Components().back();
}

HWND TApplication::OwnerWindow() const {
    return FMainForm && FMainForm->HandleAllocated() ? FMainForm->Handle() : nullptr;
}

void TApplication::ShowException(const Exception& e) {
    const std::wstring text = AnsiToWide(e.Message);
    const std::wstring title = AnsiToWide(FTitle);
    MessageBoxW(OwnerWindow(), text.c_str(), title.c_str(), MB_OK | MB_ICONSTOP);
}

void TApplication::HandleException(const Exception& e) {
    if (dynamic_cast<const EAbort*>(&e))
        return;
    ShowException(e);
}

int TApplication::MessageBox(const wchar_t* text, const wchar_t* caption, int flags) {
    return MessageBoxW(OwnerWindow(), text, caption, static_cast<UINT>(flags));
}

int TApplication::MessageBox(const char* text, const char* caption, int flags) {
    return MessageBoxA(OwnerWindow(), text, caption, static_cast<UINT>(flags));
}

AnsiString TApplication::ExeName() const {
    std::string path(MAX_PATH, '\0');
    for (;;) {
        const DWORD n = GetModuleFileNameA(nullptr, &path[0], static_cast<DWORD>(path.size()));
        if (n < path.size()) {
            path.resize(n);
            return path;
        }
        path.resize(path.size() * 2);
    }
}
