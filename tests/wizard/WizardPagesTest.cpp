// Pages, buttons and window of the wizard as the idle rule shows them.
#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include "tests/support/DialogWatcher.h"
#include "tests/wizard/WizardFixture.h"
#include "tools/uidriver/Driver.h"
#include "ui/CheckBox.h"
#include "ui/Edit.h"
#include "ui/Image.h"
#include "ui/Label.h"
#include "ui/Panel.h"
#include "ui/ProgressBar.h"
#include "ui/SystemInfo.h"

namespace stp::test {
namespace {

struct StepState {
    int page;
    bool prevVisible;
    const char16_t* nextCaption;
    bool closeVisible;
};

void ExpectState(TForm& form, const StepState& s) {
    for (int i = 1; i <= 4; ++i) {
        const std::string page = "pnlStep" + std::to_string(i);
        EXPECT_EQ(form.Component<TPanel>(page).Visible(), i == s.page) << page << " on page " << s.page;
    }
    EXPECT_EQ(form.Component<TButton>("btnPrev").Visible(), s.prevVisible) << "page " << s.page;
    EXPECT_EQ(form.Component<TButton>("btnClose").Visible(), s.closeVisible) << "page " << s.page;
    EXPECT_TRUE(form.Component<TButton>("btnNext").Text() == s.nextCaption) << "page " << s.page;
    EXPECT_TRUE(form.Component<TButton>("btnNext").Enabled()) << "page " << s.page;
    EXPECT_FALSE(form.Component<TProgressBar>("ProgressBar1").Visible());
    // The page shown fills the top 308 pixels.
    const auto& shown = form.Component<TPanel>("pnlStep" + std::to_string(s.page));
    EXPECT_EQ(shown.Top(), 0);
    EXPECT_EQ(shown.Height(), 308);
}

class WizardPages : public WizardTest, public ::testing::WithParamInterface<int> {};

TEST_P(WizardPages, WalkOneToThreeAndBackFollowsTheStateTable) {
    const bool chinese = GetParam() == 0;
    auto& form = MakeForm(GetParam());
    Idle();
    const StepState page1{1, false, chinese ? u"下一步" : u"&Next >", true};
    const StepState page2{2, true, chinese ? u"我同意" : u"I &Agree", true};
    const StepState page3{3, true, chinese ? u"安 装" : u"&Install", true};
    ExpectState(form, page1);
    Click(form, "btnNext");
    ExpectState(form, page2);
    Click(form, "btnNext");
    ExpectState(form, page3);
    Click(form, "btnPrev");
    ExpectState(form, page2);
    Click(form, "btnPrev");
    ExpectState(form, page1);
}

TEST_P(WizardPages, InstallReachesTheCompletionPageWithTheSideArtwork) {
    const bool chinese = GetParam() == 0;
    auto& form = MakeForm(GetParam());
    form.Show();
    Idle();
    Click(form, "btnNext");
    Click(form, "btnNext");
    Click(form, "btnNext");  // install
    EXPECT_EQ(form.Installs, 1);
    ExpectState(form, {4, false, chinese ? u"完 成" : u"&Finish", false});
    auto& image = form.Component<TImage>("Image1");
    EXPECT_EQ(image.Parent(), &form.Component<TPanel>("pnlStep4"));
    EXPECT_TRUE(image.Showing());
    EXPECT_EQ(image.Left(), 0);
    EXPECT_EQ(image.Height(), 308);
    Click(form, "btnNext");  // finish
    EXPECT_EQ(form.Finishes, 1);
    EXPECT_EQ(form.Installs, 1);
}

INSTANTIATE_TEST_SUITE_P(BothTextSets, WizardPages, ::testing::Values(0, 2),
                         [](const auto& info) { return info.param == 0 ? "Chinese" : "English"; });

// The folder picker: Cancel changes nothing; a pick sets the folder and shows its free
// space, even on a drive that the typed-path rule refuses (the test prefix's D: is a
// CD-ROM drive).
TEST_P(WizardPages, BrowseSetsThePickedFolderAndCancelChangesNothing) {
    ASSERT_EQ(GetDriveTypeW(L"D:\\"), static_cast<UINT>(DRIVE_CDROM)) << "the test prefix has no CD-ROM drive D:";
    const std::wstring title = GetParam() == 0 ? L"选择或新建文件夹：" : L"Select or create a new folder:";
    auto& form = MakeForm(GetParam());
    form.Show();
    Click(form, "btnNext");
    Click(form, "btnNext");
    auto& edit = form.Component<TEdit>("editSetupDir");
    auto& next = form.Component<TButton>("btnNext");
    auto& freeSize = form.Component<TLabel>("lblFreeSize");
    edit.SetText(u"D:\\");
    Idle();
    ASSERT_FALSE(freeSize.Visible()) << "typed, a CD-ROM folder is refused";

    edit.SetText(u"Q:\\Data");
    Idle();
    bool titled = false;
    {
        const DialogWatcher watcher([&](HWND dialog) {
            titled = FindChildWithText(dialog, title) != nullptr;
            PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
        });
        Click(form, "btnBrowse");
        EXPECT_TRUE(watcher.Acted());
    }
    EXPECT_TRUE(titled) << "the picker does not show its title";
    EXPECT_TRUE(edit.Text() == u"Q:\\Data");
    EXPECT_FALSE(freeSize.Visible());
    EXPECT_FALSE(next.Enabled());

    {
        const DialogWatcher watcher([](HWND dialog) {
            SendMessageW(dialog, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(L"D:\\"));
            EXPECT_TRUE(WaitUntil([dialog] { return IsWindowEnabled(GetDlgItem(dialog, IDOK)) != FALSE; }));
            PostMessageW(dialog, WM_COMMAND, IDOK, 0);
        });
        Click(form, "btnBrowse");
        EXPECT_TRUE(watcher.Acted());
    }
    EXPECT_TRUE(edit.Text() == u"D:\\");
    EXPECT_TRUE(freeSize.Visible());
    const std::u16string prefix = GetParam() == 0 ? u"剩余空间: " : u"Space available: ";
    EXPECT_EQ(freeSize.Text().rfind(prefix, 0), 0u);
    EXPECT_TRUE(next.Enabled());
}

TEST_F(WizardTest, InstallIsEnabledOnlyForAFolderOnAFixedDrive) {
    auto& form = MakeForm(0);
    Click(form, "btnNext");
    Click(form, "btnNext");
    auto& edit = form.Component<TEdit>("editSetupDir");
    auto& next = form.Component<TButton>("btnNext");
    auto& freeSize = form.Component<TLabel>("lblFreeSize");
    struct Case {
        const char16_t* folder;
        bool usable;
    };
    // Under Wine C: is a fixed drive and Q: does not exist.
    const Case cases[] = {
        {u"C:\\Tools\\App", true},
        {u"c:\\tools\\app", true},
        {u"C:", false},
        {u"C:Tools", false},
        {u"C:/Tools", false},
        {u" C:\\Tools", false},
        {u"\\\\server\\share", false},
        {u"", false},
        {u"Q:\\Data", false},
        {u"C:\\", true},
    };
    for (const Case& c : cases) {
        edit.SetText(c.folder);
        Idle();
        EXPECT_EQ(freeSize.Visible(), c.usable) << std::string(edit.Text().begin(), edit.Text().end());
        EXPECT_EQ(next.Enabled(), c.usable) << std::string(edit.Text().begin(), edit.Text().end());
        if (c.usable) EXPECT_EQ(freeSize.Text().rfind(u"剩余空间: ", 0), 0u);
    }
    // Disabled install is not run by a click.
    edit.SetText(u"Q:\\Data");
    Idle();
    next.Click();
    Idle();
    EXPECT_EQ(form.Installs, 0);
    EXPECT_TRUE(form.Component<TPanel>("pnlStep3").Visible());
}

TEST_F(WizardTest, ProposedFolderIsUnderProgramFiles) {
    auto& form = MakeForm(0);
    wchar_t programFiles[MAX_PATH] = {};
    GetEnvironmentVariableW(L"PROGRAMFILES", programFiles, MAX_PATH);
    const std::wstring w = std::wstring(programFiles) + L"\\Orvane Soft\\Karvel";
    EXPECT_TRUE(form.Component<TEdit>("editSetupDir").Text() == std::u16string(w.begin(), w.end()));
    EXPECT_TRUE(form.Component<TLabel>("lblFreeSize").Visible());
}

TEST_F(WizardTest, WindowSizeAndQuickLaunchFollowTheWindowsVersion) {
    auto& form = MakeForm(0);
    // Wine reports Windows 6 or later here; Windows XP is WizardOnWindowsXp's case.
    ASSERT_GE(WindowsMajorVersion(), 6);
    RECT r;
    GetWindowRect(form.Handle(), &r);
    EXPECT_EQ(r.right - r.left, 503);
    EXPECT_EQ(r.bottom - r.top, 398);
    EXPECT_FALSE(form.Component<TCheckBox>("chkSCOnQuick").Visible());
    EXPECT_TRUE(form.Component<TCheckBox>("chkSCOnDesktop").Visible());
}

TEST_F(WizardTest, PicturesComeFromTheProductResources) {
    auto& form = MakeForm(0);
    const TBitmap& side = form.Component<TImage>("Image1").Picture();
    EXPECT_EQ(side.Width(), 160);
    EXPECT_EQ(side.Height(), 308);
    const TBitmap& header = form.Component<TImage>("Image2").Picture();
    const TBitmap& copy = form.Component<TImage>("Image3").Picture();
    EXPECT_EQ(header.Width(), 32);
    EXPECT_EQ(header.Height(), 32);
    EXPECT_EQ(copy.Width(), 32);
    EXPECT_NE(copy.Handle(), header.Handle());
    EXPECT_EQ(copy.Pixel(0, 31), header.Pixel(0, 31));
    EXPECT_TRUE(form.Component<TImage>("Image2").Transparent());
    EXPECT_TRUE(form.Component<TImage>("Image2").Center());
}

TEST_F(WizardTest, CloseEndsTheApplication) {
    auto& form = MakeForm(0);
    form.Show();
    Idle();
    Click(form, "btnClose");
    EXPECT_TRUE(App().Terminated());
    EXPECT_FALSE(IsWindowVisible(form.Handle()));
}

TEST_F(WizardTest, EveryControlIsFoundByItsComponentName) {
    auto& form = MakeForm(0);
    const auto controls = uidriver::ListControls(form.Handle());
    std::vector<std::u16string> names;
    for (const auto& c : controls) names.push_back(c.Name);
    for (const char16_t* name :
         {u"pnlStep1", u"Image1", u"lblWelcome", u"Memo2", u"editSetupDir", u"btnBrowse", u"chkSCOnQuick", u"lblClose",
          u"btnNext", u"btnPrev", u"btnClose", u"Bevel1", u"ProgressBar1"})
        EXPECT_NE(std::find(names.begin(), names.end(), name), names.end());
    EXPECT_EQ(controls.size(), 35u);  // every control of the layout; the events component has no window
}

}  // namespace
}  // namespace stp::test
