#include "StartupRules.h"

#include "LocalTexts.h"
#include "LuStrUtils.h"
#include "PackageFormat.h"
#include "Setupfn.h"

TStartMode ParseCommandLine(const std::vector<std::u16string>& arguments)
{
    if (arguments.size() != 1) return TStartMode::smInteractive;
    if (SameText(arguments[0], u"/Silent")) return TStartMode::smSilent;
    if (SameText(arguments[0], u"/Auto")) return TStartMode::smAuto;
    return TStartMode::smInteractive;
}

TScriptResource ChooseScriptResource(bool hasFullScript, bool hasMiniScript)
{
    if (hasFullScript) return TScriptResource::srFull;
    if (hasMiniScript) return TScriptResource::srMini;
    return TScriptResource::srNone;
}

const char* ScriptResourceName(TScriptResource resource)
{
    switch (resource) {
        case TScriptResource::srFull: return SetupScriptResID;
        case TScriptResource::srMini: return MiniSetupScriptResID;
        case TScriptResource::srNone: break;
    }
    return nullptr;
}

namespace {

bool AtLeast(bool isNT, unsigned major, unsigned minor, unsigned needMajor, unsigned needMinor)
{
    return isNT && (major > needMajor || (major == needMajor && minor >= needMinor));
}

}  // namespace

bool IsWinVersionMet(TWinVersionEnum required, bool isNT, unsigned major, unsigned minor)
{
    switch (required) {
        case wveWinXPOrHigher: return AtLeast(isNT, major, minor, 5, 1);
        case wveWin7OrHigher: return AtLeast(isNT, major, minor, 6, 1);
        case wveWin10OrHigher: return AtLeast(isNT, major, minor, 6, 4);
    }
    // A value outside the enumeration asks for nothing the loader knows of.
    return true;
}

std::u16string WinVersionMessage(const TLocalTexts& texts, TWinVersionEnum required)
{
    return required == wveWinXPOrHigher ? texts.ResNeedWinXPOrHigher() : texts.ResNeedWin7OrHigher();
}

std::u16string DefaultDestination(const TSetupBaseInfo& baseInfo, const std::u16string& title,
                                  const std::optional<std::u16string>& previousInstallLocation)
{
    if (previousInstallLocation) return *previousInstallLocation;
    return TSetupfn::ExpandPath(baseInfo.DefInstallPath, title);
}

bool IsAbsoluteDestPath(std::u16string_view path)
{
    auto isSlash = [](char16_t c) { return c == u'\\' || c == u'/'; };
    auto isLetter = [](char16_t c) { return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z'); };
    if (path.size() >= 3 && isLetter(path[0]) && path[1] == u':' && isSlash(path[2])) return true;
    // "\\server\share": a server name must follow the two slashes.
    return path.size() >= 3 && isSlash(path[0]) && isSlash(path[1]) && !isSlash(path[2]);
}

TDestDirCheck CheckDestDirText(std::u16string_view fieldText)
{
    TDestDirCheck check;
    check.Trimmed = Trim(fieldText);
    if (check.Trimmed.empty()) {
        check.Result = TDestDirCheck::dcEmpty;
        return check;
    }
    check.Dir = IncludeTrailingBackslash(check.Trimmed);
    check.Result = IsAbsoluteDestPath(check.Dir) ? TDestDirCheck::dcOk : TDestDirCheck::dcNotAbsolute;
    return check;
}

std::u16string WriteTestFileName(const std::u16string& dir, const std::u16string& guidText) { return dir + guidText; }
