// The file list the uninstaller carries, and what it removes by it.
#include <gtest/gtest.h>

#include "datatable/Errors.h"
#include "datatable/Text.h"
#include "package/FileList.h"

namespace stp {
namespace {

TEST(FileList, RoundTripsAndNamesADamagedLine) {
    const std::vector<TFileListRow> rows = {
        {u"", u"Karvel.exe", false}, {u"data\\", u"palette.txt", false}, {u"$System$", u"Ünïcode.dll", true}};
    EXPECT_EQ(ReadFileList(WriteFileList(rows)), rows);
    EXPECT_TRUE(ReadFileList("").empty());
    for (const char* bad : {"a\tb\n", "a\tb\tyes\n", "a\tb\t1\tc\n"}) {
        try {
            ReadFileList(std::string("\t\t0\n") + bad);
            ADD_FAILURE() << bad;
        } catch (const EPackageError& e) {
            EXPECT_NE(std::string(e.what()).find("line 2"), std::string::npos) << e.what();
        }
    }
}

// Files below the destination by the extractor's rules; shared system files never;
// rows the extractor would refuse never; folders deepest first, the destination last.
TEST(FileList, PlanRemovesWhatThePackagePutIntoTheDestination) {
    const std::u16string d = u"C:\\Program Files\\Maker\\App\\";
    const TUninstallPlan plan = PlanUninstall(
        {
            {u"", u"App.exe", false},
            {u"data/img\\", u"a.png", false},
            {u"data\\", u"b.txt", false},
            {u"data", u"c.txt", false},  // as the extractor joins it: "datac.txt"
            {u"$System$", u"shared.dll", false},
            {u"$Third$sub\\", u"third.dll", false},
            {u"$System$", u"rooted.txt", true},
            {u"..\\", u"outside.txt", false},
            {u"C:\\x\\", u"absolute.txt", false},
            {u"\\x\\", u"rooted-path.txt", false},
            {u"sub\\..\\", u"climb.txt", false},
            {u"", u"..", false},
            {u"..\\", u"root-flag.txt", true},
            {u"", u"sub\\last.txt", false},
            {u"", u"APP.EXE", false},
        },
        d);
    EXPECT_EQ(plan.Files, (std::vector<std::u16string>{d + u"App.exe", d + u"data\\img\\a.png", d + u"data\\b.txt",
                                                        d + u"datac.txt", d + u"rooted.txt", d + u"root-flag.txt",
                                                        d + u"last.txt"}));
    EXPECT_EQ(plan.Folders, (std::vector<std::u16string>{d + u"data\\img\\", d + u"data\\", d}));
}

}  // namespace
}  // namespace stp
