#include "product/TextSets.h"

namespace stp {

std::u16string FillText(std::u16string_view Text, const TextValues& Values) {
    std::u16string out;
    for (std::size_t i = 0; i < Text.size(); ++i) {
        if (Text[i] == u'{' && i + 2 < Text.size() && Text[i + 2] == u'}') {
            const std::u16string* value = nullptr;
            switch (Text[i + 1]) {
            case u'D': value = &Values.DisplayName; break;
            case u'V': value = &Values.Version; break;
            case u'S': value = &Values.NeedSize; break;
            case u'C': value = &Values.Copyright; break;
            default: break;
            }
            if (value) {
                out += *value;
                i += 2;
                continue;
            }
        }
        out += Text[i];
    }
    return out;
}

const TextPair kWizardTexts[11] = {
    {u"安装向导 - {D}", u"Setup - {D}"},
    {u"上一步", u"< &Back"},
    {u"下一步", u"&Next >"},
    {u"取 消", u"Cancel"},
    {u"我同意", u"I &Agree"},
    {u"安 装", u"&Install"},
    {u"完 成", u"&Finish"},
    {u"无法创建目标文件夹，请重新指定文件夹路径。",
     u"Destination folder can't be created, need to select another folder."},
    {u"提取文件到目标文件夹时发生错误。\n\n"
     u"您是否正在运行这个软件的旧版本？如果是，请先关闭它，然后再次点击“安装”。",
     u"An error occurred extracting files to the destination folder.\n\n"
     u"Whether you're running an older version of this software? If yes, please close it and then click Install."},
    {u"选择或新建文件夹：", u"Select or create a new folder:"},
    {u"剩余空间: ", u"Space available: "},
};

const ComponentText kComponentTexts[16] = {
    {"lblWelcome", {u"欢迎使用 {D} V{V} 安装\n向导", u"Welcome to the {D} {V} Setup Wizard"}},
    {"lblWillInstall",
     {u"此向导将引导您完成安装过程。\n\n单击 [下一步] 继续，单击 [取消] 退出安装。",
      u"This will install {D} {V} on your computer.\n\nClick Next to continue, or Cancel to exit Setup."}},
    {"lblLicense", {nullptr, u"License Agreement"}},
    {"lblLicenseTip", {nullptr, u"Please read the following important infomation before continuing."}},
    {"lblAgreement",
     {nullptr,
      u"If you accept the terms of the agreement, click I Agree to continue. "
      u"You must accept the agreement to install {D}."}},
    {"lblFolder", {nullptr, u"Select Destination Location"}},
    {"lblFolderTip", {nullptr, u"Where should {D} be installed?"}},
    {"lblSetupFolder",
     {u"安装程序将安装“{D} V{V}”到下列文件夹中。\n\n如需安装到其它的文件夹，请直接修改或单击 [浏览] 选择另一个文件夹。",
      u"Setup will install {D} {V} into the following folder.\n\nTo continue, click Next. If you would like to "
      u"select a different folder, click Browse."}},
    {"gbFolder", {nullptr, u"Destination Folder"}},
    {"btnBrowse", {nullptr, u"&Browse..."}},
    {"lblNeedSize", {u"所需空间: {S}", u"Space required: {S}"}},
    {"chkSCOnDesktop", {nullptr, u"Create a desktop icon"}},
    {"chkSCOnQuick", {nullptr, u"Create a Quick Launch icon"}},
    {"lblComplete", {u"{D} V{V} 安装成功。", u"Completing the {D} Setup Wizard"}},
    {"lblClose",
     {nullptr, u"Setup has finished installing {D} {V} on your computer.\n\nClick Finish to close this wizard."}},
    {"chkRunOnExit", {nullptr, u"Launch {D}"}},
};

namespace {

using L = AgreementLineFor;

const AgreementLine kChineseAgreement[] = {
    {L::All, u"{D} 用户许可协议"},
    {L::All, u""},
    {L::All,
     u"请仔细阅读和理解本用户许可协议中规定的所有权利和限制。在安装时，您需要决定接受或不接受本《协议》的条款。"
     u"如果接受，您可以继续安装，否则应该取消安装。"},
    {L::All, u""},
    {L::All,
     u"1. {D}（以下简称“本软件”）软件知识产权属软件作者所有，并且受著作权法、国际著作权条约和其它知识产权法及条约的保护。"},
    {L::All, u""},
    {L::All,
     u"2. 您不得对本软件进行反向工程、反向编译或反汇编，不得对本软件包含的文件及程序作任何修改，破坏软件的完整性。"},
    {L::All, u""},
    {L::Freeware,
     u"3. 本软件是免费软件，您可以免费使用，自由复制或传播本软件。但未经本软件作者允许，"
     u"不得将本软件产品以任何形式用于任何商业目的。"},
    {L::Shareware,
     u"3. 您可以自由复制或传播本软件。但未经本软件作者允许，不得将本软件产品以任何形式用于任何商业目的。"},
    {L::All, u""},
    {L::All,
     u"4. 本软件保证不含有任何恶意或病毒程序，保证软件本身不会对用户的电脑造成损害，但由于用户的误操作导致的任何不良后果，"
     u"用户须自己承担风险。如果用户使用本软件产品用于任何非法目的，用户必须独立承担由此带来的法律责任。"
     u"同时用户必须遵守所有软件产品使用之相关法律。"},
    {L::All, u""},
    {L::Freeware,
     u"5. 若您未能遵守本《协议》之条款，则本软件作者在不妨碍其他权力之情况下，有权采取包括追究法律责任在内的相应措施并终止本《用户许可协议》。"},
    {L::Shareware, u""},
    {L::Shareware, u""},
    {L::Shareware,
     u"6. 若您未能遵守本《协议》之条款，则本软件作者在不妨碍其他权力之情况下，有权采取包括追究法律责任在内的相应措施并终止本《用户许可协议》。"},
    {L::All, u""},
    {L::All, u""},
    {L::All, u"{C}"},
};

const AgreementLine kEnglishAgreement[] = {
    {L::All, u"End User License Agreement"},
    {L::All, u""},
    {L::All,
     u"Please read the following terms and conditions carefully before using{D}. Use of this software "
     u"indicates you accept the terms of this license agreement and warranty."},
    {L::All, u""},
    {L::All, u"1. Disclaimer of Warranty"},
    {L::All, u""},
    {L::All,
     u"{D} (this software) is provided \"as-is\" and without warranty of any kind, express, implied or "
     u"otherwise, including without limitation, any warranty of merchantability or fitness for a particular "
     u"purpose."},
    {L::All, u""},
    {L::All, u""},
    {L::All, u""},
    {L::All, u"2. License"},
    {L::All, u""},
    {L::Freeware, u"This software is freeware, you can unrestricted use of it."},
    {L::Freeware, u""},
    {L::Freeware,
     u"But without the permission from the author of this software, this software may not be used for "
     u"any commercial purposes, in any form."},
    {L::Shareware, u""},
    {L::Shareware, u""},
    {L::Shareware, u""},
    {L::All, u""},
    {L::All, u"3. Restrictions on Use"},
    {L::All, u""},
    {L::All, u""},
    {L::All, u""},
    {L::All, u""},
    {L::All, u"{C}"},
};

}  // namespace

std::vector<AgreementLine> AgreementTable(int Mode) {
    if (Mode == 0) return {std::begin(kChineseAgreement), std::end(kChineseAgreement)};
    return {std::begin(kEnglishAgreement), std::end(kEnglishAgreement)};
}

const TextPair kUninstTexts[10] = {
    {u"卸载 - {D}", u"Uninstall - {D}"},
    {u"您确定要完全移除“{D}”及其所有组件吗？",
     u"Are you sure you want to completely remove {D} and all of its components?"},
    {u"“{D}”正在运行，请先关闭它，然后再卸载。", u"{D} is running. Please close it, then uninstall again."},
    {u"此卸载程序不属于已安装的“{D}”，没有删除任何文件。",
     u"This uninstaller does not belong to an installation of {D}; nothing was removed."},
    {u"“{D}”已成功地从您的计算机中移除。", u"{D} was successfully removed from your computer."},
    {u"“{D}”已从您的计算机中移除。以下文件正在使用，将在重新启动计算机后删除：\n\n",
     u"{D} was removed from your computer. These files are in use and will be removed when you restart "
     u"Windows:\n\n"},
    {u"“{D}”的另一个卸载程序正在运行，没有删除任何文件。",
     u"Another uninstall of {D} is running; nothing was removed."},
    {u"“{D}”未能完全移除。以下项目无法删除：\n\n",
     u"{D} could not be removed completely. These could not be removed:\n\n"},
    {u"以下文件正在使用，将在重新启动计算机后删除：\n\n",
     u"These files are in use and will be removed when you restart Windows:\n\n"},
    {u"以下项目在安装后已被更改或替换，已保留：\n\n",
     u"These were changed or replaced after they were installed, so they were kept:\n\n"},
};

const TextPair kConflictCaption = {u"温馨提示 - {D}", nullptr};
const TextPair kConflictContent = {
    u"首先，感谢您使用“{D}”软件。\n\n但由于检测到您的系统正在运行“金山毒霸”，{D}"
    u"会被其错误和非法干扰，因此如果您希望能正常运行{D}，请更换其它"
    u"更好更流行的免费防毒杀毒软件，比如360，COMODO等。\n\n为此给您带来的不便，软件作者在此深表歉意。",
    nullptr};
const TextPair kConflictCopied = {u"复制成功，请粘贴到浏览器的地址栏中打开。", nullptr};

const TextPair kRunningProgramText = {u"{D}正在运行，请先退出后再进行安装。",
                                      u"{D} program is running, please close it first."};
const TextPair kRunningProgramCaption = {u"安装向导", u"Setup"};
const TextPair kUnsafeDllSearchText = {
    u"需要先安装 Windows 更新 KB2533623，本程序才能以管理员身份安全运行。",
    u"This program needs a Windows update (KB2533623) to run safely as administrator."};

const TextPair kAnotherSetupText = {u"“{D}”的另一个安装程序正在运行。", u"Another setup of {D} is running."};
const TextPair kBadSwitchText = {u"无法识别的命令行开关（可用：/S /P /LOG=文件 /D=文件夹）：",
                                 u"This switch is not known (known: /S /P /LOG=file /D=folder): "};
const TextPair kInstallingText = {u"正在安装“{D}”……", u"Installing {D}..."};
const TextPair kTakeOverFolderText = {
    u"除管理员以外的用户也可以更改文件夹“{D}”，安装在其中的程序可能被他人替换。\n\n"
    u"是否改为只允许管理员更改此文件夹，并继续安装？",
    u"Users other than administrators can change the folder \"{D}\", so the programs installed there could be "
    u"replaced.\n\nAllow only administrators to change this folder, and continue?"};
const TextPair kUntrustedFolderText = {
    u"除管理员以外的用户也可以更改文件夹“{D}”，安装在其中的程序可能被他人替换。请选择其他文件夹。",
    u"Users other than administrators can change the folder \"{D}\", so the programs installed there could be "
    u"replaced. Please choose another folder."};

}  // namespace stp
