// A check box with its caption, drawn on the parent's colour.
#pragma once

#include "ui/Control.h"

namespace stp {

class TCheckBox : public TControl {
public:
    TCheckBox(TWinContainer* Parent, const ComponentLayout& Layout);

    bool Checked() const;
    void SetChecked(bool Checked);

    TNotifyEvent OnClick;
    void BindEvent(const std::string& Event, TForm& Form, const std::string& Handler) override;
    void Notify(WORD Code) override;

protected:
    std::wstring WindowClassName() const override { return L"BUTTON"; }
    DWORD WindowStyle() const override { return TControl::WindowStyle() | BS_AUTOCHECKBOX | WS_TABSTOP; }
    void HandleCreated() override { SetChecked(initialChecked_); }

private:
    bool initialChecked_;
};

}  // namespace stp
