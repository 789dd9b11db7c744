#include "ui/CheckBox.h"

#include "ui/Form.h"

namespace stp {

TCheckBox::TCheckBox(TWinContainer* Parent, const ComponentLayout& Layout)
    : TControl(Parent, Layout), initialChecked_(Layout.Checked) {}

bool TCheckBox::Checked() const {
    if (!Handle()) return initialChecked_;
    return SendMessageW(Handle(), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void TCheckBox::SetChecked(bool Checked) {
    initialChecked_ = Checked;
    if (Handle()) SendMessageW(Handle(), BM_SETCHECK, Checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

void TCheckBox::BindEvent(const std::string& Event, TForm& Form, const std::string& Handler) {
    if (Event != "OnClick") return TControl::BindEvent(Event, Form, Handler);
    OnClick = Form.NotifyHandler(Handler);
}

void TCheckBox::Notify(WORD Code) {
    if (Code == BN_CLICKED) InvokeEvent(OnClick);
}

}  // namespace stp
