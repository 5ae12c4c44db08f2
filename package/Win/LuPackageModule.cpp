#include "LuPackageModule.h"

#include <algorithm>
#include <array>
#include <utility>
#include <vector>

#include "FileData.h"
#include "LuExceptions.h"
#include "LuStrUtils.h"
#include "LuStreams.h"
#include "LuSysUtilsWin.h"
#include "LuWinLog.h"
#include "PackageFormat.h"
#include "Setupfn.h"

namespace {

bool SameFile(const BY_HANDLE_FILE_INFORMATION& a, const BY_HANDLE_FILE_INFORMATION& b)
{
    return a.dwVolumeSerialNumber == b.dwVolumeSerialNumber && a.nFileIndexHigh == b.nFileIndexHigh &&
           a.nFileIndexLow == b.nFileIndexLow;
}

// The SHA-256 of the whole file read through `file`, from its start; false when it cannot be read.
bool HashOfFile(HANDLE file, std::array<uint8_t, 32>& hash)
{
    LARGE_INTEGER zero{};
    if (!::SetFilePointerEx(file, zero, nullptr, FILE_BEGIN)) return false;
    TSha256 sha;
    std::vector<uint8_t> buffer(1 << 16);
    for (;;) {
        DWORD read = 0;
        if (!::ReadFile(file, buffer.data(), DWORD(buffer.size()), &read, nullptr)) return false;
        if (read == 0) break;
        sha.Update(buffer.data(), read);
    }
    hash = sha.Final();
    return true;
}

HRSRC FindPackageResource(HMODULE module, const std::string& name)
{
    if (!module) return nullptr;
    return ::FindResourceA(module, name.c_str(), MAKEINTRESOURCEA(PackageResourceType));
}
}  // namespace

TPackageModule TPackageModule::OpenFile(const std::u16string& fileName)
{
    TPackageModule result;
    const wchar_t* name = W(fileName);
    // Our own handle first: it fails while anyone writes the file, and keeps writers, renames and
    // deletes away until Close.
    result.FFile.Reset(
        ::CreateFileW(name, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!result.FFile) {
        LogWin32Failure("CreateFileW", fileName);
        return result;
    }
    const HMODULE module =
        ::LoadLibraryExW(name, nullptr, LOAD_LIBRARY_AS_DATAFILE_EXCLUSIVE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    if (!module) {
        LogWin32Failure("LoadLibraryExW", fileName);
        result.FFile.Reset();
        return result;
    }
    result.FOwned.Reset(module);
    result.FModule = module;
    return result;
}

TPackageModule TPackageModule::Self()
{
    TPackageModule result;
    result.FModule = ::GetModuleHandleW(nullptr);
    return result;
}

TPackageModule::TPackageModule(TPackageModule&& other) noexcept
    : FModule(other.FModule), FFile(std::move(other.FFile)), FOwned(std::move(other.FOwned))
{
    other.FModule = nullptr;
}

TPackageModule& TPackageModule::operator=(TPackageModule&& other) noexcept
{
    if (this != &other) {
        FOwned = std::move(other.FOwned);
        FFile = std::move(other.FFile);
        FModule = other.FModule;
        other.FModule = nullptr;
    }
    return *this;
}

void TPackageModule::Close()
{
    FOwned.Reset();
    FFile.Reset();
    FModule = nullptr;
}

bool TPackageModule::HasPackageResource(const std::string& name) const
{
    return FindPackageResource(FModule, name) != nullptr;
}

TResourceBytes TPackageModule::ResourceBytes(const std::string& name) const
{
    const HRSRC info = FindPackageResource(FModule, name);
    const HGLOBAL loaded = info ? ::LoadResource(FModule, info) : nullptr;
    const void* data = loaded ? ::LockResource(loaded) : nullptr;
    if (!data) throw EResNotFound(Format(u"Resource %s not found", {Utf8ToUtf16(name)}));
    TResourceBytes bytes;
    bytes.Data = static_cast<const uint8_t*>(data);
    bytes.Size = ::SizeofResource(FModule, info);
    return bytes;
}

bool TPackageModule::LoadPackageResource(const std::string& name, TMemoryStream& stream) const
{
    const TResourceBytes bytes = ResourceBytes(name);
    stream.Assign(bytes.Data, bytes.Size);
    TSetupfn::DecodeStream(stream);
    return true;
}

bool TPackageModule::LoadFileTable(TFileDataList& list) const
{
    const TResourceBytes bytes = ResourceBytes(FileDataResID);
    return list.LoadFromBytes(bytes.Data, bytes.Size);
}

// ---- TPackageFileWriter -------------------------------------------------------------------------

TPackageFileWriter::TPackageFileWriter(const std::u16string& fileName) : FFileName(fileName)
{
    // CREATE_NEW: a file that someone placed under this name beforehand is never written into.
    FFile.Reset(::CreateFileW(W(fileName), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!FFile) {
        const DWORD error = ::GetLastError();
        LogWin32Failure("CreateFileW", fileName, error);
        throw EFCreateError(Format(u"Cannot create file \"%s\". %s", {fileName, SysErrorMessage(error)}));
    }
}

int64_t TPackageFileWriter::Read(void*, int64_t) { return 0; }

int64_t TPackageFileWriter::Write(const void* buffer, int64_t count)
{
    if (!FFile || count <= 0) return 0;
    const auto* bytes = static_cast<const uint8_t*>(buffer);
    int64_t done = 0;
    while (done < count) {
        const DWORD chunk = DWORD(std::min<int64_t>(count - done, 1 << 30));
        DWORD written = 0;
        if (!::WriteFile(FFile.Get(), bytes + done, chunk, &written, nullptr) || written == 0) {
            LogWin32Failure("WriteFile", FFileName);
            break;
        }
        FHash.Update(bytes + done, written);
        done += written;
    }
    FLength += done;
    return done;
}

int64_t TPackageFileWriter::Seek(int64_t offset, TSeekOrigin origin)
{
    int64_t target = offset;
    if (origin == TSeekOrigin::soCurrent || origin == TSeekOrigin::soEnd) target = FLength + offset;
    if (target != FLength && target != 0) throw EWriteError(u"A package file is written in order only");
    if (target == 0 && FLength != 0) SetSize(0);
    return FLength;
}

void TPackageFileWriter::SetSize(int64_t size)
{
    if (size == FLength) return;
    if (size != 0) throw EWriteError(u"A package file is written in order only");
    LARGE_INTEGER zero{};
    if (!FFile || !::SetFilePointerEx(FFile.Get(), zero, nullptr, FILE_BEGIN) || !::SetEndOfFile(FFile.Get()))
        throw EWriteError(u"Stream write error");
    FHash = TSha256();
    FLength = 0;
}

void TPackageFileWriter::Finish()
{
    if (FFinished) return;
    FFinished = true;
    if (!FFile) return;
    if (!::FlushFileBuffers(FFile.Get()) || !::GetFileInformationByHandle(FFile.Get(), &FIdentity)) {
        const DWORD error = ::GetLastError();
        FFile.Reset();
        throw EWriteError(Format(u"Cannot write file \"%s\". %s", {FFileName, SysErrorMessage(error)}));
    }
    FIdentified = true;
    FWritten = FHash.Final();
    FFile.Reset();  // a mapping cannot be made while this process writes the file
}

TPackageModule TPackageFileWriter::OpenModule()
{
    Finish();
    if (!FIdentified) return TPackageModule();

    TPackageModule module = TPackageModule::OpenFile(FFileName);
    if (!module.IsOpen()) return module;
    BY_HANDLE_FILE_INFORMATION identity{};
    std::array<uint8_t, 32> found{};
    if (!::GetFileInformationByHandle(module.FileHandle(), &identity) || !SameFile(identity, FIdentity) ||
        !HashOfFile(module.FileHandle(), found) || found != FWritten) {
        LogWin32Failure("package file changed after it was written", FFileName, ERROR_FILE_INVALID);
        module.Close();
    }
    return module;
}
