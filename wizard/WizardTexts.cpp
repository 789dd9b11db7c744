#include "wizard/WizardTexts.h"

#include "product/TextSets.h"

namespace stp {

namespace {

// The text set of Mode as the wizard keeps it, from the text tables.
WizardTexts WizardTextsFor(int Mode, const TextValues& values) {
    const auto text = [&](WizardText id) {
        return FillText(InTextSet(kWizardTexts[static_cast<std::size_t>(id)], Mode), values);
    };
    WizardTexts t;
    const std::pair<std::u16string WizardTexts::*, WizardText> fields[] = {
        {&WizardTexts::Caption, WizardText::Caption},
        {&WizardTexts::CaptionBack, WizardText::CaptionBack},
        {&WizardTexts::CaptionNext, WizardText::CaptionNext},
        {&WizardTexts::CaptionCancel, WizardText::CaptionCancel},
        {&WizardTexts::CaptionAgree, WizardText::CaptionAgree},
        {&WizardTexts::CaptionInstall, WizardText::CaptionInstall},
        {&WizardTexts::CaptionFinish, WizardText::CaptionFinish},
        {&WizardTexts::MsgFolderFailed, WizardText::MsgFolderFailed},
        {&WizardTexts::MsgExtractFailed, WizardText::MsgExtractFailed},
        {&WizardTexts::BrowseTitle, WizardText::BrowseTitle},
        {&WizardTexts::FreeSizePrefix, WizardText::FreeSizePrefix},
    };
    for (const auto& [field, id] : fields) t.*field = text(id);
    for (const ComponentText& component : kComponentTexts)
        if (const char16_t* template_ = InTextSet(component.Texts, Mode))
            t.Components.push_back({component.Component, FillText(template_, values)});
    return t;
}

std::vector<std::u16string> Agreement(int Mode, const std::u16string& D, bool IsFreeware,
                                      const std::u16string& Copyright) {
    const TextValues values{D, {}, {}, Copyright};
    std::vector<std::u16string> lines;
    for (const AgreementLine& line : AgreementTable(Mode))
        if (line.For == AgreementLineFor::All || (line.For == AgreementLineFor::Freeware) == IsFreeware)
            lines.push_back(FillText(line.Text, values));
    return lines;
}

}  // namespace

WizardTexts ChineseWizardTexts(const std::u16string& D, const std::u16string& V, const std::u16string& NeedSize) {
    return WizardTextsFor(0, {D, V, NeedSize, {}});
}

WizardTexts EnglishWizardTexts(const std::u16string& D, const std::u16string& V, const std::u16string& NeedSize) {
    return WizardTextsFor(2, {D, V, NeedSize, {}});
}

std::vector<std::u16string> AgreementLines(const std::u16string& Text) {
    std::vector<std::u16string> lines;
    for (std::size_t start = 0; start < Text.size();) {
        std::size_t end = Text.find(u'\n', start);
        if (end == std::u16string::npos) end = Text.size();
        std::u16string line = Text.substr(start, end - start);
        if (!line.empty() && line.back() == u'\r') line.pop_back();
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

std::vector<std::u16string> ChineseAgreement(const std::u16string& D, bool IsFreeware,
                                             const std::u16string& Copyright) {
    return Agreement(0, D, IsFreeware, Copyright);
}

std::vector<std::u16string> EnglishAgreement(const std::u16string& D, bool IsFreeware,
                                             const std::u16string& Copyright) {
    return Agreement(2, D, IsFreeware, Copyright);
}

}  // namespace stp
