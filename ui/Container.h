// A control that holds other controls: it places the aligned ones, passes its
// children's notifications and colour requests back to them, and orders them for the
// Tab key by their tab positions.
#pragma once

#include <vector>

#include "ui/Control.h"

namespace stp {

class TWinContainer : public TControl {
public:
    using TControl::TControl;
    ~TWinContainer() override;

    const std::vector<TControl*>& Controls() const noexcept { return controls_; }
    void InsertControl(TControl& Control);
    void RemoveControl(TControl& Control);

    // Places the visible aligned children: top, bottom, left, right, then client.
    void Realign();
    // Puts the children's windows in tab order (the order the Tab key follows).
    void ApplyTabOrder();

    LRESULT WndProc(UINT Message, WPARAM WParam, LPARAM LParam) override;

protected:
    DWORD WindowStyle() const override;
    DWORD WindowExStyle() const override { return WS_EX_CONTROLPARENT; }
    // The area the aligned children share, in client coordinates.
    virtual RECT AlignRect() const;
    void Paint(HDC Dc) override;

private:
    std::vector<TControl*> controls_;
    bool aligning_ = false;
};

}  // namespace stp
