// A multi-line edit box; its text is also reachable line by line.
#pragma once

#include "CustomEdit.h"

enum TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };

class TMemo : public TCustomEdit {
public:
    explicit TMemo(TComponent* AOwner);
    const char* ClassName() const override { return "TMemo"; }

    // The lines as the description gave them.
    const TStrings& Lines() const { return FLines; }

    void ReadProperty(const TFormProperty& prop, TFormReader& reader) override;
    void Dispatch(TMessage& msg) override;

protected:
    void CreateParams(TCreateParams& params) override;

private:
    TStrings FLines;
    TScrollStyle FScrollBars = ssNone;
    bool FWordWrap = true;
    bool FWantTabs = false;
};
