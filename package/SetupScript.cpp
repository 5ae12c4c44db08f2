#include "SetupScript.h"

#include "LuStrUtils.h"

const TEnumTypeInfo TWinVersionEnumInfo{u"TWinVersionEnum",
                                        {u"wveWinXPOrHigher", u"wveWin7OrHigher", u"wveWin10OrHigher"}};
const TEnumTypeInfo TGotoUrlModeInfo{u"TGotoUrlMode", {u"gumSilent", u"gumByBrowser"}};
const TEnumTypeInfo TRegRootKeyInfo{
    u"TRegRootKey", {u"rrkClassesRoot", u"rrkCurrentUser", u"rrkLocalMachine", u"rrkUsers", u"rrkCurrentConfig"}};
const TEnumTypeInfo TRegValueTypeInfo{u"TRegValueType", {u"rvtString", u"rvtDWord"}};

uint32_t RootKeyToHKEY(TRegRootKey rootKey)
{
    switch (rootKey) {
        case rrkClassesRoot: return 0x80000000u;
        case rrkCurrentUser: return 0x80000001u;
        case rrkLocalMachine: return 0x80000002u;
        case rrkUsers: return 0x80000003u;
        case rrkCurrentConfig: return 0x80000005u;
    }
    return 0x80000001u;
}

// ---- TSetupBaseInfo -----------------------------------------------------------------------

LU_PROPERTIES(TSetupBaseInfo)
{
    using C = TSetupBaseInfo;
    return TPropTable(&TXmlPersistent::StaticProps())
        .Boolean(u"AllowModify", &C::AllowModify)
        .WideString(u"AppTitleCHS", &C::AppTitleCHS)
        .WideString(u"AppTitleCHT", &C::AppTitleCHT)
        .WideString(u"AppTitleENG", &C::AppTitleENG)
        .Boolean(u"BuildMiniSetup", &C::BuildMiniSetup)
        .WideString(u"CompanyName", &C::CompanyName)
        .WideString(u"CompanyUrl", &C::CompanyUrl)
        .WideString(u"Condition", &C::Condition)
        .WideString(u"DefInstallPath", &C::DefInstallPath)
        .WideString(u"FullDownloadUrl", &C::FullDownloadUrl)
        .WideString(u"FullSetupFile", &C::FullSetupFile)
        .WideString(u"GotoUrl", &C::GotoUrl)
        .Enum(u"GotoUrlMode", &C::GotoUrlMode, TGotoUrlModeInfo)
        .WideString(u"GUID", &C::GUID)
        .WideString(u"IconFile", &C::IconFile)
        .WideString(u"IconResID", &C::IconResID)
        .WideString(u"InstallFileDescription", &C::InstallFileDescription)
        .WideString(u"LegalCopyright", &C::LegalCopyright)
        .WideString(u"LicenseCHSResID", &C::LicenseCHSResID)
        .WideString(u"LicenseCHTResID", &C::LicenseCHTResID)
        .WideString(u"LicenseENGResID", &C::LicenseENGResID)
        .WideString(u"LicenseFileCHS", &C::LicenseFileCHS)
        .WideString(u"LicenseFileCHT", &C::LicenseFileCHT)
        .WideString(u"LicenseFileENG", &C::LicenseFileENG)
        .Integer(u"MainFormColor", &C::MainFormColor, u"TColor")
        .WideString(u"MiniSetupFile", &C::MiniSetupFile)
        .WideString(u"ProductName", &C::ProductName)
        .WideString(u"UninstallFileDescription", &C::UninstallFileDescription)
        .WideString(u"Version", &C::Version)
        .Enum(u"WinVersion", &C::WinVersion, TWinVersionEnumInfo);
}

TSetupBaseInfo::TSetupBaseInfo() : GUID(TLuStrfn::NewGUIDString()) {}

void TSetupBaseInfo::LoadFromNode(const TXmlNode& node, int context)
{
    TXmlPersistent::LoadFromNode(node, context);
    if (const TXmlAttribute* a = node.FindAttribute(u"AppTitle")) AppTitleCHS = a->GetText();
    if (const TXmlAttribute* a = node.FindAttribute(u"LicenseFile")) LicenseFileCHS = a->GetText();
    if (const TXmlAttribute* a = node.FindAttribute(u"LicenseResID")) LicenseCHSResID = a->GetText();
}

namespace {

// Splits by the delimited-text rules with "." as the delimiter: blanks (and control characters)
// also end a part, and a part in double quotes may hold either ("" stands for one quote).
std::vector<std::u16string> SplitDelimited(const std::u16string& text, char16_t delimiter)
{
    std::vector<std::u16string> parts;
    size_t i = 0;
    const size_t n = text.size();
    auto skipBlanks = [&] {
        while (i < n && text[i] > 0 && text[i] <= u' ') ++i;
    };
    skipBlanks();
    while (i < n) {
        std::u16string part;
        if (text[i] == u'"') {
            ++i;
            while (i < n) {
                if (text[i] == u'"') {
                    if (i + 1 < n && text[i + 1] == u'"') {
                        part += u'"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                part += text[i++];
            }
        } else {
            while (i < n && text[i] > u' ' && text[i] != delimiter) part += text[i++];
        }
        parts.push_back(part);
        skipBlanks();
        if (i < n && text[i] == delimiter) {
            ++i;
            skipBlanks();
            if (i == n) parts.emplace_back();  // a trailing delimiter ends in an empty part
        }
    }
    return parts;
}

// The value of the decimal digits that lead the text (after an optional sign), saturating.
int LeadingDigits(const std::u16string& s)
{
    size_t i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == u'-' || s[i] == u'+')) negative = s[i++] == u'-';
    int64_t value = 0;
    for (; i < s.size() && s[i] >= u'0' && s[i] <= u'9'; ++i)
        value = std::min<int64_t>(value * 10 + (s[i] - u'0'), INT32_MAX);
    return int(negative ? -value : value);
}

}  // namespace

void TSetupBaseInfo::GetVersionNumbers(int& major, int& minor, int& release, int& build) const
{
    major = minor = release = build = 0;
    int* outputs[4] = {&major, &minor, &release, &build};
    const std::vector<std::u16string> parts = SplitDelimited(Version, u'.');
    for (size_t i = 0; i < parts.size() && i < 4; ++i) {
        int32_t value;
        if (!TryStrToInt(parts[i], value)) {
            *outputs[i] = LeadingDigits(parts[i]);
            return;
        }
        *outputs[i] = value;
    }
}

// ---- Items --------------------------------------------------------------------------------

LU_PROPERTIES(TBaseSetupItem)
{
    return TPropTable(&TXmlPersistent::StaticProps()).Boolean(u"Checked", &TBaseSetupItem::Checked);
}

LU_PROPERTIES(TSetupVar)
{
    return TPropTable(&TBaseSetupItem::StaticProps())
        .WideString(u"VarName", &TSetupVar::VarName)
        .WideString(u"VarValue", &TSetupVar::VarValue);
}

LU_PROPERTIES(TBaseConditionItem)
{
    return TPropTable(&TBaseSetupItem::StaticProps()).WideString(u"Condition", &TBaseConditionItem::Condition);
}

LU_PROPERTIES(TSetupFile)
{
    using C = TSetupFile;
    return TPropTable(&TBaseConditionItem::StaticProps())
        .WideString(u"DestDir", &C::DestDir)
        .Integer(u"FileBytes", &C::FileBytes)
        .Boolean(u"IncludeSubPath", &C::IncludeSubPath)
        .Float(u"LastWriteDate", &C::LastWriteDate, u"TDateTime")
        .WideString(u"ResID", &C::ResID)
        .WideString(u"SourceMask", &C::SourceMask)
        .WideString(u"SourcePath", &C::SourcePath)
        .WideString(u"NewFileName", &C::NewFileName);
}

LU_PROPERTIES(TSetupReg)
{
    using C = TSetupReg;
    return TPropTable(&TBaseConditionItem::StaticProps())
        .Enum(u"RootKey", &C::RootKey, TRegRootKeyInfo)
        .WideString(u"SubKey", &C::SubKey)
        .WideString(u"ValueData", &C::ValueData)
        .WideString(u"ValueName", &C::ValueName)
        .Enum(u"ValueType", &C::ValueType, TRegValueTypeInfo);
}

LU_PROPERTIES(TSetupShortCut)
{
    using C = TSetupShortCut;
    return TPropTable(&TBaseConditionItem::StaticProps())
        .WideString(u"DstFile", &C::DstFile)
        .WideString(u"IconFile", &C::IconFile)
        .WideString(u"Name", &C::Name)
        .WideString(u"SaveDir", &C::SaveDir)
        .WideString(u"WorkDir", &C::WorkDir);
}

LU_PROPERTIES(TSetupRun)
{
    using C = TSetupRun;
    return TPropTable(&TBaseConditionItem::StaticProps())
        .WideString(u"FileName", &C::FileName)
        .WideString(u"Params", &C::Params)
        .Boolean(u"Wait", &C::Wait)
        .WideString(u"WorkDir", &C::WorkDir);
}

LU_PROPERTIES(TSetupSwiper)
{
    return TPropTable(&TBaseConditionItem::StaticProps())
        .WideString(u"FileName", &TSetupSwiper::FileName)
        .WideString(u"ResID", &TSetupSwiper::ResID);
}

// ---- Lists --------------------------------------------------------------------------------

#define LU_LIST_PROPERTIES(Class)                                                                                      \
    LU_PROPERTIES(Class) { return TPropTable(&TXmlObjectList::StaticProps()); }

LU_LIST_PROPERTIES(TSetupVarList)
LU_LIST_PROPERTIES(TSetupFileList)
LU_LIST_PROPERTIES(TSetupRegList)
LU_LIST_PROPERTIES(TSetupShortCutList)
LU_LIST_PROPERTIES(TSetupRunList)
LU_LIST_PROPERTIES(TSetupSwiperList)

int TSetupRunList::CountNoWait() const
{
    int n = 0;
    for (int i = 0; i < Count(); ++i)
        if (!Items(i)->Wait) ++n;
    return n;
}

// ---- TSetupScript -------------------------------------------------------------------------

LU_PROPERTIES(TSetupScript)
{
    using C = TSetupScript;
    return TPropTable(&TXmlPersistent::StaticProps())
        .Object(u"BaseInfo", &C::BaseInfo)
        .Object(u"FileList", &C::FileList)
        .Object(u"RegList", &C::RegList)
        .Object(u"RunList", &C::RunList)
        .Object(u"ShortCutList", &C::ShortCutList)
        .Object(u"SwiperList", &C::SwiperList)
        .Object(u"VarList", &C::VarList);
}

TSetupScript::TSetupScript()
    : BaseInfo(std::make_unique<TSetupBaseInfo>()), FileList(std::make_unique<TSetupFileList>()),
      RegList(std::make_unique<TSetupRegList>()), ShortCutList(std::make_unique<TSetupShortCutList>()),
      RunList(std::make_unique<TSetupRunList>()), SwiperList(std::make_unique<TSetupSwiperList>()),
      VarList(std::make_unique<TSetupVarList>())
{}
