#include "LuPackageModule.h"

#include <utility>

#include "FileData.h"
#include "LuExceptions.h"
#include "LuStrUtils.h"
#include "LuStreams.h"
#include "LuWinLog.h"
#include "PackageFormat.h"
#include "Setupfn.h"

namespace {
HRSRC FindPackageResource(HMODULE module, const std::string& name)
{
    if (!module) return nullptr;
    return ::FindResourceA(module, name.c_str(), MAKEINTRESOURCEA(PackageResourceType));
}
}  // namespace

TPackageModule TPackageModule::OpenFile(const std::u16string& fileName)
{
    TPackageModule result;
    const wchar_t* name = reinterpret_cast<const wchar_t*>(fileName.c_str());
    // Our own handle first: it fails while anyone writes the file, and keeps writers, renames and
    // deletes away until Close.
    result.FFile.Reset(::CreateFileW(name, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
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
