#include "InstallPlan.h"

#include "LocalTexts.h"
#include "LuStrUtils.h"
#include "Setupfn.h"
#include "UninstallInfo.h"

std::u16string FileTargetDir(const TSetupFile& file, const std::u16string& title)
{
    return IncludeTrailingBackslash(TSetupfn::ExpandPath(file.DestDir, title));
}

std::u16string FileTargetPath(const TSetupFile& file, const std::u16string& title)
{
    return FileTargetDir(file, title) + (file.NewFileName.empty() ? file.SourceMask : file.NewFileName);
}

std::vector<std::u16string> ProcessesToEnd(const TSetupFileList& files, std::u16string_view installerPath)
{
    const std::u16string self = ExtractFileName(installerPath);
    std::vector<std::u16string> names;
    for (int i = 0; i < files.Count(); ++i) {
        const std::u16string name = ExtractFileName(files.Items(i)->SourceMask);
        if (!SameText(ExtractFileExt(name), u".exe")) continue;
        if (SameText(name, self)) continue;
        if (name.find_first_of(u"*?") != std::u16string::npos) continue;
        names.push_back(name);
    }
    return names;
}

std::u16string TaskKillCommand(const std::u16string& exeName) { return u"taskkill /F /IM \"" + exeName + u"\""; }

std::vector<std::u16string> OldVersionUninstallKeys(const std::u16string& guid)
{
    return {std::u16string(UninstallListPath) + u"\\" + guid + u"_is1", UninstallKeyName(guid)};
}

TShortCutPlan PlanShortCut(const TSetupShortCut& shortCut, const std::u16string& title)
{
    TShortCutPlan plan;
    plan.LinkPath = IncludeTrailingBackslash(TSetupfn::ExpandPath(shortCut.SaveDir, title)) +
                    TSetupfn::ExpandPath(shortCut.Name, title) + u".lnk";
    plan.DstFile = TSetupfn::ExpandPath(shortCut.DstFile, title);
    plan.WorkDir = TSetupfn::ExpandPath(shortCut.WorkDir, title);
    return plan;
}

std::u16string TRunPlan::CommandLine() const { return u"\"" + FileName + u"\" " + Params; }

std::vector<TRunPlan> PlanPrograms(const TSetupRunList& runs, bool wait, const std::u16string& title)
{
    std::vector<TRunPlan> plans;
    for (int i = 0; i < runs.Count(); ++i) {
        const TSetupRun& run = *runs.Items(i);
        if (run.Wait != wait) continue;
        plans.push_back({TSetupfn::ExpandPath(run.FileName, title), TSetupfn::ExpandPath(run.Params, title),
                         TSetupfn::ExpandPath(run.WorkDir, title)});
    }
    return plans;
}

std::u16string RunButtonCaption(const TLocalTexts& texts, const TSetupRunList& runs)
{
    return runs.CountNoWait() == 0 ? texts.ResExit() : MainFormCaptions(texts.Language()).btnRunApp;
}

int ProgressMaximum(const TSetupScript& script)
{
    return script.FileList->Count() + script.RegList->Count() + script.ShortCutList->Count();
}
