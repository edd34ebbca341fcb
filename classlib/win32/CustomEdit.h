// What single-line and multi-line edit boxes share: the system edit control, read-only state,
// the border and colours.
#pragma once

#include "Controls.h"

enum TBorderStyle { bsNone, bsSingle };

class TCustomEdit : public TWinControl {
public:
    explicit TCustomEdit(TComponent* AOwner);
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool readOnly);
    void ReadProperty(const TFormProperty& prop, TFormReader& reader) override;

protected:
    void CreateParams(TCreateParams& params) override;

    bool FReadOnly = false;
    TBorderStyle FBorderStyle = bsSingle;
};
