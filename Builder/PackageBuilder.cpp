#include "PackageBuilder.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <ctime>
#include <exception>
#include <map>
#include <mutex>
#include <thread>
#include <unordered_set>

#include "BodyEncoder.h"
#include "BuilderPlatform.h"
#include "FileData.h"
#include "LuStrUtils.h"
#include "LuStreams.h"
#include "SetupNames.h"
#include "Setupfn.h"
#include "Sha256.h"

namespace fs = std::filesystem;

namespace {

std::string U8(const std::u16string& s) { return Utf16ToUtf8(s); }
std::string U8(const fs::path& p) { return Utf16ToUtf8(p.u16string()); }

[[noreturn]] void Fail(const std::string& message) { throw EBuildError(Utf8ToUtf16(message)); }

std::string ReadAll(const fs::path& file, const std::string& what)
{
    try {
        return ReadFileBytes(file.u16string());
    } catch (const Exception& e) {
        Fail(what + ": cannot read " + U8(file) + ": " + e.what());
    }
}

int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d)
{
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = unsigned(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + int64_t(doe) - 719468;
}

bool HasWildcard(std::u16string_view mask) { return mask.find_first_of(u"*?") != std::u16string_view::npos; }

std::u16string JoinBackslash(const std::u16string& base, const std::u16string& rel)
{
    if (rel.empty()) return base;
    if (base.empty()) return rel;
    return IncludeTrailingBackslash(base) + rel;
}

struct TFound {
    fs::path Path;
    std::u16string RelDir;  // subfolder below the entry's folder, "\"-separated, empty at the top
    uint64_t Size;
};

void Collect(const fs::path& folder, const std::u16string& relDir, const std::u16string& mask, bool wildcard,
             bool subfolders, std::vector<TFound>& out)
{
    std::vector<fs::directory_entry> entries;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) entries.push_back(*it);
    if (ec) Fail("cannot list folder " + U8(folder) + ": " + ec.message());
    // Directory order differs between file systems; sorted names keep builds reproducible.
    std::sort(entries.begin(), entries.end(), [](const fs::directory_entry& a, const fs::directory_entry& b) {
        return a.path().u16string() < b.path().u16string();
    });
    for (const fs::directory_entry& e : entries) {
        const std::u16string name = e.path().filename().u16string();
        if (!e.is_regular_file(ec)) continue;
        if (wildcard ? MatchesMask(name, mask) : name == mask)
            out.push_back({e.path(), relDir, uint64_t(e.file_size(ec))});
    }
    if (!subfolders) return;
    for (const fs::directory_entry& e : entries)
        if (e.is_directory(ec) && !e.is_symlink(ec))
            Collect(e.path(), JoinBackslash(relDir, e.path().filename().u16string()), mask, wildcard, true, out);
}

// True when path lies below dir (both canonical), comparing whole components.
bool IsBelow(const fs::path& path, const fs::path& dir)
{
    const auto [d, p] = std::mismatch(dir.begin(), dir.end(), path.begin(), path.end());
    return d == dir.end() && p != path.end();
}

// Refuses a file that Windows could not install under the name it gets below DestDir (its folders
// below the entry's folder, then its own name or NewFileName), and a link that would pull a file
// from outside the entry's folder into the package.
void CheckSourceFile(const std::string& label, const fs::path& folder, const TFound& f, const std::u16string& newName)
{
    std::u16string reason;
    auto check = [&](const std::u16string& part) {
        if (!IsValidWindowsFileName(part, &reason))
            Fail(label + ": " + U8(f.Path) + " has no valid name on Windows: " + U8(reason));
    };
    for (const fs::path& part : f.Path.lexically_relative(folder).parent_path()) check(part.u16string());
    if (newName.empty()) check(f.Path.filename().u16string());
    // The names hold no "\" now, so the joined path splits as it was built.
    const std::u16string name = JoinBackslash(f.RelDir, newName.empty() ? f.Path.filename().u16string() : newName);
    if (!IsValidRelativeTarget(name, &reason))
        Fail(label + ": " + U8(f.Path) + " cannot be installed as " + U8(name) + ": " + U8(reason));
    std::error_code ec;
    if (!fs::is_symlink(f.Path, ec)) return;
    const fs::path top = fs::canonical(folder, ec);
    const fs::path target = ec ? fs::path() : fs::canonical(f.Path, ec);
    if (ec) Fail(label + ": cannot resolve the link " + U8(f.Path) + ": " + ec.message());
    if (!IsBelow(target, top))
        Fail(label + ": " + U8(f.Path) + " is a link to " + U8(target) + ", outside the entry's folder " + U8(top));
}

// A target as Windows tells targets apart: "\" for "/" and placeholders in one case (they expand
// ignoring case).
std::u16string SpelledTarget(std::u16string t)
{
    std::replace(t.begin(), t.end(), u'/', u'\\');
    bool inPlaceholder = false;
    for (char16_t& c : t) {
        if (c == u'{')
            inPlaceholder = true;
        else if (c == u'}')
            inPlaceholder = false;
        else if (inPlaceholder)
            c = UpperCaseChar(c);
    }
    return t;
}

}  // namespace

bool MatchesMask(std::u16string_view name, std::u16string_view mask)
{
    // Iterative wildcard match with one backtrack point for the last "*".
    size_t n = 0, m = 0, starM = std::u16string_view::npos, starN = 0;
    while (n < name.size()) {
        if (m < mask.size() && (mask[m] == u'?' || UpperCaseChar(mask[m]) == UpperCaseChar(name[n]))) {
            ++n;
            ++m;
        } else if (m < mask.size() && mask[m] == u'*') {
            starM = m++;
            starN = n;
        } else if (starM != std::u16string_view::npos) {
            m = starM + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (m < mask.size() && mask[m] == u'*') ++m;
    return m == mask.size();
}

double FileLastWriteDate(const fs::path& file)
{
    const std::tm local = FileLastWriteLocalTime(file);
    const int64_t days = DaysFromCivil(local.tm_year + 1900, unsigned(local.tm_mon + 1), unsigned(local.tm_mday)) -
                         DaysFromCivil(1899, 12, 30);
    return double(days) + (local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec) / 86400.0;
}

std::u16string TPackageBuilder::ContentKey(const std::string& bytes)
{
    const std::array<uint8_t, 32> digest = TSha256::Of(bytes.data(), bytes.size());
    return TLuStrfn::GUIDToString(digest.data());
}

TPackageBuilder::TPackageBuilder(const fs::path& scriptFile, TLog log)
    : FScript(std::make_unique<TSetupScript>()), FBaseDir(scriptFile.parent_path()), FLog(std::move(log))
{
    if (FBaseDir.empty()) FBaseDir = ".";
    const std::string xml = ReadAll(scriptFile, "script");
    TXmlDocument doc;
    try {
        doc.LoadFromBuffer(xml.data(), xml.size());
        TMemoryStream stream(xml);
        FScript->LoadFromStream(stream);
    } catch (const Exception& e) {
        Fail("script " + U8(scriptFile) + " is not a readable setup script: " + e.what());
    }
    const TXmlNode* baseInfo = doc.Root ? doc.Root->FindChild(u"BaseInfo") : nullptr;
    if (!baseInfo || !baseInfo->FindAttribute(u"GUID") || Trim(FScript->BaseInfo->GUID).empty())
        Fail("script " + U8(scriptFile) +
             " has no GUID: every build would get a new product key and an upgrade would never find the "
             "earlier installation. Add this to its BaseInfo element: GUID=\"" +
             U8(TLuStrfn::NewGUIDString()) + "\"");
    if (!doc.Root->FindChild(u"VarList")) {
        // The default variable {GUID} would be random at every build; the product key is the
        // reproducible choice.
        FScript->VarList->AddVar(u"{GUID}")->VarValue = FScript->BaseInfo->GUID;
        Note("note: the script has no VarList; the default variable {GUID} takes the product GUID");
    }
}

void TPackageBuilder::Note(const std::string& text) const
{
    if (FLog) FLog(text);
}

fs::path TPackageBuilder::Resolve(const std::u16string& scriptPath) const
{
    const fs::path path(NativeScriptPath(scriptPath));
    return path.is_absolute() ? path : FBaseDir / path;
}

void TPackageBuilder::ExpandFiles()
{
    TSetupFileList& list = *FScript->FileList;
    std::vector<std::unique_ptr<TSetupFile>> expanded;
    std::vector<TSourceFile> files;
    struct TTarget {
        std::u16string Spelled;
        std::u16string Target;
        std::string Label;
        fs::path Source;
    };
    std::map<std::u16string, TTarget> targets;  // by the target in capitals
    for (int i = 0; i < list.Count(); ++i) {
        const TSetupFile& entry = *list.Items(i);
        const std::string label = "file entry " + std::to_string(i + 1) + " (" + U8(entry.SourceMask) + ")";
        if (Trim(entry.SourceMask).empty()) Fail(label + ": SourceMask is empty");
        const fs::path folder = Resolve(entry.SourcePath);
        std::error_code ec;
        if (!fs::is_directory(folder, ec)) Fail(label + ": source folder " + U8(folder) + " does not exist");
        const bool wildcard = HasWildcard(entry.SourceMask);
        std::vector<TFound> found;
        Collect(folder, u"", entry.SourceMask, wildcard, entry.IncludeSubPath, found);
        if (found.empty())
            Fail(label + ": " + (wildcard ? "no file matches " : "file not found: ") +
                 U8(folder / fs::path(entry.SourceMask)));
        if (!entry.NewFileName.empty() && found.size() > 1)
            Fail(label + ": NewFileName is set but the mask matches " + std::to_string(found.size()) + " files");
        for (const TFound& f : found) {
            CheckSourceFile(label, folder, f, entry.NewFileName);
            if (f.Size > uint64_t(INT32_MAX))
                Fail(label + ": " + U8(f.Path) + " is larger than the package format allows (2 GiB)");
            std::unique_ptr<TXmlPersistent> clone = entry.Clone();
            std::unique_ptr<TSetupFile> e(static_cast<TSetupFile*>(clone.release()));
            e->SourceMask = f.Path.filename().u16string();
            e->SourcePath = JoinBackslash(entry.SourcePath, f.RelDir);
            e->DestDir = JoinBackslash(entry.DestDir, f.RelDir);
            e->FileBytes = int32_t(f.Size);
            e->LastWriteDate = FileLastWriteDate(f.Path);
            e->ResID.clear();
            // Windows' names ignore case: two targets that differ only in case are one file there,
            // and one of them would silently replace the other. The same target twice is the
            // script's own choice (the later entry wins) and stays allowed.
            const std::u16string target =
                IncludeTrailingBackslash(e->DestDir) + (e->NewFileName.empty() ? e->SourceMask : e->NewFileName);
            const std::u16string spelled = SpelledTarget(target);
            const auto [seen, added] = targets.try_emplace(UpperCase(spelled), TTarget{spelled, target, label, f.Path});
            if (!added && seen->second.Spelled != spelled)
                Fail(label + ": " + U8(f.Path) + " would be installed as " + U8(target) +
                     ", which differs only in case from " + U8(seen->second.Target) + " (" + seen->second.Label + ", " +
                     U8(seen->second.Source) + "): Windows would keep only one of them");
            files.push_back({f.Path, f.Size, e.get()});
            expanded.push_back(std::move(e));
        }
    }
    list.Clear();
    for (auto& e : expanded) list.Add(std::move(e));
    FFiles = std::move(files);
}

void TPackageBuilder::AddFile(const fs::path& source, const std::u16string& destDir, const std::u16string& name)
{
    std::error_code ec;
    const uint64_t size = fs::file_size(source, ec);
    if (ec) Fail("cannot read " + U8(source) + ": " + ec.message());
    auto e = std::make_unique<TSetupFile>();
    e->DestDir = destDir;
    e->SourceMask = name;
    e->FileBytes = int32_t(size);
    e->LastWriteDate = FileLastWriteDate(source);
    FFiles.push_back({source, size, e.get()});
    FScript->FileList->Add(std::move(e));
}

bool TPackageBuilder::HasTarget(const std::u16string& destDir, const std::u16string& name) const
{
    const std::u16string wanted = IncludeTrailingBackslash(destDir) + name;
    const TSetupFileList& list = *FScript->FileList;
    for (int i = 0; i < list.Count(); ++i) {
        const TSetupFile& f = *list.Items(i);
        if (SameText(IncludeTrailingBackslash(f.DestDir) + (f.NewFileName.empty() ? f.SourceMask : f.NewFileName),
                     wanted))
            return true;
    }
    return false;
}

std::vector<TSideResource> TPackageBuilder::SideResources()
{
    TSetupBaseInfo& info = *FScript->BaseInfo;
    std::vector<TSideResource> out;
    auto side = [&](const char* what, const std::u16string& file, std::u16string& resId, const char16_t* defaultName,
                    bool png) {
        if (file.empty()) {
            if (!resId.empty())
                Fail(std::string(what) + ": the script names the resource " + U8(resId) + " but gives no file for it");
            return;
        }
        const fs::path path = Resolve(file);
        std::string bytes = ReadAll(path, what);
        if (png && (bytes.size() < 8 || bytes.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0))
            Fail(std::string(what) + ": " + U8(path) + " is not a PNG image");
        if (png) FIconPng = bytes;
        if (resId.empty()) resId = defaultName;
        out.push_back({resId, std::move(bytes)});
    };
    side("IconFile", info.IconFile, info.IconResID, u"LOGO", true);
    side("LicenseFileCHS", info.LicenseFileCHS, info.LicenseCHSResID, u"LICENSE_CHS", false);
    side("LicenseFileCHT", info.LicenseFileCHT, info.LicenseCHTResID, u"LICENSE_CHT", false);
    side("LicenseFileENG", info.LicenseFileENG, info.LicenseENGResID, u"LICENSE_ENG", false);
    // The installer's window loads the logo at start and cannot run without it.
    if (FIconPng.empty()) Fail("IconFile is empty: the installer shows the product logo and needs one (a PNG image)");
    return out;
}

std::string TPackageBuilder::ScriptXml() const
{
    TMemoryStream stream;
    FScript->SaveToStream(stream);
    return stream.ToString();
}

namespace {

// Encodes bodies on worker threads, at most `window` ahead of the writer, so that memory holds
// a few bodies whatever the size of the package.
class TBodyPipeline {
public:
    struct TBody {
        std::string Encoded;
        std::u16string Key;
        bool Ready = false;
        std::exception_ptr Error;
    };

    TBodyPipeline(const std::vector<const TSourceFile*>& files, int jobs)
        : FFiles(files), FBodies(files.size()), FWindow(size_t(std::max(2 * jobs, 4)))
    {
        for (int i = 0; i < jobs; ++i) FThreads.emplace_back([this] { Work(); });
    }

    ~TBodyPipeline()
    {
        {
            std::lock_guard<std::mutex> lock(FMutex);
            FStop = true;
        }
        FChanged.notify_all();
        for (std::thread& t : FThreads) t.join();
    }

    // Waits for body i, hands it over and lets the workers move on.
    TBody Take(size_t i)
    {
        std::unique_lock<std::mutex> lock(FMutex);
        FChanged.wait(lock, [&] { return FBodies[i].Ready; });
        TBody body = std::move(FBodies[i]);
        FTaken = i + 1;
        lock.unlock();
        FChanged.notify_all();
        if (body.Error) std::rethrow_exception(body.Error);
        return body;
    }

private:
    void Work()
    {
        for (;;) {
            size_t i;
            {
                std::unique_lock<std::mutex> lock(FMutex);
                FChanged.wait(lock, [&] { return FStop || FNext >= FFiles.size() || FNext < FTaken + FWindow; });
                if (FStop || FNext >= FFiles.size()) return;
                i = FNext++;
            }
            TBody body;
            try {
                const TSourceFile& f = *FFiles[i];
                std::string bytes = ReadAll(f.Path, "file");
                if (bytes.size() != f.Size) Fail("file " + U8(f.Path) + " changed during the build");
                body.Key = TPackageBuilder::ContentKey(bytes);
                body.Encoded = EncodeBody(bytes);
            } catch (...) {
                body.Error = std::current_exception();
            }
            body.Ready = true;
            {
                std::lock_guard<std::mutex> lock(FMutex);
                FBodies[i] = std::move(body);
            }
            FChanged.notify_all();
        }
    }

    const std::vector<const TSourceFile*>& FFiles;
    std::vector<TBody> FBodies;
    const size_t FWindow;
    std::mutex FMutex;
    std::condition_variable FChanged;
    size_t FNext = 0;
    size_t FTaken = 0;
    bool FStop = false;
    std::vector<std::thread> FThreads;
};

void WriteInt32LE(TStream& out, int32_t value)
{
    const uint32_t v = uint32_t(value);
    const uint8_t b[4] = {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
    out.WriteBuffer(b, 4);
}

}  // namespace

TPayloadStats TPackageBuilder::WritePayload(TStream& out, int jobs, TProgress progress)
{
    std::vector<const TSourceFile*> withContent;
    for (const TSourceFile& f : FFiles)
        if (f.Size > 0) withContent.push_back(&f);

    TPayloadStats stats;
    TFileDataList table;
    std::unordered_set<std::u16string> stored;
    uint64_t offset = 0;
    {
        TBodyPipeline pipeline(withContent, std::max(jobs, 1));
        for (size_t i = 0; i < withContent.size(); ++i) {
            TBodyPipeline::TBody body = pipeline.Take(i);
            const TSourceFile& f = *withContent[i];
            f.Entry->ResID = body.Key;
            stats.Files++;
            stats.PlainBytes += f.Size;
            if (stored.insert(body.Key).second) {
                if (offset + body.Encoded.size() > uint64_t(INT32_MAX))
                    Fail("the package would pass the 2 GiB limit of its format at " + U8(f.Path));
                auto entry = std::make_unique<TFileData>();
                entry->GUID = body.Key;
                entry->Offset = int32_t(offset);
                entry->Bytes = int32_t(body.Encoded.size());
                table.Add(std::move(entry));
                out.WriteBuffer(body.Encoded.data(), int64_t(body.Encoded.size()));
                offset += body.Encoded.size();
                stats.Bodies++;
            }
            if (progress) progress(int(i + 1), int(withContent.size()), stats.PlainBytes);
        }
    }
    TMemoryStream tableStream;
    table.SaveToStream(tableStream);
    TSetupfn::EncodeStream(tableStream);
    if (offset + uint64_t(tableStream.Size()) + 4 > uint64_t(INT32_MAX))
        Fail("the package would pass the 2 GiB limit of its format");
    out.WriteBuffer(tableStream.Memory(), tableStream.Size());
    WriteInt32LE(out, int32_t(tableStream.Size()));
    stats.PayloadBytes = offset + uint64_t(tableStream.Size()) + 4;
    return stats;
}
