#include "ui/Button.h"

#include "ui/Form.h"

namespace stp {

void TButton::Click() {
    if (!Enabled() || !Handle()) return;
    SendMessageW(GetParent(Handle()), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(Handle()), BN_CLICKED),
                 reinterpret_cast<LPARAM>(Handle()));
}

void TButton::BindEvent(const std::string& Event, TForm& Form, const std::string& Handler) {
    if (Event != "OnClick") return TControl::BindEvent(Event, Form, Handler);
    OnClick = Form.NotifyHandler(Handler);
}

void TButton::Notify(WORD Code) {
    if (Code == BN_CLICKED) InvokeEvent(OnClick);
}

// The corners around a themed button show the parent's colour.
HBRUSH TButton::ControlColor(HDC Dc) {
    SetBkColor(Dc, ColorToRGB(Color()));
    return BackgroundBrush();
}

}  // namespace stp
