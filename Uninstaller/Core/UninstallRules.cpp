#include "UninstallRules.h"

#include <algorithm>
#include <cmath>

#include "InstallPlan.h"
#include "LocalTexts.h"
#include "LuStrUtils.h"
#include "LuStreams.h"
#include "SetupNames.h"
#include "Setupfn.h"

// ---- Data files ---------------------------------------------------------------------------------

namespace {

std::string Decode(std::string_view encoded, const char16_t* fileName)
{
    if (encoded.empty()) throw EUninstallDataError(std::u16string(fileName) + u" is empty");
    TMemoryStream stream{std::string(encoded)};
    try {
        TSetupfn::DecodeStream(stream);
    } catch (const EZlibError&) {
        throw EUninstallDataError(std::u16string(fileName) + u" is damaged: it does not decode");
    }
    return stream.ToString();
}

}  // namespace

std::unique_ptr<TSetupScript> LoadUninstallScript(std::string_view encoded)
{
    const std::string xml = Decode(encoded, u"Uninstall.da1");
    auto script = std::make_unique<TSetupScript>();
    try {
        TXmlDocument doc;
        doc.LoadFromBuffer(xml.data(), xml.size());
        if (!doc.Root || doc.Root->GetName() != u"TSetupScript")
            throw EUninstallDataError(u"Uninstall.da1 is damaged: it holds no setup script");
        TMemoryStream stream{std::string(xml)};
        script->LoadFromStream(stream);
    } catch (const EUninstallDataError&) {
        throw;
    } catch (const Exception& e) {
        throw EUninstallDataError(u"Uninstall.da1 is damaged: " + e.Message());
    }
    if (Trim(script->BaseInfo->GUID).empty())
        throw EUninstallDataError(u"Uninstall.da1 is damaged: the product has no GUID");
    return script;
}

std::string LoadUninstallIcon(std::string_view encoded)
{
    std::string png = Decode(encoded, u"Uninstall.da2");
    if (png.size() < 8 || png.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0)
        throw EUninstallDataError(u"Uninstall.da2 is damaged: it holds no PNG image");
    return png;
}

// ---- Paths --------------------------------------------------------------------------------------

namespace {

std::u16string Backslashed(std::u16string_view path)
{
    std::u16string p(path);
    std::replace(p.begin(), p.end(), u'/', u'\\');
    return p;
}

bool IsDriveLetter(char16_t c) { return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z'); }

// Length of the "C:\" or "\\server\share\" start of an absolute path; 0 when there is none.
size_t AbsolutePrefix(const std::u16string& p)
{
    if (p.size() >= 3 && IsDriveLetter(p[0]) && p[1] == u':' && p[2] == u'\\') return 3;
    if (p.compare(0, 2, u"\\\\") == 0) {
        const size_t server = p.find(u'\\', 2);
        if (server == std::u16string::npos || server == 2) return 0;
        const size_t share = p.find(u'\\', server + 1);
        if (share == std::u16string::npos || share == server + 1) return 0;
        return share + 1;
    }
    return 0;
}

bool HasBadName(const std::u16string& p)
{
    if (p.compare(0, 4, u"\\\\?\\") == 0 || p.compare(0, 4, u"\\\\.\\") == 0) return true;
    const size_t start = AbsolutePrefix(p);
    if (start == 0) return true;
    size_t i = start;
    while (i <= p.size()) {
        size_t end = p.find(u'\\', i);
        if (end == std::u16string::npos) end = p.size();
        if (!IsValidWindowsFileName(std::u16string_view(p).substr(i, end - i))) return true;
        i = end + 1;
    }
    return false;
}

bool StartsWithText(std::u16string_view text, std::u16string_view prefix)
{
    return text.size() >= prefix.size() && SameText(text.substr(0, prefix.size()), prefix);
}

size_t Depth(std::u16string_view path) { return size_t(std::count(path.begin(), path.end(), u'\\')); }

}  // namespace

TRemovalRoots TRemovalRoots::FromSetupFolders()
{
    return {TSetupfn::AppDir, TSetupfn::DesktopDir, TSetupfn::CommonProgramsDir};
}

TPathVerdict CheckRemovalPath(std::u16string_view path, const TRemovalRoots& roots, std::u16string* root)
{
    const std::u16string p = Backslashed(path);
    if (HasBadName(p)) return TPathVerdict::pvBadName;
    std::u16string best;
    for (const std::u16string* r : {&roots.AppDir, &roots.DesktopDir, &roots.CommonProgramsDir}) {
        if (r->empty()) continue;
        const std::u16string dir = IncludeTrailingBackslash(Backslashed(*r));
        if (AbsolutePrefix(dir) == 0) continue;  // "\" for a folder the shell could not tell
        if (p.size() > dir.size() && StartsWithText(p, dir) && dir.size() > best.size()) best = dir;
    }
    if (best.empty()) return TPathVerdict::pvOutside;
    if (root) *root = best;
    return TPathVerdict::pvInside;
}

std::vector<std::u16string> FoldersBelowRoot(std::u16string_view path, std::u16string_view root)
{
    std::vector<std::u16string> folders;
    const std::u16string top = ExcludeTrailingBackslash(Backslashed(root));
    std::u16string dir = ExcludeTrailingBackslash(ExtractFilePath(Backslashed(path)));
    while (dir.size() > top.size() && StartsWithText(dir, top)) {
        folders.push_back(dir);
        dir = ExcludeTrailingBackslash(ExtractFilePath(dir));
    }
    return folders;
}

// ---- The plan -----------------------------------------------------------------------------------

TUninstallPlan PlanUninstall(const TSetupScript& script, const TRemovalRoots& roots, std::u16string_view selfPath)
{
    TUninstallPlan plan;
    const std::u16string& title = TSetupfn::GroupName;
    auto add = [&](TFileRemoval item) {
        item.Path = Backslashed(item.Path);
        if (SameText(item.Path, Backslashed(selfPath))) return;
        const TPathVerdict verdict = CheckRemovalPath(item.Path, roots, &item.Root);
        if (verdict != TPathVerdict::pvInside) {
            plan.Refused.push_back({item.Path, verdict});
            return;
        }
        // The same target twice: the later entry is what the installer left there.
        auto same = std::find_if(plan.Files.begin(), plan.Files.end(),
                                 [&](const TFileRemoval& f) { return SameText(f.Path, item.Path); });
        if (same != plan.Files.end())
            *same = std::move(item);
        else
            plan.Files.push_back(std::move(item));
    };

    const TSetupFileList& files = *script.FileList;
    for (int i = 0; i < files.Count(); ++i) {
        const TSetupFile& f = *files.Items(i);
        TFileRemoval item;
        item.Path = FileTargetPath(f, title);
        item.Bytes = f.FileBytes > 0 ? f.FileBytes : 0;
        item.LastWriteDate = f.LastWriteDate;
        add(std::move(item));
    }
    const TSetupShortCutList& links = *script.ShortCutList;
    for (int i = 0; i < links.Count(); ++i) {
        TFileRemoval item;
        item.Path = PlanShortCut(*links.Items(i), title).LinkPath;
        item.ShortCut = true;
        add(std::move(item));
    }

    const TSetupRegList& regs = *script.RegList;
    for (int i = 0; i < regs.Count(); ++i) {
        const TSetupReg& r = *regs.Items(i);
        if (r.ValueType != rvtString && r.ValueType != rvtDWord) continue;  // the installer wrote nothing
        std::u16string subKey = TSetupfn::ExpandPath(r.SubKey, title);
        while (!subKey.empty() && subKey.front() == u'\\') subKey.erase(0, 1);
        plan.Values.push_back({RootKeyToHKEY(r.RootKey), subKey, TSetupfn::ExpandPath(r.ValueName, title)});
    }

    for (const TFileRemoval& f : plan.Files)
        for (std::u16string& folder : FoldersBelowRoot(f.Path, f.Root))
            if (std::none_of(plan.Folders.begin(), plan.Folders.end(),
                             [&](const std::u16string& d) { return SameText(d, folder); }))
                plan.Folders.push_back(std::move(folder));
    std::stable_sort(plan.Folders.begin(), plan.Folders.end(),
                     [](const std::u16string& a, const std::u16string& b) { return Depth(a) > Depth(b); });
    if (!roots.AppDir.empty()) plan.Folders.push_back(ExcludeTrailingBackslash(Backslashed(roots.AppDir)));

    plan.ProgramsToEnd = ProcessesToEnd(files, selfPath);
    return plan;
}

bool IsUnchangedFile(const TFileRemoval& file, int64_t size, TDateTime lastWrite)
{
    if (size != file.Bytes) return false;
    if (file.Bytes == 0 || file.LastWriteDate == 0) return true;  // the installer set no time
    const double seconds = std::fabs(lastWrite - file.LastWriteDate) * 86400.0;
    return seconds <= 2.0 || std::fabs(seconds - 3600.0) <= 2.0;
}

std::vector<std::u16string> RegistryKeysToTry(std::u16string_view subKey)
{
    std::u16string key(subKey);
    while (!key.empty() && key.front() == u'\\') key.erase(0, 1);
    while (!key.empty() && key.back() == u'\\') key.pop_back();
    std::vector<std::u16string> keys;
    while (key.find(u'\\') != std::u16string::npos) {
        keys.push_back(key);
        key.erase(key.rfind(u'\\'));
    }
    return keys;
}
