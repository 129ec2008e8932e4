#pragma once
// Forms: top-level windows built from stored descriptions, with border styles, window state, size
// constraints, modal showing, close queries and the keyboard routing of dialog keys.

#include <windows.h>

#include <string>
#include <string_view>

#include "framework/Controls.h"

namespace qd {

class TMainMenu;
class TMenuItem;

enum class TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
using enum TFormBorderStyle;
enum TBorderIcon : unsigned { biSystemMenu = 1, biMinimize = 2, biMaximize = 4, biHelp = 8 };
using TBorderIcons = unsigned;
enum class TFormStyle { fsNormal, fsMDIChild, fsMDIForm, fsStayOnTop };
using enum TFormStyle;
enum class TWindowState { wsNormal, wsMinimized, wsMaximized };
using enum TWindowState;
enum class TPosition {
    poDesigned,
    poDefault,
    poDefaultPosOnly,
    poDefaultSizeOnly,
    poScreenCenter,
    poDesktopCenter,
    poMainFormCenter,
    poOwnerFormCenter
};
using enum TPosition;
enum class TCloseAction { caNone, caHide, caFree, caMinimize };
using enum TCloseAction;

using TModalResult = int;
inline constexpr TModalResult mrNone = 0;
inline constexpr TModalResult mrOk = 1;
inline constexpr TModalResult mrCancel = 2;
inline constexpr TModalResult mrAbort = 3;
inline constexpr TModalResult mrRetry = 4;
inline constexpr TModalResult mrIgnore = 5;
inline constexpr TModalResult mrYes = 6;
inline constexpr TModalResult mrNo = 7;
inline constexpr TModalResult mrAll = 8;
inline constexpr TModalResult mrNoToAll = 9;
inline constexpr TModalResult mrYesToAll = 10;
inline constexpr TModalResult mrClose = 11;

using TCloseQueryEvent = std::function<void(TObject* Sender, bool& CanClose)>;
using TCloseEvent = std::function<void(TObject* Sender, TCloseAction& Action)>;

// Size limits of a control (0 = no limit).
class TSizeConstraints : public TPersistent {
    QD_CLASS_INFO
public:
    int MinWidth() const noexcept { return FMinWidth; }
    int MinHeight() const noexcept { return FMinHeight; }
    int MaxWidth() const noexcept { return FMaxWidth; }
    int MaxHeight() const noexcept { return FMaxHeight; }
    // Negative values are taken as 0; a maximum below the minimum is raised to it.
    void SetMinWidth(int v);
    void SetMinHeight(int v);
    void SetMaxWidth(int v);
    void SetMaxHeight(int v);
    // Clamps a size to the limits.
    void Apply(int& width, int& height) const noexcept;
    std::function<void()> OnChange;

private:
    void Changed() {
        if (OnChange) OnChange();
    }
    // Stores one limit of an axis, then lifts the axis' maximum (if any) to its minimum.
    void SetLimit(int& limit, int value, const int& minimum, int& maximum);
    int FMinWidth = 0, FMinHeight = 0, FMaxWidth = 0, FMaxHeight = 0;
};

class TForm : public TWinControl {
    QD_CLASS_INFO
public:
    explicit TForm(TComponent* AOwner);
    ~TForm() override;

    TFormBorderStyle BorderStyle() const noexcept { return FBorderStyle; }
    void SetBorderStyle(TFormBorderStyle value);
    TBorderIcons BorderIcons() const noexcept { return FBorderIcons; }
    void SetBorderIcons(TBorderIcons value);
    TFormStyle FormStyle() const noexcept { return FFormStyle; }
    void SetFormStyle(TFormStyle value);
    TWindowState WindowState() const;
    void SetWindowState(TWindowState value);
    TPosition Position() const noexcept { return FPosition; }
    void SetPosition(TPosition value) noexcept { FPosition = value; }
    TSizeConstraints& Constraints() noexcept { return FConstraints; }
    void SetClientWidth(int value) override;
    void SetClientHeight(int value) override;
    void SetBounds(int left, int top, int width, int height) override;
    int PixelsPerInch() const noexcept { return FPixelsPerInch; }
    void SetPixelsPerInch(int value) noexcept { FPixelsPerInch = value > 0 ? value : 96; }
    int TextHeight() const noexcept { return FTextHeight; }
    void SetTextHeight(int value) noexcept { FTextHeight = value; }
    bool KeyPreview() const noexcept { return FKeyPreview; }
    void SetKeyPreview(bool value) noexcept { FKeyPreview = value; }
    TIcon& Icon() noexcept { return FIcon; }
    // Stored by descriptions and turned off by skinners; forms here never scroll their client area.
    bool AutoScroll() const noexcept { return FAutoScroll; }
    void SetAutoScroll(bool value) noexcept { FAutoScroll = value; }
    // Re-sends the icon (its own, else the application's) to the window.
    void ApplyIcon();
    // The menu bar. Assigning it keeps the client size (the window grows or shrinks by the bar).
    TMainMenu* Menu() const noexcept { return FMenu; }
    void SetMenu(TMainMenu* value);
    // Clicks the item of the main menu, or of a popup menu of `control` or its parents, with this shortcut.
    bool IsShortCut(WORD key, TShiftState shift, TControl* control = nullptr);
    // An MDI frame lists its children in this item's drop-down.
    TMenuItem* WindowMenu() const noexcept { return FWindowMenu; }
    void SetWindowMenu(TMenuItem* value);
    // The main form when it is an MDI frame with its client window, else null (where fsMDIChild forms live).
    TForm* MDIFrame() const noexcept;
    // The window of the MDI client (fsMDIForm with a window), else null.
    HWND ClientHandle() const noexcept { return FClientHandle; }

    TModalResult ModalResult() const noexcept { return FModalResult; }
    void SetModalResult(TModalResult value) noexcept { FModalResult = value; }
    // Shows the form modal to the application's other windows; returns when ModalResult becomes non-zero
    // (or the application terminates, giving mrCancel when no result was set).
    TModalResult ShowModal();
    bool Modal() const noexcept { return FModal; }

    // Asks OnCloseQuery; hides (or for the main form ends the application) when allowed.
    void Close();
    // Runs OnCloseQuery; true when the form may close.
    virtual bool CloseQuery();
    // Frees the form after the message being handled returns.
    void Release();

    void Show();
    void SetVisible(bool value) override;

    TWinControl* ActiveControl() const noexcept { return FActiveControl; }
    void SetActiveControl(TWinControl* control);
    // Stored descriptions name the active control; it is looked up among the form's components when loading ends.
    void SetActiveControlName(const std::string& name) { FActiveControlName = name; }
    // The form was told that `control` took the focus: remembers it and tells every control of the form.
    void FocusChanged(TWinControl* control);

    TNotifyEvent OnCreate;
    TNotifyEvent OnDestroy;
    TNotifyEvent OnShow;
    TNotifyEvent OnHide;
    TNotifyEvent OnActivate;
    TNotifyEvent OnDeactivate;
    TCloseQueryEvent OnCloseQuery;
    TCloseEvent OnClose;

    // Keyboard routing of the message loop, for a key or character message aimed at a window of one of our
    // forms. Tab moves the focus; Enter/Escape go to the controls as dialog keys; then KeyPreview; then the
    // message goes on to the focused control. True when the message was consumed.
    static bool RouteKeyMessage(MSG& msg);

    void Loaded() override;

protected:
    // Derived form classes call this at the end of their constructor: reads the stored description named
    // after the class (an RCDATA resource "TFORM_MAIN" for TForm_Main), sends Loaded, then runs OnCreate.
    void ReadStoredForm();
    // The same from a given text (tests, and forms whose description comes from elsewhere).
    void ReadStoredForm(std::string_view text, std::string_view source);
    // Runs OnCreate (errors are reported, the form is still created).
    virtual void DoCreate();

    void CreateParams(TCreateParams& params) override;
    void CreateHandleCompleted() override;
    void DestroyWnd() override;
    void WndProc(TMessage& message) override;
    void DefWndProc(TMessage& message) override;
    void AlignControls(TControl* control, RECT& rect) override;
    void VisibleChanged() override;
    void TextChanged() override;
    bool EraseBackground(HDC dc) override;

private:
    void ApplyPosition();
    void ApplyWindowStyle();
    void WMGetMinMaxInfo(TMessage& m);
    void WMClose(TMessage& m);
    void WMActivate(TMessage& m);
    void WMSysCommand(TMessage& m);
    bool DoCloseModal();
    HWND OwnerWindow();
    bool DialogKey(WORD key, LPARAM keyData);
    // Puts the menu bar on the window (or takes it off), then gives the client area its size `before` again.
    void ApplyMenu(const RECT& before);
    void DetachMenu() noexcept;
    void RefreshWindowMenu();
    bool MenuMessage(TMessage& m);

    TFormBorderStyle FBorderStyle = bsSizeable;
    TBorderIcons FBorderIcons = biSystemMenu | biMinimize | biMaximize;
    TFormStyle FFormStyle = fsNormal;
    TWindowState FWindowState = wsNormal;
    TPosition FPosition = poDesigned;
    TSizeConstraints FConstraints;
    int FPixelsPerInch = 96;
    int FTextHeight = 0;
    bool FKeyPreview = false;
    bool FAutoScroll = false;
    TIcon FIcon;
    HWND FClientHandle = nullptr;
    TMainMenu* FMenu = nullptr;
    TMenuItem* FWindowMenu = nullptr;
    TModalResult FModalResult = mrNone;
    bool FModal = false;
    bool FCreated = false;  // OnCreate has run
    bool FShowingNow = false;
    int FPendingClientWidth = -1;
    int FPendingClientHeight = -1;
    TWinControl* FActiveControl = nullptr;
    std::string FActiveControlName;
    TWinControl* FFocusedControl = nullptr;

protected:
    void Notification(TComponent* component, TOperation operation) override;
};

// Registers the framework's component classes for stored descriptions (once; forms call it when created).
void RegisterFrameworkClasses();

}  // namespace qd
