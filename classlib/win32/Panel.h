// A plain container with an optional raised or lowered edge.
#pragma once

#include "Controls.h"

enum TBevelCut { bvNone, bvLowered, bvRaised, bvSpace };

class TPanel : public TWinControl {
public:
    explicit TPanel(TComponent* AOwner);
    const char* ClassName() const override { return "TPanel"; }
    void ReadProperty(const TFormProperty& prop, TFormReader& reader) override;
    void Dispatch(TMessage& msg) override;

protected:
    void CreateParams(TCreateParams& params) override;

private:
    TBevelCut FBevelOuter = bvRaised;
};
