// A picture: a bitmap or an icon stored in the form description.
#pragma once

#include "Controls.h"

class TImage : public TWinControl {
public:
    explicit TImage(TComponent* AOwner);
    ~TImage() override;
    const char* ClassName() const override { return "TImage"; }

    bool HasPicture() const { return FBitmap || FIcon; }

    void ReadProperty(const TFormProperty& prop, TFormReader& reader) override;
    void Dispatch(TMessage& msg) override;

protected:
    void CreateParams(TCreateParams& params) override;

private:
    void LoadPicture(const std::string& data); // throws Exception on a damaged picture
    void LoadBitmap(const std::string& bmp);
    void LoadIcon(const std::string& ico);
    void Draw(const DRAWITEMSTRUCT& item);

    HBITMAP FBitmap = nullptr;
    HICON FIcon = nullptr;
    int FPictureWidth = 0, FPictureHeight = 0;
    bool FTransparent = false;
};
