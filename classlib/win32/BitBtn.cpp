#include "BitBtn.h"

TBitBtn::TBitBtn(TComponent* AOwner) : TWinControl(AOwner) {
    FTabStop = true;
    FParentColor = true;
}

void TBitBtn::CreateParams(TCreateParams& params) {
    FTabStop = true;
    TWinControl::CreateParams(params);
    params.ClassName = L"Button";
    params.Stock = true;
    params.Style |= BS_PUSHBUTTON;
}

void TBitBtn::Click() {
    TWinControl::Click();
}

void TBitBtn::Dispatch(TMessage& msg) {
    if (msg.Msg == RM_COMMAND && HIWORD(msg.WParam) == BN_CLICKED) {
        Click();
        return;
    }
    TWinControl::Dispatch(msg);
}
