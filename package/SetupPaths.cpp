// Path placeholders and the process-wide folder values behind them.
#include "LuStrUtils.h"
#include "Setupfn.h"

std::u16string TSetupfn::ProgramFilesDir;
std::u16string TSetupfn::DesktopDir;
std::u16string TSetupfn::CommonProgramsDir;
std::u16string TSetupfn::GroupName;
std::u16string TSetupfn::AppDir;
std::u16string TSetupfn::SourceExe;

std::u16string TSetupfn::ExpandPath(const std::u16string& text, const std::u16string& title)
{
    const unsigned all = rfReplaceAll | rfIgnoreCase;
    std::u16string result = StringReplace(text, u"{AppTitle}", title, all);
    result = StringReplace(result, u"{pf}", ProgramFilesDir, all);
    result = StringReplace(result, u"{group}", IncludeTrailingBackslash(CommonProgramsDir + GroupName), all);
    result = StringReplace(result, u"{desktop}", DesktopDir, all);
    result = StringReplace(result, u"{app}", AppDir, all);
    result = StringReplace(result, u"{srcexe}", SourceExe, all);
    // A network path keeps the two backslashes it starts with; every other pair becomes one.
    const bool unc = result.compare(0, 2, u"\\\\") == 0 && result.compare(0, 3, u"\\\\\\") != 0;
    result = StringReplace(result, u"\\\\", u"\\", rfReplaceAll);
    return unc ? u"\\" + result : result;
}
