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

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "LuHandles.h"
#include "LuStreams.h"
#include "Sha256.h"

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
    // The module's own handle of its file (shared for reading only); nullptr for Self().
    HANDLE FileHandle() const { return FFile.Get(); }
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

// A package file that this process writes and then opens as its package module, with nothing able
// to swap it in between. The file is created new (an existing file of that name is an error, never
// reused) through a handle that lets others read it but not write, rename or delete it, and it is
// written in order as the bytes arrive. That handle must be closed before the file can be opened
// as a module, and the module's own handle then keeps writers and deleters away; the moment
// between the two is covered by a check: the module's handle must reach the same file (volume and
// file index) holding the same bytes (SHA-256) as were written, or the module is not used.
class TPackageFileWriter : public TStream {
public:
    // Raises EFCreateError "Cannot create file "%s". %s" when the file cannot be created.
    explicit TPackageFileWriter(const std::u16string& fileName);
    ~TPackageFileWriter() override = default;  // closes the handle; the file stays

    const std::u16string& FileName() const { return FFileName; }

    // Write-only, in order: reading gives nothing, and the position can only stay at the end or go
    // back to 0 together with SetSize(0), which starts the file again.
    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    void SetSize(int64_t size) override;

    // Ends the writing: flushes the file, notes which file it is and the hash of its bytes, and
    // closes the handle. Raises EWriteError when the bytes cannot be flushed.
    void Finish();
    // Finishes when that has not been done, and opens the file as a package module: a module
    // without resources (IsOpen() false) when it cannot be opened, or when it is not the file
    // written or its bytes changed since.
    TPackageModule OpenModule();

private:
    std::u16string FFileName;
    TUniqueHandle FFile;
    TSha256 FHash;
    int64_t FLength = 0;
    bool FFinished = false;
    bool FIdentified = false;  // FIdentity and FWritten describe the file
    BY_HANDLE_FILE_INFORMATION FIdentity{};
    std::array<uint8_t, 32> FWritten{};
};
