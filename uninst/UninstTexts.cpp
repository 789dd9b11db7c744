#include "uninst/UninstTexts.h"

#include "product/TextSets.h"

namespace stp {

UninstTexts MakeUninstTexts(int Mode, const std::u16string& D) {
    const auto text = [&](UninstText id) {
        return FillText(InTextSet(kUninstTexts[static_cast<std::size_t>(id)], Mode), TextValues{D, {}, {}, {}});
    };
    return {text(UninstText::Caption),     text(UninstText::Confirm),
            text(UninstText::Running),     text(UninstText::NotInstalledHere),
            text(UninstText::Done),        text(UninstText::DoneAtRestart),
            text(UninstText::AnotherRuns), text(UninstText::Incomplete),
            text(UninstText::InUse),       text(UninstText::Kept)};
}

}  // namespace stp
