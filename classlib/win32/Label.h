// A line of static text; sizes itself to its text.
#pragma once

#include "Controls.h"

class TLabel : public TWinControl {
public:
    explicit TLabel(TComponent* AOwner);
    const char* ClassName() const override { return "TLabel"; }
    void ReadProperty(const TFormProperty& prop, TFormReader& reader) override;
    void Dispatch(TMessage& msg) override;
    void SetCaption(const AnsiString& caption);

protected:
    void CreateParams(TCreateParams& params) override;
    void HandleCreated() override;
    void FontChanged(bool metrics) override;

private:
    void AdjustSize();
    bool FAutoSize = true;
};
