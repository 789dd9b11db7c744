#include "app/Guard.h"

#include <windows.h>

#include "ui/Wide.h"

namespace stp {

bool TopLevelWindowExists(const std::u16string& ClassName, const std::u16string& Title) {
    return FindWindowW(ToWide(ClassName).c_str(), ToWide(Title).c_str()) != nullptr;
}

std::u16string FindRunningTitle(const TargetWindow& Target, const WindowFinder& Find) {
    if (Find(Target.ClassName, Target.TitleEnglish)) return Target.TitleEnglish;
    if (Find(Target.ClassName, Target.TitleChinese)) return Target.TitleChinese;
    return {};
}

RefusalMessage MakeRefusalMessage(int Mode, const std::u16string& RunningTitle, const std::u16string& TitleEnglish) {
    if (Mode == 0) return {RunningTitle + u"正在运行，请先退出后再进行安装。", u"安装向导"};
    return {TitleEnglish + u" program is running, please close it first.", u"Setup"};
}

}  // namespace stp
