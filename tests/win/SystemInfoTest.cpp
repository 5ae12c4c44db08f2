// Shell folders, the temporary folder, locale, Windows version, the command line, the start-up
// values of the process, and the handle owners.
#include <gtest/gtest.h>

#include <objbase.h>
#include <shlobj.h>

#include <string>
#include <thread>

#include "LuStrUtils.h"
#include "LuStreams.h"
#include "LuSysUtilsWin.h"
#include "LuXmlUtils.h"
#include "SetupScript.h"
#include "Setupfn.h"
#include "SetupfnWin.h"
#include "WinTestSupport.h"

namespace {

bool EndsWithBackslash(const std::u16string& text) { return !text.empty() && text.back() == u'\\'; }

TEST(GetSpecialFolder, GivesExistingFoldersWithATrailingBackslash)
{
    for (int id : {CSIDL_DESKTOP, CSIDL_COMMON_PROGRAMS, CSIDL_APPDATA, CSIDL_PROGRAM_FILES, CSIDL_WINDOWS}) {
        const std::u16string folder = TLuRegfn::GetSpecialFolder(id);
        SCOPED_TRACE(id);
        EXPECT_TRUE(EndsWithBackslash(folder)) << Utf16ToUtf8(folder);
        EXPECT_TRUE(DirectoryExists(folder)) << Utf16ToUtf8(folder);
        EXPECT_EQ(folder.find(u"\\\\", 1), std::u16string::npos) << Utf16ToUtf8(folder);
    }
    // An identifier the shell does not know gives the empty text, not "\".
    EXPECT_EQ(TLuRegfn::GetSpecialFolder(0x00FE), u"");
}

// Sets an environment variable for the life of the object and restores it afterwards.
class TScopedEnv {
public:
    TScopedEnv(const std::u16string& name, const char16_t* value) : FName(name)
    {
        wchar_t buffer[32768];
        const DWORD length = GetEnvironmentVariableW(W(name), buffer, 32768);
        FHad = length > 0 && length < 32768;
        if (FHad) FOld = reinterpret_cast<const char16_t*>(buffer);
        SetEnvironmentVariableW(W(name), reinterpret_cast<const wchar_t*>(value));
    }
    ~TScopedEnv() { SetEnvironmentVariableW(W(FName), FHad ? W(FOld) : nullptr); }

private:
    std::u16string FName, FOld;
    bool FHad = false;
};

TEST(GetTempDir, IsTheLongFormWithATrailingBackslash)
{
    const std::u16string temp = TLuWinfn::GetTempDir();
    EXPECT_TRUE(EndsWithBackslash(temp)) << Utf16ToUtf8(temp);
    EXPECT_TRUE(DirectoryExists(temp)) << Utf16ToUtf8(temp);

    // A temporary folder given in short form comes back long.
    TTempFolder folder;
    const std::u16string longPath = folder / u"Temporary files here\\";
    ASSERT_TRUE(CreateDirectoryW(W(longPath), nullptr));
    wchar_t shortPath[MAX_PATH];
    ASSERT_GT(GetShortPathNameW(W(longPath), shortPath, MAX_PATH), 0u);
    ASSERT_NE(std::u16string(reinterpret_cast<const char16_t*>(shortPath)).find(u'~'), std::u16string::npos);
    TScopedEnv tmp(u"TMP", reinterpret_cast<const char16_t*>(shortPath));
    TScopedEnv tempVar(u"TEMP", reinterpret_cast<const char16_t*>(shortPath));
    const std::u16string got = TLuWinfn::GetTempDir();
    EXPECT_TRUE(SameText(got, longPath)) << Utf16ToUtf8(got);
    EXPECT_EQ(got.find(u'~'), std::u16string::npos) << Utf16ToUtf8(got);
}

TEST(GetTempDir, KeepsAFolderThatHasNoLongFormInsteadOfTheDriveRoot)
{
    TTempFolder folder;
    const std::u16string missing = folder / u"not yet created";
    TScopedEnv tmp(u"TMP", missing.c_str());
    TScopedEnv tempVar(u"TEMP", missing.c_str());
    EXPECT_TRUE(SameText(TLuWinfn::GetTempDir(), missing + u"\\")) << Utf16ToUtf8(TLuWinfn::GetTempDir());
}

TEST(GetUserLangAbbrev, IsThreeCapitalLetters)
{
    const std::u16string lang = TLuWinfn::GetUserLangAbbrev();
    ASSERT_EQ(lang.size(), 3u) << Utf16ToUtf8(lang);
    for (char16_t c : lang) EXPECT_TRUE(c >= u'A' && c <= u'Z') << Utf16ToUtf8(lang);
}

TEST(WinVersion, PredicatesForEachWindowsRelease)
{
    const DWORD nt = VER_PLATFORM_WIN32_NT, win9x = VER_PLATFORM_WIN32_WINDOWS;
    const struct {
        const char* Name;
        TWinVersion Version;
        bool XP, Seven, Ten;
    } cases[] = {
        {"2000 (5.0)", {nt, 5, 0}, false, false, false},
        {"XP (5.1)", {nt, 5, 1}, true, false, false},
        {"Server 2003 (5.2)", {nt, 5, 2}, true, false, false},
        {"Vista (6.0)", {nt, 6, 0}, true, false, false},
        {"7 (6.1)", {nt, 6, 1}, true, true, false},
        {"8 (6.2)", {nt, 6, 2}, true, true, false},
        {"8.1 (6.3)", {nt, 6, 3}, true, true, false},
        {"10 preview (6.4)", {nt, 6, 4}, true, true, true},
        {"10 (10.0)", {nt, 10, 0}, true, true, true},
        {"98 (4.10, not NT)", {win9x, 4, 10}, false, false, false},
        {"not NT, high numbers", {win9x, 10, 0}, false, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        EXPECT_EQ(TLuWinfn::IsWinXPOrHigher(c.Version), c.XP);
        EXPECT_EQ(TLuWinfn::IsWin7OrHigher(c.Version), c.Seven);
        EXPECT_EQ(TLuWinfn::IsWin10OrHigher(c.Version), c.Ten);
    }
    // The running system is an NT system with a version number.
    EXPECT_EQ(TLuWinfn::WinVersion().PlatformId, nt);
    EXPECT_TRUE(TLuWinfn::IsWinXPOrHigher());
}

TEST(CommandLine, SplitsByTheWindowsRules)
{
    const struct {
        const char16_t* Line;
        std::vector<std::u16string> Args;
    } cases[] = {
        {u"setup.exe", {u"setup.exe"}},
        {u"setup.exe /Silent", {u"setup.exe", u"/Silent"}},
        {u"\"C:\\Program Files\\setup.exe\"  /Auto   x", {u"C:\\Program Files\\setup.exe", u"/Auto", u"x"}},
        {u"p \"a b\" c", {u"p", u"a b", u"c"}},
        {u"p a\\\"b", {u"p", u"a\"b"}},
        {u"p a\\\\\"b c\"", {u"p", u"a\\b c"}},
        {u"p C:\\dir\\", {u"p", u"C:\\dir\\"}},
    };
    for (const auto& c : cases) EXPECT_EQ(SplitCommandLine(c.Line), c.Args) << Utf16ToUtf8(c.Line);
}

TEST(CommandLine, ArgumentZeroIsTheFullPathOfTheExecutable)
{
    const std::u16string self = ParamStr(0);
    EXPECT_EQ(self.compare(1, 2, u":\\"), 0) << Utf16ToUtf8(self);
    EXPECT_TRUE(SameText(ExtractFileName(self), u"win_system_tests.exe")) << Utf16ToUtf8(self);
    EXPECT_NE(GetFileAttributesW(W(self)), INVALID_FILE_ATTRIBUTES);
    const std::vector<std::u16string> args = SplitCommandLine(reinterpret_cast<const char16_t*>(GetCommandLineW()));
    ASSERT_EQ(ParamCount(), int(args.size()) - 1);
    for (int i = 1; i <= ParamCount(); ++i) EXPECT_EQ(ParamStr(i), args[size_t(i)]);
    EXPECT_EQ(ParamStr(ParamCount() + 1), u"");
    EXPECT_EQ(ParamStr(-1), u"");
}

TEST(InitSetupFolders, FillsTheFolderValuesOfThePathPlaceholders)
{
    const struct {
        const char16_t* ProgramFiles;  // null: not set
        const char16_t* Expected;
    } cases[] = {
        {u"C:\\Program Files (x86)", u"C:\\Program Files (x86)"},
        {u"D:\\Apps\\", u"D:\\Apps"},
        {nullptr, u""},
    };
    for (const auto& c : cases) {
        TScopedEnv env(u"ProgramFiles", c.ProgramFiles);
        InitSetupFolders();
        EXPECT_EQ(TSetupfn::ProgramFilesDir, c.Expected);
        EXPECT_EQ(TSetupfn::ExpandPath(u"{pf}\\Product", u""), std::u16string(c.Expected) + u"\\Product");
    }
    EXPECT_EQ(TSetupfn::DesktopDir, TLuRegfn::GetSpecialFolder(CSIDL_DESKTOP));
    EXPECT_TRUE(EndsWithBackslash(TSetupfn::DesktopDir));
    EXPECT_EQ(TSetupfn::CommonProgramsDir, TLuRegfn::GetSpecialFolder(CSIDL_COMMON_PROGRAMS));
    EXPECT_TRUE(EndsWithBackslash(TSetupfn::CommonProgramsDir));
    EXPECT_EQ(TSetupfn::SourceExe, ParamStr(0));
    EXPECT_EQ(TSetupfn::ExpandPath(u"{srcexe}", u""), ParamStr(0));
}

// The user's decimal separator as Control Panel keeps it, changed for the life of the object; the
// old value, or its absence, and the process's separator come back afterwards.
class TScopedUserDecimal {
public:
    explicit TScopedUserDecimal(const wchar_t* separator) : FProcessOld(DecimalSeparator())
    {
        HKEY key = nullptr;
        if (RegCreateKeyExW(HKEY_CURRENT_USER, L"Control Panel\\International", 0, nullptr, 0,
                            KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS)
            return;
        FKey = TRegKey(key);
        wchar_t buffer[16] = {};
        DWORD size = sizeof buffer - sizeof buffer[0];
        DWORD type = 0;
        FHad = RegQueryValueExW(key, L"sDecimal", nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) ==
                   ERROR_SUCCESS &&
               type == REG_SZ;
        if (FHad) FOld = buffer;
        Write(separator);
    }
    ~TScopedUserDecimal()
    {
        if (FKey) {
            if (FHad)
                Write(FOld.c_str());
            else
                RegDeleteValueW(FKey.Get(), L"sDecimal");
        }
        SetDecimalSeparator(FProcessOld);
    }
    bool Ok() const { return bool(FKey); }

private:
    void Write(const wchar_t* value)
    {
        RegSetValueExW(FKey.Get(), L"sDecimal", 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                       DWORD((wcslen(value) + 1) * sizeof(wchar_t)));
    }
    TRegKey FKey;
    std::wstring FOld;
    bool FHad = false;
    char16_t FProcessOld;
};

// A script the builder wrote with "." must load to the same file dates on a system whose user
// separator is ",": the uninstaller compares them with the installed files' times.
TEST(InitLocaleFormats, ACommaLocaleStillReadsStoredDates)
{
    const std::string script = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<TSetupScript><FileList><Items>"
                               "<TSetupFile DestDir=\"{app}\\\" LastWriteDate=\"45000.123\" SourceMask=\"a.exe\"/>"
                               "<TSetupFile DestDir=\"{app}\\\" LastWriteDate=\"45001,5\" SourceMask=\"b.exe\"/>"
                               "</Items></FileList></TSetupScript>\r\n";
    TSetupScript loaded;
    std::string saved;
    char16_t separator = 0;
    {
        TScopedUserDecimal comma(L",");
        ASSERT_TRUE(comma.Ok());
        InitLocaleFormats();
        separator = DecimalSeparator();
        TMemoryStream in(script);
        loaded.LoadFromStream(in);
        TMemoryStream out;
        loaded.SaveToStream(out);
        saved = out.ToString();
    }
    EXPECT_EQ(separator, u',') << "the user's locale did not reach the process";
    ASSERT_EQ(loaded.FileList->Count(), 2);
    EXPECT_DOUBLE_EQ(loaded.FileList->Items(0)->LastWriteDate, 45000.123);
    EXPECT_DOUBLE_EQ(loaded.FileList->Items(1)->LastWriteDate, 45001.5);
    EXPECT_NE(saved.find("LastWriteDate=\"45000.123\""), std::string::npos) << saved;
    EXPECT_NE(saved.find("LastWriteDate=\"45001.5\""), std::string::npos) << saved;
}

TEST(EnumName, GivesTheDeclaredNameOrTheNumber)
{
    const TEnumTypeInfo type{u"TColorKind", {u"ckRed", u"ckGreen", u"ckBlue"}};
    const struct {
        int Value;
        const char16_t* Name;
    } cases[] = {{0, u"ckRed"}, {2, u"ckBlue"}, {3, u"3"}, {-1, u"-1"}};
    for (const auto& c : cases) EXPECT_EQ(TLuSysfnWin::EnumName(type, c.Value), c.Name);
    EXPECT_EQ(TLuSysfnWin::EnumName(BooleanTypeInfo, 1), u"True");
}

TEST(Handles, CloseExactlyOnceAndNeverARegistryRoot)
{
    HANDLE raw = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    DWORD flags = 0;
    {
        TUniqueHandle first(raw);
        TUniqueHandle second(std::move(first));
        EXPECT_FALSE(first);
        EXPECT_EQ(second.Get(), raw);
        TUniqueHandle third;
        third = std::move(second);
        EXPECT_TRUE(GetHandleInformation(raw, &flags));
    }
    EXPECT_FALSE(GetHandleInformation(raw, &flags)) << "the handle was not closed";

    // INVALID_HANDLE_VALUE is "no handle", as CreateFile returns it.
    EXPECT_FALSE(TUniqueHandle(INVALID_HANDLE_VALUE));

    {
        TRegKey root(HKEY_LOCAL_MACHINE);
    }
    {
        TRegKey root(HKEY_CURRENT_USER);
    }
    LONG result = -1;
    EXPECT_TRUE(OpenRegKey(HKEY_LOCAL_MACHINE, L"Software", KEY_READ, &result)) << "a predefined root was closed";
    EXPECT_EQ(result, ERROR_SUCCESS);

    // A key that cannot be opened gives an empty owner and the reason.
    EXPECT_FALSE(OpenRegKey(HKEY_CURRENT_USER, L"Software\\LuSetupTest-missing\\none", KEY_READ, &result));
    EXPECT_EQ(result, ERROR_FILE_NOT_FOUND);
    {
        const TRegKey created =
            CreateRegKey(HKEY_CURRENT_USER, L"Software\\LuSetupTest-created", KEY_ALL_ACCESS, &result);
        EXPECT_TRUE(created);
        EXPECT_EQ(result, ERROR_SUCCESS);
    }
    EXPECT_TRUE(OpenRegKey(HKEY_CURRENT_USER, L"Software\\LuSetupTest-created", KEY_READ));
    EXPECT_EQ(RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\LuSetupTest-created"), ERROR_SUCCESS);
}

TEST(ComInitializer, UninitialisesOnlyWhatItInitialised)
{
    std::thread([] {
        {
            TComInitializer com;
            EXPECT_TRUE(com.Succeeded());
            TComInitializer nested;
            EXPECT_EQ(nested.Result(), S_FALSE);
        }
        // Both released: the thread may now enter the other apartment model.
        EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
        {
            TComInitializer com;  // a single-threaded apartment cannot be had now
            EXPECT_FALSE(com.Succeeded());
            EXPECT_EQ(com.Result(), RPC_E_CHANGED_MODE);
        }
        // Our initialisation is untouched: still in the multithreaded apartment.
        EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_FALSE);
        CoUninitialize();
        CoUninitialize();
    }).join();
}

}  // namespace
