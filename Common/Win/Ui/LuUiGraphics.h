// Windowless controls, painted by their parent: labels, link labels, paint boxes, images and bevels.
#pragma once

#include "LuUiControls.h"
#include "LuUiPicture.h"

namespace lu::ui {

class TLabel : public TGraphicControl {
public:
    explicit TLabel(TWinControl* parent) : TGraphicControl(parent) {}

    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment a)
    {
        FAlignment = a;
        Invalidate();
    }
    TVerticalAlignment Layout() const { return FLayout; }
    void SetLayout(TVerticalAlignment v)
    {
        FLayout = v;
        Invalidate();
    }
    bool WordWrap() const { return FWordWrap; }
    void SetWordWrap(bool v)
    {
        FWordWrap = v;
        Invalidate();
    }
    // Transparent labels show their parent through; opaque ones fill with their colour.
    bool Transparent() const { return FTransparent; }
    void SetTransparent(bool v)
    {
        FTransparent = v;
        Invalidate();
    }
    // With AutoSize the label takes the size of its text whenever the text or the font changes.
    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool v);

    void SetCaption(const std::u16string& caption) override;
    void FontChanged() override;
    void Paint(HDC dc) override;
    // The size the caption takes in the label's font (wrapped at the current width with WordWrap).
    SIZE TextExtent() const;

protected:
    UINT TextFormat() const;
    void AdjustSize();

    TAlignment FAlignment = taLeftJustify;
    TVerticalAlignment FLayout = taAlignTop;
    bool FWordWrap = false;
    bool FTransparent = true;
    bool FAutoSize = false;
};

// A label that acts as a link: blue, underlined, the hand cursor, sized to its text.
class TLinkLabel : public TLabel {
public:
    explicit TLinkLabel(TWinControl* parent);
};

// A box whose content the OnPaint handler draws on Canvas().
class TPaintBox : public TGraphicControl {
public:
    explicit TPaintBox(TWinControl* parent) : TGraphicControl(parent) {}
    // The device context while OnPaint runs, in the box's own coordinates; nullptr otherwise.
    HDC Canvas() const { return FCanvas; }
    TNotifyEvent OnPaint;
    void Paint(HDC dc) override;

private:
    HDC FCanvas = nullptr;
};

class TImage : public TGraphicControl {
public:
    explicit TImage(TWinControl* parent) : TGraphicControl(parent) {}
    TPicture& Picture() { return FPicture; }
    const TPicture& Picture() const { return FPicture; }
    // Call after changing the picture.
    void PictureChanged() { Invalidate(); }
    // Stretch fills the box; Proportional keeps the aspect ratio (and only shrinks, unless
    // Stretch); Center centres the picture in the box.
    bool Stretch = false;
    bool Proportional = false;
    bool Center = false;
    void Paint(HDC dc) override;
    // Where the picture lands in the box under the current options.
    RECT PictureRect() const;

private:
    TPicture FPicture;
};

enum TBevelShape { bsBox, bsFrame, bsTopLine, bsBottomLine, bsLeftLine, bsRightLine, bsSpacer };
enum TBevelStyle { bsLowered, bsRaised };

class TBevel : public TGraphicControl {
public:
    explicit TBevel(TWinControl* parent) : TGraphicControl(parent) {}
    TBevelShape Shape() const { return FShape; }
    void SetShape(TBevelShape s)
    {
        FShape = s;
        Invalidate();
    }
    TBevelStyle Style() const { return FStyle; }
    void SetStyle(TBevelStyle s)
    {
        FStyle = s;
        Invalidate();
    }
    void Paint(HDC dc) override;

private:
    TBevelShape FShape = bsBox;
    TBevelStyle FStyle = bsLowered;
};

}  // namespace lu::ui
