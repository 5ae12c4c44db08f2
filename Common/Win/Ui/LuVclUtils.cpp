// Window helpers: folder dialog, messages, modal display over one owner, repaint rules.
#include "LuVclUtils.h"

#include "LuExceptions.h"
#include "LuStrUtils.h"

#include <cstring>

#include <objbase.h>
#include <shlobj.h>

namespace lu::ui {

namespace {

// Selects the entry folder once the dialog is up; `data` is the path.
int CALLBACK BrowseCallback(HWND hwnd, UINT msg, LPARAM, LPARAM data)
{
    if (msg == BFFM_INITIALIZED && data) SendMessageW(hwnd, BFFM_SETSELECTIONW, TRUE, data);
    return 0;
}

bool IsDirectory(const std::u16string& path)
{
    if (path.empty()) return false;
    const DWORD a = GetFileAttributesW(W(path));
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

// Frees a shell item identifier on every way out.
struct TPidl {
    LPITEMIDLIST p = nullptr;
    ~TPidl()
    {
        if (p) CoTaskMemFree(p);
    }
};

}  // namespace

bool TLuPathDialog::Execute(HWND owner)
{
    if (!IsDirectory(Path)) Path.clear();
    // The new dialog style needs COM on this thread; start-up normally has it already.
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    struct TComScope {
        HRESULT hr;
        ~TComScope()
        {
            if (SUCCEEDED(hr)) CoUninitialize();
        }
    } comScope{com};

    wchar_t display[MAX_PATH] = {};
    TPidl root;
    if (!Root.empty()) {
        SFGAOF attributes = 0;
        if (FAILED(SHParseDisplayName(W(Root), nullptr, &root.p, 0, &attributes))) root.p = nullptr;
    }
    BROWSEINFOW bi{};
    bi.hwndOwner = owner;
    bi.pidlRoot = root.p;
    bi.pszDisplayName = display;
    bi.lpszTitle = W(Caption);
    bi.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
    if (!Path.empty()) {
        bi.lpfn = BrowseCallback;
        bi.lParam = reinterpret_cast<LPARAM>(W(Path));
    }

    Application().ModalStarted();
    const UINT oldMode = SetErrorMode(SEM_FAILCRITICALERRORS);
    TPidl chosen;
    chosen.p = SHBrowseForFolderW(&bi);
    SetErrorMode(oldMode);
    Application().ModalFinished();

    bool ok = false;
    if (chosen.p) {
        wchar_t path[MAX_PATH] = {};
        if (SHGetPathFromIDListW(chosen.p, path) && path[0]) {
            Path = IncludeTrailingBackslash(U16(path));
            ok = true;
        }
    }
    Application().ProcessMessages();
    return ok;
}

bool TLuVclfn::SelectDirectory(HWND owner, const std::u16string& caption, std::u16string& path)
{
    TLuPathDialog dialog;
    dialog.Caption = caption;
    dialog.Path = path;
    if (!dialog.Execute(owner)) return false;
    path = dialog.Path;
    return true;
}

bool TLuVclfn::SetClipboardText(HWND owner, const std::u16string& text)
{
    // Another program may hold the clipboard for a moment.
    bool opened = false;
    for (int attempt = 0; attempt < 10 && !(opened = OpenClipboard(owner)); ++attempt) Sleep(20);
    if (!opened) return false;
    bool ok = false;
    const size_t bytes = (text.size() + 1) * sizeof(char16_t);
    if (EmptyClipboard()) {
        if (HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes)) {
            if (void* data = GlobalLock(memory)) {
                memcpy(data, text.c_str(), bytes);
                GlobalUnlock(memory);
                ok = SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
            }
            if (!ok) GlobalFree(memory);  // the clipboard owns it only once set
        }
    }
    CloseClipboard();
    return ok;
}

void TLuVclfn::ShowMessage(HWND owner, const std::u16string& text)
{
    HWND box = owner ? GetAncestor(owner, GA_ROOT) : GetActiveWindow();
    HCURSOR cursor = GetCursor();
    ::SetCursor(LoadCursorW(nullptr, IDC_ARROW));
    Application().ModalStarted();
    struct TRestore {
        HCURSOR cursor;
        ~TRestore()
        {
            Application().ModalFinished();
            ::SetCursor(cursor);
        }
    } restore{cursor};
    MessageBoxW(box, W(text), W(Application().Title()), MB_OK | MB_ICONINFORMATION);
}

TModalResult TLuVclfn::ShowModalOver(TForm& form, TControl* ownerControl)
{
    LU_ASSERT(ownerControl && ownerControl->IsWindowed(), "Common\\Win\\LuVclUtils");
    TControl* outer = ownerControl;
    while (outer->Parent()) outer = outer->Parent();
    HWND owner = GetAncestor(static_cast<TWinControl*>(outer)->Handle(), GA_ROOT);
    const HWND previous = form.SetWindowOwner(owner);
    struct TRestoreOwner {
        TForm& form;
        HWND previous;
        ~TRestoreOwner() { form.SetWindowOwner(previous); }
    } restore{form, previous};
    return form.ExecuteModal({owner});
}

void TLuVclfn::EnableDoubleBuffering(TControl* component)
{
    auto* win = dynamic_cast<TWinControl*>(component);
    if (!win) return;
    win->SetDoubleBuffered(true);
    for (TControl* c : win->Controls())
        if (c->IsWindowed()) EnableDoubleBuffering(c);
}

void TLuVclfn::RepaintOnNavKey(TForm& form, TShiftState shift, WORD key)
{
    if ((shift & ssAlt) || key == VK_TAB) InvalidateAll(&form);
}

void TLuVclfn::InvalidateAll(TControl* component)
{
    if (!component) return;
    component->Invalidate();
    if (auto* win = dynamic_cast<TWinControl*>(component))
        for (TControl* c : win->Controls())
            if (c->IsWindowed()) InvalidateAll(c);
}

}  // namespace lu::ui
