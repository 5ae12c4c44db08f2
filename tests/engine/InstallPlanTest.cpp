// What the stages do with the script's entries: target paths, the programs ended before the files
// are written, the earlier installations' keys, shortcuts, the run list and the progress range.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "InstallPlan.h"
#include "LocalTexts.h"
#include "LuStrUtils.h"
#include "Setupfn.h"

namespace {

using TList = std::vector<std::u16string>;

// The folder values of a typical machine, with "D:\Apps\Tool\" as the destination.
class InstallPlan : public ::testing::Test {
protected:
    void SetUp() override
    {
        TSetupfn::ProgramFilesDir = u"C:\\Program Files";
        TSetupfn::DesktopDir = u"C:\\Users\\Public\\Desktop\\";
        TSetupfn::CommonProgramsDir = u"C:\\ProgramData\\Start Menu\\Programs\\";
        TSetupfn::GroupName = u"Demo";
        TSetupfn::AppDir = u"D:\\Apps\\Tool\\";
    }
    void TearDown() override
    {
        TSetupfn::ProgramFilesDir.clear();
        TSetupfn::DesktopDir.clear();
        TSetupfn::CommonProgramsDir.clear();
        TSetupfn::GroupName.clear();
        TSetupfn::AppDir.clear();
    }
};

TSetupFile* AddFile(TSetupFileList& list, const char16_t* destDir, const char16_t* mask, const char16_t* newName = u"")
{
    auto file = std::make_unique<TSetupFile>();
    file->DestDir = destDir;
    file->SourceMask = mask;
    file->NewFileName = newName;
    return list.Add(std::move(file));
}

void AddRun(TSetupRunList& list, const char16_t* fileName, const char16_t* params, bool wait)
{
    auto run = std::make_unique<TSetupRun>();
    run->FileName = fileName;
    run->Params = params;
    run->WorkDir = u"{app}";
    run->Wait = wait;
    list.Add(std::move(run));
}

}  // namespace

TEST_F(InstallPlan, FileTargetPaths)
{
    struct {
        const char16_t* DestDir;
        const char16_t* SourceMask;
        const char16_t* NewFileName;
        const char16_t* Expected;
    } cases[] = {
        {u"{app}", u"Tool.exe", u"", u"D:\\Apps\\Tool\\Tool.exe"},
        {u"{app}\\bin", u"Tool.exe", u"", u"D:\\Apps\\Tool\\bin\\Tool.exe"},  // backslash added
        {u"{app}\\bin\\", u"Tool.exe", u"", u"D:\\Apps\\Tool\\bin\\Tool.exe"},
        {u"{app}", u"Tool.exe", u"Renamed.exe", u"D:\\Apps\\Tool\\Renamed.exe"},
        {u"{pf}\\{AppTitle}", u"a.dll", u"", u"C:\\Program Files\\演示\\a.dll"},
        {u"{group}", u"readme.txt", u"", u"C:\\ProgramData\\Start Menu\\Programs\\Demo\\readme.txt"},
        {u"{APP}\\deep\\er", u"x.dat", u"", u"D:\\Apps\\Tool\\deep\\er\\x.dat"},
    };
    for (const auto& c : cases) {
        TSetupFileList list;
        const TSetupFile* file = AddFile(list, c.DestDir, c.SourceMask, c.NewFileName);
        EXPECT_EQ(c.Expected, FileTargetPath(*file, u"演示")) << Utf16ToUtf8(c.DestDir);
    }
}

TEST_F(InstallPlan, ProcessesToEndAreThePackagesExecutables)
{
    TSetupFileList files;
    AddFile(files, u"{app}", u"Tool.exe");
    AddFile(files, u"{app}", u"helper.dll");
    AddFile(files, u"{app}", u"sub\\Agent.EXE");  // file-name part, extension ignoring case
    AddFile(files, u"{app}", u"setup.exe");       // the installer itself, other case
    AddFile(files, u"{app}", u"My Tool.exe");
    AddFile(files, u"{app}", u"*.exe");  // a mask names no program
    AddFile(files, u"{app}", u"Tool?.exe");
    AddFile(files, u"{app}", u"Tool.exe");  // listed twice: ended twice
    AddFile(files, u"{app}", u"noext");
    AddFile(files, u"{app}", u"archive.exe.bak");
    AddFile(files, u"{app}", u"C:Other.exe");  // a colon also ends the folder part
    EXPECT_EQ((TList{u"Tool.exe", u"Agent.EXE", u"My Tool.exe", u"Tool.exe", u"Other.exe"}),
              ProcessesToEnd(files, u"C:\\Users\\me\\Downloads\\SETUP.exe"));
    // From another installer name, setup.exe is a program of the package like any other.
    EXPECT_EQ(6u, ProcessesToEnd(files, u"Product_2041.exe").size());

    EXPECT_EQ(u"taskkill /F /IM \"My Tool.exe\"", TaskKillCommand(u"My Tool.exe"));
}

TEST_F(InstallPlan, EarlierInstallationKeysIs1First)
{
    const std::u16string guid = u"{0D5C4E7A-4F1B-4C4E-9C3B-2B7E8E7A1D11}";
    EXPECT_EQ((TList{u"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + guid + u"_is1",
                     u"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + guid + u"_zd"}),
              OldVersionUninstallKeys(guid));
}

TEST_F(InstallPlan, ShortCutPaths)
{
    TSetupShortCut shortCut;
    shortCut.SaveDir = u"{desktop}";
    shortCut.Name = u"{AppTitle}";
    shortCut.DstFile = u"{app}\\Tool.exe";
    shortCut.WorkDir = u"{app}";
    TShortCutPlan plan = PlanShortCut(shortCut, u"演示");
    EXPECT_EQ(u"C:\\Users\\Public\\Desktop\\演示.lnk", plan.LinkPath);
    EXPECT_EQ(u"D:\\Apps\\Tool\\Tool.exe", plan.DstFile);
    EXPECT_EQ(u"D:\\Apps\\Tool\\", plan.WorkDir);

    shortCut.SaveDir = u"{group}";  // no trailing backslash: one is added
    EXPECT_EQ(u"C:\\ProgramData\\Start Menu\\Programs\\Demo\\演示.lnk", PlanShortCut(shortCut, u"演示").LinkPath);
}

TEST_F(InstallPlan, RunListSplitsByWait)
{
    TSetupRunList runs;
    AddRun(runs, u"{app}\\vcredist.exe", u"/quiet", true);
    AddRun(runs, u"{app}\\Tool.exe", u"", false);
    AddRun(runs, u"{app}\\register.exe", u"", true);
    AddRun(runs, u"{app}\\readme.html", u"--first", false);

    const std::vector<TRunPlan> wait = PlanPrograms(runs, true, u"演示");
    ASSERT_EQ(2u, wait.size());
    EXPECT_EQ(u"\"D:\\Apps\\Tool\\vcredist.exe\" /quiet", wait[0].CommandLine());
    EXPECT_EQ(u"\"D:\\Apps\\Tool\\register.exe\" ", wait[1].CommandLine());  // blank kept
    EXPECT_EQ(u"D:\\Apps\\Tool\\", wait[1].WorkDir);

    const std::vector<TRunPlan> later = PlanPrograms(runs, false, u"演示");
    ASSERT_EQ(2u, later.size());
    EXPECT_EQ(u"D:\\Apps\\Tool\\Tool.exe", later[0].FileName);
    EXPECT_EQ(u"--first", later[1].Params);

    // The Run button says "Exit" exactly when nothing is left to start.
    EXPECT_EQ(u"Run", RunButtonCaption(TLocalTexts(u"ENG"), runs));
    EXPECT_EQ(u"立即体验", RunButtonCaption(TLocalTexts(u"CHS"), runs));
    TSetupRunList waitOnly;
    AddRun(waitOnly, u"{app}\\vcredist.exe", u"", true);
    EXPECT_EQ(u"Exit", RunButtonCaption(TLocalTexts(u"ENG"), waitOnly));
    EXPECT_EQ(u"退出", RunButtonCaption(TLocalTexts(u"CHT"), waitOnly));
    EXPECT_EQ(u"Exit", RunButtonCaption(TLocalTexts(u"ENG"), TSetupRunList()));
}

TEST_F(InstallPlan, ProgressCountsFilesRegistryAndShortCuts)
{
    TSetupScript script;
    EXPECT_EQ(0, ProgressMaximum(script));
    AddFile(*script.FileList, u"{app}", u"a");
    AddFile(*script.FileList, u"{app}", u"b");
    script.RegList->Add(std::make_unique<TSetupReg>());
    script.ShortCutList->Add(std::make_unique<TSetupShortCut>());
    AddRun(*script.RunList, u"x.exe", u"", true);  // runs are not steps
    EXPECT_EQ(4, ProgressMaximum(script));
}
