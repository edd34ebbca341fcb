// A single-line edit box.
#pragma once

#include "CustomEdit.h"

class TEdit : public TCustomEdit {
public:
    explicit TEdit(TComponent* AOwner);
    const char* ClassName() const override { return "TEdit"; }

protected:
    void CreateParams(TCreateParams& params) override;
};
