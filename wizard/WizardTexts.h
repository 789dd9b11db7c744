// The wizard's two text sets: window caption, stored captions and messages, the texts
// of its components, and the licence agreement, line by line.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace stp {

struct WizardTexts {
    std::u16string Caption;
    std::u16string CaptionBack;
    std::u16string CaptionNext;
    std::u16string CaptionCancel;
    std::u16string CaptionAgree;
    std::u16string CaptionInstall;
    std::u16string CaptionFinish;
    std::u16string MsgFolderFailed;
    std::u16string MsgExtractFailed;
    std::u16string BrowseTitle;
    std::u16string FreeSizePrefix;
    // Component name and the text creation gives it; components not listed keep the
    // text of the form layout.
    std::vector<std::pair<std::string, std::u16string>> Components;
};

// DisplayName, Version and NeedSize as the build configuration gives them.
WizardTexts ChineseWizardTexts(const std::u16string& DisplayName, const std::u16string& Version,
                               const std::u16string& NeedSize);
WizardTexts EnglishWizardTexts(const std::u16string& DisplayName, const std::u16string& Version,
                               const std::u16string& NeedSize);

// The agreement; Copyright is the last line, naming the author (Chinese) or the maker
// (English).
std::vector<std::u16string> ChineseAgreement(const std::u16string& DisplayName, bool IsFreeware,
                                             const std::u16string& Copyright);
std::vector<std::u16string> EnglishAgreement(const std::u16string& DisplayName, bool IsFreeware,
                                             const std::u16string& Copyright);

// A product's own agreement text as the agreement's lines: split at its line breaks
// (CR LF or LF), a last line break ending the last line.
std::vector<std::u16string> AgreementLines(const std::u16string& Text);

}  // namespace stp
