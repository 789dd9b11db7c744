// A lowered line along the top edge, separating one part of a form from another.
#pragma once

#include "ui/Control.h"

namespace stp {

class TBevel : public TControl {
public:
    using TControl::TControl;

protected:
    std::wstring WindowClassName() const override { return OwnClass(L"TBevel"); }
    void FontChanged() override {}
    void Paint(HDC Dc) override;
};

}  // namespace stp
