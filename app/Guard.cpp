#include "app/Guard.h"

#include "product/TextSets.h"

namespace stp {

RefusalMessage MakeRefusalMessage(int Mode, const std::u16string& RunningTitle, const std::u16string& TitleEnglish) {
    const TextValues values{Mode == 0 ? RunningTitle : TitleEnglish, {}, {}, {}};
    return {FillText(InTextSet(kRunningProgramText, Mode), values), InTextSet(kRunningProgramCaption, Mode)};
}

}  // namespace stp
