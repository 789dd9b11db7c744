// The component layer: forms from layouts, handlers by name, reported handler errors,
// the idle notification, alignment, component names for other processes, pictures.
#include <gtest/gtest.h>

#include <windows.h>

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "ui/Application.h"
#include "ui/Bitmap.h"
#include "ui/Button.h"
#include "ui/Form.h"
#include "ui/Image.h"
#include "ui/Jpeg.h"
#include "ui/Label.h"
#include "ui/Memo.h"
#include "ui/Panel.h"
#include "ui/Resources.h"

namespace stp {
namespace {

using K = TComponentKind;

FormLayout TestLayout(std::string clickHandler = "Clicked") {
    FormLayout f;
    f.Name = "TestForm";
    f.ClassName = "TTestForm";
    f.Caption = u"Test";
    f.Width = 300;
    f.Height = 200;
    f.ClientSize = true;
    f.Components = {
        {.Kind = K::Panel, .Name = "pnlHeader", .Top = 0, .Height = 40, .Align = TAlign::alTop},
        {.Kind = K::Panel, .Name = "pnlBanner", .Top = 10, .Height = 30, .Align = TAlign::alTop, .Visible = false},
        {.Kind = K::Image, .Name = "imgLeft", .Width = 50, .Align = TAlign::alLeft},
        {.Kind = K::Image, .Name = "imgRight", .Width = 20, .Align = TAlign::alRight},
        {.Kind = K::Label, .Name = "lblAuto", .Left = 60, .Top = 50, .Text = u"x", .AutoSize = true},
        {.Kind = K::Memo, .Name = "memoText", .Left = 60, .Top = 80, .Width = 200, .Height = 60},
        {.Kind = K::Button,
         .Name = "btnGo",
         .Left = 60,
         .Top = 150,
         .Width = 80,
         .Height = 24,
         .Text = u"Go",
         .Events = {{"OnClick", clickHandler}}},
        {.Kind = K::ApplicationEvents, .Name = "events", .Events = {{"OnIdle", "Idled"}}},
    };
    return f;
}

class TTestForm : public TForm {
public:
    explicit TTestForm(const FormLayout& layout) : TForm(layout) {}
    int clicks = 0;
    int idles = 0;
    bool failClick = false;

protected:
    TNotifyEvent FindNotifyHandler(const std::string& name) override {
        if (name != "Clicked") return {};
        return [this] {
            ++clicks;
            if (failClick) throw std::runtime_error("click failed");
        };
    }
    TIdleEvent FindIdleHandler(const std::string& name) override {
        if (name != "Idled") return {};
        return [this](bool& done) {
            ++idles;
            done = false;  // no waiting in the test
        };
    }
};

// A page shown first and one made once the form shows, holding a button, ahead of the
// first page in the tab order.
const FormLayout& DeferringLayout() {
    static const FormLayout layout = [] {
        FormLayout f;
        f.Name = "DeferringForm";
        f.ClassName = "TDeferringForm";
        f.Caption = u"Deferring";
        f.Width = 300;
        f.Height = 200;
        f.ClientSize = true;
        f.Events = {{"OnCreate", "Created"}};
        f.Components = {
            {.Kind = K::Panel, .Name = "pnlFirst", .Height = 150, .Align = TAlign::alTop, .TabOrder = 1},
            {.Kind = K::Panel, .Name = "pnlLater", .Height = 150, .Visible = false, .TabOrder = 0, .Deferred = true},
            {.Kind = K::Button,
             .Name = "btnLater",
             .Parent = "pnlLater",
             .Width = 80,
             .Height = 24,
             .Events = {{"OnClick", "Clicked"}}},
            {.Kind = K::Button, .Name = "btnFirst", .Top = 160, .Width = 80, .Height = 24},
        };
        return f;
    }();
    return layout;
}

class TDeferringForm : public TForm {
public:
    TDeferringForm() : TForm(DeferringLayout()) {}
    bool laterMissingAtCreate = false;
    int deferredCreated = 0;
    bool shownBeforeDeferred = false;
    bool completeAtFirstMessage = false;
    int clicks = 0;

    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message != WM_APP) return TForm::WndProc(message, wParam, lParam);
        completeAtFirstMessage = Complete() && FindComponent("btnLater");
        Application().Terminate();
        return 0;
    }

protected:
    TNotifyEvent FindNotifyHandler(const std::string& name) override {
        if (name == "Created")
            return [this] { laterMissingAtCreate = !FindComponent("pnlLater") && !FindComponent("btnLater"); };
        if (name == "Clicked") return [this] { ++clicks; };
        return {};
    }
    void DeferredCreated() override {
        ++deferredCreated;
        shownBeforeDeferred = IsWindowVisible(Handle()) != FALSE;
    }
};

class ComponentLayer : public ::testing::Test {
protected:
    void SetUp() override {
        app.emplace();
        app->Initialize();
        app->OnException = [this](const std::exception& e) { errors.push_back(e.what()); };
    }
    TTestForm& Make(const FormLayout& layout) {
        form = std::make_unique<TTestForm>(layout);
        form->Create();
        return *form;
    }
    void TearDown() override {
        form.reset();
        app.reset();
    }

    std::optional<TApplication> app;
    std::unique_ptr<TTestForm> form;
    std::vector<std::string> errors;
};

TEST_F(ComponentLayer, HandlersAreBoundByNameAndTheirErrorsReported) {
    const FormLayout layout = TestLayout();
    auto& f = Make(layout);
    f.Component<TButton>("btnGo").Click();
    EXPECT_EQ(f.clicks, 1);
    f.failClick = true;
    f.Component<TButton>("btnGo").Click();
    EXPECT_EQ(f.clicks, 2);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0], "click failed");
    f.Component<TButton>("btnGo").SetEnabled(false);
    f.Component<TButton>("btnGo").Click();
    EXPECT_EQ(f.clicks, 2);
}

TEST_F(ComponentLayer, AHandlerTheFormDoesNotPublishIsALayoutError) {
    const FormLayout layout = TestLayout("NoSuchHandler");
    TTestForm f(layout);
    EXPECT_THROW(f.Create(), std::logic_error);
}

TEST_F(ComponentLayer, IdleRunsOnceTheQueueIsEmpty) {
    const FormLayout layout = TestLayout();
    auto& f = Make(layout);
    app->ProcessMessages();
    PostMessageW(f.Handle(), WM_NULL, 0, 0);
    app->HandleMessage();  // the posted message
    EXPECT_EQ(f.idles, 0);
    app->ProcessMessages();
    app->HandleMessage();  // nothing left: idle
    EXPECT_EQ(f.idles, 1);
}

TEST_F(ComponentLayer, AlignedControlsShareTheClientArea) {
    const FormLayout layout = TestLayout();
    auto& f = Make(layout);
    auto& header = f.Component<TPanel>("pnlHeader");
    auto& banner = f.Component<TPanel>("pnlBanner");
    auto& left = f.Component<TImage>("imgLeft");
    auto& right = f.Component<TImage>("imgRight");
    EXPECT_EQ(header.Width(), 300);
    EXPECT_EQ(left.Top(), 40);
    EXPECT_EQ(left.Height(), 160);
    EXPECT_EQ(right.Left(), 280);
    // A hidden aligned control takes no room; shown, it stacks under the first.
    banner.SetVisible(true);
    EXPECT_EQ(banner.Top(), 40);
    EXPECT_EQ(left.Top(), 70);
    EXPECT_EQ(left.Height(), 130);
    header.SetVisible(false);
    EXPECT_EQ(banner.Top(), 0);
    EXPECT_EQ(left.Top(), 30);
}

TEST_F(ComponentLayer, ControlsCarryTheirNameAsAGlobalAtom) {
    const FormLayout layout = TestLayout();
    auto& f = Make(layout);
    HWND button = f.Component<TButton>("btnGo").Handle();
    const auto atom = static_cast<ATOM>(reinterpret_cast<ULONG_PTR>(GetPropW(button, L"ComponentName")));
    ASSERT_NE(atom, 0);
    wchar_t name[64] = {};
    GlobalGetAtomNameW(atom, name, 64);
    EXPECT_STREQ(name, L"btnGo");
    form.reset();
    EXPECT_EQ(GlobalFindAtomW(L"memoText"), 0) << "the atoms are released with the form";
}

TEST_F(ComponentLayer, LabelsSizeToTheirTextAndMemosKeepEmptyLines) {
    const FormLayout layout = TestLayout();
    auto& f = Make(layout);
    auto& label = f.Component<TLabel>("lblAuto");
    const int narrow = label.Width();
    label.SetText(u"a much longer text");
    EXPECT_GT(label.Width(), narrow);
    auto& memo = f.Component<TMemo>("memoText");
    memo.AddLine(u"one");
    memo.AddLines({u"", u"three", u""});
    const std::vector<std::u16string> expected = {u"one", u"", u"three", u""};
    EXPECT_EQ(memo.Lines(), expected);
}

TEST_F(ComponentLayer, TheMainFormShowsBeforeItsDeferredPartIsMadeAndHandlesNothingBefore) {
    auto& f = app->CreateMainForm<TDeferringForm>();
    EXPECT_TRUE(f.laterMissingAtCreate);
    EXPECT_FALSE(f.Complete());
    EXPECT_EQ(f.FindComponent("btnLater"), nullptr);
    ASSERT_NE(f.FindComponent("btnFirst"), nullptr);
    // Waiting before the form is shown: handled only once it is whole.
    PostMessageW(f.Handle(), WM_APP, 0, 0);
    app->Run();
    EXPECT_TRUE(f.completeAtFirstMessage);
    EXPECT_TRUE(f.shownBeforeDeferred);
    EXPECT_EQ(f.deferredCreated, 1);
    // Made in its container, its handler bound, the tab order over all components.
    auto& later = f.Component<TButton>("btnLater");
    EXPECT_EQ(GetParent(later.Handle()), f.Component<TPanel>("pnlLater").Handle());
    f.Component<TPanel>("pnlLater").SetVisible(true);
    later.Click();
    EXPECT_EQ(f.clicks, 1);
    EXPECT_EQ(GetWindow(f.Handle(), GW_CHILD), f.Component<TPanel>("pnlLater").Handle());
    f.CreateDeferred();
    EXPECT_EQ(f.deferredCreated, 1) << "made once";
    EXPECT_TRUE(errors.empty());
}

TEST(Bitmaps, TransparentDrawingLeavesTheBottomLeftColourOut) {
    // Two rows, top-down: red key-coloured pixels are transparent.
    const std::vector<std::uint8_t> bgr = {0, 0, 255, 0,   255, 0,   // top: red, green
                                           0, 0, 255, 255, 0,   0};  // bottom: red (key), blue
    const TBitmap bitmap = TBitmap::FromBgr(2, 2, bgr);
    EXPECT_EQ(bitmap.Pixel(0, 1), RGB(255, 0, 0));
    ScreenDc screen;
    MemoryDc dc(CreateCompatibleDC(screen.Get()));
    BitmapHandle target(CreateCompatibleBitmap(screen.Get(), 2, 2));
    SelectedObject selected(dc.get(), target.get());
    RECT all{0, 0, 2, 2};
    BrushHandle white(CreateSolidBrush(RGB(255, 255, 255)));
    FillRect(dc.get(), &all, white.get());
    DrawBitmap(dc.get(), 0, 0, bitmap, true);
    EXPECT_EQ(GetPixel(dc.get(), 0, 0), RGB(255, 255, 255));
    EXPECT_EQ(GetPixel(dc.get(), 1, 0), RGB(0, 255, 0));
    EXPECT_EQ(GetPixel(dc.get(), 0, 1), RGB(255, 255, 255));
    EXPECT_EQ(GetPixel(dc.get(), 1, 1), RGB(0, 0, 255));
    DrawBitmap(dc.get(), 0, 0, bitmap, false);
    EXPECT_EQ(GetPixel(dc.get(), 0, 0), RGB(255, 0, 0));
}

TEST(Jpeg, DecodesTheSideArtworkAndRejectsDamagedData) {
    std::vector<std::uint8_t> data = LoadResourceData(L"ImageLeft2", RT_RCDATA);
    const TBitmap picture = DecodeJpeg(data);
    EXPECT_EQ(picture.Width(), 160);
    EXPECT_EQ(picture.Height(), 308);
    EXPECT_THROW(DecodeJpeg({}), std::runtime_error);
    EXPECT_THROW(DecodeJpeg({0x12, 0x34, 0x56}), std::runtime_error);
    data.resize(data.size() / 8);  // a picture cut short still decodes, its rest grey
    EXPECT_NO_THROW(DecodeJpeg(data));
    EXPECT_THROW(LoadResourceData(L"NoSuchPicture", RT_RCDATA), std::runtime_error);
}

}  // namespace
}  // namespace stp
