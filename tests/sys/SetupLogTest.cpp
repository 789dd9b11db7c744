#include "sys/SetupLog.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "SysTestSupport.h"

namespace stp {
namespace {

using test::ScratchFolder;
using test::U;

std::string Content(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// What stands at the log's name before an install as administrator: the log appends to a
// plain file and makes a missing one; it writes nothing through a name another file has
// too (a hard link to a protected file), removes nothing there, takes no folder for a
// file and makes no folder.
TEST(SetupLog, AppendsOnlyToAPlainFileOfItsOwnName) {
    enum class Before { Nothing, File, HardLink, Folder, NoFolder };
    const struct {
        const char* name;
        Before before;
        bool opened;
    } cases[] = {
        {"nothing", Before::Nothing, true},       {"a file", Before::File, true},
        {"a hard link", Before::HardLink, false}, {"a folder", Before::Folder, false},
        {"no folder", Before::NoFolder, false},
    };
    const std::string line = "Exit code 0: success";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const ScratchFolder scratch;
        const std::filesystem::path log = scratch.Path() / L"logs" / L"setup.log";
        const std::filesystem::path guarded = scratch.Path() / L"protected" / L"system.ini";
        test::WriteFile(guarded, "a protected file");
        if (c.before != Before::NoFolder) std::filesystem::create_directory(log.parent_path());
        const std::string earlier = c.before == Before::File ? "earlier line\r\n" : "";
        if (c.before == Before::File) test::WriteFile(log, earlier);
        if (c.before == Before::HardLink) {
            ASSERT_TRUE(CreateHardLinkW(log.c_str(), guarded.c_str(), nullptr));
        }
        if (c.before == Before::Folder) std::filesystem::create_directory(log);
        {
            TSetupLog setupLog(U(log.wstring()));
            EXPECT_EQ(setupLog.Opened(), c.opened);
            setupLog.Write(std::u16string(line.begin(), line.end()));
        }
        EXPECT_EQ(Content(guarded), "a protected file");
        if (c.opened) {
            // The earlier lines, then the line after its time ("2026-12-11 09:30:05 ").
            const std::string text = Content(log);
            EXPECT_EQ(text.substr(0, earlier.size()), earlier);
            EXPECT_EQ(text.size(), earlier.size() + 20 + line.size() + 2) << text;
            EXPECT_TRUE(text.ends_with(" " + line + "\r\n")) << text;
        }
        switch (c.before) {
        case Before::HardLink: EXPECT_EQ(Content(log), "a protected file") << "the name was removed"; break;
        case Before::Folder: EXPECT_TRUE(std::filesystem::is_directory(log)); break;
        case Before::NoFolder: EXPECT_FALSE(std::filesystem::exists(log.parent_path())); break;
        default: break;
        }
    }
}

}  // namespace
}  // namespace stp
