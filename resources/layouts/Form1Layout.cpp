// Layout of the setup wizard TForm1. Texts given here are the Chinese ones the
// wizard keeps in its Chinese text set; creation sets the others.
#include "resources/layouts/Layouts.h"

namespace stp {

namespace {

using K = TComponentKind;
using A = TAlign;

constexpr TColor clCream = RGBColor(255, 251, 240);

FontLayout Tahoma(int height, bool bold = false) {
    return FontLayout{.Name = u"Tahoma", .Height = height, .Bold = bold, .Charset = ANSI_CHARSET};
}

FormLayout MakeForm1Layout() {
    FormLayout f;
    f.Name = "Form1";
    f.ClassName = "TForm1";
    f.Caption = u"安装向导";
    f.Width = 503;
    f.Height = 398;
    f.BorderStyle = TBorderStyle::Sizeable;
    f.MinimizeButton = true;
    f.MaximizeButton = false;
    f.Color = clBtnFace;
    f.Font = Tahoma(-11);
    f.Events = {{"OnCreate", "FormCreate"}};
    // A component a row, as the form lays them out.
    // clang-format off
    f.Components = {
        // Page 1: welcome.
        {.Kind = K::Panel, .Name = "pnlStep1", .Width = 495, .Height = 308, .Align = A::alTop, .Color = clWhite,
         .TabOrder = 1},
        {.Kind = K::Image, .Name = "Image1", .Parent = "pnlStep1", .Width = 160, .Height = 308, .Align = A::alLeft},
        {.Kind = K::Label, .Name = "lblWelcome", .Parent = "pnlStep1", .Left = 183, .Top = 20, .Width = 305,
         .Height = 53, .Font = Tahoma(-16, true), .WordWrap = true},
        {.Kind = K::Label, .Name = "lblWillInstall", .Parent = "pnlStep1", .Left = 184, .Top = 96, .Width = 304,
         .Height = 148, .WordWrap = true},

        // Page 2: licence agreement.
        {.Kind = K::Panel, .Name = "pnlStep2", .Width = 495, .Height = 308, .Color = clBtnFace, .Visible = false,
         .TabOrder = 2, .Deferred = true},
        {.Kind = K::Panel, .Name = "Panel3", .Parent = "pnlStep2", .Width = 495, .Height = 56, .Align = A::alTop,
         .Color = clCream},
        {.Kind = K::Label, .Name = "lblLicense", .Parent = "Panel3", .Left = 17, .Top = 20,
         .Text = u"在安装之前，请阅读许可协议", .Font = Tahoma(-11, true), .AutoSize = true},
        {.Kind = K::Label, .Name = "lblLicenseTip", .Parent = "Panel3", .Left = 36, .Top = 28, .Visible = false,
         .AutoSize = true},
        {.Kind = K::Image, .Name = "Image2", .Parent = "Panel3", .Left = 428, .Width = 67, .Height = 56,
         .Align = A::alRight, .Center = true, .Transparent = true},
        {.Kind = K::Bevel, .Name = "Bevel2", .Parent = "pnlStep2", .Top = 56, .Width = 495, .Height = 2,
         .Align = A::alTop},
        {.Kind = K::Memo, .Name = "Memo2", .Parent = "pnlStep2", .Left = 18, .Top = 75, .Width = 459, .Height = 177,
         .TabOrder = 0, .ReadOnly = true, .VerticalScrollBar = true},
        {.Kind = K::Label, .Name = "lblAgreement", .Parent = "pnlStep2", .Left = 23, .Top = 267, .Width = 437,
         .Height = 32, .Text = u"如果您接受协议中的条款，请单击 [我同意] 继续安装。", .WordWrap = true},

        // Page 3: destination folder and options.
        {.Kind = K::Panel, .Name = "pnlStep3", .Width = 495, .Height = 308, .Color = clBtnFace, .Visible = false,
         .TabOrder = 3, .Deferred = true},
        {.Kind = K::Panel, .Name = "Panel4", .Parent = "pnlStep3", .Width = 495, .Height = 56, .Align = A::alTop,
         .Color = clCream},
        {.Kind = K::Label, .Name = "lblFolder", .Parent = "Panel4", .Left = 17, .Top = 20,
         .Text = u"选择安装位置并设置选项", .Font = Tahoma(-11, true), .AutoSize = true},
        {.Kind = K::Label, .Name = "lblFolderTip", .Parent = "Panel4", .Left = 36, .Top = 28, .Visible = false,
         .AutoSize = true},
        {.Kind = K::Image, .Name = "Image3", .Parent = "Panel4", .Left = 428, .Width = 67, .Height = 56,
         .Align = A::alRight, .Center = true, .Transparent = true},
        {.Kind = K::Bevel, .Name = "Bevel3", .Parent = "pnlStep3", .Top = 56, .Width = 495, .Height = 2,
         .Align = A::alTop},
        {.Kind = K::Label, .Name = "lblSetupFolder", .Parent = "pnlStep3", .Left = 40, .Top = 75, .Width = 420,
         .Height = 49, .WordWrap = true},
        {.Kind = K::GroupBox, .Name = "gbFolder", .Parent = "pnlStep3", .Left = 40, .Top = 132, .Width = 419,
         .Height = 63, .Text = u"目标文件夹", .TabOrder = 0},
        {.Kind = K::Edit, .Name = "editSetupDir", .Parent = "gbFolder", .Left = 17, .Top = 24, .Width = 305,
         .Height = 21, .TabOrder = 0, .Events = {{"OnChange", "editSetupDirChange"}}},
        {.Kind = K::Button, .Name = "btnBrowse", .Parent = "gbFolder", .Left = 325, .Top = 24, .Width = 77,
         .Height = 21, .Text = u"浏览(&S)...", .TabOrder = 1, .Events = {{"OnClick", "btnBrowseClick"}}},
        {.Kind = K::Label, .Name = "lblNeedSize", .Parent = "pnlStep3", .Left = 41, .Top = 221, .AutoSize = true},
        {.Kind = K::Label, .Name = "lblFreeSize", .Parent = "pnlStep3", .Left = 41, .Top = 247, .AutoSize = true},
        {.Kind = K::CheckBox, .Name = "chkSCOnDesktop", .Parent = "pnlStep3", .Left = 237, .Top = 217, .Width = 151,
         .Height = 20, .Text = u"创建桌面快捷方式", .TabOrder = 1, .Checked = true},
        {.Kind = K::CheckBox, .Name = "chkSCOnQuick", .Parent = "pnlStep3", .Left = 237, .Top = 243, .Width = 184,
         .Height = 20, .Text = u"创建快速启动栏快捷方式", .TabOrder = 2, .Checked = true},

        // Page 4: completion.
        {.Kind = K::Panel, .Name = "pnlStep4", .Width = 495, .Height = 308, .Color = clWhite, .Visible = false,
         .TabOrder = 4, .Deferred = true},
        {.Kind = K::Label, .Name = "lblComplete", .Parent = "pnlStep4", .Left = 183, .Top = 20, .Width = 305,
         .Height = 53, .Font = Tahoma(-16, true), .WordWrap = true},
        {.Kind = K::Label, .Name = "lblClose", .Parent = "pnlStep4", .Left = 184, .Top = 89, .Width = 302,
         .Height = 65, .Visible = false, .WordWrap = true},
        {.Kind = K::CheckBox, .Name = "chkRunOnExit", .Parent = "pnlStep4", .Left = 207, .Top = 111, .Width = 203,
         .Height = 14, .Text = u"立即运行软件", .TabOrder = 0, .Checked = true},

        // The button row.
        {.Kind = K::Bevel, .Name = "Bevel1", .Left = -1, .Top = 308, .Width = 555, .Height = 2},
        {.Kind = K::Button, .Name = "btnPrev", .Left = 253, .Top = 323, .Width = 77, .Height = 22,
         .Text = u"上一步", .TabOrder = 5, .Events = {{"OnClick", "btnPrevClick"}}},
        {.Kind = K::Button, .Name = "btnNext", .Left = 330, .Top = 323, .Width = 77, .Height = 22,
         .Text = u"下一步", .TabOrder = 0, .Events = {{"OnClick", "btnNextClick"}}},
        {.Kind = K::Button, .Name = "btnClose", .Left = 417, .Top = 323, .Width = 62, .Height = 22,
         .Text = u"取 消", .TabOrder = 6, .Events = {{"OnClick", "btnCloseClick"}}},
        {.Kind = K::ProgressBar, .Name = "ProgressBar1", .Left = 35, .Top = 328, .Width = 185, .Height = 12,
         .Visible = false, .Max = 100},
        {.Kind = K::ApplicationEvents, .Name = "ApplicationEvents1", .Events = {{"OnIdle", "ApplicationEvents1Idle"}}},
    };
    // clang-format on
    return f;
}

}  // namespace

const FormLayout& Form1Layout() {
    static const FormLayout layout = MakeForm1Layout();
    return layout;
}

}  // namespace stp
