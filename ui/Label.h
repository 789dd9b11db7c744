// Static text drawn in the parent's colour: word-wrapped or one line per line feed,
// optionally centred vertically; with AutoSize it takes the size of its text.
#pragma once

#include "ui/Control.h"

namespace stp {

class TLabel : public TControl {
public:
    TLabel(TWinContainer* Parent, const ComponentLayout& Layout);

    bool WordWrap() const noexcept { return wordWrap_; }
    bool AutoSize() const noexcept { return autoSize_; }

protected:
    std::wstring WindowClassName() const override { return OwnClass(L"TLabel"); }
    void HandleCreated() override { AdjustSize(); }
    void FontChanged() override;
    void TextChanged() override { AdjustSize(); }
    void Paint(HDC Dc) override;

private:
    UINT DrawFlags() const;
    void AdjustSize();

    bool wordWrap_;
    bool autoSize_;
    bool centerVertical_;
};

}  // namespace stp
