// Script variables (the default list, lookup, expansion, ApplyVars of the items) and the path
// placeholders of ExpandPath.
#include <gtest/gtest.h>

#include <set>

#include "LuStrUtils.h"
#include "SetupScript.h"
#include "Setupfn.h"

namespace {

std::string U8(std::u16string_view s) { return Utf16ToUtf8(s); }

// A list holding exactly the given variables, in order.
std::unique_ptr<TSetupVarList> Vars(std::initializer_list<std::tuple<std::u16string, std::u16string, bool>> vars)
{
    auto list = std::make_unique<TSetupVarList>();
    list->Clear();
    for (const auto& [name, value, checked] : vars) {
        auto v = std::make_unique<TSetupVar>();
        v->VarName = name;
        v->VarValue = value;
        v->Checked = checked;
        list->Add(std::move(v));
    }
    return list;
}

// ---- Default variables and lookup -----------------------------------------------------------

TEST(SetupVarsDefaults, TenVariablesInOrder)
{
    const TSetupVarList list;
    const std::pair<std::u16string, std::u16string> expected[] = {
        {u"{AppTitle}", u"AppTitle"}, {u"{Version}", u"1.0.0.0"}, {u"{MainExeName}", u"MyApp"}, {u"{GUID}", u"?"},
        {u"{AppID}", u"?"},           {u"{Copyright}", u""},      {u"{CompanyName}", u""},      {u"{CompanyUrl}", u""},
        {u"{DefaultFolder}", u""},    {u"{Condition}", u""},
    };
    ASSERT_EQ(list.Count(), 10);
    for (int i = 0; i < 10; ++i) {
        const TSetupVar* v = list.Items(i);
        EXPECT_EQ(v->VarName, expected[i].first) << i;
        EXPECT_TRUE(v->Checked) << U8(v->VarName);
        if (expected[i].second != u"?") {
            EXPECT_EQ(v->VarValue, expected[i].second) << U8(v->VarName);
        }
    }
    const std::u16string guid = list.Items(3)->VarValue;
    EXPECT_EQ(guid.size(), 38u);
    EXPECT_EQ(guid.front(), u'{');
    EXPECT_EQ(guid.back(), u'}');
    const std::u16string appId = list.Items(4)->VarValue;
    EXPECT_EQ(appId.size(), 5u);
    EXPECT_EQ(appId.find_first_not_of(u"0123456789"), std::u16string::npos) << U8(appId);
}

TEST(SetupVarsDefaults, GuidVariableIsItsOwn)
{
    const TSetupScript script;
    EXPECT_NE(script.VarList->FindVar(u"{GUID}")->VarValue, script.BaseInfo->GUID);
    const TSetupVarList other;
    EXPECT_NE(other.FindVar(u"{GUID}")->VarValue, script.VarList->FindVar(u"{GUID}")->VarValue);
}

TEST(SetupVarsLookup, NamesIgnoreCase)
{
    TSetupVarList list;
    list.AddVar(u"{Ärger}")->VarValue = u"umlaut";
    const std::pair<std::u16string, int> cases[] = {
        {u"{Version}", 1}, {u"{VERSION}", 1},   {u"{version}", 1}, {u"{mainexename}", 2}, {u"{ärger}", 10},
        {u"Version", -1},  {u"{Version} ", -1}, {u"", -1},         {u"{Nope}", -1},
    };
    for (const auto& [name, index] : cases) {
        EXPECT_EQ(list.IndexOfVar(name), index) << U8(name);
        const TSetupVar* found = list.FindVar(name);
        EXPECT_EQ(found, index < 0 ? nullptr : list.Items(index)) << U8(name);
    }
}

TEST(SetupVarsLookup, FirstOfTwoEqualNames)
{
    const auto list = Vars({{u"{A}", u"first", true}, {u"{a}", u"second", true}});
    EXPECT_EQ(list->IndexOfVar(u"{A}"), 0);
    EXPECT_EQ(list->FindVar(u"{a}")->VarValue, u"first");
}

TEST(SetupVarsLookup, AddVarReturnsExistingOrAppends)
{
    TSetupVarList list;
    TSetupVar* version = list.Items(1);
    version->Checked = false;
    EXPECT_EQ(list.AddVar(u"{VERSION}"), version);
    EXPECT_EQ(list.Count(), 10);
    EXPECT_EQ(version->VarName, u"{Version}");  // the existing name is kept
    EXPECT_EQ(version->VarValue, u"1.0.0.0");
    EXPECT_FALSE(version->Checked);

    TSetupVar* added = list.AddVar(u"{New}");
    ASSERT_EQ(list.Count(), 11);
    EXPECT_EQ(list.Items(10), added);
    EXPECT_EQ(added->VarName, u"{New}");
    EXPECT_EQ(added->VarValue, u"");
    EXPECT_TRUE(added->Checked);
}

// ---- ExpandVars -----------------------------------------------------------------------------

TEST(SetupVarsExpand, DefaultList)
{
    const TSetupVarList list;
    EXPECT_EQ(list.ExpandVars(u"{AppTitle} {version} {MAINEXENAME}.exe {Copyright}|{Unknown}"),
              u"AppTitle 1.0.0.0 MyApp.exe |{Unknown}");
}

TEST(SetupVarsExpand, OrderAndSinglePass)
{
    struct Case {
        const char* what;
        std::unique_ptr<TSetupVarList> vars;
        std::u16string text;
        std::u16string expected;
    };
    Case cases[] = {
        {"a value naming a later variable is expanded", Vars({{u"{A}", u"x{B}", true}, {u"{B}", u"y", true}}), u"{A}",
         u"xy"},
        {"a value naming an earlier variable is not", Vars({{u"{A}", u"x", true}, {u"{B}", u"{A}", true}}), u"{B}|{A}",
         u"{A}|x"},
        {"inserted text is not rescanned", Vars({{u"{A}", u"{A}{A}", true}}), u"{A}", u"{A}{A}"},
        {"a replacement that forms the name again stays", Vars({{u"{A}", u"{", true}}), u"{A}A}", u"{A}"},
        {"every occurrence, ignoring case", Vars({{u"{Ver}", u"2", true}}), u"{ver}.{VER}.{Ver}", u"2.2.2"},
        {"an unchecked variable changes nothing", Vars({{u"{A}", u"a", false}, {u"{B}", u"b", true}}), u"{A}{B}",
         u"{A}b"},
        {"an unchecked later variable leaves its name in an earlier value",
         Vars({{u"{A}", u"{B}", true}, {u"{B}", u"b", false}}), u"{A}", u"{B}"},
        {"an empty name changes nothing", Vars({{u"", u"boom", true}}), u"abc", u"abc"},
        {"an empty value removes the name", Vars({{u"{A}", u"", true}}), u"x{A}y", u"xy"},
        {"Chinese names and values", Vars({{u"{产品}", u"安装", true}}), u"[{产品}]", u"[安装]"},
    };
    for (const Case& c : cases) EXPECT_EQ(c.vars->ExpandVars(c.text), c.expected) << c.what;
}

// ---- ApplyVars ------------------------------------------------------------------------------

// Puts "[{X}]" into every text property of the item, applies {X} = "v", and returns the names of
// the text properties that were expanded; it also checks that the others stayed as they were.
std::set<std::u16string> ExpandedFields(TBaseConditionItem& item)
{
    for (const TPropInfo& p : item.Props().Props())
        if (p.Kind == TTypeKind::tkWString) p.Set(item, std::u16string(u"[{x}]"));
    item.ApplyVars(*Vars({{u"{X}", u"v", true}}));
    std::set<std::u16string> expanded;
    for (const TPropInfo& p : item.Props().Props()) {
        if (p.Kind != TTypeKind::tkWString) continue;
        const std::u16string value = std::get<std::u16string>(p.Get(item));
        if (value == u"[v]")
            expanded.insert(p.Name);
        else
            EXPECT_EQ(value, u"[{x}]") << U8(p.Name);
    }
    return expanded;
}

TEST(SetupVarsApply, FieldsPerClass)
{
    using Fields = std::set<std::u16string>;
    struct Case {
        std::unique_ptr<TBaseConditionItem> item;
        Fields expected;
    };
    Case cases[] = {
        {std::make_unique<TBaseConditionItem>(), {u"Condition"}},
        // ResID is a key into the file table and is never expanded.
        {std::make_unique<TSetupFile>(), {u"Condition", u"DestDir", u"SourceMask", u"SourcePath", u"NewFileName"}},
        {std::make_unique<TSetupReg>(), {u"Condition", u"SubKey", u"ValueData", u"ValueName"}},
        {std::make_unique<TSetupRun>(), {u"Condition", u"Params", u"FileName", u"WorkDir"}},
        {std::make_unique<TSetupShortCut>(), {u"Condition", u"DstFile", u"IconFile", u"Name", u"SaveDir", u"WorkDir"}},
        {std::make_unique<TSetupSwiper>(), {u"Condition", u"FileName"}},
    };
    for (Case& c : cases) EXPECT_EQ(ExpandedFields(*c.item), c.expected) << U8(c.item->ClassName());
}

TEST(SetupVarsApply, OtherFieldsUntouched)
{
    TSetupFile file;
    file.Checked = false;
    file.FileBytes = 42;
    file.LastWriteDate = 45000.25;
    file.ApplyVars(TSetupVarList());
    EXPECT_FALSE(file.Checked);
    EXPECT_EQ(file.FileBytes, 42);
    EXPECT_EQ(file.LastWriteDate, 45000.25);

    TSetupRun run;
    run.Wait = true;
    run.FileName = u"{MainExeName}.exe";
    run.ApplyVars(TSetupVarList());
    EXPECT_TRUE(run.Wait);
    EXPECT_EQ(run.FileName, u"MyApp.exe");
}

// ---- ExpandPath -----------------------------------------------------------------------------

// The folder values are process-wide: every test sets them and leaves them as it found them.
class SetupVarsPath : public ::testing::Test {
protected:
    void SetUp() override
    {
        Saved = {TSetupfn::ProgramFilesDir, TSetupfn::DesktopDir, TSetupfn::CommonProgramsDir,
                 TSetupfn::GroupName,       TSetupfn::AppDir,     TSetupfn::SourceExe};
        TSetupfn::ProgramFilesDir = u"C:\\Program Files";
        TSetupfn::DesktopDir = u"C:\\Users\\u\\Desktop\\";
        TSetupfn::CommonProgramsDir = u"C:\\ProgramData\\Programs\\";
        TSetupfn::GroupName = u"Product";
        TSetupfn::AppDir = u"D:\\Apps\\Product\\";
        TSetupfn::SourceExe = u"E:\\Downloads\\Setup.exe";
    }
    void TearDown() override
    {
        TSetupfn::ProgramFilesDir = Saved[0];
        TSetupfn::DesktopDir = Saved[1];
        TSetupfn::CommonProgramsDir = Saved[2];
        TSetupfn::GroupName = Saved[3];
        TSetupfn::AppDir = Saved[4];
        TSetupfn::SourceExe = Saved[5];
    }

    std::vector<std::u16string> Saved;
};

TEST_F(SetupVarsPath, Placeholders)
{
    struct Case {
        std::u16string text;
        std::u16string title;
        std::u16string expected;
    };
    const Case cases[] = {
        {u"{desktop}\\Product.lnk", u"", u"C:\\Users\\u\\Desktop\\Product.lnk"},
        {u"{app}Main.exe", u"", u"D:\\Apps\\Product\\Main.exe"},
        {u"{APP}\\Main.exe", u"", u"D:\\Apps\\Product\\Main.exe"},
        {u"{App}\\bin\\{app}", u"", u"D:\\Apps\\Product\\bin\\D:\\Apps\\Product\\"},
        {u"{pf}\\{AppTitle}", u"产品", u"C:\\Program Files\\产品"},
        {u"{PF}\\{apptitle}\\", u"T", u"C:\\Program Files\\T\\"},
        {u"{group}", u"", u"C:\\ProgramData\\Programs\\Product\\"},
        {u"{group}\\Uninstall.lnk", u"", u"C:\\ProgramData\\Programs\\Product\\Uninstall.lnk"},
        {u"{srcexe}", u"", u"E:\\Downloads\\Setup.exe"},
        {u"\"{SRCEXE}\" /x", u"", u"\"E:\\Downloads\\Setup.exe\" /x"},
        // A title holding a later placeholder gets it expanded too.
        {u"{AppTitle}", u"{app}Readme", u"D:\\Apps\\Product\\Readme"},
        {u"{unknown}\\{app", u"", u"{unknown}\\{app"},
        {u"", u"T", u""},
        // Backslash runs: each pair becomes one, left to right in one pass.
        {u"a\\\\\\b", u"", u"a\\\\b"},
        {u"a\\\\\\\\b", u"", u"a\\\\b"},
        // A network path keeps its leading pair; the doubled separator after a placeholder goes.
        {u"\\\\server\\share\\x", u"", u"\\\\server\\share\\x"},
        {u"\\\\\\server", u"", u"\\\\server"},
        {u"a\\b\\", u"", u"a\\b\\"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TSetupfn::ExpandPath(c.text, c.title), c.expected) << U8(c.text) << " / " << U8(c.title);
}

TEST_F(SetupVarsPath, FolderValues)
{
    // ProgramFiles not set in the environment.
    TSetupfn::ProgramFilesDir = u"";
    EXPECT_EQ(TSetupfn::ExpandPath(u"{pf}\\Product", u""), u"\\Product");

    // Nothing known yet: no destination, no group, a failed Start-menu lookup.
    TSetupfn::AppDir = u"";
    TSetupfn::GroupName = u"";
    TSetupfn::CommonProgramsDir = u"\\";
    EXPECT_EQ(TSetupfn::ExpandPath(u"{app}\\Main.exe", u""), u"\\Main.exe");
    EXPECT_EQ(TSetupfn::ExpandPath(u"{group}", u""), u"\\");

    // A group name that already ends in a backslash gets no second one.
    TSetupfn::CommonProgramsDir = u"C:\\Programs\\";
    TSetupfn::GroupName = u"Product\\";
    EXPECT_EQ(TSetupfn::ExpandPath(u"{group}", u""), u"C:\\Programs\\Product\\");
    TSetupfn::GroupName = u"";
    EXPECT_EQ(TSetupfn::ExpandPath(u"{group}", u""), u"C:\\Programs\\");

    // A folder value holding an earlier step's name keeps it; one holding a later step's name
    // has it expanded.
    TSetupfn::AppDir = u"D:\\{pf}\\{AppTitle}\\";
    TSetupfn::ProgramFilesDir = u"P";
    EXPECT_EQ(TSetupfn::ExpandPath(u"{app}", u"T"), u"D:\\{pf}\\{AppTitle}\\");
    TSetupfn::DesktopDir = u"{app}";
    TSetupfn::AppDir = u"A\\";
    EXPECT_EQ(TSetupfn::ExpandPath(u"{desktop}", u""), u"A\\");
}

}  // namespace
