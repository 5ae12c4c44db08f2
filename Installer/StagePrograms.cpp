// After the install: the programs that run to their end before the window completes, the goto
// URL, and the end of the run with the programs started without waiting.
#include "SetupEngine.h"

#include "SetupScript.h"

#include "InstallPlan.h"
#include "LuHttp.h"
#include "LuStrUtils.h"
#include "LuSysUtilsWin.h"
#include "RCode.h"

namespace {

// The quiet request of a goto URL through the process-wide proxy settings: the answer and every
// error are of no interest, and a host that does not answer the connection is given up soon.
void RequestUrlQuietly(const std::u16string& url)
{
    try {
        TLuHttp http;
        http.SetConnectTimeout(5000);
        http.Get(url);
    } catch (...) {}
}

}  // namespace

void TSetupEngine::RunSetupPrograms()
{
    for (const TRunPlan& run : PlanPrograms(*FScript->RunList, true, FTitle)) {
        FHost.SetDetail(Format(FTexts.ResRunningAppFmt(), {run.FileName}));
        FHost.ProcessMessages();
        SetCurrentDirectoryW(W(run.WorkDir));  // stays set; a folder that is missing changes nothing
        TLuWinfn::RunAndWait(run.CommandLine());
    }
}

void TSetupEngine::VisitGotoUrl()
{
    const TSetupBaseInfo& info = *FScript->BaseInfo;
    if (info.GotoUrl.empty()) return;
    const std::u16string installer =
        TLuSysfnWin::IsDebugging() ? std::u16string(DevelopmentRCodeName) + u".exe" : ParamStr(0);
    const std::u16string url = AppendRCode(info.GotoUrl, installer);
    switch (info.GotoUrlMode) {
        case gumSilent:
            FHost.SetDetail(FTexts.ResVerifyingSetup());
            FHost.ProcessMessages();
            RequestUrlQuietly(url);
            break;
        case gumByBrowser: TLuWinfn::OpenUrl(url); break;
    }
}

void TSetupEngine::StartPrograms(HWND owner)
{
    for (const TRunPlan& run : PlanPrograms(*FScript->RunList, false, FTitle))
        TLuWinfn::ShellExec(owner, u"", run.FileName, run.Params, run.WorkDir, SW_SHOW, true);
}
