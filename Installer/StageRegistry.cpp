// Registry values and shortcuts of the script.
#include "SetupEngine.h"

#include "SetupScript.h"

#include "InstallPlan.h"
#include "LocalTexts.h"
#include "LuStrUtils.h"
#include "LuSysUtilsWin.h"
#include "Setupfn.h"

#include <objidl.h>
#include <shlobj.h>

namespace {

// Releases a COM interface when it goes out of scope.
template <class T>
struct TComPtr {
    T* P = nullptr;
    ~TComPtr()
    {
        if (P) P->Release();
    }
    T* operator->() const { return P; }
};

}  // namespace

void TSetupEngine::WriteRegistry()
{
    FHost.SetDetail(FTexts.ResModifyingRegistry());
    const TSetupRegList& regs = *FScript->RegList;
    for (int i = 0; i < regs.Count(); ++i) {
        const TSetupReg& reg = *regs.Items(i);
        FHost.StepProgress();
        FHost.ProcessMessages();

        std::u16string subKey = TSetupfn::ExpandPath(reg.SubKey, FTitle);
        const std::u16string valueName = TSetupfn::ExpandPath(reg.ValueName, FTitle);
        const std::u16string valueData = TSetupfn::ExpandPath(reg.ValueData, FTitle);
        while (!subKey.empty() && subKey.front() == u'\\') subKey.erase(0, 1);

        const HKEY root = reinterpret_cast<HKEY>(uintptr_t(RootKeyToHKEY(reg.RootKey)));
        const TRegKey owned = CreateRegKey(root, W(subKey), KEY_ALL_ACCESS);
        if (!owned) continue;  // a key that cannot be opened or created is passed over
        const HKEY key = owned.Get();
        LONG rc = ERROR_SUCCESS;
        switch (reg.ValueType) {
            case rvtString:
                rc = RegSetValueExW(key, W(valueName), 0, REG_SZ, reinterpret_cast<const BYTE*>(valueData.c_str()),
                                    DWORD((valueData.size() + 1) * sizeof(char16_t)));
                break;
            case rvtDWord: {
                const DWORD value = DWORD(StrToInt(valueData));  // raises for a text that is no integer
                rc = RegSetValueExW(key, W(valueName), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                                    sizeof value);
                break;
            }
        }
        if (rc != ERROR_SUCCESS)
            throw Exception(u"Failed to set data for '" + valueName + u"' (" + SysErrorMessage(DWORD(rc)) + u")");
    }
}

void TSetupEngine::CreateShortCuts()
{
    FHost.SetDetail(FTexts.ResCreatingShortCut());
    const TSetupShortCutList& links = *FScript->ShortCutList;
    for (int i = 0; i < links.Count(); ++i) {
        FHost.StepProgress();
        FHost.ProcessMessages();
        const TShortCutPlan plan = PlanShortCut(*links.Items(i), FTitle);

        TComPtr<IShellLinkW> link;
        const HRESULT hr = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                            reinterpret_cast<void**>(&link.P));
        if (FAILED(hr) || !link.P)
            throw Exception(u"Cannot create the shell link object (" + SysErrorMessage(DWORD(hr)) + u")");
        link->SetPath(W(plan.DstFile));
        link->SetWorkingDirectory(W(plan.WorkDir));
        TComPtr<IPersistFile> file;
        // The folder is created first: a Start-menu group ({group}) does not exist before the first
        // installation, and saving into a missing folder would silently leave no shortcut.
        TLuFilefn::EnsureFileDir(plan.LinkPath);
        if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file.P))) && file.P)
            file->Save(W(plan.LinkPath), TRUE);
    }
    FHost.FillProgress();
}
