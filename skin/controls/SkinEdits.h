#pragma once
// Skinners of combo boxes, edits and up-down (spin) controls.
//
// TSkinComBox  paints the sunken frame and the drop-down button from the skin's ComboButton/SunkEdge images over
//              what the combo box painted, leaving its text area alone. The combo's inner edit is hooked through
//              the subclass chain (its clicks press the button, its paints repaint the frame) and is let go at
//              the edit's own WM_NCDESTROY. The always-visible list of a simple combo box gets a scroll-bar
//              skinner that this skinner alone owns: it is given back and freed with the combo's skinner.
// TSkinEdit    draws a flat two-line border over the edit's own border, and skins an up-down control placed
//              inside the edit (owned by the edit's skinner, like the combo's list).
// TSkinUpDown  replaces the up-down's painting: two arrow buttons from the skin's UpDownVert/UpDownHorz strips,
//              or plain buttons with line-drawn arrows when the skin has none. Clicks reach the control first.
//
// Every drawing selects its pens and brushes out again before they are deleted, and a DC handed in by a caller
// gets its clipping back as it was.

#include <windows.h>

#include <memory>

#include "skin/controls/SkinControl.h"

namespace qd {

class TDataSkinBorder;

// Frames of the combo skin (frame and button share them): 1 normal, 2 pressed, 3 disabled, 4 focused or hot.
int ComboFrame(bool pressed, bool focusedOrHot, bool enabled) noexcept;

// Directions of an up-down arrow; the frame of a state in an 8-frame up-down strip.
enum class TArrowDirection : int { Up = 0, Down = 1, Left = 2, Right = 3 };
// States of an up-down button: 1 normal, 2 pressed, 3 disabled.
int UpDownFrame(TArrowDirection direction, int state) noexcept;

class TSkinComBox : public TSkinControl {
public:
    using TSkinControl::TSkinControl;
    ~TSkinComBox() override;

    void Unskin() override;
    void Reskin() override;

    // Read-only view for tests.
    HWND EditWindow() const noexcept;
    HWND ListWindow() const noexcept { return ListHandle; }
    const TSkinControl* ListScrollSkinner() const noexcept { return ListScroll.get(); }

protected:
    void AfterAttach() override;
    void AfterProc(TMessage& message) override;
    void DrawControl(HDC dc, const RECT& rect) override;
    void WindowGone() override;
    // ComboButton style 1: a flat frame with the button image at the right.
    void DrawFlatStyle(HDC dc, const RECT& rect, const TDataSkinBorder& button);

private:
    class TEditHook;
    void HookEdit();
    void UnhookEdit() noexcept;
    friend class TEditHook;
    void SkinList();
    void EditMessage(UINT msg);
    // Press and hover from a mouse message of the combo or of its edit; false for any other message.
    bool TrackMouse(UINT msg);
    void Press(bool pressed);
    void MakeHot();
    bool ShowsPressed() const;

    DWORD Style = 0;
    DWORD ExStyle = 0;
    HWND ListHandle = nullptr;
    TEditHook* FEditHook = nullptr;  // freed through DeleteWhenIdle (its procedure may be on the stack)
    TOwnedSkinner ListScroll;
};

class TSkinUpDown;

class TSkinEdit : public TSkinControl {
public:
    using TSkinControl::TSkinControl;
    ~TSkinEdit() override;

    void Unskin() override;
    void Reskin() override;

    // The skinner of the up-down found inside the edit, or null.
    const TSkinUpDown* UpDownSkinner() const noexcept;

protected:
    bool BeforeProc(TMessage& message) override;
    void AfterProc(TMessage& message) override;
    void DrawControl(HDC dc, const RECT& rect) override;
    // Looks for an up-down among the edit's children and skins the first one found.
    void FindUpDown();
    // WM_PRINT with the non-client part asked for: the border goes into the caller's DC.
    void PaintBorder(HDC dc);
    void DrawBorder(HDC dc, const RECT& rect) const;

private:
    TOwnedSkinner UpDown;
};

class TSkinUpDown : public TSkinControl {
public:
    using TSkinControl::TSkinControl;

    // Buttons drawn one pixel inside the client area (an up-down inside an edit).
    void SetEmbedded(bool value) noexcept { Embedded = value; }
    // Arrows left and right whatever the style says (the tab control's scroll buttons).
    void SetHorizontal(bool value) noexcept { Horizontal = value; }
    bool IsEmbedded() const noexcept { return Embedded; }

protected:
    bool BeforeProc(TMessage& message) override;
    void DrawControl(HDC dc, const RECT& rect) override;
    void DrawArrowButton(HDC dc, const RECT& rect, TArrowDirection direction, int state,
                         const TDataSkinBorder& object) const;
    void DrawPlainButton(HDC dc, const RECT& rect, TArrowDirection direction, int state) const;
    static void DrawArrow(HDC dc, int x, int y, TArrowDirection direction);

private:
    bool Embedded = false;
    bool Horizontal = false;
};

}  // namespace qd
