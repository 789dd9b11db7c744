// The one-at-a-time mutexes: the second of a name finds the first, either finds the
// other's name, and a name is free again once its holder is gone. Where the system has
// private namespaces (not under Wine), one that anybody made under the global name first
// holds nobody off.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "sys/Handles.h"
#include "sys/PrivateMutex.h"

namespace stp {
namespace {

// Names of this process alone, as ProductMutexName makes them, so that tests running at
// the same time never meet.
std::u16string Name(const std::u16string& kind) {
    const std::string pid = std::to_string(GetCurrentProcessId());
    return u"Global\\stp-test-" + kind + u"-" + std::u16string(pid.begin(), pid.end());
}

TEST(PrivateMutex, TheSecondOfANameFindsTheFirstAndBothFindTheOther) {
    {
        const TPrivateMutex setup(Name(u"setup"));
        EXPECT_FALSE(setup.MadeBefore());
        EXPECT_FALSE(setup.OtherExists(Name(u"uninstall")));
        {
            const TPrivateMutex again(Name(u"setup"));
            EXPECT_TRUE(again.MadeBefore());
            const TPrivateMutex uninstall(Name(u"uninstall"));
            EXPECT_FALSE(uninstall.MadeBefore());
            EXPECT_TRUE(uninstall.OtherExists(Name(u"setup")));
            EXPECT_TRUE(setup.OtherExists(Name(u"uninstall")));
        }
        EXPECT_FALSE(setup.OtherExists(Name(u"uninstall")));
    }
    EXPECT_FALSE(TPrivateMutex(Name(u"setup")).MadeBefore());
}

TEST(PrivateMutex, AGlobalMutexOfTheNameHoldsNobodyOff) {
    if (!GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "CreatePrivateNamespaceW"))
        GTEST_SKIP() << "no private namespaces here (Wine, Windows XP): the global name is used";
    auto squat = [](const std::u16string& name) {
        return UniqueHandle(CreateMutexW(nullptr, FALSE, reinterpret_cast<const wchar_t*>(name.c_str())));
    };
    const UniqueHandle setupSquatter = squat(Name(u"setup"));
    const UniqueHandle uninstallSquatter = squat(Name(u"uninstall"));
    ASSERT_TRUE(setupSquatter && uninstallSquatter);
    const TPrivateMutex only(Name(u"setup"));
    EXPECT_FALSE(only.MadeBefore());
    EXPECT_FALSE(only.OtherExists(Name(u"uninstall")));
}

}  // namespace
}  // namespace stp
