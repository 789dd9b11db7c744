// The wizard on Windows XP (major version 5): 385 pixels high, with the Quick Launch
// check box. Wine takes the reported version from the per-program AppDefaults key, so
// the test runs a copy of this program under its own name with that key set to XP.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "conflict/ConflictForm.h"
#include "tests/wizard/WizardFixture.h"
#include "ui/CheckBox.h"
#include "ui/SystemInfo.h"

namespace stp::test {
namespace {

constexpr wchar_t ChildName[] = L"stp_wizard_xp_child.exe";
constexpr wchar_t ChildMarker[] = L"STP_WIZARD_XP_CHILD";

bool UnderWine() { return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr; }

std::wstring AppDefaultsKey() { return std::wstring(L"Software\\Wine\\AppDefaults\\") + ChildName; }

// Runs the test WizardOnWindowsXp.Test in a copy of the program that Wine reports as
// Windows XP; its exit code.
DWORD RunAsWindowsXp(const std::wstring& Test) {
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring child(self);
    child = child.substr(0, child.find_last_of(L'\\') + 1) + ChildName;
    if (!CopyFileW(self, child.c_str(), FALSE)) return 100;
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, AppDefaultsKey().c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return 101;
    const wchar_t version[] = L"winxp64";
    RegSetValueExW(key, L"Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version), sizeof version);
    RegCloseKey(key);

    SetEnvironmentVariableW(ChildMarker, L"1");
    std::wstring commandLine = L"\"" + child + L"\" --gtest_filter=WizardOnWindowsXp." + Test;
    STARTUPINFOW startup{sizeof startup};
    PROCESS_INFORMATION process{};
    DWORD exitCode = 102;
    if (CreateProcessW(child.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                       &process)) {
        WaitForSingleObject(process.hProcess, 120000);
        GetExitCodeProcess(process.hProcess, &exitCode);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    SetEnvironmentVariableW(ChildMarker, nullptr);
    RegDeleteKeyW(HKEY_CURRENT_USER, AppDefaultsKey().c_str());
    DeleteFileW(child.c_str());
    return exitCode;
}

class WizardOnWindowsXp : public WizardTest {};

TEST_F(WizardOnWindowsXp, IsLowerAndOffersQuickLaunch) {
    const bool child = GetEnvironmentVariableW(ChildMarker, nullptr, 0) != 0;
    if (!child) {
        if (WindowsMajorVersion() >= 6) {
            if (!UnderWine()) GTEST_SKIP() << "Windows XP is only simulated under Wine";
            EXPECT_EQ(RunAsWindowsXp(L"IsLowerAndOffersQuickLaunch"), 0u) << "the wizard test failed as Windows XP";
            return;
        }
    }
    ASSERT_EQ(WindowsMajorVersion(), 5) << "Wine did not report Windows XP";
    auto& form = MakeForm(0);
    RECT r;
    GetWindowRect(form.Handle(), &r);
    EXPECT_EQ(r.right - r.left, 503);
    EXPECT_EQ(r.bottom - r.top, 385);
    EXPECT_TRUE(form.Component<TCheckBox>("chkSCOnQuick").Visible());
    EXPECT_TRUE(form.Component<TCheckBox>("chkSCOnQuick").Checked());
}

TEST_F(WizardOnWindowsXp, ConflictNoticeKeepsTheTahomaFontsOfItsLayout) {
    const bool child = GetEnvironmentVariableW(ChildMarker, nullptr, 0) != 0;
    if (!child) {
        if (WindowsMajorVersion() >= 6) {
            if (!UnderWine()) GTEST_SKIP() << "Windows XP is only simulated under Wine";
            EXPECT_EQ(RunAsWindowsXp(L"ConflictNoticeKeepsTheTahomaFontsOfItsLayout"), 0u)
                << "the notice test failed as Windows XP";
            return;
        }
    }
    ASSERT_EQ(WindowsMajorVersion(), 5) << "Wine did not report Windows XP";
    TfrmConflict notice;
    notice.Create();
    const struct {
        const char* name;
        int height;
    } labels[] = {{"Label1", -13}, {"lblRegister", -13}, {"lblContent", -13}, {"Label2", -14}};
    for (const auto& [name, height] : labels) {
        EXPECT_TRUE(notice.Component<TControl>(name).Font().Name() == u"Tahoma") << name;
        EXPECT_EQ(notice.Component<TControl>(name).Font().Height(), height) << name;
    }
    for (const char* name : {"Button1", "Button2"})
        EXPECT_TRUE(notice.Component<TControl>(name).Font().Name() == u"Tahoma") << name;
}

}  // namespace
}  // namespace stp::test
