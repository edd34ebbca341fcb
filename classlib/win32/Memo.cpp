#include "Memo.h"
#include "FormReader.h"

TMemo::TMemo(TComponent* AOwner) : TCustomEdit(AOwner) {}

void TMemo::CreateParams(TCreateParams& params) {
    TCustomEdit::CreateParams(params);
    params.Style |= ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN;
    if (!FWordWrap)
        params.Style |= ES_AUTOHSCROLL;
    if (FScrollBars == ssVertical || FScrollBars == ssBoth)
        params.Style |= WS_VSCROLL;
    if (FScrollBars == ssHorizontal || FScrollBars == ssBoth)
        params.Style |= WS_HSCROLL;
}

void TMemo::ReadProperty(const TFormProperty& prop, TFormReader& reader) {
    if (prop.Name == "Lines.Strings") {
        FLines.Clear();
        for (const TFormValue& v : reader.List(prop)) {
            if (v.Type == TValueType::vaWString)
                FLines.AddWide(v.Wide);
            else if (v.Type == TValueType::vaString || v.Type == TValueType::vaLString)
                FLines.Add(v.Bytes);
            else
                reader.Fail(prop, "expected a list of strings");
        }
        // Lines stored as UTF-16 go to the window as UTF-16, whatever the system code page.
        if (FLines.HasWide())
            SetWideText(FLines.WideText());
        else
            SetText(FLines.Text());
    } else if (prop.Name == "ScrollBars") {
        FScrollBars = static_cast<TScrollStyle>(reader.Enum(prop, {{"ssNone", ssNone},
                                                                   {"ssHorizontal", ssHorizontal},
                                                                   {"ssVertical", ssVertical},
                                                                   {"ssBoth", ssBoth}}));
    } else if (prop.Name == "WordWrap") {
        FWordWrap = reader.Boolean(prop);
    } else if (prop.Name == "WantTabs") {
        FWantTabs = reader.Boolean(prop);
    } else {
        TCustomEdit::ReadProperty(prop, reader);
    }
}

void TMemo::Dispatch(TMessage& msg) {
    if (msg.Msg == WM_GETDLGCODE) {
        DefaultHandler(msg);
        // A multi-line edit asks for every key; without WantTabs, Tab moves on to the next control.
        const MSG* key = reinterpret_cast<const MSG*>(msg.LParam);
        if (!FWantTabs && key && key->message == WM_KEYDOWN && key->wParam == VK_TAB)
            msg.Result &= ~(DLGC_WANTALLKEYS | DLGC_WANTTAB | DLGC_WANTMESSAGE);
        return;
    }
    TCustomEdit::Dispatch(msg);
}
