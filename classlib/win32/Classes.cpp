#include "Classes.h"
#include "FormReader.h"

#include <windows.h>

#include <algorithm>
#include <map>

TComponent::TComponent(TComponent* AOwner) : FOwner(AOwner) {
    if (FOwner)
        FOwner->Insert(this);
}

TComponent::~TComponent() {
    while (!FComponents.empty())
        delete FComponents.back(); // removes itself from the list
    if (FOwner)
        FOwner->Remove(this);
}

void TComponent::Remove(TComponent* c) {
    FComponents.erase(std::remove(FComponents.begin(), FComponents.end(), c), FComponents.end());
}

TComponent* TComponent::FindComponent(const AnsiString& name) const {
    for (TComponent* c : FComponents)
        if (c->Name == name)
            return c;
    return nullptr;
}

void TComponent::ReadProperty(const TFormProperty& prop, TFormReader& reader) {
    if (prop.Name == "Name")
        Name = reader.String(prop);
    else
        reader.Unknown(prop);
}

namespace {
std::map<std::string, TComponentFactory>& Registry() {
    static std::map<std::string, TComponentFactory> registry;
    return registry;
}
} // namespace

void RegisterComponentClass(const char* className, TComponentFactory factory) {
    Registry()[className] = std::move(factory);
}

TComponent* CreateComponentByClassName(const std::string& className, TComponent* owner) {
    auto it = Registry().find(className);
    return it == Registry().end() ? nullptr : it->second(owner);
}

void TStrings::Clear() {
    FLines.clear();
    FWide.clear();
    FHasWide = false;
}

void TStrings::Add(const AnsiString& line) {
    FLines.push_back(line);
    FWide.push_back(AnsiToWide(line));
}

void TStrings::AddWide(const std::u16string& line) {
    FWide.push_back(Utf16ToWide(line));
    FLines.push_back(WideToAnsi(FWide.back()));
    FHasWide = true;
}

AnsiString TStrings::Text() const {
    AnsiString text;
    for (size_t i = 0; i < FLines.size(); ++i)
        text += (i ? "\r\n" : "") + FLines[i];
    return text;
}

std::wstring TStrings::WideText() const {
    std::wstring text;
    for (size_t i = 0; i < FWide.size(); ++i)
        text += (i ? L"\r\n" : L"") + FWide[i];
    return text;
}

std::wstring AnsiToWide(const AnsiString& s) {
    if (s.empty())
        return std::wstring();
    const int n = MultiByteToWideChar(CP_ACP, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
    std::wstring w(n, L'\0');
    MultiByteToWideChar(CP_ACP, 0, s.data(), static_cast<int>(s.size()), &w[0], n);
    return w;
}

AnsiString WideToAnsi(const std::wstring& s) {
    if (s.empty())
        return AnsiString();
    const int n = WideCharToMultiByte(CP_ACP, 0, s.data(), static_cast<int>(s.size()), nullptr, 0,
                                      nullptr, nullptr);
    AnsiString a(n, '\0');
    WideCharToMultiByte(CP_ACP, 0, s.data(), static_cast<int>(s.size()), &a[0], n, nullptr,
                        nullptr);
    return a;
}

std::wstring Utf16ToWide(const std::u16string& s) {
    return std::wstring(s.begin(), s.end());
}
