// Layout of the antivirus conflict notice TfrmConflict (Chinese only).
#include "resources/layouts/Layouts.h"

namespace stp {

namespace {

using K = TComponentKind;

FontLayout Tahoma(int height, TColor color) {
    return FontLayout{.Name = u"Tahoma", .Height = height, .Bold = false, .Charset = DEFAULT_CHARSET, .Color = color};
}

FormLayout MakeFrmConflictLayout() {
    FormLayout f;
    f.Name = "frmConflict";
    f.ClassName = "TfrmConflict";
    f.Caption = u"温馨提示";
    f.Width = 512;
    f.Height = 322;
    f.ClientSize = true;
    f.BorderStyle = TBorderStyle::Single;
    f.MinimizeButton = false;
    f.MaximizeButton = false;
    f.Color = clBtnFace;
    f.Font = FontLayout{.Name = u"Tahoma", .Height = -11, .Bold = false, .Charset = DEFAULT_CHARSET};
    f.Events = {{"OnCreate", "FormCreate"}};
    // A component a row, as the form lays them out.
    // clang-format off
    f.Components = {
        {.Kind = K::Label, .Name = "Label1", .Left = 31, .Top = 28, .Width = 92, .Height = 18,
         .Text = u"尊敬的用户：", .Font = Tahoma(-13, clNavy), .CenterVertical = true},
        {.Kind = K::Label, .Name = "lblContent", .Left = 58, .Top = 54, .Width = 411, .Height = 145,
         .Font = Tahoma(-13, clNavy), .WordWrap = true, .CenterVertical = true},
        {.Kind = K::Label, .Name = "lblRegister", .Left = 58, .Top = 217, .Width = 324, .Height = 18,
         .Text = u"了解更多信息，请访问Orvane软件官方网站：", .Font = Tahoma(-13, clGreen), .CenterVertical = true},
        {.Kind = K::Label, .Name = "Label2", .Left = 58, .Top = 250, .Width = 274, .Height = 18,
         .Font = Tahoma(-14, clGreen), .CenterVertical = true},
        {.Kind = K::Button, .Name = "Button1", .Left = 333, .Top = 245, .Width = 85, .Height = 26,
         .Text = u"复制网址", .TabOrder = 0, .Events = {{"OnClick", "Button1Click"}}},
        {.Kind = K::Button, .Name = "Button2", .Left = 432, .Top = 245, .Width = 55, .Height = 26,
         .Text = u"退出", .TabOrder = 1, .Events = {{"OnClick", "Button2Click"}}},
    };
    // clang-format on
    return f;
}

}  // namespace

const FormLayout& FrmConflictLayout() {
    static const FormLayout layout = MakeFrmConflictLayout();
    return layout;
}

}  // namespace stp
