// The files: each body decoded from the payload and written to its target path with its
// last-write time; a failed write asks Retry, Ignore or Exit Setup.
#include "SetupEngine.h"

#include "SetupScript.h"

#include "FileData.h"
#include "InstallPlan.h"
#include "LuStreams.h"
#include "LuStrUtils.h"
#include "LuSysUtilsWin.h"

namespace {

LU_DECLARE_EXCEPTION(EFileWriteError, Exception);

void WriteWholeFile(const std::u16string& path, const TMemoryStream& content)
{
    TUniqueHandle file(CreateFileW(W(path), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) throw EFileWriteError(u"Cannot create file \"" + path + u"\". " + SysErrorMessage(GetLastError()));
    const std::vector<uint8_t>& bytes = content.Bytes();
    size_t done = 0;
    while (done < bytes.size()) {
        const DWORD chunk = DWORD(std::min<size_t>(bytes.size() - done, 1u << 24));
        DWORD written = 0;
        if (!WriteFile(file.Get(), bytes.data() + done, chunk, &written, nullptr) || written == 0)
            throw EFileWriteError(u"Cannot write file \"" + path + u"\". " + SysErrorMessage(GetLastError()));
        done += written;
    }
}

}  // namespace

void TSetupEngine::InstallFiles()
{
    TFileDataList table;
    FPackage.LoadFileTable(table);
    const TSetupFileList& files = *FScript->FileList;
    for (int i = 0; i < files.Count(); ++i) {
        const TSetupFile& file = *files.Items(i);
        FHost.StepProgress();
        FHost.ProcessMessages();

        TMemoryStream content;
        if (file.FileBytes > 0) {
            const TFileData* entry = table.FindByGUID(file.ResID);
            if (!entry)
                throw Exception(u"The package is damaged: no body for " + file.SourceMask + u" (" + file.ResID + u")");
            content = TFileDataList::DecodeContent(*entry);
            content.SetPosition(0);
        }
        const std::u16string path = FileTargetPath(file, FTitle);
        FHost.SetDetail(path);
        SaveFileWithRetry(file, content, path);
    }
}

void TSetupEngine::SaveFileWithRetry(const TSetupFile& file, const TMemoryStream& content, const std::u16string& path)
{
    for (;;) {
        try {
            TLuFilefn::EnsureFileDir(path);
            WriteWholeFile(path, content);
            if (!content.Bytes().empty()) {
                const TDateTime now = NowDateTime();
                TFileTimes times;
                times.CreationTime = now;
                times.LastAccessTime = now;
                times.LastWriteTime = file.LastWriteDate;
                TLuFilefn::SetFileTimes(path, times);  // a file keeps the times writing gave it
            }
            return;
        } catch (const Exception& e) {
            // A /Silent run has nobody to answer the dialog, which would wait hidden for ever: it
            // ends as Exit Setup would, with the reason on standard error.
            if (FSilent) EndUnattended(ecWriteFailureExit, e.Message());
            switch (FHost.AskCopyFailure(path, FLanguage, e.Message())) {
                case 4:  // Retry
                    continue;
                case 5:  // Ignore
                    return;
                default: throw TRunEnd{ecWriteFailureExit};  // Exit Setup, or the dialog closed
            }
        }
    }
}
