// The running-program guard: which title is found, and the message it gives.
#include <gtest/gtest.h>

#include <set>
#include <utility>

#include "app/Guard.h"
#include "datatable/Text.h"

namespace stp {
namespace {

const TargetWindow Karvel{u"OrvaneKarvelCanvas", u"Karvel", u"Orvane画图"};

// A finder over a set of (class, title) windows.
WindowFinder Windows(std::set<std::pair<std::u16string, std::u16string>> windows) {
    return [windows = std::move(windows)](const std::u16string& cls, const std::u16string& title) {
        return windows.count({cls, title}) != 0;
    };
}

TEST(FindRunningTitle, EnglishTitleIsLookedForFirst) {
    struct Case {
        std::set<std::pair<std::u16string, std::u16string>> windows;
        std::u16string expected;
    };
    const Case cases[] = {
        {{}, u""},
        {{{u"OrvaneKarvelCanvas", u"Karvel"}}, u"Karvel"},
        {{{u"OrvaneKarvelCanvas", u"Orvane画图"}}, u"Orvane画图"},
        {{{u"OrvaneKarvelCanvas", u"Karvel"}, {u"OrvaneKarvelCanvas", u"Orvane画图"}}, u"Karvel"},
        // The right title with another class, or the class with another title, is not the program.
        {{{u"Notepad", u"Karvel"}, {u"OrvaneKarvelCanvas", u"Karvel - drawing"}}, u""},
    };
    for (const Case& c : cases) EXPECT_EQ(ToUtf8(FindRunningTitle(Karvel, Windows(c.windows))), ToUtf8(c.expected));
}

TEST(MakeRefusalMessage, ChineseNamesTheFoundTitleEnglishAlwaysTheEnglishTitle) {
    struct Case {
        int mode;
        std::u16string running;
        std::u16string text;
        std::u16string caption;
    };
    const Case cases[] = {
        {0, u"Karvel", u"Karvel正在运行，请先退出后再进行安装。", u"安装向导"},
        {0, u"Orvane画图", u"Orvane画图正在运行，请先退出后再进行安装。", u"安装向导"},
        {2, u"Karvel", u"Karvel program is running, please close it first.", u"Setup"},
        {2, u"Orvane画图", u"Karvel program is running, please close it first.", u"Setup"},
    };
    for (const Case& c : cases) {
        const RefusalMessage m = MakeRefusalMessage(c.mode, c.running, Karvel.TitleEnglish);
        EXPECT_EQ(ToUtf8(m.Text), ToUtf8(c.text));
        EXPECT_EQ(ToUtf8(m.Caption), ToUtf8(c.caption));
    }
}

}  // namespace
}  // namespace stp
