// The application object: creates the forms, runs the message loop, reports exceptions.
#pragma once

#include "Classes.h"
#include "Form.h"

// The application object's MessageBox, not the system macro of that name.
#undef MessageBox

class TApplication : public TComponent {
public:
    explicit TApplication(TComponent* AOwner);
    const char* ClassName() const override { return "TApplication"; }

    void Initialize();
    AnsiString Title() const { return FTitle; }
    void SetTitle(const AnsiString& title) { FTitle = title; }

    // Constructs a form owned by the application; the first one becomes the main form.
    template <class T> void CreateForm(T** reference) {
        T* form = new T(this);
        *reference = form;
        if (!FMainForm)
            FMainForm = form;
    }
    TForm* MainForm() const { return FMainForm; }

    // Shows the main form and processes messages until it is closed; then frees the forms.
    void Run();

    // The standard error box: the message, the application's title, a stop icon.
    void ShowException(const Exception& e);
    // What happens to an exception that escapes an event handler: EAbort is dropped silently.
    void HandleException(const Exception& e);

    int MessageBox(const wchar_t* text, const wchar_t* caption, int flags);
    int MessageBox(const char* text, const char* caption, int flags);

    // Full path of the running executable.
    AnsiString ExeName() const;

private:
    HWND OwnerWindow() const;

    AnsiString FTitle;
    TForm* FMainForm = nullptr;
};

extern TApplication* Application;
