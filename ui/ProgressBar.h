// A progress bar over the range 0 to Max.
#pragma once

#include "ui/Control.h"

namespace stp {

class TProgressBar : public TControl {
public:
    TProgressBar(TWinContainer* Parent, const ComponentLayout& Layout);

    int Position() const;
    void SetPosition(int Position);
    int Max() const noexcept { return max_; }

protected:
    std::wstring WindowClassName() const override;
    void HandleCreated() override;

private:
    int max_;
};

}  // namespace stp
