// The built demo installers run as the user runs them, in a fresh Wine prefix made by
// run.sh, driven through their pages with the forms driver; the outcome is read back
// from the disk, the registry, the clipboard and the process list. Each test starts from
// a prefix without an earlier installation.
#include <gtest/gtest.h>

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>
#include <aclapi.h>
#include <sddl.h>
#include <tlhelp32.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "datatable/DataTable.h"
#include "datatable/Text.h"
#include "pe/ResourceLookup.h"
#include "product/ExitCodes.h"
#include "product/ProductTable.h"
#include "sys/Processes.h"
#include "sys/Registry.h"
#include "sys/Shortcuts.h"
#include "tests/support/TestProcess.h"
#include "tools/uidriver/Driver.h"
#include "ui/Wide.h"
#include "wizard/WizardTexts.h"

namespace stp {
namespace {

using namespace uidriver;

constexpr DWORD WaitMs = 30000;
const std::u16string UninstallRoot = u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
const std::u16string Work = u"C:\\stp-e2e\\";

// The display scale run.sh set the prefix to (STP_E2E_DPI), 96 DPI without it. This
// program takes it as its own, so that it sees the installer's windows unscaled.
int DisplayDpi() {
    static const int dpi = [] {
        SetProcessDPIAware();
        wchar_t value[16] = {};
        return GetEnvironmentVariableW(L"STP_E2E_DPI", value, 16) ? _wtoi(value) : 96;
    }();
    return dpi;
}
[[maybe_unused]] const int DpiAware = DisplayDpi();

std::u16string BinDir() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring dir(path);
    return FromWide(dir.substr(0, dir.find_last_of(L'\\') + 1));
}

// The source tree as Wine's drive Z: shows it.
std::u16string SourceDir() {
    std::u16string dir = u"Z:" + FromUtf8(STP_SOURCE_DIR) + u"\\";
    for (char16_t& c : dir)
        if (c == u'/') c = u'\\';
    return dir;
}

std::string ReadAll(const std::u16string& file) {
    std::ifstream in(std::filesystem::path(ToWide(file)), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void PutFile(const std::u16string& path, const std::string& content) {
    std::ofstream(std::filesystem::path(ToWide(path)), std::ios::binary) << content;
}

std::uint64_t FileSize(const std::u16string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(ToWide(path).c_str(), GetFileExInfoStandard, &data)) return 0;
    return (std::uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
}

bool Exists(const std::u16string& path) { return GetFileAttributesW(ToWide(path).c_str()) != INVALID_FILE_ATTRIBUTES; }

void RemoveTree(const std::u16string& path) {
    // Double NUL-terminated, as the shell wants it.
    std::wstring from = ToWide(path);
    from.push_back(L'\0');
    SHFILEOPSTRUCTW op{};
    op.wFunc = FO_DELETE;
    op.pFrom = from.c_str();
    op.fFlags = FOF_NO_UI;
    SHFileOperationW(&op);
}

// Waits until Probe holds, as the installer handles the driver's messages in its own time.
template <class Probe>
bool Eventually(Probe probe, int tries = 400) {
    for (int i = 0; i < tries; ++i) {
        if (probe()) return true;
        Sleep(50);
    }
    return probe();
}

DWORD ParentProcessId(DWORD pid) {
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32W entry{sizeof entry};
    DWORD parent = 0;
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry))
        if (entry.th32ProcessID == pid) parent = entry.th32ParentProcessID;
    CloseHandle(snapshot);
    return parent;
}

bool IsRunning(const std::u16string& exeName) {
    const std::unique_ptr<TDataTable> table = GetProcessTable(false);
    return table && table->IndexOfText(0, exeName) >= 0;
}

// Asks run.sh for what Windows programs cannot do under Wine (run.sh: "link", "unlink",
// "flip", "stopflip"), the request's lines given, and waits for it to be done.
void AskRunScript(const std::u16string& request, const std::vector<std::u16string>& lines) {
    const std::u16string control = u"C:\\stp-e2e-control\\";
    DeleteFileW(ToWide(control + request + u".done").c_str());
    std::string text;
    for (const std::u16string& line : lines) text += ToUtf8(line) + "\n";
    PutFile(control + request + u".request.tmp", text);
    ASSERT_TRUE(MoveFileW(ToWide(control + request + u".request.tmp").c_str(),
                          ToWide(control + request + u".request").c_str()));
    ASSERT_TRUE(Eventually([&] { return Exists(control + request + u".done"); })) << "run.sh did not answer";
    const std::string answer = ReadAll(control + request + u".done");
    ASSERT_EQ(answer.substr(0, 2), "0\n") << ToUtf8(request) << " failed: " << answer;
    DeleteFileW(ToWide(control + request + u".done").c_str());
}

// A started program, ended when the test is done with it.
class Process : public test::TestProcess {
public:
    explicit Process(const std::u16string& file) : TestProcess(ToWide(file)) {}
};

// One demo installer: its file and what its text set shows.
struct Installer {
    const char* name;
    std::u16string file;  // below BinDir(), or a full path
    int mode;
    std::u16string displayName;
    std::u16string windowTitle;
    WizardTexts texts;
};

Installer Chinese(const std::u16string& file = u"Karvel-3.40-setup.exe") {
    const std::u16string name = u"Orvane画图";
    return {"Chinese", file, 0, name, u"安装向导 - " + name, ChineseWizardTexts(name, u"3.40", u"6 MB")};
}

Installer English() {
    const std::u16string name = u"Orvane Karvel";
    return {"English", u"Karvel-3.40-setup-en.exe", 2, name, u"Setup - " + name,
            EnglishWizardTexts(name, u"3.40", u"6 MB")};
}

class SetupEndToEnd : public ::testing::Test {
protected:
    static void SetUpTestSuite() { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
    static void TearDownTestSuite() { CoUninitialize(); }

    void SetUp() override { ForgetEarlierInstallations(); }
    void TearDown() override {
        CloseKarvel();
        ForgetEarlierInstallations();
    }

    // What an installation leaves: folders, shortcuts, uninstall keys, the work folder.
    static void ForgetEarlierInstallations() {
        RemoveTree(u"C:\\Program Files\\Orvane Soft");
        RemoveTree(u"C:\\Program Files\\Hollin Works");
        RemoveTree(u"C:\\Apps");
        RemoveTree(Work);
        for (const std::u16string name : {u"Orvane画图", u"Orvane Karvel"}) {
            for (std::uint8_t location : {slDesktop, slQuickLaunch})
                DeleteFileW(ToWide(GetShellFolderPath(location) + u"\\" + name + u".lnk").c_str());
            RegDeleteKeyW(HKEY_LOCAL_MACHINE, ToWide(UninstallRoot + name).c_str());
            DeleteFileW(ToWide(CommonProgramsFolder() + u"\\" + name + u".lnk").c_str());
        }
        CreateDirectoryW(ToWide(Work).c_str(), nullptr);
    }

    static void CloseKarvel() {
        for (int i = 0; i < 5; ++i) {
            HWND karvel = FindTopWindow(u"Karvel", 0);
            if (!karvel) return;
            PostMessageW(karvel, WM_CLOSE, 0, 0);
            WaitWindowGone(u"Karvel", 5000);
        }
    }

    void Start(const Installer& installer) {
        const std::u16string file = installer.file.find(u'\\') == std::u16string::npos
                                        ? BinDir() + installer.file
                                        : installer.file;
        setup_ = std::make_unique<Process>(file);
        texts_ = installer.texts;
        title_ = installer.windowTitle;
        wizard_ = FindTopWindow(installer.windowTitle, WaitMs);
        ASSERT_NE(wizard_, nullptr) << "no wizard window";
        // Drawn at the display's scale, as its manifest asks: 495 pixels wide inside at 96 DPI.
        RECT client;
        GetClientRect(wizard_, &client);
        EXPECT_NEAR(client.right, MulDiv(495, DisplayDpi(), 96), 1) << "at " << DisplayDpi() << " DPI";
    }

    ControlInfo Control(const char16_t* name) const { return FindControl(wizard_, name); }
    bool Showing(const char16_t* name) const { return Control(name).Showing; }

    // From the welcome page to the folder page.
    void WalkToFolderPage() {
        Click(Control(u"btnNext"));
        ASSERT_TRUE(Eventually([&] { return Showing(u"pnlStep2"); }));
        Click(Control(u"btnNext"));
        ASSERT_TRUE(Eventually([&] { return Showing(u"pnlStep3"); }));
    }

    void SetFolder(const std::u16string& folder) {
        SetText(Control(u"editSetupDir"), folder);
        ASSERT_TRUE(Eventually([&] { return Control(u"editSetupDir").Text == folder; }));
    }

    // Presses install and waits for the completion page.
    void Install() {
        ASSERT_TRUE(Eventually([&] { return Control(u"btnNext").Enabled; })) << "install stays disabled";
        Click(Control(u"btnNext"));
        ASSERT_TRUE(Eventually([&] { return Showing(u"pnlStep4"); }, 1200)) << "no completion page";
        EXPECT_EQ(ToUtf8(Control(u"btnNext").Text), ToUtf8(texts_.CaptionFinish));
    }

    // The message box the installer shows now; its OK pressed.
    std::u16string AnswerMessage(const std::u16string& title) {
        const auto box = FindMessageBox(setup_->Id(), title, WaitMs);
        if (!box) {
            ADD_FAILURE() << "no message box";
            return {};
        }
        PressButton(*box, u"");
        return box->Text;
    }

    void SetUncheckedRunOnExit() {
        Click(Control(u"chkRunOnExit"));
        ASSERT_TRUE(Eventually([&] {
            return SendMessageW(Control(u"chkRunOnExit").Handle, BM_GETCHECK, 0, 0) == BST_UNCHECKED;
        }));
    }

    void Finish() {
        ASSERT_TRUE(Eventually([&] { return Control(u"btnNext").Enabled; }));
        Click(Control(u"btnNext"));
    }

    void ExpectEndsWithoutLaunching() {
        EXPECT_EQ(setup_->Wait(WaitMs), 0u);
        Sleep(1500);
        EXPECT_EQ(FindTopWindow(u"Karvel", 0), nullptr);
        EXPECT_FALSE(IsRunning(u"Karvel.exe"));
    }

    // The installed program, not some other Karvel.exe, shows its window.
    void ExpectLaunches(const std::u16string& dir) {
        EXPECT_EQ(setup_->Wait(WaitMs), 0u);
        HWND karvel = FindTopWindow(u"Karvel", WaitMs);
        ASSERT_NE(karvel, nullptr) << "Karvel's window did not appear";
        DWORD pid = 0;
        GetWindowThreadProcessId(karvel, &pid);
        EXPECT_EQ(ToUtf8(GetProcessImagePath(pid)), ToUtf8(dir + u"Karvel.exe"));
        // Started by the shell for the desktop's user, not by the elevated installer.
        const std::u16string parent = GetProcessImagePath(ParentProcessId(pid));
        EXPECT_EQ(ToUtf8(parent.substr(parent.rfind(u'\\') + 1)), "explorer.exe") << ToUtf8(parent);
    }

    // Presses install, expects the extraction message and the wizard back on the folder
    // page, ready for another try.
    void InstallFails() {
        ASSERT_TRUE(Eventually([&] { return Control(u"btnNext").Enabled; })) << "install stays disabled";
        Click(Control(u"btnNext"));
        EXPECT_EQ(ToUtf8(AnswerMessage(title_)), ToUtf8(texts_.MsgExtractFailed));
        EXPECT_TRUE(Eventually([&] { return Control(u"btnNext").Enabled && Control(u"btnClose").Enabled; }));
        EXPECT_TRUE(Showing(u"pnlStep3"));
        EXPECT_FALSE(Showing(u"ProgressBar1"));
    }

    std::unique_ptr<Process> setup_;
    HWND wizard_ = nullptr;
    WizardTexts texts_;
    std::u16string title_;
};

void ExpectInstalledFiles(const std::u16string& dir) {
    const std::u16string files = SourceDir() + u"examples\\karvel\\files\\";
    const struct {
        std::u16string installed, source;
    } pairs[] = {
        {u"Karvel.exe", BinDir() + u"Karvel.exe"},
        {u"readme.txt", files + u"readme.txt"},
        {u"data\\palette.txt", files + u"data\\palette.txt"},
    };
    for (const auto& [installed, source] : pairs) {
        const std::string expected = ReadAll(source);
        ASSERT_FALSE(expected.empty()) << ToUtf8(source);
        EXPECT_TRUE(ReadAll(dir + installed) == expected) << ToUtf8(installed) << " differs from its source";
    }
    EXPECT_FALSE(Exists(dir + u"Setup.stp"));
}

void ExpectUninstallEntry(const Installer& installer, const std::u16string& dir) {
    const std::u16string key = UninstallRoot + installer.displayName;
    const bool chinese = installer.mode == 0;
    const std::pair<const char16_t*, std::u16string> values[] = {
        {u"DisplayIcon", dir + u"Karvel.exe"},
        {u"DisplayName", installer.displayName},
        {u"DisplayVersion", u"3.40"},
        {u"Publisher", chinese ? u"Orvane软件" : u"Orvane Software"},
        {u"URLInfoAbout", chinese ? u"http://www.orvane.cn/" : u"http://www.orvane.com/"},
        {u"UninstallString", dir + u"Uninst.exe"},
    };
    for (const auto& [name, value] : values)
        EXPECT_EQ(ToUtf8(RegReadStringValue(HKEY_LOCAL_MACHINE, key, name)), ToUtf8(value)) << ToUtf8(name);
}

std::u16string ShortcutTarget(std::uint8_t location, const std::u16string& name) {
    const std::u16string link = GetShellFolderPath(location) + u"\\" + name + u".lnk";
    return Exists(link) ? ResolveShortcut(link) : u"(no shortcut " + link + u")";
}

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
            const HANDLE writer = CreateFileW(ToWide(package).c_str(), GENERIC_WRITE,
                                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                              OPEN_EXISTING, 0, nullptr);
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
    EXPECT_EQ(setup_->Wait(WaitMs), 0u);
}

INSTANTIATE_TEST_SUITE_P(BothTextSets, SecondRun, ::testing::Values(Chinese(), English()),
                         [](const auto& info) { return std::string(info.param.name); });

// Windows XP: Wine reports the version a per-program key names, so a copy of the
// installer under its own name runs as XP and offers the Quick Launch shortcut; each
// shortcut is made only when its box is checked.
TEST_F(SetupEndToEnd, OnWindowsXpMakesTheQuickLaunchShortcutAlone) {
    const std::u16string copy = Work + u"KarvelXp-setup.exe";
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
    ASSERT_TRUE(Eventually([&] {
        return SendMessageW(Control(u"chkSCOnDesktop").Handle, BM_GETCHECK, 0, 0) == BST_UNCHECKED;
    }));
    ASSERT_NO_FATAL_FAILURE(Install());
    EXPECT_EQ(ToUtf8(ShortcutTarget(slQuickLaunch, installer.displayName)), ToUtf8(dir + u"Karvel.exe"));
    EXPECT_FALSE(Exists(GetShellFolderPath(slDesktop) + u"\\" + installer.displayName + u".lnk"));
    ASSERT_NO_FATAL_FAILURE(SetUncheckedRunOnExit());
    ASSERT_NO_FATAL_FAILURE(Finish());
    EXPECT_EQ(setup_->Wait(WaitMs), 0u);
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
    const std::u16string blocker = Work + u"blocker";
    PutFile(blocker, "a file where a folder should be");
    for (const std::u16string& folder : {blocker + u"\\Karvel", std::u16string(u"C:\\Lumen. ."),
                                         std::u16string(u"C:\\Windows\\..\\Lumen3")}) {
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
    EXPECT_TRUE(RegReadStringValue(HKEY_LOCAL_MACHINE, UninstallRoot + u"Orvane画图", u"DisplayName").empty());
    Click(Control(u"btnClose"));
    EXPECT_EQ(setup_->Wait(WaitMs), 0u);
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
    EXPECT_TRUE(RegReadStringValue(HKEY_LOCAL_MACHINE, UninstallRoot + u"Orvane画图", u"DisplayName").empty());
    Click(Control(u"btnClose"));
    EXPECT_EQ(setup_->Wait(WaitMs), 0u);
}

// Faults while installing over an earlier installation: the failure message, every file
// the failure had not reached as it was (and the user's own file untouched), and a retry
// that succeeds once the cause is gone. The installer writes Setup.stp, then Karvel.exe,
// readme.txt and data\palette.txt in that order.
class FaultsWhileInstalling : public SetupEndToEnd {
protected:
    // The fault drives back as they were, whatever the test reached.
    void TearDown() override {
        setup_.reset();
        if (HaveFaultDrives()) {
            RemountReadOnlyDrive(u"writable");
            RemoveTree(u"F:\\Karvel");
            DeleteFileW(L"F:\\filler.bin");
            RemoveTree(u"G:\\Karvel");
            RemoveDirectoryW(L"G:\\probe");
        }
        SetupEndToEnd::TearDown();
    }

    struct OldFile {
        const char16_t* name;
        const char* content;
    };
    static constexpr OldFile OldFiles[] = {
        {u"Karvel.exe", "old program"},
        {u"readme.txt", "old readme"},
        {u"data\\palette.txt", "old palette"},
        {u"notes.txt", "the user's own notes"},
    };

    static void PlaceOldInstallation(const std::u16string& dir) {
        ASSERT_EQ(SHCreateDirectoryExW(nullptr, ToWide(dir + u"data").c_str(), nullptr), ERROR_SUCCESS);
        for (const OldFile& file : OldFiles) PutFile(dir + file.name, file.content);
    }

    // The old files from `first` on, as they were.
    static void ExpectOldFilesFrom(const std::u16string& dir, const char16_t* first) {
        bool reached = false;
        for (const OldFile& file : OldFiles) {
            reached = reached || std::u16string(file.name) == first;
            if (reached) {
                EXPECT_TRUE(ReadAll(dir + file.name) == file.content) << ToUtf8(file.name) << " changed";
            }
        }
    }

    // Installs again, now that the cause is gone: the new files, the user's file kept.
    void RetrySucceeds(const std::u16string& dir) {
        ASSERT_NO_FATAL_FAILURE(Install());
        ExpectInstalledFiles(dir);
        EXPECT_EQ(ReadAll(dir + u"notes.txt"), "the user's own notes");
        EXPECT_EQ(ToUtf8(RegReadStringValue(HKEY_LOCAL_MACHINE, UninstallRoot + u"Orvane画图", u"DisplayIcon")),
                  ToUtf8(dir + u"Karvel.exe"));
        ASSERT_NO_FATAL_FAILURE(SetUncheckedRunOnExit());
        ASSERT_NO_FATAL_FAILURE(Finish());
        EXPECT_EQ(setup_->Wait(WaitMs), 0u);
    }

    void StartOnFolder(const std::u16string& dir) {
        ASSERT_NO_FATAL_FAILURE(Start(Chinese()));
        ASSERT_NO_FATAL_FAILURE(WalkToFolderPage());
        ASSERT_NO_FATAL_FAILURE(SetFolder(dir));
    }

    // run.sh says so when it has mounted F: and G: and answers remount requests.
    static bool HaveFaultDrives() { return std::getenv("STP_E2E_FAULT_DRIVES") != nullptr; }

    // Asks run.sh to remount G: ("readonly" or "writable") and waits for the outcome.
    static void RemountReadOnlyDrive(const std::u16string& how) {
        const std::u16string control = u"C:\\stp-e2e-control\\";
        DeleteFileW(ToWide(control + how + u".done").c_str());
        PutFile(control + how + u".request", "");
        ASSERT_TRUE(Eventually([&] { return Exists(control + how + u".done"); })) << "run.sh did not answer";
        const std::string answer = ReadAll(control + how + u".done");
        EXPECT_EQ(answer.substr(0, 2), "0\n") << "mount failed: " << answer;
        DeleteFileW(ToWide(control + how + u".done").c_str());
    }

    // The size of the package the demo installer carries.
    static std::uint64_t PackageSize() {
        HMODULE module = LoadLibraryExW(ToWide(BinDir() + u"Karvel-3.40-setup.exe").c_str(), nullptr,
                                        LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
        if (!module) return 0;
        HRSRC resource = FindResourceW(module, L"SetupPackage", L"StpFile");
        const std::uint64_t size = resource ? SizeofResource(module, resource) : 0;
        FreeLibrary(module);
        return size;
    }

    // Fills the drive of `root` until `keep` bytes are free, with real data: a tmpfs
    // does not count the holes of a sparse file.
    static void FillDrive(const std::u16string& root, const std::u16string& filler, std::uint64_t keep) {
        ULARGE_INTEGER free{};
        ASSERT_TRUE(GetDiskFreeSpaceExW(ToWide(root).c_str(), &free, nullptr, nullptr));
        ASSERT_GT(free.QuadPart, keep);
        std::ofstream out(std::filesystem::path(ToWide(filler)), std::ios::binary);
        const std::string block(4096, 'x');
        for (std::uint64_t left = free.QuadPart - keep; left >= block.size() && out; left -= block.size())
            out.write(block.data(), static_cast<std::streamsize>(block.size()));
        ASSERT_TRUE(out.flush()) << "could not fill the drive";
    }
};

// The installed program's folder with readme.txt open in another program without
// sharing: Karvel.exe before it is replaced, readme.txt and what follows are not touched.
TEST_F(FaultsWhileInstalling, AFileHeldOpenElsewhereFailsUntilItIsClosed) {
    const std::u16string dir = u"C:\\Apps\\Held\\";
    ASSERT_NO_FATAL_FAILURE(PlaceOldInstallation(dir));
    std::unique_ptr<void, decltype(&CloseHandle)> held(
        CreateFileW(ToWide(dir + u"readme.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                    FILE_ATTRIBUTE_NORMAL, nullptr),
        &CloseHandle);
    ASSERT_NE(held.get(), INVALID_HANDLE_VALUE);
    ASSERT_NO_FATAL_FAILURE(StartOnFolder(dir));
    ASSERT_NO_FATAL_FAILURE(InstallFails());
    held.reset();
    EXPECT_TRUE(ReadAll(dir + u"Karvel.exe") == ReadAll(BinDir() + u"Karvel.exe")) << "Karvel.exe not replaced";
    ExpectOldFilesFrom(dir, u"readme.txt");
    RetrySucceeds(dir);
}

// F: filled so that Setup.stp fits and Karvel.exe does not: the files after Karvel.exe
// are as they were; freeing the space lets the retry through.
TEST_F(FaultsWhileInstalling, AFullDriveFailsUntilSpaceIsFreed) {
    if (!HaveFaultDrives()) GTEST_SKIP() << "run.sh could not mount the fault drives";
    const std::u16string dir = u"F:\\Karvel\\";
    ASSERT_NO_FATAL_FAILURE(PlaceOldInstallation(dir));
    const std::uint64_t package = PackageSize();
    ASSERT_GT(package, 0u);
    const std::uint64_t program = FileSize(BinDir() + u"Karvel.exe");
    ASSERT_GT(program, 0u);
    const std::u16string filler = u"F:\\filler.bin";
    ASSERT_NO_FATAL_FAILURE(FillDrive(u"F:\\", filler, package + program / 2));

    ASSERT_NO_FATAL_FAILURE(StartOnFolder(dir));
    ASSERT_NO_FATAL_FAILURE(InstallFails());
    // It stopped at Karvel.exe: the package written whole, the program begun.
    EXPECT_EQ(FileSize(dir + u"Setup.stp"), package);
    EXPECT_NE(ReadAll(dir + u"Karvel.exe"), "old program");
    ExpectOldFilesFrom(dir, u"readme.txt");

    ASSERT_TRUE(DeleteFileW(ToWide(filler).c_str()));
    RetrySucceeds(dir);
}

// G: turned read-only under an earlier installation: nothing can be written, so every
// file is as it was; writable again, the retry goes through.
TEST_F(FaultsWhileInstalling, AReadOnlyDriveFailsUntilItIsWritable) {
    if (!HaveFaultDrives()) GTEST_SKIP() << "run.sh could not mount the fault drives";
    const std::u16string dir = u"G:\\Karvel\\";
    ASSERT_NO_FATAL_FAILURE(PlaceOldInstallation(dir));
    ASSERT_NO_FATAL_FAILURE(RemountReadOnlyDrive(u"readonly"));
    ASSERT_FALSE(CreateDirectoryW(L"G:\\probe", nullptr)) << "G: is still writable";

    ASSERT_NO_FATAL_FAILURE(StartOnFolder(dir));
    ASSERT_NO_FATAL_FAILURE(InstallFails());
    ExpectOldFilesFrom(dir, u"Karvel.exe");
    EXPECT_FALSE(Exists(dir + u"Setup.stp"));

    ASSERT_NO_FATAL_FAILURE(RemountReadOnlyDrive(u"writable"));
    RetrySucceeds(dir);
}

// The antivirus program the installed program cannot run beside, as a process named
// KXETRAY.EXE (a copy of Wine's Notepad, which merely waits).
class AntivirusRunning : public SetupEndToEnd {
protected:
    void SetUp() override {
        SetupEndToEnd::SetUp();
        wchar_t system[MAX_PATH] = {};
        GetSystemDirectoryW(system, MAX_PATH);
        const std::u16string copy = Work + u"KXETRAY.EXE";
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
    HWND notice = FindTopWindow(u"温馨提示 - " + label, WaitMs);
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
    ASSERT_NO_THROW(AwaitPostedMessages(FindControl(notice, u"Button1"), WaitMs));
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
    HWND notice = FindTopWindow(u"温馨提示 - Orvane画图", WaitMs);
    ASSERT_NE(notice, nullptr) << "no notice";
    Click(FindControl(notice, u"Button2"));
    ExpectEndsWithoutLaunching();
}


// The demo product as another vendor ships it (tests/e2e/vendor): its maker folder, its
// publisher, its own agreements, no antivirus notice, a Start menu entry and the full
// uninstall entry, in each text mode; "auto" follows the user's display language.
struct VendorMode {
    const char* name;
    const char16_t* file;
    int mode;  // -1: auto
};

class VendorProduct : public SetupEndToEnd, public ::testing::WithParamInterface<VendorMode> {
protected:
    static int ExpectedMode(int mode) {
        if (mode >= 0) return mode;
        return PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_CHINESE ? 0 : 2;
    }

    // The version resource's string Name of the installer File, in its only string table.
    static std::u16string VersionString(const std::u16string& file, const std::u16string& block,
                                        const std::u16string& name) {
        DWORD unused = 0;
        std::vector<BYTE> data(GetFileVersionInfoSizeW(ToWide(file).c_str(), &unused));
        if (data.empty() || !GetFileVersionInfoW(ToWide(file).c_str(), 0, static_cast<DWORD>(data.size()), data.data()))
            return u"(no version resource)";
        void* value = nullptr;
        UINT length = 0;
        const std::wstring path = L"\\StringFileInfo\\" + ToWide(block) + L"\\" + ToWide(name);
        if (!VerQueryValueW(data.data(), path.c_str(), &value, &length) || !value) return u"(no " + name + u")";
        return FromWide(static_cast<const wchar_t*>(value));
    }

    static std::vector<std::u16string> Lines(const std::u16string& text) {
        std::vector<std::u16string> lines;
        std::u16string line;
        for (char16_t c : text) {
            if (c == u'\r') continue;
            if (c == u'\n') {
                lines.push_back(line);
                line.clear();
            } else {
                line += c;
            }
        }
        if (!line.empty()) lines.push_back(line);
        return lines;
    }
};

TEST_P(VendorProduct, InstallsAndUninstallsAsTheVendorSays) {
    const VendorMode& variant = GetParam();
    const int mode = ExpectedMode(variant.mode);
    const bool chinese = mode == 0;
    const std::u16string name = chinese ? u"Orvane画图" : u"Orvane Karvel";
    const Installer installer{variant.name, variant.file, mode, name,
                              (chinese ? u"安装向导 - " : u"Setup - ") + name,
                              chinese ? ChineseWizardTexts(name, u"3.40", u"6 MB")
                                      : EnglishWizardTexts(name, u"3.40", u"6 MB")};
    // The antivirus program the Chinese wizard would otherwise warn about.
    wchar_t system[MAX_PATH] = {};
    GetSystemDirectoryW(system, MAX_PATH);
    ASSERT_TRUE(CopyFileW((std::wstring(system) + L"\\notepad.exe").c_str(), ToWide(Work + u"KXETRAY.EXE").c_str(), FALSE));
    const Process antivirus(Work + u"KXETRAY.EXE");
    ASSERT_TRUE(Eventually([] { return IsRunning(u"kxetray.exe"); }));

    ASSERT_NO_FATAL_FAILURE(Start(installer));
    Click(Control(u"btnNext"));
    ASSERT_TRUE(Eventually([&] { return Showing(u"pnlStep2"); }));
    const std::u16string licence = SourceDir() + (chinese ? u"tests\\e2e\\vendor\\eula-zh.txt" : u"tests\\e2e\\vendor\\eula-en.txt");
    EXPECT_EQ(Lines(Control(u"Memo2").Text), Lines(FromUtf8(ReadAll(licence))));
    Click(Control(u"btnNext"));
    ASSERT_TRUE(Eventually([&] { return Showing(u"pnlStep3"); }));
    const std::u16string dir = u"C:\\Program Files\\Hollin Works\\Karvel\\";
    EXPECT_EQ(ToUtf8(Control(u"editSetupDir").Text), ToUtf8(dir.substr(0, dir.size() - 1)));
    ASSERT_NO_FATAL_FAILURE(Install());
    ASSERT_NO_FATAL_FAILURE(Finish());
    ExpectLaunches(dir);  // no notice, whatever the text set
    ExpectInstalledFiles(dir);

    const std::u16string startMenu = CommonProgramsFolder() + u"\\" + name + u".lnk";
    ASSERT_TRUE(Exists(startMenu)) << ToUtf8(startMenu);
    EXPECT_EQ(ToUtf8(ReadShortcutTarget(startMenu)), ToUtf8(dir + u"Karvel.exe"));

    const std::u16string key = UninstallRoot + name;
    const std::pair<const char16_t*, std::u16string> values[] = {
        {u"DisplayIcon", dir + u"Karvel.exe"},
        {u"DisplayName", name},
        {u"DisplayVersion", u"3.40"},
        {u"Publisher", chinese ? u"霍林工作室" : u"Hollin Works Ltd."},
        {u"URLInfoAbout", chinese ? u"http://www.orvane.cn/" : u"http://www.orvane.com/"},
        {u"UninstallString", u"\"" + dir + u"Uninst.exe\""},
        {u"QuietUninstallString", u"\"" + dir + u"Uninst.exe\" /S"},
        {u"InstallLocation", dir.substr(0, dir.size() - 1)},
    };
    for (const auto& [value, text] : values)
        EXPECT_EQ(ToUtf8(RegReadStringValue(HKEY_LOCAL_MACHINE, key, value)), ToUtf8(text)) << ToUtf8(value);
    std::uint64_t bytes = 0;
    for (const char16_t* file : {u"Karvel.exe", u"readme.txt", u"data\\palette.txt", u"Uninst.exe"})
        bytes += FileSize(dir + file);
    const std::pair<const wchar_t*, DWORD> numbers[] = {
        {L"EstimatedSize", static_cast<DWORD>((bytes + 1023) / 1024)}, {L"NoModify", 1}, {L"NoRepair", 1}};
    for (const auto& [value, number] : numbers) {
        DWORD data = 0, size = sizeof data, type = 0;
        ASSERT_EQ(RegGetValueW(HKEY_LOCAL_MACHINE, ToWide(key).c_str(), value, RRF_RT_ANY, &type, &data, &size),
                  ERROR_SUCCESS)
            << value;
        EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD)) << value;
        EXPECT_EQ(data, number) << value;
    }

    // The installer's version resource, as Explorer reads it.
    const std::u16string setup = BinDir() + variant.file;
    const std::u16string block = chinese ? u"080404B0" : u"040904B0";
    EXPECT_EQ(ToUtf8(VersionString(setup, block, u"ProductName")), ToUtf8(name));
    EXPECT_EQ(ToUtf8(VersionString(setup, block, u"CompanyName")), chinese ? "霍林工作室" : "Hollin Works Ltd.");
    EXPECT_EQ(ToUtf8(VersionString(setup, block, u"FileDescription")),
              ToUtf8(name + (chinese ? u" 安装程序" : u" Setup")));
    EXPECT_EQ(ToUtf8(VersionString(setup, block, u"ProductVersion")), "3.40");
    DWORD unused = 0;
    std::vector<BYTE> data(GetFileVersionInfoSizeW(ToWide(setup).c_str(), &unused));
    ASSERT_TRUE(GetFileVersionInfoW(ToWide(setup).c_str(), 0, static_cast<DWORD>(data.size()), data.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwFileVersionMS, (3u << 16) | 40u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0u);

    // The quiet uninstall command removes everything, the vendor's maker folder and the
    // Start menu entry too.
    CloseKarvel();
    test::TestProcess uninstaller(ToWide(dir + u"Uninst.exe"), L"/S");
    EXPECT_EQ(uninstaller.Wait(WaitMs), 0u);
    EXPECT_FALSE(Exists(startMenu));
    EXPECT_TRUE(RegReadStringValue(HKEY_LOCAL_MACHINE, key, u"DisplayName").empty());
    EXPECT_TRUE(Eventually([] { return !Exists(u"C:\\Program Files\\Hollin Works"); })) << "the maker folder stays";
}

INSTANTIATE_TEST_SUITE_P(TextModes, VendorProduct,
                         ::testing::Values(VendorMode{"Chinese", u"Vendor-setup-0.exe", 0},
                                           VendorMode{"English", u"Vendor-setup-2.exe", 2},
                                           VendorMode{"Auto", u"Vendor-setup-auto.exe", -1}),
                         [](const auto& info) { return std::string(info.param.name); });

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
    EXPECT_EQ(setup_->Wait(WaitMs), 0u);
}

// The vendor's product made with Unattended = yes, installed the way deployment tools
// run it: the command line, no person, the exit code and the log.
class Deploying : public SetupEndToEnd {
protected:
    static inline const std::u16string Log = Work + u"setup.log";
    static inline const std::u16string Default = u"C:\\Program Files\\Hollin Works\\Karvel\\";
    static inline const std::u16string Name = u"Orvane Karvel";

    void TearDown() override {
        RemoveTree(u"C:\\Deploy Here");
        DeleteFileW(ToWide(PublicDesktopLink()).c_str());
        SetupEndToEnd::TearDown();
    }

    static std::u16string PublicDesktopLink() {
        PWSTR path = nullptr;
        std::u16string folder;
        if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_PublicDesktop, 0, nullptr, &path))) folder = FromWide(path);
        CoTaskMemFree(path);
        return folder + u"\\" + Name + u".lnk";
    }

    // Runs the English vendor installer with Arguments to its end, watching the whole run
    // for the top-level windows its process shows; their window classes are kept.
    DWORD RunInstaller(const std::u16string& arguments, const std::u16string& file = u"Vendor-setup-2.exe") {
        test::TestProcess setup(ToWide(BinDir() + file), ToWide(arguments));
        shown_.clear();
        const DWORD id = setup.Id();
        for (int i = 0; i < 6000 && WaitForSingleObject(setup.Handle(), 5) == WAIT_TIMEOUT; ++i) {
            struct Seen {
                DWORD id;
                std::vector<std::u16string>* classes;
            } seen{id, &shown_};
            EnumWindows(
                [](HWND window, LPARAM data) -> BOOL {
                    auto* s = reinterpret_cast<Seen*>(data);
                    DWORD owner = 0;
                    GetWindowThreadProcessId(window, &owner);
                    if (owner != s->id || !IsWindowVisible(window)) return TRUE;
                    wchar_t name[256] = {};
                    GetClassNameW(window, name, 256);
                    if (std::find(s->classes->begin(), s->classes->end(), FromWide(name)) == s->classes->end())
                        s->classes->push_back(FromWide(name));
                    return TRUE;
                },
                reinterpret_cast<LPARAM>(&seen));
        }
        return setup.Wait(WaitMs);
    }

    static std::string Shown(const std::vector<std::u16string>& classes) {
        std::string text;
        for (const auto& c : classes) text += ToUtf8(c) + " ";
        return text;
    }

    static std::string LogText() { return Exists(Log) ? ReadAll(Log) : "(no log)"; }

    void ExpectNothingWritten() {
        EXPECT_FALSE(Exists(u"C:\\Program Files\\Hollin Works"));
        for (const char16_t* folder : {u"C:\\Lumen", u"C:\\Lumen3", u"C:\\Lumen. ."})
            EXPECT_FALSE(Exists(folder)) << ToUtf8(folder);
        EXPECT_FALSE(Exists(u"C:\\Deploy Here"));
        EXPECT_TRUE(RegReadStringValue(HKEY_LOCAL_MACHINE, UninstallRoot + Name, u"DisplayName").empty());
    }

    std::vector<std::u16string> shown_;
};

// /S /D= with spaces: no window ever, the files, the shortcut on every user's desktop,
// the Start menu entry, the entry with its quiet uninstall command, the log; then that
// command removes everything.
TEST_F(Deploying, SilentlyItInstallsWhereToldWithNoWindowAndLogsEachStep) {
    const std::u16string dir = u"C:\\Deploy Here\\Product\\";
    EXPECT_EQ(RunInstaller(u"/S /LOG=" + Log + u" /D=C:\\Deploy Here\\Product"), DWORD(ecSuccess)) << LogText();
    EXPECT_TRUE(shown_.empty()) << "windows shown: " << Shown(shown_);
    ExpectInstalledFiles(dir);
    ASSERT_TRUE(Exists(PublicDesktopLink())) << ToUtf8(PublicDesktopLink());
    EXPECT_EQ(ToUtf8(ReadShortcutTarget(PublicDesktopLink())), ToUtf8(dir + u"Karvel.exe"));
    EXPECT_TRUE(Exists(CommonProgramsFolder() + u"\\" + Name + u".lnk"));
    const std::u16string key = UninstallRoot + Name;
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
    EXPECT_EQ(uninstaller.Wait(WaitMs), DWORD(ecSuccess));
    EXPECT_FALSE(Exists(PublicDesktopLink()));
    EXPECT_FALSE(Exists(CommonProgramsFolder() + u"\\" + Name + u".lnk"));
    EXPECT_TRUE(RegReadStringValue(HKEY_LOCAL_MACHINE, key, u"DisplayName").empty());
    EXPECT_TRUE(Eventually([&] { return !Exists(dir); })) << "the installation folder stays";
}

// /P: the small progress window and nothing else; the defaults of the wizard.
TEST_F(Deploying, PassivelyOnlyTheProgressWindowShows) {
    EXPECT_EQ(RunInstaller(u"/P"), DWORD(ecSuccess));
    EXPECT_FALSE(shown_.empty()) << "no progress window";
    for (const std::u16string& shown : shown_) EXPECT_EQ(ToUtf8(shown), "StpProgressWindow");
    ExpectInstalledFiles(Default);
    EXPECT_EQ(ToUtf8(ShortcutTarget(slDesktop, Name)), ToUtf8(Default + u"Karvel.exe"));
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
        DeleteFileW(ToWide(Log).c_str());
        EXPECT_EQ(RunInstaller(u"/LOG=" + Log + u" " + c.arguments), DWORD(c.code)) << ToUtf8(c.arguments);
        EXPECT_TRUE(shown_.empty()) << ToUtf8(c.arguments) << ": windows shown: " << Shown(shown_);
        EXPECT_NE(LogText().find(c.logged), std::string::npos) << ToUtf8(c.arguments) << "\n" << LogText();
        ExpectNothingWritten();
    }

    // The program running.
    const Process karvel(BinDir() + u"Karvel.exe");
    ASSERT_NE(FindTopWindow(u"Karvel", WaitMs), nullptr);
    DeleteFileW(ToWide(Log).c_str());
    EXPECT_EQ(RunInstaller(u"/S /LOG=" + Log), DWORD(ecProgramRunning));
    EXPECT_TRUE(shown_.empty()) << "windows shown: " << Shown(shown_);
    EXPECT_NE(LogText().find("The program is running"), std::string::npos) << LogText();
    ExpectNothingWritten();
}

// A second installer while the wizard runs ends with 1618; the wizard, cancelled, with 1602.
TEST_F(Deploying, ASecondInstanceEndsAndTheCancelledWizardSaysSo) {
    const Installer installer{"English", u"Vendor-setup-2.exe", 2, Name, u"Setup - " + Name,
                              EnglishWizardTexts(Name, u"3.40", u"6 MB")};
    ASSERT_NO_FATAL_FAILURE(Start(installer));
    EXPECT_EQ(RunInstaller(u"/S"), DWORD(ecAnotherRuns));
    EXPECT_TRUE(shown_.empty()) << "windows shown: " << Shown(shown_);
    Click(Control(u"btnClose"));
    EXPECT_EQ(setup_->Wait(WaitMs), DWORD(ecCancelled));
    ExpectNothingWritten();
}

// A file of the destination another program holds without sharing: 1603, the log names it.
TEST_F(Deploying, AFileHeldOpenFailsAndTheLogNamesIt) {
    const std::u16string dir = u"C:\\Apps\\Held\\";
    std::filesystem::create_directories(std::filesystem::path(ToWide(dir)));
    PutFile(dir + u"readme.txt", "an earlier readme");
    std::unique_ptr<void, decltype(&CloseHandle)> held(
        CreateFileW(ToWide(dir + u"readme.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                    FILE_ATTRIBUTE_NORMAL, nullptr),
        &CloseHandle);
    ASSERT_NE(held.get(), INVALID_HANDLE_VALUE);
    EXPECT_EQ(RunInstaller(u"/S /LOG=" + Log + u" /D=" + dir), DWORD(ecFailed));
    EXPECT_TRUE(shown_.empty()) << "windows shown: " << Shown(shown_);
    const std::string log = LogText();
    EXPECT_NE(log.find("Unpacking failed:"), std::string::npos) << log;
    EXPECT_NE(log.find(ToUtf8(dir + u"readme.txt")), std::string::npos) << log;
    EXPECT_NE(log.find("Exit code 1603"), std::string::npos) << log;
}

// Without Unattended = yes the command line is not read: /S shows the wizard, as always.
TEST_F(Deploying, WithoutTheSettingSlashSShowsTheWizard) {
    test::TestProcess setup(ToWide(BinDir() + u"Karvel-3.40-setup-en.exe"), L"/S /D=C:\\Deploy Here");
    const HWND wizard = FindTopWindow(u"Setup - Orvane Karvel", WaitMs);
    ASSERT_NE(wizard, nullptr) << "no wizard";
    // Nor is /D= read: the folder page proposes its own folder.
    for (const char16_t* page : {u"pnlStep2", u"pnlStep3"}) {
        Click(FindControl(wizard, u"btnNext"));
        ASSERT_TRUE(Eventually([&] { return FindControl(wizard, page).Showing; }));
    }
    EXPECT_EQ(ToUtf8(FindControl(wizard, u"editSetupDir").Text), "C:\\Program Files\\Orvane Soft\\Karvel");
    Click(FindControl(wizard, u"btnClose"));
    EXPECT_EQ(setup.Wait(WaitMs), 0u);
    EXPECT_FALSE(Exists(u"C:\\Deploy Here"));
}

// The uninstaller the uninstall entry names, as the system's "Uninstall" button starts it.
// The installer runs as administrator; a destination outside Program Files is a place
// any user may have prepared. Wine has no access control, and keeps a descriptor only as
// the Unix mode it maps to (the owner's rights and everyone's): so what a user could
// change is shown with everyone's rights set by the test, and what the installer set is
// read back as no right for everyone at all (a folder made plainly has everyone read it).
class ElevatedInstall : public Deploying {
protected:
    static inline const std::u16string Lumen = u"C:\\Lumen\\";
    // Stands for what only administrators may change.
    static inline const std::u16string Guarded = Work + u"guarded\\";

    void SetUp() override {
        Deploying::SetUp();
        CreateDirectoryW(ToWide(Guarded).c_str(), nullptr);
        PutFile(Guarded + u"palette.txt", "guarded palette");
        PutFile(Guarded + u"readme.txt", "guarded readme");
    }
    void TearDown() override {
        RemoveTree(u"C:\\Lumen");
        RegDeleteKeyW(HKEY_LOCAL_MACHINE, ToWide(UninstallRoot + Name).c_str());
        Deploying::TearDown();
    }

    void ExpectGuardedUntouched() {
        EXPECT_EQ(ReadAll(Guarded + u"palette.txt"), "guarded palette");
        EXPECT_EQ(ReadAll(Guarded + u"readme.txt"), "guarded readme");
    }

    // A folder made with Sddl's descriptor, as a user (or the test standing for one) made it.
    static void MakeFolderWith(const std::u16string& folder, const wchar_t* sddl) {
        PSECURITY_DESCRIPTOR descriptor = nullptr;
        ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &descriptor, nullptr));
        // Set once it is made: Wine maps only a descriptor set on an existing folder to its mode.
        const BOOL made = CreateDirectoryW(ToWide(folder).c_str(), nullptr) &&
                          SetFileSecurityW(ToWide(folder).c_str(), DACL_SECURITY_INFORMATION, descriptor);
        LocalFree(descriptor);
        ASSERT_TRUE(made) << ToUtf8(folder);
    }

    // The folder's owner and permissions as the system reads them back.
    static std::string Descriptor(const std::u16string& folder) {
        PSECURITY_DESCRIPTOR descriptor = nullptr;
        if (GetNamedSecurityInfoW(ToWide(folder).c_str(), SE_FILE_OBJECT,
                                  OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, nullptr, nullptr, nullptr,
                                  nullptr, &descriptor) != ERROR_SUCCESS)
            return "(unreadable)";
        wchar_t* text = nullptr;
        ConvertSecurityDescriptorToStringSecurityDescriptorW(
            descriptor, SDDL_REVISION_1, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &text, nullptr);
        const std::string sddl = text ? ToUtf8(FromWide(text)) : "(none)";
        LocalFree(text);
        LocalFree(descriptor);
        return sddl;
    }

    // Whether the folder grants everyone anything, as Wine reads back a descriptor.
    static bool EveryoneMayAccess(const std::u16string& folder) {
        return Descriptor(folder).find(";WD)") != std::string::npos;
    }

    // Everyone may change it: other accounts than the administrators'.
    static inline const wchar_t* OthersMayChange = L"D:(A;OICI;FA;;;BA)(A;OICI;0x1301bf;;;WD)";
};

// A user's link at a name the package writes (a folder, a file, Setup.stp) refuses the
// install, naming it; what the link leads to stays as it was.
TEST_F(ElevatedInstall, ALinkAUserPutInTheDestinationIsNeverWrittenThrough) {
    const struct {
        const char16_t* name;
        std::u16string target;
    } cases[] = {
        {u"data", Guarded},
        {u"readme.txt", Guarded + u"readme.txt"},
        {u"Setup.stp", Guarded + u"palette.txt"},
    };
    for (const auto& c : cases) {
        CreateDirectoryW(ToWide(Lumen).c_str(), nullptr);
        ASSERT_NO_FATAL_FAILURE(AskRunScript(u"link", {c.target, Lumen + c.name}));
        DeleteFileW(ToWide(Log).c_str());
        EXPECT_EQ(RunInstaller(u"/S /LOG=" + Log + u" /D=C:\\Lumen"), DWORD(ecFailed)) << ToUtf8(c.name);
        ExpectGuardedUntouched();
        EXPECT_TRUE(Exists(Guarded + u"palette.txt")) << ToUtf8(c.name);
        EXPECT_NE(LogText().find(ToUtf8(u"C:\\Lumen\\" + std::u16string(c.name))), std::string::npos) << LogText();
        EXPECT_NE(LogText().find("link"), std::string::npos) << LogText();
        ASSERT_NO_FATAL_FAILURE(AskRunScript(u"unlink", {Lumen + c.name}));
        RemoveTree(u"C:\\Lumen");
    }
}

// Folders it makes outside Program Files: only the system and administrators may change
// them, from the moment they are made.
TEST_F(ElevatedInstall, FoldersItMakesOutsideProgramFilesOnlyAdministratorsMayChange) {
    EXPECT_EQ(RunInstaller(u"/S /LOG=" + Log + u" /D=C:\\Lumen\\App"), DWORD(ecSuccess)) << LogText();
    ExpectInstalledFiles(Lumen + u"App\\");
    CreateDirectoryW(L"C:\\Lumen\\Plain", nullptr);
    ASSERT_TRUE(EveryoneMayAccess(u"C:\\Lumen\\Plain")) << Descriptor(u"C:\\Lumen\\Plain");
    EXPECT_FALSE(EveryoneMayAccess(u"C:\\Lumen")) << Descriptor(u"C:\\Lumen");
    EXPECT_FALSE(EveryoneMayAccess(u"C:\\Lumen\\App")) << Descriptor(u"C:\\Lumen\\App");
}

// An existing destination that others may change is refused with code 3 and nothing
// written; the product's own earlier installation there is taken over and reset.
TEST_F(ElevatedInstall, AFolderOthersMayChangeIsRefusedUnlessItIsTheProductsOwn) {
    ASSERT_NO_FATAL_FAILURE(MakeFolderWith(u"C:\\Lumen", OthersMayChange));
    EXPECT_EQ(RunInstaller(u"/S /LOG=" + Log + u" /D=C:\\Lumen"), DWORD(ecFolderRefused)) << LogText();
    EXPECT_NE(LogText().find("may change the folder 'C:\\Lumen' (Everyone)"), std::string::npos) << LogText();
    EXPECT_FALSE(Exists(Lumen + u"Karvel.exe"));
    EXPECT_FALSE(Exists(Lumen + u"Setup.stp"));

    // As an installation made before folders were checked left it, with a file another
    // account put beside it.
    PutFile(Lumen + u"planted.dll", "someone else's library");
    ASSERT_TRUE(RegCreateKeyPath(HKEY_LOCAL_MACHINE, UninstallRoot + Name));
    ASSERT_TRUE(RegWriteStringValue(HKEY_LOCAL_MACHINE, UninstallRoot + Name, u"UninstallString",
                                    u"\"C:\\Lumen\\Uninst.exe\""));
    EXPECT_EQ(RunInstaller(u"/S /LOG=" + Log + u" /D=C:\\Lumen"), DWORD(ecSuccess)) << LogText();
    ExpectInstalledFiles(Lumen);
    EXPECT_FALSE(EveryoneMayAccess(u"C:\\Lumen")) << Descriptor(u"C:\\Lumen");
    EXPECT_NE(LogText().find("Not of this package, in the folder taken over: C:\\Lumen\\planted.dll"), std::string::npos)
        << LogText();
    EXPECT_EQ(LogText().find("taken over: C:\\Lumen\\Karvel.exe"), std::string::npos) << LogText();
}

// Silently, without /D=, an earlier shortcut is followed only into Program Files: a user
// may have made one that leads to a folder of theirs.
TEST_F(ElevatedInstall, SilentlyAnEarlierShortcutOutsideProgramFilesIsNotFollowed) {
    CreateDirectoryW(ToWide(Lumen).c_str(), nullptr);
    PutFile(Lumen + u"Karvel.exe", "a user's program");
    CreateShortcut(Lumen + u"Karvel.exe", u"", Name, slDesktop, u"");
    ASSERT_EQ(ToUtf8(ShortcutTarget(slDesktop, Name)), ToUtf8(Lumen + u"Karvel.exe"));
    EXPECT_EQ(RunInstaller(u"/S /LOG=" + Log), DWORD(ecSuccess)) << LogText();
    ExpectInstalledFiles(Default);
    EXPECT_EQ(ReadAll(Lumen + u"Karvel.exe"), "a user's program");
}

// In the wizard, the user is asked before such a folder is taken over: No keeps the
// folder page and writes nothing, Yes installs into it, reset.
TEST_F(ElevatedInstall, TheWizardAsksBeforeItTakesAFolderOver) {
    ASSERT_NO_FATAL_FAILURE(MakeFolderWith(u"C:\\Lumen", OthersMayChange));
    const Installer installer{"English", u"Vendor-setup-2.exe", 2, Name, u"Setup - " + Name,
                              EnglishWizardTexts(Name, u"3.40", u"6 MB")};
    ASSERT_NO_FATAL_FAILURE(Start(installer));
    ASSERT_NO_FATAL_FAILURE(WalkToFolderPage());
    ASSERT_NO_FATAL_FAILURE(SetFolder(u"C:\\Lumen"));
    for (const char16_t* answer : {u"No", u"Yes"}) {
        ASSERT_TRUE(Eventually([&] { return Control(u"btnNext").Enabled; }));
        Click(Control(u"btnNext"));
        const auto box = FindMessageBox(setup_->Id(), title_, WaitMs);
        ASSERT_TRUE(box) << "no question";
        EXPECT_NE(box->Text.find(u"\"C:\\Lumen\""), std::u16string::npos) << ToUtf8(box->Text);
        PressButton(*box, answer);
        if (std::u16string(answer) == u"No") {
            Sleep(500);
            EXPECT_TRUE(Showing(u"pnlStep3"));
            EXPECT_FALSE(Exists(Lumen + u"Setup.stp"));
            EXPECT_FALSE(Exists(Lumen + u"Karvel.exe"));
        }
    }
    ASSERT_TRUE(Eventually([&] { return Showing(u"pnlStep4"); }, 1200)) << "no completion page";
    ExpectInstalledFiles(Lumen);
    EXPECT_FALSE(EveryoneMayAccess(u"C:\\Lumen")) << Descriptor(u"C:\\Lumen");
    ASSERT_NO_FATAL_FAILURE(SetUncheckedRunOnExit());
    ASSERT_NO_FATAL_FAILURE(Finish());
    EXPECT_EQ(setup_->Wait(WaitMs), 0u);
}

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
    static inline const std::u16string Dir = u"C:\\Program Files\\Orvane Soft\\Karvel\\";

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
        ASSERT_EQ(setup_->Wait(WaitMs), 0u);
        ASSERT_TRUE(Exists(Dir + u"Uninst.exe")) << "the package brought no uninstaller";
    }

    // Starts what the uninstall entry names.
    void StartUninstaller(const Installer& installer, const std::u16string& arguments = u"") {
        const std::u16string command =
            RegReadStringValue(HKEY_LOCAL_MACHINE, UninstallRoot + installer.displayName, u"UninstallString");
        ASSERT_EQ(ToUtf8(command), ToUtf8(Dir + u"Uninst.exe"));
        uninstaller_ = std::make_unique<test::TestProcess>(ToWide(command), ToWide(arguments));
    }

    // The uninstaller's message box now: its text; OK (or Cancel) pressed.
    std::u16string Answer(const std::u16string& caption, bool ok = true) {
        const auto box = FindMessageBox(uninstaller_->Id(), caption, WaitMs);
        if (!box) {
            ADD_FAILURE() << "no message box " << ToUtf8(caption);
            return {};
        }
        PostMessageW(box->Handle, WM_COMMAND, ok ? IDOK : IDCANCEL, 0);
        // Gone before the next box is looked for, so that one is not this one.
        EXPECT_TRUE(Eventually([&] { return !IsWindow(box->Handle); })) << "the box stays";
        return box->Text;
    }

    DWORD ExitCode() { return uninstaller_->Wait(WaitMs); }

    // The installation as it was: every file, the shortcut and the uninstall entry.
    void ExpectInstalled(const Installer& installer) {
        ExpectInstalledFiles(Dir);
        EXPECT_TRUE(Exists(Dir + u"Uninst.exe"));
        EXPECT_EQ(ToUtf8(ShortcutTarget(slDesktop, installer.displayName)), ToUtf8(Dir + u"Karvel.exe"));
        ExpectUninstallEntry(installer, Dir);
    }

    // What the installation made is gone, the uninstaller too, once its copy has ended.
    void ExpectRemoved(const Installer& installer) {
        for (const char16_t* file : {u"Karvel.exe", u"readme.txt", u"data\\palette.txt", u"data"})
            EXPECT_FALSE(Exists(Dir + file)) << ToUtf8(file);
        EXPECT_FALSE(Exists(GetShellFolderPath(slDesktop) + u"\\" + installer.displayName + u".lnk"));
        HKEY key = nullptr;
        EXPECT_NE(RegOpenKeyExW(HKEY_LOCAL_MACHINE, ToWide(UninstallRoot + installer.displayName).c_str(), 0, KEY_READ,
                                &key),
                  ERROR_SUCCESS)
            << "the uninstall entry is still there";
        if (key) RegCloseKey(key);
        EXPECT_TRUE(Eventually([] { return !Exists(Dir + u"Uninst.exe"); })) << "Uninst.exe is still there";
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
    PutFile(Dir + u"notes.txt", "the user's own notes");
    // Other entries stay, even one naming the same uninstaller.
    const std::u16string others[] = {UninstallRoot + u"Another Product", UninstallRoot + u"Shares The Folder"};
    RegWriteStringValue(HKEY_LOCAL_MACHINE, others[0], u"UninstallString", u"C:\\Other\\Uninst.exe");
    RegWriteStringValue(HKEY_LOCAL_MACHINE, others[1], u"UninstallString", Dir + u"Uninst.exe");
    ASSERT_NO_FATAL_FAILURE(StartUninstaller(installer));
    const std::u16string caption = u"卸载 - Orvane画图";
    EXPECT_EQ(ToUtf8(Answer(caption)), "您确定要完全移除“Orvane画图”及其所有组件吗？");
    EXPECT_EQ(ToUtf8(Answer(caption)), "“Orvane画图”已成功地从您的计算机中移除。");
    EXPECT_EQ(ExitCode(), 0u);
    ExpectRemoved(installer);
    EXPECT_EQ(ReadAll(Dir + u"notes.txt"), "the user's own notes");
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
    const std::u16string copy = Work + u"Uninst.exe";
    ASSERT_TRUE(CopyFileW(ToWide(Dir + u"Uninst.exe").c_str(), ToWide(copy).c_str(), FALSE));
    PutFile(Work + u"readme.txt", "someone else's readme");
    uninstaller_ = std::make_unique<test::TestProcess>(ToWide(copy), L"/S");
    EXPECT_EQ(ExitCode(), DWORD(ecFolderRefused));
    EXPECT_EQ(ReadAll(Work + u"readme.txt"), "someone else's readme");
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
    const Process karvel(Dir + u"Karvel.exe");
    ASSERT_NE(FindTopWindow(u"Karvel", WaitMs), nullptr);
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
    inUse_ = CreateFileW(ToWide(Dir + u"readme.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(inUse_, INVALID_HANDLE_VALUE);
    ASSERT_NO_FATAL_FAILURE(StartUninstaller(installer));
    const std::u16string caption = u"卸载 - Orvane画图";
    Answer(caption);
    const std::u16string closing = Answer(caption);
    EXPECT_NE(closing.find(Dir + u"readme.txt"), std::u16string::npos) << ToUtf8(closing);
    EXPECT_EQ(ExitCode(), DWORD(ecRestartNeeded));
    EXPECT_TRUE(Exists(Dir + u"readme.txt"));
    EXPECT_FALSE(Exists(Dir + u"Karvel.exe"));
    EXPECT_FALSE(Exists(Dir + u"data"));
    EXPECT_TRUE(Eventually([] { return !Exists(Dir + u"Uninst.exe"); }));
    EXPECT_NE(PendingRenames().find(Dir + u"readme.txt"), std::u16string::npos) << "not scheduled for the restart";
}

// A command prompt open in the installation folder (a program's current folder: read and
// write shared, delete not): everything in it goes, the folder is named and left for the
// restart.
TEST_F(Uninstalling, TheCurrentFolderOfAnotherProgramIsEmptiedAndLeftForTheRestart) {
    const Installer installer = Chinese();
    ASSERT_NO_FATAL_FAILURE(InstallQuietly(installer));
    inUse_ = CreateFileW(ToWide(Dir).c_str(), FILE_LIST_DIRECTORY | SYNCHRONIZE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                         nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    ASSERT_NE(inUse_, INVALID_HANDLE_VALUE);
    ASSERT_NO_FATAL_FAILURE(StartUninstaller(installer));
    const std::u16string caption = u"卸载 - Orvane画图";
    Answer(caption);
    const std::u16string closing = Answer(caption);
    std::u16string folder = Dir;
    while (!folder.empty() && folder.back() == u'\\') folder.pop_back();
    EXPECT_NE(closing.find(folder), std::u16string::npos) << ToUtf8(closing);
    EXPECT_EQ(ExitCode(), DWORD(ecRestartNeeded));
    for (const char16_t* gone : {u"Karvel.exe", u"readme.txt", u"data"}) EXPECT_FALSE(Exists(Dir + gone)) << ToUtf8(gone);
    EXPECT_TRUE(Eventually([] { return !Exists(Dir + u"Uninst.exe"); }));
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
    ASSERT_TRUE(Exists(Dir + u"legacy\\legacy.dat"));
    ASSERT_NO_FATAL_FAILURE(InstallQuietly(earlier));
    EXPECT_FALSE(Exists(Dir + u"Uninst.lst")) << "a reinstall of the same version left a list";
    PutFile(Dir + u"oldsettings.txt", "colour = red\r\n");
    PutFile(Dir + u"mine.txt", "the user's own");

    const Installer current = Chinese();
    ASSERT_NO_FATAL_FAILURE(InstallQuietly(current));
    EXPECT_TRUE(Exists(Dir + u"Uninst.lst")) << "the earlier version's files are not listed";
    ASSERT_NO_FATAL_FAILURE(StartUninstaller(current));
    const std::u16string caption = u"卸载 - Orvane画图";
    Answer(caption);
    const std::u16string closing = Answer(caption);
    EXPECT_NE(closing.find(Dir + u"oldsettings.txt"), std::u16string::npos) << ToUtf8(closing);
    EXPECT_EQ(ExitCode(), 0u);
    ExpectRemoved(current);
    for (const char16_t* file : {u"oldnotes.txt", u"legacy", u"Uninst.lst"})
        EXPECT_FALSE(Exists(Dir + file)) << ToUtf8(file);
    EXPECT_EQ(ReadAll(Dir + u"oldsettings.txt"), "colour = red\r\n");
    EXPECT_EQ(ReadAll(Dir + u"mine.txt"), "the user's own");
}

// A link a user put at the upgrade's list, to a name not yet there: nothing is made
// through it, and the upgrade stands.
TEST_F(Uninstalling, AnUpgradeMakesNothingThroughALinkAtItsList) {
    ASSERT_NO_FATAL_FAILURE(InstallQuietly(Chinese(u"Karvel-setup-v1.exe")));
    const std::u16string target = Work + u"made-through-a-link.txt";
    ASSERT_NO_FATAL_FAILURE(AskRunScript(u"link", {target, Dir + u"Uninst.lst"}));
    ASSERT_NO_FATAL_FAILURE(InstallQuietly(Chinese()));
    EXPECT_FALSE(Exists(target));
    ExpectInstalledFiles(Dir);
    ASSERT_NO_FATAL_FAILURE(AskRunScript(u"unlink", {Dir + u"Uninst.lst"}));
}

// An earlier uninstaller whose file list claims 2 GB: not ours, and the upgrade goes on.
TEST_F(Uninstalling, AnEarlierUninstallerWithADamagedListIsNotOurs) {
    ASSERT_NO_FATAL_FAILURE(InstallQuietly(Chinese(u"Karvel-setup-v1.exe")));
    std::string image = ReadAll(Dir + u"Uninst.exe");
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
    PutFile(Dir + u"Uninst.exe", image);

    ASSERT_NO_FATAL_FAILURE(InstallQuietly(Chinese()));
    ExpectInstalledFiles(Dir);
    EXPECT_FALSE(Exists(Dir + u"Setup.stp"));
}

// A library planted beside the uninstaller under a system library's name that is no
// KnownDLL is never loaded into it.
TEST_F(Uninstalling, ALibraryPlantedBesideItIsNotLoaded) {
    const Installer installer = Chinese();
    ASSERT_NO_FATAL_FAILURE(InstallQuietly(installer));
    const std::u16string mark = Work + u"planted-library-loaded.txt";
    ASSERT_TRUE(CopyFileW(ToWide(BinDir() + u"planted\\bcrypt.dll").c_str(), ToWide(Dir + u"bcrypt.dll").c_str(), FALSE));
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
    DeleteFileW(ToWide(Dir + u"bcrypt.dll").c_str());
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
        ASSERT_TRUE(Eventually([] { return !Exists(Dir + u"Uninst.exe"); }));
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
    inUse_ = CreateFileW(ToWide(Dir + u"readme.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(inUse_, INVALID_HANDLE_VALUE);
    ASSERT_NO_FATAL_FAILURE(StartUninstaller(installer, u"/S"));
    EXPECT_EQ(ExitCode(), DWORD(ecRestartNeeded));
    ASSERT_NE(PendingRenames().find(Dir + u"readme.txt"), std::u16string::npos);
    CloseHandle(inUse_);
    inUse_ = INVALID_HANDLE_VALUE;
    ASSERT_TRUE(Eventually([] { return !Exists(Dir + u"Uninst.exe"); }));
    ASSERT_NO_FATAL_FAILURE(InstallQuietly(installer));
    ExpectInstalled(installer);
    const std::u16string pending = PendingRenames();
    for (const char16_t* file : {u"readme.txt", u"Karvel.exe", u"Uninst.exe", u"data\\palette.txt"})
        EXPECT_EQ(pending.find(Dir + file), std::u16string::npos) << ToUtf8(file) << " still goes at the restart";
}

// A folder of the installation made a link to another folder: the link is not entered,
// the other folder's files stay, and the link is named as kept.
TEST_F(Uninstalling, ALinkInTheInstallationIsNotFollowed) {
    const Installer installer = English();
    ASSERT_NO_FATAL_FAILURE(InstallQuietly(installer));
    const std::u16string other = u"C:\\stp-e2e-other";
    CreateDirectoryW(ToWide(other).c_str(), nullptr);
    PutFile(other + u"\\palette.txt", "someone else's palette");
    ASSERT_NO_FATAL_FAILURE(AskRunScript(u"link", {other, Dir + u"data"}));
    ASSERT_NO_FATAL_FAILURE(StartUninstaller(installer));
    Answer(u"Uninstall - Orvane Karvel");
    const std::u16string closing = Answer(u"Uninstall - Orvane Karvel");
    EXPECT_NE(closing.find(u"so they were kept:\n\n" + Dir + u"data\n"), std::u16string::npos) << ToUtf8(closing);
    EXPECT_EQ(ExitCode(), 0u);
    EXPECT_EQ(ReadAll(other + u"\\palette.txt"), "someone else's palette");
    EXPECT_FALSE(Exists(Dir + u"Karvel.exe"));
    EXPECT_FALSE(Exists(Dir + u"readme.txt"));
    ASSERT_NO_FATAL_FAILURE(AskRunScript(u"unlink", {Dir + u"data"}));
    DeleteFileW(ToWide(other + u"\\palette.txt").c_str());
    RemoveDirectoryW(ToWide(other).c_str());
}

// What the user changed stays and is named: a file edited since it was installed, a
// folder of the user's at a file's name. Nothing of them waits for the restart.
TEST_F(Uninstalling, WhatTheUserChangedStaysAndIsNamed) {
    const Installer installer = Chinese();
    ASSERT_NO_FATAL_FAILURE(InstallQuietly(installer));
    PutFile(Dir + u"readme.txt", "the user's edit");
    ASSERT_TRUE(DeleteFileW(ToWide(Dir + u"data\\palette.txt").c_str()));
    CreateDirectoryW(ToWide(Dir + u"data\\palette.txt").c_str(), nullptr);
    PutFile(Dir + u"data\\palette.txt\\mine.txt", "the user's own");
    ASSERT_NO_FATAL_FAILURE(StartUninstaller(installer));
    const std::u16string caption = u"卸载 - Orvane画图";
    Answer(caption);
    EXPECT_EQ(ToUtf8(Answer(caption)), ToUtf8(u"“Orvane画图”已成功地从您的计算机中移除。\n\n以下项目在安装后已被更改或替换，已保留：\n\n" +
                                              Dir + u"readme.txt\n" + Dir + u"data\\palette.txt\n"));
    EXPECT_EQ(ExitCode(), 0u);
    EXPECT_EQ(ReadAll(Dir + u"readme.txt"), "the user's edit");
    EXPECT_EQ(ReadAll(Dir + u"data\\palette.txt\\mine.txt"), "the user's own");
    EXPECT_FALSE(Exists(Dir + u"Karvel.exe"));
    EXPECT_TRUE(Eventually([] { return !Exists(Dir + u"Uninst.exe"); }));
    EXPECT_EQ(PendingRenames().find(Dir + u"readme.txt"), std::u16string::npos);
    EXPECT_EQ(PendingRenames().find(Dir + u"data"), std::u16string::npos);
}

// Two uninstallers at once: the second, started while the first asks, says it is not
// alone and removes nothing; the first then removes everything.
TEST_F(Uninstalling, TwoAtOnceOneRemovesAndTheOtherSaysSo) {
    const Installer installer = English();
    ASSERT_NO_FATAL_FAILURE(InstallQuietly(installer));
    ASSERT_NO_FATAL_FAILURE(StartUninstaller(installer));
    ASSERT_TRUE(FindMessageBox(uninstaller_->Id(), u"Uninstall - Orvane Karvel", WaitMs)) << "no question";
    test::TestProcess second(ToWide(Dir + u"Uninst.exe"), L"/S");
    EXPECT_EQ(second.Wait(WaitMs), DWORD(ecAnotherRuns));
    ExpectInstalled(installer);
    Answer(u"Uninstall - Orvane Karvel");
    EXPECT_EQ(ToUtf8(Answer(u"Uninstall - Orvane Karvel")), "Orvane Karvel was successfully removed from your computer.");
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
    for (const std::wstring arguments : {L"/cleanup 0 1 \"C:\\stp-e2e-victim\\Uninst.exe\"", L"/cleanup 4 8 12 16 1",
                                         L"/cleanup 4 8 12 0 1", L"/cleanup -1 8 12 0 1",
                                         L"/cleanup 18446744073709551615 8 12 0 1"}) {
        test::TestProcess byHand(ToWide(Dir + u"Uninst.exe"), arguments);
        EXPECT_EQ(byHand.Wait(WaitMs), DWORD(ecFailed));
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

// The log and linked known folders.

// /LOG= naming a hard link to a protected file: the installer writes no other file
// through it, and the install goes on without a log.
TEST_F(Deploying, ALogThatIsAHardLinkWritesNothingThroughIt) {
    const std::u16string guarded = Work + u"protected\\system.ini", log = Work + u"logs\\setup.log";
    CreateDirectoryW(ToWide(Work + u"protected").c_str(), nullptr);
    CreateDirectoryW(ToWide(Work + u"logs").c_str(), nullptr);
    PutFile(guarded, "a protected file");
    ASSERT_TRUE(CreateHardLinkW(ToWide(log).c_str(), ToWide(guarded).c_str(), nullptr));
    EXPECT_EQ(RunInstaller(u"/S \"/LOG=" + log + u"\""), DWORD(ecSuccess));
    EXPECT_EQ(ReadAll(guarded), "a protected file");
    ExpectInstalledFiles(Default);
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
}  // namespace stp
