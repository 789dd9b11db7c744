#include "sys/RunningProgram.h"

#include <windows.h>

#include "sys/WideText.h"

namespace stp {

bool TopLevelWindowExists(const std::u16string& ClassName, const std::u16string& Title) {
    return FindWindowW(AsWide(ClassName), AsWide(Title)) != nullptr;
}

std::u16string FindRunningTitle(const TargetWindow& Target, const WindowFinder& Find) {
    if (Find(Target.ClassName, Target.TitleEnglish)) return Target.TitleEnglish;
    if (Find(Target.ClassName, Target.TitleChinese)) return Target.TitleChinese;
    return {};
}

}  // namespace stp
