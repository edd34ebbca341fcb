// Applying a parsed form description to a form: creating components by class name, setting
// properties by name, binding component fields and published handlers through a per-form table.
#pragma once

#include "Classes.h"

#include <functional>
#include <string>
#include <utility>
#include <vector>

class TForm;

// Our stand-in for published RTTI: the names a form class exposes to its description.
class TPublished {
public:
    using FieldBinder = std::function<bool(TForm& form, TComponent* component)>;
    using MethodBinder = std::function<TNotifyEvent(TForm& form)>;

    explicit TPublished(std::string className) : FClassName(std::move(className)) {}

    template <class F, class C> TPublished& Field(const char* name, C* F::*member) {
        FFields.emplace_back(name, [member](TForm& form, TComponent* c) {
            C* typed = dynamic_cast<C*>(c);
            if (!typed)
                return false;
            static_cast<F&>(form).*member = typed;
            return true;
        });
        return *this;
    }

    template <class F> TPublished& Method(const char* name, void (F::*method)(TObject*)) {
        FMethods.emplace_back(name, [method](TForm& form) -> TNotifyEvent {
            F* self = &static_cast<F&>(form);
            return [self, method](TObject* sender) { (self->*method)(sender); };
        });
        return *this;
    }

    const std::string& ClassName() const { return FClassName; }
    const FieldBinder* FindField(const std::string& name) const;
    const MethodBinder* FindMethod(const std::string& name) const;
    std::vector<std::string> FieldNames() const;

private:
    std::string FClassName;
    std::vector<std::pair<std::string, FieldBinder>> FFields;
    std::vector<std::pair<std::string, MethodBinder>> FMethods;
};

// Typed access to property values, with errors that name the component, the property and the
// place in the stream.
class TFormReader {
public:
    TFormReader(TForm& form, const TPublished& published) : FForm(form), FPublished(published) {}

    // Reads the whole description into the form. Throws EReadError.
    void Load(const TFormObject& root);

    int Integer(const TFormProperty& p) const;
    bool Boolean(const TFormProperty& p) const;
    AnsiString String(const TFormProperty& p) const; // 8-bit; UTF-16 converted to the code page
    std::string Ident(const TFormProperty& p) const;
    std::vector<std::string> Set(const TFormProperty& p) const;
    const std::string& Binary(const TFormProperty& p) const;
    const std::vector<TFormValue>& List(const TFormProperty& p) const;
    TNotifyEvent Method(const TFormProperty& p) const;
    int Color(const TFormProperty& p) const; // a TColor: a number or a colour name
    // Maps an identifier through a table; an identifier not in it is an error.
    int Enum(const TFormProperty& p,
             std::initializer_list<std::pair<const char*, int>> names) const;

    [[noreturn]] void Unknown(const TFormProperty& p) const;
    [[noreturn]] void Fail(const TFormProperty& p, const std::string& what) const;

private:
    void LoadChildren(const TFormObject& object, TComponent* parent);
    void Apply(TComponent& component, const TFormObject& object);

    TForm& FForm;
    const TPublished& FPublished;
    const TComponent* FCurrent = nullptr;
    std::vector<TComponent*> FLoaded;
};
