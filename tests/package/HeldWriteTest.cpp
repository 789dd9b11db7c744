// Writing below a held folder, against names a user has prepared: a link at the file's
// or folder's name, a file with a second name, a folder at a file's name. Nothing outside
// the folder changes, and what stood there is reported.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>

#include "package/FileSystem.h"
#include "package/HeldTree.h"
#include "tests/package/PackageFixture.h"

namespace stp {
namespace {

namespace fs = std::filesystem;
using test::ReadAll;
using test::WriteAll;

struct Prepared {
    const char* Name;
    bool NeedsLinks;
    std::function<void(const fs::path& at, const fs::path& outside)> Make;
    THeldState Expected;
};

const Prepared kFileNames[] = {
    {"nothing", false, [](const fs::path&, const fs::path&) {}, THeldState::Open},
    {"an earlier file", false, [](const fs::path& at, const fs::path&) { WriteAll(at, "earlier, longer text"); },
     THeldState::Open},
    {"a link to a protected file", true,
     [](const fs::path& at, const fs::path& outside) { fs::create_symlink(outside / "protected.txt", at); },
     THeldState::Link},
    {"a link to no file yet", true,
     [](const fs::path& at, const fs::path& outside) { fs::create_symlink(outside / "not-yet.txt", at); },
     THeldState::Link},
    {"a second name of a protected file", false,
     [](const fs::path& at, const fs::path& outside) { fs::create_hard_link(outside / "protected.txt", at); },
     THeldState::HardLinked},
    {"a folder", false, [](const fs::path& at, const fs::path&) { fs::create_directory(at); }, THeldState::WrongKind},
};

class HeldWrite : public test::PackageTest, public ::testing::WithParamInterface<Prepared> {
protected:
    void SetUp() override {
        test::PackageTest::SetUp();
        Outside = Root / "outside";
        fs::create_directories(Outside);
        fs::create_directories(Dest);
        WriteAll(Outside / "protected.txt", "protected");
    }

    // Prepares the name as the case says; false when this system cannot.
    bool Prepare(const Prepared& c, const fs::path& at) {
        try {
            c.Make(at, Outside);
        } catch (const fs::filesystem_error&) {
            return false;
        }
        return true;
    }

    void ExpectOutsideUntouched() {
        EXPECT_EQ(ReadAll(Outside / "protected.txt"), "protected");
        EXPECT_FALSE(fs::exists(Outside / "not-yet.txt"));
    }

    fs::path Outside;
};

TEST_P(HeldWrite, AFileIsWrittenOnlyWhereNoLinkStands) {
    const Prepared& c = GetParam();
    if (!Prepare(c, Dest / "readme.txt")) GTEST_SKIP() << "this system cannot make " << c.Name;
    for (const bool fresh : {false, true}) {
        const THeldFolder root = THeldFolder::OpenRootToWrite(DestText);
        std::unique_ptr<TFile> file;
        std::string cause;
        bool created = false;
        EXPECT_EQ(root.WriteFile(u"readme.txt", file, cause, created, fresh), c.Expected) << cause;
        if (c.Expected == THeldState::Open) {
            ASSERT_TRUE(file);
            file->Write("new", 3);
            file->Close();
            EXPECT_EQ(ReadAll(Dest / "readme.txt"), "new");
        } else {
            EXPECT_FALSE(file);
        }
        ExpectOutsideUntouched();
    }
}

TEST_P(HeldWrite, AFolderIsMadeOrOpenedOnlyWhereNoLinkStands) {
    const Prepared& c = GetParam();
    const bool folderCase = std::string(c.Name) == "a folder" || std::string(c.Name) == "nothing";
    const bool linkCase = std::string(c.Name).rfind("a link", 0) == 0;
    if (!folderCase && !linkCase) GTEST_SKIP() << "a file case";
    if (linkCase) {
        std::error_code error;
        fs::create_directory_symlink(Outside, Dest / "data", error);
        if (error) GTEST_SKIP() << "this system cannot make links";
    } else {
        Prepare(c, Dest / "data");
    }
    const THeldFolder root = THeldFolder::OpenRootToWrite(DestText);
    std::unique_ptr<THeldFolder> data;
    std::string cause;
    bool created = false;
    const THeldState state = root.MakeFolder(u"data", data, cause, nullptr, created);
    if (linkCase) {
        EXPECT_EQ(state, THeldState::Link);
        EXPECT_FALSE(data);
    } else {
        ASSERT_EQ(state, THeldState::Open) << cause;
        EXPECT_EQ(created, std::string(c.Name) == "nothing");
        std::unique_ptr<TFile> file;
        ASSERT_EQ(data->WriteFile(u"palette.txt", file, cause, created), THeldState::Open) << cause;
        EXPECT_TRUE(created);
    }
    ExpectOutsideUntouched();
    EXPECT_FALSE(fs::exists(Outside / "palette.txt"));
}

// What a folder holds, read through its handle: a link to a folder is no folder to enter.
TEST_F(HeldWrite, EntriesAreReadThroughTheHandle) {
    WriteAll(Dest / "readme.txt", "read me");
    fs::create_directories(Dest / "data");
    std::error_code error;
    fs::create_directory_symlink(Outside, Dest / "linked", error);
    const THeldFolder root = THeldFolder::OpenRootToWrite(DestText);
    std::map<std::string, bool> seen;
    for (const THeldFolder::TEntry& entry : root.Entries(100)) seen[ToUtf8(entry.Name)] = entry.Folder;
    std::map<std::string, bool> expected{{"readme.txt", false}, {"data", true}};
    if (!error) expected["linked"] = false;
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(root.Entries(1).size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Names, HeldWrite, ::testing::ValuesIn(kFileNames), [](const auto& info) {
    std::string name = info.param.Name;
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    return name;
});

}  // namespace
}  // namespace stp
