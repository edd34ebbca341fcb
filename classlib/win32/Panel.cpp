#include "Panel.h"
#include "FormReader.h"

TPanel::TPanel(TComponent* AOwner) : TWinControl(AOwner) {}

void TPanel::CreateParams(TCreateParams& params) {
    TWinControl::CreateParams(params);
    params.ClassName = L"TPanel";
    params.Style |= WS_CLIPCHILDREN;
    // Lets dialog-style keyboard navigation walk into the panel's controls.
    params.ExStyle |= WS_EX_CONTROLPARENT;
}

void TPanel::ReadProperty(const TFormProperty& prop, TFormReader& reader) {
    if (prop.Name == "BevelOuter")
        FBevelOuter = static_cast<TBevelCut>(reader.Enum(prop, {{"bvNone", bvNone},
                                                                {"bvLowered", bvLowered},
                                                                {"bvRaised", bvRaised},
                                                                {"bvSpace", bvSpace}}));
    else
        TWinControl::ReadProperty(prop, reader);
}

void TPanel::Dispatch(TMessage& msg) {
    if (msg.Msg == WM_PAINT) {
        PAINTSTRUCT ps;
        const HDC dc = BeginPaint(FHandle, &ps);
        RECT r;
        GetClientRect(FHandle, &r);
        if (FBevelOuter == bvRaised || FBevelOuter == bvLowered)
            DrawEdge(dc, &r, FBevelOuter == bvRaised ? BDR_RAISEDINNER : BDR_SUNKENOUTER, BF_RECT);
        if (!FText.empty()) {
            SetBkMode(dc, TRANSPARENT);
            SetTextColor(dc, ColorToRGB(FFont.Color()));
            const HGDIOBJ old = SelectObject(dc, FFont.Handle());
            const std::wstring text = AnsiToWide(Text());
            DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r,
                      DT_CENTER | DT_VCENTER | DT_SINGLELINE);
            SelectObject(dc, old);
        }
        EndPaint(FHandle, &ps);
        return;
    }
    TWinControl::Dispatch(msg);
}
