// The wizard from the welcome page to the finish: the proposed folder, the files, the
// shortcuts, the entry, the launch, the refusals and a failed package.
#include "tests/e2e/EndToEnd.h"

namespace stp::e2e {
namespace {

TEST_F(SetupEndToEnd, InstallsIntoTheProposedFolderAndLaunchesOnFinish) {
    const Installer installer = Chinese();
    ASSERT_NO_FATAL_FAILURE(Start(installer));
    ASSERT_NO_FATAL_FAILURE(WalkToFolderPage());
    const std::u16string dir = u"C:\\Program Files\\Orvane Soft\\Karvel\\";
    EXPECT_EQ(ToUtf8(Control(u"editSetupDir").Text), ToUtf8(dir.substr(0, dir.size() - 1)));
    const ControlInfo freeSize = Control(u"lblFreeSize");
    EXPECT_TRUE(freeSize.Showing);
    EXPECT_EQ(ToUtf8(freeSize.Text).rfind("剩余空间: ", 0), 0u) << ToUtf8(freeSize.Text);
    EXPECT_FALSE(Control(u"chkSCOnQuick").Visible);

    ASSERT_NO_FATAL_FAILURE(Install());
    EXPECT_FALSE(Showing(u"btnPrev"));
    EXPECT_FALSE(Showing(u"btnClose"));
    EXPECT_FALSE(Showing(u"ProgressBar1"));
    ExpectInstalledFiles(dir);
    EXPECT_EQ(ToUtf8(ShortcutTarget(slDesktop, installer.displayName)), ToUtf8(dir + u"Karvel.exe"));
    ExpectUninstallEntry(installer, dir);

    ASSERT_NO_FATAL_FAILURE(Finish());
    ExpectLaunches(dir);
}

// While the installer unpacks Setup.stp, another program may look at it but neither
// write, replace nor rename it: what is unpacked is what the installer wrote.
TEST_F(SetupEndToEnd, NoOtherProgramCanChangeSetupStpWhileItIsUnpacked) {
    ASSERT_NO_FATAL_FAILURE(Start(Chinese()));
    ASSERT_NO_FATAL_FAILURE(WalkToFolderPage());
    const std::u16string package = u"C:\\Program Files\\Orvane Soft\\Karvel\\Setup.stp";
    std::atomic<bool> done{false};
    std::atomic<int> seen{0}, changed{0};
    std::thread watcher([&] {
        while (!done) {
            if (!Exists(package)) continue;
            ++seen;
            const HANDLE writer =
                CreateFileW(ToWide(package).c_str(), GENERIC_WRITE,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0, nullptr);
            if (writer != INVALID_HANDLE_VALUE) {
                ++changed;
                CloseHandle(writer);
            }
            if (MoveFileW(ToWide(package).c_str(), ToWide(package + u".aside").c_str())) {
                ++changed;
                MoveFileW(ToWide(package + u".aside").c_str(), ToWide(package).c_str());
            }
        }
    });
    Install();
    done = true;
    watcher.join();
    EXPECT_GT(seen.load(), 0) << "Setup.stp was never seen";
    EXPECT_EQ(changed.load(), 0) << "another program could write or rename Setup.stp";
    EXPECT_FALSE(Exists(package));
    ExpectInstalledFiles(u"C:\\Program Files\\Orvane Soft\\Karvel\\");
}

// A second run proposes the folder of the first run's shortcut, in both text sets; the
// first run also shows that Finish without "run" launches nothing.
class SecondRun : public SetupEndToEnd, public ::testing::WithParamInterface<Installer> {};

TEST_P(SecondRun, ProposesTheFolderOfTheFirstRunsShortcut) {
    const Installer& installer = GetParam();
    const std::u16string dir = u"C:\\Apps\\Karvel " + FromUtf8(installer.name);
    ASSERT_NO_FATAL_FAILURE(Start(installer));
    ASSERT_NO_FATAL_FAILURE(WalkToFolderPage());
    // Without the trailing backslash; the installer adds it.
    ASSERT_NO_FATAL_FAILURE(SetFolder(dir));
    ASSERT_NO_FATAL_FAILURE(Install());
    ExpectInstalledFiles(dir + u"\\");
    ExpectUninstallEntry(installer, dir + u"\\");
    ASSERT_NO_FATAL_FAILURE(SetUncheckedRunOnExit());
    ASSERT_NO_FATAL_FAILURE(Finish());
    ExpectEndsWithoutLaunching();

    ASSERT_NO_FATAL_FAILURE(Start(installer));
    ASSERT_NO_FATAL_FAILURE(WalkToFolderPage());
    EXPECT_EQ(ToUtf8(Control(u"editSetupDir").Text), ToUtf8(dir));
    EXPECT_TRUE(Control(u"btnNext").Enabled);
    Click(Control(u"btnClose"));
    EXPECT_EQ(setup_->Wait(kWaitMs), 0u);
}

INSTANTIATE_TEST_SUITE_P(BothTextSets, SecondRun, ::testing::Values(Chinese(), English()),
                         [](const auto& info) { return std::string(info.param.name); });

// Windows XP: Wine reports the version a per-program key names, so a copy of the
// installer under its own name runs as XP and offers the Quick Launch shortcut; each
// shortcut is made only when its box is checked.
TEST_F(SetupEndToEnd, OnWindowsXpMakesTheQuickLaunchShortcutAlone) {
    const std::u16string copy = kWork + u"KarvelXp-setup.exe";
    ASSERT_TRUE(CopyFileW(ToWide(BinDir() + u"Karvel-3.40-setup.exe").c_str(), ToWide(copy).c_str(), FALSE));
    const std::u16string appDefaults = u"Software\\Wine\\AppDefaults\\KarvelXp-setup.exe";
    RegWriteStringValue(HKEY_CURRENT_USER, appDefaults, u"Version", u"winxp64");
    // An XP profile has the Quick Launch folder; Wine's fresh prefix does not.
    const std::u16string quick = GetShellFolderPath(slQuickLaunch);
    ASSERT_FALSE(quick.empty());
    SHCreateDirectoryExW(nullptr, ToWide(quick).c_str(), nullptr);

    const Installer installer = Chinese(copy);
    ASSERT_NO_FATAL_FAILURE(Start(installer));
    ASSERT_NO_FATAL_FAILURE(WalkToFolderPage());
    const ControlInfo quickBox = Control(u"chkSCOnQuick");
    EXPECT_TRUE(quickBox.Showing);
    EXPECT_EQ(SendMessageW(quickBox.Handle, BM_GETCHECK, 0, 0), BST_CHECKED);
    const std::u16string dir = u"C:\\Apps\\KarvelXp\\";
    ASSERT_NO_FATAL_FAILURE(SetFolder(dir));
    // Only the Quick Launch shortcut is asked for.
    Click(Control(u"chkSCOnDesktop"));
    ASSERT_TRUE(Eventually(
        [&] { return SendMessageW(Control(u"chkSCOnDesktop").Handle, BM_GETCHECK, 0, 0) == BST_UNCHECKED; }));
    ASSERT_NO_FATAL_FAILURE(Install());
    EXPECT_EQ(ToUtf8(ShortcutTarget(slQuickLaunch, installer.displayName)), ToUtf8(dir + u"Karvel.exe"));
    EXPECT_FALSE(Exists(GetShellFolderPath(slDesktop) + u"\\" + installer.displayName + u".lnk"));
    ASSERT_NO_FATAL_FAILURE(SetUncheckedRunOnExit());
    ASSERT_NO_FATAL_FAILURE(Finish());
    EXPECT_EQ(setup_->Wait(kWaitMs), 0u);
    RegDeleteKeyW(HKEY_CURRENT_USER, ToWide(appDefaults).c_str());
}

// Folders that cannot take the installation: a drive that is not fixed (run.sh makes E:
// a CD-ROM drive) keeps install disabled; a folder whose parent is a file cannot be made
// and leaves the wizard on the folder page with nothing written.
TEST_F(SetupEndToEnd, RefusesFoldersItCannotUse) {
    ASSERT_NO_FATAL_FAILURE(Start(Chinese()));
    ASSERT_NO_FATAL_FAILURE(WalkToFolderPage());
    ASSERT_NO_FATAL_FAILURE(SetFolder(u"E:\\Data"));
    EXPECT_TRUE(Eventually([&] { return !Control(u"btnNext").Enabled; }));
    EXPECT_FALSE(Control(u"lblFreeSize").Visible);

    // A file at a folder's name, and folders Windows would read otherwise than written.
    const std::u16string blocker = kWork + u"blocker";
    PutFile(blocker, "a file where a folder should be");
    for (const std::u16string& folder :
         {blocker + u"\\Karvel", std::u16string(u"C:\\Lumen. ."), std::u16string(u"C:\\Windows\\..\\Lumen3")}) {
        ASSERT_NO_FATAL_FAILURE(SetFolder(folder));
        ASSERT_TRUE(Eventually([&] { return Control(u"btnNext").Enabled; })) << ToUtf8(folder);
        Click(Control(u"btnNext"));
        EXPECT_EQ(ToUtf8(AnswerMessage(u"安装向导 - Orvane画图")), ToUtf8(texts_.MsgFolderFailed)) << ToUtf8(folder);
        EXPECT_TRUE(Eventually([&] { return Showing(u"pnlStep3") && Control(u"btnNext").Enabled; }));
    }
    EXPECT_FALSE(Exists(u"C:\\Lumen3"));
    EXPECT_FALSE(Exists(u"C:\\Lumen"));
    EXPECT_TRUE(Control(u"btnPrev").Enabled);
    EXPECT_TRUE(Control(u"btnBrowse").Enabled);
    EXPECT_FALSE(Showing(u"ProgressBar1"));
    EXPECT_EQ(ToUtf8(Control(u"btnNext").Text), ToUtf8(texts_.CaptionInstall));
    EXPECT_TRUE(RegReadStringValue(HKEY_LOCAL_MACHINE, kUninstallRoot + u"Orvane画图", u"DisplayName").empty());
    Click(Control(u"btnClose"));
    EXPECT_EQ(setup_->Wait(kWaitMs), 0u);
}

// A package whose first record is damaged: the extraction message, Setup.stp left in the
// folder, the wizard back on the folder page, and the next click writes it again and
// tries again.
TEST_F(SetupEndToEnd, ACorruptPackageFailsAndCanBeRetried) {
    const Installer installer = Chinese(u"Karvel-3.40-setup-corrupt.exe");
    ASSERT_NO_FATAL_FAILURE(Start(installer));
    ASSERT_NO_FATAL_FAILURE(WalkToFolderPage());
    const std::u16string dir = u"C:\\Apps\\Broken\\";
    ASSERT_NO_FATAL_FAILURE(SetFolder(dir));
    for (int attempt = 1; attempt <= 2; ++attempt) {
        SCOPED_TRACE("attempt " + std::to_string(attempt));
        ASSERT_NO_FATAL_FAILURE(InstallFails());
        EXPECT_TRUE(Exists(dir + u"Setup.stp"));
        // Gone before the retry, so that the retry must write it again.
        DeleteFileW(ToWide(dir + u"Setup.stp").c_str());
    }
    EXPECT_TRUE(RegReadStringValue(HKEY_LOCAL_MACHINE, kUninstallRoot + u"Orvane画图", u"DisplayName").empty());
    Click(Control(u"btnClose"));
    EXPECT_EQ(setup_->Wait(kWaitMs), 0u);
}

// A payload of 1 GB (32 files of 32 MB): from the press of install to the completion page
// the wizard answers within a second whenever asked, every 200 ms, its bar only rises,
// and a close request changes nothing.
TEST_F(SetupEndToEnd, ABigInstallKeepsAnswering) {
    const std::u16string dir = u"C:\\Program Files\\Orvane Soft\\Karvel\\";
    ASSERT_NO_FATAL_FAILURE(Start(Chinese(u"Karvel-3.40-setup-big.exe")));
    ASSERT_NO_FATAL_FAILURE(WalkToFolderPage());
    ASSERT_TRUE(Eventually([&] { return Control(u"btnNext").Enabled; }));
    const HWND bar = Control(u"ProgressBar1").Handle;
    Click(Control(u"btnNext"));
    std::vector<DWORD_PTR> positions;
    int unanswered = 0;
    bool closeAsked = false;
    for (int i = 0; i < 1500 && !Showing(u"pnlStep4"); ++i) {
        DWORD_PTR result = 0;
        if (!SendMessageTimeoutW(wizard_, WM_NULL, 0, 0, SMTO_NORMAL, 1000, &result)) ++unanswered;
        DWORD_PTR position = 0;
        if (SendMessageTimeoutW(bar, PBM_GETPOS, 0, 0, SMTO_NORMAL, 1000, &position)) positions.push_back(position);
        if (!closeAsked && position > 0) {
            // The close box and Alt+F4 both come as WM_CLOSE; Esc as the dialog's cancel.
            PostMessageW(wizard_, WM_CLOSE, 0, 0);
            PostMessageW(wizard_, WM_SYSCOMMAND, SC_CLOSE, 0);
            closeAsked = true;
        }
        Sleep(200);
    }
    EXPECT_EQ(unanswered, 0) << "the wizard did not answer within a second";
    ASSERT_TRUE(Showing(u"pnlStep4")) << "no completion page";
    EXPECT_TRUE(closeAsked) << "the install ended before its bar moved";
    EXPECT_GE(positions.size(), 3u) << "the install was too quick to watch";
    EXPECT_TRUE(std::is_sorted(positions.begin(), positions.end())) << "the bar went back";
    EXPECT_GT(positions.back(), positions.front()) << "the bar did not rise";
    EXPECT_TRUE(IsWindowVisible(wizard_)) << "a close request ended the install";
    EXPECT_EQ(FileSize(dir + u"big32.bin"), 32u << 20);
    ExpectInstalledFiles(dir);
    ASSERT_NO_FATAL_FAILURE(SetUncheckedRunOnExit());
    ASSERT_NO_FATAL_FAILURE(Finish());
    EXPECT_EQ(setup_->Wait(kWaitMs), 0u);
}

}  // namespace
}  // namespace stp::e2e
