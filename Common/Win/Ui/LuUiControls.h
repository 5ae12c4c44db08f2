// The control hierarchy of the toolkit: components, controls positioned in pixels inside their
// parent, windowless graphic controls painted by their parent, and windowed controls that own an
// HWND. A window object is found from its handle (a window property) and each message goes to the
// object's virtual WndProc.
//
// A parent owns its children. Controls are made by their parent:
//     auto* btnOk = pnlButtons->Add<TButton>(u"btnOk", 368, 8, 75, 25);
// and live as long as the parent.
#pragma once

#include "LuExceptions.h"
#include "LuUiTypes.h"

#include <memory>
#include <utility>
#include <vector>

namespace lu::ui {

class TWinControl;
class TForm;

// "Cannot make a visible window modal" and other misuse of the toolkit.
LU_DECLARE_EXCEPTION(EInvalidOperation, Exception);

class TComponent : public TObject {
public:
    std::u16string Name;
    intptr_t Tag = 0;
};

class TControl : public TComponent {
public:
    explicit TControl(TWinControl* parent);
    ~TControl() override;
    TControl(const TControl&) = delete;
    TControl& operator=(const TControl&) = delete;

    TWinControl* Parent() const { return FParent; }
    // The form this control lies on (itself for a form), or nullptr.
    TForm* ParentForm() const;
    virtual bool IsWindowed() const { return false; }

    int Left() const { return FLeft; }
    int Top() const { return FTop; }
    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    RECT BoundsRect() const { return {FLeft, FTop, FLeft + FWidth, FTop + FHeight}; }
    virtual void SetBounds(int left, int top, int width, int height);
    void SetLeft(int v) { SetBounds(v, FTop, FWidth, FHeight); }
    void SetTop(int v) { SetBounds(FLeft, v, FWidth, FHeight); }
    void SetWidth(int v) { SetBounds(FLeft, FTop, v, FHeight); }
    void SetHeight(int v) { SetBounds(FLeft, FTop, FWidth, v); }
    virtual int ClientWidth() const { return FWidth; }
    virtual int ClientHeight() const { return FHeight; }

    TAlign Align() const { return FAlign; }
    void SetAlign(TAlign align);
    TAnchors Anchors() const { return FAnchors; }
    void SetAnchors(TAnchors anchors) { FAnchors = anchors; }

    bool Visible() const { return FVisible; }
    virtual void SetVisible(bool visible);
    void Show() { SetVisible(true); }
    void Hide() { SetVisible(false); }
    // Visible itself and every parent up to the form.
    bool Showing() const;
    bool Enabled() const { return FEnabled; }
    virtual void SetEnabled(bool enabled);

    // The font in effect: the control's own, or its parent's while ParentFont is on.
    const TFont& Font() const;
    void SetFont(const TFont& font);
    bool ParentFont() const { return FParentFont; }
    void SetParentFont(bool value);
    // The colour in effect: the control's own, or its parent's while ParentColor is on.
    TColor Color() const;
    void SetColor(TColor color);
    bool ParentColor() const { return FParentColor; }

    const std::u16string& Caption() const { return FCaption; }
    virtual void SetCaption(const std::u16string& caption);
    TCursor Cursor() const { return FCursor; }
    void SetCursor(TCursor cursor) { FCursor = cursor; }

    virtual void Invalidate();
    // Converts a point in this control's client coordinates to screen coordinates.
    POINT ClientToScreen(POINT p) const;

    TNotifyEvent OnClick;
    TMouseEvent OnMouseDown;
    TMouseEvent OnMouseUp;

    virtual void Click();

    // Hooks the toolkit calls; controls override them.
    virtual void Paint(HDC) {}
    virtual void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
    virtual void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
    virtual void FontChanged();
    virtual void ColorChanged() { Invalidate(); }
    virtual void EnabledChanged() { Invalidate(); }

protected:
    TWinControl* FParent;
    int FLeft = 0, FTop = 0, FWidth = 0, FHeight = 0;
    TAlign FAlign = alNone;
    TAnchors FAnchors = akLeft | akTop;
    bool FVisible = true;
    bool FEnabled = true;
    TFont FFont;
    bool FParentFont = true;
    TColor FColor = clBtnFace;
    bool FParentColor = true;
    std::u16string FCaption;
    TCursor FCursor = crDefault;

    friend class TWinControl;
};

// A control without a window of its own; its parent paints it and routes the mouse to it.
class TGraphicControl : public TControl {
public:
    using TControl::TControl;
};

class TWinControl : public TControl {
public:
    explicit TWinControl(TWinControl* parent);
    ~TWinControl() override;

    bool IsWindowed() const override { return true; }
    HWND Handle() const { return FHandle; }
    // The object of a window made by the toolkit, or nullptr.
    static TWinControl* FromHandle(HWND hwnd);
    // The innermost toolkit control that holds this window (itself or one of its parents).
    static TWinControl* FindControl(HWND hwnd);

    // Makes a child control of type T owned by this control, named and placed; any further
    // arguments go to T's constructor after the parent.
    template <class T, class... Args>
    T* Add(const std::u16string& name, int left, int top, int width, int height, Args&&... args)
    {
        auto owned = std::unique_ptr<T>(new T(this, std::forward<Args>(args)...));
        T* p = owned.get();
        FOwned.push_back(std::move(owned));
        p->Name = name;
        p->SetBounds(left, top, width, height);
        return p;
    }

    const std::vector<TControl*>& Controls() const { return FControls; }
    // The child (at any depth) with this name, or nullptr.
    TControl* FindChild(const std::u16string& name) const;

    void SetBounds(int left, int top, int width, int height) override;
    int ClientWidth() const override;
    int ClientHeight() const override;
    void SetVisible(bool visible) override;
    void SetEnabled(bool enabled) override;
    void SetCaption(const std::u16string& caption) override;
    void Invalidate() override;
    void FontChanged() override;
    void ColorChanged() override;

    // Focus and tab order. TabOrder is the position among the parent's windowed children.
    bool TabStop() const { return FTabStop; }
    void SetTabStop(bool value) { FTabStop = value; }
    int TabOrder() const;
    void SetTabOrder(int order);
    bool CanFocus() const;
    bool Focused() const;
    virtual void SetFocus();
    // The windowed descendants in tab order, depth first.
    void GetTabOrderList(std::vector<TWinControl*>& list) const;
    // Whether the control handles this key itself, so the form must not treat it as a dialog key
    // (Enter, Escape, Tab or an arrow).
    virtual bool WantsKey(WORD) const { return false; }

    TPadding Padding;
    void SetPadding(int all)
    {
        Padding = {all, all, all, all};
        Realign();
    }

    // Paints through a memory bitmap (no flicker). Controls painted by the toolkit honour it; the
    // system classes (edit, combo box, up-down) paint themselves and only record it.
    bool DoubleBuffered() const { return FDoubleBuffered; }
    void SetDoubleBuffered(bool value) { FDoubleBuffered = value; }

    // Lays out the aligned and anchored children anew.
    void Realign();

    // Messages of this window; the default handles painting, sizing, the mouse on graphic children,
    // cursors and the notifications that child windows send to their parent.
    virtual LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT DefaultProc(UINT msg, WPARAM wParam, LPARAM lParam);

    // Notifications reflected from the parent: WM_COMMAND codes, WM_NOTIFY, WM_CTLCOLOR* and scrolls.
    virtual void CommandNotify(WORD) {}
    virtual LRESULT Notify(NMHDR*) { return 0; }
    virtual HBRUSH CtlColor(HDC dc);
    virtual void Scrolled(WORD) {}

protected:
    // Makes the window: className is one of the system classes (then subclassed) or nullptr for the
    // toolkit's own class, painted by PaintWindow. Derived constructors call it once.
    void CreateHandle(const wchar_t* className, DWORD style, DWORD exStyle, HWND parentOverride = nullptr);
    // Paints this control's own look (background, frame, text) in client coordinates.
    virtual void PaintWindow(HDC dc);
    // Paints the visible graphic children that meet the clip rectangle.
    void PaintControls(HDC dc, const RECT& clip);
    void PaintHandler();
    // The graphic child under a point of the client area, topmost first, or nullptr.
    TGraphicControl* GraphicAt(int x, int y) const;
    virtual void Resized() { Realign(); }

    HWND FHandle = nullptr;
    WNDPROC FDefProc = nullptr;
    bool FOwnClass = false;
    bool FTabStop = false;
    bool FDoubleBuffered = false;
    bool FMouseInside = false;
    TGraphicControl* FCaptured = nullptr;
    std::vector<TControl*> FControls;    // children in creation (paint) order
    std::vector<TWinControl*> FTabList;  // windowed children in tab order
    std::vector<std::unique_ptr<TControl>> FOwned;
    SIZE FLastClient{0, 0};
    bool FAligning = false;

    friend class TControl;
    static LRESULT CALLBACK StaticProc(HWND, UINT, WPARAM, LPARAM);
    static LRESULT CALLBACK SubclassProc(HWND, UINT, WPARAM, LPARAM);
    static LRESULT Dispatch(TWinControl* self, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
};

// The shift state of a mouse or key message from its key-state flags and the keyboard.
TShiftState ShiftFromKeys(WPARAM keys);
TShiftState CurrentShiftState();
// The toolkit's window class for its own windows (registered on first use).
const wchar_t* ToolkitWindowClass();
// Loads comctl32 (the activation context of the manifest picks version 6) and registers the
// common control classes the toolkit uses; safe to call more than once.
void EnsureCommonControls();

}  // namespace lu::ui
