#include "Controls.h"
#include "FormReader.h"

#include <algorithm>

void (*ExceptionHandler)(const Exception& e) = nullptr;

HINSTANCE ModuleInstance() {
    return GetModuleHandleW(nullptr);
}

// --- TControl -------------------------------------------------------------------------------

TControl::TControl(TComponent* AOwner) : TComponent(AOwner) {
    FFont.OnChange = [this](bool metrics) { FontChanged(metrics); };
}

void TControl::SetParent(TWinControl* parent) {
    if (FParent == parent)
        return;
    if (FParent)
        FParent->RemoveControl(this);
    FParent = parent;
    if (FParent) {
        FParent->InsertControl(this);
        if (FParentFont)
            FFont.Assign(FParent->FFont);
    }
}

void TControl::SetBounds(int left, int top, int width, int height) {
    FLeft = left;
    FTop = top;
    FWidth = width;
    FHeight = height;
}

void TControl::SetAlign(TAlign align) {
    FAlign = align;
    if (FParent)
        FParent->AlignControls();
}

void TControl::SetColor(TColor color) {
    FColor = color;
    FParentColor = false;
    ColorChanged();
}

TColor TControl::EffectiveColor() const {
    return FParentColor && FParent ? FParent->EffectiveColor() : FColor;
}

void TControl::Click() {
    if (OnClick)
        OnClick(this);
}

void TControl::MouseEnter() {
    if (OnMouseEnter)
        OnMouseEnter(this);
}

void TControl::MouseLeave() {
    if (OnMouseLeave)
        OnMouseLeave(this);
}

void TControl::ReadProperty(const TFormProperty& prop, TFormReader& reader) {
    const std::string& n = prop.Name;
    if (n == "Left")
        SetBounds(reader.Integer(prop), FTop, FWidth, FHeight);
    else if (n == "Top")
        SetBounds(FLeft, reader.Integer(prop), FWidth, FHeight);
    else if (n == "Width")
        SetBounds(FLeft, FTop, reader.Integer(prop), FHeight);
    else if (n == "Height")
        SetBounds(FLeft, FTop, FWidth, reader.Integer(prop));
    else if (n == "Align")
        FAlign = static_cast<TAlign>(reader.Enum(prop, {{"alNone", alNone},
                                                        {"alTop", alTop},
                                                        {"alBottom", alBottom},
                                                        {"alLeft", alLeft},
                                                        {"alRight", alRight},
                                                        {"alClient", alClient}}));
    else if (n == "Anchors") {
        FAnchors = 0;
        for (const std::string& a : reader.Set(prop)) {
            if (a == "akLeft")
                FAnchors |= akLeft;
            else if (a == "akTop")
                FAnchors |= akTop;
            else if (a == "akRight")
                FAnchors |= akRight;
            else if (a == "akBottom")
                FAnchors |= akBottom;
            else
                reader.Fail(prop, "unknown anchor '" + a + "'");
        }
    } else if (n.compare(0, 5, "Font.") == 0) {
        // Setting any part of the font makes it the control's own.
        FParentFont = false;
        FFont.ReadProperty(n.substr(5), prop, reader);
    } else if (n == "ParentFont") {
        FParentFont = reader.Boolean(prop);
        if (FParentFont && FParent)
            FFont.Assign(FParent->FFont);
    } else if (n == "Color") {
        SetColor(reader.Color(prop));
    } else if (n == "ParentColor") {
        FParentColor = reader.Boolean(prop);
    } else if (n == "Cursor") {
        FCursor = static_cast<TCursor>(reader.Enum(prop, {{"crDefault", crDefault},
                                                          {"crArrow", crArrow},
                                                          {"crIBeam", crIBeam},
                                                          {"crHandPoint", crHandPoint}}));
    } else if (n == "TabOrder") {
        FTabOrder = reader.Integer(prop);
    } else if (n == "OnClick") {
        OnClick = reader.Method(prop);
    } else if (n == "OnMouseEnter") {
        OnMouseEnter = reader.Method(prop);
    } else if (n == "OnMouseLeave") {
        OnMouseLeave = reader.Method(prop);
    } else {
        TComponent::ReadProperty(prop, reader);
    }
}

// --- TWinControl ----------------------------------------------------------------------------

TWinControl::TWinControl(TComponent* AOwner) : TControl(AOwner) {}

TWinControl::~TWinControl() {
    // Children that the form owns may outlive this window object for a moment: unhook them.
    for (TControl* c : FControls)
        c->FParent = nullptr;
    if (FParent)
        FParent->RemoveControl(this);
    if (FHandle)
        DestroyWindow(FHandle);
    if (FBrush)
        DeleteObject(FBrush);
}

void TWinControl::InsertControl(TControl* control) {
    FControls.push_back(control);
}

void TWinControl::RemoveControl(TControl* control) {
    FControls.erase(std::remove(FControls.begin(), FControls.end(), control), FControls.end());
}

TWinControl* TWinControl::FromHandle(HWND hwnd) {
    // Only windows whose procedure is ours carry an object pointer in their user data.
    if (!hwnd || GetWindowLongPtrW(hwnd, GWLP_WNDPROC) != reinterpret_cast<LONG_PTR>(StaticWndProc))
        return nullptr;
    return reinterpret_cast<TWinControl*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

HWND TWinControl::Handle() {
    if (!FHandle)
        CreateHandle();
    return FHandle;
}

void TWinControl::CreateParams(TCreateParams& params) {
    params.Style = WS_CLIPSIBLINGS | WS_VISIBLE;
    if (FParent)
        params.Style |= WS_CHILD;
    if (FTabStop)
        params.Style |= WS_TABSTOP;
}

void TWinControl::CreateHandle() {
    if (FParent && !FParent->FHandle) {
        FParent->Handle(); // makes this window too, among the parent's children
        if (FHandle)
            return;
    }
    TCreateParams params;
    CreateParams(params);
    if (!params.Stock) {
        WNDCLASSEXW wc = {};
        wc.cbSize = sizeof wc;
        if (!GetClassInfoExW(ModuleInstance(), params.ClassName, &wc)) {
            wc.cbSize = sizeof wc;
            wc.style = CS_DBLCLKS;
            wc.lpfnWndProc = StaticWndProc;
            wc.hInstance = ModuleInstance();
            wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
            wc.hIcon = LoadIconW(ModuleInstance(), L"MAINICON");
            wc.lpszClassName = params.ClassName;
            if (!RegisterClassExW(&wc))
                throw Exception("Cannot register the window class of " + Name);
        }
    }
    static int nextId = 1000;
    const HWND parent = FParent ? FParent->FHandle : nullptr;
    const HMENU id = FParent ? reinterpret_cast<HMENU>(static_cast<INT_PTR>(nextId++)) : nullptr;
    const HWND hwnd = CreateWindowExW(params.ExStyle, params.ClassName, L"", params.Style, FLeft,
                                      FTop, FWidth, FHeight, parent, id, ModuleInstance(), this);
    if (!hwnd)
        throw Exception("Cannot create the window of " + Name);
    if (params.Stock) {
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        FDefProc = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(StaticWndProc)));
    }
    FHandle = hwnd;
    SendMessageW(FHandle, WM_SETFONT, reinterpret_cast<WPARAM>(FFont.Handle()), FALSE);
    if (FHasWideText)
        SetWindowTextW(FHandle, FWideText.c_str());
    else
        SetWindowTextA(FHandle, FText.c_str());
    HandleCreated();

    for (TControl* c : std::vector<TControl*>(FControls))
        if (auto* w = dynamic_cast<TWinControl*>(c))
            w->Handle();
    // Keyboard order is window order: put the tab stops last, in TabOrder.
    std::vector<TWinControl*> stops;
    for (TControl* c : FControls)
        if (auto* w = dynamic_cast<TWinControl*>(c); w && w->FTabOrder >= 0)
            stops.push_back(w);
    std::stable_sort(stops.begin(), stops.end(),
                     [](TWinControl* a, TWinControl* b) { return a->FTabOrder < b->FTabOrder; });
    for (TWinControl* w : stops)
        SetWindowPos(w->FHandle, HWND_BOTTOM, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOREDRAW);
    AlignControls();
}

AnsiString TWinControl::Text() const {
    if (!FHandle)
        return FText;
    const int length = GetWindowTextLengthA(FHandle);
    AnsiString text(static_cast<size_t>(length) + 1, '\0');
    const int got = GetWindowTextA(FHandle, &text[0], length + 1);
    text.resize(got > 0 ? static_cast<size_t>(got) : 0);
    return text;
}

void TWinControl::SetText(const AnsiString& text) {
    FText = text;
    FHasWideText = false;
    if (FHandle)
        SetWindowTextA(FHandle, FText.c_str());
}

void TWinControl::SetWideText(const std::wstring& text) {
    FWideText = text;
    FText = WideToAnsi(text);
    FHasWideText = true;
    if (FHandle)
        SetWindowTextW(FHandle, FWideText.c_str());
}

void TWinControl::SetBounds(int left, int top, int width, int height) {
    const bool same = left == FLeft && top == FTop && width == FWidth && height == FHeight;
    TControl::SetBounds(left, top, width, height);
    if (FHandle && !same)
        MoveWindow(FHandle, left, top, width, height, TRUE);
}

int TWinControl::ClientWidth() const {
    RECT r;
    if (FHandle && GetClientRect(FHandle, &r))
        return r.right;
    return FWidth;
}

int TWinControl::ClientHeight() const {
    RECT r;
    if (FHandle && GetClientRect(FHandle, &r))
        return r.bottom;
    return FHeight;
}

void TWinControl::AlignControls() {
    const int width = ClientWidth();
    RECT rest = {0, 0, width, ClientHeight()};
    for (TAlign pass : {alTop, alBottom, alLeft, alRight, alClient}) {
        for (TControl* c : FControls) {
            if (c->FAlign != pass)
                continue;
            switch (pass) {
            case alTop:
                c->SetBounds(rest.left, rest.top, rest.right - rest.left, c->FHeight);
                rest.top += c->FHeight;
                break;
            case alBottom:
                rest.bottom -= c->FHeight;
                c->SetBounds(rest.left, rest.bottom, rest.right - rest.left, c->FHeight);
                break;
            case alLeft:
                c->SetBounds(rest.left, rest.top, c->FWidth, rest.bottom - rest.top);
                rest.left += c->FWidth;
                break;
            case alRight:
                rest.right -= c->FWidth;
                c->SetBounds(rest.right, rest.top, c->FWidth, rest.bottom - rest.top);
                break;
            default:
                c->SetBounds(rest.left, rest.top, std::max(0L, rest.right - rest.left),
                             std::max(0L, rest.bottom - rest.top));
                break;
            }
        }
    }
    for (TControl* c : FControls) {
        if (c->FAlign != alNone || !(c->FAnchors & akRight))
            continue;
        if (c->FAnchors & akLeft)
            c->SetBounds(c->FLeft, c->FTop, std::max(0, width - c->FAnchorRightMargin - c->FLeft),
                         c->FHeight);
        else
            c->SetBounds(width - c->FAnchorRightMargin - c->FWidth, c->FTop, c->FWidth, c->FHeight);
    }
}

void TWinControl::Loaded() {
    // Right anchors keep the distance to the parent's right edge seen at design size.
    if (FParent && (FAnchors & akRight))
        FAnchorRightMargin = FParent->ClientWidth() - (FLeft + FWidth);
}

void TWinControl::ReadProperty(const TFormProperty& prop, TFormReader& reader) {
    if (prop.Name == "Caption" || prop.Name == "Text") {
        if (prop.Value.Type == TValueType::vaWString)
            SetWideText(Utf16ToWide(prop.Value.Wide));
        else
            SetText(reader.String(prop));
    } else if (prop.Name == "TabStop") {
        FTabStop = reader.Boolean(prop);
    } else {
        TControl::ReadProperty(prop, reader);
    }
}

void TWinControl::FontChanged(bool metrics) {
    if (FHandle) {
        if (metrics)
            SendMessageW(FHandle, WM_SETFONT, reinterpret_cast<WPARAM>(FFont.Handle()), TRUE);
        InvalidateRect(FHandle, nullptr, TRUE);
    }
    for (TControl* c : FControls)
        if (c->FParentFont)
            c->FFont.Assign(FFont);
}

void TWinControl::ColorChanged() {
    if (FBrush) {
        DeleteObject(FBrush);
        FBrush = nullptr;
    }
    if (FHandle)
        InvalidateRect(FHandle, nullptr, TRUE);
    for (TControl* c : FControls)
        if (c->FParentColor)
            c->ColorChanged();
}

HBRUSH TWinControl::Brush() {
    if (!FBrush)
        FBrush = CreateSolidBrush(ColorToRGB(EffectiveColor()));
    return FBrush;
}

bool TWinControl::ReflectToChild(TMessage& msg, HWND child) {
    TWinControl* control = FromHandle(child);
    if (!control || control == this)
        return false;
    TMessage reflected = {RM_BASE + msg.Msg, msg.WParam, msg.LParam, 0};
    control->Dispatch(reflected);
    msg.Result = reflected.Result;
    return true;
}

void TWinControl::Dispatch(TMessage& msg) {
    switch (msg.Msg) {
    case WM_COMMAND:
        if (msg.LParam && ReflectToChild(msg, reinterpret_cast<HWND>(msg.LParam)))
            return;
        break;
    case WM_NOTIFY:
        if (ReflectToChild(msg, reinterpret_cast<NMHDR*>(msg.LParam)->hwndFrom))
            return;
        break;
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
        if (ReflectToChild(msg, reinterpret_cast<HWND>(msg.LParam)))
            return;
        break;
    case WM_DRAWITEM:
        if (ReflectToChild(msg, reinterpret_cast<DRAWITEMSTRUCT*>(msg.LParam)->hwndItem))
            return;
        break;
    case RM_CTLCOLOREDIT:
    case RM_CTLCOLORSTATIC:
    case RM_CTLCOLORBTN: {
        const HDC dc = reinterpret_cast<HDC>(msg.WParam);
        SetTextColor(dc, ColorToRGB(FFont.Color()));
        SetBkColor(dc, ColorToRGB(EffectiveColor()));
        msg.Result = reinterpret_cast<LRESULT>(Brush());
        return;
    }
    case WM_ERASEBKGND:
        if (!FDefProc) {
            RECT r;
            GetClientRect(FHandle, &r);
            FillRect(reinterpret_cast<HDC>(msg.WParam), &r, Brush());
            msg.Result = 1;
            return;
        }
        break;
    case WM_SIZE:
        DefaultHandler(msg);
        if (!IsIconic(FHandle)) {
            RECT r;
            GetWindowRect(FHandle, &r);
            MapWindowPoints(HWND_DESKTOP, FParent ? FParent->FHandle : nullptr,
                            reinterpret_cast<POINT*>(&r), 2);
            TControl::SetBounds(r.left, r.top, r.right - r.left, r.bottom - r.top);
            AlignControls();
        }
        return;
    case WM_MOUSEMOVE:
        if (!FMouseInside) {
            FMouseInside = true;
            TRACKMOUSEEVENT tme = {sizeof tme, TME_LEAVE, FHandle, 0};
            TrackMouseEvent(&tme);
            MouseEnter();
        }
        break;
    case WM_MOUSELEAVE:
        FMouseInside = false;
        MouseLeave();
        break;
    case WM_SETCURSOR:
        if (FCursor != crDefault && reinterpret_cast<HWND>(msg.WParam) == FHandle &&
            LOWORD(msg.LParam) == HTCLIENT) {
            const LPCWSTR shape = FCursor == crHandPoint ? reinterpret_cast<LPCWSTR>(IDC_HAND)
                                  : FCursor == crIBeam   ? reinterpret_cast<LPCWSTR>(IDC_IBEAM)
                                                         : reinterpret_cast<LPCWSTR>(IDC_ARROW);
            SetCursor(LoadCursorW(nullptr, shape));
            msg.Result = TRUE;
            return;
        }
        break;
    default:
        // Reflected notifications that a control does not take end here.
        if (msg.Msg >= RM_BASE && msg.Msg < RM_BASE + WM_USER)
            return;
        break;
    }
    DefaultHandler(msg);
}

void TWinControl::DefaultHandler(TMessage& msg) {
    msg.Result = FDefProc ? CallWindowProcW(FDefProc, FHandle, msg.Msg, msg.WParam, msg.LParam)
                          : DefWindowProcW(FHandle, msg.Msg, msg.WParam, msg.LParam);
}

LRESULT CALLBACK TWinControl::StaticWndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    TWinControl* self;
    if (msg == WM_NCCREATE) {
        self = static_cast<TWinControl*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        if (self)
            self->FHandle = hwnd;
    } else {
        self = reinterpret_cast<TWinControl*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    }
    if (!self)
        return DefWindowProcW(hwnd, msg, wp, lp);

    TMessage message = {msg, wp, lp, 0};
    // C++ exceptions must not unwind through the system's frames: stop them here, as the
    // message loop of a class library does, and report them.
    try {
        self->Dispatch(message);
    } catch (const Exception& e) {
        if (ExceptionHandler)
            ExceptionHandler(e);
    } catch (const std::exception& e) {
        if (ExceptionHandler)
            ExceptionHandler(Exception(e.what()));
    } catch (...) {
        if (ExceptionHandler)
            ExceptionHandler(Exception("Unknown exception"));
    }
    if (msg == WM_NCDESTROY) {
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        if (self->FDefProc)
            SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(self->FDefProc));
        self->FHandle = nullptr;
        self->FDefProc = nullptr;
        self->FMouseInside = false;
    }
    return message.Result;
}
