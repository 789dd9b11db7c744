#include "wizard/WizardTexts.h"

namespace stp {

WizardTexts ChineseWizardTexts(const std::u16string& D, const std::u16string& V, const std::u16string& NeedSize) {
    WizardTexts t;
    t.Caption = u"安装向导 - " + D;
    t.CaptionBack = u"上一步";
    t.CaptionNext = u"下一步";
    t.CaptionCancel = u"取 消";
    t.CaptionAgree = u"我同意";
    t.CaptionInstall = u"安 装";
    t.CaptionFinish = u"完 成";
    t.MsgFolderFailed = u"无法创建目标文件夹，请重新指定文件夹路径。";
    t.MsgExtractFailed =
        u"提取文件到目标文件夹时发生错误。\n\n"
        u"您是否正在运行这个软件的旧版本？如果是，请先关闭它，然后再次点击“安装”。";
    t.BrowseTitle = u"选择或新建文件夹：";
    t.FreeSizePrefix = u"剩余空间: ";
    t.Components = {
        {"lblWelcome", u"欢迎使用 " + D + u" V" + V + u" 安装\n向导"},
        {"lblWillInstall", u"此向导将引导您完成安装过程。\n\n单击 [下一步] 继续，单击 [取消] 退出安装。"},
        {"lblSetupFolder", u"安装程序将安装“" + D + u" V" + V +
                               u"”到下列文件夹中。\n\n如需安装到其它的文件夹，请直接修改或单击 [浏览] 选择另一个文件夹。"},
        {"lblNeedSize", u"所需空间: " + NeedSize},
        {"lblComplete", D + u" V" + V + u" 安装成功。"},
    };
    return t;
}

WizardTexts EnglishWizardTexts(const std::u16string& D, const std::u16string& V, const std::u16string& NeedSize) {
    WizardTexts t;
    t.Caption = u"Setup - " + D;
    t.CaptionBack = u"< &Back";
    t.CaptionNext = u"&Next >";
    t.CaptionCancel = u"Cancel";
    t.CaptionAgree = u"I &Agree";
    t.CaptionInstall = u"&Install";
    t.CaptionFinish = u"&Finish";
    t.MsgFolderFailed = u"Destination folder can't be created, need to select another folder.";
    t.MsgExtractFailed =
        u"An error occurred extracting files to the destination folder.\n\n"
        u"Whether you're running an older version of this software? If yes, please close it and then click Install.";
    t.BrowseTitle = u"Select or create a new folder:";
    t.FreeSizePrefix = u"Space available: ";
    t.Components = {
        {"lblWelcome", u"Welcome to the " + D + u" " + V + u" Setup Wizard"},
        {"lblWillInstall", u"This will install " + D + u" " + V +
                               u" on your computer.\n\nClick Next to continue, or Cancel to exit Setup."},
        {"lblLicense", u"License Agreement"},
        {"lblLicenseTip", u"Please read the following important infomation before continuing."},
        {"lblAgreement", u"If you accept the terms of the agreement, click I Agree to continue. "
                         u"You must accept the agreement to install " + D + u"."},
        {"lblFolder", u"Select Destination Location"},
        {"lblFolderTip", u"Where should " + D + u" be installed?"},
        {"lblSetupFolder", u"Setup will install " + D + u" " + V +
                               u" into the following folder.\n\nTo continue, click Next. If you would like to "
                               u"select a different folder, click Browse."},
        {"gbFolder", u"Destination Folder"},
        {"btnBrowse", u"&Browse..."},
        {"lblNeedSize", u"Space required: " + NeedSize},
        {"chkSCOnDesktop", u"Create a desktop icon"},
        {"chkSCOnQuick", u"Create a Quick Launch icon"},
        {"lblComplete", u"Completing the " + D + u" Setup Wizard"},
        {"lblClose", u"Setup has finished installing " + D + u" " + V +
                         u" on your computer.\n\nClick Finish to close this wizard."},
        {"chkRunOnExit", u"Launch " + D},
    };
    return t;
}

std::vector<std::u16string> AgreementLines(const std::u16string& Text) {
    std::vector<std::u16string> lines;
    for (std::size_t start = 0; start < Text.size();) {
        std::size_t end = Text.find(u'\n', start);
        if (end == std::u16string::npos) end = Text.size();
        std::u16string line = Text.substr(start, end - start);
        if (!line.empty() && line.back() == u'\r') line.pop_back();
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

std::vector<std::u16string> ChineseAgreement(const std::u16string& D, bool IsFreeware, const std::u16string& Copyright) {
    std::vector<std::u16string> lines = {
        D + u" 用户许可协议",
        u"",
        u"请仔细阅读和理解本用户许可协议中规定的所有权利和限制。在安装时，您需要决定接受或不接受本《协议》的条款。"
        u"如果接受，您可以继续安装，否则应该取消安装。",
        u"",
        u"1. " + D + u"（以下简称“本软件”）软件知识产权属软件作者所有，并且受著作权法、国际著作权条约和其它知识产权法及条约的保护。",
        u"",
        u"2. 您不得对本软件进行反向工程、反向编译或反汇编，不得对本软件包含的文件及程序作任何修改，破坏软件的完整性。",
        u"",
        IsFreeware ? u"3. 本软件是免费软件，您可以免费使用，自由复制或传播本软件。但未经本软件作者允许，"
                     u"不得将本软件产品以任何形式用于任何商业目的。"
                   : u"3. 您可以自由复制或传播本软件。但未经本软件作者允许，不得将本软件产品以任何形式用于任何商业目的。",
        u"",
        u"4. 本软件保证不含有任何恶意或病毒程序，保证软件本身不会对用户的电脑造成损害，但由于用户的误操作导致的任何不良后果，"
        u"用户须自己承担风险。如果用户使用本软件产品用于任何非法目的，用户必须独立承担由此带来的法律责任。"
        u"同时用户必须遵守所有软件产品使用之相关法律。",
        u"",
    };
    const std::u16string clause =
        u"若您未能遵守本《协议》之条款，则本软件作者在不妨碍其他权力之情况下，有权采取包括追究法律责任在内的相应措施并终止本《用户许可协议》。";
    if (IsFreeware) {
        lines.push_back(u"5. " + clause);
    } else {
        lines.insert(lines.end(), {u"", u"", u"6. " + clause});
    }
    lines.insert(lines.end(), {u"", u"", Copyright});
    return lines;
}

std::vector<std::u16string> EnglishAgreement(const std::u16string& D, bool IsFreeware, const std::u16string& Copyright) {
    std::vector<std::u16string> lines = {
        u"End User License Agreement",
        u"",
        u"Please read the following terms and conditions carefully before using" + D +
            u". Use of this software indicates you accept the terms of this license agreement and warranty.",
        u"",
        u"1. Disclaimer of Warranty",
        u"",
        D + u" (this software) is provided \"as-is\" and without warranty of any kind, express, implied or "
            u"otherwise, including without limitation, any warranty of merchantability or fitness for a particular "
            u"purpose.",
        u"",
        u"",
        u"",
        u"2. License",
        u"",
    };
    if (IsFreeware) {
        lines.insert(lines.end(), {u"This software is freeware, you can unrestricted use of it.", u"",
                                   u"But without the permission from the author of this software, this software "
                                   u"may not be used for any commercial purposes, in any form."});
    } else {
        lines.insert(lines.end(), {u"", u"", u""});
    }
    lines.insert(lines.end(), {u"", u"3. Restrictions on Use", u"", u"", u"", u"", Copyright});
    return lines;
}

}  // namespace stp
