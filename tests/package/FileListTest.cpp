// The file list the uninstaller carries, and what it removes by it.
#include <gtest/gtest.h>

#include "datatable/Errors.h"
#include "datatable/Text.h"
#include "package/FileList.h"

namespace stp {
namespace {

TEST(FileList, RoundTripsAndNamesADamagedLine) {
    const std::vector<TFileListRow> rows = {{u"", u"Karvel.exe", false, TFileStamp{14, 0x2a5c04f1}},
                                            {u"data\\", u"palette.txt", false, TFileStamp{0, 1}},
                                            {u"$System$", u"Ünïcode.dll", true, TFileStamp{123456789012, 0xffffffff}},
                                            {u"", u"Uninst.exe", false, std::nullopt}};
    EXPECT_EQ(WriteFileList({rows[0], rows[3]}), "\tKarvel.exe\t0\t14\t2a5c04f1\n\tUninst.exe\t0\t-\t-\n");
    EXPECT_EQ(ReadFileList(WriteFileList(rows)), rows);
    EXPECT_TRUE(ReadFileList("").empty());
    // The earlier three-field form, half a stamp, signs, upper case, short or long sums.
    for (const char* bad :
         {"a\tb\t0\n", "a\tb\tyes\t1\t00000001\n", "a\tb\t1\t-\t00000001\n", "a\tb\t0\t+1\t00000001\n",
          "a\tb\t0\t1\t0000000A\n", "a\tb\t0\t1\t1\n", "a\tb\t0\t1\t000000001\n", "a\tb\t0\t1\t00000001\tx\n"}) {
        try {
            ReadFileList(std::string("\t\t0\t0\t00000001\n") + bad);
            ADD_FAILURE() << bad;
        } catch (const EPackageError& e) {
            EXPECT_NE(std::string(e.what()).find("line 2"), std::string::npos) << e.what();
        }
    }
}

TEST(FileList, StampIsLengthAndAdler32) {
    EXPECT_EQ(StampOf("", 0), (TFileStamp{0, 1}));
    EXPECT_EQ(StampOf("Wikipedia", 9), (TFileStamp{9, 0x11E60398}));
    // Piece by piece the same as whole.
    EXPECT_EQ(StampOf("pedia", 5, StampOf("Wiki", 4)), StampOf("Wikipedia", 9));
}

// Files below the destination by the extractor's rules; shared system files never;
// rows the extractor would refuse never; folders deepest first, not the destination.
TEST(FileList, PlanRemovesWhatThePackagePutIntoTheDestination) {
    const TFileStamp s{3, 7};
    const TUninstallPlan plan = PlanUninstall({
        {u"", u"App.exe", false, s},
        {u"data/img\\", u"a.png", false, s},
        {u"data\\", u"b.txt", false, s},
        {u"data", u"c.txt", false, s},  // as the extractor joins it: "datac.txt"
        {u"$System$", u"shared.dll", false, s},
        {u"$Third$sub\\", u"third.dll", false, s},
        {u"$System$", u"rooted.txt", true, s},
        {u"..\\", u"outside.txt", false, s},
        {u"C:\\x\\", u"absolute.txt", false, s},
        {u"\\x\\", u"rooted-path.txt", false, s},
        {u"sub\\..\\", u"climb.txt", false, s},
        {u"", u"..", false, s},
        {u"..\\", u"root-flag.txt", true, s},
        {u"", u"sub\\last.txt", false, s},
        {u"", u"APP.EXE", false, s},
        {u"x\\\\.\\y. \\", u"odd.txt.", false, s},  // as Windows opens it: x\y\odd.txt
        {u"", u"Uninst.exe", false, std::nullopt},
    });
    std::vector<std::u16string> files;
    for (const TPlannedFile& f : plan.Files) files.push_back(f.Path);
    EXPECT_EQ(files,
              (std::vector<std::u16string>{u"App.exe", u"data\\img\\a.png", u"data\\b.txt", u"datac.txt", u"rooted.txt",
                                           u"root-flag.txt", u"last.txt", u"x\\y\\odd.txt", u"Uninst.exe"}));
    EXPECT_EQ(plan.Files[0].Stamp, s);
    EXPECT_EQ(plan.Files.back().Stamp, std::nullopt);
    EXPECT_EQ(plan.Folders, (std::vector<std::u16string>{u"data\\img", u"x\\y", u"data", u"x"}));
}

// An upgrade's leftovers: what the earlier lists name and the new package does not write,
// compared by the place each file lands at, in any letter case, each kept once; the
// uninstaller itself, shared files and rows that leave the folder never.
TEST(FileList, AnUpgradeLeavesWhatTheNewPackageDoesNotWrite) {
    const TFileStamp stamp{3, 0x024d0127};
    const std::vector<TFileListRow> earlier = {
        {u"", u"Karvel.exe", false, stamp},           // written again
        {u"DATA\\", u"Palette.TXT", false, stamp},    // written again, other letter case
        {u"", u"oldnotes.txt", false, stamp},         // left
        {u"legacy\\", u"legacy.dat", false, stamp},   // left
        {u"anything\\", u"readme.txt", true, stamp},  // a root row lands at readme.txt: written again
        {u"", u"Uninst.exe", false, std::nullopt},    // the uninstaller itself
        {u"$System$", u"shared.dll", false, stamp},   // shared
        {u"..\\", u"outside.txt", false, stamp},      // leaves the folder
        {u"", u"OLDNOTES.TXT", false, stamp},         // the same place again
    };
    const std::vector<std::u16string> written = {u"Karvel.exe", u"readme.txt", u"data\\palette.txt", u"Uninst.exe"};
    const std::vector<TFileListRow> left = RowsLeftBehind(earlier, written);
    ASSERT_EQ(left.size(), 2u);
    EXPECT_EQ(left[0], earlier[2]);
    EXPECT_EQ(left[1], earlier[3]);
    EXPECT_TRUE(RowsLeftBehind({}, written).empty());
    EXPECT_TRUE(RowsLeftBehind(earlier, {}).size() == 5u);
}

}  // namespace
}  // namespace stp
