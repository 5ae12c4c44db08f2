// Script variables: the default list, lookup and expansion, and ApplyVars of the items.
#include "LuStrUtils.h"
#include "SetupScript.h"

TSetupVarList::TSetupVarList()
{
    const std::pair<const char16_t*, std::u16string> defaults[] = {
        {u"{AppTitle}", u"AppTitle"}, {u"{Version}", u"1.0.0.0"},
        {u"{MainExeName}", u"MyApp"}, {u"{GUID}", TLuStrfn::NewGUIDString()},
        {u"{AppID}", u"10001"},       {u"{Copyright}", u""},
        {u"{CompanyName}", u""},      {u"{CompanyUrl}", u""},
        {u"{DefaultFolder}", u""},    {u"{Condition}", u""},
    };
    for (const auto& [name, value] : defaults) AddVar(name)->VarValue = value;
}

int TSetupVarList::IndexOfVar(std::u16string_view name) const
{
    for (int i = 0; i < Count(); ++i)
        if (SameText(Items(i)->VarName, name)) return i;
    return -1;
}

TSetupVar* TSetupVarList::FindVar(std::u16string_view name) const
{
    const int i = IndexOfVar(name);
    return i < 0 ? nullptr : Items(i);
}

TSetupVar* TSetupVarList::AddVar(std::u16string_view name)
{
    if (TSetupVar* existing = FindVar(name)) return existing;
    auto var = std::make_unique<TSetupVar>();
    var->VarName = std::u16string(name);
    var->Checked = true;
    return Add(std::move(var));
}

std::u16string TSetupVarList::ExpandVars(const std::u16string& text) const
{
    std::u16string result = text;
    for (int i = 0; i < Count(); ++i) {
        const TSetupVar* var = Items(i);
        if (var->Checked) result = StringReplace(result, var->VarName, var->VarValue, rfReplaceAll | rfIgnoreCase);
    }
    return result;
}

namespace {
void Expand(const TSetupVarList& vars, std::u16string& field) { field = vars.ExpandVars(field); }
}  // namespace

void TBaseConditionItem::ApplyVars(const TSetupVarList& vars) { Expand(vars, Condition); }

void TSetupFile::ApplyVars(const TSetupVarList& vars)
{
    TBaseConditionItem::ApplyVars(vars);
    for (std::u16string* f : {&DestDir, &SourceMask, &SourcePath, &NewFileName}) Expand(vars, *f);
}

void TSetupReg::ApplyVars(const TSetupVarList& vars)
{
    TBaseConditionItem::ApplyVars(vars);
    for (std::u16string* f : {&SubKey, &ValueData, &ValueName}) Expand(vars, *f);
}

void TSetupRun::ApplyVars(const TSetupVarList& vars)
{
    TBaseConditionItem::ApplyVars(vars);
    for (std::u16string* f : {&Params, &FileName, &WorkDir}) Expand(vars, *f);
}

void TSetupShortCut::ApplyVars(const TSetupVarList& vars)
{
    TBaseConditionItem::ApplyVars(vars);
    for (std::u16string* f : {&DstFile, &IconFile, &Name, &SaveDir, &WorkDir}) Expand(vars, *f);
}

void TSetupSwiper::ApplyVars(const TSetupVarList& vars)
{
    TBaseConditionItem::ApplyVars(vars);
    Expand(vars, FileName);
}
