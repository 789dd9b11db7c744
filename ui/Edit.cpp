#include "ui/Edit.h"

#include "ui/Form.h"

namespace stp {

TEdit::TEdit(TWinContainer* Parent, const ComponentLayout& Layout) : TControl(Parent, Layout) {
    if (!Layout.Color) SetColor(clWindow);
}

void TEdit::BindEvent(const std::string& Event, TForm& Form, const std::string& Handler) {
    if (Event != "OnChange") return TControl::BindEvent(Event, Form, Handler);
    OnChange = Form.NotifyHandler(Handler);
}

void TEdit::Notify(WORD Code) {
    if (Code == EN_CHANGE) InvokeEvent(OnChange);
}

}  // namespace stp
