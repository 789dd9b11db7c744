// The notice TfrmConflict, shown instead of launching the installed program when the
// antivirus product it cannot run beside is found. Chinese only. The wizard hands it the
// installed program's executable base name before showing it.
#pragma once

#include <string>

#include "ui/Form.h"

namespace stp {

class TfrmConflict : public TForm {
public:
    TfrmConflict();

    void FormCreate();
    void Button1Click();
    void Button2Click();

    // Hands over the executable base name and composes the caption and message from it
    // (or from the product's NoticeLabel).
    void SetExeName(const std::u16string& ExeName);
    const std::u16string& ExeName() const noexcept { return exeName_; }
    const std::u16string& ProductLabel() const noexcept { return productLabel_; }

protected:
    TNotifyEvent FindNotifyHandler(const std::string& Name) override;

private:
    std::u16string exeName_;
    std::u16string productLabel_;
};

// The product name the notice uses: the product's NoticeLabel when it gives one, else the
// demo's label for the executable base name.
std::u16string ConflictProductLabel(const std::u16string& ExeName, const std::u16string& NoticeLabel);

}  // namespace stp
