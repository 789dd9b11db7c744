// Texts, agreement lines, fonts and positions of both text sets, with the demo
// product's build configuration (freeware "-1") and its shareware variant ("0").
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "datatable/Text.h"
#include "tests/wizard/WizardFixture.h"
#include "ui/CheckBox.h"
#include "ui/Label.h"
#include "ui/Memo.h"
#include "ui/ProductConfig.h"
#include "wizard/WizardTexts.h"

namespace stp::test {
namespace {

using Texts = std::vector<std::pair<const char*, std::u16string>>;
using Lines = std::vector<std::u16string>;

void ExpectTexts(TForm& form, const Texts& expected) {
    for (const auto& [name, text] : expected)
        EXPECT_EQ(ToUtf8(form.Component<TControl>(name).Text()), ToUtf8(text)) << name;
}

void ExpectLines(TForm& form, const Lines& expected) {
    const Lines actual = form.Component<TMemo>("Memo2").Lines();
    ASSERT_EQ(actual.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(ToUtf8(actual[i]), ToUtf8(expected[i])) << "agreement line " << i + 1;
}

void ExpectPosition(TForm& form, const char* name, int left, int top) {
    const auto& c = form.Component<TControl>(name);
    EXPECT_EQ(c.Left(), left) << name;
    EXPECT_EQ(c.Top(), top) << name;
}

const std::u16string kChineseClause =
    u"若您未能遵守本《协议》之条款，则本软件作者在不妨碍其他权力之情况下，有权采取包括追究法律责任在内的相应措施并终止本《用户许可协议》。";

Lines ChineseAgreementOf(bool freeware) {
    Lines lines = {
        u"Orvane画图 用户许可协议",
        u"",
        u"请仔细阅读和理解本用户许可协议中规定的所有权利和限制。在安装时，您需要决定接受或不接受本《协议》的条款。如果接受，您可以继续安装，否则应该取消安装。",
        u"",
        u"1. Orvane画图（以下简称“本软件”）软件知识产权属软件作者所有，并且受著作权法、国际著作权条约和其它知识产权法及条约的保护。",
        u"",
        u"2. 您不得对本软件进行反向工程、反向编译或反汇编，不得对本软件包含的文件及程序作任何修改，破坏软件的完整性。",
        u"",
        freeware
            ? u"3. 本软件是免费软件，您可以免费使用，自由复制或传播本软件。但未经本软件作者允许，不得将本软件产品以任何形式用于任何商业目的。"
            : u"3. 您可以自由复制或传播本软件。但未经本软件作者允许，不得将本软件产品以任何形式用于任何商业目的。",
        u"",
        u"4. 本软件保证不含有任何恶意或病毒程序，保证软件本身不会对用户的电脑造成损害，但由于用户的误操作导致的任何不良后果，用户须自己承担风险。如果用户使用本软件产品用于任何非法目的，用户必须独立承担由此带来的法律责任。同时用户必须遵守所有软件产品使用之相关法律。",
        u"",
    };
    if (freeware) {
        lines.push_back(u"5. " + kChineseClause);
    } else {
        lines.insert(lines.end(), {u"", u"", u"6. " + kChineseClause});
    }
    lines.insert(lines.end(), {u"", u"", u"版权所有 © 2008-2012 Orvane画图作者。保留所有权利。"});
    return lines;
}

Lines EnglishAgreementOf(bool freeware) {
    Lines lines = {
        u"End User License Agreement",
        u"",
        u"Please read the following terms and conditions carefully before usingOrvane Karvel. Use of this software "
        u"indicates you accept the terms of this license agreement and warranty.",
        u"",
        u"1. Disclaimer of Warranty",
        u"",
        u"Orvane Karvel (this software) is provided \"as-is\" and without warranty of any kind, express, implied or "
        u"otherwise, including without limitation, any warranty of merchantability or fitness for a particular purpose.",
        u"",
        u"",
        u"",
        u"2. License",
        u"",
    };
    if (freeware) {
        lines.insert(lines.end(), {u"This software is freeware, you can unrestricted use of it.", u"",
                                   u"But without the permission from the author of this software, this software may "
                                   u"not be used for any commercial purposes, in any form."});
    } else {
        lines.insert(lines.end(), {u"", u"", u""});
    }
    lines.insert(lines.end(), {u"", u"3. Restrictions on Use", u"", u"", u"", u"",
                               u"Copyright © 2008-2012 Orvane Software. All rights reserved."});
    return lines;
}

TEST_F(WizardTest, ChineseTexts) {
    auto& form = MakeForm(0);
    EXPECT_EQ(ToUtf8(form.Caption()), "安装向导 - Orvane画图");
    EXPECT_EQ(ToUtf8(App().Title()), "安装向导 - Orvane画图");
    ExpectTexts(
        form,
        {
            {"lblWelcome", u"欢迎使用 Orvane画图 V3.40 安装\n向导"},
            {"lblWillInstall", u"此向导将引导您完成安装过程。\n\n单击 [下一步] 继续，单击 [取消] 退出安装。"},
            {"lblLicense", u"在安装之前，请阅读许可协议"},
            {"lblAgreement", u"如果您接受协议中的条款，请单击 [我同意] 继续安装。"},
            {"lblFolder", u"选择安装位置并设置选项"},
            {"lblSetupFolder",
             u"安装程序将安装“Orvane画图 V3.40”到下列文件夹中。\n\n如需安装到其它的文件夹，请直接修改或单击 [浏览] 选择另一个文件夹。"},
            {"gbFolder", u"目标文件夹"},
            {"btnBrowse", u"浏览(&S)..."},
            {"lblNeedSize", u"所需空间: 6 MB"},
            {"chkSCOnDesktop", u"创建桌面快捷方式"},
            {"chkSCOnQuick", u"创建快速启动栏快捷方式"},
            {"lblComplete", u"Orvane画图 V3.40 安装成功。"},
            {"chkRunOnExit", u"立即运行软件"},
            {"btnPrev", u"上一步"},
            {"btnNext", u"下一步"},
            {"btnClose", u"取 消"},
        });
    for (const char* hidden : {"lblLicenseTip", "lblFolderTip", "lblClose"})
        EXPECT_FALSE(form.Component<TLabel>(hidden).Visible()) << hidden;
    ExpectLines(form, ChineseAgreementOf(true));
}

TEST_F(WizardTest, EnglishTexts) {
    auto& form = MakeForm(2);
    EXPECT_EQ(ToUtf8(form.Caption()), "Setup - Orvane Karvel");
    EXPECT_EQ(ToUtf8(App().Title()), "Setup - Orvane Karvel");
    ExpectTexts(
        form,
        {
            {"lblWelcome", u"Welcome to the Orvane Karvel 3.40 Setup Wizard"},
            {"lblWillInstall",
             u"This will install Orvane Karvel 3.40 on your computer.\n\nClick Next to continue, or Cancel to exit Setup."},
            {"lblLicense", u"License Agreement"},
            {"lblLicenseTip", u"Please read the following important infomation before continuing."},
            {"lblAgreement",
             u"If you accept the terms of the agreement, click I Agree to continue. You must accept the agreement to install Orvane Karvel."},
            {"lblFolder", u"Select Destination Location"},
            {"lblFolderTip", u"Where should Orvane Karvel be installed?"},
            {"lblSetupFolder",
             u"Setup will install Orvane Karvel 3.40 into the following folder.\n\nTo continue, click Next. If you would like to select a different folder, click Browse."},
            {"gbFolder", u"Destination Folder"},
            {"btnBrowse", u"&Browse..."},
            {"lblNeedSize", u"Space required: 6 MB"},
            {"chkSCOnDesktop", u"Create a desktop icon"},
            {"chkSCOnQuick", u"Create a Quick Launch icon"},
            {"lblComplete", u"Completing the Orvane Karvel Setup Wizard"},
            {"lblClose",
             u"Setup has finished installing Orvane Karvel 3.40 on your computer.\n\nClick Finish to close this wizard."},
            {"chkRunOnExit", u"Launch Orvane Karvel"},
            {"btnPrev", u"< &Back"},
            {"btnNext", u"&Next >"},
            {"btnClose", u"Cancel"},
        });
    for (const char* shown : {"lblLicenseTip", "lblFolderTip", "lblClose"})
        EXPECT_TRUE(form.Component<TLabel>(shown).Visible()) << shown;
    EXPECT_EQ(form.Component<TLabel>("lblFreeSize").Text().rfind(u"Space available: ", 0), 0u);
    ExpectLines(form, EnglishAgreementOf(true));
}

// The messages and the picker's title, which no control shows until they are needed.
TEST(WizardMessages, BothTextSetsSayTheirOwnWords) {
    const WizardTexts chinese = ChineseWizardTexts(u"Orvane画图", u"3.40", u"6 MB");
    const WizardTexts english = EnglishWizardTexts(u"Orvane Karvel", u"3.40", u"6 MB");
    const struct {
        const char* name;
        const std::u16string& actual;
        const char16_t* expected;
    } cases[] = {
        {"Chinese MsgFolderFailed", chinese.MsgFolderFailed, u"无法创建目标文件夹，请重新指定文件夹路径。"},
        {"Chinese MsgExtractFailed", chinese.MsgExtractFailed,
         u"提取文件到目标文件夹时发生错误。\n\n您是否正在运行这个软件的旧版本？如果是，请先关闭它，然后再次点击“安装”。"},
        {"Chinese BrowseTitle", chinese.BrowseTitle, u"选择或新建文件夹："},
        {"English MsgFolderFailed", english.MsgFolderFailed,
         u"Destination folder can't be created, need to select another folder."},
        {"English MsgExtractFailed", english.MsgExtractFailed,
         u"An error occurred extracting files to the destination folder.\n\nWhether you're running an older version "
         u"of this software? If yes, please close it and then click Install."},
        {"English BrowseTitle", english.BrowseTitle, u"Select or create a new folder:"},
    };
    for (const auto& c : cases) EXPECT_EQ(ToUtf8(c.actual), ToUtf8(c.expected)) << c.name;
}

TEST_F(WizardTest, ChinesePositionsAndFonts) {
    auto& form = MakeForm(0);
    ExpectPosition(form, "lblWelcome", 193, 40);
    ExpectPosition(form, "lblWillInstall", 193, 116);
    ExpectPosition(form, "lblComplete", 203, 28);
    ExpectPosition(form, "lblLicense", 17, 20);
    ExpectPosition(form, "lblFolder", 17, 20);
    ExpectPosition(form, "chkRunOnExit", 207, 111);
    struct FontCase {
        const char* name;
        const char16_t* face;
        int size;
        bool bold;
    };
    for (const FontCase& f :
         {FontCase{"lblWelcome", u"宋体", 12, true}, FontCase{"lblComplete", u"宋体", 12, true},
          FontCase{"lblWillInstall", u"宋体", 9, false}, FontCase{"lblSetupFolder", u"宋体", 9, false},
          FontCase{"lblAgreement", u"Tahoma", 8, false}, FontCase{"lblLicense", u"Tahoma", 8, true}}) {
        const TFont& font = form.Component<TControl>(f.name).Font();
        EXPECT_TRUE(font.Name() == f.face) << f.name;
        EXPECT_EQ(font.Size(), f.size) << f.name;
        EXPECT_EQ(font.Bold(), f.bold) << f.name;
    }
    EXPECT_EQ(form.Component<TControl>("lblWelcome").Font().Height(), -16);
}

TEST_F(WizardTest, EnglishPositionsAndFonts) {
    auto& form = MakeForm(2);
    ExpectPosition(form, "lblWelcome", 183, 20);
    ExpectPosition(form, "lblWillInstall", 184, 96);
    ExpectPosition(form, "lblComplete", 183, 20);
    ExpectPosition(form, "lblLicense", 17, 9);
    ExpectPosition(form, "lblFolder", 17, 9);
    ExpectPosition(form, "chkRunOnExit", 186, 170);
    ExpectPosition(form, "lblClose", 184, 89);
    for (const char* name : {"lblWelcome", "lblWillInstall", "lblSetupFolder", "lblComplete"})
        EXPECT_TRUE(form.Component<TControl>(name).Font().Name() == u"Tahoma") << name;
    EXPECT_EQ(form.Component<TControl>("lblWelcome").Font().Height(), -16);
    EXPECT_EQ(form.Component<TControl>("lblWillInstall").Font().Height(), -11);
}

// The shareware variant of the demo product's resources: freeware flag "0".
class SharewareWizardTest : public WizardTest {
protected:
    void SetUp() override {
        WizardTest::SetUp();
        module_ = LoadResourcesBesideTest(STP_SHAREWARE_RESOURCES);
        ASSERT_NE(module_, nullptr);
        SetResourceModule(module_);
        ASSERT_TRUE(ProductString(Setting::Freeware) == u"0");
    }
    void TearDown() override {
        WizardTest::TearDown();
        if (module_) FreeLibrary(module_);
    }

private:
    HMODULE module_ = nullptr;
};

TEST_F(SharewareWizardTest, ChineseAgreementHasTheSharewareClauses) {
    ExpectLines(MakeForm(0), ChineseAgreementOf(false));
}

TEST_F(SharewareWizardTest, EnglishAgreementHasTheSharewareClauses) {
    ExpectLines(MakeForm(2), EnglishAgreementOf(false));
}

TEST(FreewareFlag, ReadsNumbersAndWords) {
    struct Case {
        const char16_t* text;
        bool value;
    };
    for (const Case& c : {Case{u"-1", true}, Case{u"1", true}, Case{u"0", false}, Case{u"True", true},
                          Case{u"tRUE", true}, Case{u"false", false}, Case{u"FALSE", false}})
        EXPECT_EQ(ReadFreewareFlag(c.text), c.value) << ToUtf8(c.text);
    for (const char16_t* bad : {u"", u"yes", u"-1x", u" "}) EXPECT_ANY_THROW(ReadFreewareFlag(bad)) << ToUtf8(bad);
}

}  // namespace
}  // namespace stp::test
