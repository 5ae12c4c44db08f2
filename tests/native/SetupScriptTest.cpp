// The setup script model: the stored form (XML and JSON), defaults, older attributes, the
// forgiving attribute conversions and the model's small operations.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <vector>

#include "LuStrUtils.h"
#include "LuStreams.h"
#include "SetupScript.h"

namespace {

std::string SaveXml(const TXmlPersistent& object)
{
    TMemoryStream stream;
    object.SaveToStream(stream);
    return stream.ToString();
}

void LoadXml(TXmlPersistent& object, const std::string& xml)
{
    TMemoryStream stream(xml);
    object.LoadFromStream(stream);
}

// Names of the scalar properties whose values differ between a and b (same class), so that a
// failed comparison says where.
std::string Differences(const TXmlPersistent& a, const TXmlPersistent& b)
{
    std::string names;
    for (const TPropInfo& p : a.Props().Props()) {
        if (p.Kind == TTypeKind::tkClass || !p.Readable()) continue;
        if (p.Get(a) != p.Get(b)) names += Utf16ToUtf8(p.Name) + " ";
    }
    return names;
}

// Names of the scalar properties that no item of the list sets away from a new item's value.
std::string PropertiesLeftAtDefault(const TXmlObjectList& list)
{
    std::string names;
    if (list.Count() == 0) return "(empty list)";
    const TXmlPersistentPtr fresh = list.Items(0)->Create();
    for (const TPropInfo& p : fresh->Props().Props()) {
        bool changed = false;
        for (int i = 0; i < list.Count(); ++i) changed = changed || p.Get(*list.Items(i)) != p.Get(*fresh);
        if (!changed) names += Utf16ToUtf8(p.Name) + " ";
    }
    return names;
}

void ExpectSameScript(const TSetupScript& expected, const TSetupScript& actual)
{
    EXPECT_TRUE(actual.IsEqual(&expected));
    EXPECT_TRUE(actual.BaseInfo->IsEqual(expected.BaseInfo.get())) << Differences(*actual.BaseInfo, *expected.BaseInfo);
    const std::pair<const TXmlObjectList*, const TXmlObjectList*> lists[] = {
        {expected.FileList.get(), actual.FileList.get()},     {expected.RegList.get(), actual.RegList.get()},
        {expected.RunList.get(), actual.RunList.get()},       {expected.ShortCutList.get(), actual.ShortCutList.get()},
        {expected.SwiperList.get(), actual.SwiperList.get()}, {expected.VarList.get(), actual.VarList.get()},
    };
    for (const auto& [e, a] : lists) {
        ASSERT_EQ(e->Count(), a->Count()) << Utf16ToUtf8(e->ClassName());
        EXPECT_TRUE(a->SameItems(e)) << Utf16ToUtf8(e->ClassName());
        for (int i = 0; i < e->Count(); ++i)
            EXPECT_TRUE(a->Items(i)->IsEqual(e->Items(i)))
                << Utf16ToUtf8(e->ClassName()) << "[" << i << "]: " << Differences(*a->Items(i), *e->Items(i));
    }
}

// Text that the markup must escape and carry through: Chinese, a tab, CR LF, both quotes, "<",
// ">" and "&". The name makes every field's value distinct, so swapped fields show.
std::u16string Awkward(std::u16string_view name)
{
    return std::u16string(name) + u" 安装程序\t\"引号\" 'x' <b> & c;\r\n第二行";
}

// A script in which every persisted property of every class differs from its default.
void FillEverything(TSetupScript& s)
{
    TSetupBaseInfo& b = *s.BaseInfo;
    b.AllowModify = true;
    b.AppTitleCHS = Awkward(u"AppTitleCHS");
    b.AppTitleCHT = Awkward(u"AppTitleCHT");
    b.AppTitleENG = Awkward(u"AppTitleENG");
    b.BuildMiniSetup = true;
    b.CompanyName = Awkward(u"CompanyName");
    b.CompanyUrl = u"https://example.com/a?b=1&c=\"2\"";
    b.Condition = Awkward(u"Condition");
    b.DefInstallPath = u"{pf}\\{AppTitle}\\";
    b.FullDownloadUrl = Awkward(u"FullDownloadUrl");
    b.FullSetupFile = Awkward(u"FullSetupFile");
    b.GotoUrl = Awkward(u"GotoUrl");
    b.GotoUrlMode = gumByBrowser;
    b.GUID = u"{0F1E2D3C-4B5A-6978-8796-A5B4C3D2E1F0}";
    b.IconFile = Awkward(u"IconFile");
    b.IconResID = Awkward(u"IconResID");
    b.InstallFileDescription = Awkward(u"InstallFileDescription");
    b.LegalCopyright = u"© 2024 公司";
    b.LicenseCHSResID = Awkward(u"LicenseCHSResID");
    b.LicenseCHTResID = Awkward(u"LicenseCHTResID");
    b.LicenseENGResID = Awkward(u"LicenseENGResID");
    b.LicenseFileCHS = Awkward(u"LicenseFileCHS");
    b.LicenseFileCHT = Awkward(u"LicenseFileCHT");
    b.LicenseFileENG = Awkward(u"LicenseFileENG");
    b.MainFormColor = TColor(0xFF00000Fu);
    b.MiniSetupFile = Awkward(u"MiniSetupFile");
    b.ProductName = Awkward(u"ProductName");
    b.UninstallFileDescription = Awkward(u"UninstallFileDescription");
    b.Version = u"2.5.1.7";
    b.WinVersion = wveWin10OrHigher;

    auto file = std::make_unique<TSetupFile>();
    file->Checked = false;
    file->Condition = Awkward(u"File.Condition");
    file->DestDir = u"{app}\\数据\\";
    file->FileBytes = 123456789;
    file->IncludeSubPath = true;
    file->LastWriteDate = 45291.7291666667;  // 31 Dec 2023 17:30, 15 significant digits
    file->ResID = u"{11111111-2222-3333-4444-555555555555}";
    file->SourceMask = u"主程序.exe";
    file->SourcePath = Awkward(u"File.SourcePath");
    file->NewFileName = Awkward(u"File.NewFileName");
    s.FileList->Add(std::move(file));
    auto empty = std::make_unique<TSetupFile>();
    empty->FileBytes = -1;
    empty->LastWriteDate = -0.25;  // before the epoch: a negative day count
    s.FileList->Add(std::move(empty));

    // Every root key and both value types.
    for (int k = rrkClassesRoot; k <= rrkCurrentConfig; ++k) {
        auto reg = std::make_unique<TSetupReg>();
        reg->Checked = k % 2 == 0;
        reg->Condition = Awkward(u"Reg.Condition");
        reg->RootKey = TRegRootKey(k);
        reg->SubKey = u"Software\\" + Awkward(u"Reg.SubKey");
        reg->ValueData = k % 2 ? u"4294967295" : Awkward(u"Reg.ValueData");
        reg->ValueName = Awkward(u"Reg.ValueName");
        reg->ValueType = k % 2 ? rvtDWord : rvtString;
        s.RegList->Add(std::move(reg));
    }

    for (bool wait : {true, false}) {
        auto run = std::make_unique<TSetupRun>();
        run->Checked = !wait;
        run->Condition = Awkward(u"Run.Condition");
        run->FileName = u"\"{app}\\主程序.exe\"";
        run->Params = Awkward(u"Run.Params");
        run->Wait = wait;
        run->WorkDir = Awkward(u"Run.WorkDir");
        s.RunList->Add(std::move(run));
    }

    auto link = std::make_unique<TSetupShortCut>();
    link->Checked = false;
    link->Condition = Awkward(u"ShortCut.Condition");
    link->DstFile = Awkward(u"ShortCut.DstFile");
    link->IconFile = Awkward(u"ShortCut.IconFile");
    link->Name = Awkward(u"ShortCut.Name");
    link->SaveDir = Awkward(u"ShortCut.SaveDir");
    link->WorkDir = Awkward(u"ShortCut.WorkDir");
    s.ShortCutList->Add(std::move(link));

    auto swiper = std::make_unique<TSetupSwiper>();
    swiper->Checked = false;
    swiper->Condition = Awkward(u"Swiper.Condition");
    swiper->FileName = Awkward(u"Swiper.FileName");
    swiper->ResID = Awkward(u"Swiper.ResID");
    s.SwiperList->Add(std::move(swiper));

    s.VarList->Clear();
    TSetupVar* v = s.VarList->AddVar(u"{产品}");
    v->VarValue = Awkward(u"Var.VarValue");
    v->Checked = false;
    s.VarList->AddVar(u"{Version}")->VarValue = u"2.5.1.7";
}

// ---- Round trips ----------------------------------------------------------------------------

TEST(SetupScriptRoundTrip, FixtureSetsEveryProperty)
{
    // Guards the round-trip tests below: a property left at its default would not be checked.
    TSetupScript s;
    FillEverything(s);
    TSetupBaseInfo fresh;
    std::string unchanged;
    for (const TPropInfo& p : s.BaseInfo->Props().Props())
        if (p.Get(*s.BaseInfo) == p.Get(fresh) && p.Name != u"GUID") unchanged += Utf16ToUtf8(p.Name) + " ";
    EXPECT_EQ(unchanged, "");
    for (const TXmlObjectList* list :
         std::initializer_list<const TXmlObjectList*>{s.FileList.get(), s.RegList.get(), s.RunList.get(),
                                                      s.ShortCutList.get(), s.SwiperList.get(), s.VarList.get()})
        EXPECT_EQ(PropertiesLeftAtDefault(*list), "") << Utf16ToUtf8(list->ClassName());
}

TEST(SetupScriptRoundTrip, XmlStreamGivesEqualScript)
{
    TSetupScript original;
    FillEverything(original);
    const std::string xml = SaveXml(original);

    TSetupScript loaded;
    ASSERT_FALSE(loaded.BaseInfo->IsEqual(original.BaseInfo.get()));
    LoadXml(loaded, xml);
    ExpectSameScript(original, loaded);

    // A few values checked directly, so that a comparison that sees nothing cannot pass.
    EXPECT_EQ(loaded.BaseInfo->AppTitleCHS, Awkward(u"AppTitleCHS"));
    EXPECT_EQ(loaded.BaseInfo->MainFormColor, TColor(0xFF00000Fu));
    EXPECT_EQ(loaded.FileList->Items(0)->LastWriteDate, 45291.7291666667);
    EXPECT_EQ(loaded.FileList->Items(1)->LastWriteDate, -0.25);
    EXPECT_EQ(loaded.RegList->Items(-1)->RootKey, rrkCurrentConfig);
    EXPECT_EQ(loaded.VarList->Items(0)->VarName, u"{产品}");

    // Writing the loaded script again gives the same bytes.
    EXPECT_EQ(SaveXml(loaded), xml);
}

TEST(SetupScriptRoundTrip, EveryBaseInfoEnumerationValue)
{
    for (int w = wveWinXPOrHigher; w <= wveWin10OrHigher; ++w) {
        for (int g = gumSilent; g <= gumByBrowser; ++g) {
            TSetupBaseInfo info;
            info.WinVersion = TWinVersionEnum(w);
            info.GotoUrlMode = TGotoUrlMode(g);
            const std::string xml = SaveXml(info);
            EXPECT_NE(xml.find("WinVersion=\"" + Utf16ToUtf8(TWinVersionEnumInfo.Names[size_t(w)]) + "\""),
                      std::string::npos);
            EXPECT_NE(xml.find("GotoUrlMode=\"" + Utf16ToUtf8(TGotoUrlModeInfo.Names[size_t(g)]) + "\""),
                      std::string::npos);
            TSetupBaseInfo loaded;
            LoadXml(loaded, xml);
            EXPECT_EQ(loaded.WinVersion, w);
            EXPECT_EQ(loaded.GotoUrlMode, g);
            EXPECT_TRUE(loaded.IsEqual(&info)) << Differences(loaded, info);
        }
    }
}

TEST(SetupScriptRoundTrip, JsonGivesEqualScript)
{
    TSetupScript original;
    FillEverything(original);
    // JSON carries a double exactly, beyond the 15 digits of the XML text.
    original.FileList->Items(0)->LastWriteDate = 45291.729166666664;

    TJsonObject json;
    original.SaveToJson(json);
    EXPECT_EQ(json["BaseInfo"]["AllowModify"], "True");
    EXPECT_EQ(json["BaseInfo"]["MainFormColor"], -16777201);
    EXPECT_EQ(json["RegList"]["Items"][3]["RootKey"], "rrkUsers");
    EXPECT_EQ(json["FileList"]["Items"][0]["ClassName"], "TSetupFile");

    TSetupScript loaded;
    loaded.LoadFromJson(json);
    ExpectSameScript(original, loaded);
    EXPECT_EQ(loaded.FileList->Items(0)->LastWriteDate, 45291.729166666664);
}

// The builder and the installer may run under different locales: a file's date must load as the
// value that was saved, or the uninstaller takes every installed file for one the user changed.
TEST(SetupScriptRoundTrip, FileDateSurvivesACommaLocale)
{
    struct Case {
        std::string attribute;  // as a stored script may hold it
        bool ok;
        double value;
    };
    const Case cases[] = {
        {"45000.5", true, 45000.5},
        {"45000,5", true, 45000.5},
        {"45000.123", true, 45000.123},
        {"45000,5.1", false, 0},
        {"45.000,5", false, 0},
        {"yesterday", false, 0},
        {"", false, 0},
    };
    const char16_t saved = DecimalSeparator();
    SetDecimalSeparator(u',');
    TSetupFile file;
    file.LastWriteDate = 45291.7291666667;
    const std::string xml = SaveXml(file);
    TSetupFile fromXml;
    LoadXml(fromXml, xml);
    TJsonObject json;
    file.SaveToJson(json);
    TSetupFile fromJson;
    fromJson.LoadFromJson(json);
    TSetupFile fromJsonText;
    fromJsonText.LoadFromJson(TJsonObject{{"LastWriteDate", "45000,5"}});
    std::vector<double> loaded;
    for (const Case& c : cases) {
        TSetupFile f;
        f.LastWriteDate = 7;
        LoadXml(f, "<TSetupFile LastWriteDate=\"" + c.attribute + "\"/>");
        loaded.push_back(f.LastWriteDate);
    }
    SetDecimalSeparator(saved);

    EXPECT_NE(xml.find("LastWriteDate=\"45291.7291666667\""), std::string::npos) << xml;
    EXPECT_EQ(fromXml.LastWriteDate, 45291.7291666667);
    EXPECT_EQ(fromJson.LastWriteDate, 45291.7291666667);
    EXPECT_EQ(fromJsonText.LastWriteDate, 45000.5);
    for (size_t i = 0; i < loaded.size(); ++i)
        EXPECT_DOUBLE_EQ(loaded[i], cases[i].ok ? cases[i].value : 7.0) << cases[i].attribute;
}

TEST(SetupScriptRoundTrip, JsonStreamIsAsciiAndLoadsBack)
{
    TSetupScript original;
    FillEverything(original);
    TMemoryStream stream;
    original.SaveToJsonStream(stream);
    const std::string text = stream.ToString();
    ASSERT_FALSE(text.empty());
    for (size_t i = 0; i < text.size(); ++i)
        ASSERT_LT(static_cast<unsigned char>(text[i]), 0x80u) << "non-ASCII byte at " << i;
    // 安 is U+5B89: escaped, not dropped.
    EXPECT_NE(text.find("\\u5b89"), std::string::npos);

    TSetupScript loaded;
    loaded.LoadFromJson(TJsonObject::parse(text));
    ExpectSameScript(original, loaded);
}

TEST(SetupScriptRoundTrip, CloneAndCopyFrom)
{
    TSetupScript original;
    FillEverything(original);

    const TXmlPersistentPtr clone = original.Clone();
    ASSERT_EQ(clone->ClassName(), u"TSetupScript");
    ExpectSameScript(original, static_cast<const TSetupScript&>(*clone));
    // A deep copy: changing the copy leaves the original alone.
    static_cast<TSetupScript&>(*clone).FileList->Items(0)->DestDir = u"changed";
    EXPECT_EQ(original.FileList->Items(0)->DestDir, u"{app}\\数据\\");

    TSetupScript copy;
    copy.CopyFrom(original);
    ExpectSameScript(original, copy);
}

// ---- Exact stored form ----------------------------------------------------------------------

TEST(SetupScriptXml, ExactTextOfSmallScript)
{
    TSetupScript s;
    s.BaseInfo->GUID = u"{00000000-1111-2222-3333-444444444444}";
    s.BaseInfo->AppTitleCHS = u"产品\t\"A\" & <B>\r\n";
    s.BaseInfo->MainFormColor = TColor(0xFF00000Fu);
    s.BaseInfo->Version = u"1.0";
    auto file = std::make_unique<TSetupFile>();
    file->DestDir = u"{app}\\";
    file->FileBytes = 12;
    file->LastWriteDate = 45000.5;
    file->ResID = u"{R1}";
    file->SourceMask = u"a.exe";
    s.FileList->Add(std::move(file));
    auto run = std::make_unique<TSetupRun>();
    run->FileName = u"{app}\\a.exe";
    run->Wait = true;
    s.RunList->Add(std::move(run));
    s.VarList->Clear();
    s.VarList->AddVar(u"{Version}")->VarValue = u"1.0";

    const char* const expected[] = {
        R"(<?xml version="1.0" encoding="utf-8"?>)",
        R"(<TSetupScript>)",
        R"(    <BaseInfo AllowModify="False" AppTitleCHS="产品&#x09;&quot;A&quot; &amp; &lt;B&gt;&#x0D;&#x0A;" AppTitleCHT="" )"
        R"(AppTitleENG="" BuildMiniSetup="False" CompanyName="" CompanyUrl="" Condition="" DefInstallPath="" )"
        R"(FullDownloadUrl="" FullSetupFile="" GotoUrl="" GotoUrlMode="gumSilent" )"
        R"(GUID="{00000000-1111-2222-3333-444444444444}" IconFile="" IconResID="" InstallFileDescription="" )"
        R"(LegalCopyright="" LicenseCHSResID="" LicenseCHTResID="" LicenseENGResID="" LicenseFileCHS="" )"
        R"(LicenseFileCHT="" LicenseFileENG="" MainFormColor="-16777201" MiniSetupFile="" ProductName="" )"
        R"(UninstallFileDescription="" Version="1.0" WinVersion="wveWinXPOrHigher"/>)",
        R"(    <FileList>)",
        R"(        <Items>)",
        R"(            <TSetupFile Checked="True" Condition="" DestDir="{app}\" FileBytes="12" IncludeSubPath="False" )"
        R"(LastWriteDate="45000.5" ResID="{R1}" SourceMask="a.exe" SourcePath="" NewFileName=""/>)",
        R"(        </Items>)",
        R"(    </FileList>)",
        R"(    <RegList>)",
        R"(        <Items/>)",
        R"(    </RegList>)",
        R"(    <RunList>)",
        R"(        <Items>)",
        R"(            <TSetupRun Checked="True" Condition="" FileName="{app}\a.exe" Params="" Wait="True" WorkDir=""/>)",
        R"(        </Items>)",
        R"(    </RunList>)",
        R"(    <ShortCutList>)",
        R"(        <Items/>)",
        R"(    </ShortCutList>)",
        R"(    <SwiperList>)",
        R"(        <Items/>)",
        R"(    </SwiperList>)",
        R"(    <VarList>)",
        R"(        <Items>)",
        R"(            <TSetupVar Checked="True" VarName="{Version}" VarValue="1.0"/>)",
        R"(        </Items>)",
        R"(    </VarList>)",
        R"(</TSetupScript>)",
    };

    const std::string text = SaveXml(s);
    // Compared line by line so that a difference names its line; every line ends in CR LF.
    size_t pos = 0;
    for (size_t i = 0; i < std::size(expected); ++i) {
        const size_t end = text.find("\r\n", pos);
        ASSERT_NE(end, std::string::npos) << "missing line " << i << ": " << expected[i];
        EXPECT_EQ(text.substr(pos, end - pos), expected[i]) << "line " << i;
        pos = end + 2;
    }
    EXPECT_EQ(text.substr(pos), "") << "text after the last line";
    EXPECT_EQ(text.find('\n'), text.find("\r\n") + 1) << "a bare line feed";
}

// ---- Defaults -------------------------------------------------------------------------------

bool IsGuidText(const std::u16string& s)
{
    if (s.size() != 38 || s.front() != u'{' || s.back() != u'}') return false;
    for (size_t i = 1; i < 37; ++i) {
        const char16_t c = s[i];
        if (i == 9 || i == 14 || i == 19 || i == 24) {
            if (c != u'-') return false;
        } else if (!((c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F'))) {
            return false;
        }
    }
    return true;
}

TEST(SetupScriptDefaults, NewObjects)
{
    TSetupBaseInfo a, b;
    EXPECT_TRUE(IsGuidText(a.GUID)) << Utf16ToUtf8(a.GUID);
    EXPECT_TRUE(IsGuidText(b.GUID)) << Utf16ToUtf8(b.GUID);
    EXPECT_NE(a.GUID, b.GUID);
    EXPECT_EQ(a.MainFormColor, 16750848);
    EXPECT_EQ(a.GotoUrlMode, gumSilent);
    EXPECT_EQ(a.WinVersion, wveWinXPOrHigher);
    EXPECT_FALSE(a.AllowModify);
    EXPECT_EQ(a.Version, u"");

    // Every item starts checked, the base item included.
    EXPECT_TRUE(TBaseSetupItem().Checked);
    EXPECT_TRUE(TSetupVar().Checked);
    EXPECT_TRUE(TSetupFile().Checked);
    EXPECT_TRUE(TSetupReg().Checked);
    EXPECT_TRUE(TSetupShortCut().Checked);
    EXPECT_TRUE(TSetupRun().Checked);
    EXPECT_TRUE(TSetupSwiper().Checked);
    EXPECT_FALSE(TSetupRun().Wait);
    EXPECT_EQ(TSetupReg().RootKey, rrkClassesRoot);
    EXPECT_EQ(TSetupReg().ValueType, rvtString);

    TSetupScript s;
    EXPECT_EQ(s.FileList->Count(), 0);
    EXPECT_EQ(s.VarList->Count(), 10);
}

TEST(SetupScriptDefaults, MissingAttributesKeepDefaults)
{
    TSetupScript s;
    const std::u16string guid = s.BaseInfo->GUID;
    LoadXml(s, "<TSetupScript><BaseInfo Version=\"3.0\"/>"
               "<FileList><Items><TSetupFile DestDir=\"x\"/></Items></FileList></TSetupScript>");
    EXPECT_EQ(s.BaseInfo->GUID, guid);  // a different product key at every start
    EXPECT_EQ(s.BaseInfo->MainFormColor, 16750848);
    EXPECT_EQ(s.BaseInfo->Version, u"3.0");
    ASSERT_EQ(s.FileList->Count(), 1);
    EXPECT_TRUE(s.FileList->Items(0)->Checked);
    EXPECT_EQ(s.FileList->Items(0)->DestDir, u"x");
}

// ---- Loading older and unusual documents ----------------------------------------------------

TEST(SetupScriptLoad, LegacyAttributesWin)
{
    TSetupScript s;
    // The older names come first in the element and still win over the newer ones.
    LoadXml(s, "<TSetupScript><BaseInfo AppTitle=\"Old title\" LicenseFile=\"old.txt\" LicenseResID=\"R_OLD\" "
               "AppTitleCHS=\"New title\" LicenseFileCHS=\"new.txt\" LicenseCHSResID=\"R_NEW\" "
               "AppTitleENG=\"English\"/></TSetupScript>");
    EXPECT_EQ(s.BaseInfo->AppTitleCHS, u"Old title");
    EXPECT_EQ(s.BaseInfo->LicenseFileCHS, u"old.txt");
    EXPECT_EQ(s.BaseInfo->LicenseCHSResID, u"R_OLD");
    EXPECT_EQ(s.BaseInfo->AppTitleENG, u"English");

    // Alone, an older attribute fills its counterpart; writing never produces the older names.
    TSetupBaseInfo info;
    LoadXml(info, "<BaseInfo AppTitle=\"旧 &amp; 标题\"/>");
    EXPECT_EQ(info.AppTitleCHS, u"旧 & 标题");
    const std::string xml = SaveXml(info);
    for (const char* legacy : {" AppTitle=", " LicenseFile=", " LicenseResID="})
        EXPECT_EQ(xml.find(legacy), std::string::npos) << legacy;
}

TEST(SetupScriptLoad, VarListPresentReplacesDefaults)
{
    struct Case {
        const char* xml;
        std::vector<std::u16string> names;
    };
    const std::vector<std::u16string> defaults = {u"{AppTitle}",      u"{Version}",   u"{MainExeName}", u"{GUID}",
                                                  u"{AppID}",         u"{Copyright}", u"{CompanyName}", u"{CompanyUrl}",
                                                  u"{DefaultFolder}", u"{Condition}"};
    const Case cases[] = {
        {"<TSetupScript><BaseInfo/></TSetupScript>", defaults},
        {"<TSetupScript><VarList><Items><TSetupVar VarName=\"{X}\" VarValue=\"1\"/></Items></VarList></TSetupScript>",
         {u"{X}"}},
        {"<TSetupScript><VarList><Items/></VarList></TSetupScript>", {}},
        {"<TSetupScript><VarList/></TSetupScript>", {}},
    };
    for (const Case& c : cases) {
        TSetupScript s;
        LoadXml(s, c.xml);
        std::vector<std::u16string> names;
        for (int i = 0; i < s.VarList->Count(); ++i) names.push_back(s.VarList->Items(i)->VarName);
        EXPECT_EQ(names, c.names) << c.xml;
    }
}

TEST(SetupScriptLoad, SecondLoadKeepsListsItsDocumentLacks)
{
    // A mini setup loads a second script into the same object.
    TSetupScript s;
    LoadXml(s, "<TSetupScript><FileList><Items><TSetupFile ResID=\"a\"/><TSetupFile ResID=\"b\"/></Items></FileList>"
               "<RegList><Items><TSetupReg SubKey=\"k\"/></Items></RegList></TSetupScript>");
    LoadXml(s, "<TSetupScript><FileList><Items><TSetupFile ResID=\"c\"/></Items></FileList></TSetupScript>");
    ASSERT_EQ(s.FileList->Count(), 1);
    EXPECT_EQ(s.FileList->Items(0)->ResID, u"c");
    ASSERT_EQ(s.RegList->Count(), 1);
    EXPECT_EQ(s.RegList->Items(0)->SubKey, u"k");
}

TEST(SetupScriptLoad, ItemElementNamesAreNotChecked)
{
    TSetupScript s;
    LoadXml(s, "<Anything><FileList><Items><Whatever DestDir=\"one\"/><TSetupReg DestDir=\"two\" SubKey=\"ignored\"/>"
               "</Items></FileList>"
               "<RunList><TSetupRun FileName=\"direct.exe\"/></RunList></Anything>");
    ASSERT_EQ(s.FileList->Count(), 2);
    EXPECT_EQ(s.FileList->Items(0)->DestDir, u"one");
    EXPECT_EQ(s.FileList->Items(1)->DestDir, u"two");
    EXPECT_EQ(s.FileList->Items(1)->ClassName(), u"TSetupFile");
    // A list element without "Items" takes its own children as items.
    ASSERT_EQ(s.RunList->Count(), 1);
    EXPECT_EQ(s.RunList->Items(0)->FileName, u"direct.exe");
}

TEST(SetupScriptLoad, BooleanTexts)
{
    struct Case {
        const char* attribute;
        bool initial;
        bool expected;
    };
    const Case cases[] = {
        {"True", false, true},  {"TRUE", false, true},  {"true", false, true},
        {"False", true, false}, {"false", true, false}, {"yes", true, false},
        {"1", true, false},     {"", true, true},       {"", false, false},
    };
    for (const Case& c : cases) {
        TSetupRun run;
        run.Wait = c.initial;
        LoadXml(run, std::string("<TSetupRun Wait=\"") + c.attribute + "\"/>");
        EXPECT_EQ(run.Wait, c.expected) << "Wait=\"" << c.attribute << "\" from " << c.initial;
    }
}

TEST(SetupScriptLoad, IntegerTexts)
{
    struct Case {
        const char* attribute;
        int32_t expected;
    };
    const int32_t unchanged = 7;
    const Case cases[] = {
        {"12", 12},
        {" 12", 12},
        {"-5", -5},
        {"+5", 5},
        {"$1F", 31},
        {"0x1f", 31},
        {"12abc", unchanged},
        {"12 ", unchanged},
        {"", unchanged},
        {"1.5", unchanged},
        {"4294967296", unchanged},
        {"2147483647", 2147483647},
        {"-2147483648", INT32_MIN},
    };
    for (const Case& c : cases) {
        TSetupFile file;
        file.FileBytes = unchanged;
        LoadXml(file, std::string("<TSetupFile FileBytes=\"") + c.attribute + "\"/>");
        EXPECT_EQ(file.FileBytes, c.expected) << "FileBytes=\"" << c.attribute << "\"";
    }
}

TEST(SetupScriptLoad, EnumerationTexts)
{
    struct Case {
        const char* attribute;
        TRegRootKey expected;
    };
    const Case cases[] = {
        {"rrkLocalMachine", rrkLocalMachine},
        {"RRKCURRENTCONFIG", rrkCurrentConfig},
        {"rrkBogus", rrkClassesRoot},
        {"2", rrkClassesRoot},
        {"", rrkUsers},
    };
    for (const Case& c : cases) {
        TSetupReg reg;
        reg.RootKey = rrkUsers;
        LoadXml(reg, std::string("<TSetupReg RootKey=\"") + c.attribute + "\"/>");
        EXPECT_EQ(reg.RootKey, c.expected) << "RootKey=\"" << c.attribute << "\"";
    }
}

TEST(SetupScriptLoad, NegativeColour)
{
    TSetupBaseInfo info;
    info.MainFormColor = TColor(0xFF00000Fu);
    const std::string xml = SaveXml(info);
    EXPECT_NE(xml.find(" MainFormColor=\"-16777201\" "), std::string::npos);
    TSetupBaseInfo loaded;
    LoadXml(loaded, xml);
    EXPECT_EQ(uint32_t(loaded.MainFormColor), 0xFF00000Fu);
}

// ---- Operations -----------------------------------------------------------------------------

TEST(SetupScriptOperations, GetVersionNumbers)
{
    struct Case {
        std::u16string version;
        int major, minor, release, build;
    };
    const Case cases[] =
        {
            {u"2.5", 2, 5, 0, 0},
            {u"3.1.4.1.5", 3, 1, 4, 1},
            {u"1.x.7", 1, 0, 0, 0},
            {u"", 0, 0, 0, 0},
            {u"1.2a.3", 1, 2, 0, 0},
            {u"1.0.0.0", 1, 0, 0, 0},
            {u"10.20.30.40", 10, 20, 30, 40},
            {u"v1.2", 0, 0, 0, 0},
            {u"1..3", 1, 0, 0, 0},
            {u"1.2.", 1, 2, 0, 0},
            {u" 4 . 5 ", 4, 5, 0, 0},    // blanks around parts are skipped
            {u"1 2.3", 1, 2, 3, 0},      // a blank also ends a part
            {u"\"7.8\".9", 7, 0, 0, 0},  // a quoted part keeps its "."; it does not convert
            {u"$10.1", 16, 1, 0, 0},
            {u"-1.5", -1, 5, 0, 0},
        };
    for (const Case& c : cases) {
        TSetupBaseInfo info;
        info.Version = c.version;
        int major = -9, minor = -9, release = -9, build = -9;
        info.GetVersionNumbers(major, minor, release, build);
        EXPECT_EQ(std::vector<int>({major, minor, release, build}),
                  std::vector<int>({c.major, c.minor, c.release, c.build}))
            << "Version \"" << Utf16ToUtf8(c.version) << "\"";
    }
}

TEST(SetupScriptOperations, RootKeyToHKEY)
{
    const std::pair<int, uint32_t> cases[] = {
        {rrkClassesRoot, 0x80000000u},
        {rrkCurrentUser, 0x80000001u},
        {rrkLocalMachine, 0x80000002u},
        {rrkUsers, 0x80000003u},
        {rrkCurrentConfig, 0x80000005u},
        {5, 0x80000001u},
        {7, 0x80000001u},  // out of range: HKEY_CURRENT_USER
    };
    for (const auto& [ordinal, root] : cases) EXPECT_EQ(RootKeyToHKEY(TRegRootKey(ordinal)), root) << ordinal;
}

TEST(SetupScriptOperations, CountNoWait)
{
    const std::vector<std::vector<bool>> cases = {{}, {true}, {false}, {false, true, false}, {true, true}};
    for (const auto& waits : cases) {
        TSetupRunList list;
        int expected = 0;
        for (bool w : waits) {
            auto run = std::make_unique<TSetupRun>();
            run->Wait = w;
            list.Add(std::move(run));
            expected += w ? 0 : 1;
        }
        EXPECT_EQ(list.CountNoWait(), expected) << waits.size() << " entries";
    }
}

}  // namespace
