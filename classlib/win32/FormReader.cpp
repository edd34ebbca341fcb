#include "FormReader.h"
#include "Controls.h"
#include "Form.h"

#include <cctype>

const TPublished::FieldBinder* TPublished::FindField(const std::string& name) const {
    for (const auto& f : FFields)
        if (f.first == name)
            return &f.second;
    return nullptr;
}

const TPublished::MethodBinder* TPublished::FindMethod(const std::string& name) const {
    for (const auto& m : FMethods)
        if (m.first == name)
            return &m.second;
    return nullptr;
}

std::vector<std::string> TPublished::FieldNames() const {
    std::vector<std::string> names;
    for (const auto& f : FFields)
        names.push_back(f.first);
    return names;
}

namespace {
std::string Where(const TComponent* c) {
    return c ? c->Name + " (" + c->ClassName() + ")" : std::string("?");
}
} // namespace

void TFormReader::Fail(const TFormProperty& p, const std::string& what) const {
    throw EReadError("Form description " + FPublished.ClassName() + ": " + Where(FCurrent) +
                     ", property " + p.Name + " at offset " + std::to_string(p.Offset) + ": " +
                     what);
}

void TFormReader::Unknown(const TFormProperty& p) const {
    Fail(p, "unknown property");
}

int TFormReader::Integer(const TFormProperty& p) const {
    if (!p.Value.IsInteger())
        Fail(p, "expected an integer");
    if (p.Value.Int < INT32_MIN || p.Value.Int > INT32_MAX)
        Fail(p, "integer out of range");
    return static_cast<int>(p.Value.Int);
}

bool TFormReader::Boolean(const TFormProperty& p) const {
    if (p.Value.Type == TValueType::vaTrue)
        return true;
    if (p.Value.Type == TValueType::vaFalse)
        return false;
    Fail(p, "expected True or False");
}

AnsiString TFormReader::String(const TFormProperty& p) const {
    switch (p.Value.Type) {
    case TValueType::vaString:
    case TValueType::vaLString:
        return p.Value.Bytes;
    case TValueType::vaWString:
        return WideToAnsi(Utf16ToWide(p.Value.Wide));
    case TValueType::vaUTF8String: {
        const std::string& u = p.Value.Bytes;
        const int n =
            MultiByteToWideChar(CP_UTF8, 0, u.data(), static_cast<int>(u.size()), nullptr, 0);
        std::wstring w(static_cast<size_t>(n), L'\0');
        MultiByteToWideChar(CP_UTF8, 0, u.data(), static_cast<int>(u.size()), &w[0], n);
        return WideToAnsi(w);
    }
    default:
        Fail(p, "expected a string");
    }
}

std::string TFormReader::Ident(const TFormProperty& p) const {
    if (p.Value.Type != TValueType::vaIdent)
        Fail(p, "expected an identifier");
    return p.Value.Bytes;
}

std::vector<std::string> TFormReader::Set(const TFormProperty& p) const {
    if (p.Value.Type != TValueType::vaSet)
        Fail(p, "expected a set");
    return p.Value.Items;
}

const std::string& TFormReader::Binary(const TFormProperty& p) const {
    if (p.Value.Type != TValueType::vaBinary)
        Fail(p, "expected binary data");
    return p.Value.Bytes;
}

const std::vector<TFormValue>& TFormReader::List(const TFormProperty& p) const {
    if (p.Value.Type != TValueType::vaList)
        Fail(p, "expected a list");
    return p.Value.List;
}

TNotifyEvent TFormReader::Method(const TFormProperty& p) const {
    if (p.Value.Type == TValueType::vaNil)
        return nullptr;
    const std::string name = Ident(p);
    const TPublished::MethodBinder* binder = FPublished.FindMethod(name);
    if (!binder)
        Fail(p, "no published method '" + name + "' in " + FPublished.ClassName());
    return (*binder)(FForm);
}

int TFormReader::Color(const TFormProperty& p) const {
    if (p.Value.IsInteger())
        return static_cast<int>(p.Value.Int);
    TColor color;
    if (!IdentToColor(Ident(p), color))
        Fail(p, "unknown colour '" + p.Value.Bytes + "'");
    return color;
}

int TFormReader::Enum(const TFormProperty& p,
                      std::initializer_list<std::pair<const char*, int>> names) const {
    const std::string ident = Ident(p);
    for (const auto& n : names)
        if (ident == n.first)
            return n.second;
    Fail(p, "unknown value '" + ident + "'");
}

void TFormReader::Apply(TComponent& component, const TFormObject& object) {
    FCurrent = &component;
    for (const TFormProperty& p : object.Properties)
        component.ReadProperty(p, *this);
}

void TFormReader::LoadChildren(const TFormObject& object, TComponent* parent) {
    const std::string where = "Form description " + FPublished.ClassName() + ": ";
    for (const TFormObject& child : object.Children) {
        const std::string at = " at offset " + std::to_string(child.Offset);
        if (child.Name.empty() || FForm.FindComponent(child.Name))
            throw EReadError(where + "component '" + child.Name + "'" + at +
                             (child.Name.empty() ? " has no name" : " is named twice"));
        const TPublished::FieldBinder* binder = FPublished.FindField(child.Name);
        if (!binder)
            throw EReadError(where + "component " + child.Name + at + " has no field in " +
                             FPublished.ClassName());
        TComponent* component = CreateComponentByClassName(child.ClassName, &FForm);
        if (!component)
            throw EReadError(where + "unknown class " + child.ClassName + " of component " +
                             child.Name + at);
        component->Name = child.Name;
        if (!(*binder)(FForm, component))
            throw EReadError(where + "component " + child.Name + " is a " + child.ClassName +
                             ", which its field in " + FPublished.ClassName() + " cannot hold");
        if (auto* control = dynamic_cast<TControl*>(component)) {
            auto* container = dynamic_cast<TWinControl*>(parent);
            if (!container)
                throw EReadError(where + "control " + child.Name + at +
                                 " must lie on a windowed control");
            control->SetParent(container);
        } else if (parent != &FForm) {
            throw EReadError(where + "component " + child.Name + at +
                             " must belong to the form itself");
        }
        Apply(*component, child);
        FLoaded.push_back(component);
        LoadChildren(child, component);
    }
}

void TFormReader::Load(const TFormObject& root) {
    RegisterStandardClasses();
    const std::string where = "Form description " + FPublished.ClassName() + ": ";
    if (root.ClassName != FPublished.ClassName())
        throw EReadError(where + "describes class " + root.ClassName);
    FForm.Name = root.Name;
    Apply(FForm, root);
    LoadChildren(root, &FForm);
    for (const std::string& field : FPublished.FieldNames())
        if (!FForm.FindComponent(field))
            throw EReadError(where + "no component for field " + field);
    for (TComponent* c : FLoaded)
        c->Loaded();
    FForm.Loaded();
}
