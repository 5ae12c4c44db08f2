// Start-up rules: the command line, which script resource makes the package, the Windows-version
// requirement, the proposed destination and the destination field's text.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ExitCodes.h"
#include "LocalTexts.h"
#include "LuStrUtils.h"
#include "PackageFormat.h"
#include "Setupfn.h"
#include "StartupRules.h"

namespace {

const char* ModeName(TStartMode mode)
{
    switch (mode) {
        case TStartMode::smInteractive: return "interactive";
        case TStartMode::smSilent: return "silent";
        case TStartMode::smAuto: return "auto";
    }
    return "?";
}

}  // namespace

TEST(CommandLine, OneFlagIgnoringCaseElseInteractive)
{
    struct {
        std::vector<std::u16string> Arguments;
        TStartMode Expected;
    } cases[] = {
        {{}, TStartMode::smInteractive},
        {{u"/Silent"}, TStartMode::smSilent},
        {{u"/silent"}, TStartMode::smSilent},
        {{u"/SILENT"}, TStartMode::smSilent},
        {{u"/Auto"}, TStartMode::smAuto},
        {{u"/aUTO"}, TStartMode::smAuto},
        // Two flags together set neither.
        {{u"/Silent", u"/Auto"}, TStartMode::smInteractive},
        {{u"/Silent", u"/Silent"}, TStartMode::smInteractive},
        // Near misses are interactive runs.
        {{u"Silent"}, TStartMode::smInteractive},
        {{u"-Silent"}, TStartMode::smInteractive},
        {{u"/Silent "}, TStartMode::smInteractive},
        {{u"/S"}, TStartMode::smInteractive},
        {{u"/VERYSILENT"}, TStartMode::smInteractive},
        {{u""}, TStartMode::smInteractive},
    };
    for (const auto& c : cases) {
        std::string shown;
        for (const auto& a : c.Arguments) shown += "[" + Utf16ToUtf8(a) + "]";
        EXPECT_STREQ(ModeName(c.Expected), ModeName(ParseCommandLine(c.Arguments))) << shown;
    }
}

TEST(ScriptResource, FullSetupScriptIsLookedForFirst)
{
    EXPECT_EQ(TScriptResource::srFull, ChooseScriptResource(true, true));
    EXPECT_EQ(TScriptResource::srFull, ChooseScriptResource(true, false));
    EXPECT_EQ(TScriptResource::srMini, ChooseScriptResource(false, true));
    EXPECT_EQ(TScriptResource::srNone, ChooseScriptResource(false, false));
    EXPECT_STREQ(SetupScriptResID, ScriptResourceName(TScriptResource::srFull));
    EXPECT_STREQ(MiniSetupScriptResID, ScriptResourceName(TScriptResource::srMini));
    EXPECT_EQ(nullptr, ScriptResourceName(TScriptResource::srNone));
}

TEST(WinVersion, RequirementsAndTheirMessages)
{
    struct {
        TWinVersionEnum Required;
        bool NT;
        unsigned Major, Minor;
        bool Met;
    } cases[] = {
        {wveWinXPOrHigher, true, 5, 0, false},    // 2000
        {wveWinXPOrHigher, true, 5, 1, true},     // XP
        {wveWinXPOrHigher, true, 6, 0, true},     // Vista
        {wveWinXPOrHigher, false, 10, 0, false},  // not NT
        {wveWin7OrHigher, true, 6, 0, false},    {wveWin7OrHigher, true, 6, 1, true},
        {wveWin7OrHigher, true, 10, 0, true},    {wveWin10OrHigher, true, 6, 3, false},  // 8.1
        {wveWin10OrHigher, true, 6, 4, true},  // 10 (technical preview numbers)
        {wveWin10OrHigher, true, 10, 0, true},   {wveWin10OrHigher, false, 10, 0, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.Met, IsWinVersionMet(c.Required, c.NT, c.Major, c.Minor))
            << int(c.Required) << " on " << c.Major << "." << c.Minor << (c.NT ? " NT" : "");

    const TLocalTexts eng(u"ENG");
    EXPECT_EQ(eng.ResNeedWinXPOrHigher(), WinVersionMessage(eng, wveWinXPOrHigher));
    EXPECT_EQ(eng.ResNeedWin7OrHigher(), WinVersionMessage(eng, wveWin7OrHigher));
    EXPECT_EQ(eng.ResNeedWin7OrHigher(), WinVersionMessage(eng, wveWin10OrHigher));  // no Windows 10 text
}

TEST(Destination, EarlierInstallationWinsOverTheDefault)
{
    TSetupfn::ProgramFilesDir = u"C:\\Program Files";
    TSetupfn::AppDir.clear();
    TSetupBaseInfo info;
    info.DefInstallPath = u"{pf}\\{AppTitle}";
    EXPECT_EQ(u"C:\\Program Files\\演示", DefaultDestination(info, u"演示", std::nullopt));
    // Stored exactly as the uninstall entry holds it, trailing backslash included.
    EXPECT_EQ(u"D:\\Apps\\Tool\\", DefaultDestination(info, u"演示", std::u16string(u"D:\\Apps\\Tool\\")));
    // "{app}" is still empty while the default is proposed.
    info.DefInstallPath = u"{app}Demo";
    EXPECT_EQ(u"Demo", DefaultDestination(info, u"演示", std::nullopt));
    TSetupfn::ProgramFilesDir.clear();
}

TEST(Destination, FieldTextIsTrimmedAndEndsInABackslash)
{
    struct {
        std::u16string Field;
        TDestDirCheck::TResult Result;
        std::u16string Dir;
    } cases[] = {
        {u"D:\\Apps\\Tool", TDestDirCheck::dcOk, u"D:\\Apps\\Tool\\"},
        {u"D:\\Apps\\Tool\\", TDestDirCheck::dcOk, u"D:\\Apps\\Tool\\"},
        {u"  D:\\Apps\\Tool \t\r\n", TDestDirCheck::dcOk, u"D:\\Apps\\Tool\\"},
        {u"D:\\", TDestDirCheck::dcOk, u"D:\\"},
        {u"D:", TDestDirCheck::dcOk, u"D:\\"},  // the backslash makes it the drive's root
        {u"d:/apps", TDestDirCheck::dcOk, u"d:/apps\\"},
        {u"\\\\server\\share\\Tool", TDestDirCheck::dcOk, u"\\\\server\\share\\Tool\\"},
        {u"", TDestDirCheck::dcEmpty, u""},
        {u"   \t ", TDestDirCheck::dcEmpty, u""},
        {std::u16string(u"\x01\x1F ", 3), TDestDirCheck::dcEmpty, u""},
        // Relative to wherever the installer was started: refused.
        {u"Tool", TDestDirCheck::dcNotAbsolute, u"Tool\\"},
        {u"D:Tool", TDestDirCheck::dcNotAbsolute, u"D:Tool\\"},
        {u"\\Apps", TDestDirCheck::dcNotAbsolute, u"\\Apps\\"},
        {u"..\\Apps", TDestDirCheck::dcNotAbsolute, u"..\\Apps\\"},
        {u"\\\\\\share", TDestDirCheck::dcNotAbsolute, u"\\\\\\share\\"},
    };
    for (const auto& c : cases) {
        const TDestDirCheck check = CheckDestDirText(c.Field);
        EXPECT_EQ(c.Result, check.Result) << Utf16ToUtf8(c.Field);
        EXPECT_EQ(c.Dir, check.Dir) << Utf16ToUtf8(c.Field);
    }
    EXPECT_EQ(u"D:\\Apps\\Tool", CheckDestDirText(u" D:\\Apps\\Tool ").Trimmed);
    EXPECT_EQ(u"D:\\Apps\\{0D5C4E7A-4F1B-4C4E-9C3B-2B7E8E7A1D11}",
              WriteTestFileName(u"D:\\Apps\\", u"{0D5C4E7A-4F1B-4C4E-9C3B-2B7E8E7A1D11}"));
}

TEST(ExitCodes, DistinctAndOnlySuccessIsZero)
{
    const std::vector<TExitCodeInfo>& infos = ExitCodeInfos();
    ASSERT_EQ(7u, infos.size());
    EXPECT_EQ(ecSuccess, infos[0].Code);
    EXPECT_EQ(0, int(ecSuccess));
    for (size_t i = 1; i < infos.size(); ++i) {
        EXPECT_LT(int(infos[i - 1].Code), int(infos[i].Code)) << "ascending and distinct";
        EXPECT_NE(0, int(infos[i].Code));
    }
    const std::string table = ExitCodeTable();
    for (const TExitCodeInfo& info : infos)
        EXPECT_NE(std::string::npos, table.find("| " + std::to_string(int(info.Code)) + " | " + info.Meaning + " |"));
}
