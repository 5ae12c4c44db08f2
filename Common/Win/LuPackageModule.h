// The package module: the executable whose RT_RCDATA resources form the package.
//
// A package file is opened as a resource-only mapping: none of its code runs and none of its
// imports is loaded, so a damaged or hostile download cannot act when it is opened, and an
// executable whose imports cannot be resolved still yields its resources. While it is open the
// file can be read by others but not written, renamed or deleted: the mapping is exclusive, and
// the module keeps a handle of its own that shares reading only (the loader's exclusive mode alone
// lets a file be renamed on some systems).
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "LuHandles.h"

class TMemoryStream;
class TFileDataList;

// The bytes of one resource, in place inside the mapped module; valid while it stays open.
struct TResourceBytes {
    const uint8_t* Data = nullptr;
    size_t Size = 0;
};

class TPackageModule {
public:
    // No module: it holds no resource.
    TPackageModule() = default;
    // Opens the file as a resource-only module. A file that cannot be opened as a module gives a
    // module without resources (IsOpen() false); nothing is raised.
    static TPackageModule OpenFile(const std::u16string& fileName);
    // The running executable itself; never released.
    static TPackageModule Self();

    // A moved-from module holds nothing.
    TPackageModule(TPackageModule&& other) noexcept;
    TPackageModule& operator=(TPackageModule&& other) noexcept;
    TPackageModule(const TPackageModule&) = delete;
    TPackageModule& operator=(const TPackageModule&) = delete;

    bool IsOpen() const { return FModule != nullptr; }
    HMODULE Handle() const { return FModule; }
    // Releases the module (a no-op for Self()).
    void Close();

    // True when the module has an RT_RCDATA resource of that name.
    bool HasPackageResource(const std::string& name) const;
    // The resource's bytes without a copy. Raises EResNotFound "Resource %s not found".
    TResourceBytes ResourceBytes(const std::string& name) const;
    // Fills the stream with the decoded content of the resource; true whenever it returns.
    // Raises EResNotFound for a missing resource and the codec's errors for damaged data.
    bool LoadPackageResource(const std::string& name, TMemoryStream& stream) const;
    // Reads the payload resource (FileDataResID) into the file table. Raises EResNotFound when
    // the module has none, and the file table's errors for a damaged payload.
    bool LoadFileTable(TFileDataList& list) const;

private:
    HMODULE FModule = nullptr;
    TUniqueHandle FFile;   // the open file, shared for reading only; empty for Self()
    TModuleHandle FOwned;  // set for opened files, empty for Self()
};
