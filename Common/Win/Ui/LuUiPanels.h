// Skinned containers and indicators: the panel and the progress bar.
#pragma once

#include "LuUiControls.h"
#include "LuUiForm.h"

namespace lu::ui {

// A container painted in its colour; with BorderStyle bsSingle a one-pixel frame in a darker shade
// of that colour lies outside its client area (children align inside it).
class TPanel : public TWinControl {
public:
    explicit TPanel(TWinControl* parent);
    TFormBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TFormBorderStyle style);
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

protected:
    void PaintWindow(HDC dc) override;

private:
    TFormBorderStyle FBorderStyle = bsNone;
};

class TProgressBar : public TWinControl {
public:
    explicit TProgressBar(TWinControl* parent);
    int Min() const { return FMin; }
    int Max() const { return FMax; }
    int Position() const { return FPosition; }
    // The range; the position is kept inside it.
    void SetRange(int min, int max);
    void SetMin(int v) { SetRange(v, FMax); }
    void SetMax(int v) { SetRange(FMin, v); }
    void SetPosition(int position);
    void StepBy(int delta) { SetPosition(FPosition + delta); }
    // The centred percentage text, on by default.
    bool ShowText() const { return FShowText; }
    void SetShowText(bool v)
    {
        FShowText = v;
        Invalidate();
    }
    // Whole percent reached, rounded down: 0 for an empty range.
    int Percent() const;

protected:
    void PaintWindow(HDC dc) override;

private:
    int FMin = 0, FMax = 100, FPosition = 0;
    bool FShowText = true;
};

}  // namespace lu::ui
