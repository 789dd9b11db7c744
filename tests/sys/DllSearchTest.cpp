// The DLL search a program goes on with, whatever the system lets it restrict: an elevated
// one only with System32 alone searched; one that is not elevated also with the fallback
// that leaves the current folder out. The system's answer is injected: Wine always has
// SetDefaultDllDirectories.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "sys/DllSearch.h"

namespace stp {
namespace {

DWORD gAskedFor = 0;

BOOL WINAPI Restricts(DWORD flags) {
    gAskedFor = flags;
    return TRUE;
}

BOOL WINAPI Refuses(DWORD flags) {
    gAskedFor = flags;
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
}

std::wstring DllDirectory() {
    wchar_t directory[MAX_PATH] = {};
    GetDllDirectoryW(MAX_PATH, directory);
    return directory;
}

TEST(DllSearch, AnElevatedProgramGoesOnOnlyWithSystem32Alone) {
    struct Case {
        const char* name;
        SetDefaultDllDirectoriesFn lookup;
        bool elevated;
        bool goesOn;
        bool fallback;  // the current folder taken out of the search
    };
    const Case cases[] = {
        {"restricted, elevated", Restricts, true, true, false},
        {"restricted, not elevated", Restricts, false, true, false},
        {"lacking, elevated", nullptr, true, false, true},
        {"lacking, not elevated", nullptr, false, true, true},
        {"refused, elevated", Refuses, true, false, true},
        {"refused, not elevated", Refuses, false, true, true},
    };
    for (const Case& c : cases) {
        // A folder of its own in the search, which the fallback must take out.
        ASSERT_TRUE(SetDllDirectoryW(L"C:\\windows\\temp"));
        gAskedFor = 0;
        EXPECT_EQ(RestrictDllSearchWith(c.lookup, c.elevated), c.goesOn) << c.name;
        EXPECT_EQ(gAskedFor, c.lookup ? DWORD(LOAD_LIBRARY_SEARCH_SYSTEM32) : 0u) << c.name;
        EXPECT_EQ(DllDirectory(), c.fallback ? L"" : L"C:\\windows\\temp") << c.name;
    }
    SetDllDirectoryW(nullptr);
}

}  // namespace
}  // namespace stp
