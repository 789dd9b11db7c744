// A plain container painted in its colour, without a bevel.
#pragma once

#include "ui/Container.h"

namespace stp {

class TPanel : public TWinContainer {
public:
    using TWinContainer::TWinContainer;

protected:
    std::wstring WindowClassName() const override { return OwnClass(L"TPanel", 0); }
};

}  // namespace stp
