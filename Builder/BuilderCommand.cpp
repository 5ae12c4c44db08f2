#include "BuilderCommand.h"

#include <algorithm>
#include <iomanip>
#include <sstream>
#include <thread>

#include "BodyEncoder.h"
#include "BuilderPlatform.h"
#include "FileData.h"
#include "LuStrUtils.h"
#include "LuStreams.h"
#include "PackageBuilder.h"
#include "PackageFormat.h"
#include "PeResources.h"
#include "Setupfn.h"

namespace fs = std::filesystem;

namespace {

std::string U8(const std::u16string& s) { return Utf16ToUtf8(s); }
std::string U8(const fs::path& p) { return Utf16ToUtf8(p.u16string()); }
std::u16string U16(const std::string& s) { return Utf8ToUtf16(s); }

[[noreturn]] void Fail(const std::string& message) { throw EBuildError(U16(message)); }

TResourceKey PackageKey(const char* name) { return {TResourceId(PackageResourceType), TResourceId(U16(name)), 0}; }

TResourceKey SideKey(const std::u16string& name) { return {TResourceId(PackageResourceType), TResourceId(name), 0}; }

std::string Encoded(std::string plain)
{
    TMemoryStream stream(std::move(plain));
    TSetupfn::EncodeStream(stream);
    return stream.ToString();
}

std::string Decoded(std::string encoded)
{
    TMemoryStream stream(std::move(encoded));
    TSetupfn::DecodeStream(stream);
    return stream.ToString();
}

TVersionFields VersionFields(const TSetupBaseInfo& info, const std::u16string& description, const fs::path& output)
{
    TVersionFields v;
    int parts[4];
    info.GetVersionNumbers(parts[0], parts[1], parts[2], parts[3]);
    for (int i = 0; i < 4; ++i) v.FileVersion[i] = v.ProductVersion[i] = uint16_t(std::clamp(parts[i], 0, 65535));
    v.FileVersionText = v.ProductVersionText = info.Version;
    v.CompanyName = info.CompanyName;
    v.FileDescription = description;
    v.LegalCopyright = info.LegalCopyright;
    v.ProductName = info.ProductName;
    v.OriginalFilename = output.filename().u16string();
    return v;
}

// Writes through a temporary name in the same folder and renames only a complete file, so a
// failed build never leaves a half-written installer under the real name.
void WriteAtomically(const fs::path& target, const std::function<void(TStream&)>& write)
{
    const fs::path temp = target.parent_path() / ("." + U8(target.filename()) + ".tmp");
    try {
        {
            TFileStream out(temp.u16string(), fmCreate);
            write(out);
            out.Close();
        }
        fs::rename(temp, target);
    } catch (...) {
        std::error_code ec;
        fs::remove(temp, ec);
        throw;
    }
}

class TProgressLine {
public:
    TProgressLine(std::ostream& log, bool enabled) : FLog(log), FEnabled(enabled && StandardErrorIsTerminal()) {}
    void Update(int done, int total, uint64_t bytes)
    {
        if (!FEnabled) return;
        FLog << "\r  packing " << done << "/" << total << " files, " << std::fixed << std::setprecision(1)
             << double(bytes) / 1e6 << " MB   " << std::flush;
        FShown = true;
    }
    void End()
    {
        if (FShown) FLog << "\n";
    }

private:
    std::ostream& FLog;
    bool FEnabled;
    bool FShown = false;
};

std::unique_ptr<TPeImage> OpenStub(const fs::path& stub, const std::string& arch, TFileStream& file)
{
    auto image = std::make_unique<TPeImage>(file);
    if (arch == "x86" && image->Is64()) Fail("stub " + U8(stub) + " is a 64-bit executable, but --arch is x86");
    if (arch == "x64" && !image->Is64()) Fail("stub " + U8(stub) + " is a 32-bit executable, but --arch is x64");
    return image;
}

void AddCommonResources(TPeImage& image, const std::vector<TSideResource>& side, const std::string& iconPng,
                        const TVersionFields& version, std::ostream& log, bool quiet)
{
    for (const TSideResource& r : side) image.SetResource(SideKey(r.Name), Encoded(r.Bytes));
    if (!iconPng.empty()) {
        try {
            image.SetMainIcon(iconPng);
        } catch (const EPeFormatError& e) {
            if (!quiet) log << "note: the icon stays the stub's own: " << e.what() << "\n";
        }
    }
    for (const TResourceInfo& r : image.Resources())
        if (r.Key.Type == TResourceId(RT_VERSION_ID)) image.RemoveResource(r.Key);
    image.SetResource({TResourceId(RT_VERSION_ID), TResourceId(1), 0x0409}, BuildVersionInfo(version));
}

fs::path OutputPath(const fs::path& outDir, std::u16string& scriptName, const std::u16string& fallback)
{
    if (Trim(scriptName).empty()) scriptName = fallback;
    const fs::path name = fs::path(scriptName).filename();
    if (name.empty() || name != fs::path(scriptName))
        Fail("output name " + U8(scriptName) + " must be a plain file name");
    return outDir / name;
}

}  // namespace

fs::path DefaultStubPath(const fs::path& builderExe, const std::string& arch)
{
    return builderExe.parent_path() / ("setup-stub-" + arch + ".exe");
}

fs::path DefaultUninstallerPath(const fs::path& builderExe, const std::string& arch)
{
    return builderExe.parent_path() / ("uninstall-" + arch + ".exe");
}

namespace {

// The uninstaller that the installation's uninstall entry names: {app}\Uninstall.exe, with the
// product's icon and version information. Written to `target` with the uninstaller's own
// last-write time, so that the same inputs still give the same installer.
void PrepareUninstaller(const TBuildCommandOptions& options, const TSetupBaseInfo& info, const std::string& iconPng,
                        const fs::path& target, std::ostream& log)
{
    if (options.Uninstaller.empty()) Fail("no uninstaller given (--uninstaller)");
    if (!fs::is_regular_file(options.Uninstaller))
        Fail("uninstaller " + U8(options.Uninstaller) + " not found; name one with --uninstaller, or add an " +
             "{app}\\Uninstall.exe file entry to the script");
    TFileStream file(options.Uninstaller.u16string(), fmOpenRead);
    auto image = std::make_unique<TPeImage>(file);
    if (options.Arch == "x86" && image->Is64())
        Fail("uninstaller " + U8(options.Uninstaller) + " is a 64-bit executable, but --arch is x86");
    if (options.Arch == "x64" && !image->Is64())
        Fail("uninstaller " + U8(options.Uninstaller) + " is a 32-bit executable, but --arch is x64");
    AddCommonResources(*image, {}, iconPng,
                       VersionFields(info, info.UninstallFileDescription, fs::path("Uninstall.exe")), log,
                       options.Quiet);
    WriteAtomically(target, [&](TStream& out) { image->Write(out); });
    fs::last_write_time(target, fs::last_write_time(options.Uninstaller));
}

}  // namespace

TBuildCommandResult RunBuild(const TBuildCommandOptions& options, std::ostream& log)
{
    if (options.Arch != "x86" && options.Arch != "x64") Fail("--arch must be x86 or x64, not " + options.Arch);
    const int jobs = options.Jobs > 0 ? options.Jobs : int(std::max(1u, std::thread::hardware_concurrency()));
    TPackageBuilder builder(options.Script, [&](const std::string& line) {
        if (!options.Quiet) log << line << "\n";
    });
    TSetupBaseInfo& info = *builder.Script().BaseInfo;
    const fs::path outDir = options.OutDir.empty() ? builder.BaseDir() : options.OutDir;
    std::error_code ec;
    fs::create_directories(outDir, ec);
    if (!fs::is_directory(outDir)) Fail("output folder " + U8(outDir) + " cannot be created");
    if (info.BuildMiniSetup && Trim(info.FullDownloadUrl).empty())
        Fail("BuildMiniSetup is set but FullDownloadUrl is empty: the mini setup would have nothing to download");
    if (options.Stub.empty()) Fail("no stub given (--stub)");
    if (!fs::is_regular_file(options.Stub)) Fail("stub " + U8(options.Stub) + " not found");

    const std::u16string stem = options.Script.stem().u16string();
    const fs::path fullPath = OutputPath(outDir, info.FullSetupFile, stem + u"-setup.exe");
    const fs::path miniPath =
        info.BuildMiniSetup ? OutputPath(outDir, info.MiniSetupFile, stem + u"-mini.exe") : fs::path();

    builder.ExpandFiles();
    const std::vector<TSideResource> side = builder.SideResources();
    // Every installation's uninstall entry names {app}\Uninstall.exe: the package delivers it.
    const fs::path uninstallerDir = outDir / ("." + U8(fullPath.filename()) + ".uninstall.tmp");
    struct TRemoveAll {
        fs::path P;
        ~TRemoveAll()
        {
            std::error_code e;
            fs::remove_all(P, e);
        }
    } removeUninstaller{uninstallerDir};
    if (!builder.HasTarget(u"{app}", u"Uninstall.exe")) {
        fs::create_directories(uninstallerDir);
        const fs::path uninstaller = uninstallerDir / "Uninstall.exe";
        PrepareUninstaller(options, info, builder.IconPng(), uninstaller, log);
        builder.AddFile(uninstaller, u"{app}", u"Uninstall.exe");
    }

    // The payload goes to a temporary file first: bodies are written as they are encoded, and
    // the executable copies them from there.
    const fs::path payloadPath = outDir / ("." + U8(fullPath.filename()) + ".payload.tmp");
    struct TRemove {
        fs::path P;
        ~TRemove()
        {
            std::error_code e;
            fs::remove(P, e);
        }
    } removePayload{payloadPath};
    TPayloadStats stats;
    {
        TFileStream payload(payloadPath.u16string(), fmCreate);
        TProgressLine progress(log, !options.Quiet);
        stats = builder.WritePayload(payload, jobs,
                                     [&](int done, int total, uint64_t bytes) { progress.Update(done, total, bytes); });
        progress.End();
        payload.Close();
    }
    const std::string scriptXml = builder.ScriptXml();

    TBuildCommandResult result;
    {
        TFileStream stubFile(options.Stub.u16string(), fmOpenRead);
        TFileStream payload(payloadPath.u16string(), fmOpenRead);
        std::unique_ptr<TPeImage> image = OpenStub(options.Stub, options.Arch, stubFile);
        image->SetResource(PackageKey(SetupScriptResID), Encoded(scriptXml));
        payload.SetPosition(0);
        image->SetResource(PackageKey(FileDataResID), TResourceData::FromStream(payload, payload.Size()));
        AddCommonResources(*image, side, builder.IconPng(), VersionFields(info, info.InstallFileDescription, fullPath),
                           log, options.Quiet);
        WriteAtomically(fullPath, [&](TStream& out) { image->Write(out); });
        result.Written.push_back(fullPath);
    }
    if (info.BuildMiniSetup) {
        TFileStream stubFile(options.Stub.u16string(), fmOpenRead);
        std::unique_ptr<TPeImage> image = OpenStub(options.Stub, options.Arch, stubFile);
        image->SetResource(PackageKey(MiniSetupScriptResID), Encoded(scriptXml));
        AddCommonResources(*image, side, builder.IconPng(), VersionFields(info, info.InstallFileDescription, miniPath),
                           log, true);
        WriteAtomically(miniPath, [&](TStream& out) { image->Write(out); });
        result.Written.push_back(miniPath);
    }
    if (!options.Quiet) {
        log << "packed " << stats.Files << " files (" << stats.Bodies << " distinct bodies), " << stats.PlainBytes
            << " bytes into a payload of " << stats.PayloadBytes << " bytes (" << BodyEncoderName() << ", " << jobs
            << " threads)\n";
        for (const fs::path& p : result.Written) log << "wrote " << U8(p) << " (" << fs::file_size(p) << " bytes)\n";
    }
    return result;
}

namespace {

struct TOpenedPackage {
    TFileStream File;
    TPeImage Image;
    bool Mini = false;
    std::string ScriptXml;
    TSetupScript Script;

    explicit TOpenedPackage(const fs::path& installer) : File(installer.u16string(), fmOpenRead), Image(File)
    {
        if (Image.HasResource(PackageKey(SetupScriptResID))) {
            ScriptXml = Decoded(Image.ReadResource(PackageKey(SetupScriptResID)));
        } else if (Image.HasResource(PackageKey(MiniSetupScriptResID))) {
            Mini = true;
            ScriptXml = Decoded(Image.ReadResource(PackageKey(MiniSetupScriptResID)));
        } else {
            Fail(U8(installer) + " holds no setup script: it is not an installer package");
        }
        TMemoryStream stream(ScriptXml);
        Script.LoadFromStream(stream);
    }

    std::unique_ptr<TFileDataList> Table()
    {
        auto table = std::make_unique<TFileDataList>();
        if (Mini) return table;
        const std::string payload = Image.ReadResource(PackageKey(FileDataResID));
        table->LoadFromBytes(reinterpret_cast<const uint8_t*>(payload.data()), payload.size());
        return table;
    }
};

std::u16string TargetName(const TSetupFile& f) { return f.NewFileName.empty() ? f.SourceMask : f.NewFileName; }

}  // namespace

void RunInspect(const fs::path& installer, bool printScript, std::ostream& out)
{
    TOpenedPackage package(installer);
    if (printScript) {
        out << package.ScriptXml;
        return;
    }
    const TSetupBaseInfo& info = *package.Script.BaseInfo;
    out << "kind:      " << (package.Mini ? "mini setup" : "full setup") << " ("
        << (package.Image.Is64() ? "PE32+" : "PE32") << ")\n";
    out << "product:   " << U8(info.AppTitleCHS);
    if (!info.AppTitleCHT.empty()) out << " / " << U8(info.AppTitleCHT);
    if (!info.AppTitleENG.empty()) out << " / " << U8(info.AppTitleENG);
    out << "\nversion:   " << U8(info.Version) << "\nGUID:      " << U8(info.GUID) << "\nlanguages: CHS";
    if (!info.AppTitleCHT.empty()) out << " CHT";
    if (!info.AppTitleENG.empty()) out << " ENG";
    out << "\n";
    if (package.Mini) out << "downloads: " << U8(info.FullDownloadUrl) << "\n";
    out << "resources:\n";
    for (const TResourceInfo& r : package.Image.Resources())
        out << "  " << std::left << std::setw(10) << U8(r.Key.Type.ToString()) << " " << std::setw(40)
            << U8(r.Key.Name.ToString()) << " " << std::right << std::setw(12) << r.Size << " bytes\n";
    if (package.Mini) return;
    std::unique_ptr<TFileDataList> table = package.Table();
    out << "files:\n";
    const TSetupFileList& files = *package.Script.FileList;
    for (int i = 0; i < files.Count(); ++i) {
        const TSetupFile& f = *files.Items(i);
        const TFileData* body = f.FileBytes > 0 ? table->FindByGUID(f.ResID) : nullptr;
        out << "  " << std::setw(12) << f.FileBytes << "  " << U8(IncludeTrailingBackslash(f.DestDir) + TargetName(f));
        if (f.FileBytes > 0)
            out << (body ? "  (" + std::to_string(body->Bytes) + " bytes packed)" : "  (body missing)");
        out << "\n";
    }
}

fs::path ExtractionPath(const std::u16string& destDir, const std::u16string& fileName)
{
    fs::path result;
    std::u16string all = IncludeTrailingBackslash(destDir) + fileName;
    std::replace(all.begin(), all.end(), u'/', u'\\');
    size_t start = 0;
    while (start <= all.size()) {
        size_t end = all.find(u'\\', start);
        if (end == std::u16string::npos) end = all.size();
        std::u16string part = all.substr(start, end - start);
        part.erase(std::remove_if(part.begin(), part.end(), [](char16_t c) { return c == u'{' || c == u'}'; }),
                   part.end());
        std::replace(part.begin(), part.end(), u':', u'_');
        if (part == u"..") Fail("refusing the path " + U8(all) + ": it leaves the extraction folder");
        if (!part.empty() && part != u".") result /= fs::path(part);
        start = end + 1;
    }
    if (result.empty()) Fail("file entry without a name");
    return result;
}

int RunExtract(const fs::path& installer, const fs::path& dir, std::ostream& log)
{
    TOpenedPackage package(installer);
    std::unique_ptr<TFileDataList> table = package.Table();
    const TSetupFileList& files = *package.Script.FileList;
    int written = 0;
    for (int i = 0; i < files.Count(); ++i) {
        const TSetupFile& f = *files.Items(i);
        const fs::path target = dir / ExtractionPath(f.DestDir, TargetName(f));
        std::string content;
        if (f.FileBytes > 0) {
            const TFileData* body = table->FindByGUID(f.ResID);
            if (!body) Fail("file " + U8(TargetName(f)) + ": its body " + U8(f.ResID) + " is not in the payload");
            content = TFileDataList::DecodeContent(*body).ToString();
        }
        fs::create_directories(target.parent_path());
        WriteFileBytes(target.u16string(), content.data(), content.size());
        log << U8(target) << "\n";
        ++written;
    }
    return written;
}

namespace {

const char* const Usage =
    "usage:\n"
    "  setup-builder build SCRIPT [-o OUTDIR] [--arch x86|x64] [--stub FILE] [--uninstaller FILE] [-j N] [--quiet]\n"
    "  setup-builder inspect INSTALLER [--script]\n"
    "  setup-builder extract INSTALLER DIR\n";

}  // namespace

int BuilderMain(const std::vector<std::string>& args, const fs::path& builderExe, std::ostream& out, std::ostream& err)
{
    auto usage = [&](const std::string& problem) {
        err << "setup-builder: " << problem << "\n" << Usage;
        return 2;
    };
    if (args.empty() || args[0] == "-h" || args[0] == "--help") {
        (args.empty() ? err : out) << Usage;
        return args.empty() ? 2 : 0;
    }
    const std::string& command = args[0];
    try {
        if (command == "build") {
            TBuildCommandOptions o;
            bool stubGiven = false;
            for (size_t i = 1; i < args.size(); ++i) {
                const std::string& a = args[i];
                auto value = [&]() -> std::string {
                    if (i + 1 >= args.size()) throw std::invalid_argument(a + " needs a value");
                    return args[++i];
                };
                if (a == "-o")
                    o.OutDir = fs::path(U16(value()));
                else if (a == "--arch")
                    o.Arch = value();
                else if (a == "--stub") {
                    o.Stub = fs::path(U16(value()));
                    stubGiven = true;
                } else if (a == "--uninstaller")
                    o.Uninstaller = fs::path(U16(value()));
                else if (a == "-j") {
                    const std::string v = value();
                    int32_t n;
                    if (!TryStrToInt(U16(v), n) || n < 1)
                        throw std::invalid_argument("-j needs a positive number, not " + v);
                    o.Jobs = n;
                } else if (a == "--quiet")
                    o.Quiet = true;
                else if (!a.empty() && a[0] == '-')
                    throw std::invalid_argument("unknown option " + a);
                else if (o.Script.empty())
                    o.Script = fs::path(U16(a));
                else
                    throw std::invalid_argument("unexpected argument " + a);
            }
            if (o.Script.empty()) return usage("build needs a SCRIPT");
            if (!stubGiven) {
                o.Stub = DefaultStubPath(builderExe, o.Arch);
                if (!fs::is_regular_file(o.Stub))
                    throw EBuildError(
                        U16("no installer stub for " + o.Arch + " at " + U8(o.Stub) + "; name one with --stub"));
            }
            if (o.Uninstaller.empty()) o.Uninstaller = DefaultUninstallerPath(builderExe, o.Arch);
            RunBuild(o, err);
            return 0;
        }
        if (command == "inspect") {
            if (args.size() < 2 || args.size() > 3 || (args.size() == 3 && args[2] != "--script"))
                return usage("inspect needs INSTALLER [--script]");
            RunInspect(fs::path(U16(args[1])), args.size() == 3, out);
            return 0;
        }
        if (command == "extract") {
            if (args.size() != 3) return usage("extract needs INSTALLER and DIR");
            const int n = RunExtract(fs::path(U16(args[1])), fs::path(U16(args[2])), out);
            err << "extracted " << n << " files\n";
            return 0;
        }
        return usage("unknown command " + command);
    } catch (const std::invalid_argument& e) {
        return usage(e.what());
    } catch (const std::exception& e) {
        err << "setup-builder: " << e.what() << "\n";
        return 1;
    }
}
