#include "OpenDialog.h"
#include "Application.h"
#include "FormReader.h"

#include <commdlg.h>

TOpenDialog::TOpenDialog(TComponent* AOwner) : TComponent(AOwner) {}

bool TOpenDialog::Execute() {
    // Room for long paths: MAX_PATH would cut a chosen file's name.
    std::string buffer(32768, '\0');
    FFileName.copy(&buffer[0], buffer.size() - 1);
    // "Text|*.txt|All|*.*" -> the system's pairs of zero-terminated strings.
    std::string filter = Filter;
    for (char& c : filter)
        if (c == '|')
            c = '\0';
    filter.append(2, '\0');

    OPENFILENAMEA ofn = {};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = Application->MainForm() && Application->MainForm()->HandleAllocated()
                        ? Application->MainForm()->Handle()
                        : nullptr;
    ofn.lpstrFilter = Filter.empty() ? nullptr : filter.c_str();
    ofn.lpstrFile = &buffer[0];
    ofn.nMaxFile = static_cast<DWORD>(buffer.size());
    ofn.lpstrInitialDir = InitialDir.empty() ? nullptr : InitialDir.c_str();
    ofn.lpstrTitle = Title.empty() ? nullptr : Title.c_str();
    ofn.lpstrDefExt = DefaultExt.empty() ? nullptr : DefaultExt.c_str();
    ofn.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_ENABLESIZING;
    // The dialog's library (and the printing libraries it pulls in) is loaded on first use, which
    // keeps it out of every start of the program.
    using GetOpenFileNameFn = BOOL(WINAPI*)(OPENFILENAMEA*);
    static const auto getOpenFileName =
        reinterpret_cast<GetOpenFileNameFn>(reinterpret_cast<void (*)()>(
            GetProcAddress(LoadLibraryA("comdlg32.dll"), "GetOpenFileNameA")));
    if (!getOpenFileName)
        throw Exception("The file dialog is not available (comdlg32.dll)");
    if (!getOpenFileName(&ofn))
        return false;
    FFileName = buffer.c_str();
    return true;
}

void TOpenDialog::ReadProperty(const TFormProperty& prop, TFormReader& reader) {
    const std::string& n = prop.Name;
    if (n == "Left" || n == "Top" || n == "DesignInfo")
        reader.Integer(prop); // where the designer showed the component; it has no window
    else if (n == "Filter")
        Filter = reader.String(prop);
    else if (n == "Title")
        Title = reader.String(prop);
    else if (n == "DefaultExt")
        DefaultExt = reader.String(prop);
    else if (n == "InitialDir")
        InitialDir = reader.String(prop);
    else if (n == "FileName")
        FFileName = reader.String(prop);
    else
        TComponent::ReadProperty(prop, reader);
}
