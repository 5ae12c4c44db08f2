// Files, directories and file times.
#include <cmath>

#include "LuExceptions.h"
#include "LuStrUtils.h"
#include "LuSysUtilsWin.h"
#include "LuWinLog.h"

namespace {
// Days from 1 January 1601 (file times) to 30 December 1899 (TDateTime).
constexpr int64_t DateTimeEpochDays = 109205;
constexpr int64_t MsPerDay = 86400000;
// 1 January 10000: the end of the range a date-time converts from.
constexpr double MaxDateTime = 2958466.0;
}  // namespace

bool DirectoryExists(const std::u16string& path)
{
    const DWORD attributes = ::GetFileAttributesW(W(path));
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool ForceDirectories(const std::u16string& path)
{
    if (path.empty()) throw EInOutError(u"Unable to create directory");
    const std::u16string dir = ExcludeTrailingBackslash(path);
    // "\" alone (the root of the current drive) has nothing to create.
    if (dir.empty()) return DirectoryExists(path);
    if (DirectoryExists(dir)) return true;
    // Parents first. The folder part of "C:" or "C:x" is "C:", which is never created.
    const std::u16string parent = ExcludeTrailingBackslash(ExtractFilePath(dir));
    if (!parent.empty() && parent.size() < dir.size() && parent.back() != u':') ForceDirectories(parent);
    if (!::CreateDirectoryW(W(dir), nullptr) && ::GetLastError() != ERROR_ALREADY_EXISTS)
        LogWin32Failure("CreateDirectoryW", dir);
    return DirectoryExists(dir);
}

TUniqueHandle FileOpenExisting(const std::u16string& fileName, DWORD access, DWORD share)
{
    TUniqueHandle file(
        ::CreateFileW(W(fileName), access, share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) LogWin32Failure("CreateFileW", fileName);
    return file;
}

void TLuFilefn::EnsureFileDir(const std::u16string& fileName)
{
    const std::u16string dir = ExtractFilePath(fileName);
    if (!dir.empty() && !DirectoryExists(dir)) ForceDirectories(dir);
}

std::u16string TLuFilefn::LongPathName(const std::u16string& path)
{
    // A long path may not fit MAX_PATH: ask again with the size the system wants.
    std::u16string buffer(MAX_PATH, u'\0');
    for (int attempt = 0; attempt < 3; ++attempt) {
        const DWORD length = ::GetLongPathNameW(W(path), reinterpret_cast<wchar_t*>(&buffer[0]), DWORD(buffer.size()));
        if (length == 0) {
            LogWin32Failure("GetLongPathNameW", path);
            return std::u16string();
        }
        if (length < buffer.size()) {
            buffer.resize(length);
            return buffer;
        }
        buffer.assign(length, u'\0');
    }
    return std::u16string();
}

bool TLuFilefn::DateTimeToFileTime(TDateTime value, FILETIME& result)
{
    if (!std::isfinite(value) || value <= -double(DateTimeEpochDays + 1) || value >= MaxDateTime) return false;
    // The whole part counts days and the fraction is the time of that day, also for negative values
    // (-1.25 is 29 December 1899, 06:00).
    const double days = std::trunc(value);
    const int64_t ms = int64_t(std::llround(std::fabs(value - days) * double(MsPerDay)));
    const int64_t total = (int64_t(days) + DateTimeEpochDays) * MsPerDay + ms;
    if (total < 0) return false;
    const uint64_t ticks = uint64_t(total) * 10000u;
    FILETIME local;
    local.dwLowDateTime = DWORD(ticks);
    local.dwHighDateTime = DWORD(ticks >> 32);
    return ::LocalFileTimeToFileTime(&local, &result) != FALSE;
}

TDateTime TLuFilefn::SystemTimeToDateTime(const SYSTEMTIME& st)
{
    // Days from the civil date (proleptic Gregorian), shifted to the 1899-12-30 epoch.
    const int y = st.wYear - (st.wMonth <= 2 ? 1 : 0);
    const int era = (y >= 0 ? y : y - 399) / 400;
    const int yoe = y - era * 400;
    const int mp = (st.wMonth + 9) % 12;
    const int doy = (153 * mp + 2) / 5 + st.wDay - 1;
    const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    const long days1970 = long(era) * 146097 + doe - 719468;
    const double ms = st.wHour * 3600000.0 + st.wMinute * 60000.0 + st.wSecond * 1000.0 + st.wMilliseconds;
    return double(days1970 + 25569) + ms / 86400000.0;
}

bool TLuFilefn::SetFileTimes(const std::u16string& fileName, const TFileTimes& times)
{
    TUniqueHandle file = FileOpenExisting(fileName, GENERIC_READ | GENERIC_WRITE, 0);
    if (!file) return false;
    FILETIME creation, lastWrite, lastAccess;
    const FILETIME* pCreation = nullptr;
    const FILETIME* pLastWrite = nullptr;
    const FILETIME* pLastAccess = nullptr;
    struct Slot {
        TDateTime value;
        FILETIME* time;
        const FILETIME** pointer;
    };
    const Slot slots[] = {{times.CreationTime, &creation, &pCreation},
                          {times.LastWriteTime, &lastWrite, &pLastWrite},
                          {times.LastAccessTime, &lastAccess, &pLastAccess}};
    for (const Slot& slot : slots) {
        if (slot.value == 0) continue;
        // A time that does not convert would set garbage: fail instead.
        if (!DateTimeToFileTime(slot.value, *slot.time)) return false;
        *slot.pointer = slot.time;
    }
    if (!::SetFileTime(file.Get(), pCreation, pLastAccess, pLastWrite)) {
        LogWin32Failure("SetFileTime", fileName);
        return false;
    }
    return true;
}
