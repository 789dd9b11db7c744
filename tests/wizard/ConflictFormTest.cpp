// The conflict notice TfrmConflict created in the test process: its texts composed from
// the executable name, its fonts from Windows 6 on, and how its modal show ends.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

#include "conflict/ConflictForm.h"
#include "datatable/Text.h"
#include "tests/support/DialogWatcher.h"
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

std::u16string Replaced(std::u16string text, const std::u16string& from, const std::u16string& to) {
    for (std::size_t at = text.find(from); at != std::u16string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

// A product whose product.ini gives NoticeLabel: the notice names it, whatever the
// executable, and nothing else of it changes.
TEST_F(ConflictNotice, NamesTheProductAfterItsNoticeLabelWhenGiven) {
    const std::u16string label = u"霍林画板";
    HMODULE labelled = LoadResourcesBesideTest(STP_NOTICE_LABEL_RESOURCES);
    ASSERT_NE(labelled, nullptr);
    for (const std::u16string exeName : {u"Karvel", u"Zindle"}) {
        SCOPED_TRACE(ToUtf8(exeName));
        SetResourceModule(nullptr);
        TfrmConflict plain;
        plain.Create();
        plain.SetExeName(exeName);
        SetResourceModule(labelled);
        TfrmConflict notice;
        notice.Create();
        notice.SetExeName(exeName);
        EXPECT_EQ(ToUtf8(notice.ProductLabel()), ToUtf8(label));
        EXPECT_EQ(ToUtf8(notice.Caption()), ToUtf8(u"温馨提示 - " + label));
        const std::u16string message = notice.Component<TLabel>("lblContent").Text();
        EXPECT_EQ(Occurrences(message, label), 3u) << ToUtf8(message);
        EXPECT_EQ(ToUtf8(message),
                  ToUtf8(Replaced(plain.Component<TLabel>("lblContent").Text(), plain.ProductLabel(), label)));
        EXPECT_EQ(ToUtf8(notice.Component<TLabel>("Label2").Text()), "http://www.orvane.cn/");
    }
    SetResourceModule(nullptr);
    FreeLibrary(labelled);
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

// Ends a modal show that nothing else ends, and says so.
class Deadline {
public:
    explicit Deadline(HWND window) : window_(window), thread_([this] { Run(); }) {}
    ~Deadline() {
        done_ = true;
        thread_.join();
    }
    bool Expired() const { return expired_; }

private:
    void Run() {
        for (int i = 0; i < 300 && !done_; ++i) Sleep(50);
        if (done_) return;
        expired_ = true;
        PostMessageW(window_, WM_CLOSE, 0, 0);
    }
    HWND window_;
    std::atomic<bool> done_{false}, expired_{false};
    std::thread thread_;
};

// The notice handles the keyboard like every form: Tab moves from Button1 to Button2 and
// Enter presses the focused button, here Button2, which ends the show.
TEST_F(ConflictNotice, TabMovesToButton2AndEnterPressesIt) {
    TfrmConflict notice;
    notice.Create();
    notice.SetExeName(u"Karvel");
    HWND button1 = notice.Component<TButton>("Button1").Handle();
    bool boxShown = false;
    const DialogWatcher boxes([&](HWND box) {
        boxShown = true;
        PostMessageW(box, WM_COMMAND, IDOK, 0);
    });
    PostMessageW(notice.Handle(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(button1), TRUE);
    PostMessageW(button1, WM_KEYDOWN, VK_TAB, 0);
    PostMessageW(button1, WM_KEYDOWN, VK_RETURN, 0);
    const Deadline deadline(notice.Handle());
    EXPECT_EQ(notice.ShowModal(), mrCancel);
    EXPECT_FALSE(deadline.Expired()) << "Tab and Enter did not end the show";
    EXPECT_FALSE(boxShown) << "Enter pressed Button1: Tab did not move";
}

// Enter on Button1 copies the address; the confirmation is the notice's own box, and the
// notice takes no clicks while it is up.
TEST_F(ConflictNotice, TheConfirmationIsOwnedByTheNoticeWhichWaitsForIt) {
    TfrmConflict notice;
    notice.Create();
    notice.SetExeName(u"Karvel");
    HWND owner = nullptr;
    bool noticeEnabled = true;
    HWND button2 = notice.Component<TButton>("Button2").Handle();
    const DialogWatcher box([&](HWND found) {
        owner = GetWindow(found, GW_OWNER);
        noticeEnabled = IsWindowEnabled(notice.Handle()) != FALSE;
        PostMessageW(found, WM_COMMAND, IDOK, 0);
        PostMessageW(button2, BM_CLICK, 0, 0);
    });
    HWND button1 = notice.Component<TButton>("Button1").Handle();
    PostMessageW(notice.Handle(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(button1), TRUE);
    PostMessageW(button1, WM_KEYDOWN, VK_RETURN, 0);
    const Deadline deadline(notice.Handle());
    EXPECT_EQ(notice.ShowModal(), mrCancel);
    EXPECT_FALSE(deadline.Expired());
    EXPECT_TRUE(box.Acted()) << "no confirmation";
    EXPECT_EQ(owner, notice.Handle());
    EXPECT_FALSE(noticeEnabled);
}

}  // namespace
}  // namespace stp::test
