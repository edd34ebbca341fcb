// The main window: choose a settings file, run the generator on it, show what it printed.
#pragma once

#include "Application.h"
#include "BitBtn.h"
#include "Edit.h"
#include "Form.h"
#include "Image.h"
#include "Label.h"
#include "Memo.h"
#include "OpenDialog.h"
#include "Panel.h"

class TFormSelect : public TForm {
public: // components and handlers bound by name from the form description
    TMemo* Memo1;
    TPanel* Panel1;
    TImage* Image1;
    TImage* Image2;
    TLabel* LabelVersion;
    TLabel* LabelURL;
    TBitBtn* BitBtn1;
    TBitBtn* BitBtn2;
    TEdit* EditPath;
    TOpenDialog* OpenDialog1;
    TMemo* Memo2;

    void LabelURLMouseEnter(TObject* Sender);
    void LabelURLMouseLeave(TObject* Sender);
    void BitBtn2Click(TObject* Sender);
    void BitBtn1Click(TObject* Sender);
    void LabelURLClick(TObject* Sender);

private:
    void WMDropFiles(TWMDropFiles& Message);

public:
    explicit TFormSelect(TComponent* Owner);
    const char* ClassName() const override { return "TFormSelect"; }
    void Dispatch(TMessage& msg) override;

    static const TPublished& Published();
};

extern TFormSelect* FormSelect;
