// A push button; its click runs OnClick. An "&" in the caption marks the accelerator.
#pragma once

#include "ui/Control.h"

namespace stp {

class TButton : public TControl {
public:
    using TControl::TControl;

    TNotifyEvent OnClick;

    // Clicks the button as the user would: nothing happens while it is disabled.
    void Click();

    void BindEvent(const std::string& Event, TForm& Form, const std::string& Handler) override;
    void Notify(WORD Code) override;
    HBRUSH ControlColor(HDC Dc) override;

protected:
    std::wstring WindowClassName() const override { return L"BUTTON"; }
    DWORD WindowStyle() const override { return TControl::WindowStyle() | BS_PUSHBUTTON | WS_TABSTOP; }
};

}  // namespace stp
