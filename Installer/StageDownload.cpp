// A mini setup's online installation: the full setup is downloaded into the temporary folder,
// becomes the package module and its script replaces the mini script.
//
// The downloaded file runs with this process's administrator rights once it is the package, and
// the temporary folder can be written by any program of the user. So the body goes straight into
// a file created new under an unguessable name through a handle that lets nobody else write,
// rename or delete it, and the file is opened as a resource-only module (none of its code runs)
// that must still be the very file and bytes that were written (TPackageFileWriter).
#include "SetupEngine.h"

#include "DownloadProgress.h"
#include "LuHttp.h"
#include "LuHttpProxy.h"
#include "LuStrUtils.h"
#include "LuStreams.h"
#include "LuSysUtilsWin.h"
#include "PackageFormat.h"
#include "SetupScript.h"

bool TSetupEngine::DownloadFullSetup()
{
    const bool unattended = FSilent || FAuto;
    GlobalHttpProxy().SetValues(FHost.ProxySettings());
    TLuHttp http;
    const std::u16string url = FScript->BaseInfo->FullDownloadUrl;
    try {
        TDownloadProgressScale scale;
        http.SetOnWorkBegin([&](TLuHttp*, TWorkMode, int64_t expected) {
            scale = TDownloadProgressScale::ForLength(expected);
            FHost.SetProgressMax(scale.Units(expected));
            FHost.ProcessMessages();
        });
        http.SetOnWork([&](TLuHttp*, TWorkMode, int64_t transferred) {
            FHost.SetProgressPosition(scale.Units(transferred));
            FHost.ProcessMessages();
        });
        http.SetOnWorkEnd([](TLuHttp*, TWorkMode) {});

        // The body is written as it arrives, so the path is formed and the file created first.
        const std::u16string path = TLuWinfn::GetTempDir() + TLuStrfn::NewGUIDString() + u".exe";
        TLuFilefn::EnsureFileDir(path);
        auto file = std::make_unique<TPackageFileWriter>(path);
        if (!http.Get(url, *file)) {
            // Nothing of a failed download is kept.
            file.reset();
            DeleteFileW(W(path));
            if (unattended) EndUnattended(ecDownloadFailed, u"download of " + url + u" failed: " + http.LastError());
            if (FHost.AskDownloadFailure(FTitle, url)) throw TRunEnd{ecSuccess};  // Exit Setup
            return false;
        }
        FDownloadedSetupPath = path;

        FPackage.Close();
        FPackage = file->OpenModule();
        if (!FPackage.HasPackageResource(SetupScriptResID)) throw Exception(FTexts.ResSetupPackageError());
        TMemoryStream stream;
        FPackage.LoadPackageResource(SetupScriptResID, stream);
        stream.SetPosition(0);
        // Loaded aside first: a full script that fails half-way leaves the mini script intact.
        auto script = std::make_unique<TSetupScript>();
        script->LoadFromStream(stream);
        FScript = std::move(script);
        return true;
    } catch (const Exception& e) {
        if (unattended) EndUnattended(ecDownloadFailed, e.Message());
        FHost.ShowMessage(e.Message());
        return false;
    }
}
