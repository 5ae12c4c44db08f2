#include <gtest/gtest.h>

#include "LuStreams.h"
#include "LuStrUtils.h"
#include "SetupScript.h"
#include "Setupfn.h"
#include "UninstallInfo.h"
#include "UninstallRules.h"
#include "UninstallTexts.h"

namespace {

const TRemovalRoots kRoots{u"C:\\Apps\\Tool\\", u"C:\\Users\\Ann\\Desktop\\",
                           u"C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\"};

std::string Encode(const std::string& plain)
{
    TMemoryStream stream{plain};
    TSetupfn::EncodeStream(stream);
    return stream.ToString();
}

// The folder values as the uninstaller of C:\Apps\Tool sets them.
class UninstallPlanTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        TSetupfn::AppDir = kRoots.AppDir;
        TSetupfn::DesktopDir = kRoots.DesktopDir;
        TSetupfn::CommonProgramsDir = kRoots.CommonProgramsDir;
        TSetupfn::ProgramFilesDir = u"C:\\Program Files";
        TSetupfn::GroupName = u"Tool";
    }
    void TearDown() override
    {
        TSetupfn::AppDir.clear();
        TSetupfn::DesktopDir.clear();
        TSetupfn::CommonProgramsDir.clear();
        TSetupfn::ProgramFilesDir.clear();
        TSetupfn::GroupName.clear();
    }
    static void AddFile(TSetupScript& s, const char16_t* destDir, const char16_t* name, int32_t bytes = 10,
                        TDateTime date = 45000.5)
    {
        auto f = std::make_unique<TSetupFile>();
        f->DestDir = destDir;
        f->SourceMask = name;
        f->FileBytes = bytes;
        f->LastWriteDate = date;
        s.FileList->Add(std::move(f));
    }
    static void AddLink(TSetupScript& s, const char16_t* saveDir, const char16_t* name)
    {
        auto l = std::make_unique<TSetupShortCut>();
        l->SaveDir = saveDir;
        l->Name = name;
        s.ShortCutList->Add(std::move(l));
    }
};

}  // namespace

TEST(UninstallPathTest, OnlyPathsBelowTheRootsItExpandsItself)
{
    struct TCase {
        const char16_t* Path;
        TPathVerdict Verdict;
        const char16_t* Root;
    };
    const TCase cases[] = {
        {u"C:\\Apps\\Tool\\readme.txt", TPathVerdict::pvInside, u"C:\\Apps\\Tool\\"},
        {u"c:\\apps\\TOOL\\sub\\deep\\x.bin", TPathVerdict::pvInside, u"C:\\Apps\\Tool\\"},
        {u"C:/Apps/Tool/sub/x.bin", TPathVerdict::pvInside, u"C:\\Apps\\Tool\\"},
        {u"C:\\Users\\Ann\\Desktop\\Tool.lnk", TPathVerdict::pvInside, u"C:\\Users\\Ann\\Desktop\\"},
        {u"C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\Tool\\Tool.lnk", TPathVerdict::pvInside,
         u"C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\"},
        // A root itself, a neighbour that shares its first letters, anywhere else.
        {u"C:\\Apps\\Tool\\", TPathVerdict::pvBadName, u""},  // names no file
        {u"C:\\Apps\\Tool", TPathVerdict::pvOutside, u""},
        {u"C:\\Apps\\Tool2\\readme.txt", TPathVerdict::pvOutside, u""},
        {u"C:\\Windows\\System32\\kernel32.dll", TPathVerdict::pvOutside, u""},
        {u"D:\\Apps\\Tool\\readme.txt", TPathVerdict::pvOutside, u""},
        // Names that would lead elsewhere than they read.
        {u"C:\\Apps\\Tool\\..\\..\\Windows\\win.ini", TPathVerdict::pvBadName, u""},
        {u"C:\\Apps\\Tool\\sub\\..\\x", TPathVerdict::pvBadName, u""},
        {u"C:\\Apps\\Tool\\.\\x", TPathVerdict::pvBadName, u""},
        {u"C:\\Apps\\Tool\\x. ", TPathVerdict::pvBadName, u""},
        {u"C:\\Apps\\Tool\\...\\x", TPathVerdict::pvBadName, u""},
        {u"C:\\Apps\\Tool\\x.txt:stream", TPathVerdict::pvBadName, u""},
        {u"C:\\Apps\\Tool\\a*b", TPathVerdict::pvBadName, u""},
        // Device names: opening one opens the device, whatever folder it stands in.
        {u"C:\\Apps\\Tool\\CON", TPathVerdict::pvBadName, u""},
        {u"C:\\Apps\\Tool\\aux.txt", TPathVerdict::pvBadName, u""},
        {u"C:\\Apps\\Tool\\Com1.log", TPathVerdict::pvBadName, u""},
        {u"C:\\Apps\\Tool\\lpt9", TPathVerdict::pvBadName, u""},
        {u"C:\\Apps\\Tool\\nul\\x.txt", TPathVerdict::pvBadName, u""},
        {u"C:\\Users\\Ann\\Desktop\\PRN.lnk", TPathVerdict::pvBadName, u""},
        {u"C:\\Apps\\Tool\\console.txt", TPathVerdict::pvInside, u"C:\\Apps\\Tool\\"},
        {u"C:\\Apps\\Tool\\sub\\", TPathVerdict::pvBadName, u""},
        {u"\\\\?\\C:\\Apps\\Tool\\x", TPathVerdict::pvBadName, u""},
        {u"\\\\.\\C:\\Apps\\Tool\\x", TPathVerdict::pvBadName, u""},
        {u"Apps\\Tool\\x", TPathVerdict::pvBadName, u""},
        {u"C:Apps\\Tool\\x", TPathVerdict::pvBadName, u""},
        {u"", TPathVerdict::pvBadName, u""},
    };
    for (const TCase& c : cases) {
        std::u16string root;
        EXPECT_EQ(c.Verdict, CheckRemovalPath(c.Path, kRoots, &root)) << Utf16ToUtf8(c.Path);
        EXPECT_EQ(std::u16string(c.Root), root) << Utf16ToUtf8(c.Path);
    }
}

TEST(UninstallPathTest, RootsThatAreUnknownOrOnAShareAreHandled)
{
    // A shell folder the system could not tell ("" or "\") protects nothing and allows nothing.
    const TRemovalRoots unknown{u"C:\\Apps\\Tool\\", u"", u"\\"};
    EXPECT_EQ(TPathVerdict::pvOutside, CheckRemovalPath(u"C:\\x.lnk", unknown));
    EXPECT_EQ(TPathVerdict::pvOutside, CheckRemovalPath(u"\\\\srv\\share\\x.lnk", unknown));
    const TRemovalRoots share{u"\\\\srv\\apps\\Tool\\", u"", u""};
    EXPECT_EQ(TPathVerdict::pvInside, CheckRemovalPath(u"\\\\srv\\apps\\Tool\\a.txt", share));
    EXPECT_EQ(TPathVerdict::pvOutside, CheckRemovalPath(u"\\\\srv\\apps\\Other\\a.txt", share));
    EXPECT_EQ(TPathVerdict::pvBadName, CheckRemovalPath(u"\\\\srv\\apps\\Tool\\..\\Other\\a.txt", share));
}

TEST(UninstallPathTest, FoldersBelowRootStopAtTheRoot)
{
    using V = std::vector<std::u16string>;
    EXPECT_EQ((V{u"C:\\Apps\\Tool\\a\\b", u"C:\\Apps\\Tool\\a"}),
              FoldersBelowRoot(u"C:\\Apps\\Tool\\a\\b\\x.txt", u"C:\\Apps\\Tool\\"));
    EXPECT_EQ(V{}, FoldersBelowRoot(u"C:\\Apps\\Tool\\x.txt", u"C:\\Apps\\Tool\\"));
    EXPECT_EQ(V{u"c:\\apps\\tool\\a"}, FoldersBelowRoot(u"c:\\apps\\tool\\a\\x.txt", u"C:\\Apps\\Tool"));
}

TEST_F(UninstallPlanTest, PlanExpandsLikeTheInstallerAndRefusesWhatLiesOutside)
{
    TSetupScript s;
    AddFile(s, u"{app}", u"readme.txt");
    AddFile(s, u"{app}\\sub\\deep", u"data.bin", 0);
    AddFile(s, u"{app}", u"Uninstall.exe");  // the running program: removed apart
    AddFile(s, u"{app}", u"tool.exe");
    AddFile(s, u"{pf}\\Shared", u"common.dll");  // installed, but outside what it may remove
    AddFile(s, u"{app}\\..\\..\\Windows", u"win.ini");
    AddFile(s, u"{APP}", u"README.TXT", 20, 45001.0);  // the same target again: the later entry counts
    AddLink(s, u"{desktop}", u"{AppTitle}");
    AddLink(s, u"{group}", u"Readme");
    AddLink(s, u"C:\\Windows", u"evil");
    auto reg = std::make_unique<TSetupReg>();
    reg->RootKey = rrkCurrentUser;
    reg->SubKey = u"\\Software\\{AppTitle}\\Sub";
    reg->ValueName = u"Path";
    s.RegList->Add(std::move(reg));

    const TUninstallPlan plan = PlanUninstall(s, kRoots, u"C:\\Apps\\Tool\\Uninstall.exe");
    std::vector<std::u16string> paths;
    for (const TFileRemoval& f : plan.Files) paths.push_back(f.Path);
    const std::u16string group = kRoots.CommonProgramsDir + u"Tool\\Readme.lnk";
    EXPECT_EQ((std::vector<std::u16string>{u"C:\\Apps\\Tool\\README.TXT", u"C:\\Apps\\Tool\\sub\\deep\\data.bin",
                                           u"C:\\Apps\\Tool\\tool.exe", kRoots.DesktopDir + u"Tool.lnk", group}),
              paths);
    EXPECT_EQ(20, plan.Files[0].Bytes);
    EXPECT_EQ(45001.0, plan.Files[0].LastWriteDate);
    EXPECT_TRUE(plan.Files[3].ShortCut);
    EXPECT_EQ(kRoots.DesktopDir, plan.Files[3].Root);

    ASSERT_EQ(3u, plan.Refused.size());
    EXPECT_EQ(u"C:\\Program Files\\Shared\\common.dll", plan.Refused[0].Path);
    EXPECT_EQ(TPathVerdict::pvOutside, plan.Refused[0].Verdict);
    EXPECT_EQ(TPathVerdict::pvBadName, plan.Refused[1].Verdict);
    EXPECT_EQ(u"C:\\Windows\\evil.lnk", plan.Refused[2].Path);

    // Deepest first, the destination last; never the desktop or the Programs folder themselves.
    EXPECT_EQ((std::vector<std::u16string>{ExcludeTrailingBackslash(kRoots.CommonProgramsDir + u"Tool"),
                                           u"C:\\Apps\\Tool\\sub\\deep", u"C:\\Apps\\Tool\\sub", u"C:\\Apps\\Tool"}),
              plan.Folders);

    ASSERT_EQ(1u, plan.Values.size());
    EXPECT_EQ(RootKeyToHKEY(rrkCurrentUser), plan.Values[0].Root);
    EXPECT_EQ(u"Software\\Tool\\Sub", plan.Values[0].SubKey);
    EXPECT_EQ(u"Path", plan.Values[0].ValueName);

    EXPECT_EQ(std::vector<std::u16string>{u"tool.exe"}, plan.ProgramsToEnd);
}

TEST(UninstallChangeTest, AFileIsTheInstallersOnlyWhileItsSizeAndTimeAreThoseItWrote)
{
    const double second = 1.0 / 86400;
    TFileRemoval withContent;
    withContent.Bytes = 100;
    withContent.LastWriteDate = 45000.5;
    TFileRemoval empty;  // the installer sets no time on an empty file
    struct TCase {
        const TFileRemoval* File;
        int64_t Size;
        double Time;
        bool Unchanged;
    } cases[] = {
        {&withContent, 100, 45000.5, true},
        {&withContent, 100, 45000.5 + 2 * second, true},     // FAT keeps two-second times
        {&withContent, 100, 45000.5 - 3600 * second, true},  // daylight-saving time changed since
        {&withContent, 100, 45000.5 + 3600 * second, true},
        {&withContent, 100, 45000.5 + 60 * second, false},  // written again since
        {&withContent, 101, 45000.5, false},                // another size
        {&empty, 0, 45123.25, true},
        {&empty, 5, 45123.25, false},
    };
    for (const TCase& c : cases)
        EXPECT_EQ(c.Unchanged, IsUnchangedFile(*c.File, c.Size, c.Time)) << c.Size << " " << c.Time;
}

TEST(UninstallRegistryTest, KeysToTryStopBelowTheRoot)
{
    using V = std::vector<std::u16string>;
    EXPECT_EQ((V{u"Software\\A\\B", u"Software\\A"}), RegistryKeysToTry(u"\\Software\\A\\B\\"));
    EXPECT_EQ(V{}, RegistryKeysToTry(u"Software"));
    EXPECT_EQ(V{}, RegistryKeysToTry(u""));
}

TEST(UninstallDataTest, DataFilesWrittenByTheInstallerLoadAndDamagedOnesAreRefused)
{
    TSetupScript script;
    script.BaseInfo->GUID = u"{6B1F0C2A-3D4E-4F50-8A61-7B8C9DA0B1C2}";
    script.BaseInfo->AppTitleENG = u"Tool";
    auto f = std::make_unique<TSetupFile>();
    f->DestDir = u"{app}\\bin";
    f->SourceMask = u"tool.exe";
    script.FileList->Add(std::move(f));
    const std::unique_ptr<TSetupScript> loaded = LoadUninstallScript(UninstallScriptData(script, true));
    EXPECT_EQ(script.BaseInfo->GUID, loaded->BaseInfo->GUID);
    ASSERT_EQ(1, loaded->FileList->Count());
    EXPECT_EQ(u"{app}\\bin", loaded->FileList->Items(0)->DestDir);

    const std::string png("\x89PNG\r\n\x1a\n rest", 13);
    EXPECT_EQ(png, LoadUninstallIcon(UninstallIconData(png, true)));

    const std::string good = UninstallScriptData(script, true);
    std::string flipped = good;
    flipped[flipped.size() / 2] ^= 0x55;
    TSetupScript noGuid;
    noGuid.BaseInfo->GUID.clear();
    const std::string damaged[] = {
        "",
        "not encoded at all",
        good.substr(0, good.size() / 2),
        flipped,
        UninstallScriptData(script, false),  // plain XML: the installer encodes it
        Encode("<?xml version=\"1.0\"?><TSetupFile DestDir=\"C:\\\"/>"),
        Encode("<TSetupScript><BaseInfo"),
        UninstallScriptData(noGuid, true),
    };
    for (const std::string& bytes : damaged) {
        try {
            LoadUninstallScript(bytes);
            ADD_FAILURE() << "loaded: " << bytes.size() << " bytes";
        } catch (const EUninstallDataError& e) {
            EXPECT_NE(std::u16string::npos, e.Message().find(u"Uninstall.da1")) << e.what();
        }
    }
    EXPECT_THROW(LoadUninstallIcon(Encode("GIF89a")), EUninstallDataError);
    EXPECT_THROW(LoadUninstallIcon(""), EUninstallDataError);
}

TEST(UninstallStartTest, SwitchLanguageAndExitCodes)
{
    using A = std::vector<std::u16string>;
    EXPECT_TRUE(IsSilentUninstall(A{u"/SILENT"}));
    EXPECT_TRUE(IsSilentUninstall(A{u"/silent"}));
    EXPECT_FALSE(IsSilentUninstall(A{}));
    EXPECT_FALSE(IsSilentUninstall(A{u"/SILENT", u"/x"}));
    EXPECT_FALSE(IsSilentUninstall(A{u"SILENT"}));

    EXPECT_EQ(u"CHT", UninstallLanguage(u"CHT", u"ENU"));
    EXPECT_EQ(u"CHS", UninstallLanguage(u"", u"CHS"));
    EXPECT_EQ(u"ENG", UninstallLanguage(u"chs", u"DEU"));  // codes compare exactly, as recorded
    EXPECT_EQ(u"ENG", UninstallLanguage(u"", u""));
    for (const char16_t* lang : {u"CHS", u"CHT", u"ENG"}) {
        const TUninstallTexts t = UninstallTexts(lang);
        for (const std::u16string* fmt : {&t.CaptionFmt, &t.ConfirmFmt, &t.RemovingFmt, &t.DoneFmt, &t.IncompleteFmt,
                                          &t.KeptFolderFmt, &t.DataErrorFmt})
            EXPECT_EQ(2u, fmt->size() - StringReplace(*fmt, u"%s", u"", rfReplaceAll).size())
                << "one %s in " << Utf16ToUtf8(*fmt);
    }
    EXPECT_NE(UninstallTexts(u"CHS").btnUninstall, UninstallTexts(u"CHT").btnUninstall);

    const auto& infos = UninstallExitCodeInfos();
    EXPECT_EQ(ucSuccess, infos.front().Code);
    for (size_t i = 1; i < infos.size(); ++i) EXPECT_LT(int(infos[i - 1].Code), int(infos[i].Code));
}
