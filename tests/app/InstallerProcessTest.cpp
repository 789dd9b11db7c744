// The built installer as a process beside the demo program: the guard refuses with its
// message and makes no wizard; otherwise the wizard comes up and the driver walks it.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "datatable/Text.h"
#include "tools/uidriver/Driver.h"
#include "tests/support/TestProcess.h"
#include "tests/support/BinDir.h"

namespace stp {
namespace {

using namespace uidriver;

constexpr DWORD kWaitMs = 30000;
const std::u16string kChineseWizard = u"安装向导 - Orvane画图";

using test::BinDir;

// A program from the test's own folder.
class Process : public test::TestProcess {
public:
    explicit Process(const std::wstring& exe, const std::wstring& arguments = L"")
        : TestProcess(BinDir() + exe, arguments) {}
};

// Top-level windows of Pid whose class is Class.
int CountWindows(DWORD pid, const wchar_t* cls) {
    struct Search {
        DWORD pid;
        const wchar_t* cls;
        int count;
    } search{pid, cls, 0};
    EnumWindows(
        [](HWND window, LPARAM param) {
            auto* s = reinterpret_cast<Search*>(param);
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            wchar_t name[64] = {};
            GetClassNameW(window, name, 64);
            if (owner == s->pid && std::wstring(name) == s->cls) ++s->count;
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.count;
}

struct Refusal {
    const wchar_t* installer;
    const wchar_t* karvelArguments;
    std::u16string runningTitle;
    std::u16string caption;
    std::u16string text;
};

class GuardRefuses : public ::testing::TestWithParam<Refusal> {};

TEST_P(GuardRefuses, WithTheMessageAndNoWizard) {
    const Refusal& r = GetParam();
    Process karvel(L"Karvel.exe", r.karvelArguments);
    ASSERT_TRUE(FindTopWindow(r.runningTitle, kWaitMs)) << "Karvel did not start";
    Process setup(r.installer);
    const auto box = FindMessageBox(setup.Id(), u"", kWaitMs);
    ASSERT_TRUE(box.has_value()) << "no message box";
    EXPECT_EQ(ToUtf8(box->Title), ToUtf8(r.caption));
    EXPECT_EQ(ToUtf8(box->Text), ToUtf8(r.text));
    ASSERT_EQ(box->Buttons.size(), 1u);
    EXPECT_EQ(CountWindows(setup.Id(), L"TForm1"), 0);
    EXPECT_EQ(CountWindows(setup.Id(), L"TfrmConflict"), 0);
    PressButton(*box, u"");
    EXPECT_EQ(setup.Wait(kWaitMs), 0u);
}

INSTANTIATE_TEST_SUITE_P(RunningKarvel, GuardRefuses,
                         ::testing::Values(Refusal{L"Karvel-3.40-setup.exe", L"", u"Karvel", u"安装向导",
                                                   u"Karvel正在运行，请先退出后再进行安装。"},
                                           Refusal{L"Karvel-3.40-setup.exe", L"/cn", u"Orvane画图", u"安装向导",
                                                   u"Orvane画图正在运行，请先退出后再进行安装。"},
                                           Refusal{L"Karvel-3.40-setup-en.exe", L"/cn", u"Orvane画图", u"Setup",
                                                   u"Karvel program is running, please close it first."}),
                         [](const auto& info) {
                             return std::string(info.index == 0   ? "EnglishTitle"
                                                : info.index == 1 ? "ChineseTitle"
                                                                  : "ChineseTitleEnglishSet");
                         });

LRESULT CALLBACK PlainWindowProc(HWND w, UINT m, WPARAM wp, LPARAM lp) { return DefWindowProcW(w, m, wp, lp); }

TEST(Guard, AWindowWithTheTitleButAnotherClassDoesNotBlock) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = PlainWindowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"NotKarvelCanvas";
    RegisterClassW(&wc);
    HWND impostor = CreateWindowW(L"NotKarvelCanvas", L"Karvel", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr,
                                  wc.hInstance, nullptr);
    ASSERT_NE(impostor, nullptr);
    Process setup(L"Karvel-3.40-setup.exe");
    HWND wizard = FindTopWindow(kChineseWizard, kWaitMs);
    EXPECT_NE(wizard, nullptr);
    EXPECT_FALSE(FindMessageBox(setup.Id(), u"", 0).has_value());
    if (wizard) PostMessageW(wizard, WM_CLOSE, 0, 0);
    EXPECT_EQ(setup.Wait(kWaitMs), 0u);
    DestroyWindow(impostor);
}

// Waits until Probe holds, as the installer handles the driver's messages in its own time.
template <class Probe>
bool Eventually(Probe probe) {
    for (int i = 0; i < 200; ++i) {
        if (probe()) return true;
        Sleep(50);
    }
    return probe();
}

TEST(InstallerWalk, TheDriverWalksThePagesAndCancels) {
    Process setup(L"Karvel-3.40-setup.exe");
    HWND wizard = FindTopWindow(kChineseWizard, kWaitMs);
    ASSERT_NE(wizard, nullptr);
    auto showing = [&](const char16_t* name) { return FindControl(wizard, name).Showing; };
    EXPECT_TRUE(showing(u"pnlStep1"));
    EXPECT_FALSE(FindControl(wizard, u"btnPrev").Visible);

    Click(FindControl(wizard, u"btnNext"));
    ASSERT_TRUE(Eventually([&] { return showing(u"pnlStep2"); }));
    EXPECT_EQ(ToUtf8(FindControl(wizard, u"btnNext").Text), "我同意");
    EXPECT_TRUE(showing(u"btnPrev"));

    Click(FindControl(wizard, u"btnNext"));
    ASSERT_TRUE(Eventually([&] { return showing(u"pnlStep3"); }));
    const ControlInfo folder = FindControl(wizard, u"editSetupDir");
    EXPECT_NE(folder.Text.find(u"\\Orvane Soft\\Karvel"), std::u16string::npos);

    SetText(folder, u"Q:\\Data");
    EXPECT_TRUE(Eventually([&] { return !FindControl(wizard, u"btnNext").Enabled; }));
    EXPECT_FALSE(FindControl(wizard, u"lblFreeSize").Visible);
    EXPECT_THROW(Click(FindControl(wizard, u"btnNext")), DriverError);
    SetText(folder, u"C:\\Apps\\Karvel");
    EXPECT_TRUE(Eventually([&] { return FindControl(wizard, u"btnNext").Enabled; }));
    EXPECT_EQ(ToUtf8(FindControl(wizard, u"lblFreeSize").Text).rfind("剩余空间: ", 0), 0u);

    Click(FindControl(wizard, u"btnPrev"));
    ASSERT_TRUE(Eventually([&] { return showing(u"pnlStep2"); }));
    Click(FindControl(wizard, u"btnClose"));
    EXPECT_EQ(setup.Wait(kWaitMs), 0u);
    EXPECT_EQ(FindTopWindow(kChineseWizard, 0), nullptr);
}

}  // namespace
}  // namespace stp
