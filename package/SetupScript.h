// The setup script model: what one product's installation does. Every class is persistent; the
// property tables fix the element and attribute names and their order in the stored script.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "LuColor.h"
#include "LuXmlUtils.h"

using TDateTime = double;  // days since 30 December 1899, local time; the fraction is the time of day

enum TWinVersionEnum { wveWinXPOrHigher, wveWin7OrHigher, wveWin10OrHigher };
enum TGotoUrlMode { gumSilent, gumByBrowser };
enum TRegRootKey { rrkClassesRoot, rrkCurrentUser, rrkLocalMachine, rrkUsers, rrkCurrentConfig };
enum TRegValueType { rvtString, rvtDWord };

extern const TEnumTypeInfo TWinVersionEnumInfo;
extern const TEnumTypeInfo TGotoUrlModeInfo;
extern const TEnumTypeInfo TRegRootKeyInfo;
extern const TEnumTypeInfo TRegValueTypeInfo;

// The registry root handle value of a root key; any other ordinal gives HKEY_CURRENT_USER.
uint32_t RootKeyToHKEY(TRegRootKey rootKey);

class TSetupVarList;

class TSetupBaseInfo : public TXmlPersistent {
    LU_PERSISTENT(TSetupBaseInfo)
public:
    TSetupBaseInfo();
    // Also reads the older attributes AppTitle, LicenseFile and LicenseResID, which win over
    // their newer counterparts.
    void LoadFromNode(const TXmlNode& node, int context = 0) override;
    // The four numbers of Version; a part that is not a number ends the reading with its leading
    // digits, and the later numbers stay 0.
    void GetVersionNumbers(int& major, int& minor, int& release, int& build) const;

    bool AllowModify = false;
    std::u16string AppTitleCHS;
    std::u16string AppTitleCHT;
    std::u16string AppTitleENG;
    bool BuildMiniSetup = false;
    std::u16string CompanyName;
    std::u16string CompanyUrl;
    std::u16string Condition;
    std::u16string DefInstallPath;
    std::u16string FullDownloadUrl;
    std::u16string FullSetupFile;
    std::u16string GotoUrl;
    TGotoUrlMode GotoUrlMode = gumSilent;
    std::u16string GUID;
    std::u16string IconFile;
    std::u16string IconResID;
    std::u16string InstallFileDescription;
    std::u16string LegalCopyright;
    std::u16string LicenseCHSResID;
    std::u16string LicenseCHTResID;
    std::u16string LicenseENGResID;
    std::u16string LicenseFileCHS;
    std::u16string LicenseFileCHT;
    std::u16string LicenseFileENG;
    TColor MainFormColor = 0xFF9900;
    std::u16string MiniSetupFile;
    std::u16string ProductName;
    std::u16string UninstallFileDescription;
    std::u16string Version;
    TWinVersionEnum WinVersion = wveWinXPOrHigher;
};

class TBaseSetupItem : public TXmlPersistent {
    LU_PERSISTENT(TBaseSetupItem)
public:
    bool Checked = true;
};

class TSetupVar : public TBaseSetupItem {
    LU_PERSISTENT(TSetupVar)
public:
    std::u16string VarName;  // the whole placeholder, braces included: "{Version}"
    std::u16string VarValue;
};

class TBaseConditionItem : public TBaseSetupItem {
    LU_PERSISTENT(TBaseConditionItem)
public:
    // Rewrites the item's text fields with the list's ExpandVars; subclasses add their fields.
    virtual void ApplyVars(const TSetupVarList& vars);

    std::u16string Condition;
};

class TSetupFile : public TBaseConditionItem {
    LU_PERSISTENT(TSetupFile)
public:
    void ApplyVars(const TSetupVarList& vars) override;

    std::u16string DestDir;
    int32_t FileBytes = 0;
    bool IncludeSubPath = false;
    TDateTime LastWriteDate = 0;
    std::u16string ResID;
    std::u16string SourceMask;
    std::u16string SourcePath;
    std::u16string NewFileName;
};

class TSetupReg : public TBaseConditionItem {
    LU_PERSISTENT(TSetupReg)
public:
    void ApplyVars(const TSetupVarList& vars) override;

    TRegRootKey RootKey = rrkClassesRoot;
    std::u16string SubKey;
    std::u16string ValueData;
    std::u16string ValueName;
    TRegValueType ValueType = rvtString;
};

class TSetupShortCut : public TBaseConditionItem {
    LU_PERSISTENT(TSetupShortCut)
public:
    void ApplyVars(const TSetupVarList& vars) override;

    std::u16string DstFile;
    std::u16string IconFile;
    std::u16string Name;
    std::u16string SaveDir;
    std::u16string WorkDir;
};

class TSetupRun : public TBaseConditionItem {
    LU_PERSISTENT(TSetupRun)
public:
    void ApplyVars(const TSetupVarList& vars) override;

    std::u16string FileName;
    std::u16string Params;
    bool Wait = false;
    std::u16string WorkDir;
};

class TSetupSwiper : public TBaseConditionItem {
    LU_PERSISTENT(TSetupSwiper)
public:
    void ApplyVars(const TSetupVarList& vars) override;

    std::u16string FileName;
    std::u16string ResID;
};

// Base of the item lists: a list of one item class, whatever element name an entry carries.
template <class T>
using TSetupItemList = TXmlTypedList<T>;

class TSetupVarList : public TSetupItemList<TSetupVar> {
    LU_PERSISTENT(TSetupVarList)
public:
    // Holds the default variables: {AppTitle}, {Version}, {MainExeName}, {GUID}, {AppID},
    // {Copyright}, {CompanyName}, {CompanyUrl}, {DefaultFolder}, {Condition}.
    TSetupVarList();

    // Index of the first variable whose VarName equals name ignoring case, or -1.
    int IndexOfVar(std::u16string_view name) const;
    TSetupVar* FindVar(std::u16string_view name) const;
    // The existing variable of that name, or a new checked one with an empty value, appended.
    TSetupVar* AddVar(std::u16string_view name);
    // Applies the checked variables in list order, each replacing every occurrence of its name
    // (ignoring case) by its value in one pass.
    std::u16string ExpandVars(const std::u16string& text) const;
};

class TSetupFileList : public TSetupItemList<TSetupFile> {
    LU_PERSISTENT(TSetupFileList)
};

class TSetupRegList : public TSetupItemList<TSetupReg> {
    LU_PERSISTENT(TSetupRegList)
};

class TSetupShortCutList : public TSetupItemList<TSetupShortCut> {
    LU_PERSISTENT(TSetupShortCutList)
};

class TSetupRunList : public TSetupItemList<TSetupRun> {
    LU_PERSISTENT(TSetupRunList)
public:
    // Entries whose Wait is false: the programs started when the installer ends.
    int CountNoWait() const;
};

class TSetupSwiperList : public TSetupItemList<TSetupSwiper> {
    LU_PERSISTENT(TSetupSwiperList)
};

class TSetupScript : public TXmlPersistent {
    LU_PERSISTENT(TSetupScript)
public:
    TSetupScript();

    // Owned parts, created by the constructor; loading fills them in place.
    std::unique_ptr<TSetupBaseInfo> BaseInfo;
    std::unique_ptr<TSetupFileList> FileList;
    std::unique_ptr<TSetupRegList> RegList;
    std::unique_ptr<TSetupShortCutList> ShortCutList;
    std::unique_ptr<TSetupRunList> RunList;
    std::unique_ptr<TSetupSwiperList> SwiperList;
    std::unique_ptr<TSetupVarList> VarList;
};
