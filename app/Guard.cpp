#include "app/Guard.h"

namespace stp {

RefusalMessage MakeRefusalMessage(int Mode, const std::u16string& RunningTitle, const std::u16string& TitleEnglish) {
    if (Mode == 0) return {RunningTitle + u"正在运行，请先退出后再进行安装。", u"安装向导"};
    return {TitleEnglish + u" program is running, please close it first.", u"Setup"};
}

}  // namespace stp
