#include "Edit.h"

TEdit::TEdit(TComponent* AOwner) : TCustomEdit(AOwner) {}

void TEdit::CreateParams(TCreateParams& params) {
    TCustomEdit::CreateParams(params);
    params.Style |= ES_AUTOHSCROLL;
}
