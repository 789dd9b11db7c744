// A form's stored layout: the components it holds, with their positions, sizes, fonts,
// colours, visibility, tab order and the names of the handlers their events run. The
// layouts themselves are data in resources/layouts; TForm builds a window from one.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ui/Color.h"

namespace stp {

enum class TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };

enum class TComponentKind {
    Panel,
    Label,
    Button,
    CheckBox,
    Edit,
    Memo,
    GroupBox,
    Image,
    Bevel,
    ProgressBar,
    ApplicationEvents,
};

enum class TBorderStyle { Sizeable, Single };

struct FontLayout {
    std::u16string Name = u"Tahoma";
    int Height = -11;
    bool Bold = false;
    int Charset = DEFAULT_CHARSET;
    TColor Color = clWindowText;
};

// An event of a component ("OnClick") and the name of the form's handler it runs.
struct EventBinding {
    std::string Event;
    std::string Handler;
};

struct ComponentLayout {
    TComponentKind Kind{};
    std::string Name{};
    std::string Parent{};  // empty: the form itself
    int Left = 0;
    int Top = 0;
    int Width = 0;
    int Height = 0;
    TAlign Align = TAlign::alNone;
    std::u16string Text{};
    std::optional<FontLayout> Font{};  // absent: the parent's font
    std::optional<TColor> Color{};     // absent: the parent's colour
    bool Visible = true;
    bool Enabled = true;
    int TabOrder = -1;  // -1: not a tab stop of its own choosing
    // Made, with all it holds, only once the form has shown what it shows first: a page
    // the user cannot see yet (TForm::CreateDeferred).
    bool Deferred = false;
    bool WordWrap = false;
    bool AutoSize = false;
    bool ReadOnly = false;
    bool VerticalScrollBar = false;
    bool Checked = false;
    bool Center = false;          // picture centred
    bool Transparent = false;     // picture drawn without its bottom-left colour
    bool CenterVertical = false;  // label text centred vertically
    int Max = 100;
    std::vector<EventBinding> Events{};
};

struct FormLayout {
    std::string Name;       // component name of the form ("Form1")
    std::string ClassName;  // its window class ("TForm1")
    std::u16string Caption;
    int Width = 0;  // outer size
    int Height = 0;
    bool ClientSize = false;  // Width and Height give the client area instead
    TBorderStyle BorderStyle = TBorderStyle::Sizeable;
    bool MinimizeButton = true;
    bool MaximizeButton = false;
    TColor Color = clBtnFace;
    FontLayout Font;
    std::vector<EventBinding> Events{};
    std::vector<ComponentLayout> Components;  // parents before their children
};

}  // namespace stp
