#include "Form.h"
#include "Application.h"

#include <algorithm>
#include <cctype>

TForm::TForm(TComponent* AOwner) : TWinControl(AOwner) {}

void TForm::LoadDescription(const TPublished& published) {
    FWindowClass = AnsiToWide(published.ClassName());
    std::string resource = published.ClassName();
    std::transform(resource.begin(), resource.end(), resource.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    const HRSRC info = FindResourceA(ModuleInstance(), resource.c_str(), MAKEINTRESOURCEA(10));
    const HGLOBAL data = info ? LoadResource(ModuleInstance(), info) : nullptr;
    const void* bytes = data ? LockResource(data) : nullptr;
    if (!bytes)
        throw EReadError("Resource " + resource + " not found");
    TFormObject root;
    try {
        root = ReadFormStream(bytes, SizeofResource(ModuleInstance(), info));
    } catch (const EReadError& e) {
        throw EReadError("Cannot read the form description " + resource + ": " + e.Message);
    }
    TFormReader reader(*this, published);
    reader.Load(root);
}

int TForm::ClientWidth() const {
    return FHandle ? TWinControl::ClientWidth() : FClientWidth;
}

int TForm::ClientHeight() const {
    return FHandle ? TWinControl::ClientHeight() : FClientHeight;
}

void TForm::SetClientSize(int width, int height) {
    FClientWidth = width;
    FClientHeight = height;
    if (FHandle) {
        RECT r = {0, 0, width, height};
        AdjustWindowRectEx(&r, static_cast<DWORD>(GetWindowLongW(FHandle, GWL_STYLE)), FALSE,
                           static_cast<DWORD>(GetWindowLongW(FHandle, GWL_EXSTYLE)));
        SetBounds(FLeft, FTop, r.right - r.left, r.bottom - r.top);
    }
}

void TForm::ReadProperty(const TFormProperty& prop, TFormReader& reader) {
    const std::string& n = prop.Name;
    if (n == "ClientWidth")
        FClientWidth = reader.Integer(prop);
    else if (n == "ClientHeight")
        FClientHeight = reader.Integer(prop);
    else if (n == "Position")
        FPosition =
            static_cast<TPosition>(reader.Enum(prop, {{"poDesigned", poDesigned},
                                                      {"poDefault", poDefault},
                                                      {"poScreenCenter", poScreenCenter},
                                                      {"poDesktopCenter", poDesktopCenter},
                                                      {"poMainFormCenter", poMainFormCenter}}));
    else if (n == "PixelsPerInch" || n == "TextHeight")
        reader.Integer(prop); // design-time metrics: the layout is in pixels already
    else if (n == "OldCreateOrder" || n == "Scaled")
        reader.Boolean(prop);
    else
        TWinControl::ReadProperty(prop, reader);
}

void TForm::CreateParams(TCreateParams& params) {
    params.ClassName = FWindowClass.c_str();
    params.Style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
    params.ExStyle = WS_EX_CONTROLPARENT | WS_EX_WINDOWEDGE;
}

void TForm::CreateHandle() {
    // The description gives the client size; the window is that plus its frame.
    TCreateParams params;
    CreateParams(params);
    RECT r = {0, 0, FClientWidth, FClientHeight};
    AdjustWindowRectEx(&r, params.Style, FALSE, params.ExStyle);
    FWidth = r.right - r.left;
    FHeight = r.bottom - r.top;
    if (FPosition == poDesktopCenter || FPosition == poScreenCenter) {
        FLeft = (GetSystemMetrics(SM_CXSCREEN) - FWidth) / 2;
        FTop = (GetSystemMetrics(SM_CYSCREEN) - FHeight) / 2;
    }
    TWinControl::CreateHandle();
}

void TForm::Show() {
    Handle();
    ShowWindow(FHandle, SW_SHOW);
    if (!FShown) {
        FShown = true;
        if (HWND first = GetNextDlgTabItem(FHandle, nullptr, FALSE))
            SetFocus(first);
    }
    UpdateWindow(FHandle);
}

void TForm::Close() {
    if (FHandle)
        SendMessageW(FHandle, WM_CLOSE, 0, 0);
}

void TForm::Dispatch(TMessage& msg) {
    switch (msg.Msg) {
    case WM_ACTIVATE:
        // Keep the focused control across deactivation, as a dialog does.
        if (LOWORD(msg.WParam) == WA_INACTIVE) {
            FFocused = GetFocus();
        } else if (FFocused && IsWindow(FFocused) && IsChild(FHandle, FFocused)) {
            SetFocus(FFocused);
            msg.Result = 0;
            return;
        }
        break;
    case WM_DESTROY:
        if (Application->MainForm() == this)
            PostQuitMessage(0);
        break;
    default:
        break;
    }
    TWinControl::Dispatch(msg);
}
