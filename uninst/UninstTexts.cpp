#include "uninst/UninstTexts.h"

namespace stp {

UninstTexts MakeUninstTexts(int Mode, const std::u16string& D) {
    if (Mode == 0)
        return {
            u"卸载 - " + D,
            u"您确定要完全移除“" + D + u"”及其所有组件吗？",
            u"“" + D + u"”正在运行，请先关闭它，然后再卸载。",
            u"此卸载程序不属于已安装的“" + D + u"”，没有删除任何文件。",
            u"“" + D + u"”已成功地从您的计算机中移除。",
            u"“" + D + u"”已从您的计算机中移除。以下文件正在使用，将在重新启动计算机后删除：\n\n",
            u"“" + D + u"”的另一个卸载程序正在运行，没有删除任何文件。",
            u"“" + D + u"”未能完全移除。以下项目无法删除：\n\n",
            u"以下文件正在使用，将在重新启动计算机后删除：\n\n",
            u"以下项目在安装后已被更改或替换，已保留：\n\n",
        };
    return {
        u"Uninstall - " + D,
        u"Are you sure you want to completely remove " + D + u" and all of its components?",
        D + u" is running. Please close it, then uninstall again.",
        u"This uninstaller does not belong to an installation of " + D + u"; nothing was removed.",
        D + u" was successfully removed from your computer.",
        D + u" was removed from your computer. These files are in use and will be removed when you restart "
            u"Windows:\n\n",
        u"Another uninstall of " + D + u" is running; nothing was removed.",
        D + u" could not be removed completely. These could not be removed:\n\n",
        u"These files are in use and will be removed when you restart Windows:\n\n",
        u"These were changed or replaced after they were installed, so they were kept:\n\n",
    };
}

}  // namespace stp
