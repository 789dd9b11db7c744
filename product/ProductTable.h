// What stp and the two stubs agree on, written once: the settings of product.ini and the
// string-table entries the installer and the uninstaller read them from, the resource
// names, the artwork, the uninstaller's file name and the uninstall entry's key. stp
// build, stp init, the stubs and the tests all read these tables; nothing here is typed
// anywhere else.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace stp {

// Each setting of product.ini, in the order of kSettings.
enum class Setting : std::uint8_t {
    WindowClass,
    TitleEnglish,
    TitleChinese,
    DisplayNameEnglish,
    DisplayNameChinese,
    Freeware,
    ExeName,
    Version,
    NeedSize,
    TextMode,
    CopyrightAuthor,
    CopyrightMaker,
    WebChinese,
    WebHome,
    MakerFolder,
    PublisherEnglish,
    PublisherChinese,
    LicenseEnglish,
    LicenseChinese,
    AntivirusNotice,
    StartMenu,
    UninstallEntry,
    Unattended,
    LicenseName,
    Description,
    NoticeLabel,
};

// How stp build checks a setting's value.
enum class SettingCheck : std::uint8_t {
    Any,           // any text
    FileNamePart,  // not empty, and can be part of a Windows file name
    Version,       // as FileNamePart, beginning with a number (the version resource's)
    ExeName,       // as FileNamePart, without ".exe"
    NotEmpty,
    KeyName,      // can name a registry key (the uninstall entry's is named after it)
    Freeware,     // a number, or True/False
    TextMode,     // 0 (Chinese), 2 (English) or auto (the user's display language)
    YesNo,        // yes or no
    EntryKind,    // basic or full
    LicenseFile,  // a UTF-8 text file of the product folder, carried as a resource
};

// The text set a setting belongs to.
enum class TextSet : std::uint8_t { Both, Chinese, English };

struct SettingRow {
    Setting Id;
    const char* Key;         // in product.ini
    std::uint16_t StringId;  // in the installer's and the uninstaller's string table; 0: none
    bool Required;           // else Default when absent
    const char16_t* Default;
    SettingCheck Check;
    const char* Help;  // one line for stp init's template
    TextSet Set = TextSet::Both;
    // Beyond what every installer carries: written only when product.ini gives it, so an
    // installer of a product without it is exactly one made before it existed; the stubs
    // read Default when the entry is missing.
    bool Extension = false;
    const char16_t* Resource = nullptr;  // a LicenseFile's resource name (type kStpTextType)
};

inline constexpr SettingRow kSettings[] = {
    {Setting::WindowClass, "WindowClass", 1001, true, u"", SettingCheck::Any,
     "window class of the program's main window (the installer waits while it runs)"},
    {Setting::TitleEnglish, "TitleEnglish", 1002, true, u"", SettingCheck::Any, "its English window title"},
    {Setting::TitleChinese, "TitleChinese", 1003, true, u"", SettingCheck::Any, "its Chinese window title"},
    {Setting::DisplayNameEnglish, "DisplayNameEnglish", 1004, true, u"", SettingCheck::KeyName,
     "the product's name in the English wizard and uninstall entry"},
    {Setting::DisplayNameChinese, "DisplayNameChinese", 1005, true, u"", SettingCheck::KeyName,
     "the product's name in the Chinese wizard and uninstall entry"},
    {Setting::Freeware, "Freeware", 1009, true, u"", SettingCheck::Freeware,
     "True for the freeware agreement, False for the commercial one"},
    {Setting::ExeName, "ExeName", 1010, true, u"", SettingCheck::ExeName,
     "the program's file name without .exe (also the installation folder's name)"},
    {Setting::Version, "Version", 1011, true, u"", SettingCheck::Version,
     "the version the wizard shows; its leading numbers (3.40 is 3.40.0.0) the installer's file version"},
    {Setting::NeedSize, "NeedSize", 1012, true, u"", SettingCheck::NotEmpty,
     "the space the wizard says is needed; auto: the payload's size"},
    {Setting::TextMode, "TextMode", 2000, false, u"0", SettingCheck::TextMode,
     "0: the Chinese wizard, 2: the English one, auto: Chinese where the user's display language is"},
    {Setting::CopyrightAuthor, "CopyrightAuthor", 2001, false, u"", SettingCheck::Any,
     "the Chinese agreement's copyright line", TextSet::Chinese},
    {Setting::CopyrightMaker, "CopyrightMaker", 2002, false, u"", SettingCheck::Any,
     "the English agreement's copyright line", TextSet::English},
    {Setting::WebChinese, "WebChinese", 2003, false, u"", SettingCheck::Any, "the Chinese web address",
     TextSet::Chinese},
    {Setting::WebHome, "WebHome", 2004, false, u"", SettingCheck::Any, "the English web address", TextSet::English},
    {Setting::MakerFolder, "MakerFolder", 2005, false, u"Orvane Soft", SettingCheck::FileNamePart,
     "the folder under Program Files the installer proposes; the uninstaller removes it when empty", TextSet::Both,
     true},
    {Setting::PublisherEnglish, "PublisherEnglish", 2006, false, u"Orvane Software", SettingCheck::Any,
     "the uninstall entry's publisher (English)", TextSet::English, true},
    {Setting::PublisherChinese, "PublisherChinese", 2007, false, u"Orvane软件", SettingCheck::Any,
     "the uninstall entry's publisher (Chinese)", TextSet::Chinese, true},
    {Setting::LicenseEnglish, "LicenseEnglish", 0, false, u"", SettingCheck::LicenseFile,
     "a UTF-8 text file here: the whole English agreement in place of the built-in one", TextSet::English, true,
     u"LicenseEnglish"},
    {Setting::LicenseChinese, "LicenseChinese", 0, false, u"", SettingCheck::LicenseFile,
     "a UTF-8 text file here: the whole Chinese agreement in place of the built-in one", TextSet::Chinese, true,
     u"LicenseChinese"},
    {Setting::AntivirusNotice, "AntivirusNotice", 2008, false, u"yes", SettingCheck::YesNo,
     "no: Finish always launches the program, whatever antivirus program runs", TextSet::Both, true},
    {Setting::StartMenu, "StartMenu", 2009, false, u"no", SettingCheck::YesNo,
     "yes: a shortcut in the all users' Start menu, named after the display name", TextSet::Both, true},
    {Setting::UninstallEntry, "UninstallEntry", 2010, false, u"basic", SettingCheck::EntryKind,
     "full: the uninstall entry also names the quiet uninstall command, the location and the size", TextSet::Both,
     true},
    {Setting::Unattended, "Unattended", 2012, false, u"no", SettingCheck::YesNo,
     "yes: the installer takes /S, /P, /D= and /LOG= and ends with deployment exit codes", TextSet::Both, true},
    {Setting::LicenseName, "LicenseName", 0, false, u"Proprietary", SettingCheck::NotEmpty,
     "the licence's name in stp manifest's package manifests", TextSet::Both, true},
    {Setting::Description, "Description", 0, false, u"", SettingCheck::Any,
     "one line on the product for stp manifest's winget manifest, which it refuses without it", TextSet::Both, true},
    {Setting::NoticeLabel, "NoticeLabel", 2013, false, u"", SettingCheck::NotEmpty,
     "the product's name (Chinese) in the antivirus notice; without it the notice names Orvane画图", TextSet::Chinese,
     true},
};

// Why Name cannot name a registry key, as Windows takes key names: 1 to
// kMaxRegistryKeyName UTF-16 characters, none a backslash (the separator of a key path)
// or a control character (U+0000 to U+001F, U+007F to U+009F: Windows wants printable
// ones). Empty when it can.
inline constexpr std::size_t kMaxRegistryKeyName = 255;
std::string RegistryKeyNameFault(std::u16string_view Name);

// Entries stp build computes rather than reads: the payload's size in KB (written with
// UninstallEntry = full).
inline constexpr std::uint16_t kEstimatedSizeString = 2011;
// The longest agreement file stp build takes.
inline constexpr std::size_t kMaxLicenseBytes = 256 * 1024;

inline constexpr std::size_t kSettingCount = sizeof kSettings / sizeof kSettings[0];

constexpr bool SettingsInOrder() {
    for (std::size_t i = 0; i < kSettingCount; ++i)
        if (static_cast<std::size_t>(kSettings[i].Id) != i) return false;
    return true;
}
static_assert(SettingsInOrder(), "kSettings lists the settings in the order of Setting");

constexpr const SettingRow& SettingOf(Setting s) { return kSettings[static_cast<std::size_t>(s)]; }

// The row of product.ini's key Key; null for no setting.
const SettingRow* FindSetting(std::string_view Key);

// The Freeware setting's value: any number but 0, or "True", is true; 0 or "False" is
// false (the words in any letter case). Raises EConvertError for any other text.
bool ReadFreewareFlag(std::u16string_view Text);

// Resources both stubs carry besides the string table, under one type of their own.
inline constexpr char16_t kStpResourceType[] = u"StpFile";
inline constexpr char16_t kPackageResource[] = u"SetupPackage";  // the installer's package
inline constexpr char16_t kFileListResource[] = u"FileList";     // the uninstaller's file list
// The product's texts from files (its agreements): a type of their own, which sorts after
// kStpResourceType, as the package streamed into the installer must come first.
inline constexpr char16_t kStpTextType[] = u"StpText";
// The language every resource is written under.
inline constexpr std::uint16_t kResourceLanguage = 0x0409;

// One picture or icon file of art/ and how the installer carries it. A "@2x" picture,
// optional, is its 1x picture (DoubleOf) at twice the width and height, drawn at high
// display scales.
enum class ArtKind : std::uint8_t { Jpeg, Bitmap, Icon };
struct ArtFile {
    const char* FileName;  // below art/
    ArtKind Kind;
    const char16_t* ResourceName;
    const char* DoubleOf = nullptr;  // set: optional, twice the size of that file's picture
    bool InUninstaller = false;      // the uninstaller carries it too
};
inline constexpr ArtFile kArtFiles[] = {
    {"ImageLeft0.jpg", ArtKind::Jpeg, u"ImageLeft0"},
    {"ImageLeft2.jpg", ArtKind::Jpeg, u"ImageLeft2"},
    {"ImageIcon.bmp", ArtKind::Bitmap, u"ImageIcon"},
    {"AppIcon.ico", ArtKind::Icon, u"AppIcon"},
    {"MainIcon.ico", ArtKind::Icon, u"MAINICON", nullptr, true},
    {"ImageLeft0@2x.jpg", ArtKind::Jpeg, u"ImageLeft0_2x", "ImageLeft0.jpg"},
    {"ImageLeft2@2x.jpg", ArtKind::Jpeg, u"ImageLeft2_2x", "ImageLeft2.jpg"},
    {"ImageIcon@2x.bmp", ArtKind::Bitmap, u"ImageIcon_2x", "ImageIcon.bmp"},
};

// The uninstaller, as every package carries it into the installation folder, and the
// machine-wide key (below HKEY_LOCAL_MACHINE) under which installations are registered,
// one subkey per product named after its display name.
inline constexpr char16_t kUninstallerName[] = u"Uninst.exe";
// Beside it, after an upgrade: the file list (as the uninstaller carries its own) of what
// earlier versions installed and this one does not, which the uninstaller removes too.
inline constexpr char16_t kEarlierListName[] = u"Uninst.lst";
// The longest such list the uninstaller reads.
inline constexpr std::size_t kMaxEarlierListBytes = 16 << 20;
inline constexpr char16_t kUninstallRoot[] = u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

// The named mutexes that let one installer (made with Unattended = yes) and one
// uninstaller of a product run at a time, and neither while the other runs: named after
// the English display name, which no text set changes, a backslash read as "/".
inline constexpr char16_t kSetupMutexPrefix[] = u"Global\\stp-setup-";
inline constexpr char16_t kUninstallMutexPrefix[] = u"Global\\stp-uninstall-";
inline std::u16string ProductMutexName(const char16_t* Prefix, std::u16string DisplayNameEnglish) {
    for (char16_t& c : DisplayNameEnglish)
        if (c == u'\\') c = u'/';
    return Prefix + DisplayNameEnglish;
}

}  // namespace stp
