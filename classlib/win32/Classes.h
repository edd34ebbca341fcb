// Components: ownership, names, the class registry that form descriptions create objects from.
#pragma once

#include "FormStream.h"
#include "SysUtils.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

class TObject {
public:
    virtual ~TObject() = default;
};

using TNotifyEvent = std::function<void(TObject* Sender)>;

class TComponent;
class TFormReader;

// Owns its components and frees them, last created first, when it goes.
class TComponent : public TObject {
public:
    explicit TComponent(TComponent* AOwner);
    ~TComponent() override;
    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;

    TComponent* Owner() const { return FOwner; }
    const std::vector<TComponent*>& Components() const { return FComponents; }
    TComponent* FindComponent(const AnsiString& name) const;

    AnsiString Name;

    // Applies one property of a form description. Each class handles its own names and hands the
    // rest to its base; TComponent rejects what nobody knew.
    virtual void ReadProperty(const TFormProperty& prop, TFormReader& reader);
    // Called once the whole description has been applied.
    virtual void Loaded() {}
    // Name of the class as form descriptions spell it.
    virtual const char* ClassName() const = 0;

private:
    void Insert(TComponent* c) { FComponents.push_back(c); }
    void Remove(TComponent* c);

    TComponent* FOwner;
    std::vector<TComponent*> FComponents;
};

using TComponentFactory = std::function<TComponent*(TComponent* owner)>;

// Form descriptions name classes; this registry makes objects from those names.
void RegisterComponentClass(const char* className, TComponentFactory factory);
TComponent* CreateComponentByClassName(const std::string& className, TComponent* owner);

// Registers the controls of this library (TMemo, TEdit, ...); form loading calls it.
void RegisterStandardClasses();

// Lines of text, 8-bit in the system code page. Lines read from a description as UTF-16 keep
// their UTF-16 form too, so controls can show them whatever the code page.
class TStrings {
public:
    void Clear();
    void Add(const AnsiString& line);
    void AddWide(const std::u16string& line);
    int Count() const { return static_cast<int>(FLines.size()); }
    const AnsiString& operator[](int i) const { return FLines.at(i); }
    AnsiString Text() const;       // lines joined by CRLF, no trailing line break
    std::wstring WideText() const; // the same, UTF-16
    bool HasWide() const { return FHasWide; }

private:
    std::vector<AnsiString> FLines;
    std::vector<std::wstring> FWide;
    bool FHasWide = false;
};

// Code-page conversions between the system code page and UTF-16.
std::wstring AnsiToWide(const AnsiString& s);
AnsiString WideToAnsi(const std::wstring& s);
std::wstring Utf16ToWide(const std::u16string& s);
