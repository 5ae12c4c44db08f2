// Files, directories and file times on the real file system (Wine's, under the test runner).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>

#include "LuExceptions.h"
#include "LuStrUtils.h"
#include "LuSysUtilsWin.h"
#include "WinTestSupport.h"

namespace {

ULONGLONG Ticks(const FILETIME& t) { return (ULONGLONG(t.dwHighDateTime) << 32) | t.dwLowDateTime; }

struct TLocalTime {
    int Year, Month, Day, Hour, Minute, Second, Ms;
};

// Time of day as a TDateTime fraction.
double TimeOfDay(int hour, int minute, int second, int ms)
{
    return (((hour * 60.0 + minute) * 60.0 + second) * 1000.0 + ms) / 86400000.0;
}

TEST(DateTimeToFileTime, LocalDateTimesBecomeTheUtcTimesOfTheSameLocalMoment)
{
    const struct {
        double Value;
        TLocalTime Expected;
    } cases[] = {
        {0.0, {1899, 12, 30, 0, 0, 0, 0}},
        {36526.5, {2000, 1, 1, 12, 0, 0, 0}},
        // The fraction of a negative date-time is the time of its day, counted forwards.
        {-1.25, {1899, 12, 29, 6, 0, 0, 0}},
        {45000.0 + TimeOfDay(13, 14, 15, 678), {2023, 3, 15, 13, 14, 15, 678}},
        {45351.0 + TimeOfDay(23, 59, 59, 999), {2024, 2, 29, 23, 59, 59, 999}},
        {-109204.0, {1601, 1, 2, 0, 0, 0, 0}},
        {2958465.0 + TimeOfDay(12, 0, 0, 0), {9999, 12, 31, 12, 0, 0, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Value);
        FILETIME utc, local;
        SYSTEMTIME st;
        ASSERT_TRUE(TLuFilefn::DateTimeToFileTime(c.Value, utc));
        ASSERT_TRUE(FileTimeToLocalFileTime(&utc, &local));
        ASSERT_TRUE(FileTimeToSystemTime(&local, &st));
        const TLocalTime& e = c.Expected;
        EXPECT_EQ(st.wYear, e.Year);
        EXPECT_EQ(st.wMonth, e.Month);
        EXPECT_EQ(st.wDay, e.Day);
        EXPECT_EQ(st.wHour, e.Hour);
        EXPECT_EQ(st.wMinute, e.Minute);
        EXPECT_EQ(st.wSecond, e.Second);
        EXPECT_EQ(st.wMilliseconds, e.Ms);
    }
}

TEST(DateTimeToFileTime, RefusesValuesOutsideTheFileTimeRange)
{
    const double refused[] = {-109206.0, 2958466.0, std::numeric_limits<double>::quiet_NaN(),
                              std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity()};
    for (double value : refused) {
        FILETIME utc;
        EXPECT_FALSE(TLuFilefn::DateTimeToFileTime(value, utc)) << value;
    }
}

// Some file systems keep no creation time of their own (Wine's on Linux reports another time in
// its place); there only the other two times can be checked.
bool KeepsCreationTime(const std::u16string& file)
{
    FILETIME set[3], got[3];
    for (int i = 0; i < 3; ++i) TLuFilefn::DateTimeToFileTime(35000.0 + 1000 * i, set[i]);
    TUniqueHandle h(CreateFileW(W(file), GENERIC_READ | FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    return h && SetFileTime(h.Get(), &set[0], &set[1], &set[2]) && GetFileTime(h.Get(), &got[0], &got[1], &got[2]) &&
           Ticks(got[0]) == Ticks(set[0]);
}

TEST(SetFileTimes, SetsTheGivenTimesAndLeavesThoseThatAreZero)
{
    TTempFolder folder;
    const std::u16string file = folder / u"times.txt";
    WriteFileText(file, "probe");
    const bool creationKept = KeepsCreationTime(file);
    if (!creationKept) std::printf("note: this file system keeps no creation time; it is not checked\n");
    FILETIME baseline;
    ASSERT_TRUE(TLuFilefn::DateTimeToFileTime(30000.25, baseline));
    const double c = 40000.5, w = 41000.75, a = 42000.125;
    const struct {
        const char* Name;
        TFileTimes Times;
    } cases[] = {
        {"all three", {c, w, a}},     {"creation 0", {0, w, a}}, {"last write 0", {c, 0, a}},
        {"last access 0", {c, w, 0}}, {"all 0", {0, 0, 0}},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(t.Name);
        WriteFileText(file, "content");
        {
            TUniqueHandle h(CreateFileW(W(file), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr));
            ASSERT_TRUE(h);
            ASSERT_TRUE(SetFileTime(h.Get(), &baseline, &baseline, &baseline));
        }
        ASSERT_TRUE(TLuFilefn::SetFileTimes(file, t.Times));

        FILETIME got[3];  // creation, last write, last access
        {
            TUniqueHandle h(CreateFileW(W(file), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
            ASSERT_TRUE(h);
            ASSERT_TRUE(GetFileTime(h.Get(), &got[0], &got[2], &got[1]));
        }
        const double wanted[3] = {t.Times.CreationTime, t.Times.LastWriteTime, t.Times.LastAccessTime};
        const char* names[3] = {"creation", "last write", "last access"};
        for (int i = creationKept ? 0 : 1; i < 3; ++i) {
            FILETIME expected = baseline;
            if (wanted[i] != 0) {
                ASSERT_TRUE(TLuFilefn::DateTimeToFileTime(wanted[i], expected));
            }
            EXPECT_EQ(Ticks(got[i]), Ticks(expected)) << names[i];
        }
    }
}

TEST(SetFileTimes, FailsForAFileAnotherProcessHoldsOpenOrThatIsMissing)
{
    TTempFolder folder;
    const std::u16string file = folder / u"held.txt";
    WriteFileText(file, "content");
    const TFileTimes times{40000.5, 41000.5, 42000.5};

    const std::u16string suffix = IntToStr(GetCurrentProcessId());
    const std::u16string readyName = u"lusetup-test-ready-" + suffix;
    const std::u16string releaseName = u"lusetup-test-release-" + suffix;
    TUniqueHandle ready(CreateEventW(nullptr, TRUE, FALSE, W(readyName)));
    TUniqueHandle release(CreateEventW(nullptr, TRUE, FALSE, W(releaseName)));
    ASSERT_TRUE(ready && release);

    std::u16string command = HelperCommand(u"hold \"" + file + u"\" " + readyName + u" " + releaseName);
    std::vector<wchar_t> line(command.begin(), command.end());
    line.push_back(0);
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    ASSERT_TRUE(CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
    TUniqueHandle process(pi.hProcess), thread(pi.hThread);
    HANDLE waits[2] = {ready.Get(), process.Get()};
    ASSERT_EQ(WaitForMultipleObjects(2, waits, FALSE, 20000), WAIT_OBJECT_0) << "the holder did not open the file";

    EXPECT_FALSE(TLuFilefn::SetFileTimes(file, times));

    SetEvent(release.Get());
    ASSERT_EQ(WaitForSingleObject(process.Get(), 20000), WAIT_OBJECT_0);
    DWORD code = 99;
    GetExitCodeProcess(process.Get(), &code);
    EXPECT_EQ(code, 0u);
    // The same call succeeds once the file is free: the failure was the other process's hold.
    EXPECT_TRUE(TLuFilefn::SetFileTimes(file, times));

    EXPECT_FALSE(TLuFilefn::SetFileTimes(folder / u"missing.txt", times));
}

TEST(SetFileTimes, FailsWithoutTouchingTheFileForATimeThatDoesNotConvert)
{
    TTempFolder folder;
    const std::u16string file = folder / u"times.txt";
    WriteFileText(file, "content");
    FILETIME before[3], after[3];
    auto read = [&](FILETIME* t) {
        TUniqueHandle h(CreateFileW(W(file), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(GetFileTime(h.Get(), &t[0], &t[1], &t[2]));
    };
    read(before);
    EXPECT_FALSE(TLuFilefn::SetFileTimes(file, {40000.5, -200000.0, 0}));
    read(after);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(Ticks(before[i]), Ticks(after[i])) << i;
}

TEST(Directories, ForceDirectoriesCreatesEveryMissingLevel)
{
    TTempFolder folder;
    WriteFileText(folder / u"file.txt", "x");
    const struct {
        const char16_t* Relative;
        bool Result;
    } cases[] = {
        {u"a\\b\\c", true},        {u"d\\e\\", true}, {u"a\\b\\c", true},  // exists already
        {u"a\\b2\\c2", true},                                              // below an existing level
        {u"file.txt\\sub", false},                                         // a file stands where a folder must be
        {u"file.txt", false},
    };
    for (const auto& c : cases) {
        const std::u16string path = folder / c.Relative;
        SCOPED_TRACE(Utf16ToUtf8(path));
        EXPECT_EQ(ForceDirectories(path), c.Result);
        EXPECT_EQ(DirectoryExists(path), c.Result);
    }
    EXPECT_FALSE(DirectoryExists(folder / u"missing"));
}

TEST(Directories, ForceDirectoriesRefusesAnEmptyPath)
{
    try {
        ForceDirectories(u"");
        FAIL() << "no error";
    } catch (const EInOutError& e) {
        EXPECT_EQ(e.Message(), u"Unable to create directory");
    }
}

TEST(Directories, EnsureFileDirCreatesTheFolderPartOnly)
{
    TTempFolder folder;
    TLuFilefn::EnsureFileDir(folder / u"x\\y\\file.txt");
    EXPECT_TRUE(DirectoryExists(folder / u"x\\y"));
    EXPECT_FALSE(DirectoryExists(folder / u"x\\y\\file.txt"));
    EXPECT_EQ(GetFileAttributesW(W(folder / u"x\\y\\file.txt")), INVALID_FILE_ATTRIBUTES);

    // A bare file name has no folder part: nothing is created, nothing is raised.
    wchar_t saved[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, saved);
    ASSERT_TRUE(SetCurrentDirectoryW(W(folder / u"x\\y")));
    TLuFilefn::EnsureFileDir(u"bare.txt");
    SetCurrentDirectoryW(saved);
    WIN32_FIND_DATAW data;
    const HANDLE find = FindFirstFileW(W(folder / u"x\\y\\*"), &data);
    int entries = 0;
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::u16string name = reinterpret_cast<const char16_t*>(data.cFileName);
            if (name != u"." && name != u"..") ++entries;
        } while (FindNextFileW(find, &data));
        FindClose(find);
    }
    EXPECT_EQ(entries, 0);
}

TEST(LongPathName, GivesTheLongFormOfAShortPathAndEmptyForAMissingOne)
{
    TTempFolder folder;
    const std::u16string longPath = folder / u"A folder with a long name";
    ASSERT_TRUE(CreateDirectoryW(W(longPath), nullptr));
    wchar_t shortPath[MAX_PATH];
    ASSERT_GT(GetShortPathNameW(W(longPath), shortPath, MAX_PATH), 0u);
    const std::u16string shortText = reinterpret_cast<const char16_t*>(shortPath);
    EXPECT_NE(shortText.find(u'~'), std::u16string::npos) << Utf16ToUtf8(shortText);
    EXPECT_TRUE(SameText(TLuFilefn::LongPathName(shortText), longPath))
        << Utf16ToUtf8(TLuFilefn::LongPathName(shortText));
    EXPECT_EQ(TLuFilefn::LongPathName(folder / u"missing\\folder"), u"");
}

}  // namespace
