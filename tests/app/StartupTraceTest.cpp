// The built installer's start-up trace (STP_STARTUP_TRACE): the installer runs as
// administrator and whoever set its environment chose the name, so the trace is written
// only to a plain file of that one name, as bench/startup.sh reads it, never through a
// hard link to another file.
#include <gtest/gtest.h>

#include <windows.h>

#include <fstream>
#include <iterator>
#include <string>

#include "tests/support/TestProcess.h"
#include "tools/uidriver/Driver.h"
#include "tests/support/BinDir.h"

namespace stp {
namespace {

constexpr DWORD kWaitMs = 30000;

using test::BinDir;

std::string ReadAll(const std::wstring& file) {
    std::ifstream in(file.c_str(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void PutFile(const std::wstring& file, const std::string& text) {
    std::ofstream(file.c_str(), std::ios::binary) << text;
}

class StartupTrace : public ::testing::Test {
protected:
    void SetUp() override {
        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        dir_ = std::wstring(temp) + L"stp-trace-" + std::to_wstring(GetCurrentProcessId()) + L"\\";
        ASSERT_TRUE(CreateDirectoryW(dir_.c_str(), nullptr));
    }
    void TearDown() override {
        for (const wchar_t* name : {L"trace.txt", L"protected.txt"}) DeleteFileW((dir_ + name).c_str());
        RemoveDirectoryW(dir_.c_str());
    }

    // The installer with the trace at Trace, until its wizard shows; then closed.
    static void RunTraced(const std::wstring& trace) {
        SetEnvironmentVariableW(L"STP_STARTUP_TRACE", trace.c_str());
        test::TestProcess setup(BinDir() + L"Karvel-3.40-setup.exe");
        SetEnvironmentVariableW(L"STP_STARTUP_TRACE", nullptr);
        const HWND wizard = uidriver::FindTopWindow(u"安装向导 - Orvane画图", kWaitMs);
        ASSERT_NE(wizard, nullptr) << "the wizard did not show";
        PostMessageW(wizard, WM_CLOSE, 0, 0);
        EXPECT_EQ(setup.Wait(kWaitMs), 0u);
    }

    std::wstring dir_;
};

TEST_F(StartupTrace, WritesEveryPhaseToAPlainFile) {
    ASSERT_NO_FATAL_FAILURE(RunTraced(dir_ + L"trace.txt"));
    const std::string trace = ReadAll(dir_ + L"trace.txt");
    EXPECT_EQ(trace.rfind("entry ", 0), 0u) << trace;
    EXPECT_NE(trace.find("\r\nwizard-shown "), std::string::npos) << trace;
}

TEST_F(StartupTrace, NeverWritesThroughAHardLink) {
    PutFile(dir_ + L"protected.txt", "a file only administrators may change\r\n");
    ASSERT_TRUE(CreateHardLinkW((dir_ + L"trace.txt").c_str(), (dir_ + L"protected.txt").c_str(), nullptr));
    ASSERT_NO_FATAL_FAILURE(RunTraced(dir_ + L"trace.txt"));
    EXPECT_EQ(ReadAll(dir_ + L"protected.txt"), "a file only administrators may change\r\n");
}

}  // namespace
}  // namespace stp
