#include "Unitselect.h"
#include "CommandLine.h"
#include "OutputPipe.h"

#include <direct.h>
#include <shellapi.h>

#include <vector>

TFormSelect* FormSelect = nullptr;

namespace {
const char* const GeneratorName = "keltrop.exe ";
const char* const HomepageURL = "http://www.keltrop.example/";
const char* const VersionQuery = "\\StringFileInfo\\041103A4\\FileVersion";
// What the output box shows of a run: the first bytes, up to the first zero byte.
constexpr size_t OutputLimit = 1023;
} // namespace

const TPublished& TFormSelect::Published() {
    static const TPublished published =
        TPublished("TFormSelect")
            .Field("Memo1", &TFormSelect::Memo1)
            .Field("Panel1", &TFormSelect::Panel1)
            .Field("Image1", &TFormSelect::Image1)
            .Field("Image2", &TFormSelect::Image2)
            .Field("LabelVersion", &TFormSelect::LabelVersion)
            .Field("LabelURL", &TFormSelect::LabelURL)
            .Field("BitBtn1", &TFormSelect::BitBtn1)
            .Field("BitBtn2", &TFormSelect::BitBtn2)
            .Field("EditPath", &TFormSelect::EditPath)
            .Field("OpenDialog1", &TFormSelect::OpenDialog1)
            .Field("Memo2", &TFormSelect::Memo2)
            .Method("LabelURLMouseEnter", &TFormSelect::LabelURLMouseEnter)
            .Method("LabelURLMouseLeave", &TFormSelect::LabelURLMouseLeave)
            .Method("BitBtn2Click", &TFormSelect::BitBtn2Click)
            .Method("BitBtn1Click", &TFormSelect::BitBtn1Click)
            .Method("LabelURLClick", &TFormSelect::LabelURLClick);
    return published;
}

TFormSelect::TFormSelect(TComponent* Owner)
    : TForm(Owner), Memo1(nullptr), Panel1(nullptr), Image1(nullptr), Image2(nullptr),
      LabelVersion(nullptr), LabelURL(nullptr), BitBtn1(nullptr), BitBtn2(nullptr),
      EditPath(nullptr), OpenDialog1(nullptr), Memo2(nullptr) {
    LoadDescription(Published());

    DragAcceptFiles(Handle(), TRUE);

    Memo1->SetAlign(alClient);

    // The label shows the file version from our own version resource.
    AnsiString version;
    const AnsiString exe = Application->ExeName();
    DWORD unused = 0;
    const DWORD size = GetFileVersionInfoSizeA(exe.c_str(), &unused);
    if (size != 0) {
        std::vector<char> block(size, 0);
        GetFileVersionInfoA(exe.c_str(), 0, size, block.data());
        char* value = nullptr;
        UINT length = 0;
        if (VerQueryValueA(block.data(), VersionQuery, reinterpret_cast<void**>(&value), &length) &&
            value)
            version = AnsiString(value, strnlen(value, length ? length : size));
    }
    LabelVersion->SetCaption("version " + version);
}

void TFormSelect::Dispatch(TMessage& msg) {
    switch (msg.Msg) {
    case WM_DROPFILES:
        WMDropFiles(reinterpret_cast<TWMDropFiles&>(msg));
        break;
    default:
        TForm::Dispatch(msg);
        break;
    }
}

void TFormSelect::WMDropFiles(TWMDropFiles& Message) {
    // Only the first item counts; its whole path, however long.
    if (DragQueryFileA(Message.Drop, 0xFFFFFFFF, nullptr, 0) > 0) {
        const UINT length = DragQueryFileA(Message.Drop, 0, nullptr, 0);
        std::vector<char> path(length + 1, '\0');
        DragQueryFileA(Message.Drop, 0, path.data(), length + 1);
        EditPath->SetText(path.data());
    }
    DragFinish(Message.Drop);
}

void TFormSelect::BitBtn1Click(TObject* /*Sender*/) {
    if (OpenDialog1->Execute())
        EditPath->SetText(OpenDialog1->FileName());
}

void TFormSelect::BitBtn2Click(TObject* /*Sender*/) {
    // The generator lies beside us and starts in our folder.
    _chdir(ExtractFileDir(Application->ExeName()).c_str());

    AnsiString command = GeneratorName + QuoteArgument(EditPath->Text());

    TOutputPipe pipe;
    if (!pipe.Create())
        return;

    STARTUPINFOA si = {};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES;
    si.wShowWindow = SW_SHOWDEFAULT;
    si.hStdOutput = pipe.WriteEnd();

    AnsiString output;
    PROCESS_INFORMATION pi = {};
    if (CreateProcessA(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si,
                       &pi)) {
        WaitForInputIdle(pi.hProcess, INFINITE);
        std::string kept;
        pipe.Drain(pi.hProcess, kept, OutputLimit);
        WaitForSingleObject(pi.hProcess, INFINITE);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
        output = kept.c_str(); // up to the first zero byte
    }
    pipe.Close();

    Memo1->SetText(output);
}

void TFormSelect::LabelURLMouseEnter(TObject* /*Sender*/) {
    LabelURL->Font()->SetColor(clMaroon);
}

void TFormSelect::LabelURLMouseLeave(TObject* /*Sender*/) {
    LabelURL->Font()->SetColor(clBlue);
}

void TFormSelect::LabelURLClick(TObject* /*Sender*/) {
    if (Application->MessageBox(L"ホームページへ移動しますか？", L"確認", MB_OKCANCEL) != IDOK)
        return;
    SHELLEXECUTEINFOA info = {};
    static_assert(sizeof info == 60, "the shell's record as a 32-bit program passes it");
    info.cbSize = sizeof info;
    info.lpFile = HomepageURL;
    info.nShow = SW_SHOWNORMAL;
    ShellExecuteExA(&info);
}
