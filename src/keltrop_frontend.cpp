#include "Unitselect.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    try {
        Application->Initialize();
        Application->SetTitle("keltrop frontend");
        Application->CreateForm<TFormSelect>(&FormSelect);
        Application->Run();
    } catch (const Exception& exception) {
        Application->ShowException(exception);
    } catch (...) {
        try {
            throw Exception("");
        } catch (const Exception& exception) {
            Application->ShowException(exception);
        }
    }
    return 0;
}
