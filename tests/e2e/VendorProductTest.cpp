#include "tests/e2e/EndToEnd.h"

namespace stp::e2e {
namespace {

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
    const Installer installer{
        variant.name,
        variant.file,
        mode,
        name,
        (chinese ? u"安装向导 - " : u"Setup - ") + name,
        chinese ? ChineseWizardTexts(name, u"3.40", u"6 MB") : EnglishWizardTexts(name, u"3.40", u"6 MB")};
    // The antivirus program the Chinese wizard would otherwise warn about.
    wchar_t system[MAX_PATH] = {};
    GetSystemDirectoryW(system, MAX_PATH);
    ASSERT_TRUE(
        CopyFileW((std::wstring(system) + L"\\notepad.exe").c_str(), ToWide(kWork + u"KXETRAY.EXE").c_str(), FALSE));
    const Process antivirus(kWork + u"KXETRAY.EXE");
    ASSERT_TRUE(Eventually([] { return IsRunning(u"kxetray.exe"); }));

    ASSERT_NO_FATAL_FAILURE(Start(installer));
    Click(Control(u"btnNext"));
    ASSERT_TRUE(Eventually([&] { return Showing(u"pnlStep2"); }));
    const std::u16string licence =
        SourceDir() + (chinese ? u"tests\\e2e\\vendor\\eula-zh.txt" : u"tests\\e2e\\vendor\\eula-en.txt");
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

    const std::u16string key = kUninstallRoot + name;
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
    EXPECT_EQ(uninstaller.Wait(kWaitMs), 0u);
    EXPECT_FALSE(Exists(startMenu));
    EXPECT_TRUE(RegReadStringValue(HKEY_LOCAL_MACHINE, key, u"DisplayName").empty());
    EXPECT_TRUE(Eventually([] { return !Exists(u"C:\\Program Files\\Hollin Works"); })) << "the maker folder stays";
}

INSTANTIATE_TEST_SUITE_P(TextModes, VendorProduct,
                         ::testing::Values(VendorMode{"Chinese", u"Vendor-setup-0.exe", 0},
                                           VendorMode{"English", u"Vendor-setup-2.exe", 2},
                                           VendorMode{"Auto", u"Vendor-setup-auto.exe", -1}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace stp::e2e
