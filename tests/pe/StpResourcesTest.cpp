// "stp resources" as a program: its listing, and its exit codes.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "PeImageFixture.h"
#include "pe/ResourceBuilders.h"
#include "pe/ResourceSection.h"

#ifndef _WIN32
#include <sys/wait.h>
#endif

namespace stp::pe {
namespace {

namespace fs = std::filesystem;
using namespace test;

struct Result {
    int exitCode;
    std::string out;
    std::string err;
};

std::string ReadFile(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

class StpResources : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("stp-pe-test-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        ASSERT_TRUE(fs::create_directories(dir_));
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string Write(const std::string& name, const std::string& bytes) const {
        std::ofstream(dir_ / name, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return (dir_ / name).string();
    }

    // Arguments are plain ASCII paths without quotes.
    Result Run(const std::vector<std::string>& args) const {
        std::string command = "\"" STP_EXE "\"";
        for (const std::string& arg : args) command += " \"" + arg + "\"";
        command += " > \"" + (dir_ / "out").string() + "\" 2> \"" + (dir_ / "err").string() + "\"";
#ifdef _WIN32
        command = "\"" + command + "\"";
#endif
        int status = std::system(command.c_str());
#ifndef _WIN32
        status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
        return {status, ReadFile(dir_ / "out"), ReadFile(dir_ / "err")};
    }

private:
    fs::path dir_;
};

TEST_F(StpResources, ListsResourcesThenStrings) {
    std::vector<Resource> resources = {
        {ResourceId::Named(u"StpFile"), ResourceId::Named(u"SetupPackage"), 0, "pkg"},
        {ResourceId::Number(rtGroupIcon), ResourceId::Named(u"MainIcon"), 1033, "group"},
        {ResourceId::Number(rtIcon), ResourceId::Number(1), 1033, "icon!"},
        {ResourceId::Number(rtBitmap), ResourceId::Number(1), 0, "bmp"},
        {ResourceId::Number(rtRcData), ResourceId::Number(3), 0, "rc"},
        {ResourceId::Number(rtManifest), ResourceId::Number(1), 0, "<m/>"},
        {ResourceId::Number(99), ResourceId::Number(5), 0, ""},
    };
    for (Resource& block : StringTableResources({{1, u"Hello\tWorld"}, {2, u"two\nlines"}, {40, u"Gr\u00FC\u00DFe"}}))
        resources.push_back(block);
    const std::string file = Write("setup.exe", WriteResources(MakeImage({}), resources, 0));

    const Result result = Run({"resources", file});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out,
              "STPFILE\tSETUPPACKAGE\t0\t3\n"
              "BITMAP\t1\t0\t3\n"
              "ICON\t1\t1033\t5\n"
              "STRING\t1\t0\t72\n"
              "STRING\t3\t0\t42\n"
              "RCDATA\t3\t0\t2\n"
              "GROUP_ICON\tMAINICON\t1033\t5\n"
              "MANIFEST\t1\t0\t4\n"
              "99\t5\t0\t0\n"
              "\n"
              "1\tHello\\tWorld\n"
              "2\ttwo\\nlines\n"
              "40\tGr\u00FC\u00DFe\n");
}

TEST_F(StpResources, ExitCodes) {
    const std::string text = Write("notes.txt", "just text, no program");
    struct Case {
        std::vector<std::string> args;
        int exitCode;
        const char* stderrStart;
    };
    const Case cases[] = {
        {{"resources"}, 2, "stp resources: expected one FILE"},
        {{"resources", text, text}, 2, "stp resources: expected one FILE"},
        {{"resources", text}, 1, "stp resources: not a PE image: 21 bytes is too short for an MZ header"},
        {{"resources", text + ".missing"}, 1, "stp resources: "},
    };
    for (const Case& c : cases) {
        const Result result = Run(c.args);
        EXPECT_EQ(result.exitCode, c.exitCode) << c.args.size();
        EXPECT_EQ(result.err.rfind(c.stderrStart, 0), 0u) << result.err;
        EXPECT_EQ(result.out, "");
    }
    EXPECT_NE(Run({"--help"}).out.find("  resources  print a Windows program's resources"), std::string::npos);
    EXPECT_EQ(Run({"resources", "--help"}).out.rfind("Usage: stp resources FILE\n", 0), 0u);
}

}  // namespace
}  // namespace stp::pe
