// The DLLs the shipped stubs make the loader load with them. Both run as administrator
// from folders a user may be able to write to, before they restrict the DLL search: a DLL
// the loader looks for by the search would be taken from beside the program. Every DLL
// they import must be one the loader takes from the system only.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>

#include "pe/Imports.h"
#include "tests/support/BinDir.h"

namespace stp {
namespace {

// The KnownDLLs Windows 10 and 11 both list (HKLM\System\CurrentControlSet\Control\Session
// Manager\KnownDLLs, without the WOW64 ones), which the loader maps from System32 whatever
// the search; ntdll, which every process has mapped before its imports are read; and
// comctl32, which the manifest binds to its side-by-side assembly.
constexpr std::string_view kLoadedFromTheSystem[] = {
    "advapi32.dll", "clbcatq.dll",  "combase.dll",  "comdlg32.dll", "coml2.dll",    "difxapi.dll",
    "gdi32.dll",    "gdiplus.dll",  "imagehlp.dll", "imm32.dll",    "kernel32.dll", "msctf.dll",
    "msvcrt.dll",   "normaliz.dll", "nsi.dll",      "ole32.dll",    "oleaut32.dll", "psapi.dll",
    "rpcrt4.dll",   "sechost.dll",  "setupapi.dll", "shcore.dll",   "shell32.dll",  "shlwapi.dll",
    "user32.dll",   "wldap32.dll",  "ws2_32.dll",   "ntdll.dll",    "comctl32.dll",
};

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::string BesideThisProgram(const wchar_t* name) {
    std::ifstream in((test::BinDir() + name).c_str(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class StubImports : public ::testing::TestWithParam<const wchar_t*> {};

TEST_P(StubImports, AreAllTakenFromTheSystem) {
    const std::string image = BesideThisProgram(GetParam());
    ASSERT_FALSE(image.empty()) << "the stub was not built beside the test";
    const std::vector<pe::ImportedDll> dlls = pe::ImportedDlls(image);
    bool kernel = false;
    for (const pe::ImportedDll& dll : dlls) {
        const std::string name = Lower(dll.Name);
        kernel = kernel || name == "kernel32.dll";
        EXPECT_TRUE(std::find(std::begin(kLoadedFromTheSystem), std::end(kLoadedFromTheSystem), name) !=
                    std::end(kLoadedFromTheSystem))
            << dll.Name << (dll.Delayed ? " (delay-loaded)" : "")
            << " is searched for; load it with LoadLibraryExW(..., LOAD_LIBRARY_SEARCH_SYSTEM32) instead";
    }
    EXPECT_TRUE(kernel) << "the import table was not read: kernel32.dll is missing from it";
}

INSTANTIATE_TEST_SUITE_P(BothStubs, StubImports, ::testing::Values(L"setup-stub.exe", L"uninst-stub.exe"),
                         [](const auto& info) { return info.index == 0 ? "Setup" : "Uninstaller"; });

}  // namespace
}  // namespace stp
