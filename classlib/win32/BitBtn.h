// A push button.
#pragma once

#include "Controls.h"

class TBitBtn : public TWinControl {
public:
    explicit TBitBtn(TComponent* AOwner);
    const char* ClassName() const override { return "TBitBtn"; }
    void Dispatch(TMessage& msg) override;
    // Presses the button from code, as a click would.
    void Click() override;

protected:
    void CreateParams(TCreateParams& params) override;
};
