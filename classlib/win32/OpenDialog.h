// The system's file-open dialog.
#pragma once

#include "Classes.h"

class TOpenDialog : public TComponent {
public:
    explicit TOpenDialog(TComponent* AOwner);
    const char* ClassName() const override { return "TOpenDialog"; }

    // Shows the dialog modally; true when the user confirmed a file.
    bool Execute();
    AnsiString FileName() const { return FFileName; }
    void SetFileName(const AnsiString& name) { FFileName = name; }

    AnsiString Filter, Title, DefaultExt, InitialDir;

    void ReadProperty(const TFormProperty& prop, TFormReader& reader) override;

private:
    AnsiString FFileName;
};
