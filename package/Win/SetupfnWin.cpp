#include "SetupfnWin.h"

#include <windows.h>

#include <shlobj.h>

#include "LuStrUtils.h"
#include "LuSysUtilsWin.h"
#include "Setupfn.h"

void InitSetupFolders()
{
    TSetupfn::ProgramFilesDir = ExcludeTrailingBackslash(AnsiEnvironmentVariable("ProgramFiles"));
    TSetupfn::DesktopDir = TLuRegfn::GetSpecialFolder(CSIDL_DESKTOP);
    // Even a failed lookup gives "\", never an empty text.
    TSetupfn::CommonProgramsDir = IncludeTrailingBackslash(TLuRegfn::GetSpecialFolder(CSIDL_COMMON_PROGRAMS));
    TSetupfn::SourceExe = ParamStr(0);
}
