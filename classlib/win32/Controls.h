// Controls: properties common to every visible control, and the window each one is.
#pragma once

#include "Classes.h"
#include "Graphics.h"
#include "Messages.h"

#include <windows.h>

#include <vector>

enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };

enum TAnchorKind : unsigned { akLeft = 1, akTop = 2, akRight = 4, akBottom = 8 };
using TAnchors = unsigned;

enum TCursor { crDefault = 0, crArrow = -2, crIBeam = -4, crHandPoint = -21 };

struct TCreateParams {
    const wchar_t* ClassName = nullptr;
    DWORD Style = 0;
    DWORD ExStyle = 0;
    bool Stock = false; // a system control class that we subclass rather than register
};

class TWinControl;

// Every control of this library is a real window, so that its text can be read by screen readers
// and UI-automation tools; TControl holds what a control is, TWinControl what its window does.
class TControl : public TComponent {
public:
    explicit TControl(TComponent* AOwner);

    TWinControl* Parent() const { return FParent; }
    virtual void SetParent(TWinControl* parent);

    int Left() const { return FLeft; }
    int Top() const { return FTop; }
    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    virtual void SetBounds(int left, int top, int width, int height);

    TAlign Align() const { return FAlign; }
    void SetAlign(TAlign align);
    TAnchors Anchors() const { return FAnchors; }

    TFont* Font() { return &FFont; }
    bool ParentFont() const { return FParentFont; }
    TColor Color() const { return FColor; }
    void SetColor(TColor color);
    // The colour the control is painted with: its own, or its parent's when it takes that.
    TColor EffectiveColor() const;

    TCursor Cursor() const { return FCursor; }
    int TabOrder() const { return FTabOrder; }

    TNotifyEvent OnClick;
    TNotifyEvent OnMouseEnter;
    TNotifyEvent OnMouseLeave;

    void ReadProperty(const TFormProperty& prop, TFormReader& reader) override;

protected:
    virtual void FontChanged(bool metrics) = 0;
    virtual void ColorChanged() = 0;
    virtual void Click();
    void MouseEnter();
    void MouseLeave();

    TWinControl* FParent = nullptr;
    int FLeft = 0, FTop = 0, FWidth = 0, FHeight = 0;
    TAlign FAlign = alNone;
    TAnchors FAnchors = akLeft | akTop;
    int FAnchorRightMargin = 0;
    TFont FFont;
    bool FParentFont = true;
    TColor FColor = clBtnFace;
    bool FParentColor = false;
    TCursor FCursor = crDefault;
    int FTabOrder = -1;

    friend class TWinControl;
};

class TWinControl : public TControl {
public:
    explicit TWinControl(TComponent* AOwner);
    ~TWinControl() override;

    // The window; made on first request, with its parent's before it and its children's after.
    HWND Handle();
    bool HandleAllocated() const { return FHandle != nullptr; }
    static TWinControl* FromHandle(HWND hwnd);

    const std::vector<TControl*>& Controls() const { return FControls; }

    AnsiString Text() const;
    void SetText(const AnsiString& text);
    AnsiString Caption() const { return Text(); }
    void SetCaption(const AnsiString& text) { SetText(text); }

    void SetBounds(int left, int top, int width, int height) override;
    virtual int ClientWidth() const;
    virtual int ClientHeight() const;

    // Lays out the children: aligned ones first, then those anchored to the right edge.
    void AlignControls();

    void ReadProperty(const TFormProperty& prop, TFormReader& reader) override;
    void Loaded() override;

    // Message handling: Dispatch is the message map; what it does not take goes to
    // DefaultHandler, the system's handling of the window class.
    virtual void Dispatch(TMessage& msg);
    void DefaultHandler(TMessage& msg);

protected:
    virtual void CreateParams(TCreateParams& params);
    virtual void CreateHandle();
    // The window exists: apply what only a window can take.
    virtual void HandleCreated() {}
    void FontChanged(bool metrics) override;
    void ColorChanged() override;
    HBRUSH Brush();
    // Text set as UTF-16, for text that the system code page may not hold.
    void SetWideText(const std::wstring& text);

    HWND FHandle = nullptr;
    AnsiString FText;
    std::wstring FWideText;
    bool FHasWideText = false;
    bool FTabStop = false;

private:
    static LRESULT CALLBACK StaticWndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    void InsertControl(TControl* control);
    void RemoveControl(TControl* control);
    bool ReflectToChild(TMessage& msg, HWND child);

    WNDPROC FDefProc = nullptr;
    HBRUSH FBrush = nullptr;
    bool FMouseInside = false;
    std::vector<TControl*> FControls;

    friend class TControl;
};

// Where an exception that escapes an event handler goes; the application object sets it.
extern void (*ExceptionHandler)(const Exception& e);

HINSTANCE ModuleInstance();
