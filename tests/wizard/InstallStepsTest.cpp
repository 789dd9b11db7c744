// The install and finish actions' rules apart from the window: the folder text as the
// destination, the uninstall values and the antivirus check.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "datatable/DataTable.h"
#include "datatable/Row.h"
#include "datatable/Text.h"
#include "install/InstallSteps.h"

namespace stp::test {
namespace {

TEST(InstallSteps, TheFolderTextEndsInOneBackslashAndIsTrimmed) {
    const struct {
        std::u16string text, folder;
    } cases[] = {
        {u"C:\\Apps\\Karvel", u"C:\\Apps\\Karvel\\"},
        {u"C:\\Apps\\Karvel\\", u"C:\\Apps\\Karvel\\"},
        {u"C:\\", u"C:\\"},
        {u" \tC:\\Apps\\Karvel\\", u"C:\\Apps\\Karvel\\"},
        // The backslash is appended before trimming, so a trailing space stays inside.
        {u" C:\\Apps\\Karvel ", u"C:\\Apps\\Karvel \\"},
        {u"C:\\Apps\\Karvel\\ ", u"C:\\Apps\\Karvel\\ \\"},
    };
    for (const auto& c : cases) EXPECT_EQ(ToUtf8(NormaliseSetupDir(c.text)), ToUtf8(c.folder)) << ToUtf8(c.text);
}

TEST(InstallSteps, UninstallValuesFollowTheTextSet) {
    for (const int mode : {0, 2}) {
        const auto values = UninstallValues(mode, u"C:\\Apps\\Karvel\\", u"Karvel", u"Orvane画图", u"3.40",
                                            u"http://cn.example/", u"http://home.example/");
        const bool chinese = mode == 0;
        const std::pair<std::u16string, std::u16string> expected[] = {
            {u"DisplayIcon", u"C:\\Apps\\Karvel\\Karvel.exe"},
            {u"DisplayName", u"Orvane画图"},
            {u"DisplayVersion", u"3.40"},
            {u"Publisher", chinese ? u"Orvane软件" : u"Orvane Software"},
            {u"URLInfoAbout", chinese ? u"http://cn.example/" : u"http://home.example/"},
            {u"UninstallString", u"C:\\Apps\\Karvel\\Uninst.exe"},
        };
        ASSERT_EQ(values.size(), std::size(expected));
        for (std::size_t i = 0; i < values.size(); ++i) {
            EXPECT_EQ(ToUtf8(values[i].first), ToUtf8(expected[i].first)) << "mode " << mode;
            EXPECT_EQ(ToUtf8(values[i].second), ToUtf8(expected[i].second)) << "mode " << mode;
        }
    }
    EXPECT_EQ(ToUtf8(UninstallKeyPath(u"Orvane画图")),
              "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Orvane画图");
}

TEST(InstallSteps, TheAntivirusIsFoundByEitherProcessNameInAnyCase) {
    const struct {
        std::u16string process;
        bool found;
    } cases[] = {
        {u"kxetray.exe", true},  {u"KXETRAY.EXE", true},      {u"KAVSvc.exe", true},    {u"kavsvc.EXE", true},
        {u"notepad.exe", false}, {u"kxetray.exe.bak", false}, {u"xkxetray.exe", false}, {u"", false},
    };
    for (const auto& c : cases) {
        TDataTable table(u"", TColumnSet{});
        for (const std::u16string& name : {std::u16string(u"explorer.exe"), c.process}) {
            auto row = std::make_unique<TRow>(nullptr);
            row->AddItem(name);
            table.AddItem(std::move(row));
        }
        EXPECT_EQ(IsConflictingAntivirusRunning(table), c.found) << ToUtf8(c.process);
    }
    EXPECT_FALSE(IsConflictingAntivirusRunning(TDataTable(u"", TColumnSet{})));
}

}  // namespace
}  // namespace stp::test
