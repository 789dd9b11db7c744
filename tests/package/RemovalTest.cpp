// Removing an installation through a held tree, against trees a user has changed: links
// at every depth, a folder at a file's name, a changed file, a path too long for the
// old Windows limit. What is not the installation's stays, and is reported.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>

#include "datatable/Errors.h"
#include "package/HeldTree.h"
#include "package/Removal.h"
#include "tests/package/PackageFixture.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace stp {
namespace {

namespace fs = std::filesystem;
using test::PathText;
using test::ReadAll;
using test::WriteAll;

// A path of over 260 characters below the destination.
const std::string kLong = std::string(100, 'a') + "/" + std::string(100, 'b') + "/" + std::string(80, 'c');

// The installation: relative path and content.
const std::map<std::string, std::string> kInstalled = {
    {"App.exe", "the program"},      {"readme.txt", "read me"},         {"data/palette.txt", "red green blue"},
    {"data/img/a.png", "a picture"}, {kLong + "/deep.txt", "far down"}, {"ro.txt", "read only"},
};

std::u16string Backslashed(std::string path) {
    std::replace(path.begin(), path.end(), '/', '\\');
    return FromUtf8(path);
}

struct Expected {
    std::vector<std::string> Stays;  // below the destination; everything else installed is gone
    std::map<std::string, TRemovalOutcome> Reported;
};

struct HostileTree {
    const char* Name;
    bool NeedsLinks;
    std::function<void(const fs::path& dest, const fs::path& outside)> Change;
    Expected Result;
};

class Removal : public test::PackageTest {
protected:
    void SetUp() override {
        test::PackageTest::SetUp();
        Outside = Root / "outside";
        for (const auto& [path, content] : kInstalled) {
            fs::create_directories((Dest / path).parent_path());
            WriteAll(Dest / path, content);
            Plan.Files.push_back({Backslashed(path), StampOf(content.data(), content.size())});
        }
        fs::permissions(Dest / "ro.txt", fs::perms::owner_read, fs::perm_options::replace);
        Plan.Files.push_back({u"missing.txt", TFileStamp{1, 2}});
        Plan.Files.push_back({u"Uninst.exe", std::nullopt});
        WriteAll(Dest / "Uninst.exe", "the uninstaller, removed by itself");
        for (const char* folder : {"data/img", "data", kLong.c_str()})
            for (fs::path f = folder; !f.empty(); f = f.parent_path())
                if (std::find(Plan.Folders.begin(), Plan.Folders.end(), Backslashed(f.generic_string())) ==
                    Plan.Folders.end())
                    Plan.Folders.push_back(Backslashed(f.generic_string()));
        std::stable_sort(Plan.Folders.begin(), Plan.Folders.end(), [](const auto& a, const auto& b) {
            return std::count(a.begin(), a.end(), u'\\') > std::count(b.begin(), b.end(), u'\\');
        });
        // What a link might lead to: files of the same names outside.
        for (const char* file : {"palette.txt", "img/a.png", "readme.txt", "a.png"}) {
            fs::create_directories((Outside / file).parent_path());
            WriteAll(Outside / file, "outside");
        }
    }

    std::vector<TRemovalItem> Remove() {
        THeldFolder root = THeldFolder::OpenRoot(DestText);
        const TRemovalHooks hooks{[this](const std::u16string& path) {
                                      Scheduled.push_back(path);
                                      return true;
                                  },
                                  [] { return std::u16string(u"unforeseeable"); }};
        return RemoveInstalled(root, Plan, hooks);
    }

    std::u16string Full(const std::string& relative) {
        std::u16string path = PathText(fs::canonical(Dest)) + u"/" + FromUtf8(relative);
#ifdef _WIN32
        std::replace(path.begin(), path.end(), u'/', u'\\');
#endif
        return path;
    }

    fs::path Outside;
    TUninstallPlan Plan;
    std::vector<std::u16string> Scheduled;
};

// A link at At to Target; where the system cannot make one (Wine), the test skips.
void Link(const fs::path& target, const fs::path& at) {
    std::error_code error;
    if (fs::is_directory(target))
        fs::create_directory_symlink(target, at.string() + ".link", error);
    else
        fs::create_symlink(target, at.string() + ".link", error);
    if (error) return;
    fs::remove_all(at);
    fs::rename(at.string() + ".link", at);
}

const HostileTree kTrees[] = {
    {"untouched", false, [](const fs::path&, const fs::path&) {}, {{}, {}}},
    {"the first folder a link",
     true,
     [](const fs::path& d, const fs::path& o) { Link(o, d / "data"); },
     {{"data"}, {{"data", TRemovalOutcome::NotOurs}}}},
    {"a folder two deep a link",
     true,
     [](const fs::path& d, const fs::path& o) { Link(o / "img", d / "data" / "img"); },
     {{"data", "data/img"}, {{"data/img", TRemovalOutcome::NotOurs}}}},
    {"a file a link",
     true,
     [](const fs::path& d, const fs::path& o) { Link(o / "readme.txt", d / "readme.txt"); },
     {{"readme.txt"}, {{"readme.txt", TRemovalOutcome::NotOurs}}}},
    {"a file two deep a link",
     true,
     [](const fs::path& d, const fs::path& o) { Link(o / "img" / "a.png", d / "data" / "img" / "a.png"); },
     {{"data", "data/img", "data/img/a.png"}, {{"data/img/a.png", TRemovalOutcome::NotOurs}}}},
    {"a folder at a file's name",
     false,
     [](const fs::path& d, const fs::path&) {
         fs::remove(d / "readme.txt");
         fs::create_directories(d / "readme.txt");
         WriteAll(d / "readme.txt" / "mine.txt", "the user's");
     },
     {{"readme.txt", "readme.txt/mine.txt"}, {{"readme.txt", TRemovalOutcome::NotOurs}}}},
    {"a file changed, same size",
     false,
     [](const fs::path& d, const fs::path&) { WriteAll(d / "data" / "palette.txt", "red green cyan"); },
     {{"data", "data/palette.txt"}, {{"data/palette.txt", TRemovalOutcome::Changed}}}},
    {"a file at a folder's name",
     false,
     [](const fs::path& d, const fs::path&) {
         fs::remove_all(d / "data");
         WriteAll(d / "data", "the user's file");
     },
     {{"data"}, {}}},
    {"a user's file beside ours",
     false,
     [](const fs::path& d, const fs::path&) { WriteAll(d / "data" / "img" / "mine.png", "the user's"); },
     {{"data", "data/img", "data/img/mine.png"}, {}}},
};

void PrintTo(const HostileTree& tree, std::ostream* out) { *out << tree.Name; }

class HostileTrees : public Removal, public ::testing::WithParamInterface<HostileTree> {};

TEST_P(HostileTrees, OnlyWhatIsStillTheInstallationGoes) {
    const HostileTree& tree = GetParam();
    tree.Change(Dest, Outside);
    if (tree.NeedsLinks && !fs::is_symlink(Dest / "data") && !fs::is_symlink(Dest / "readme.txt") &&
        !fs::is_symlink(Dest / "data" / "img") && !fs::is_symlink(Dest / "data" / "img" / "a.png"))
        GTEST_SKIP() << "this system cannot make links";
    const std::vector<TRemovalItem> items = Remove();

    std::map<std::string, TRemovalOutcome> reported;
    for (const TRemovalItem& item : items) {
        ASSERT_EQ(ToUtf8(item.Path).rfind(ToUtf8(Full("")), 0), 0u) << ToUtf8(item.Path);
        std::string relative = ToUtf8(item.Path).substr(Full("").size());
        std::replace(relative.begin(), relative.end(), '\\', '/');
        reported[relative] = item.Outcome;
    }
    EXPECT_EQ(reported, tree.Result.Reported);
    EXPECT_TRUE(Scheduled.empty());
    // Outside the tree nothing is touched, whatever led there.
    for (const char* file : {"palette.txt", "img/a.png", "readme.txt", "a.png"})
        EXPECT_EQ(ReadAll(Outside / file), "outside") << file;
    // Below it: exactly what stays is there, besides the uninstaller.
    std::vector<std::string> left;
    for (auto it = fs::recursive_directory_iterator(Dest); it != fs::recursive_directory_iterator(); ++it) {
        if (it->is_symlink()) it.disable_recursion_pending();
        left.push_back(it->path().lexically_relative(Dest).generic_string());
    }
    std::vector<std::string> stays = tree.Result.Stays;
    stays.push_back("Uninst.exe");
    std::sort(left.begin(), left.end());
    std::sort(stays.begin(), stays.end());
    EXPECT_EQ(left, stays);
}

INSTANTIATE_TEST_SUITE_P(Trees, HostileTrees, ::testing::ValuesIn(kTrees), [](const auto& info) {
    std::string name = info.param.Name;
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    return name;
});

TEST_F(Removal, ARootReachedThroughALinkIsRefused) {
    std::error_code error;
    fs::create_directory_symlink(Dest, Root / "linked", error);
    if (error) GTEST_SKIP() << "this system cannot make links";
    try {
        THeldFolder::OpenRoot(PathText(Root / "linked"));
        ADD_FAILURE() << "opened";
    } catch (const EFileError& e) {
        EXPECT_NE(std::string(e.what()).find("link"), std::string::npos) << e.what();
    }
}

#ifdef _WIN32
// A file another program holds without sharing is scheduled by its name; the folder
// above it too, after it.
TEST_F(Removal, AFileInUseIsScheduledForTheRestart) {
    const HANDLE held = CreateFileW((Dest / "data" / "palette.txt").wstring().c_str(), GENERIC_READ, 0, nullptr,
                                    OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    const std::vector<TRemovalItem> items = Remove();
    CloseHandle(held);
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(ToUtf8(items[0].Path), ToUtf8(Full("data\\palette.txt")));
    EXPECT_EQ(items[0].Outcome, TRemovalOutcome::AtRestart);
    EXPECT_EQ(Scheduled, (std::vector<std::u16string>{Full("data\\palette.txt"), Full("data")}));
    EXPECT_TRUE(fs::exists(Dest / "data" / "palette.txt"));
}

// The root asked for by its short (8.3) name is the same folder, reached through no link.
TEST_F(Removal, ARootAskedForByItsShortNameIsHeld) {
    const fs::path folder = Root / "A Long Folder Name";
    fs::create_directories(folder);
    wchar_t shortName[MAX_PATH];
    const DWORD n = GetShortPathNameW(folder.wstring().c_str(), shortName, MAX_PATH);
    ASSERT_TRUE(n > 0 && n < MAX_PATH);
    if (fs::path(shortName).filename() == folder.filename()) GTEST_SKIP() << "this file system keeps no short names";
    const THeldFolder held = THeldFolder::OpenRoot(std::u16string(reinterpret_cast<const char16_t*>(shortName), n));
    std::u16string expected = PathText(fs::canonical(folder));
    std::replace(expected.begin(), expected.end(), u'/', u'\\');
    EXPECT_EQ(ToUtf8(held.Path()), ToUtf8(expected)) << fs::path(shortName).string();
}

// A folder another program holds as its current folder (read and write shared, delete
// not): what is in it goes, the folder is left for the restart. The root alike: it is
// held without the right to delete, and says so.
class FolderInUse : public Removal {
protected:
    std::vector<TRemovalItem> RemoveWhileHeld(const fs::path& held, bool& rootInUse) {
        const HANDLE cwd =
            CreateFileW(held.wstring().c_str(), FILE_LIST_DIRECTORY | SYNCHRONIZE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                        nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        EXPECT_NE(cwd, INVALID_HANDLE_VALUE);
        std::vector<TRemovalItem> items;
        {
            THeldFolder root = THeldFolder::OpenRoot(DestText);
            rootInUse = root.InUse();
            const TRemovalHooks hooks{[this](const std::u16string& path) {
                                          Scheduled.push_back(path);
                                          return true;
                                      },
                                      [] { return std::u16string(u"unforeseeable"); }};
            items = RemoveInstalled(root, Plan, hooks);
        }
        CloseHandle(cwd);
        EXPECT_FALSE(fs::exists(Dest / "data" / "palette.txt"));
        EXPECT_FALSE(fs::exists(Dest / "readme.txt"));
        return items;
    }
};

TEST_F(FolderInUse, ASubfolderIsEmptiedAndLeftForTheRestart) {
    bool rootInUse = true;
    const std::vector<TRemovalItem> items = RemoveWhileHeld(Dest / "data", rootInUse);
    EXPECT_FALSE(rootInUse);
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(ToUtf8(items[0].Path), ToUtf8(Full("data")));
    EXPECT_EQ(items[0].Outcome, TRemovalOutcome::AtRestart);
    EXPECT_EQ(Scheduled, std::vector<std::u16string>{Full("data")});
    EXPECT_TRUE(fs::exists(Dest / "data"));
}

TEST_F(FolderInUse, TheRootIsHeldWithoutTheRightToDeleteAndEmptied) {
    bool rootInUse = false;
    const std::vector<TRemovalItem> items = RemoveWhileHeld(Dest, rootInUse);
    EXPECT_TRUE(rootInUse);
    EXPECT_TRUE(items.empty());
    EXPECT_FALSE(fs::exists(Dest / "data"));
}
#endif

}  // namespace
}  // namespace stp
