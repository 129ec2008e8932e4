#pragma once
// The small skinners: status bars, progress bars, track bars, group boxes, panels and nested dialogs.
//
// TSkinStatusBar  after the control painted, the panels (or the simple text), their bevels from StatusBarEdges
//                 and the size grip from ExtraImages frame 5 are composed in the shared status buffer and copied
//                 over it. Panel texts are data: no mnemonic prefixes.
// TSkinProgress   replaces the painting: the empty bar (Progress frame 1) and the filled part (frame 2) for
//                 (pos - min) / (max - min) of the bar, or the Chunk image tiled (Style 1). A vertical bar is
//                 composed lying and turned, so it fills from the bottom.
// TSkinTrackBar   only the thumb, through the track bar's own custom-draw notifications (to its framework
//                 control as the reflected notification, or at its parent for a bare window).
// TSkinGroupBox   a rounded one-pixel frame in the shadow colour and the caption on the face colour.
// TSkinBox        panels and forms inside forms: nothing drawn; the colour is changed only when asked to.
// TSkinBoxH       a dialog inside a dialog: its background in the face colour.
// TSkinObjImage   check boxes that take a strip of custom glyphs (published CustomGlyphs, TransparentColor and
//                 UseCustomGlyphs): the strip is built from the skin's check images; unskin gives the control its
//                 own glyphs and settings back.
//
// Without its image the progress bar skinner stands aside (painting and erasing reach the control).

#include <windows.h>
#include <commctrl.h>

#include <array>
#include <memory>

#include "skin/controls/SkinControl.h"

namespace qd {

// The work bitmap the status bars and the chunked progress bars compose in (one for the engine, GUI thread
// only): a memory DC holding a bitmap of at least the asked size. Nothing stays selected into it between uses.
HDC StatusBuffer(HDC compatibleWith, int width, int height);

// Pixels of a bar `width` wide filled for `pos` in [min, max] (clamped); 0 for an empty range.
int ProgressFillWidth(int width, int pos, int min, int max) noexcept;

class TSkinStatusBar : public TSkinControl {
public:
    using TSkinControl::TSkinControl;

protected:
    void DrawControl(HDC dc, const RECT& rect) override;
    void DrawPanelSkin(HDC dc, const RECT& rect, int frame) const;
    static void DrawPanelPlain(HDC dc, const RECT& rect, int frame);
};

class TSkinProgress : public TSkinControl {
public:
    using TSkinControl::TSkinControl;

protected:
    bool PaintsWholeFromImage() const override { return HasImage(); }
    void DrawControl(HDC dc, const RECT& rect) override;
    void DrawChunked(HDC dc, const RECT& rect);
    bool HasImage() const;
};

class TSkinTrackBar : public TSkinControl {
public:
    using TSkinControl::TSkinControl;
    ~TSkinTrackBar() override;

    // Redraws only: the focus stays where it is.
    void Reskin() override;
    LRESULT CustomDraw(NMCUSTOMDRAW& draw);

protected:
    void AfterAttach() override;
    bool BeforeProc(TMessage& message) override;
    void WindowGone() override;
    void DrawThumb(const NMCUSTOMDRAW& draw);
    // A custom-draw notification of this very track bar.
    bool IsOwnCustomDraw(LPARAM lParam) const;

private:
    class TParentHook;
    void DropParentHook() noexcept;
    TParentHook* FParentHook = nullptr;
};

class TSkinGroupBox : public TSkinControl {
public:
    using TSkinControl::TSkinControl;

protected:
    void DrawControl(HDC dc, const RECT& rect) override;
    void DrawGroupFrame(HDC dc, const RECT& rect);
};

class TSkinBox : public TSkinControl {
public:
    using TSkinControl::TSkinControl;

protected:
    // Nothing painted; the base gives back colour and what the dispatch set.
    void AfterProc(TMessage&) override {}
};

// Which frame of a check strip of `frames` frames goes into each of the nine cells of a custom glyph strip
// (-1: the cell stays empty). Frames beyond the strip are never taken.
std::array<int, 9> ObjImageCellFrames(int frames) noexcept;

class TSkinObjImage : public TSkinControl {
public:
    explicit TSkinObjImage(TComponent* owner);
    ~TSkinObjImage() override;

    // 1: build custom glyphs (set by the dispatch before attaching).
    int Mode = 0;

    void Unskin() override;
    void Reskin() override;

protected:
    // Mode 1, first attach: keeps the control's own glyphs, then builds the skin's.
    void AfterAttach() override;
    void AfterProc(TMessage&) override {}
    void BuildGlyphs();

private:
    // The control's own glyph settings, taken at the first attach.
    struct TOwnGlyphs;
    std::unique_ptr<TOwnGlyphs> FOwn;
};

class TSkinBoxH : public TSkinControl {
public:
    using TSkinControl::TSkinControl;

protected:
    bool BeforeProc(TMessage& message) override;
};

}  // namespace qd
