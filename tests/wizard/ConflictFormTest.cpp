// The conflict notice TfrmConflict created in the test process: its texts composed from
// the executable name, its fonts from Windows 6 on, and how its modal show ends.
#include <gtest/gtest.h>

#include <string>

#include "conflict/ConflictForm.h"
#include "datatable/Text.h"
#include "tests/wizard/WizardFixture.h"
#include "ui/Button.h"
#include "ui/Label.h"
#include "ui/SystemInfo.h"

namespace stp::test {
namespace {

std::size_t Occurrences(const std::u16string& text, const std::u16string& part) {
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::u16string::npos; at = text.find(part, at + part.size())) ++count;
    return count;
}

class ConflictNotice : public WizardTest {};

TEST_F(ConflictNotice, NamesTheProductAfterTheExecutable) {
    const struct {
        std::u16string exeName, label;
    } cases[] = {
        {u"Karvel", u"Orvane画图"},
        {u"Zindle", u"Orvane定时助手"},
        {u"zindle", u"Orvane画图"},
        {u"", u"Orvane画图"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(ToUtf8(c.exeName));
        TfrmConflict notice;
        notice.Create();
        notice.SetExeName(c.exeName);
        EXPECT_EQ(ToUtf8(notice.Caption()), ToUtf8(u"温馨提示 - " + c.label));
        const std::u16string message = notice.Component<TLabel>("lblContent").Text();
        EXPECT_EQ(Occurrences(message, c.label), 3u) << ToUtf8(message);
        EXPECT_EQ(message.rfind(u"首先，感谢您使用“" + c.label + u"”软件。\n\n", 0), 0u) << ToUtf8(message);
        // The maker's Chinese-language address, from the build configuration.
        EXPECT_EQ(ToUtf8(notice.Component<TLabel>("Label2").Text()), "http://www.orvane.cn/");
    }
}

TEST_F(ConflictNotice, FromWindows6OnTheTextsUseYaHeiButNotTheAddress) {
    if (WindowsMajorVersion() < 6) GTEST_SKIP() << "the Windows 6 fonts need Windows 6";
    TfrmConflict notice;
    notice.Create();
    for (const char* name : {"Label1", "lblRegister", "lblContent", "Button1", "Button2"}) {
        const TFont font = notice.Component<TControl>(name).Font();
        EXPECT_EQ(ToUtf8(font.Name()), "微软雅黑") << name;
        EXPECT_EQ(font.Size(), 10) << name;
    }
    const TFont address = notice.Component<TLabel>("Label2").Font();
    EXPECT_EQ(ToUtf8(address.Name()), "Tahoma");
    EXPECT_EQ(address.Height(), -14);
}

// The modal show ends with the cancel result, by Button2 or the title-bar button; the
// click arrives while the notice is shown, as the user's would.
TEST_F(ConflictNotice, Button2AndTheCloseButtonEndTheModalShow) {
    for (const bool byButton : {true, false}) {
        SCOPED_TRACE(byButton ? "Button2" : "close button");
        TfrmConflict notice;
        notice.Create();
        notice.SetExeName(u"Karvel");
        if (byButton)
            PostMessageW(notice.Component<TButton>("Button2").Handle(), BM_CLICK, 0, 0);
        else
            PostMessageW(notice.Handle(), WM_CLOSE, 0, 0);
        EXPECT_EQ(notice.ShowModal(), mrCancel);
        EXPECT_FALSE(IsWindowVisible(notice.Handle()));
    }
}

}  // namespace
}  // namespace stp::test
