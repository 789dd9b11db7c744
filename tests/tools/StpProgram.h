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

#ifndef _WIN32
#include <sys/wait.h>
#endif

namespace stp::test {

namespace fs = std::filesystem;

struct Result {
    int exitCode;
    std::string out;
    std::string err;
};

inline std::string ReadFile(const fs::path& path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

inline void WriteFile(const fs::path& path, std::string_view bytes)
{
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

class StpProgram : public ::testing::Test {
public:
    void SetUp() override
    {
        // A folder of its own per run, so nothing an interrupted run left behind is found.
        std::random_device random;
        dir_ = fs::temp_directory_path()
            / ("stp-tool-test-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + "-"
               + std::to_string(random()) + std::to_string(random()));
        ASSERT_TRUE(fs::create_directories(dir_)) << dir_;
    }
    void TearDown() override { fs::remove_all(dir_); }

    fs::path File(const std::string& name) const { return dir_ / name; }

    // Arguments are plain ASCII without quotes, so one quoting rule serves sh and cmd.
    Result Run(const std::vector<std::string>& args, std::string_view input = {})
    {
        WriteFile(File("in"), input);
        std::string command = "\"" STP_EXE "\"";
        for (const std::string& arg : args) {
            command += " \"" + arg + "\"";
        }
        command += " < \"" + File("in").string() + "\" > \"" + File("out").string() + "\" 2> \""
            + File("err").string() + "\"";
#ifdef _WIN32
        command = "\"" + command + "\"";  // cmd /c drops the outermost pair of quotes
#endif
        int status = std::system(command.c_str());
#ifndef _WIN32
        status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
        return {status, ReadFile(File("out")), ReadFile(File("err"))};
    }

private:
    fs::path dir_;
};

}  // namespace stp::test
