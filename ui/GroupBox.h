// A framed container with a caption in its top edge.
#pragma once

#include "ui/Container.h"

namespace stp {

class TGroupBox : public TWinContainer {
public:
    using TWinContainer::TWinContainer;

protected:
    std::wstring WindowClassName() const override { return OwnClass(L"TGroupBox"); }
    void FontChanged() override { Invalidate(); }
    void TextChanged() override { Invalidate(); }
    void Paint(HDC Dc) override;
};

}  // namespace stp
