#include "tests/e2e/EndToEnd.h"
#include "tests/e2e/Deploying.h"

namespace stp::e2e {
namespace {

// /S /D= with spaces: no window ever, the files, the shortcut on every user's desktop,
// the Start menu entry, the entry with its quiet uninstall command, the log; then that
// command removes everything.
TEST_F(Deploying, SilentlyItInstallsWhereToldWithNoWindowAndLogsEachStep) {
    const std::u16string dir = u"C:\\Deploy Here\\Product\\";
    EXPECT_EQ(RunInstaller(u"/S /LOG=" + kLog + u" /D=C:\\Deploy Here\\Product"), DWORD(ecSuccess)) << LogText();
    EXPECT_TRUE(shown_.empty()) << "windows shown: " << Shown(shown_);
    ExpectInstalledFiles(dir);
    ASSERT_TRUE(Exists(PublicDesktopLink())) << ToUtf8(PublicDesktopLink());
    EXPECT_EQ(ToUtf8(ReadShortcutTarget(PublicDesktopLink())), ToUtf8(dir + u"Karvel.exe"));
    EXPECT_TRUE(Exists(CommonProgramsFolder() + u"\\" + kName + u".lnk"));
    const std::u16string key = kUninstallRoot + kName;
    const std::u16string quiet = RegReadStringValue(HKEY_LOCAL_MACHINE, key, u"QuietUninstallString");
    EXPECT_EQ(ToUtf8(quiet), ToUtf8(u"\"" + dir + u"Uninst.exe\" /S"));

    const std::string log = LogText();
    for (const std::u16string& line :
         {u"Destination folder: " + dir, u"File written: " + dir + u"Karvel.exe",
          u"File written: " + dir + u"data\\palette.txt", u"Shortcut: " + PublicDesktopLink(),
          u"Registry value: QuietUninstallString = " + quiet, std::u16string(u"Exit code 0: success")})
        EXPECT_NE(log.find(ToUtf8(line)), std::string::npos) << ToUtf8(line) << "\nin:\n" << log;

    // The quiet uninstall command as a deployment tool runs it.
    const std::size_t close = quiet.find(u'"', 1);
    ASSERT_NE(close, std::u16string::npos);
    test::TestProcess uninstaller(ToWide(quiet.substr(1, close - 1)), ToWide(quiet.substr(close + 2)));
    EXPECT_EQ(uninstaller.Wait(kWaitMs), DWORD(ecSuccess));
    EXPECT_FALSE(Exists(PublicDesktopLink()));
    EXPECT_FALSE(Exists(CommonProgramsFolder() + u"\\" + kName + u".lnk"));
    EXPECT_TRUE(RegReadStringValue(HKEY_LOCAL_MACHINE, key, u"DisplayName").empty());
    EXPECT_TRUE(Eventually([&] { return !Exists(dir); })) << "the installation folder stays";
}

// /P: the small progress window and nothing else; the defaults of the wizard.
TEST_F(Deploying, PassivelyOnlyTheProgressWindowShows) {
    EXPECT_EQ(RunInstaller(u"/P"), DWORD(ecSuccess));
    EXPECT_FALSE(shown_.empty()) << "no progress window";
    for (const std::u16string& shown : shown_) EXPECT_EQ(ToUtf8(shown), "StpProgressWindow");
    ExpectInstalledFiles(kDefault);
    EXPECT_EQ(ToUtf8(ShortcutTarget(slDesktop, kName)), ToUtf8(kDefault + u"Karvel.exe"));
    EXPECT_FALSE(IsRunning(u"Karvel.exe")) << "a passive install launched the program";
}

// Each refusal: its code, nothing written, a log that says why.
TEST_F(Deploying, WhatItRefusesEndsWithItsCodeAndWritesNothing) {
    const struct {
        const char16_t* arguments;
        ExitCode code;
        const char* logged;
    } cases[] = {
        {u"/S /D=Deploy Here\\Relative", ecFolderRefused, "\"Deploy Here\\Relative\" is refused"},
        {u"/S /D=\\\\server\\share\\Product", ecFolderRefused, "is refused"},
        {u"/S /D=Q:\\Deploy Here", ecFolderRefused, "is refused"},
        {u"/S /QUIET", ecBadCommandLine, "Unknown switch: /QUIET"},
        // What Windows would read otherwise than written.
        {u"/S /D=C:\\Lumen:ads", ecFolderRefused, "is refused"},
        {u"/S /D=C:\\CON", ecFolderRefused, "is refused"},
        {u"/S /D=C:\\Lumen. .", ecFolderRefused, "is refused"},
        {u"/S /D=C:\\Windows\\..\\Lumen3", ecFolderRefused, "is refused"},
        {u"/S /D=\\\\?\\C:\\Lumen", ecFolderRefused, "is refused"},
    };
    for (const auto& c : cases) {
        DeleteFileW(ToWide(kLog).c_str());
        EXPECT_EQ(RunInstaller(u"/LOG=" + kLog + u" " + c.arguments), DWORD(c.code)) << ToUtf8(c.arguments);
        EXPECT_TRUE(shown_.empty()) << ToUtf8(c.arguments) << ": windows shown: " << Shown(shown_);
        EXPECT_NE(LogText().find(c.logged), std::string::npos) << ToUtf8(c.arguments) << "\n" << LogText();
        ExpectNothingWritten();
    }

    // The program running.
    const Process karvel(BinDir() + u"Karvel.exe");
    ASSERT_NE(FindTopWindow(u"Karvel", kWaitMs), nullptr);
    DeleteFileW(ToWide(kLog).c_str());
    EXPECT_EQ(RunInstaller(u"/S /LOG=" + kLog), DWORD(ecProgramRunning));
    EXPECT_TRUE(shown_.empty()) << "windows shown: " << Shown(shown_);
    EXPECT_NE(LogText().find("The program is running"), std::string::npos) << LogText();
    ExpectNothingWritten();
}

// A second installer while the wizard runs ends with 1618; the wizard, cancelled, with 1602.
TEST_F(Deploying, ASecondInstanceEndsAndTheCancelledWizardSaysSo) {
    const Installer installer{"English", u"Vendor-setup-2.exe", 2,
                              kName,     u"Setup - " + kName,   EnglishWizardTexts(kName, u"3.40", u"6 MB")};
    ASSERT_NO_FATAL_FAILURE(Start(installer));
    EXPECT_EQ(RunInstaller(u"/S"), DWORD(ecAnotherRuns));
    EXPECT_TRUE(shown_.empty()) << "windows shown: " << Shown(shown_);
    Click(Control(u"btnClose"));
    EXPECT_EQ(setup_->Wait(kWaitMs), DWORD(ecCancelled));
    ExpectNothingWritten();
}

// A file of the destination another program holds without sharing: 1603, the log names it.
TEST_F(Deploying, AFileHeldOpenFailsAndTheLogNamesIt) {
    const std::u16string dir = u"C:\\Apps\\Held\\";
    std::filesystem::create_directories(std::filesystem::path(ToWide(dir)));
    PutFile(dir + u"readme.txt", "an earlier readme");
    std::unique_ptr<void, decltype(&CloseHandle)> held(
        CreateFileW(ToWide(dir + u"readme.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                    nullptr),
        &CloseHandle);
    ASSERT_NE(held.get(), INVALID_HANDLE_VALUE);
    EXPECT_EQ(RunInstaller(u"/S /LOG=" + kLog + u" /D=" + dir), DWORD(ecFailed));
    EXPECT_TRUE(shown_.empty()) << "windows shown: " << Shown(shown_);
    const std::string log = LogText();
    EXPECT_NE(log.find("Unpacking failed:"), std::string::npos) << log;
    EXPECT_NE(log.find(ToUtf8(dir + u"readme.txt")), std::string::npos) << log;
    EXPECT_NE(log.find("Exit code 1603"), std::string::npos) << log;
}

// Without Unattended = yes the command line is not read: /S shows the wizard, as always.
TEST_F(Deploying, WithoutTheSettingSlashSShowsTheWizard) {
    test::TestProcess setup(ToWide(BinDir() + u"Karvel-3.40-setup-en.exe"), L"/S /D=C:\\Deploy Here");
    const HWND wizard = FindTopWindow(u"Setup - Orvane Karvel", kWaitMs);
    ASSERT_NE(wizard, nullptr) << "no wizard";
    // Nor is /D= read: the folder page proposes its own folder.
    for (const char16_t* page : {u"pnlStep2", u"pnlStep3"}) {
        Click(FindControl(wizard, u"btnNext"));
        ASSERT_TRUE(Eventually([&] { return FindControl(wizard, page).Showing; }));
    }
    EXPECT_EQ(ToUtf8(FindControl(wizard, u"editSetupDir").Text), "C:\\Program Files\\Orvane Soft\\Karvel");
    Click(FindControl(wizard, u"btnClose"));
    EXPECT_EQ(setup.Wait(kWaitMs), 0u);
    EXPECT_FALSE(Exists(u"C:\\Deploy Here"));
}

// /LOG= naming a hard link to a protected file: the installer writes no other file
// through it, and the install goes on without a log.
TEST_F(Deploying, ALogThatIsAHardLinkWritesNothingThroughIt) {
    const std::u16string guarded = kWork + u"protected\\system.ini", log = kWork + u"logs\\setup.log";
    CreateDirectoryW(ToWide(kWork + u"protected").c_str(), nullptr);
    CreateDirectoryW(ToWide(kWork + u"logs").c_str(), nullptr);
    PutFile(guarded, "a protected file");
    ASSERT_TRUE(CreateHardLinkW(ToWide(log).c_str(), ToWide(guarded).c_str(), nullptr));
    EXPECT_EQ(RunInstaller(u"/S \"/LOG=" + log + u"\""), DWORD(ecSuccess));
    EXPECT_EQ(ReadAll(guarded), "a protected file");
    ExpectInstalledFiles(kDefault);
}

}  // namespace
}  // namespace stp::e2e
