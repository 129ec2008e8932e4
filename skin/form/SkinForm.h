#pragma once
// TSkinForm: the skinner of one top-level window. Attaching takes over the window's non-client area: the standard
// caption is stripped, the frame is sized from the skin's border bitmaps (SkinFrame.cpp), painted from them, the
// caption buttons are tracked and clicked (SkinButtons.cpp), the window is shaped by a region, and everything is
// given back exactly when the skin is switched off.
//
// Binding: the window is hooked through the platform's subclass chain (TWindowHook); a framework form's
// WindowProc is hooked through a link object that stays a pass-through if someone hooked WindowProc after us.
// The skinner is never freed while one of its procedures or its hover timer handler is on the stack
// (InDispatch); after WM_NCDESTROY it is Dead and the manager's purge frees it.
//
// The painted menu bar is not part of this skinner yet: MenuHeight stays 0 and the native menu stays in place.

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "framework/Controls.h"
#include "framework/ExtCtrls.h"
#include "framework/Gdi.h"
#include "framework/Graphics.h"
#include "framework/WindowHook.h"
#include "skin/form/SkinFormIntf.h"

namespace qd {

class TSkinForm;
class TDataSkinSysButton;

// Something in the skinned frame that reacts to the mouse.
class TNCObject {
public:
    explicit TNCObject(TSkinForm* owner) noexcept : Owner(owner) {}
    virtual ~TNCObject() = default;

    TSkinForm* Owner;
    RECT Rect{};  // frame coordinates
    bool Visible = false;
    int State = 0;  // 1 normal, 2 pressed, 3 hot (0 before the first change)

    virtual void MouseDown();
    virtual void MouseUp();
    virtual void MouseMove();
    virtual void MouseLeave();
    virtual void Paint() {}
};

// One caption button described by the skin's SysButtons entry of the same index.
class TWinSysButton : public TNCObject {
public:
    TWinSysButton(TSkinForm* owner, TDataSkinSysButton* data) noexcept : TNCObject(owner), Data(data) {}
    TDataSkinSysButton* Data;
    void Paint() override;
};

// Border icon bits of TSkinForm::BorderIcons.
enum : unsigned { biSkinMaximize = 1, biSkinMinimize = 2, biSkinSystemMenu = 8, biSkinCaptionStripped = 0x10 };

// Tags (and image indexes) of the skin's system menu items.
enum : int { SysMenuRestore = 0, SysMenuMaximize = 1, SysMenuMinimize = 2, SysMenuClose = 3, SysMenuSeparator = 100 };

class TSkinForm : public ISkinForm, private TWindowHook {
public:
    TSkinForm(TForm* owner, HWND handle, ISkinFormManager* manager);
    ~TSkinForm() override;

    // ISkinForm
    HWND Handle() const noexcept override { return FHandle; }
    TForm* Form() const noexcept override { return FForm; }
    TSkinData* SkinData() const noexcept override { return FSkinData; }
    TSkinState SkinState() const noexcept override { return FSkinState; }
    TSizeState SizeState() const noexcept override { return FSizeState; }
    TMDIRole MDIRole() const noexcept override { return FMDIRole; }
    bool InDispatch() const noexcept override { return Depth() > 0 || FTimerDepth > 0 || FClientDepth > 0; }
    bool Attach(TSkinData* skinData, TForm* form) override;
    bool AttachWindow(TSkinData* skinData) override;
    void Detach() override;
    void Reskin() override;
    void ReloadSkinData(TSkinData* skinData) override;
    void BuildSysButtons() override;
    void UpdateRegion() override;
    void DropRegion() override;
    void SetCaptionStyle(bool standard) override;
    void FitClientSize(bool refresh) override;
    void MDIMaximizeEnded() override;
    bool RegisterControl(ISkinControlItem* skinner) override;
    void UnregisterControl(ISkinControlItem* skinner) override;
    ISkinControlItem* HotButton() const noexcept override { return FHotButton; }
    void SetHotButton(ISkinControlItem* skinner) noexcept override { FHotButton = skinner; }
    // Tells the hot push button that the mouse left and empties the slot.
    void LeaveHotButton();

    void DetachOnDestroy();
    void DetachControls();
    void PurgeControls();
    void FreeControls();
    bool ActiveChildMaximized();
    bool Attached() const noexcept { return Hooked(); }

    // --- Non-client layout and painting (SkinFrame.cpp) ---
    // Paints the whole frame into `dc` (window coordinates), or into the window's own DC when null.
    void PaintFrame(HDC dc = nullptr);
    void PaintTitle(HDC dc);
    void PaintCaption(HDC dc, const RECT& area);
    void PlaceSysButtons();
    void PaintSysButtons(HDC dc);
    void PaintBorder(int part, RECT rect, HDC dc);
    void RenderIcon();
    void DrawIcon(HDC dc, int x, int y);
    // Gives the window this size around its present centre (frame changed).
    void ResizeKeepingCentre(int width, int height);
    LRESULT NCCalcSize(WPARAM wParam, LPARAM lParam);
    LRESULT NCPaint(WPARAM wParam, LPARAM lParam);
    LRESULT NCActivate(WPARAM wParam, LPARAM lParam);
    // The font the caption text is drawn with: the platform's caption font, or the window's own font when only that
    // one has glyphs for every character of the text.
    HFONT CaptionFontFor(const std::wstring& text);
    // The caption text as drawn: prefix, window text, suffix.
    std::wstring CaptionText() const;

    // --- Caption buttons and the non-client mouse (SkinButtons.cpp) ---
    bool SysButtonVisible(int index);
    TWinSysButton* SysButtonAt(POINT pt);
    POINT ScreenToFrame(int x, int y) const;
    // Paints one button in `state` straight onto the window, or into `dc` (window coordinates) when given.
    void PaintSysButtonState(TWinSysButton& button, int state, HDC dc = nullptr);
    void SysButtonClick(int x, int y);
    void ShowSystemMenu(int x, int y);
    void ToggleMaximized();
    void ToggleMinimized();
    void RestoreWindow();
    void SendToActiveChild(WPARAM command);
    LRESULT SysCommand(WPARAM wParam, LPARAM lParam, bool& handled);
    LRESULT MenuCommand(WPARAM wParam, LPARAM lParam, bool& handled);
    void CheckHover();
    void SysPopupClick(int tag);
    LRESULT NCHitTest(WPARAM wParam, LPARAM lParam);
    // Stage 3 mouse handlers; `handled` false means the message goes on to the previous procedure.
    LRESULT NCMouse(UINT msg, WPARAM& wParam, LPARAM lParam, bool& handled);
    void BuildSysPopup();
    // Runs a popup of the skin's system menu; tests replace it (the platform's menu loop is modal).
    std::function<int(HMENU menu, int x, int y)> TrackMenu;

    // Fields (names as the skinner's developers know them).
    std::wstring CaptionSuffix = L"  ";
    std::wstring CaptionPrefix = L" ";
    std::wstring ClassName;
    bool SkinFrame = false;
    bool SavedMenuUpdate = false;
    RECT AttachClientRect{};
    DWORD LastSysButtonClick = 0;
    DWORD DoubleClickTime = 0;
    int CaptionWidth = 0;
    HWND OwnerWindow = nullptr;
    HICON IconHandle = nullptr;
    int IconSize = 16;
    int FrameLeft = 0, FrameTop = 0, FrameRight = 0, FrameBottom = 0;
    RECT WindowRect{};
    RECT CaptionRect{};
    RECT StandardFrameSize{};
    int MenuHeight = 0;
    int SysButtonCount = 0;
    bool MenuTracking = false;
    bool RightToLeft = false;
    bool UnicodeWindow = true;
    bool IsDialog = false;
    bool RestoreOnDestroy = false;
    HMENU SysPopup = nullptr;
    HWND MDIClient = nullptr;
    HWND NewMDIChild = nullptr;
    HMENU MenuHandle = nullptr;
    HMENU SysMenu = nullptr;
    TColor SavedColor = 0;
    DWORD Style = 0;
    DWORD ExStyle = 0;
    int ButtonsLeft = 0;
    TNCObject* HotObject = nullptr;
    bool RegionOwned = false;
    std::vector<std::unique_ptr<TWinSysButton>> SysButtons;
    TBitmapHandle IconBitmap;   // the small icon on magenta, IconSize square
    TBitmapHandle TitleBitmap;  // the last composed title bar, TitleWidth x TitleHeight
    int TitleWidth = 0, TitleHeight = 0;
    std::vector<ISkinControlItem*> ControlList;
    int WindowWidth = 0, WindowHeight = 0;
    int RegionWidth = 0, RegionHeight = 0;
    BYTE Active = 1;
    unsigned BorderIcons = 0;
    std::unique_ptr<TTimer> HoverTimer;
    TFontHandle CaptionFont;

    ISkinFormManager& Manager() noexcept { return *FManager; }
    // The region the window had before attach (null: none); handed back at detach.
    bool HadOwnRegion() const noexcept { return static_cast<bool>(FSavedRegion); }
    void EmptyTitleBitmap() noexcept {
        TitleBitmap.Reset();
        TitleWidth = TitleHeight = 0;
    }

protected:
    // Puts the skinner's procedure on the window; tests make it refuse.
    virtual bool HookWindow() { return Hook(FHandle); }

private:
    void UndoAttach();
    LRESULT HookProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) override;
    void WindowDestroyed() noexcept override;
    LRESULT CallOldProc(UINT msg, WPARAM wParam, LPARAM lParam) { return CallPrevious(FHandle, msg, wParam, lParam); }
    LRESULT Stage2(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled);
    LRESULT Stage3(UINT msg, WPARAM wParam, LPARAM lParam, bool handledBefore, LRESULT resultBefore);
    bool Stage3Runs() const noexcept;
    void Started();
    LRESULT SizeChanged(WPARAM wParam, LPARAM lParam);
    void SetMaximizedPlacement(MINMAXINFO& info) const;
    void UpdateSizeState();
    void FormWindowProc(TMessage& message);
    LRESULT ClientWndProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);
    void HookForm();
    void UnhookForm();
    void UnhookClient();
    bool IsMDIChildNotNormal() const noexcept {
        return FMDIRole == TMDIRole::Child && FSizeState != TSizeState::Normal;
    }
    bool IsPlainChild() const noexcept;
    void RepaintFrameAfterText();

    HWND FHandle;
    TForm* FForm = nullptr;
    TSkinData* FSkinData = nullptr;
    ISkinFormManager* FManager;
    std::unique_ptr<ISkinFormManager> FOwnManager;
    TSkinState FSkinState = TSkinState::Attached;
    TSizeState FSizeState = TSizeState::Normal;
    TMDIRole FMDIRole = TMDIRole::None;

public:
    TFrameKind FrameKind = TFrameKind::Fixed;

private:
    int FTimerDepth = 0;
    int FClientDepth = 0;
    ISkinControlItem* FHotButton = nullptr;
    TRegionHandle FSavedRegion;  // copy of the window's own region from before attach (null: it had none)
    struct TFormLink;
    std::shared_ptr<TFormLink> FFormLink;
    class TClientHook;
    std::unique_ptr<TClientHook> FClientHook;
    friend class TClientHook;
};

}  // namespace qd
