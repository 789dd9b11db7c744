#include "tests/e2e/EndToEnd.h"

namespace stp::e2e {
namespace {

// The uninstaller the uninstall entry names, as the system's "Uninstall" button starts it.
class Uninstalling : public SetupEndToEnd {
protected:
    void TearDown() override {
        uninstaller_.reset();
        if (inUse_ != INVALID_HANDLE_VALUE) CloseHandle(inUse_);
        DeleteFileW(ToWide(SystemFolder() + u"KarvelShared.dll").c_str());
        // Nothing is left to be done at a restart this prefix never has.
        const HKEY root = HKEY_LOCAL_MACHINE;
        HKEY key = nullptr;
        if (RegOpenKeyExW(root, kSessionManager, 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS) {
            RegDeleteValueW(key, L"PendingFileRenameOperations");
            RegCloseKey(key);
        }
        SetupEndToEnd::TearDown();
    }

    static constexpr const wchar_t* kSessionManager = L"System\\CurrentControlSet\\Control\\Session Manager";
    static inline const std::u16string kDir = u"C:\\Program Files\\Orvane Soft\\Karvel\\";

    static std::u16string SystemFolder() {
        wchar_t system[MAX_PATH] = {};
        GetSystemDirectoryW(system, MAX_PATH);
        return FromWide(system) + u"\\";
    }

    // Installs into the proposed folder and ends the wizard without launching.
    void InstallQuietly(const Installer& installer) {
        ASSERT_NO_FATAL_FAILURE(Start(installer));
        ASSERT_NO_FATAL_FAILURE(WalkToFolderPage());
        ASSERT_NO_FATAL_FAILURE(Install());
        ASSERT_NO_FATAL_FAILURE(SetUncheckedRunOnExit());
        ASSERT_NO_FATAL_FAILURE(Finish());
        ASSERT_EQ(setup_->Wait(kWaitMs), 0u);
        ASSERT_TRUE(Exists(kDir + u"Uninst.exe")) << "the package brought no uninstaller";
    }

    // Starts what the uninstall entry names.
    void StartUninstaller(const Installer& installer, const std::u16string& arguments = u"") {
        const std::u16string command =
            RegReadStringValue(HKEY_LOCAL_MACHINE, kUninstallRoot + installer.displayName, u"UninstallString");
        ASSERT_EQ(ToUtf8(command), ToUtf8(kDir + u"Uninst.exe"));
        uninstaller_ = std::make_unique<test::TestProcess>(ToWide(command), ToWide(arguments));
    }

    // The uninstaller's message box now: its text; OK (or Cancel) pressed.
    std::u16string Answer(const std::u16string& caption, bool ok = true) {
        const auto box = FindMessageBox(uninstaller_->Id(), caption, kWaitMs);
        if (!box) {
            ADD_FAILURE() << "no message box " << ToUtf8(caption);
            return {};
        }
        PostMessageW(box->Handle, WM_COMMAND, ok ? IDOK : IDCANCEL, 0);
        // Gone before the next box is looked for, so that one is not this one.
        EXPECT_TRUE(Eventually([&] { return !IsWindow(box->Handle); })) << "the box stays";
        return box->Text;
    }

    DWORD ExitCode() { return uninstaller_->Wait(kWaitMs); }

    // The installation as it was: every file, the shortcut and the uninstall entry.
    void ExpectInstalled(const Installer& installer) {
        ExpectInstalledFiles(kDir);
        EXPECT_TRUE(Exists(kDir + u"Uninst.exe"));
        EXPECT_EQ(ToUtf8(ShortcutTarget(slDesktop, installer.displayName)), ToUtf8(kDir + u"Karvel.exe"));
        ExpectUninstallEntry(installer, kDir);
    }

    // What the installation made is gone, the uninstaller too, once its copy has ended.
    void ExpectRemoved(const Installer& installer) {
        for (const char16_t* file : {u"Karvel.exe", u"readme.txt", u"data\\palette.txt", u"data"})
            EXPECT_FALSE(Exists(kDir + file)) << ToUtf8(file);
        EXPECT_FALSE(Exists(GetShellFolderPath(slDesktop) + u"\\" + installer.displayName + u".lnk"));
        HKEY key = nullptr;
        EXPECT_NE(RegOpenKeyExW(HKEY_LOCAL_MACHINE, ToWide(kUninstallRoot + installer.displayName).c_str(), 0, KEY_READ,
                                &key),
                  ERROR_SUCCESS)
            << "the uninstall entry is still there";
        if (key) RegCloseKey(key);
        EXPECT_TRUE(Eventually([] { return !Exists(kDir + u"Uninst.exe"); })) << "Uninst.exe is still there";
    }

    static std::u16string PendingRenames() {
        HKEY key = nullptr;
        std::u16string text;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSessionManager, 0, KEY_READ, &key) != ERROR_SUCCESS) return text;
        DWORD size = 0;
        if (RegQueryValueExW(key, L"PendingFileRenameOperations", nullptr, nullptr, nullptr, &size) == ERROR_SUCCESS) {
            text.resize(size / 2);
            RegQueryValueExW(key, L"PendingFileRenameOperations", nullptr, nullptr,
                             reinterpret_cast<BYTE*>(text.data()), &size);
        }
        RegCloseKey(key);
        return text;
    }

    static std::u16string DesktopLink(const Installer& installer) {
        return GetShellFolderPath(slDesktop) + u"\\" + installer.displayName + u".lnk";
    }

    std::unique_ptr<test::TestProcess> uninstaller_;
    HANDLE inUse_ = INVALID_HANDLE_VALUE;
};

// Confirmed: every installed file, the shortcut, the entry and the empty folder go, and
// the uninstaller itself; the user's file stays with its folder, the shared file too.
TEST_F(Uninstalling, ConfirmedItRemovesWhatTheInstallationMade) {
    const Installer installer = Chinese(u"Karvel-3.40-setup-shared.exe");
    ASSERT_NO_FATAL_FAILURE(InstallQuietly(installer));
    ASSERT_TRUE(Exists(SystemFolder() + u"KarvelShared.dll"));
    ASSERT_TRUE(Exists(GetShellFolderPath(slDesktop) + u"\\" + installer.displayName + u".lnk"));
    PutFile(kDir + u"notes.txt", "the user's own notes");
    // Other entries stay, even one naming the same uninstaller.
    const std::u16string others[] = {kUninstallRoot + u"Another Product", kUninstallRoot + u"Shares The Folder"};
    RegWriteStringValue(HKEY_LOCAL_MACHINE, others[0], u"UninstallString", u"C:\\Other\\Uninst.exe");
    RegWriteStringValue(HKEY_LOCAL_MACHINE, others[1], u"UninstallString", kDir + u"Uninst.exe");
    ASSERT_NO_FATAL_FAILURE(StartUninstaller(installer));
    const std::u16string caption = u"卸载 - Orvane画图";
    EXPECT_EQ(ToUtf8(Answer(caption)), "您确定要完全移除“Orvane画图”及其所有组件吗？");
    EXPECT_EQ(ToUtf8(Answer(caption)), "“Orvane画图”已成功地从您的计算机中移除。");
    EXPECT_EQ(ExitCode(), 0u);
    ExpectRemoved(installer);
    EXPECT_EQ(ReadAll(kDir + u"notes.txt"), "the user's own notes");
    EXPECT_TRUE(Exists(SystemFolder() + u"KarvelShared.dll")) << "a shared system file was removed";
    for (const std::u16string& other : others) {
        EXPECT_FALSE(RegReadStringValue(HKEY_LOCAL_MACHINE, other, u"UninstallString").empty()) << ToUtf8(other);
        RegDeleteKeyW(HKEY_LOCAL_MACHINE, ToWide(other).c_str());
    }
}

// A copy of the uninstaller run from elsewhere is no installation's: it removes nothing,
// not even the files of its folder that share the product's names.
TEST_F(Uninstalling, ACopyElsewhereRemovesNothing) {
    const Installer installer = Chinese();
    ASSERT_NO_FATAL_FAILURE(InstallQuietly(installer));
    const std::u16string copy = kWork + u"Uninst.exe";
    ASSERT_TRUE(CopyFileW(ToWide(kDir + u"Uninst.exe").c_str(), ToWide(copy).c_str(), FALSE));
    PutFile(kWork + u"readme.txt", "someone else's readme");
    uninstaller_ = std::make_unique<test::TestProcess>(ToWide(copy), L"/S");
    EXPECT_EQ(ExitCode(), DWORD(ecFolderRefused));
    EXPECT_EQ(ReadAll(kWork + u"readme.txt"), "someone else's readme");
    ExpectInstalled(installer);
}

// /S: no question and no message; with nothing of the user's, the folder and the maker's
// folder above it go too. The English uninstaller asks in English.
TEST_F(Uninstalling, SilentlyItRemovesTheFoldersTooAndTheEnglishOneAsksInEnglish) {
    const Installer installer = English();
    ASSERT_NO_FATAL_FAILURE(InstallQuietly(installer));
    ASSERT_NO_FATAL_FAILURE(StartUninstaller(installer));
    EXPECT_EQ(ToUtf8(Answer(u"Uninstall - Orvane Karvel", false)),
              "Are you sure you want to completely remove Orvane Karvel and all of its components?");
    EXPECT_EQ(ExitCode(), DWORD(ecCancelled));
    ExpectInstalled(installer);

    ASSERT_NO_FATAL_FAILURE(StartUninstaller(installer, u"/S"));
    EXPECT_EQ(ExitCode(), 0u);  // a message box would have kept it from ending in time
    ExpectRemoved(installer);
    EXPECT_TRUE(Eventually([] { return !Exists(u"C:\\Program Files\\Orvane Soft"); })) << "empty folders are left";
}

// While Karvel runs nothing is removed, with the message or, silently, the exit code.
TEST_F(Uninstalling, WhileTheProgramRunsNothingIsRemoved) {
    const Installer installer = Chinese();
    ASSERT_NO_FATAL_FAILURE(InstallQuietly(installer));
    const Process karvel(kDir + u"Karvel.exe");
    ASSERT_NE(FindTopWindow(u"Karvel", kWaitMs), nullptr);
    ASSERT_NO_FATAL_FAILURE(StartUninstaller(installer));
    EXPECT_EQ(ToUtf8(Answer(u"卸载 - Orvane画图")), "“Orvane画图”正在运行，请先关闭它，然后再卸载。");
    EXPECT_EQ(ExitCode(), DWORD(ecProgramRunning));
    ASSERT_NO_FATAL_FAILURE(StartUninstaller(installer, u"/S"));
    EXPECT_EQ(ExitCode(), DWORD(ecProgramRunning));
    ExpectInstalled(installer);
}

// A file another program holds open without sharing is named and left for the restart;
// everything else goes.
TEST_F(Uninstalling, AFileInUseIsNamedAndScheduledForTheRestart) {
    const Installer installer = Chinese();
    ASSERT_NO_FATAL_FAILURE(InstallQuietly(installer));
    inUse_ = CreateFileW(ToWide(kDir + u"readme.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(inUse_, INVALID_HANDLE_VALUE);
    ASSERT_NO_FATAL_FAILURE(StartUninstaller(installer));
    const std::u16string caption = u"卸载 - Orvane画图";
    Answer(caption);
    const std::u16string closing = Answer(caption);
    EXPECT_NE(closing.find(kDir + u"readme.txt"), std::u16string::npos) << ToUtf8(closing);
    EXPECT_EQ(ExitCode(), DWORD(ecRestartNeeded));
    EXPECT_TRUE(Exists(kDir + u"readme.txt"));
    EXPECT_FALSE(Exists(kDir + u"Karvel.exe"));
    EXPECT_FALSE(Exists(kDir + u"data"));
    EXPECT_TRUE(Eventually([] { return !Exists(kDir + u"Uninst.exe"); }));
    EXPECT_NE(PendingRenames().find(kDir + u"readme.txt"), std::u16string::npos) << "not scheduled for the restart";
}

// A command prompt open in the installation folder (a program's current folder: read and
// write shared, delete not): everything in it goes, the folder is named and left for the
// restart.
TEST_F(Uninstalling, TheCurrentFolderOfAnotherProgramIsEmptiedAndLeftForTheRestart) {
    const Installer installer = Chinese();
    ASSERT_NO_FATAL_FAILURE(InstallQuietly(installer));
    inUse_ = CreateFileW(ToWide(kDir).c_str(), FILE_LIST_DIRECTORY | SYNCHRONIZE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                         nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    ASSERT_NE(inUse_, INVALID_HANDLE_VALUE);
    ASSERT_NO_FATAL_FAILURE(StartUninstaller(installer));
    const std::u16string caption = u"卸载 - Orvane画图";
    Answer(caption);
    const std::u16string closing = Answer(caption);
    std::u16string folder = kDir;
    while (!folder.empty() && folder.back() == u'\\') folder.pop_back();
    EXPECT_NE(closing.find(folder), std::u16string::npos) << ToUtf8(closing);
    EXPECT_EQ(ExitCode(), DWORD(ecRestartNeeded));
    for (const char16_t* gone : {u"Karvel.exe", u"readme.txt", u"data"})
        EXPECT_FALSE(Exists(kDir + gone)) << ToUtf8(gone);
    EXPECT_TRUE(Eventually([] { return !Exists(kDir + u"Uninst.exe"); }));
    EXPECT_TRUE(Exists(folder));
    EXPECT_NE(PendingRenames().find(folder), std::u16string::npos) << "not scheduled for the restart";
}

// After an uninstall the next install is a first one: the default folder proposed again.
TEST_F(Uninstalling, InstallingAgainIsAFirstInstall) {
    const Installer installer = Chinese();
    ASSERT_NO_FATAL_FAILURE(InstallQuietly(installer));
    ASSERT_NO_FATAL_FAILURE(StartUninstaller(installer, u"/S"));
    EXPECT_EQ(ExitCode(), 0u);
    ExpectRemoved(installer);
    // The uninstaller's copy is done with the folders before the next install makes them.
    ASSERT_TRUE(Eventually([] { return !Exists(u"C:\\Program Files\\Orvane Soft"); })) << "the folders are left";
    ASSERT_NO_FATAL_FAILURE(InstallQuietly(installer));
    ExpectInstalled(installer);
}

// An earlier version (three files more, one in a folder of its own), reinstalled, then the
// current one over it, then the uninstaller: nothing of either version stays but what the
// user made or changed, which is named.
TEST_F(Uninstalling, AnUpgradeLeavesNothingOfTheEarlierVersion) {
    const Installer earlier = Chinese(u"Karvel-setup-v1.exe");
    ASSERT_NO_FATAL_FAILURE(InstallQuietly(earlier));
    ASSERT_TRUE(Exists(kDir + u"legacy\\legacy.dat"));
    ASSERT_NO_FATAL_FAILURE(InstallQuietly(earlier));
    EXPECT_FALSE(Exists(kDir + u"Uninst.lst")) << "a reinstall of the same version left a list";
    PutFile(kDir + u"oldsettings.txt", "colour = red\r\n");
    PutFile(kDir + u"mine.txt", "the user's own");

    const Installer current = Chinese();
    ASSERT_NO_FATAL_FAILURE(InstallQuietly(current));
    EXPECT_TRUE(Exists(kDir + u"Uninst.lst")) << "the earlier version's files are not listed";
    ASSERT_NO_FATAL_FAILURE(StartUninstaller(current));
    const std::u16string caption = u"卸载 - Orvane画图";
    Answer(caption);
    const std::u16string closing = Answer(caption);
    EXPECT_NE(closing.find(kDir + u"oldsettings.txt"), std::u16string::npos) << ToUtf8(closing);
    EXPECT_EQ(ExitCode(), 0u);
    ExpectRemoved(current);
    for (const char16_t* file : {u"oldnotes.txt", u"legacy", u"Uninst.lst"})
        EXPECT_FALSE(Exists(kDir + file)) << ToUtf8(file);
    EXPECT_EQ(ReadAll(kDir + u"oldsettings.txt"), "colour = red\r\n");
    EXPECT_EQ(ReadAll(kDir + u"mine.txt"), "the user's own");
}

// A link a user put at the upgrade's list, to a name not yet there: nothing is made
// through it, and the upgrade stands.
TEST_F(Uninstalling, AnUpgradeMakesNothingThroughALinkAtItsList) {
    ASSERT_NO_FATAL_FAILURE(InstallQuietly(Chinese(u"Karvel-setup-v1.exe")));
    const std::u16string target = kWork + u"made-through-a-link.txt";
    ASSERT_NO_FATAL_FAILURE(AskRunScript(u"link", {target, kDir + u"Uninst.lst"}));
    ASSERT_NO_FATAL_FAILURE(InstallQuietly(Chinese()));
    EXPECT_FALSE(Exists(target));
    ExpectInstalledFiles(kDir);
    ASSERT_NO_FATAL_FAILURE(AskRunScript(u"unlink", {kDir + u"Uninst.lst"}));
}

// An earlier uninstaller whose file list claims 2 GB: not ours, and the upgrade goes on.
TEST_F(Uninstalling, AnEarlierUninstallerWithADamagedListIsNotOurs) {
    ASSERT_NO_FATAL_FAILURE(InstallQuietly(Chinese(u"Karvel-setup-v1.exe")));
    std::string image = ReadAll(kDir + u"Uninst.exe");
    const std::optional<std::string> list = pe::FindImageResource(
        image, pe::ResourceId::Named(kStpResourceType), pe::ResourceId::Named(kFileListResource), image.size());
    ASSERT_TRUE(list) << "no file list in the earlier uninstaller";
    // Its data entry: the list's address, its size, no code page, nothing reserved.
    const auto word = [&image](std::size_t at) {
        std::uint32_t value = 0;
        std::memcpy(&value, image.data() + at, 4);
        return value;
    };
    std::vector<std::size_t> entries;
    for (std::size_t at = 0; at + 16 <= image.size(); at += 4)
        if (word(at) != 0 && word(at + 4) == list->size() && word(at + 8) == 0 && word(at + 12) == 0)
            entries.push_back(at);
    ASSERT_EQ(entries.size(), 1u);
    const std::uint32_t huge = 0x7FFFFFF0;
    std::memcpy(image.data() + entries[0] + 4, &huge, 4);
    PutFile(kDir + u"Uninst.exe", image);

    ASSERT_NO_FATAL_FAILURE(InstallQuietly(Chinese()));
    ExpectInstalledFiles(kDir);
    EXPECT_FALSE(Exists(kDir + u"Setup.stp"));
}

// A library planted beside the uninstaller under a system library's name that is no
// KnownDLL is never loaded into it.
TEST_F(Uninstalling, ALibraryPlantedBesideItIsNotLoaded) {
    const Installer installer = Chinese();
    ASSERT_NO_FATAL_FAILURE(InstallQuietly(installer));
    const std::u16string mark = kWork + u"planted-library-loaded.txt";
    ASSERT_TRUE(
        CopyFileW(ToWide(BinDir() + u"planted\\bcrypt.dll").c_str(), ToWide(kDir + u"bcrypt.dll").c_str(), FALSE));
    // Wine prefers its own libraries; told to look for the file first (for Uninst.exe
    // alone), it searches as Windows does for a library that is no KnownDLL: the
    // program's folder first.
    const std::u16string overrides = u"Software\\Wine\\AppDefaults\\Uninst.exe\\DllOverrides";
    ASSERT_TRUE(RegCreateKeyPath(HKEY_CURRENT_USER, overrides));
    ASSERT_TRUE(RegWriteStringValue(HKEY_CURRENT_USER, overrides, u"bcrypt", u"native,builtin"));
    ASSERT_NO_FATAL_FAILURE(StartUninstaller(installer, u"/S"));
    const DWORD code = ExitCode();
    RegDeleteKeyTree(HKEY_CURRENT_USER, u"Software\\Wine\\AppDefaults\\Uninst.exe");
    EXPECT_EQ(code, 0u);
    EXPECT_FALSE(Exists(mark)) << "the planted library was loaded";
    DeleteFileW(ToWide(kDir + u"bcrypt.dll").c_str());
}

// The desktop folder switched, again and again, between a folder holding the product's
// shortcut and a protected folder holding a file of the same name: the uninstaller
// deletes only the shortcut it read, through the handle it read it with.
TEST_F(Uninstalling, ADesktopSwitchedUnderItDeletesNoOtherFile) {
    const Installer installer = Chinese();
    const std::u16string desktop = GetShellFolderPath(slDesktop);
    const std::u16string shortcuts = u"C:\\stp-e2e-shortcuts", guarded = u"C:\\windows\\stp-e2e-guarded";
    const std::u16string protectedFile = guarded + u"\\" + installer.displayName + u".lnk";
    CreateDirectoryW(ToWide(shortcuts).c_str(), nullptr);
    CreateDirectoryW(ToWide(guarded).c_str(), nullptr);
    PutFile(protectedFile, "a protected file");
    ASSERT_NO_FATAL_FAILURE(AskRunScript(u"link", {shortcuts, desktop}));
    // The switch lands between reading and deleting about one round in eight here.
    for (int round = 0; round < 16 && !HasFailure(); ++round) {
        ASSERT_NO_FATAL_FAILURE(InstallQuietly(installer));
        ASSERT_TRUE(Exists(shortcuts + u"\\" + installer.displayName + u".lnk"));
        ASSERT_NO_FATAL_FAILURE(AskRunScript(u"flip", {desktop, shortcuts, guarded}));
        ASSERT_NO_FATAL_FAILURE(StartUninstaller(installer, u"/S"));
        const DWORD code = ExitCode();
        ASSERT_NO_FATAL_FAILURE(AskRunScript(u"stopflip", {desktop, shortcuts}));
        EXPECT_EQ(code, 0u);
        EXPECT_EQ(ReadAll(protectedFile), "a protected file") << "round " << round;
        ASSERT_TRUE(Eventually([] { return !Exists(kDir + u"Uninst.exe"); }));
        ASSERT_TRUE(Eventually([] { return !Exists(u"C:\\Program Files\\Orvane Soft"); }));
        DeleteFileW(ToWide(shortcuts + u"\\" + installer.displayName + u".lnk").c_str());
    }
    ASSERT_NO_FATAL_FAILURE(AskRunScript(u"unlink", {desktop}));
    CreateDirectoryW(ToWide(desktop).c_str(), nullptr);
    RemoveDirectoryW(ToWide(shortcuts).c_str());
    DeleteFileW(ToWide(protectedFile).c_str());
    RemoveDirectoryW(ToWide(guarded).c_str());
}

// A file in use waits for the restart; an installation before the restart takes it
// back, so the restart cannot delete the new installation's file.
TEST_F(Uninstalling, AReinstallBeforeTheRestartKeepsItsFiles) {
    const Installer installer = Chinese();
    ASSERT_NO_FATAL_FAILURE(InstallQuietly(installer));
    inUse_ = CreateFileW(ToWide(kDir + u"readme.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(inUse_, INVALID_HANDLE_VALUE);
    ASSERT_NO_FATAL_FAILURE(StartUninstaller(installer, u"/S"));
    EXPECT_EQ(ExitCode(), DWORD(ecRestartNeeded));
    ASSERT_NE(PendingRenames().find(kDir + u"readme.txt"), std::u16string::npos);
    CloseHandle(inUse_);
    inUse_ = INVALID_HANDLE_VALUE;
    ASSERT_TRUE(Eventually([] { return !Exists(kDir + u"Uninst.exe"); }));
    ASSERT_NO_FATAL_FAILURE(InstallQuietly(installer));
    ExpectInstalled(installer);
    const std::u16string pending = PendingRenames();
    for (const char16_t* file : {u"readme.txt", u"Karvel.exe", u"Uninst.exe", u"data\\palette.txt"})
        EXPECT_EQ(pending.find(kDir + file), std::u16string::npos) << ToUtf8(file) << " still goes at the restart";
}

// A folder of the installation made a link to another folder: the link is not entered,
// the other folder's files stay, and the link is named as kept.
TEST_F(Uninstalling, ALinkInTheInstallationIsNotFollowed) {
    const Installer installer = English();
    ASSERT_NO_FATAL_FAILURE(InstallQuietly(installer));
    const std::u16string other = u"C:\\stp-e2e-other";
    CreateDirectoryW(ToWide(other).c_str(), nullptr);
    PutFile(other + u"\\palette.txt", "someone else's palette");
    ASSERT_NO_FATAL_FAILURE(AskRunScript(u"link", {other, kDir + u"data"}));
    ASSERT_NO_FATAL_FAILURE(StartUninstaller(installer));
    Answer(u"Uninstall - Orvane Karvel");
    const std::u16string closing = Answer(u"Uninstall - Orvane Karvel");
    EXPECT_NE(closing.find(u"so they were kept:\n\n" + kDir + u"data\n"), std::u16string::npos) << ToUtf8(closing);
    EXPECT_EQ(ExitCode(), 0u);
    EXPECT_EQ(ReadAll(other + u"\\palette.txt"), "someone else's palette");
    EXPECT_FALSE(Exists(kDir + u"Karvel.exe"));
    EXPECT_FALSE(Exists(kDir + u"readme.txt"));
    ASSERT_NO_FATAL_FAILURE(AskRunScript(u"unlink", {kDir + u"data"}));
    DeleteFileW(ToWide(other + u"\\palette.txt").c_str());
    RemoveDirectoryW(ToWide(other).c_str());
}

// What the user changed stays and is named: a file edited since it was installed, a
// folder of the user's at a file's name. Nothing of them waits for the restart.
TEST_F(Uninstalling, WhatTheUserChangedStaysAndIsNamed) {
    const Installer installer = Chinese();
    ASSERT_NO_FATAL_FAILURE(InstallQuietly(installer));
    PutFile(kDir + u"readme.txt", "the user's edit");
    ASSERT_TRUE(DeleteFileW(ToWide(kDir + u"data\\palette.txt").c_str()));
    CreateDirectoryW(ToWide(kDir + u"data\\palette.txt").c_str(), nullptr);
    PutFile(kDir + u"data\\palette.txt\\mine.txt", "the user's own");
    ASSERT_NO_FATAL_FAILURE(StartUninstaller(installer));
    const std::u16string caption = u"卸载 - Orvane画图";
    Answer(caption);
    EXPECT_EQ(ToUtf8(Answer(caption)),
              ToUtf8(u"“Orvane画图”已成功地从您的计算机中移除。\n\n以下项目在安装后已被更改或替换，已保留：\n\n" +
                     kDir + u"readme.txt\n" + kDir + u"data\\palette.txt\n"));
    EXPECT_EQ(ExitCode(), 0u);
    EXPECT_EQ(ReadAll(kDir + u"readme.txt"), "the user's edit");
    EXPECT_EQ(ReadAll(kDir + u"data\\palette.txt\\mine.txt"), "the user's own");
    EXPECT_FALSE(Exists(kDir + u"Karvel.exe"));
    EXPECT_TRUE(Eventually([] { return !Exists(kDir + u"Uninst.exe"); }));
    EXPECT_EQ(PendingRenames().find(kDir + u"readme.txt"), std::u16string::npos);
    EXPECT_EQ(PendingRenames().find(kDir + u"data"), std::u16string::npos);
}

// Two uninstallers at once: the second, started while the first asks, says it is not
// alone and removes nothing; the first then removes everything.
TEST_F(Uninstalling, TwoAtOnceOneRemovesAndTheOtherSaysSo) {
    const Installer installer = English();
    ASSERT_NO_FATAL_FAILURE(InstallQuietly(installer));
    ASSERT_NO_FATAL_FAILURE(StartUninstaller(installer));
    ASSERT_TRUE(FindMessageBox(uninstaller_->Id(), u"Uninstall - Orvane Karvel", kWaitMs)) << "no question";
    test::TestProcess second(ToWide(kDir + u"Uninst.exe"), L"/S");
    EXPECT_EQ(second.Wait(kWaitMs), DWORD(ecAnotherRuns));
    ExpectInstalled(installer);
    Answer(u"Uninstall - Orvane Karvel");
    EXPECT_EQ(ToUtf8(Answer(u"Uninstall - Orvane Karvel")),
              "Orvane Karvel was successfully removed from your computer.");
    EXPECT_EQ(ExitCode(), 0u);
    ExpectRemoved(installer);
}

// The copy's stage started by hand, with an earlier command line or handle numbers of
// its own: it removes nothing. The copy an uninstaller starts lies in a folder of the
// system's temporary folder named by 32 random hexadecimal digits.
TEST_F(Uninstalling, TheCleanupStageStartedByHandRemovesNothing) {
    const Installer installer = Chinese();
    ASSERT_NO_FATAL_FAILURE(InstallQuietly(installer));
    const std::u16string victim = u"C:\\stp-e2e-victim";
    CreateDirectoryW(ToWide(victim).c_str(), nullptr);
    PutFile(victim + u"\\Uninst.exe", "another program's uninstaller");
    // Old arguments, made-up handle numbers, and its own process (the pseudo-handle -1, as
    // a number too), which it would otherwise wait for for ever.
    for (const std::wstring arguments :
         {L"/cleanup 0 1 \"C:\\stp-e2e-victim\\Uninst.exe\"", L"/cleanup 4 8 12 16 1", L"/cleanup 4 8 12 0 1",
          L"/cleanup -1 8 12 0 1", L"/cleanup 18446744073709551615 8 12 0 1"}) {
        test::TestProcess byHand(ToWide(kDir + u"Uninst.exe"), arguments);
        EXPECT_EQ(byHand.Wait(kWaitMs), DWORD(ecFailed));
    }
    EXPECT_EQ(ReadAll(victim + u"\\Uninst.exe"), "another program's uninstaller");
    ExpectInstalled(installer);
    DeleteFileW(ToWide(victim + u"\\Uninst.exe").c_str());
    RemoveDirectoryW(ToWide(victim).c_str());

    ASSERT_NO_FATAL_FAILURE(StartUninstaller(installer, u"/S"));
    EXPECT_EQ(ExitCode(), 0u);
    ExpectRemoved(installer);
    wchar_t windows[MAX_PATH] = {};
    GetWindowsDirectoryW(windows, MAX_PATH);
    const std::u16string pending = PendingRenames();
    const std::u16string temp = FromWide(windows) + u"\\temp\\stp-uninst-";
    std::size_t at = std::u16string::npos;
    for (std::size_t i = 0; i + temp.size() <= pending.size() && at == std::u16string::npos; ++i)
        if (_wcsnicmp(ToWide(pending.substr(i, temp.size())).c_str(), ToWide(temp).c_str(), temp.size()) == 0) at = i;
    ASSERT_NE(at, std::u16string::npos) << "the copy's folder is not in the system's temporary folder";
    const std::u16string name = pending.substr(at + temp.size(), 33);
    EXPECT_EQ(name.find_first_not_of(u"0123456789abcdef"), 32u) << ToUtf8(name);
}

// The user's desktop moved to another folder and linked from its old place (a junction
// on Windows): the uninstaller follows that one link and removes the shortcut there.
TEST_F(Uninstalling, TheShortcutOnADesktopThatIsALinkIsRemoved) {
    const Installer installer = Chinese();
    const std::u16string desktop = GetShellFolderPath(slDesktop), moved = u"C:\\stp-e2e-moved-desktop";
    ASSERT_TRUE(CreateDirectoryW(ToWide(moved).c_str(), nullptr));
    // The desktop a folder again afterwards, whatever happens.
    struct Restore {
        std::u16string desktop, moved;
        bool linked = false;
        ~Restore() {
            if (linked) AskRunScript(u"unlink", {desktop});
            CreateDirectoryW(ToWide(desktop).c_str(), nullptr);
            RemoveTree(moved);
        }
    } restore{desktop, moved};
    ASSERT_NO_FATAL_FAILURE(AskRunScript(u"link", {moved, desktop}));
    restore.linked = true;
    ASSERT_NO_FATAL_FAILURE(InstallQuietly(installer));
    const std::u16string shortcut = moved + u"\\" + installer.displayName + u".lnk";
    ASSERT_TRUE(Exists(shortcut)) << ToUtf8(shortcut);
    ASSERT_NO_FATAL_FAILURE(StartUninstaller(installer, u"/S"));
    EXPECT_EQ(ExitCode(), 0u);
    EXPECT_FALSE(Exists(shortcut)) << "the shortcut stays in the linked desktop";
    ExpectRemoved(installer);
}

}  // namespace
}  // namespace stp::e2e
