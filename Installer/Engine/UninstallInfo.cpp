#include "UninstallInfo.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "LocalTexts.h"
#include "LuExceptions.h"
#include "LuStrUtils.h"
#include "LuStreams.h"
#include "Setupfn.h"

std::u16string UninstallKeyName(const std::u16string& guid)
{
    return std::u16string(UninstallListPath) + u"\\" + guid + u"_zd";
}

uint32_t EstimatedSizeKiB(const TSetupFileList& files)
{
    int64_t total = 0;
    for (int i = 0; i < files.Count(); ++i) total += std::max<int32_t>(files.Items(i)->FileBytes, 0);
    const int64_t kib = total / 1024;
    return kib > int64_t(std::numeric_limits<uint32_t>::max()) ? std::numeric_limits<uint32_t>::max() : uint32_t(kib);
}

namespace {

// Days since 1970-01-01 to the civil date (proleptic Gregorian calendar).
void CivilFromDays(int64_t days, int64_t& year, unsigned& month, unsigned& day)
{
    days += 719468;
    const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const unsigned doe = unsigned(days - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    day = doy - (153 * mp + 2) / 5 + 1;
    month = mp < 10 ? mp + 3 : mp - 9;
    year = int64_t(yoe) + era * 400 + (month <= 2 ? 1 : 0);
}

std::u16string Digits(int64_t value, size_t width)
{
    std::u16string text = IntToStr(value);
    if (text.size() < width) text.insert(0, width - text.size(), u'0');
    return text;
}

}  // namespace

std::u16string FormatDateYYYYMMDD(TDateTime value)
{
    // 1899-12-30 is day 25569 before 1970-01-01. Before 1899-12-30 the fraction still counts
    // forward from midnight, so the whole day is the value rounded towards zero.
    int64_t year;
    unsigned month, day;
    CivilFromDays(int64_t(std::trunc(value)) - 25569, year, month, day);
    return Digits(year, 4) + Digits(month, 2) + Digits(day, 2);
}

std::vector<uint8_t> DateTimeBytes(TDateTime value)
{
    static_assert(sizeof(double) == 8 && std::numeric_limits<double>::is_iec559, "IEEE-754 double");
    uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    std::vector<uint8_t> bytes(8);
    for (size_t i = 0; i < 8; ++i) bytes[i] = uint8_t(bits >> (8 * i));
    return bytes;
}

std::u16string UninstallCommandLine(const std::u16string& appDir, bool quiet)
{
    std::u16string command = u"\"" + ExcludeTrailingBackslash(appDir) + u"\\Uninstall.exe\"";
    if (quiet) command += u" /SILENT";
    return command;
}

std::vector<TUninstallValue> UninstallValues(const TSetupScript& script, const TUninstallContext& context)
{
    const TSetupBaseInfo& info = *script.BaseInfo;
    int major, minor, release, build;
    info.GetVersionNumbers(major, minor, release, build);

    auto text = [](std::u16string name, std::u16string value) {
        TUninstallValue v;
        v.Name = std::move(name);
        v.Type = TRegDataType::rdtString;
        v.Text = std::move(value);
        return v;
    };
    auto dword = [](std::u16string name, uint32_t value) {
        TUninstallValue v;
        v.Name = std::move(name);
        v.Type = TRegDataType::rdtDWord;
        v.DWord = value;
        return v;
    };
    TUninstallValue installDateTime;
    installDateTime.Name = u"InstallDateTime";
    installDateTime.Type = TRegDataType::rdtBinary;
    installDateTime.Binary = DateTimeBytes(context.Now);

    const TLocalTexts texts(context.Language);
    return {
        text(u"DisplayName", Format(texts.ResAppVersionFmt(), {context.Title, info.Version})),
        text(u"DisplayVersion", info.Version),
        dword(u"EstimatedSize", EstimatedSizeKiB(*script.FileList)),
        text(u"HelpLink", info.CompanyUrl),
        text(u"InstallDate", FormatDateYYYYMMDD(context.Now)),
        text(std::u16string(InstallLocationValueName), context.AppDir),
        text(u"InstallLanguage", context.Language),
        installDateTime,
        dword(u"MajorVersion", uint32_t(major)),
        dword(u"MinorVersion", uint32_t(minor)),
        dword(u"NoModify", 1),
        dword(u"NoRepair", 1),
        text(u"Publisher", info.CompanyName),
        text(u"QuietUninstallString", UninstallCommandLine(context.AppDir, true)),
        text(u"UninstallString", UninstallCommandLine(context.AppDir, false)),
        text(u"URLInfoAbout", info.CompanyUrl),
        text(u"URLUpdateInfo", info.CompanyUrl),
        dword(u"VersionMajor", uint32_t(major)),
        dword(u"VersionMinor", uint32_t(minor)),
    };
}

namespace {

std::string Finish(TMemoryStream& stream, bool encode)
{
    if (encode) TSetupfn::EncodeStream(stream);
    return stream.ToString();
}

}  // namespace

std::string UninstallScriptData(const TSetupScript& script, bool encode)
{
    TMemoryStream stream;
    script.SaveToStream(stream);
    return Finish(stream, encode);
}

std::string UninstallIconData(std::string_view pngBytes, bool encode)
{
    static constexpr std::string_view PngSignature("\x89PNG\r\n\x1A\n", 8);
    LU_ASSERT(pngBytes.substr(0, PngSignature.size()) == PngSignature, "Installer\\Engine\\UninstallInfo");
    TMemoryStream stream(pngBytes.data(), pngBytes.size());
    return Finish(stream, encode);
}
