// A multi-line text field, here read-only with a vertical scroll bar, whose long lines
// wrap. Its text is a list of lines.
#pragma once

#include <string>
#include <vector>

#include "ui/Control.h"

namespace stp {

class TMemo : public TControl {
public:
    TMemo(TWinContainer* Parent, const ComponentLayout& Layout);

    // The lines as the control holds them.
    std::vector<std::u16string> Lines() const;
    void AddLine(const std::u16string& Line);
    // The lines added at once: the control lays its text out once, not once a line.
    void AddLines(const std::vector<std::u16string>& Lines);
    void ClearLines();

    HBRUSH ControlColor(HDC Dc) override;

protected:
    std::wstring WindowClassName() const override { return L"EDIT"; }
    DWORD WindowStyle() const override;
    DWORD WindowExStyle() const override { return WS_EX_CLIENTEDGE; }

private:
    bool readOnly_;
    bool verticalScrollBar_;
};

}  // namespace stp
