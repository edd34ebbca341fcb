#include "Label.h"
#include "FormReader.h"

TLabel::TLabel(TComponent* AOwner) : TWinControl(AOwner) {
    FParentColor = true;
}

void TLabel::CreateParams(TCreateParams& params) {
    TWinControl::CreateParams(params);
    params.ClassName = L"Static";
    params.Stock = true;
    // SS_NOTIFY: clicks and mouse moves reach the label instead of passing through.
    params.Style |= SS_LEFT | SS_NOTIFY | SS_NOPREFIX;
}

void TLabel::ReadProperty(const TFormProperty& prop, TFormReader& reader) {
    if (prop.Name == "AutoSize")
        FAutoSize = reader.Boolean(prop);
    else if (prop.Name == "Transparent")
        reader.Boolean(prop); // drawn on the parent's colour either way
    else
        TWinControl::ReadProperty(prop, reader);
}

void TLabel::SetCaption(const AnsiString& caption) {
    SetText(caption);
    AdjustSize();
}

void TLabel::HandleCreated() {
    AdjustSize();
}

void TLabel::FontChanged(bool metrics) {
    TWinControl::FontChanged(metrics);
    if (metrics)
        AdjustSize();
}

void TLabel::AdjustSize() {
    if (!FAutoSize || !FHandle)
        return;
    const HDC dc = GetDC(FHandle);
    const HGDIOBJ old = SelectObject(dc, FFont.Handle());
    const std::wstring text = FHasWideText ? FWideText : AnsiToWide(FText);
    RECT r = {0, 0, 0, 0};
    DrawTextW(dc, text.empty() ? L" " : text.c_str(),
              text.empty() ? 1 : static_cast<int>(text.size()), &r,
              DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    SelectObject(dc, old);
    ReleaseDC(FHandle, dc);
    SetBounds(FLeft, FTop, r.right, r.bottom);
}

void TLabel::Dispatch(TMessage& msg) {
    if (msg.Msg == RM_COMMAND && HIWORD(msg.WParam) == STN_CLICKED) {
        Click();
        return;
    }
    TWinControl::Dispatch(msg);
}
