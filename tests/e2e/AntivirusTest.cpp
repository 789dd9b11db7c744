#include "tests/e2e/EndToEnd.h"

namespace stp::e2e {
namespace {

// The antivirus program the installed program cannot run beside, as a process named
// KXETRAY.EXE (a copy of Wine's Notepad, which merely waits).
class AntivirusRunning : public SetupEndToEnd {
protected:
    void SetUp() override {
        SetupEndToEnd::SetUp();
        wchar_t system[MAX_PATH] = {};
        GetSystemDirectoryW(system, MAX_PATH);
        const std::u16string copy = kWork + u"KXETRAY.EXE";
        ASSERT_TRUE(CopyFileW((std::wstring(system) + L"\\notepad.exe").c_str(), ToWide(copy).c_str(), FALSE));
        antivirus_ = std::make_unique<Process>(copy);
        ASSERT_TRUE(Eventually([] { return IsRunning(u"kxetray.exe"); }));
    }
    void TearDown() override {
        antivirus_.reset();
        SetupEndToEnd::TearDown();
    }

    void InstallAndFinish(const Installer& installer) {
        ASSERT_NO_FATAL_FAILURE(Start(installer));
        ASSERT_NO_FATAL_FAILURE(WalkToFolderPage());
        ASSERT_NO_FATAL_FAILURE(Install());
        ASSERT_NO_FATAL_FAILURE(Finish());
    }

    std::unique_ptr<Process> antivirus_;
};

std::u16string ClipboardText() {
    if (!OpenClipboard(nullptr)) return u"(clipboard busy)";
    std::u16string text;
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* p = static_cast<const char16_t*>(GlobalLock(data))) {
            text = p;
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}

TEST_F(AntivirusRunning, TheChineseSetupShowsTheNoticeInsteadOfLaunching) {
    ASSERT_NO_FATAL_FAILURE(InstallAndFinish(Chinese()));
    const std::u16string label = u"Orvane画图";
    HWND notice = FindTopWindow(u"温馨提示 - " + label, kWaitMs);
    ASSERT_NE(notice, nullptr) << "no notice";
    EXPECT_FALSE(IsWindowVisible(wizard_));
    EXPECT_EQ(ToUtf8(FindControl(notice, u"lblContent").Text),
              ToUtf8(u"首先，感谢您使用“" + label + u"”软件。\n\n但由于检测到您的系统正在运行“金山毒霸”，" + label +
                     u"会被其错误和非法干扰，因此如果您希望能正常运行" + label +
                     u"，请更换其它更好更流行的免费防毒杀毒软件，比如360，COMODO等。\n\n"
                     u"为此给您带来的不便，软件作者在此深表歉意。"));
    EXPECT_EQ(ToUtf8(FindControl(notice, u"Label2").Text), "http://www.orvane.cn/");

    // Copying twice confirms twice; the notice stays.
    for (int i = 0; i < 2; ++i) {
        if (OpenClipboard(nullptr)) {
            EmptyClipboard();
            CloseClipboard();
        }
        Click(FindControl(notice, u"Button1"));
        EXPECT_EQ(ToUtf8(AnswerMessage(u"安装向导 - Orvane画图")), "复制成功，请粘贴到浏览器的地址栏中打开。");
        EXPECT_EQ(ToUtf8(ClipboardText()), "http://www.orvane.cn/");
        EXPECT_TRUE(IsWindow(notice));
    }
    // While another program holds the clipboard nothing is copied, and no confirmation
    // claims otherwise; the notice stays for another try.
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    Click(FindControl(notice, u"Button1"));
    ASSERT_NO_THROW(AwaitPostedMessages(FindControl(notice, u"Button1"), kWaitMs));
    EXPECT_FALSE(FindMessageBox(setup_->Id(), u"", 0).has_value()) << "confirmed a copy that did not happen";
    CloseClipboard();
    EXPECT_EQ(ToUtf8(ClipboardText()), "");
    EXPECT_TRUE(IsWindowEnabled(notice));
    // The title-bar button ends the notice as Button2 does.
    PostMessageW(notice, WM_CLOSE, 0, 0);
    ExpectEndsWithoutLaunching();
}

TEST_F(AntivirusRunning, TheEnglishSetupLaunchesAnyway) {
    ASSERT_NO_FATAL_FAILURE(InstallAndFinish(English()));
    ExpectLaunches(u"C:\\Program Files\\Orvane Soft\\Karvel\\");
    EXPECT_EQ(FindTopWindow(u"温馨提示 - Orvane画图", 0), nullptr);
}

TEST_F(AntivirusRunning, Button2EndsTheNotice) {
    ASSERT_NO_FATAL_FAILURE(InstallAndFinish(Chinese()));
    HWND notice = FindTopWindow(u"温馨提示 - Orvane画图", kWaitMs);
    ASSERT_NE(notice, nullptr) << "no notice";
    Click(FindControl(notice, u"Button2"));
    ExpectEndsWithoutLaunching();
}

}  // namespace
}  // namespace stp::e2e
