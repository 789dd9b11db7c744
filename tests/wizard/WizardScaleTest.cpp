// The wizard in both text sets, page by page, and the conflict notice, at the display
// scale the test prefix is set to: every control's rectangle is its rectangle at 96 DPI
// (layout-96.txt, recorded from the unscaled wizard) scaled to the window's DPI, within a
// pixel, exactly at 96 DPI; no caption or label text is wider than its control; the
// pictures fill their places. The same after a move to a monitor of another scale.
// scales.sh runs this at 96, 120, 144 and 192 DPI with STP_EXPECT_DPI set.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "conflict/ConflictForm.h"
#include "datatable/Text.h"
#include "resources/layouts/Layouts.h"
#include "tests/wizard/WizardFixture.h"
#include "tools/uidriver/Driver.h"
#include "ui/Dpi.h"
#include "ui/Font.h"
#include "ui/Image.h"
#include "ui/Wide.h"

namespace stp::test {
namespace {

// One control as it shows: its rectangle in its parent's client area.
struct Placed {
    RECT Rect;
    bool AutoSize;
};
// By state ("english-page3") and component name; the form's client area is named after it.
using Placements = std::map<std::string, std::map<std::string, Placed>>;

std::string ReferencePath() { return std::string("Z:") + STP_SOURCE_DIR + "/tests/wizard/layout-96.txt"; }

const ComponentLayout* FindLayout(const FormLayout& form, const std::string& name) {
    for (const ComponentLayout& c : form.Components)
        if (c.Name == name) return &c;
    return nullptr;
}

RECT InParent(HWND window) {
    RECT r = uidriver::WindowRect(window);
    MapWindowPoints(HWND_DESKTOP, GetParent(window), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

// The visible controls of Form, and its client area.
std::map<std::string, Placed> Place(TForm& form, const FormLayout& layout) {
    std::map<std::string, Placed> placed;
    RECT client;
    GetClientRect(form.Handle(), &client);
    placed[layout.Name] = {client, false};
    for (const auto& c : uidriver::ListControls(form.Handle())) {
        if (!IsWindowVisible(c.Handle)) continue;
        const std::string name = ToUtf8(c.Name);
        const ComponentLayout* l = FindLayout(layout, name);
        placed[name] = {InParent(c.Handle), l && l->AutoSize};
    }
    return placed;
}

// The width Text needs in Control's font, and its height when wrapped at Width.
SIZE TextExtent(HWND control, const std::wstring& text, UINT flags, int width) {
    HDC dc = GetDC(control);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)));
    RECT r{0, 0, width, 0};
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r, flags | DT_CALCRECT);
    SelectObject(dc, old);
    ReleaseDC(control, dc);
    return {r.right - r.left, r.bottom - r.top};
}

// What of a visible control's text does not fit it, or "" when all does.
std::string TextOverflow(HWND window, const ComponentLayout& l, int dpi) {
    const std::wstring text = ToWide(uidriver::WindowText(window));
    if (text.empty()) return {};
    RECT r;
    GetClientRect(window, &r);
    const int width = r.right;
    const int height = r.bottom;
    int room = width;
    UINT flags = DT_SINGLELINE;
    switch (l.Kind) {
    case TComponentKind::Button: room = width - MulDiv(6, dpi, 96); break;
    case TComponentKind::CheckBox: room = width - MulDiv(13 + 4, dpi, 96); break;
    case TComponentKind::GroupBox:
        room = width - MulDiv(2 * 8, dpi, 96);
        flags |= DT_NOPREFIX;
        break;
    case TComponentKind::Label: flags = DT_NOPREFIX | DT_EXPANDTABS | (l.WordWrap ? DT_WORDBREAK : 0u); break;
    default: return {};
    }
    const SIZE need = TextExtent(window, text, flags, width);
    if (need.cx > room) return "needs " + std::to_string(need.cx) + " px of " + std::to_string(room);
    if (l.Kind == TComponentKind::Label && l.WordWrap && need.cy > height)
        return "wraps to " + std::to_string(need.cy) + " px of " + std::to_string(height);
    return {};
}

void ExpectTextsFit(TForm& form, const FormLayout& layout, const std::string& state, int dpi) {
    for (const auto& c : uidriver::ListControls(form.Handle())) {
        if (!IsWindowVisible(c.Handle)) continue;
        const ComponentLayout* l = FindLayout(layout, ToUtf8(c.Name));
        if (!l) continue;
        const std::string overflow = TextOverflow(c.Handle, *l, dpi);
        EXPECT_TRUE(overflow.empty()) << state << " " << l->Name << ": its text " << overflow;
    }
}

// The side picture fills its place; the header icon keeps its 32 pixels at 96 DPI. The
// demo product gives its side pictures at twice the size, which high scales draw.
void ExpectPicturesFit(TForm& form, const std::string& state) {
    const int dpi = form.PixelsPerInch();
    const auto& side = form.Component<TImage>("Image1");
    EXPECT_EQ(side.PictureDpi(), dpi > 96 ? 192 : 96) << state;
    EXPECT_EQ(side.DrawnSize().cx, side.Width()) << state;
    EXPECT_EQ(side.DrawnSize().cy, side.Height()) << state;
    for (const char* name : {"Image2", "Image3"}) {
        const SIZE icon = form.Component<TImage>(name).DrawnSize();
        EXPECT_EQ(icon.cx, MulDiv(32, dpi, 96)) << state << " " << name;
        EXPECT_EQ(icon.cy, MulDiv(32, dpi, 96)) << state << " " << name;
    }
}

// As if the window moved to a monitor drawn at Dpi.
void MoveToMonitorAt(TForm& form, int dpi) {
    RECT r = uidriver::WindowRect(form.Handle());
    SendMessageW(form.Handle(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&r));
}

// Walks both text sets through the four pages, and shows the notice; each first moved to
// a monitor at MoveToDpi when that is given.
Placements PlaceEverything(TApplication& app, const std::function<InstallingForm1&(int)>& makeForm, int moveToDpi = 0) {
    Placements all;
    for (const auto& [mode, set] : {std::pair{0, "chinese"}, std::pair{2, "english"}}) {
        InstallingForm1& form = makeForm(mode);
        if (moveToDpi) MoveToMonitorAt(form, moveToDpi);
        form.Show();
        for (int page = 1; page <= 4; ++page) {
            app.ProcessMessages();
            app.Idle();
            const std::string state = std::string(set) + "-page" + std::to_string(page);
            all[state] = Place(form, Form1Layout());
            ExpectTextsFit(form, Form1Layout(), state, form.PixelsPerInch());
            if (page == 1 || page == 4) ExpectPicturesFit(form, state);
            if (page < 4) form.Component<TButton>("btnNext").Click();
        }
        form.Hide();
    }
    TfrmConflict notice;
    notice.Create();
    notice.SetExeName(u"Karvel");
    if (moveToDpi) MoveToMonitorAt(notice, moveToDpi);
    notice.Show();
    app.ProcessMessages();
    all["notice"] = Place(notice, FrmConflictLayout());
    ExpectTextsFit(notice, FrmConflictLayout(), "notice", notice.PixelsPerInch());
    notice.Hide();
    return all;
}

void Write(const Placements& all, const std::string& path) {
    std::ofstream out(path, std::ios::binary);
    out << "# state component left top right bottom [auto]: at 96 DPI, in the parent's client area\n";
    for (const auto& [state, controls] : all)
        for (const auto& [name, p] : controls)
            out << state << ' ' << name << ' ' << p.Rect.left << ' ' << p.Rect.top << ' ' << p.Rect.right << ' '
                << p.Rect.bottom << (p.AutoSize ? " auto" : "") << '\n';
}

Placements Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    Placements all;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream fields(line);
        std::string state, name, flag;
        Placed p{};
        fields >> state >> name >> p.Rect.left >> p.Rect.top >> p.Rect.right >> p.Rect.bottom >> flag;
        p.AutoSize = flag == "auto";
        all[state][name] = p;
    }
    return all;
}

int Scaled(int value, int dpi) { return MulDiv(value, dpi, 96); }

// Each rectangle of Reference scaled to Dpi, within Slack pixels.
void ExpectScaled(const Placements& reference, const Placements& actual, int dpi, int slack) {
    ASSERT_FALSE(reference.empty()) << "no " << ReferencePath();
    for (const auto& [state, controls] : reference) {
        const auto shown = actual.find(state);
        ASSERT_NE(shown, actual.end()) << state;
        for (const auto& [name, at96] : controls) {
            const auto it = shown->second.find(name);
            if (it == shown->second.end()) {
                ADD_FAILURE() << state << " " << name << " does not show";
                continue;
            }
            const RECT want{Scaled(at96.Rect.left, dpi), Scaled(at96.Rect.top, dpi), Scaled(at96.Rect.right, dpi),
                            Scaled(at96.Rect.bottom, dpi)};
            const RECT got = it->second.Rect;
            // A label sized to its text takes the text's size, which depends on the text
            // (the free space shown) and, at other scales, on font hinting: its place is
            // checked, and that the text fits.
            const bool sized = !at96.AutoSize;
            const bool within =
                std::abs(got.left - want.left) <= slack && std::abs(got.top - want.top) <= slack &&
                (!sized || (std::abs(got.right - want.right) <= slack && std::abs(got.bottom - want.bottom) <= slack));
            EXPECT_TRUE(within) << state << " " << name << " at " << dpi << " DPI: (" << got.left << ", " << got.top
                                << ")-(" << got.right << ", " << got.bottom << "), scaled from 96 DPI (" << want.left
                                << ", " << want.top << ")-(" << want.right << ", " << want.bottom << ")";
        }
        EXPECT_EQ(shown->second.size(), controls.size()) << state << ": other controls show";
    }
}

class WizardScale : public WizardTest {
protected:
    InstallingForm1& Make(int mode) { return MakeForm(mode); }
};

TEST_F(WizardScale, EveryRectangleIsItsUnscaledOneScaled) {
    const int dpi = ScreenPixelsPerInch();
    if (const char* expected = std::getenv("STP_EXPECT_DPI")) {
        ASSERT_EQ(dpi, std::atoi(expected)) << "the prefix is set to another scale";
    }
    const Placements actual = PlaceEverything(App(), [this](int mode) -> InstallingForm1& { return Make(mode); });
    if (std::getenv("STP_RECORD_LAYOUT")) {
        ASSERT_EQ(dpi, 96);
        Write(actual, ReferencePath());
        return;
    }
    ExpectScaled(Read(ReferencePath()), actual, dpi, dpi == 96 ? 0 : 1);
}

TEST_F(WizardScale, MovingToAMonitorOfAnotherScaleRescalesInPlace) {
    // 150 % from 96 DPI (the larger window still fits the test prefix's 800 x 600 desktop),
    // back to 96 from the higher ones: one rounding either way.
    const int from = ScreenPixelsPerInch();
    const int to = from == 96 ? 144 : 96;
    const Placements actual = PlaceEverything(
        App(), [this](int mode) -> InstallingForm1& { return Make(mode); }, to);
    ExpectScaled(Read(ReferencePath()), actual, to, 1);

    auto& form = MakeForm(0);
    MoveToMonitorAt(form, to);
    EXPECT_EQ(form.PixelsPerInch(), to);
    EXPECT_EQ(form.Component<TControl>("lblWelcome").Font().Height(), MulDiv(-16, to, 96));
    EXPECT_EQ(form.Component<TControl>("btnNext").Font().Height(), MulDiv(-11, to, 96));
}

}  // namespace
}  // namespace stp::test
