// Turns a setup script and the files it names into the parts of a package: the built script, the
// payload (bodies and file table) and the side resources. Portable.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "LuExceptions.h"
#include "SetupScript.h"

class TStream;

// A build stops with a message that names the entry and the path.
LU_DECLARE_EXCEPTION(EBuildError, Exception);

// One file of the package after its entry's mask was expanded.
struct TSourceFile {
    std::filesystem::path Path;
    uint64_t Size = 0;
    TSetupFile* Entry = nullptr;  // its entry in the built script
};

// One side resource: its name in the package and its plain (not yet encoded) bytes.
struct TSideResource {
    std::u16string Name;
    std::string Bytes;
};

struct TPayloadStats {
    int Files = 0;   // files with content
    int Bodies = 0;  // bodies stored (identical content is stored once)
    uint64_t PlainBytes = 0;
    uint64_t PayloadBytes = 0;
};

class TPackageBuilder {
public:
    // Messages for the user (notes, progress); the builder prints nothing itself.
    using TLog = std::function<void(const std::string&)>;
    using TProgress = std::function<void(int done, int total, uint64_t bytes)>;

    // Loads the script (XML) and resolves its relative paths against the script's folder.
    explicit TPackageBuilder(const std::filesystem::path& scriptFile, TLog log = nullptr);

    TSetupScript& Script() { return *FScript; }
    const std::filesystem::path& BaseDir() const { return FBaseDir; }

    // Replaces every file entry by one entry per concrete file (masks, subfolders), filling
    // SourceMask, FileBytes and LastWriteDate. Raises EBuildError for a missing file or a mask
    // that matches nothing.
    void ExpandFiles();
    const std::vector<TSourceFile>& Files() const { return FFiles; }
    // Appends one more file entry, as ExpandFiles makes them: installed as destDir\name, with the
    // source file's size and last-write time. Its SourcePath stays empty: the file is the
    // builder's own, not one of the script's folders.
    void AddFile(const std::filesystem::path& source, const std::u16string& destDir, const std::u16string& name);
    // True when a file entry (after ExpandFiles) installs to this target, ignoring case.
    bool HasTarget(const std::u16string& destDir, const std::u16string& name) const;

    // Reads the icon and licence files and names their resources (names the script leaves empty
    // are chosen here and written into the script).
    std::vector<TSideResource> SideResources();
    // The icon file's bytes, empty when the script names none (for the executable's own icon).
    const std::string& IconPng() const { return FIconPng; }

    // Writes the payload to out: each file's body encoded once per distinct content, in file
    // order, then the encoded file table and its length. Fills ResID of every entry with content.
    // Bodies are encoded on `jobs` threads; memory holds at most a few bodies.
    TPayloadStats WritePayload(TStream& out, int jobs, TProgress progress = nullptr);

    // The built script as plain XML.
    std::string ScriptXml() const;

    // The content key of a body: the first 128 bits of its SHA-256, as GUID text.
    static std::u16string ContentKey(const std::string& bytes);

private:
    std::filesystem::path Resolve(const std::u16string& scriptPath) const;
    void Note(const std::string& text) const;

    std::unique_ptr<TSetupScript> FScript;
    std::filesystem::path FBaseDir;
    std::vector<TSourceFile> FFiles;
    std::string FIconPng;
    TLog FLog;
};

// The file's last-write time as a local TDateTime, to the second.
double FileLastWriteDate(const std::filesystem::path& file);
// True when the name matches the mask ("*" any run, "?" one character), ignoring case.
bool MatchesMask(std::u16string_view name, std::u16string_view mask);
