// What every end-to-end test shares: the built demo installers run as the user runs
// them, in a fresh Wine prefix made by run.sh, driven through their pages with the forms
// driver; the outcome is read back from the disk, the registry, the clipboard and the
// process list. Each test starts from a prefix without an earlier installation. One test
// program; one file a fixture.
#pragma once

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

namespace stp::e2e {

using namespace uidriver;

inline constexpr DWORD kWaitMs = 30000;
inline const std::u16string kUninstallRoot = u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
inline const std::u16string kWork = u"C:\\stp-e2e\\";

// The display scale run.sh set the prefix to (STP_E2E_DPI), 96 DPI without it. This
// program takes it as its own, so that it sees the installer's windows unscaled.
inline int DisplayDpi() {
    static const int dpi = [] {
        SetProcessDPIAware();
        wchar_t value[16] = {};
        return GetEnvironmentVariableW(L"STP_E2E_DPI", value, 16) ? _wtoi(value) : 96;
    }();
    return dpi;
}
[[maybe_unused]] inline const int DpiAware = DisplayDpi();

inline std::u16string BinDir() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring dir(path);
    return FromWide(dir.substr(0, dir.find_last_of(L'\\') + 1));
}

// The source tree as Wine's drive Z: shows it.
inline std::u16string SourceDir() {
    std::u16string dir = u"Z:" + FromUtf8(STP_SOURCE_DIR) + u"\\";
    for (char16_t& c : dir)
        if (c == u'/') c = u'\\';
    return dir;
}

inline std::string ReadAll(const std::u16string& file) {
    std::ifstream in(std::filesystem::path(ToWide(file)), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void PutFile(const std::u16string& path, const std::string& content) {
    std::ofstream(std::filesystem::path(ToWide(path)), std::ios::binary) << content;
}

inline std::uint64_t FileSize(const std::u16string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(ToWide(path).c_str(), GetFileExInfoStandard, &data)) return 0;
    return (std::uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
}

inline bool Exists(const std::u16string& path) {
    return GetFileAttributesW(ToWide(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

inline void RemoveTree(const std::u16string& path) {
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
inline bool Eventually(Probe probe, int tries = 400) {
    for (int i = 0; i < tries; ++i) {
        if (probe()) return true;
        Sleep(50);
    }
    return probe();
}

inline DWORD ParentProcessId(DWORD pid) {
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    DWORD parent = 0;
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry))
        if (entry.th32ProcessID == pid) parent = entry.th32ParentProcessID;
    CloseHandle(snapshot);
    return parent;
}

inline bool IsRunning(const std::u16string& exeName) {
    const std::unique_ptr<TDataTable> table = GetProcessTable(false);
    return table && table->IndexOfText(0, exeName) >= 0;
}

// Asks run.sh for what Windows programs cannot do under Wine (run.sh: "link", "unlink",
// "flip", "stopflip"), the request's lines given, and waits for it to be done.
inline void AskRunScript(const std::u16string& request, const std::vector<std::u16string>& lines) {
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

inline Installer Chinese(const std::u16string& file = u"Karvel-3.40-setup.exe") {
    const std::u16string name = u"Orvane画图";
    return {"Chinese", file, 0, name, u"安装向导 - " + name, ChineseWizardTexts(name, u"3.40", u"6 MB")};
}

inline Installer English() {
    const std::u16string name = u"Orvane Karvel";
    return {"English", u"Karvel-3.40-setup-en.exe", 2,
            name,      u"Setup - " + name,          EnglishWizardTexts(name, u"3.40", u"6 MB")};
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
        RemoveTree(kWork);
        for (const std::u16string name : {u"Orvane画图", u"Orvane Karvel"}) {
            for (std::uint8_t location : {slDesktop, slQuickLaunch})
                DeleteFileW(ToWide(GetShellFolderPath(location) + u"\\" + name + u".lnk").c_str());
            RegDeleteKeyW(HKEY_LOCAL_MACHINE, ToWide(kUninstallRoot + name).c_str());
            DeleteFileW(ToWide(CommonProgramsFolder() + u"\\" + name + u".lnk").c_str());
        }
        CreateDirectoryW(ToWide(kWork).c_str(), nullptr);
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
        const std::u16string file =
            installer.file.find(u'\\') == std::u16string::npos ? BinDir() + installer.file : installer.file;
        setup_ = std::make_unique<Process>(file);
        texts_ = installer.texts;
        title_ = installer.windowTitle;
        wizard_ = FindTopWindow(installer.windowTitle, kWaitMs);
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
        const auto box = FindMessageBox(setup_->Id(), title, kWaitMs);
        if (!box) {
            ADD_FAILURE() << "no message box";
            return {};
        }
        PressButton(*box, u"");
        return box->Text;
    }

    void SetUncheckedRunOnExit() {
        Click(Control(u"chkRunOnExit"));
        ASSERT_TRUE(Eventually(
            [&] { return SendMessageW(Control(u"chkRunOnExit").Handle, BM_GETCHECK, 0, 0) == BST_UNCHECKED; }));
    }

    void Finish() {
        ASSERT_TRUE(Eventually([&] { return Control(u"btnNext").Enabled; }));
        Click(Control(u"btnNext"));
    }

    void ExpectEndsWithoutLaunching() {
        EXPECT_EQ(setup_->Wait(kWaitMs), 0u);
        Sleep(1500);
        EXPECT_EQ(FindTopWindow(u"Karvel", 0), nullptr);
        EXPECT_FALSE(IsRunning(u"Karvel.exe"));
    }

    // The installed program, not some other Karvel.exe, shows its window.
    void ExpectLaunches(const std::u16string& dir) {
        EXPECT_EQ(setup_->Wait(kWaitMs), 0u);
        HWND karvel = FindTopWindow(u"Karvel", kWaitMs);
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

inline void ExpectInstalledFiles(const std::u16string& dir) {
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

inline void ExpectUninstallEntry(const Installer& installer, const std::u16string& dir) {
    const std::u16string key = kUninstallRoot + installer.displayName;
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

inline std::u16string ShortcutTarget(std::uint8_t location, const std::u16string& name) {
    const std::u16string link = GetShellFolderPath(location) + u"\\" + name + u".lnk";
    return Exists(link) ? ResolveShortcut(link) : u"(no shortcut " + link + u")";
}

}  // namespace stp::e2e
