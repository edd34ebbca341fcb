// A top-level window whose controls come from a form description in the executable.
#pragma once

#include "Controls.h"
#include "FormReader.h"

enum TPosition { poDesigned, poDefault, poScreenCenter, poDesktopCenter, poMainFormCenter };

class TForm : public TWinControl {
public:
    explicit TForm(TComponent* AOwner);

    const char* ClassName() const override { return "TForm"; }

    int ClientWidth() const override;
    int ClientHeight() const override;
    void SetClientSize(int width, int height);

    void Show();
    void Close();

    void ReadProperty(const TFormProperty& prop, TFormReader& reader) override;
    void Dispatch(TMessage& msg) override;

protected:
    // Loads the RT_RCDATA resource named after the form class in upper case and applies it:
    // creates the components, sets their properties, binds fields and handlers. Throws
    // EReadError when the description is missing, malformed or names what the class lacks.
    void LoadDescription(const TPublished& published);
    void CreateParams(TCreateParams& params) override;
    void CreateHandle() override;

private:
    std::wstring FWindowClass = L"TForm";
    int FClientWidth = 0, FClientHeight = 0;
    TPosition FPosition = poDesigned;
    HWND FFocused = nullptr;
    bool FShown = false;
};
