#include "tests/e2e/EndToEnd.h"
#include "tests/e2e/Deploying.h"

namespace stp::e2e {
namespace {

// The installer runs as administrator; a destination outside Program Files is a place
// any user may have prepared. Wine has no access control, and keeps a descriptor only as
// the Unix mode it maps to (the owner's rights and everyone's): so what a user could
// change is shown with everyone's rights set by the test, and what the installer set is
// read back as no right for everyone at all (a folder made plainly has everyone read it).
class ElevatedInstall : public Deploying {
protected:
    static inline const std::u16string kLumen = u"C:\\Lumen\\";
    // Stands for what only administrators may change.
    static inline const std::u16string kGuarded = kWork + u"guarded\\";

    void SetUp() override {
        Deploying::SetUp();
        CreateDirectoryW(ToWide(kGuarded).c_str(), nullptr);
        PutFile(kGuarded + u"palette.txt", "guarded palette");
        PutFile(kGuarded + u"readme.txt", "guarded readme");
    }
    void TearDown() override {
        RemoveTree(u"C:\\Lumen");
        RegDeleteKeyW(HKEY_LOCAL_MACHINE, ToWide(kUninstallRoot + kName).c_str());
        Deploying::TearDown();
    }

    void ExpectGuardedUntouched() {
        EXPECT_EQ(ReadAll(kGuarded + u"palette.txt"), "guarded palette");
        EXPECT_EQ(ReadAll(kGuarded + u"readme.txt"), "guarded readme");
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
    static inline const wchar_t* kOthersMayChange = L"D:(A;OICI;FA;;;BA)(A;OICI;0x1301bf;;;WD)";
};

// A user's link at a name the package writes (a folder, a file, Setup.stp) refuses the
// install, naming it; what the link leads to stays as it was.
TEST_F(ElevatedInstall, ALinkAUserPutInTheDestinationIsNeverWrittenThrough) {
    const struct {
        const char16_t* name;
        std::u16string target;
    } cases[] = {
        {u"data", kGuarded},
        {u"readme.txt", kGuarded + u"readme.txt"},
        {u"Setup.stp", kGuarded + u"palette.txt"},
    };
    for (const auto& c : cases) {
        CreateDirectoryW(ToWide(kLumen).c_str(), nullptr);
        ASSERT_NO_FATAL_FAILURE(AskRunScript(u"link", {c.target, kLumen + c.name}));
        DeleteFileW(ToWide(kLog).c_str());
        EXPECT_EQ(RunInstaller(u"/S /LOG=" + kLog + u" /D=C:\\Lumen"), DWORD(ecFailed)) << ToUtf8(c.name);
        ExpectGuardedUntouched();
        EXPECT_TRUE(Exists(kGuarded + u"palette.txt")) << ToUtf8(c.name);
        EXPECT_NE(LogText().find(ToUtf8(u"C:\\Lumen\\" + std::u16string(c.name))), std::string::npos) << LogText();
        EXPECT_NE(LogText().find("link"), std::string::npos) << LogText();
        ASSERT_NO_FATAL_FAILURE(AskRunScript(u"unlink", {kLumen + c.name}));
        RemoveTree(u"C:\\Lumen");
    }
}

// Folders it makes outside Program Files: only the system and administrators may change
// them, from the moment they are made.
TEST_F(ElevatedInstall, FoldersItMakesOutsideProgramFilesOnlyAdministratorsMayChange) {
    EXPECT_EQ(RunInstaller(u"/S /LOG=" + kLog + u" /D=C:\\Lumen\\App"), DWORD(ecSuccess)) << LogText();
    ExpectInstalledFiles(kLumen + u"App\\");
    CreateDirectoryW(L"C:\\Lumen\\Plain", nullptr);
    ASSERT_TRUE(EveryoneMayAccess(u"C:\\Lumen\\Plain")) << Descriptor(u"C:\\Lumen\\Plain");
    EXPECT_FALSE(EveryoneMayAccess(u"C:\\Lumen")) << Descriptor(u"C:\\Lumen");
    EXPECT_FALSE(EveryoneMayAccess(u"C:\\Lumen\\App")) << Descriptor(u"C:\\Lumen\\App");
}

// An existing destination that others may change is refused with code 3 and nothing
// written; the product's own earlier installation there is taken over and reset.
TEST_F(ElevatedInstall, AFolderOthersMayChangeIsRefusedUnlessItIsTheProductsOwn) {
    ASSERT_NO_FATAL_FAILURE(MakeFolderWith(u"C:\\Lumen", kOthersMayChange));
    EXPECT_EQ(RunInstaller(u"/S /LOG=" + kLog + u" /D=C:\\Lumen"), DWORD(ecFolderRefused)) << LogText();
    EXPECT_NE(LogText().find("may change the folder 'C:\\Lumen' (Everyone)"), std::string::npos) << LogText();
    EXPECT_FALSE(Exists(kLumen + u"Karvel.exe"));
    EXPECT_FALSE(Exists(kLumen + u"Setup.stp"));

    // As an installation made before folders were checked left it, with a file another
    // account put beside it.
    PutFile(kLumen + u"planted.dll", "someone else's library");
    ASSERT_TRUE(RegCreateKeyPath(HKEY_LOCAL_MACHINE, kUninstallRoot + kName));
    ASSERT_TRUE(RegWriteStringValue(HKEY_LOCAL_MACHINE, kUninstallRoot + kName, u"UninstallString",
                                    u"\"C:\\Lumen\\Uninst.exe\""));
    EXPECT_EQ(RunInstaller(u"/S /LOG=" + kLog + u" /D=C:\\Lumen"), DWORD(ecSuccess)) << LogText();
    ExpectInstalledFiles(kLumen);
    EXPECT_FALSE(EveryoneMayAccess(u"C:\\Lumen")) << Descriptor(u"C:\\Lumen");
    EXPECT_NE(LogText().find("Not of this package, in the folder taken over: C:\\Lumen\\planted.dll"),
              std::string::npos)
        << LogText();
    EXPECT_EQ(LogText().find("taken over: C:\\Lumen\\Karvel.exe"), std::string::npos) << LogText();
}

// Silently, without /D=, an earlier shortcut is followed only into Program Files: a user
// may have made one that leads to a folder of theirs.
TEST_F(ElevatedInstall, SilentlyAnEarlierShortcutOutsideProgramFilesIsNotFollowed) {
    CreateDirectoryW(ToWide(kLumen).c_str(), nullptr);
    PutFile(kLumen + u"Karvel.exe", "a user's program");
    CreateShortcut(kLumen + u"Karvel.exe", u"", kName, slDesktop, u"");
    ASSERT_EQ(ToUtf8(ShortcutTarget(slDesktop, kName)), ToUtf8(kLumen + u"Karvel.exe"));
    EXPECT_EQ(RunInstaller(u"/S /LOG=" + kLog), DWORD(ecSuccess)) << LogText();
    ExpectInstalledFiles(kDefault);
    EXPECT_EQ(ReadAll(kLumen + u"Karvel.exe"), "a user's program");
}

// In the wizard, the user is asked before such a folder is taken over: No keeps the
// folder page and writes nothing, Yes installs into it, reset.
TEST_F(ElevatedInstall, TheWizardAsksBeforeItTakesAFolderOver) {
    ASSERT_NO_FATAL_FAILURE(MakeFolderWith(u"C:\\Lumen", kOthersMayChange));
    const Installer installer{"English", u"Vendor-setup-2.exe", 2,
                              kName,     u"Setup - " + kName,   EnglishWizardTexts(kName, u"3.40", u"6 MB")};
    ASSERT_NO_FATAL_FAILURE(Start(installer));
    ASSERT_NO_FATAL_FAILURE(WalkToFolderPage());
    ASSERT_NO_FATAL_FAILURE(SetFolder(u"C:\\Lumen"));
    for (const char16_t* answer : {u"No", u"Yes"}) {
        ASSERT_TRUE(Eventually([&] { return Control(u"btnNext").Enabled; }));
        Click(Control(u"btnNext"));
        const auto box = FindMessageBox(setup_->Id(), title_, kWaitMs);
        ASSERT_TRUE(box) << "no question";
        EXPECT_NE(box->Text.find(u"\"C:\\Lumen\""), std::u16string::npos) << ToUtf8(box->Text);
        // Asked on the folder page again after a No: nothing written then, nor while it asks.
        EXPECT_TRUE(Showing(u"pnlStep3"));
        EXPECT_FALSE(Exists(kLumen + u"Setup.stp"));
        EXPECT_FALSE(Exists(kLumen + u"Karvel.exe"));
        PressButton(*box, answer);
    }
    ASSERT_TRUE(Eventually([&] { return Showing(u"pnlStep4"); }, 1200)) << "no completion page";
    ExpectInstalledFiles(kLumen);
    EXPECT_FALSE(EveryoneMayAccess(u"C:\\Lumen")) << Descriptor(u"C:\\Lumen");
    ASSERT_NO_FATAL_FAILURE(SetUncheckedRunOnExit());
    ASSERT_NO_FATAL_FAILURE(Finish());
    EXPECT_EQ(setup_->Wait(kWaitMs), 0u);
}

}  // namespace
}  // namespace stp::e2e
