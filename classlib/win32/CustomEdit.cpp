#include "CustomEdit.h"
#include "FormReader.h"

TCustomEdit::TCustomEdit(TComponent* AOwner) : TWinControl(AOwner) {
    FColor = clWindow;
    FTabStop = true;
}

void TCustomEdit::CreateParams(TCreateParams& params) {
    TWinControl::CreateParams(params);
    params.ClassName = L"Edit";
    params.Stock = true;
    if (FReadOnly)
        params.Style |= ES_READONLY;
    if (FBorderStyle == bsSingle)
        params.ExStyle |= WS_EX_CLIENTEDGE;
}

void TCustomEdit::SetReadOnly(bool readOnly) {
    FReadOnly = readOnly;
    if (FHandle)
        SendMessageW(FHandle, EM_SETREADONLY, readOnly, 0);
}

void TCustomEdit::ReadProperty(const TFormProperty& prop, TFormReader& reader) {
    if (prop.Name == "ReadOnly")
        FReadOnly = reader.Boolean(prop);
    else if (prop.Name == "BorderStyle")
        FBorderStyle = static_cast<TBorderStyle>(
            reader.Enum(prop, {{"bsNone", bsNone}, {"bsSingle", bsSingle}}));
    else
        TWinControl::ReadProperty(prop, reader);
}
