// A one-line edit field; every change of its text, by the user or the program, runs
// OnChange.
#pragma once

#include "ui/Control.h"

namespace stp {

class TEdit : public TControl {
public:
    TEdit(TWinContainer* Parent, const ComponentLayout& Layout);

    TNotifyEvent OnChange;
    void BindEvent(const std::string& Event, TForm& Form, const std::string& Handler) override;
    void Notify(WORD Code) override;

protected:
    std::wstring WindowClassName() const override { return L"EDIT"; }
    DWORD WindowStyle() const override { return TControl::WindowStyle() | ES_AUTOHSCROLL | ES_LEFT | WS_TABSTOP; }
    DWORD WindowExStyle() const override { return WS_EX_CLIENTEDGE; }
};

}  // namespace stp
