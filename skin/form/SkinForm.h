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
// The window procedure runs in three steps: CommonMessage (what every skinned window answers, frame or not),
// WindowStateMessage (commands, activation, sizing: keeps the skinner's idea of the window in step) and
// SkinnedFrameMessage (the non-client messages of the skinned frame: layout, paint, hit-testing, the mouse).
// Message parameters are unpacked there and handed to typed handlers.
//
// A window with a menu shows it in a painted band under the title (TSkinMenuBar, SkinFormMenu.cpp): the native
// menu is taken off the window while the skin is on, and the drop-downs' items are drawn from the skin.

#include <windows.h>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "framework/Controls.h"
#include "framework/ExtCtrls.h"
#include "framework/Gdi.h"
#include "framework/Graphics.h"
#include "framework/WindowHook.h"
#include "skin/form/SkinDraw.h"
#include "skin/form/SkinFormIntf.h"

namespace qd {

class TSkinForm;
class TDataSkinBorder;
class TDataSkinSysButton;
class TSkinMenuBar;
class TSkinMenuItems;
class ISkinMenuBarOwner;
class TMenuItem;
class TPopupMenu;

// States of a frame object under the mouse; a caption button shows the image frame of the same number.
enum : int { ncsNormal = 1, ncsPressed = 2, ncsHot = 3 };
// The fourth image frame of a caption button: its look on an inactive window (the hot look in the menu band).
inline constexpr int kButtonExtraFrame = 4;

// Something in the skinned frame that reacts to the mouse.
class TNCObject {
public:
    explicit TNCObject(TSkinForm* owner) noexcept : Owner(owner) {}
    virtual ~TNCObject() = default;

    TSkinForm* Owner;
    RECT Rect{};  // frame coordinates
    bool Visible = false;
    int State = 0;  // ncsNormal, ncsPressed or ncsHot (0 before the first change)

    virtual void MouseDown();
    virtual void MouseUp();
    virtual void MouseMove();
    virtual void MouseLeave();
    virtual void Paint() {}

protected:
    // Becomes the frame's hot object in `state` (pressed or hot); the previous hot object is left first.
    void TakeMouse(int state);
};

// One caption button described by the skin's SysButtons entry of the same index.
class TWinSysButton : public TNCObject {
public:
    TWinSysButton(TSkinForm* owner, TDataSkinSysButton* data) noexcept : TNCObject(owner), Data(data) {}
    TDataSkinSysButton* Data;
    void Paint() override;
};

// Border icon bits of the window as attach found them, plus whether the skinner stripped the caption.
enum : unsigned { biSkinMaximize = 1, biSkinMinimize = 2, biSkinSystemMenu = 8, biSkinCaptionStripped = 0x10 };

// Tags (and image indexes) of the skin's system menu items.
enum : int { SysMenuRestore = 0, SysMenuMaximize = 1, SysMenuMinimize = 2, SysMenuClose = 3, SysMenuSeparator = 100 };

// The four bands of the frame a border bitmap is painted into.
enum class TBorderPart : int { Left = 1, Right = 2, Top = 3, Bottom = 4 };

// Sizes of the skinned frame's bands, in window pixels, and the kind of frame.
struct TFrameMetrics {
    TFrameKind Kind = TFrameKind::Fixed;
    int Left = 0, Top = 0, Right = 0, Bottom = 0;  // Top is the title bar
    int MenuHeight = 0;                            // the menu band under the title (0: none)
};

// What attach read from the window, and what detach gives back.
struct TAttachedWindow {
    DWORD Style = 0;
    DWORD ExStyle = 0;
    std::wstring ClassName;
    HWND Owner = nullptr;
    HMENU Menu = nullptr;
    HMENU SysMenu = nullptr;
    unsigned BorderIcons = 0;  // biSkin... bits
    RECT ClientRect{};         // the client at attach (taken again by a reskin)
    SIZE StandardFrame{};      // the platform's own frame: window size minus client size
    bool IsDialog = false;     // a system dialog or a message form
    bool RightToLeft = false;
    bool UnicodeWindow = true;
    bool RestoreOnDestroy = false;
    bool MenuUpdate = false;          // the skin's MenuUpdate at attach (MDI frames)
    std::optional<TColor> FormColor;  // the form's colour before the skin's
    TRegionHandle Region;             // copy of the window's own region (null: it had none)
};

// Everything a composed title shows besides the skin and its size: a title composed for an equal key is shown
// again as it is.
struct TTitleKey {
    int WindowHeight = 0;  // the side borders' corners are cut from them at the window's height
    bool Active = false;
    std::wstring Text;
    HFONT Font = nullptr;
    HICON Icon = nullptr;
    HBITMAP IconBitmap = nullptr;
    int IconSize = 0;
    int ButtonsLeft = 0;             // a popup's caption stops short of the buttons as placed before
    std::vector<char> ButtonsShown;  // by button: shows in this state
    bool operator==(const TTitleKey&) const = default;
};

// The title bar composed off-screen at the last paint (a DIB section: its pixels are ours to read); reused while
// the size stays, and shown again without composing while its key stays and no button was put on in another
// state. `Back` holds its pixels before the caption buttons went on, so that one button can be put back in
// another state without composing the rest again.
struct TTitleCache {
    TBitmapHandle Bitmap;
    std::uint32_t* Bits = nullptr;  // top-down rows of Width pixels
    int Width = 0, Height = 0;
    std::vector<std::uint32_t> Back;
    TTitleKey Key;
    bool Current = false;  // the pixels are those composed for Key
    bool Fits(int width, int height) const noexcept { return Bitmap && Width == width && Height == height; }
    void Empty() noexcept {
        Bitmap.Reset();
        Bits = nullptr;
        Width = Height = 0;
        Back.clear();
        Key = {};
        Current = false;
    }
};

// A caption button face (or the icon) as drawn over the title: the pixels it was drawn over and the result. A
// later paint over the same pixels copies the result instead of drawing again.
struct TKeptFace {
    int Key = 0;  // which button in which image frame
    int Width = 0, Height = 0;
    std::vector<std::uint32_t> Under, Over;
};

// A border band composed at an earlier paint; reused while its size, frame and source image stay.
struct TComposedBorder {
    TBitmapHandle Bitmap;
    HBITMAP Source = nullptr;
    int Width = 0, Height = 0, Frame = 0;
    bool Fits(HBITMAP source, int width, int height, int frame) const noexcept {
        return Bitmap && Source == source && Width == width && Height == height && Frame == frame;
    }
};

// The frame as last painted: its size, where caption and buttons went, the window's icon.
struct TPaintedFrame {
    RECT WindowRect{};  // screen coordinates
    int WindowWidth = 0, WindowHeight = 0;
    RECT CaptionRect{};    // frame coordinates
    int ButtonsLeft = 0;   // left edge of the right-aligned caption buttons
    int CaptionWidth = 0;  // measured caption text (dialogs)
    HICON Icon = nullptr;  // the window's icon at attach
    int IconSize = 16;
    TBitmapHandle IconBitmap;  // the small icon on magenta, IconSize square
    TTitleCache Title;
    std::array<TComposedBorder, 4> Borders;  // left, right, top, bottom
    std::vector<TKeptFace> Faces;
    HICON FacesIcon = nullptr;  // the window icon the kept icon faces show
    int FullPaints = 0;         // whole-frame paints so far
    // Forgets every composed bitmap and kept face: the next paint composes afresh (a new skin may reuse old
    // handle values).
    void ForgetComposed() noexcept {
        Title.Empty();
        for (TComposedBorder& b : Borders) b = TComposedBorder{};
        Faces.clear();
    }
};

// The opaque pixels of one frame of a border image, read once for the region of every size.
struct TBorderMask {
    HBITMAP Source = nullptr;  // the border image it was read from
    TNineSliceMask Mask;
};

// The region the skinner gave the window.
struct TRegionState {
    bool Owned = false;
    int Width = 0, Height = 0;  // the window size it was made for
    int ScannedBands = 0;       // bands of it taken from a painted bitmap rather than from a mask
    // By border part (left, right, top, bottom) and look (active, inactive); forgotten with the skin.
    std::array<std::array<TBorderMask, 2>, 4> Masks;
    void ForgetMasks() noexcept { Masks = {}; }
};

// The mouse over the frame.
struct TMouseState {
    TNCObject* HotObject = nullptr;         // the frame object hot or pressed, at most one
    ISkinControlItem* HotButton = nullptr;  // the push-button skinner under the mouse
    DWORD LastSysButtonClick = 0;           // tick count of the last system menu click
    DWORD DoubleClickTime = 0;
    bool MenuTracking = false;  // a drop-down of the painted menu bar is open
};

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
    ISkinControlItem* HotButton() const noexcept override { return FMouse.HotButton; }
    void SetHotButton(ISkinControlItem* skinner) noexcept override { FMouse.HotButton = skinner; }
    TCanvas* ControlCanvas() noexcept override { return &FControlCanvas; }
    // Tells the hot push button that the mouse left and empties the slot.
    void LeaveHotButton();

    bool Attached() const noexcept { return Hooked(); }
    void PurgeControls();
    void FreeControls();
    bool ActiveChildMaximized();
    void SendToActiveChild(WPARAM command);

    // The window region for a window of w x h: client and menu band, and each border band cut to its opaque
    // pixels, from the border's mask where that gives them, else from the border (or the composed title) painted
    // at its size. UpdateRegion hands it to the window. Null when the platform refuses a region.
    TRegionHandle MakeRegion(int w, int h);
    // Paints the whole frame into `dc` (window coordinates), or into the window's own DC when null.
    void PaintFrame(HDC dc = nullptr);
    // The frame's paint in parts (the benchmark times each): a border band, the title bar with caption and
    // buttons, and the title's pieces.
    void PaintBorder(TBorderPart part, RECT rect, HDC dc);
    void PaintTitle(HDC dc);
    // After the window text or icon changed: composes the title again and puts on the window only what differs.
    void PaintTitleChange();
    void PaintCaption(HDC dc, const RECT& area);
    void PlaceSysButtons();
    void PaintSysButtons(HDC dc);
    void DrawIcon(HDC dc, int x, int y);
    // Paints one button in `state` straight onto the window, or into `dc` (window coordinates) when given.
    void PaintSysButtonState(TWinSysButton& button, int state, HDC dc = nullptr);
    // Answers whether the button of that index shows now, and remembers it in the button.
    bool SysButtonVisible(int index);
    // The caption text as drawn: prefix, window text, suffix.
    std::wstring CaptionText() const;
    // The font the caption text is drawn with: the caption font, or the window's own font when only that one has
    // glyphs for every character of the text.
    HFONT CaptionFontFor(const std::wstring& text);
    // The caption font (the platform's caption font until set).
    void SetCaptionFont(const LOGFONTW& font);
    // The system menu at a screen point; a second click within the double-click time opens nothing (on the icon
    // button it closes the window), a key opens it every time.
    void ShowSystemMenu(int x, int y, bool byKeyboard = false);
    // Runs a popup of the skin's system menu; tests replace it (the platform's menu loop is modal).
    std::function<int(HMENU menu, int x, int y)> TrackMenu;

    // Non-client mouse handlers, called with the message's unpacked parameters. Each answers whether it handled
    // the message (result 0, not passed on); NCLButtonDown may change the hit-test code it passes on.
    bool NCMouseMove(POINT screen);
    bool NCLButtonDown(UINT& hitTest, POINT screen);
    bool NCLButtonUp(POINT screen);
    bool NCLButtonDblClk(POINT screen);
    bool NCRButtonDown(UINT hitTest, POINT screen);
    // The hover timer's check: a hot frame object or push button under no cursor any more is left.
    void CheckHover();

    // --- The painted menu band and the skin's menu items (SkinFormMenu.cpp) ---
    TSkinMenuBar* MenuBar() const noexcept { return FMenuBar.get(); }
    // Native menu items made owner-drawn by the skin and not yet given back (none while no menu is open).
    int MenuItemsConverted() const noexcept;
    // Opens the drop-down of a band button and tracks it (and the ones the user moves to) until the menu is left.
    void OpenMenuButton(int index, bool byKeyboard);
    // The skin's measuring and drawing of a framework popup menu's item (the handlers it installs).
    void MeasureFrameworkItem(TMenuItem& item, int& width, int& height);
    void DrawFrameworkItem(TMenuItem& item, HDC dc, const RECT& rect, UINT state);

    // What tests read of the skinner's state.
    struct TView {
        const TFrameMetrics& Frame;
        const TAttachedWindow& Attached;
        const TPaintedFrame& Painted;
        const TRegionState& Region;
        const std::vector<std::unique_ptr<TWinSysButton>>& SysButtons;
        const std::vector<ISkinControlItem*>& Controls;
        const TNCObject* HotObject;
        bool Active;
        bool SkinFrame;
        HWND MDIClient;
        HWND NewMDIChild;
        HMENU SysPopup;
        TTimer* HoverTimer;  // tests tick it
    };
    TView View() const noexcept {
        return TView{FFrame,  FAttached,  FPainted,   FRegion,      FSysButtons, FControls,        FMouse.HotObject,
                     FActive, FSkinFrame, FMDIClient, FNewMDIChild, FSysPopup,   FHoverTimer.get()};
    }

protected:
    // Puts the skinner's procedure on the window; tests make it refuse.
    virtual bool HookWindow() { return Hook(FHandle); }

private:
    friend class TNCObject;
    class TClientHook;
    friend class TClientHook;
    struct TFormLink;

    // How the skinner lets go of its window (LetGo).
    enum class TLetGo {
        Detach,           // the skin goes off: the window lives on and gets back all that attach changed
        WindowDestroyed,  // the window is being destroyed: nothing of it is restored
        ControlsOnly,     // the frame was never skinned: the control skinners and the hooks go
        AttachFailed,     // the window procedure was refused: undo what attach did so far
    };
    void LetGo(TLetGo how);

    // --- The window procedure and its steps (SkinForm.cpp) ---
    LRESULT HookProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) override;
    void WindowDestroyed() noexcept override;
    LRESULT CallOldProc(UINT msg, WPARAM wParam, LPARAM lParam) { return CallPrevious(FHandle, msg, wParam, lParam); }
    bool CommonMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);
    bool WindowStateMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);
    LRESULT SkinnedFrameMessage(UINT msg, WPARAM wParam, LPARAM lParam, const std::optional<LRESULT>& handled);
    // The skinned frame shows (not while attaching, not on a frameless window or a maximized/minimized MDI child).
    bool SkinnedFrameShown() const noexcept;
    // The start message: the control skinners, and the skinned frame unless it started already.
    void Started();
    bool FrameAwaitsStart() const noexcept;
    void SizeChanged(UINT kind);
    void MinMaxInfo(MINMAXINFO* info);
    void SetMaximizedPlacement(MINMAXINFO& info) const;
    void UpdateSizeState();
    void FormWindowProc(TMessage& message);
    LRESULT ClientWndProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);
    void HookForm();
    void UnhookForm();
    void UnhookClient();
    void ReadWindow();
    void FindMDIRole();
    void DecideFrameKind();
    bool IsMDIChildNotNormal() const noexcept {
        return FMDIRole == TMDIRole::Child && FSizeState != TSizeState::Normal;
    }
    bool IsPlainChild() const noexcept;
    void RestoreClientSize();
    void GiveBackRegion();

    // --- Layout and painting (SkinFrame.cpp) ---
    const TDataSkinBorder* Border(TBorderPart part) const noexcept;
    TBitmapHandle ComposeBorder(TBorderPart part, int width, int height) const;
    // Composes the title bar of the present size into FPainted.Title; `dc` supplies the corners where no side
    // border is composed. False when there is no title to compose.
    bool ComposeTitle(HDC dc);
    // What the title of the present state shows (ComposeTitle's key); notes in each button whether it shows.
    TTitleKey TitleKey();
    // Draws a face into the composed title at `r` with `draw`, or copies the result kept from drawing it over the
    // same pixels before.
    void PutFace(HDC titleDC, int key, const RECT& r, const std::function<void(HDC)>& draw);
    void PutSysButtonFace(HDC titleDC, std::size_t index, int frame);
    // Puts a title button in a state into the composed title and copies just its place to `dc`; false when the
    // composed title does not fit the window as it is now.
    bool PaintTitleButton(TWinSysButton& button, int state, HDC dc);
    // Icon faces show the window's present icon.
    void ForgetIconFaces(HICON icon);
    // The border of a part composed at a size for the current activation, kept for the next paint.
    HBITMAP ComposedBorder(TBorderPart part, int width, int height);
    // Appends the opaque pixels of the border of a part painted into `band` as rectangles, from the border's
    // mask for the current activation; false when they have to be taken from the painted border instead.
    bool AppendBorderMask(TBorderPart part, const RECT& band, std::vector<RECT>& rects);
    void RenderIcon();
    // Gives the window this size around its present centre (frame changed).
    void ResizeKeepingCentre(int width, int height);
    // The client rectangle for a proposed window rectangle; `valid` (when given) gets the valid-rectangle answer.
    LRESULT NCCalcSize(const RECT& proposed, RECT& client, RECT* valid, LRESULT previous);
    // Paints the skinned frame; false when the window's own standard frame is to be painted instead.
    bool NCPaint();
    // A size change paints the frame before WM_SIZE reaches the skinner: the region for the new size goes on
    // first, without a paint of its own, so that the one paint that follows is cut by the right region and the
    // region's redraw adds no second one. The same for the first paint of a frame skinned before its start
    // message: the window gets its first region there.
    void ReshapeBeforePaint();
    // Gives the window the region for its size (UpdateRegion: with a redraw).
    void Reshape(bool redraw);
    void NCActivate(bool active);

    // --- Caption buttons and the non-client mouse (SkinButtons.cpp) ---
    TWinSysButton* SysButtonAt(POINT pt);
    POINT ScreenToFrame(POINT screen) const;
    LRESULT NCHitTest(POINT screen, LRESULT previous);
    void SysButtonClick(POINT screen);
    void ToggleMaximized();
    void ToggleMinimized();
    void RestoreWindow();
    // Keeps the size state in step with a system command before it is passed on; true: swallow it.
    bool SysCommand(WPARAM command, LPARAM lParam);
    // A command of the native system menu arriving as WM_COMMAND goes back as WM_SYSCOMMAND; true when it did.
    bool RepostSystemCommand(WPARAM wParam);
    void SysPopupClick(int tag);
    void BuildSysPopup();
    void DestroySysPopup();

    // --- The menu band, the menu items, the form's popup menus (SkinFormMenu.cpp) ---
    class TMenuBarLink;
    void BuildMenuBar();
    bool BuildMenuButtons();
    void RebuildMenuBar();
    // The form's Menu names another menu (or none): the band follows it and the client keeps its size. False
    // when this window shows no band, so the menu goes on the window.
    bool FormMenuReplaced();
    // Gives the menu back (or, when the window goes, frees a plain window's menu) and lets go of the band.
    void ReleaseMenuBar(bool windowGoing);
    void PaintMenuBand(HDC dc);
    void PaintMenuBandOverlay(HDC dc);
    bool InMenuBand(POINT frame) const noexcept;
    // Alt with a mnemonic (or alone, key 0) opens a band button; false when the band has none for it.
    bool MenuKey(LPARAM key);
    bool MenuItemMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);
    void MenuDropDownOpening(HMENU menu);
    void MenuDropDownClosed();
    // Makes the form's popup menus owner-drawn by the skin (handlers on their items), or gives them back exactly.
    void OwnerDrawPopups(bool on);
    // The manager must not hand the children a frame whose skinner is gone.
    void ForgetMDIFrame();

    HWND FHandle;
    TForm* FForm = nullptr;
    TSkinData* FSkinData = nullptr;
    ISkinFormManager* FManager;
    std::unique_ptr<ISkinFormManager> FOwnManager;
    TSkinState FSkinState = TSkinState::Attached;
    TSizeState FSizeState = TSizeState::Normal;
    TMDIRole FMDIRole = TMDIRole::None;
    bool FSkinFrame = false;  // the frame is skinned (else only the controls are)
    bool FActive = true;

    TAttachedWindow FAttached;
    TFrameMetrics FFrame;
    TPaintedFrame FPainted;
    TRegionState FRegion;
    TMouseState FMouse;

    // The caption text is the window text between these.
    std::wstring FCaptionPrefix = L" ";
    std::wstring FCaptionSuffix = L"  ";
    TFontHandle FCaptionFont;

    std::vector<std::unique_ptr<TWinSysButton>> FSysButtons;
    HMENU FSysPopup = nullptr;
    std::unique_ptr<TTimer> FHoverTimer;
    std::vector<ISkinControlItem*> FControls;
    TCanvas FControlCanvas;  // handed to every control skinner

    HWND FMDIClient = nullptr;
    HWND FNewMDIChild = nullptr;  // made by the last WM_MDICREATE, until WM_MDIREFRESHMENU

    int FTimerDepth = 0;
    int FClientDepth = 0;
    std::shared_ptr<TFormLink> FFormLink;
    std::unique_ptr<TClientHook> FClientHook;

    std::unique_ptr<ISkinMenuBarOwner> FMenuBarLink;
    std::unique_ptr<TSkinMenuBar> FMenuBar;
    std::unique_ptr<TSkinMenuBar> FRetiredMenuBar;  // let go of while its drop-down was tracked: freed after
    std::unique_ptr<TSkinMenuItems> FMenuItems;
    bool FMenuRebuildPending = false;
    std::vector<std::pair<TPopupMenu*, bool>> FSavedOwnerDraw;  // popup menus made owner-drawn, and what they were
};

}  // namespace qd
