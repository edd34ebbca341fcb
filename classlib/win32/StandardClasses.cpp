// The classes a form description may name. Registered here rather than by static objects in
// each control's file, which a static library would drop from the link.
#include "BitBtn.h"
#include "Edit.h"
#include "Image.h"
#include "Label.h"
#include "Memo.h"
#include "OpenDialog.h"
#include "Panel.h"

namespace {
template <class T> TComponent* Make(TComponent* owner) {
    return new T(owner);
}
} // namespace

void RegisterStandardClasses() {
    static const bool registered = [] {
        RegisterComponentClass("TBitBtn", Make<TBitBtn>);
        RegisterComponentClass("TEdit", Make<TEdit>);
        RegisterComponentClass("TImage", Make<TImage>);
        RegisterComponentClass("TLabel", Make<TLabel>);
        RegisterComponentClass("TMemo", Make<TMemo>);
        RegisterComponentClass("TOpenDialog", Make<TOpenDialog>);
        RegisterComponentClass("TPanel", Make<TPanel>);
        return true;
    }();
    (void)registered;
}
