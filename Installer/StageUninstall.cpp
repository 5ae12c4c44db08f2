// The uninstall registration: the two data files the product's uninstaller reads and the entry in
// the list of installed programs.
#include "SetupEngine.h"

#include "SetupScript.h"

#include "LuSysUtilsWin.h"
#include "Setupfn.h"
#include "UninstallInfo.h"

namespace {

void WriteDataFile(const std::u16string& path, const std::string& bytes)
{
    TUniqueHandle file(CreateFileW(W(path), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    if (!file || !WriteFile(file.Get(), bytes.data(), DWORD(bytes.size()), &written, nullptr) ||
        written != bytes.size())
        throw Exception(u"Cannot write file \"" + path + u"\". " + SysErrorMessage(GetLastError()));
}

}  // namespace

void TSetupEngine::SaveUninstallData()
{
    // Development runs (under a debugger) write them plain, to be read by eye.
    const bool encode = !TLuSysfnWin::IsDebugging();
    WriteDataFile(TSetupfn::AppDir + std::u16string(UninstallScriptFileName), UninstallScriptData(*FScript, encode));
    // The icon exactly as the package holds it: it is a PNG (checked at start-up), so it needs no
    // second encoding, and the uninstaller gets the publisher's image bit for bit.
    WriteDataFile(TSetupfn::AppDir + std::u16string(UninstallIconFileName), UninstallIconData(FIconPng, encode));
}

void TSetupEngine::WriteUninstallKey()
{
    TUninstallContext context;
    context.Title = FTitle;
    context.Language = FLanguage;
    context.AppDir = TSetupfn::AppDir;
    context.Now = NowDateTime();
    const std::vector<TUninstallValue> values = UninstallValues(*FScript, context);

    // The wide registry functions: the product name and paths survive whatever the ANSI code page.
    const TRegKey owned =
        CreateRegKey(HKEY_LOCAL_MACHINE, W(UninstallKeyName(FScript->BaseInfo->GUID)), KEY_ALL_ACCESS);
    if (!owned) return;  // without the rights for it there is no entry, and nothing else depends on it
    const HKEY key = owned.Get();
    for (const TUninstallValue& v : values) {
        LONG rc = ERROR_SUCCESS;
        switch (v.Type) {
            case TRegDataType::rdtString:
                rc = RegSetValueExW(key, W(v.Name), 0, REG_SZ, reinterpret_cast<const BYTE*>(v.Text.c_str()),
                                    DWORD((v.Text.size() + 1) * sizeof(char16_t)));
                break;
            case TRegDataType::rdtDWord:
                rc = RegSetValueExW(key, W(v.Name), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v.DWord),
                                    sizeof v.DWord);
                break;
            case TRegDataType::rdtBinary:
                rc = RegSetValueExW(key, W(v.Name), 0, REG_BINARY, v.Binary.data(), DWORD(v.Binary.size()));
                break;
        }
        if (rc != ERROR_SUCCESS)
            throw Exception(u"Failed to set data for '" + v.Name + u"' (" + SysErrorMessage(DWORD(rc)) + u")");
    }
}
