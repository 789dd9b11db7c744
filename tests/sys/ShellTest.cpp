#include "sys/Shell.h"

#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "SysTestSupport.h"

namespace stp {
namespace {

using test::DialogWatcher;
using test::ScratchFolder;
using test::U;
using test::WindowText;

std::wstring BesideTests(const wchar_t* name) {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path);
    return folder.substr(0, folder.find_last_of(L'\\') + 1) + name;
}

std::wstring ReadWide(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return std::wstring(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / sizeof(wchar_t));
}

std::wstring CurrentDirectory() {
    wchar_t directory[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, directory);
    return directory;
}

TEST(RunProgram, StartsTheProgramInTheCurrentDirectoryAndHandsOverItsHandle) {
    const ScratchFolder scratch;
    const std::filesystem::path report = scratch.Path() / L"cwd.txt";
    const HANDLE process = RunProgram(U(BesideTests(STP_RUN_HELPER_NAME)), u"7 \"" + U(report.wstring()) + u"\"");
    ASSERT_NE(process, nullptr);
    ASSERT_EQ(WaitForSingleObject(process, 30000), WAIT_OBJECT_0);
    DWORD code = 0;
    GetExitCodeProcess(process, &code);
    CloseHandle(process);
    EXPECT_EQ(code, 7u);
    EXPECT_EQ(ReadWide(report), CurrentDirectory());
}

TEST(RunProgram, MissingProgramGivesNull) {
    const ScratchFolder scratch;
    // The shell may tell the user in a box of its own; it is closed here.
    const DialogWatcher closer([](HWND box) { PostMessageW(box, WM_CLOSE, 0, 0); });
    EXPECT_EQ(RunProgram(scratch.Text() + u"\\missing.exe", u""), nullptr);
}

// A visible top-level window of the test thread, to own the message box.
class TestWindow {
public:
    TestWindow()
        : window_(CreateWindowExW(0, L"STATIC", L"Stp owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 200, 100,
                                  nullptr, nullptr, nullptr, nullptr)) {}
    ~TestWindow() { DestroyWindow(window_); }
    TestWindow(const TestWindow&) = delete;
    TestWindow& operator=(const TestWindow&) = delete;
    HWND Get() const { return window_; }

private:
    HWND window_;
};

// What the box looked like while it was open.
struct SeenBox {
    std::wstring caption;
    std::wstring text;
    HWND owner = nullptr;
    bool otherWindowEnabled = true;
};

TEST(ShowAppMessage, CaptionFallsBackToTheApplicationTitle) {
    SetApplicationTitle(u"Stp Setup Title");
    struct Case {
        std::u16string caption;
        std::wstring shown;
    } cases[] = {{u"", L"Stp Setup Title"}, {u"Own caption", L"Own caption"}};
    for (const Case& c : cases) {
        SeenBox seen;
        {
            const DialogWatcher watcher([&](HWND box) {
                seen.caption = WindowText(box);
                seen.text = WindowText(GetDlgItem(box, 0xFFFF));
                PostMessageW(box, WM_COMMAND, IDOK, 0);
            });
            ShowAppMessage(u"Installed.", c.caption);
        }
        EXPECT_EQ(seen.caption, c.shown);
        EXPECT_EQ(seen.text, L"Installed.");
    }
    SetApplicationTitle(u"");
}

TEST(ShowAppMessage, OwnedByTheActiveWindowWithTheOthersDisabled) {
    const TestWindow active, other;
    SetActiveWindow(active.Get());
    ASSERT_EQ(GetActiveWindow(), active.Get());
    SeenBox seen;
    {
        const DialogWatcher watcher([&](HWND box) {
            seen.owner = GetWindow(box, GW_OWNER);
            seen.otherWindowEnabled = IsWindowEnabled(other.Get());
            PostMessageW(box, WM_COMMAND, IDOK, 0);
        });
        ShowAppMessage(u"Installed.");
    }
    EXPECT_EQ(seen.owner, active.Get());
    EXPECT_FALSE(seen.otherWindowEnabled);
    EXPECT_TRUE(IsWindowEnabled(other.Get()));
    EXPECT_TRUE(IsWindowEnabled(active.Get()));
}

TEST(BrowseForFolder, CancelGivesEmpty) {
    const DialogWatcher watcher([](HWND dialog) { PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0); });
    EXPECT_EQ(BrowseForFolder(nullptr, u"Choose a folder"), u"");
    EXPECT_TRUE(watcher.Acted());
}

TEST(BrowseForFolder, ChosenDriveRootKeepsItsBackslash) {
    const DialogWatcher watcher([](HWND dialog) {
        // The selection is made while the message is handled; OK is enabled for a
        // file-system folder.
        SendMessageW(dialog, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(L"C:\\"));
        EXPECT_TRUE(test::WaitUntil([dialog] { return IsWindowEnabled(GetDlgItem(dialog, IDOK)) != FALSE; }));
        PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    });
    EXPECT_EQ(BrowseForFolder(nullptr, u"Choose a folder"), u"C:\\");
}

}  // namespace
}  // namespace stp
