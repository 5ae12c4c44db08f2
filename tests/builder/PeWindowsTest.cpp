// Windows itself reads what the library wrote: the loader finds each resource (string names looked
// up in any case), version information parses, the checksum agrees with the system's routine, and
// the rewritten stub still starts and finds its own resource.
#include <gtest/gtest.h>

#include <windows.h>

#include <random>

#include "LuStrUtils.h"
#include "LuStreams.h"
#include "PeResources.h"
#include "PeTestImage.h"

namespace {

// Build-tree paths are Unix paths under Wine: reach them through its Z: drive.
std::wstring WinPath(const std::string& path)
{
    std::wstring w(path.begin(), path.end());
    if (!w.empty() && w[0] == L'/') w = L"Z:" + w;
    for (auto& c : w)
        if (c == L'/') c = L'\\';
    return w;
}

DWORD RunProcess(const std::wstring& exe, const std::wstring& arguments)
{
    std::wstring commandLine = L"\"" + exe + L"\" " + arguments;
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        ADD_FAILURE() << "CreateProcess failed: " << GetLastError();
        return DWORD(-1);
    }
    DWORD code = DWORD(-1);
    if (WaitForSingleObject(pi.hProcess, 60000) == WAIT_OBJECT_0) GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return code;
}

uint64_t Fnv1a(const std::string& s)
{
    uint64_t h = 14695981039346656037ull;
    for (unsigned char c : s) h = (h ^ c) * 1099511628211ull;
    return h;
}

std::string Expected(const std::string& bytes)
{
    char b[32];
    std::snprintf(b, sizeof b, "%016llx", static_cast<unsigned long long>(Fnv1a(bytes)));
    return std::to_string(bytes.size()) + " " + b;
}

}  // namespace

TEST(PeWindowsTest, LoaderFindsEveryResourceAndTheStubStillRuns)
{
    const TResourceId rcData(RT_RCDATA_ID);
    std::mt19937 rng(5);
    std::string big(5 * 1024 * 1024, '\0');
    for (auto& c : big) c = char(rng());
    const std::string script = "<Setup Name=\"probe\"/>";
    const std::string small = "id resource";

    TPeImage image(ReadFileBytes(Utf8ToUtf16(LUSETUP_WIN_STUB)));
    ASSERT_TRUE(image.Is64());
    image.SetResource({rcData, TResourceId(u"{54682d66-def6-4e5b-8ab5-70ffdf2c0e3a}"), 0}, big);
    image.SetResource({rcData, TResourceId(u"SETUPSCRIPT"), 0}, script);
    image.SetResource({rcData, TResourceId(100), 0}, small);
    TVersionFields version;
    ParseVersion(u"1.2.3.4", version.FileVersion);
    ParseVersion(u"5.6", version.ProductVersion);
    version.CompanyName = u"Lu Soft";
    version.ProductName = u"Probe product";
    image.SetResource({TResourceId(RT_VERSION_ID), TResourceId(1), 1033}, BuildVersionInfo(version));
    const std::string exe = TestOutputPath("probe_target.exe");
    {
        TFileStream out(Utf8ToUtf16(exe), fmCreate);
        image.Write(out);
    }

    const std::string reportPath = TestOutputPath("probe_report.txt");
    std::remove(reportPath.c_str());
    const DWORD probe =
        RunProcess(WinPath(LUSETUP_RESOURCE_PROBE),
                   L"\"" + WinPath(exe) + L"\" \"" + WinPath(reportPath) + L"\"" +
                       L" 10:{54682d66-def6-4e5b-8ab5-70ffdf2c0e3a} 10:{54682D66-DEF6-4E5B-8AB5-70FFDF2C0E3A}"
                       L" 10:SetupScript 10:#100 10:STUBDATA 10:#101 version checksum");
    ASSERT_EQ(probe, 0u);
    const std::string report = ReadFileBytes(Utf8ToUtf16(reportPath));
    const std::string expected = "10:{54682d66-def6-4e5b-8ab5-70ffdf2c0e3a} " + Expected(big) + "\n" +
                                 "10:{54682D66-DEF6-4E5B-8AB5-70FFDF2C0E3A} " + Expected(big) + "\n" +
                                 "10:SetupScript " + Expected(script) + "\n" + "10:#100 " + Expected(small) + "\n" +
                                 "10:STUBDATA " + Expected(std::string("stub resource\0", 14)) + "\n" +
                                 "10:#101 missing\n";
    EXPECT_EQ(report.substr(0, expected.size()), expected) << report;
    // The translation DWORD: language 0409 in the low word, code page 1200 (04B0) in the high one.
    EXPECT_NE(report.find("\nversion 00010002 00030004 00050006 04b00409 [Lu Soft] [Probe product] [1.2.3.4]\n"),
              std::string::npos)
        << report;
    const size_t checksum = report.find("\nchecksum ");
    ASSERT_NE(checksum, std::string::npos) << report;
    EXPECT_EQ(report.substr(checksum + 10, 8), report.substr(checksum + 19, 8)) << report;

    // The rewritten stub starts and finds its own RCDATA (exit 0).
    EXPECT_EQ(RunProcess(WinPath(exe), L""), 0u);
}
