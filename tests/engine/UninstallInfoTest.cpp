// The uninstall entry (key name and its nineteen values) and the uninstaller's two data files.
#include <gtest/gtest.h>

#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "LuExceptions.h"
#include "LuStrUtils.h"
#include "LuStreams.h"
#include "Setupfn.h"
#include "UninstallInfo.h"

namespace {

const std::u16string Guid = u"{0D5C4E7A-4F1B-4C4E-9C3B-2B7E8E7A1D11}";

// 2024-03-05 12:00 local time.
constexpr TDateTime Noon20240305 = 45356.5;

std::unique_ptr<TSetupScript> DemoScript()
{
    auto script = std::make_unique<TSetupScript>();
    TSetupBaseInfo& info = *script->BaseInfo;
    info.GUID = Guid;
    info.AppTitleCHS = u"演示";
    info.AppTitleENG = u"Demo";
    info.Version = u"2.5.1.7";
    info.CompanyName = u"Lu Soft";
    info.CompanyUrl = u"https://example.com/";
    for (int32_t size : {1000, 48, 0}) {
        auto file = std::make_unique<TSetupFile>();
        file->DestDir = u"{app}";
        file->SourceMask = u"f.bin";
        file->FileBytes = size;
        script->FileList->Add(std::move(file));
    }
    return script;
}

const TUninstallValue& Find(const std::vector<TUninstallValue>& values, std::u16string_view name)
{
    for (const TUninstallValue& v : values)
        if (v.Name == name) return v;
    throw std::runtime_error("no value " + Utf16ToUtf8(name));
}

std::string Decoded(const std::string& data)
{
    TMemoryStream stream(data);
    TSetupfn::DecodeStream(stream);
    return stream.ToString();
}

TSetupFileList Sizes(std::initializer_list<int32_t> sizes)
{
    TSetupFileList list;
    for (int32_t size : sizes) {
        auto file = std::make_unique<TSetupFile>();
        file->FileBytes = size;
        list.Add(std::move(file));
    }
    return list;
}

}  // namespace

TEST(UninstallKey, NameIsTheGuidWithSuffix)
{
    EXPECT_EQ(u"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + Guid + u"_zd", UninstallKeyName(Guid));
}

TEST(UninstallKey, NineteenValuesInOrder)
{
    const auto script = DemoScript();
    const std::vector<TUninstallValue> values =
        UninstallValues(*script, {u"Demo", u"ENG", u"D:\\Apps\\Tool\\", Noon20240305});

    using T = TRegDataType;
    struct {
        const char16_t* Name;
        TRegDataType Type;
        std::u16string Text;
        uint32_t DWord;
    } expected[] = {
        {u"DisplayName", T::rdtString, u"Demo Version 2.5.1.7", 0},
        {u"DisplayVersion", T::rdtString, u"2.5.1.7", 0},
        {u"EstimatedSize", T::rdtDWord, u"", 1},  // 1048 bytes
        {u"HelpLink", T::rdtString, u"https://example.com/", 0},
        {u"InstallDate", T::rdtString, u"20240305", 0},
        {u"InstallLocation", T::rdtString, u"D:\\Apps\\Tool\\", 0},
        {u"InstallLanguage", T::rdtString, u"ENG", 0},
        {u"InstallDateTime", T::rdtBinary, u"", 0},
        {u"MajorVersion", T::rdtDWord, u"", 2},
        {u"MinorVersion", T::rdtDWord, u"", 5},
        {u"NoModify", T::rdtDWord, u"", 1},
        {u"NoRepair", T::rdtDWord, u"", 1},
        {u"Publisher", T::rdtString, u"Lu Soft", 0},
        {u"QuietUninstallString", T::rdtString, u"\"D:\\Apps\\Tool\\Uninstall.exe\" /SILENT", 0},
        {u"UninstallString", T::rdtString, u"\"D:\\Apps\\Tool\\Uninstall.exe\"", 0},
        {u"URLInfoAbout", T::rdtString, u"https://example.com/", 0},
        {u"URLUpdateInfo", T::rdtString, u"https://example.com/", 0},
        {u"VersionMajor", T::rdtDWord, u"", 2},
        {u"VersionMinor", T::rdtDWord, u"", 5},
    };
    ASSERT_EQ(std::size(expected), values.size());
    for (size_t i = 0; i < values.size(); ++i) {
        const TUninstallValue& v = values[i];
        SCOPED_TRACE(Utf16ToUtf8(expected[i].Name));
        EXPECT_EQ(expected[i].Name, v.Name);
        EXPECT_EQ(expected[i].Type, v.Type);
        if (v.Type == T::rdtString) {
            EXPECT_EQ(expected[i].Text, v.Text);
        }
        if (v.Type == T::rdtDWord) {
            EXPECT_EQ(expected[i].DWord, v.DWord);
        }
    }
    EXPECT_EQ((std::vector<uint8_t>{0x00, 0x00, 0x00, 0x00, 0x90, 0x25, 0xE6, 0x40}),
              Find(values, u"InstallDateTime").Binary);
}

TEST(UninstallKey, LanguageAndTitleShapeTheDisplayName)
{
    const auto script = DemoScript();
    // Chinese titles are kept as they are: the entry is written through the wide functions.
    EXPECT_EQ(u"演示 版本 2.5.1.7",
              Find(UninstallValues(*script, {u"演示", u"CHS", u"C:\\P\\", 0}), u"DisplayName").Text);
    EXPECT_EQ(u"演示 版本 2.5.1.7",
              Find(UninstallValues(*script, {u"演示", u"CHT", u"C:\\P\\", 0}), u"DisplayName").Text);
    EXPECT_EQ(u"CHT", Find(UninstallValues(*script, {u"演示", u"CHT", u"C:\\P\\", 0}), u"InstallLanguage").Text);
    // A title with a marker of its own is text, not a format.
    EXPECT_EQ(u"50%s 100% Version 2.5.1.7",
              Find(UninstallValues(*script, {u"50%s 100%", u"ENG", u"C:\\P\\", 0}), u"DisplayName").Text);
}

TEST(UninstallKey, VersionNumbers)
{
    struct {
        const char16_t* Version;
        uint32_t Major, Minor;
    } cases[] = {
        {u"2.5", 2, 5}, {u"beta", 0, 0}, {u"", 0, 0}, {u"3", 3, 0}, {u"1.2b.3", 1, 2}, {u"10.0.19045.1", 10, 0},
    };
    for (const auto& c : cases) {
        auto script = DemoScript();
        script->BaseInfo->Version = c.Version;
        const auto values = UninstallValues(*script, {u"Demo", u"ENG", u"C:\\P\\", 0});
        EXPECT_EQ(c.Major, Find(values, u"MajorVersion").DWord) << Utf16ToUtf8(c.Version);
        EXPECT_EQ(c.Minor, Find(values, u"MinorVersion").DWord) << Utf16ToUtf8(c.Version);
        EXPECT_EQ(c.Major, Find(values, u"VersionMajor").DWord);
        EXPECT_EQ(c.Minor, Find(values, u"VersionMinor").DWord);
    }
}

TEST(UninstallKey, EstimatedSizeInKiB)
{
    EXPECT_EQ(0u, EstimatedSizeKiB(Sizes({})));
    EXPECT_EQ(0u, EstimatedSizeKiB(Sizes({1023})));
    EXPECT_EQ(1u, EstimatedSizeKiB(Sizes({1024})));
    EXPECT_EQ(1u, EstimatedSizeKiB(Sizes({1000, 24, 0})));
    // Bodies of more than 2 GiB in all (the package stores them compressed): no wrap-around.
    const int32_t big = std::numeric_limits<int32_t>::max();
    EXPECT_EQ(4194303u, EstimatedSizeKiB(Sizes({big, big})));
    // A negative size writes an empty file and adds nothing.
    EXPECT_EQ(2u, EstimatedSizeKiB(Sizes({2048, -1024})));
}

TEST(UninstallKey, DatesAndCommandLines)
{
    struct {
        TDateTime Value;
        const char16_t* Date;
    } cases[] = {
        {Noon20240305, u"20240305"}, {45356.99999, u"20240305"}, {0, u"18991230"},
        {61, u"19000301"},           {36585.25, u"20000229"},    {-1.5, u"18991229"},
    };
    for (const auto& c : cases) EXPECT_EQ(c.Date, FormatDateYYYYMMDD(c.Value)) << c.Value;

    EXPECT_EQ(u"\"D:\\Apps\\Tool\\Uninstall.exe\"", UninstallCommandLine(u"D:\\Apps\\Tool\\", false));
    EXPECT_EQ(u"\"D:\\Apps\\Tool\\Uninstall.exe\" /SILENT", UninstallCommandLine(u"D:\\Apps\\Tool\\", true));
    EXPECT_EQ(u"\"\\\\srv\\share\\My Tool\\Uninstall.exe\"", UninstallCommandLine(u"\\\\srv\\share\\My Tool\\", false));
}

TEST(UninstallData, ScriptAsLoadedEncodedOrPlain)
{
    auto script = DemoScript();
    script->BaseInfo->DefInstallPath = u"{pf}\\{AppTitle}";  // kept unexpanded
    const std::string plain = UninstallScriptData(*script, false);
    EXPECT_NE(std::string::npos, plain.find("<TSetupScript"));
    EXPECT_NE(std::string::npos, plain.find("{pf}\\{AppTitle}"));
    EXPECT_EQ(plain, Decoded(UninstallScriptData(*script, true)));

    // What the uninstaller reads back is the same script.
    TSetupScript loaded;
    TMemoryStream stream(Decoded(UninstallScriptData(*script, true)));
    loaded.LoadFromStream(stream);
    EXPECT_EQ(Guid, loaded.BaseInfo->GUID);
    EXPECT_EQ(3, loaded.FileList->Count());
    EXPECT_EQ(u"演示", loaded.BaseInfo->AppTitleCHS);
}

TEST(UninstallData, IconIsThePngEncodedOrPlain)
{
    const std::string png("\x89PNG\r\n\x1A\n\0\0\0\rIHDR-rest-of-image", 28);
    EXPECT_EQ(png, UninstallIconData(png, false));
    const std::string encoded = UninstallIconData(png, true);
    EXPECT_NE(png, encoded);
    EXPECT_EQ(png, Decoded(encoded));
    // Anything but a PNG never reaches the file: the icon was checked at start.
    EXPECT_THROW(UninstallIconData("GIF89a", true), EAssertionFailed);
    EXPECT_THROW(UninstallIconData("", false), EAssertionFailed);
    EXPECT_EQ(u"Uninstall.da1", UninstallScriptFileName);
    EXPECT_EQ(u"Uninstall.da2", UninstallIconFileName);
}
