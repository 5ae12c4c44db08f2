#include "ExitCodes.h"

const std::vector<TExitCodeInfo>& ExitCodeInfos()
{
    static const std::vector<TExitCodeInfo> infos{
        {ecSuccess, "installation complete, or cancelled by the user before anything was installed"},
        {ecUnhandledError, "an unexpected error stopped the installer (shown by the crash report)"},
        {ecWriteFailureExit, "Exit Setup chosen after a file could not be written; the installation is incomplete"},
        {ecWindowsTooOld, "the product needs a newer version of Windows"},
        {ecNoScriptResource, "the executable carries no setup script"},
        {ecDestDirRefused,
         "an unattended run (/Silent or /Auto) could not create or write to the destination directory"},
        {ecDownloadFailed, "an unattended run (/Silent or /Auto) of a mini setup could not download the full setup, or "
                           "the download is no full setup; nothing was installed"},
    };
    return infos;
}

std::string ExitCodeTable()
{
    std::string table = "| code | meaning |\n|---|---|\n";
    for (const TExitCodeInfo& info : ExitCodeInfos())
        table += "| " + std::to_string(int(info.Code)) + " | " + info.Meaning + " |\n";
    return table;
}
