// stp as a program in the tests: the built binary run in a fresh folder of the test's
// own, with files for its standard streams.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/wait.h>
#endif

namespace stp::test {

namespace fs = std::filesystem;

struct Result {
    int exitCode;
    std::string out;
    std::string err;
};

inline std::string ReadFile(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

inline void WriteFile(const fs::path& path, std::string_view bytes) {
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

class StpProgram : public ::testing::Test {
public:
    void SetUp() override {
        // A folder of its own per run, so nothing an interrupted run left behind is found.
        std::random_device random;
        dir_ = fs::temp_directory_path() /
               ("stp-tool-test-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + "-" +
                std::to_string(random()) + std::to_string(random()));
        ASSERT_TRUE(fs::create_directories(dir_)) << dir_;
    }
    void TearDown() override { fs::remove_all(dir_); }

    fs::path File(const std::string& name) const { return dir_ / name; }

    // Arguments are plain ASCII without quotes, so one quoting rule serves both systems.
    Result Run(const std::vector<std::string>& args, std::string_view input = {}) {
        WriteFile(File("in"), input);
        std::string command = "\"" STP_EXE "\"";
        for (const std::string& arg : args) {
            command += " \"" + arg + "\"";
        }
#ifdef _WIN32
        // Started directly with its streams on the files: no command interpreter between,
        // whose quoting rules Wine's cmd has been seen to misread now and then.
        const int status = RunWithFiles(command);
#else
        command +=
            " < \"" + File("in").string() + "\" > \"" + File("out").string() + "\" 2> \"" + File("err").string() + "\"";
        int status = std::system(command.c_str());
        status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
        return {status, ReadFile(File("out")), ReadFile(File("err"))};
    }

private:
#ifdef _WIN32
    static HANDLE Inheritable(const fs::path& path, DWORD access, DWORD disposition) {
        SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
        return CreateFileW(path.wstring().c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, disposition,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    }

    int RunWithFiles(const std::string& command) {
        HANDLE in = Inheritable(File("in"), GENERIC_READ, OPEN_EXISTING);
        HANDLE out = Inheritable(File("out"), GENERIC_WRITE, CREATE_ALWAYS);
        HANDLE err = Inheritable(File("err"), GENERIC_WRITE, CREATE_ALWAYS);
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = in;
        startup.hStdOutput = out;
        startup.hStdError = err;
        PROCESS_INFORMATION process{};
        std::string line = command;
        DWORD code = static_cast<DWORD>(-1);
        if (CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process)) {
            WaitForSingleObject(process.hProcess, INFINITE);
            GetExitCodeProcess(process.hProcess, &code);
            CloseHandle(process.hThread);
            CloseHandle(process.hProcess);
        }
        for (HANDLE h : {in, out, err})
            if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
        return static_cast<int>(code);
    }
#endif

    fs::path dir_;
};

}  // namespace stp::test
