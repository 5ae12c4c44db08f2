// Helpers of the UI tests: actions run from inside a message loop after a delay, and the lookup
// of the system dialogs the helpers open.
#pragma once

#include "LuUi.h"

#include <commctrl.h>

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>

inline std::map<UINT_PTR, std::function<void()>>& PendingActions()
{
    static std::map<UINT_PTR, std::function<void()>> pending;
    return pending;
}

inline void CALLBACK RunPendingAction(HWND, UINT, UINT_PTR timer, DWORD)
{
    KillTimer(nullptr, timer);
    auto it = PendingActions().find(timer);
    if (it == PendingActions().end()) return;
    std::function<void()> run = std::move(it->second);
    PendingActions().erase(it);
    run();
}

// Runs `action` once, from the thread's message loop (modal loops included), after `ms`.
inline void After(UINT ms, std::function<void()> action)
{
    const UINT_PTR id = SetTimer(nullptr, 0, ms, RunPendingAction);
    PendingActions()[id] = std::move(action);
}

// Actions still pending when a test ends (a watchdog that a quick test never needed) would run in a
// later test and reach the ended test's objects, so they are dropped with their timers.
class DropPendingActions : public ::testing::EmptyTestEventListener {
    void OnTestEnd(const ::testing::TestInfo&) override
    {
        for (const auto& pending : PendingActions()) KillTimer(nullptr, pending.first);
        PendingActions().clear();
    }
};

inline const bool kPendingActionsDroppedAfterEachTest = [] {
    ::testing::UnitTest::GetInstance()->listeners().Append(new DropPendingActions);
    return true;
}();

// The first visible top-level window of this thread with the class name (e.g. L"#32770").
inline HWND FindThreadWindow(const wchar_t* className)
{
    struct Search {
        const wchar_t* name;
        HWND found;
    } search{className, nullptr};
    struct Proc {
        static BOOL CALLBACK Visit(HWND h, LPARAM data)
        {
            auto* s = reinterpret_cast<Search*>(data);
            wchar_t cls[64] = {};
            GetClassNameW(h, cls, 64);
            if (IsWindowVisible(h) && lstrcmpW(cls, s->name) == 0) {
                s->found = h;
                return FALSE;
            }
            return TRUE;
        }
    };
    EnumThreadWindows(GetCurrentThreadId(), &Proc::Visit, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Calls `action` with the system dialog once it is up (polling every 50 ms, up to ~10 s).
inline void WhenDialogUp(std::function<void(HWND)> action, int triesLeft = 200)
{
    After(50, [action, triesLeft] {
        if (HWND dlg = FindThreadWindow(L"#32770"))
            action(dlg);
        else if (triesLeft > 0)
            WhenDialogUp(action, triesLeft - 1);
    });
}

// The label of the item selected in a dialog's folder tree (a SysTreeView32 at any depth: Windows
// nests it in a host window), or "" while nothing is selected.
inline std::wstring SelectedTreeLabel(HWND dlg)
{
    HWND tree = nullptr;
    struct Proc {
        static BOOL CALLBACK Visit(HWND h, LPARAM data)
        {
            wchar_t cls[32] = {};
            GetClassNameW(h, cls, 32);
            if (lstrcmpW(cls, L"SysTreeView32") != 0) return TRUE;
            *reinterpret_cast<HWND*>(data) = h;
            return FALSE;
        }
    };
    EnumChildWindows(dlg, &Proc::Visit, reinterpret_cast<LPARAM>(&tree));
    if (!tree) return L"";
    const auto item = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
    if (!item) return L"";
    wchar_t text[MAX_PATH] = {};
    TVITEMW tv{};
    tv.mask = TVIF_TEXT;
    tv.hItem = item;
    tv.pszText = text;
    tv.cchTextMax = MAX_PATH;
    SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&tv));
    return text;
}

// Calls `action` with the folder dialog once it is up and its tree shows `selected` on the selected
// item (polling every 50 ms, up to ~10 s). A dialog that never gets there is still answered when
// the time is up, so that the test reports the folder it returned instead of hanging.
inline void WhenFolderSelected(std::function<bool(const std::wstring& label)> selected,
                               std::function<void(HWND)> action, int triesLeft = 200)
{
    After(50, [selected, action, triesLeft] {
        HWND dlg = FindThreadWindow(L"#32770");
        if (dlg && (triesLeft == 0 || selected(SelectedTreeLabel(dlg))))
            action(dlg);
        else if (triesLeft > 0)
            WhenFolderSelected(selected, action, triesLeft - 1);
    });
}

// Lets pending messages (paints, posted keys) run.
inline void Pump(int rounds = 3)
{
    for (int i = 0; i < rounds; ++i) {
        lu::ui::Application().ProcessMessages();
        Sleep(10);
    }
}

inline void PostKey(HWND target, WORD key, bool alt = false)
{
    const LPARAM lp = 1 | (alt ? (1 << 29) : 0);
    PostMessageW(target, alt ? WM_SYSKEYDOWN : WM_KEYDOWN, key, lp);
}
