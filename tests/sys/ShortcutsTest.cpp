#include "sys/Shortcuts.h"

#include <windows.h>
#include <objidl.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <cwctype>
#include <memory>
#include <thread>

#include "datatable/Errors.h"
#include "sys/Handles.h"
#include "sys/OleError.h"
#include "SysTestSupport.h"

namespace stp {
namespace {

using test::SavedValue;
using test::ScratchFolder;
using test::U;
using test::W;
using Files = std::vector<std::wstring>;

const wchar_t kShellFolders[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
const wchar_t kUserShellFolders[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
const wchar_t kQuickLaunch[] = L"Microsoft\\Internet Explorer\\Quick Launch";
const std::u16string kUnresolved = u"unable to resolve link";

std::wstring Lower(std::wstring s) {
    for (wchar_t& c : s) c = static_cast<wchar_t>(std::towlower(c));
    return s;
}

// What a saved shortcut holds, read through the shell link object.
struct LinkContent {
    std::wstring path, arguments, directory;
};

LinkContent ReadLink(const std::filesystem::path& file) {
    ComPtr<IShellLinkW> link;
    ComPtr<IPersistFile> persist;
    LinkContent content;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.PutVoid())) ||
        FAILED(link.As(persist)) || FAILED(persist->Load(file.c_str(), STGM_READ)))
        return content;
    wchar_t text[MAX_PATH] = {};
    link->GetPath(text, MAX_PATH, nullptr, SLGP_RAWPATH);
    content.path = text;
    link->GetArguments(text, MAX_PATH);
    content.arguments = text;
    link->GetWorkingDirectory(text, MAX_PATH);
    content.directory = text;
    return content;
}

// A shell folder moved for a test. The shell rewrites a "Shell Folders" value from
// its "User Shell Folders" counterpart whenever it looks the folder up (the shell link
// object does so for the desktop), so both are moved, and both put back at the end.
class MovedFolder {
public:
    MovedFolder(HKEY root, const wchar_t* name, const std::filesystem::path& folder)
        : shell_(root, kShellFolders, name), user_(root, kUserShellFolders, name) {
        user_.SetString(folder.wstring());
        shell_.SetString(folder.wstring());
    }
    void SetDword(DWORD value) const { shell_.SetDword(value); }
    void Delete() const {
        user_.Delete();
        shell_.Delete();
    }
    void SetEmpty() const { shell_.SetString(L""); }

private:
    SavedValue shell_, user_;
};

// The user's and the machine's shell folders point at scratch folders for each test.
class Shortcuts : public ::testing::Test {
protected:
    Shortcuts() { std::filesystem::create_directories(QuickLaunchFolder()); }

    std::filesystem::path QuickLaunchFolder() const { return appDataFolder_.Path() / kQuickLaunch; }

    // A program to point shortcuts at, in its own folder.
    std::u16string MakeTarget(const wchar_t* relative) const {
        const std::filesystem::path target = targets_.Path() / relative;
        test::WriteFile(target, "program");
        return U(target.wstring());
    }

    // A shortcut file to target, written directly through the shell link object.
    static void SaveLink(const std::filesystem::path& file, const std::u16string& target) {
        ComPtr<IShellLinkW> link;
        ComPtr<IPersistFile> persist;
        ASSERT_TRUE(SUCCEEDED(
            CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.PutVoid())));
        ASSERT_TRUE(SUCCEEDED(link.As(persist)));
        link->SetPath(W(target).c_str());
        std::filesystem::create_directories(file.parent_path());
        ASSERT_TRUE(SUCCEEDED(persist->Save(file.c_str(), TRUE)));
    }

    ScratchFolder userDesktop_, appDataFolder_, allUsersDesktop_, targets_;
    MovedFolder desktop_{HKEY_CURRENT_USER, L"Desktop", userDesktop_.Path()};
    MovedFolder appData_{HKEY_CURRENT_USER, L"AppData", appDataFolder_.Path()};
    MovedFolder commonDesktop_{HKEY_LOCAL_MACHINE, L"Common Desktop", allUsersDesktop_.Path()};
};

TEST_F(Shortcuts, ShellFolderPathOfEachLocation) {
    const SavedValue sendTo(HKEY_CURRENT_USER, kShellFolders, L"SendTo");
    const SavedValue startMenu(HKEY_CURRENT_USER, kShellFolders, L"Start Menu");
    const SavedValue startup(HKEY_CURRENT_USER, kShellFolders, L"Startup");
    sendTo.SetString(L"X:\\Send To");
    startMenu.SetString(L"X:\\Start Menu\\");  // stored text comes back as it is
    startup.SetString(L"X:\\Startup");
    const std::u16string appData = appDataFolder_.Text();
    EXPECT_EQ(GetShellFolderPath(0), userDesktop_.Text());
    EXPECT_EQ(GetShellFolderPath(1), appData + u"\\Microsoft\\Internet Explorer\\Quick Launch");
    EXPECT_EQ(GetShellFolderPath(2), u"X:\\Send To");
    EXPECT_EQ(GetShellFolderPath(3), u"X:\\Start Menu\\");
    EXPECT_EQ(GetShellFolderPath(4), u"X:\\Startup");
    EXPECT_EQ(GetShellFolderPath(5), u"");
    EXPECT_EQ(GetShellFolderPath(255), u"");

    appData_.Delete();
    EXPECT_EQ(GetShellFolderPath(1), u"");
    appData_.SetEmpty();
    EXPECT_EQ(GetShellFolderPath(1), u"");
}

TEST_F(Shortcuts, NonStringFolderValueRaises) {
    desktop_.SetDword(1);
    EXPECT_THROW(GetShellFolderPath(0), ERegistryError);
    try {
        FindShortcutFolder(u"Tool", u"Desktop");
        ADD_FAILURE() << "no registry error";
    } catch (const ERegistryError& e) {
        EXPECT_STREQ(e.what(), "Invalid data type for 'Desktop'");
    }
}

TEST_F(Shortcuts, CreateShortcutNamesTheFileAfterTheLinkName) {
    std::filesystem::create_directories(userDesktop_.Path() / L"Extras");
    const std::u16string target = MakeTarget(L"Prog\\prog.exe");
    struct Case {
        std::u16string linkName, subFolder;
        Files written;
    } cases[] = {
        {u"Tool 2.5", u"", {L"Tool 2.lnk"}},         {u"Tool", u"", {L"Tool.lnk"}},
        {u"sub\\Tool", u"", {L"Tool.lnk"}},          {u"C:Tool.exe", u"", {L"Tool.lnk"}},
        {u"Tool", u"Extras", {L"Extras\\Tool.lnk"}}, {u"Tool", u"Missing", {}},  // sub-folders are not created
    };
    for (const Case& c : cases) {
        for (const std::wstring& file : userDesktop_.Files()) std::filesystem::remove(userDesktop_.Path() / file);
        CreateShortcut(target, u"", c.linkName, 0, c.subFolder);
        EXPECT_EQ(userDesktop_.Files(), c.written) << W(c.linkName) << " in '" << W(c.subFolder) << "'";
    }
}

TEST_F(Shortcuts, CreateShortcutStoresTargetArgumentsAndWorkingDirectory) {
    const std::u16string target = MakeTarget(L"Apps\\Prog\\prog.exe");
    CreateShortcut(target, u"-x \"a b\"", u"Prog", 1, u"");
    ASSERT_EQ(userDesktop_.Files(), Files());
    const LinkContent link = ReadLink(QuickLaunchFolder() / L"Prog.lnk");
    EXPECT_EQ(Lower(link.path), Lower(W(target)));
    EXPECT_EQ(link.arguments, L"-x \"a b\"");
    EXPECT_EQ(Lower(link.directory), Lower((targets_.Path() / L"Apps\\Prog\\").wstring()));
}

TEST_F(Shortcuts, CreateShortcutWithoutAFolderWritesNothing) {
    const std::u16string target = MakeTarget(L"prog.exe");
    CreateShortcut(target, u"", u"Tool", 5, u"");
    appData_.Delete();
    CreateShortcut(target, u"", u"Tool", 1, u"");
    EXPECT_EQ(userDesktop_.Files(), Files());
    EXPECT_EQ(appDataFolder_.Files(), Files());
}

TEST_F(Shortcuts, ResolveShortcutGoodBadAndMissing) {
    const std::u16string target = MakeTarget(L"Tools\\Tool\\tool.exe");
    SaveLink(userDesktop_.Path() / L"Tool.lnk", target);
    test::WriteFile(userDesktop_.Path() / L"Fake.lnk", "this is no shortcut");
    EXPECT_EQ(Lower(W(ResolveShortcut(userDesktop_.Text() + u"\\Tool.lnk"))), Lower(W(target)));
    EXPECT_EQ(ResolveShortcut(userDesktop_.Text() + u"\\Fake.lnk"), kUnresolved);
    EXPECT_EQ(ResolveShortcut(userDesktop_.Text() + u"\\Missing.lnk"), kUnresolved);
}

TEST_F(Shortcuts, FindShortcutFolderOnQuickLaunch) {
    const std::u16string target = MakeTarget(L"Tools\\Tool\\tool.exe");
    SaveLink(QuickLaunchFolder() / L"Tool.lnk", target);
    const std::wstring expected = Lower((targets_.Path() / L"Tools\\Tool\\").wstring());
    EXPECT_EQ(Lower(W(FindShortcutFolder(u"Tool", u"QuickLaunch"))), expected);
    // Another case is not the Quick Launch rule but a value name nobody has.
    EXPECT_EQ(FindShortcutFolder(u"Tool", u"quicklaunch"), u"");
}

TEST_F(Shortcuts, QuickLaunchNeverLooksAtTheMachineFolders) {
    const SavedValue common(HKEY_LOCAL_MACHINE, kShellFolders, L"Common QuickLaunch");
    common.SetString(allUsersDesktop_.Path().wstring());
    SaveLink(allUsersDesktop_.Path() / L"Tool.lnk", MakeTarget(L"tool.exe"));
    EXPECT_EQ(FindShortcutFolder(u"Tool", u"QuickLaunch"), u"");
}

TEST_F(Shortcuts, FindShortcutFolderOnTheDesktop) {
    const std::u16string userTarget = MakeTarget(L"User\\tool.exe");
    const std::u16string commonTarget = MakeTarget(L"Common\\tool.exe");
    const std::wstring userFolder = Lower((targets_.Path() / L"User\\").wstring());
    const std::wstring commonFolder = Lower((targets_.Path() / L"Common\\").wstring());
    SaveLink(allUsersDesktop_.Path() / L"Tool.lnk", commonTarget);

    // Nothing on the user's desktop: the all users' desktop answers.
    EXPECT_EQ(Lower(W(FindShortcutFolder(u"Tool", u"Desktop"))), commonFolder);
    // The user's own shortcut comes first.
    SaveLink(userDesktop_.Path() / L"Tool.lnk", userTarget);
    EXPECT_EQ(Lower(W(FindShortcutFolder(u"Tool", u"Desktop"))), userFolder);
    // One that does not resolve leaves the search to the all users' desktop.
    std::filesystem::remove(userDesktop_.Path() / L"Tool.lnk");
    test::WriteFile(userDesktop_.Path() / L"Tool.lnk", "this is no shortcut");
    EXPECT_EQ(Lower(W(FindShortcutFolder(u"Tool", u"Desktop"))), commonFolder);
    // A folder is no candidate.
    std::filesystem::remove(userDesktop_.Path() / L"Tool.lnk");
    std::filesystem::create_directories(userDesktop_.Path() / L"Tool.lnk");
    EXPECT_EQ(Lower(W(FindShortcutFolder(u"Tool", u"Desktop"))), commonFolder);
}

TEST_F(Shortcuts, FindShortcutFolderKeepsTheDotsOfTheName) {
    const std::u16string target = MakeTarget(L"Tool 2.5\\tool.exe");
    CreateShortcut(target, u"", u"Tool 2.5", 0, u"");  // writes "Tool 2.lnk"
    EXPECT_EQ(FindShortcutFolder(u"Tool 2.5", u"Desktop"), u"");
    SaveLink(userDesktop_.Path() / L"Tool 2.5.lnk", target);
    EXPECT_EQ(Lower(W(FindShortcutFolder(u"Tool 2.5", u"Desktop"))),
              Lower((targets_.Path() / L"Tool 2.5\\").wstring()));
}

// The caught error of call, run on a thread that has not initialised COM.
std::unique_ptr<EOleError> OleErrorWithoutCom(const std::function<void()>& call) {
    std::unique_ptr<EOleError> error;
    std::thread([&] {
        try {
            call();
        } catch (const EOleError& e) {
            error = std::make_unique<EOleError>(e);
        }
    }).join();
    return error;
}

TEST(ShortcutErrors, ShellLinkObjectMissingRaisesTheOleError) {
    const std::unique_ptr<EOleError> created =
        OleErrorWithoutCom([] { CreateShortcut(u"C:\\a.exe", u"", u"a", 0, u""); });
    ASSERT_NE(created, nullptr);
    EXPECT_EQ(created->ErrorCode, CO_E_NOTINITIALIZED);
    EXPECT_EQ(std::string(created->what()),
              OleErrorMessage(CO_E_NOTINITIALIZED) + ", ClassID: {00021401-0000-0000-C000-000000000046}");

    const std::unique_ptr<EOleError> resolved = OleErrorWithoutCom([] { ResolveShortcut(u"C:\\a.lnk"); });
    ASSERT_NE(resolved, nullptr);
    EXPECT_EQ(resolved->ErrorCode, CO_E_NOTINITIALIZED);
    EXPECT_EQ(std::string(resolved->what()), OleErrorMessage(CO_E_NOTINITIALIZED));
}

TEST(ShortcutErrors, OleErrorMessages) {
    EXPECT_EQ(OleErrorMessage(static_cast<HRESULT>(0xA0001234)), "OLE error a0001234");
    const std::string known = OleErrorMessage(E_OUTOFMEMORY);
    EXPECT_NE(known.rfind("OLE error", 0), 0u);
    EXPECT_FALSE(known.empty());
    EXPECT_NE(known.back(), '\n');
    EXPECT_THROW(OleCheck(E_FAIL), EOleError);
    EXPECT_NO_THROW(OleCheck(S_FALSE));
}

}  // namespace
}  // namespace stp
