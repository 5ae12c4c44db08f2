#include "UninstallTexts.h"

#include "LocalTexts.h"
#include "LuStrUtils.h"

// ---- Command line and exit codes ----------------------------------------------------------------

bool IsSilentUninstall(const std::vector<std::u16string>& arguments)
{
    return arguments.size() == 1 && SameText(arguments[0], u"/SILENT");
}

const std::vector<TUninstallExitCodeInfo>& UninstallExitCodeInfos()
{
    static const std::vector<TUninstallExitCodeInfo> infos{
        {ucSuccess, "the product was removed, or the user cancelled before anything was removed"},
        {ucUnhandledError, "an unexpected error stopped the uninstaller (with /SILENT also on standard error)"},
        {ucDataError, "Uninstall.da1 or Uninstall.da2 is missing or damaged; nothing was removed"},
        {ucIncomplete, "some items could not be removed (in use, access denied); everything else was removed"},
    };
    return infos;
}

// ---- Texts --------------------------------------------------------------------------------------

TUninstallTexts UninstallTexts(std::u16string_view language)
{
    if (language == LangCHS)
        return {u"卸载 %s",
                u"确实要从此计算机中删除 %s 及其所有组件吗？",
                u"卸载",
                u"取消",
                u"关闭",
                u"正在关闭正在运行的程序......",
                u"正在卸载 %s......",
                u"%s 已成功从您的计算机中删除。",
                u"%s 已删除，但以下项目无法删除（可能正在使用）。您可以稍后手动删除：",
                u"文件夹 %s 中还有不是由安装程序创建的文件，因此已保留。",
                u"此程序的卸载信息缺失或已损坏（%s），未删除任何内容。"};
    if (language == LangCHT)
        return {u"解除安裝 %s",
                u"確定要從這台電腦移除 %s 及其所有元件嗎？",
                u"解除安裝",
                u"取消",
                u"關閉",
                u"正在關閉執行中的程式......",
                u"正在解除安裝 %s......",
                u"%s 已成功從您的電腦移除。",
                u"%s 已移除，但下列項目無法移除（可能正在使用中）。您可以稍後自行刪除：",
                u"資料夾 %s 中還有不是由安裝程式建立的檔案，因此予以保留。",
                u"此程式的解除安裝資訊遺失或已損毀（%s），未移除任何項目。"};
    return {u"Uninstall %s",
            u"Do you want to remove %s and all of its components from this computer?",
            u"Uninstall",
            u"Cancel",
            u"Close",
            u"Closing running programs......",
            u"Removing %s......",
            u"%s was removed from your computer.",
            u"%s was removed, but these items could not be removed (they may be in use). You can delete them later "
            u"yourself:",
            u"The folder %s was kept: it holds files that setup did not install.",
            u"The uninstall information of this program is missing or damaged (%s). Nothing was removed."};
}

std::u16string UninstallLanguage(std::u16string_view installLanguage, std::u16string_view systemLanguage)
{
    for (std::u16string_view code : {LangCHS, LangCHT, LangENG})
        if (installLanguage == code) return std::u16string(code);
    if (SameText(systemLanguage, LangCHS)) return std::u16string(LangCHS);
    if (SameText(systemLanguage, LangCHT)) return std::u16string(LangCHT);
    return std::u16string(LangENG);
}
