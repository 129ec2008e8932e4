#include "skin/form/SkinForm.h"

#include <commctrl.h>

#include <windowsx.h>

#include <algorithm>

#include "framework/ExtCtrls.h"
#include "framework/Forms.h"
#include "skin/data/SkinData.h"
#include "skin/form/SkinMenuBar.h"
#include "skin/form/SkinMenuItems.h"
#include "skin/form/SkinMessages.h"

namespace qd {

namespace {

// Used when a skinner is made without a manager: keeps the MDI flag, attaches nothing.
class TLoneManager : public ISkinFormManager {
public:
    bool MDIChildMaximized() const override { return FMaximized; }
    void SetMDIChildMaximized(bool value) override { FMaximized = value; }
    void SetMDIClient(HWND client, TForm*) override { FClient = client; }
    HWND MDIClientHandle() const override { return FClient; }
    void SetMenuKind(int) override {}
    void SetMenuFromBar(bool) override {}
    void MarkPopupsFromBar() override {}
    HBITMAP FindPopupBitmap(HMENU) override { return nullptr; }
    void SetReadyCount(int) override {}
    bool SkinWindow(HWND) override { return false; }
    void ForgetWindow(HWND) override {}
    void DispatchControls(ISkinForm&) override {}
    std::vector<TSkinData*> RegisteredSkinData() const override { return {}; }

private:
    bool FMaximized = false;
    HWND FClient = nullptr;
};

constexpr DWORD kCaptionBits = WS_CAPTION;
constexpr DWORD kBoxBits = WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;  // 0xB0000
constexpr UINT kFrameChanged = SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED;

}  // namespace

// The link between a framework form's WindowProc and this skinner. The form keeps a functor that holds the link;
// detaching clears Owner, so a functor someone else still chains to (they hooked WindowProc after us) turns into a
// pass-through to the procedure we replaced instead of reaching a freed skinner.
struct TSkinForm::TFormLink {
    TSkinForm* Owner = nullptr;
    TWndMethod Previous;
};

namespace {
struct TFormProcFunctor {
    std::shared_ptr<void> Link;  // a TSkinForm::TFormLink
    void (*Call)(void* link, TMessage& message);
    void operator()(TMessage& message) const { Call(Link.get(), message); }
};
}  // namespace

// The MDI client of a frame, hooked through the same subclass chain.
class TSkinForm::TClientHook : public TWindowHook {
public:
    explicit TClientHook(TSkinForm* owner) : FOwner(owner) {}
    using TWindowHook::CallPrevious;

protected:
    LRESULT HookProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) override {
        ++FOwner->FClientDepth;
        struct TLeave {
            int& Depth;
            ~TLeave() { --Depth; }
        } leave{FOwner->FClientDepth};
        return FOwner->ClientWndProc(wnd, msg, wParam, lParam);
    }

private:
    TSkinForm* FOwner;
};

TSkinForm::TSkinForm(TForm* owner, HWND handle, ISkinFormManager* manager) : FHandle(handle), FForm(owner) {
    if (!manager) {
        FOwnManager = std::make_unique<TLoneManager>();
        manager = FOwnManager.get();
    }
    FManager = manager;
    FMouse.DoubleClickTime = ::GetDoubleClickTime();
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    if (::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0))
        SetCaptionFont(metrics.lfCaptionFont);
    TrackMenu = [this](HMENU menu, int x, int y) {
        return static_cast<int>(::TrackPopupMenu(menu, TPM_RIGHTBUTTON | TPM_RETURNCMD, x, y, 0, FHandle, nullptr));
    };
}

TSkinForm::~TSkinForm() {
    // A skinner destroyed while its window lives gives the window back first.
    if (Hooked() && !WindowGone()) Detach();
    FreeControls();
    FMouse.HotObject = nullptr;
    DestroySysPopup();
    FManager->ForgetWindow(FHandle);
}

void TSkinForm::SetCaptionFont(const LOGFONTW& font) { FCaptionFont.Reset(::CreateFontIndirectW(&font)); }

bool TSkinForm::Attach(TSkinData* skinData, TForm* form) {
    if (Hooked()) return true;
    if (!skinData) return false;
    FForm = form;
    if (FForm) {
        FForm->SetAutoScroll(false);
        if (skinData->SkinControls() & SkinControlBit(xcMainMenu)) HookForm();
    }
    if (!AttachWindow(skinData)) {
        UnhookForm();
        return false;
    }
    if (FForm) {
        FAttached.FormColor = FForm->Color();
        FForm->SetColor(skinData->ButtonFaceColor);
    }
    return true;
}

bool TSkinForm::AttachWindow(TSkinData* skinData) {
    if (Hooked()) return true;
    if (!skinData || !::IsWindow(FHandle)) return false;
    FManager->SetReadyCount(1);
    FSkinData = skinData;
    FHoverTimer = std::make_unique<TTimer>(nullptr);
    FHoverTimer->SetEnabled(false);
    FHoverTimer->SetInterval(250);
    FHoverTimer->SetOnTimer([this](TObject*) {
        ++FTimerDepth;
        CheckHover();
        --FTimerDepth;
    });
    FSkinFrame = (skinData->SkinControls() & SkinControlBit(xcMainMenu)) != 0;
    ReadWindow();
    BuildSysPopup();
    UpdateSizeState();
    FindMDIRole();
    DecideFrameKind();
    if (FMDIRole == TMDIRole::Frame) {
        FAttached.MenuUpdate = skinData->MenuUpdate;
        FClientHook = std::make_unique<TClientHook>(this);
        if (!FClientHook->Hook(FMDIClient)) FClientHook.reset();
    }
    // The menu goes into the painted band (off the window).
    if (FSkinFrame) {
        BuildMenuBar();
        if (!((FMDIRole == TMDIRole::Child && FManager->MDIChildMaximized()) || FSizeState == TSizeState::Minimized))
            SetCaptionStyle(false);
        BuildSysButtons();
    } else {
        FSkinState = TSkinState::Running;
    }
    if (!HookWindow()) {
        LetGo(TLetGo::AttachFailed);
        return false;
    }
    if (FMDIRole == TMDIRole::Child && FSizeState == TSizeState::Maximized && !FManager->MDIChildMaximized())
        FManager->SetMDIChildMaximized(true);
    ::InvalidateRect(FHandle, nullptr, TRUE);
    return true;
}

// What attach keeps of the window: styles, class, owner, menus, icon, client, standard frame, region, border icons.
void TSkinForm::ReadWindow() {
    TAttachedWindow& a = FAttached;
    a.Style = static_cast<DWORD>(::GetWindowLongPtrW(FHandle, GWL_STYLE));
    a.ExStyle = static_cast<DWORD>(::GetWindowLongPtrW(FHandle, GWL_EXSTYLE));
    a.RightToLeft = (a.ExStyle & WS_EX_LEFTSCROLLBAR) != 0;
    a.RestoreOnDestroy = true;
    a.SysMenu = ::GetSystemMenu(FHandle, FALSE);
    RenderIcon();
    wchar_t className[100] = {};
    ::GetClassNameW(FHandle, className, 100);
    a.ClassName = className;
    a.Owner = ::GetWindow(FHandle, GW_OWNER);
    ::GetClientRect(FHandle, &a.ClientRect);
    RECT wr{};
    ::GetWindowRect(FHandle, &wr);
    a.StandardFrame = SIZE{(wr.right - wr.left) - a.ClientRect.right, (wr.bottom - wr.top) - a.ClientRect.bottom};
    TRegionHandle saved(::CreateRectRgn(0, 0, 0, 0));
    if (saved && ::GetWindowRgn(FHandle, saved.Get()) != ERROR) a.Region = std::move(saved);
    a.BorderIcons = 0;
    if ((a.Style & WS_SYSMENU) || a.SysMenu) a.BorderIcons |= biSkinSystemMenu;
    if (a.Style & WS_MINIMIZEBOX) a.BorderIcons |= biSkinMinimize;
    if (a.Style & WS_MAXIMIZEBOX) a.BorderIcons |= biSkinMaximize;
    // Platform quirk (Wine and 64-bit Windows): the class name says nothing reliable about Unicode-ness.
    a.UnicodeWindow = ::IsWindowUnicode(FHandle) != FALSE;
}

// An MDI frame has an "MDIClient" child; an MDI child has WS_EX_MDICHILD.
void TSkinForm::FindMDIRole() {
    FMDIRole = TMDIRole::None;
    for (HWND child = ::GetTopWindow(FHandle); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        wchar_t name[32] = {};
        ::GetClassNameW(child, name, 32);
        if (_wcsicmp(name, L"MDIClient") == 0) {
            FMDIRole = TMDIRole::Frame;
            FMDIClient = child;
            FManager->SetMDIClient(child, FForm);
            break;
        }
    }
    if (FAttached.ExStyle & WS_EX_MDICHILD) FMDIRole = TMDIRole::Child;
}

void TSkinForm::DecideFrameKind() {
    const DWORD style = FAttached.Style;
    TFrameKind& kind = FFrame.Kind;
    kind = TFrameKind::Fixed;
    if ((style & WS_POPUP) && (style & WS_CAPTION) != WS_CAPTION)
        kind = TFrameKind::NoFrame;
    else if (style & WS_THICKFRAME)
        kind = TFrameKind::Sizeable;
    else if (style & DS_MODALFRAME)
        kind = TFrameKind::Dialog;
    if (FAttached.ExStyle & WS_EX_DLGMODALFRAME) kind = TFrameKind::Dialog;
    if (FAttached.ClassName == L"#32770" || FAttached.ClassName == L"TMessageForm") {
        kind = TFrameKind::Dialog;
        FAttached.IsDialog = true;
    }
}

void TSkinForm::HookForm() {
    if (!FForm || FFormLink) return;
    auto link = std::make_shared<TFormLink>();
    link->Owner = this;
    link->Previous = FForm->WindowProc;
    FFormLink = link;
    FForm->WindowProc = TFormProcFunctor{link, [](void* p, TMessage& m) {
                                             auto* l = static_cast<TFormLink*>(p);
                                             if (l->Owner)
                                                 l->Owner->FormWindowProc(m);
                                             else if (l->Previous)
                                                 l->Previous(m);
                                         }};
}

void TSkinForm::UnhookForm() {
    if (!FFormLink) return;
    auto link = std::move(FFormLink);
    if (FForm) {
        const auto* top = FForm->WindowProc.target<TFormProcFunctor>();
        if (top && top->Link == link) {
            FForm->WindowProc = link->Previous;  // ours is on top: put the previous one back
        }
        // Otherwise someone hooked WindowProc after us: our functor stays in their chain as a pass-through.
    }
    link->Owner = nullptr;
}

void TSkinForm::UnhookClient() {
    if (FClientHook) {
        FClientHook->Unhook();
        // Freed later by the destructor if its procedure is on the stack right now.
        if (FClientDepth == 0) FClientHook.reset();
    }
}

void TSkinForm::SetCaptionStyle(bool standard) {
    if (FMDIRole == TMDIRole::Child && FManager->MDIChildMaximized() && !standard) return;
    if (!::IsWindow(FHandle) || WindowGone()) return;
    DWORD style = static_cast<DWORD>(::GetWindowLongPtrW(FHandle, GWL_STYLE));
    const DWORD before = style;
    if (standard) {
        // Only the bits the window had at attach come back, so a detached window is exactly as it was.
        style |= FAttached.Style & kBoxBits;
        if (FAttached.BorderIcons & biSkinCaptionStripped) style |= FAttached.Style & kCaptionBits;
    } else if (FAttached.Owner || FMDIRole == TMDIRole::Child) {
        style &= ~kBoxBits;
    } else {
        FAttached.BorderIcons |= biSkinCaptionStripped;
        style &= ~kCaptionBits;
    }
    if (style != before) ::SetWindowLongPtrW(FHandle, GWL_STYLE, static_cast<LONG_PTR>(style));
}

bool TSkinForm::IsPlainChild() const noexcept { return (FAttached.Style & WS_CHILD) && FMDIRole != TMDIRole::Child; }

bool TSkinForm::SkinnedFrameShown() const noexcept {
    return !(IsMDIChildNotNormal() || FFrame.Kind == TFrameKind::NoFrame || FSkinState == TSkinState::Attached);
}

void TSkinForm::UpdateSizeState() {
    WINDOWPLACEMENT wp{};
    wp.length = sizeof(wp);
    if (!::GetWindowPlacement(FHandle, &wp)) return;
    switch (wp.showCmd) {
        case SW_SHOWMINIMIZED:
        case SW_MINIMIZE:
        case SW_SHOWMINNOACTIVE:
            FSizeState = TSizeState::Minimized;
            break;
        case SW_SHOWMAXIMIZED:
            FSizeState = TSizeState::Maximized;
            break;
        default:
            FSizeState = TSizeState::Normal;
            break;
    }
    // Platform quirk (Wine): the placement of a hidden window can still say "normal" while it is iconic/zoomed.
    if (::IsIconic(FHandle))
        FSizeState = TSizeState::Minimized;
    else if (::IsZoomed(FHandle))
        FSizeState = TSizeState::Maximized;
}

LRESULT TSkinForm::HookProc(HWND, UINT msg, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (CommonMessage(msg, wParam, lParam, result)) return result;
    if (!FSkinFrame || IsPlainChild()) return CallOldProc(msg, wParam, lParam);
    std::optional<LRESULT> handled;
    if (WindowStateMessage(msg, wParam, lParam, result)) handled = result;
    // A frame paint before the start message (the window was attached while being shown): passed on, it would
    // leave the title band blank, the caption stripped but the frame still of the standard one's size. The frame
    // is skinned at once instead: fitted with its paints on, each of them shaping the window first.
    if ((msg == WM_NCPAINT || msg == WM_NCACTIVATE) && FrameAwaitsStart() && ::IsWindowVisible(FHandle)) {
        FSkinState = TSkinState::Running;
        FitClientSize(false);
        UpdateRegion();
    }
    if (!SkinnedFrameShown()) return handled ? *handled : CallOldProc(msg, wParam, lParam);
    return SkinnedFrameMessage(msg, wParam, lParam, handled);
}

// What every skinned window answers, whether its frame is skinned or not: the background and colours of a plain
// window, the skinner's own messages, the title, the end of the window.
bool TSkinForm::CommonMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (msg) {
        case WM_ERASEBKGND:
            result = CallOldProc(msg, wParam, lParam);
            if (!FForm && FSkinData && FSkinData->ButtonFaceBrush) {
                RECT r{};
                ::GetClientRect(FHandle, &r);
                ::FillRect(reinterpret_cast<HDC>(wParam), &r, FSkinData->ButtonFaceBrush.Get());
                result = 1;
            }
            return true;
        case WM_NCDESTROY:
            FSkinState = TSkinState::Destroying;
            // Passed on first: the window finishes its own destruction before we let go of it.
            result = CallOldProc(msg, wParam, lParam);
            if (FAttached.RestoreOnDestroy) LetGo(TLetGo::WindowDestroyed);
            FSkinState = TSkinState::Dead;
            return true;
        case WM_INITMENUPOPUP:
        case WM_MENUSELECT:
        case WM_MEASUREITEM:
        case WM_DRAWITEM:
            if (!MenuItemMessage(msg, wParam, lParam, result)) result = CallOldProc(msg, wParam, lParam);
            return true;
        case WM_CTLCOLORBTN:
        case WM_CTLCOLORSTATIC:
            result = CallOldProc(msg, wParam, lParam);
            if (!FForm) {
                ::SetBkMode(reinterpret_cast<HDC>(wParam), TRANSPARENT);
                if (msg == WM_CTLCOLORSTATIC && FSkinData && FSkinData->ButtonFaceBrush)
                    result = reinterpret_cast<LRESULT>(FSkinData->ButtonFaceBrush.Get());
            }
            return true;
        case WM_SKIN_STARTED:
            Started();
            result = 0;
            return true;
        case WM_SKIN_QUERY:
            result = 1;
            return true;
        case WM_SETTEXT:
        case WM_SETICON:
            // The title shows both: what of it changed goes on the window again.
            result = CallOldProc(msg, wParam, lParam);
            if (msg == WM_SETICON) FPainted.Faces.clear();
            if (FSkinFrame && SkinnedFrameShown()) PaintTitleChange();
            return true;
        default:
            return false;
    }
}

void TSkinForm::Started() {
    if (FForm) PurgeControls();
    FManager->DispatchControls(*this);
    OwnerDrawPopups(true);
    if (FSkinState == TSkinState::Attached && FSkinFrame) {
        if (FMDIRole == TMDIRole::Child && FManager->MDIChildMaximized()) {
            SetCaptionStyle(true);
            ::SetWindowPos(FHandle, nullptr, 0, 0, 0, 0, kFrameChanged);
        } else if (FSizeState != TSizeState::Minimized && FFrame.Kind != TFrameKind::NoFrame) {
            FSkinState = TSkinState::Activating;
            FitClientSize(false);
            FSkinState = TSkinState::Running;
            UpdateRegion();
        }
    }
    FSkinState = TSkinState::Running;
    if (FHoverTimer) FHoverTimer->SetEnabled(true);
}

// A top-level window (an owned one too) whose skinned frame will start with the start message.
bool TSkinForm::FrameAwaitsStart() const noexcept {
    return FSkinState == TSkinState::Attached && FSkinFrame && FMDIRole != TMDIRole::Child &&
           FSizeState != TSizeState::Minimized && FFrame.Kind != TFrameKind::NoFrame;
}

// Commands, activation and sizing of a window whose frame is skinned: keeps the size state, the caption style and
// the region in step. Activation is noted here and handled by the skinned frame.
bool TSkinForm::WindowStateMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (msg) {
        case WM_SYSCOMMAND:
            result = SysCommand(wParam, lParam) ? 1 : CallOldProc(msg, wParam, lParam);
            return true;
        case WM_COMMAND:
            result = RepostSystemCommand(wParam) ? 0 : CallOldProc(msg, wParam, lParam);
            return true;
        case WM_WINDOWPOSCHANGED:
            result = CallOldProc(msg, wParam, lParam);
            UpdateSizeState();
            return true;
        case WM_ACTIVATE:
        case WM_NCACTIVATE:
            FActive = LOBYTE(LOWORD(wParam)) != 0;
            return false;
        case WM_GETMINMAXINFO:
            result = CallOldProc(msg, wParam, lParam);
            MinMaxInfo(reinterpret_cast<MINMAXINFO*>(lParam));
            return true;
        case WM_SIZE:
            result = CallOldProc(msg, wParam, lParam);
            SizeChanged(static_cast<UINT>(wParam));
            return true;
        default:
            return false;
    }
}

void TSkinForm::MinMaxInfo(MINMAXINFO* info) {
    UpdateSizeState();
    if (FSizeState == TSizeState::Minimized)
        SetCaptionStyle(true);
    else if (FMDIRole != TMDIRole::Child || FSizeState == TSizeState::Normal)
        SetCaptionStyle(false);
    else
        SetCaptionStyle(true);
    if (!info) return;
    if (FFrame.Kind != TFrameKind::NoFrame && FSizeState != TSizeState::Minimized) {
        // Platform quirk: with the caption stripped the platform's minimum tracking size shrinks to the bare
        // border, so sizing could fold the skinned frame onto itself; keep at least the platform's minimum for a
        // captioned window and the whole skinned frame.
        info->ptMinTrackSize.x =
            std::max<LONG>({info->ptMinTrackSize.x, ::GetSystemMetrics(SM_CXMINTRACK), FFrame.Left + FFrame.Right});
        info->ptMinTrackSize.y = std::max<LONG>({info->ptMinTrackSize.y, ::GetSystemMetrics(SM_CYMINTRACK),
                                                 FFrame.Top + FFrame.MenuHeight + FFrame.Bottom});
    }
    if (FFrame.Kind == TFrameKind::Sizeable) {
        info->ptMaxTrackSize.x = ::GetSystemMetrics(SM_CXMAXIMIZED);
        info->ptMaxTrackSize.y = ::GetSystemMetrics(SM_CYMAXIMIZED);
    }
    if (FFrame.Kind != TFrameKind::NoFrame && FMDIRole != TMDIRole::Child) SetMaximizedPlacement(*info);
}

void TSkinForm::SetMaximizedPlacement(MINMAXINFO& info) const {
    // Maximized, the caption (and menu band) and the client fill the work area exactly; the side and bottom
    // borders lie beyond it. The platform would place the window by its own sizing border instead.
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    if (!::GetMonitorInfoW(::MonitorFromWindow(FHandle, MONITOR_DEFAULTTOPRIMARY), &monitor)) return;
    const RECT& work = monitor.rcWork;
    info.ptMaxPosition = POINT{work.left - monitor.rcMonitor.left - FFrame.Left, work.top - monitor.rcMonitor.top};
    info.ptMaxSize =
        POINT{(work.right - work.left) + FFrame.Left + FFrame.Right, (work.bottom - work.top) + FFrame.Bottom};
    info.ptMaxTrackSize.x = std::max(info.ptMaxTrackSize.x, info.ptMaxSize.x);
    info.ptMaxTrackSize.y = std::max(info.ptMaxTrackSize.y, info.ptMaxSize.y);
}

// After WM_SIZE was passed on: the size state from its kind, and the region for the new size.
void TSkinForm::SizeChanged(UINT kind) {
    switch (kind) {
        case SIZE_RESTORED:
            FSizeState = TSizeState::Normal;
            break;
        case SIZE_MINIMIZED:
            FSizeState = TSizeState::Minimized;
            break;
        case SIZE_MAXIMIZED:
            FSizeState = TSizeState::Maximized;
            break;
        default:
            break;
    }
    if (FSizeState == TSizeState::Minimized) return;
    if (FMDIRole == TMDIRole::Child && (FManager->MDIChildMaximized() || FSizeState != TSizeState::Normal)) return;
    if (FSkinState == TSkinState::Running || FSkinState == TSkinState::Reskinning) UpdateRegion();
}

// The non-client messages of the skinned frame. A message none of them takes is answered as the window state
// step answered it (`handled`), or passed on.
LRESULT TSkinForm::SkinnedFrameMessage(UINT msg, WPARAM wParam, LPARAM lParam, const std::optional<LRESULT>& handled) {
    const POINT screen{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    switch (msg) {
        case WM_NCACTIVATE:
            NCActivate(LOBYTE(LOWORD(wParam)) != 0);
            return 1;
        case WM_NCCALCSIZE: {
            if (!lParam) return CallOldProc(msg, wParam, lParam);
            // Both forms of lParam begin with the proposed window rectangle; the previous procedure changes it.
            auto* rects = reinterpret_cast<RECT*>(lParam);
            const RECT proposed = rects[0];
            const LRESULT previous = CallOldProc(msg, wParam, lParam);
            RECT* valid = LOBYTE(wParam) ? &reinterpret_cast<NCCALCSIZE_PARAMS*>(lParam)->rgrc[1] : nullptr;
            return NCCalcSize(proposed, rects[0], valid, previous);
        }
        case WM_NCHITTEST: {
            const LRESULT previous = CallOldProc(msg, wParam, lParam);
            return NCHitTest(screen, previous);
        }
        case WM_NCPAINT:
            return NCPaint() ? 0 : CallOldProc(msg, wParam, lParam);
        case WM_NCMOUSEMOVE:
            return NCMouseMove(screen) ? 0 : CallOldProc(msg, wParam, lParam);
        case WM_NCLBUTTONDOWN: {
            UINT hitTest = static_cast<UINT>(wParam);
            return NCLButtonDown(hitTest, screen) ? 0 : CallOldProc(msg, hitTest, lParam);
        }
        case WM_NCLBUTTONUP:
            return NCLButtonUp(screen) ? 0 : CallOldProc(msg, wParam, lParam);
        case WM_NCLBUTTONDBLCLK:
            return NCLButtonDblClk(screen) ? 0 : CallOldProc(msg, wParam, lParam);
        case WM_NCRBUTTONDOWN:
            return NCRButtonDown(static_cast<UINT>(wParam), screen) ? 0 : CallOldProc(msg, wParam, lParam);
        case WM_SKIN_REPAINTFRAME:
            PaintFrame();
            return 0;
        default:
            return handled ? *handled : CallOldProc(msg, wParam, lParam);
    }
}

void TSkinForm::FormWindowProc(TMessage& message) {
    auto previous = [&] {
        if (FFormLink && FFormLink->Previous) FFormLink->Previous(message);
    };
    switch (message.Msg) {
        case WM_SKIN_RESKIN:
            Reskin();
            return;
        case CM_MENUCHANGED:
            previous();
            if (message.WParam == MenuReplaced)
                message.Result = FormMenuReplaced() ? 1 : 0;
            else
                RebuildMenuBar();
            return;
        case CM_DIALOGCHAR: {
            // Alt with a band button's mnemonic opens that button, through the window's own menu key so that the
            // drop-down is tracked inside our procedure.
            const bool altAlone =
                ::GetKeyState(VK_MENU) < 0 && ::GetKeyState(VK_CONTROL) >= 0 && ::GetKeyState(VK_SHIFT) >= 0;
            if (altAlone && FMenuBar && FMenuBar->FindAccelButton(static_cast<wchar_t>(message.WParam))) {
                ::PostMessageW(FHandle, WM_SYSCOMMAND, SC_KEYMENU, static_cast<LPARAM>(message.WParam));
                message.Result = 1;
                return;
            }
            previous();
            // An MDI child has no band: the frame's takes the mnemonic.
            if (!message.Result && altAlone && FMDIRole == TMDIRole::Child)
                if (TForm* frame = FManager->MDIFrameForm(); frame && frame != FForm)
                    message.Result = frame->Perform(CM_DIALOGCHAR, message.WParam, message.LParam);
            return;
        }
        default:
            previous();
            return;
    }
}

LRESULT TSkinForm::ClientWndProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto previous = [&] { return TClientHook::CallPrevious(wnd, msg, wParam, lParam); };
    switch (msg) {
        case WM_NCCALCSIZE:
            if (FSkinFrame && FSkinData && !(FSkinData->Options() & SkinOptionBit(xoMDIScrollbar))) {
                LONG_PTR style = ::GetWindowLongPtrW(wnd, GWL_STYLE);
                ::SetWindowLongPtrW(wnd, GWL_STYLE, style & ~static_cast<LONG_PTR>(WS_VSCROLL | WS_HSCROLL));
            }
            return previous();
        case WM_MDICREATE: {
            if (FSkinData) FSkinData->MenuUpdate = false;
            LRESULT result = previous();
            FNewMDIChild = reinterpret_cast<HWND>(result);
            return result;
        }
        case WM_MDIDESTROY: {
            LRESULT result = previous();
            if (FSkinFrame) FManager->SetMDIChildMaximized(ActiveChildMaximized());
            if (FMenuBar && !::SendMessageW(FMDIClient, WM_MDIGETACTIVE, 0, 0)) RebuildMenuBar();
            return result;
        }
        case WM_MDISETMENU: {
            // The client puts the frame menu back on the window: it goes into the band again.
            LRESULT result = previous();
            if (FSkinFrame && wParam && FMenuBar && !FMenuBar->Tracking()) {
                HMENU shown = ::GetMenu(FHandle);
                FMenuBar->BuildByCommand(shown ? shown : reinterpret_cast<HMENU>(wParam),
                                         FForm ? FForm->Menu() : nullptr);
                if (SkinnedFrameShown()) PaintFrame();
            }
            return result;
        }
        case WM_MDITILE:
        case WM_MDICASCADE:
            if (FSkinFrame && FManager->MDIChildMaximized()) FManager->SetMDIChildMaximized(false);
            return previous();
        case WM_MDIREFRESHMENU: {
            LRESULT result = previous();
            if (FNewMDIChild) {
                FManager->SkinWindow(FNewMDIChild);
                ::PostMessageW(FHandle, WM_SKIN_REPAINTFRAME, 0, 0);
                FNewMDIChild = nullptr;
            }
            return result;
        }
        default:
            return previous();
    }
}

bool TSkinForm::ActiveChildMaximized() {
    if (FMDIRole != TMDIRole::Frame || !FMDIClient || !::IsWindow(FMDIClient)) return false;
    BOOL maximized = FALSE;
    HWND child =
        reinterpret_cast<HWND>(::SendMessageW(FMDIClient, WM_MDIGETACTIVE, 0, reinterpret_cast<LPARAM>(&maximized)));
    return child && maximized;
}

void TSkinForm::Detach() { LetGo(FSkinFrame ? TLetGo::Detach : TLetGo::ControlsOnly); }

// Every way of letting go of the window, in one order: what runs on its own stops, the procedures come off the
// chains, the control skinners go, then the frame's style, size and region come back as far as `how` asks.
void TSkinForm::LetGo(TLetGo how) {
    const bool windowStays = how != TLetGo::WindowDestroyed && FSkinState != TSkinState::Destroying;
    // 1. Nothing runs on its own any more: the hover timer, the system menu.
    if (how == TLetGo::AttachFailed)
        FHoverTimer.reset();
    else if (FHoverTimer)
        FHoverTimer->SetEnabled(false);
    DestroySysPopup();
    // A skinner that never hooked the window has nothing more to give back.
    if (how == TLetGo::Detach && !Hooked()) return;
    // 2. Off the procedure chains: the form's WindowProc and the window's procedure. Then the menu goes back on
    // the window (our frame no longer answers for it), the popup menus get their own drawing back, and the
    // manager forgets a frame whose skinner goes.
    UnhookForm();
    Unhook();
    ReleaseMenuBar(how == TLetGo::WindowDestroyed);
    OwnerDrawPopups(false);
    if (how != TLetGo::AttachFailed) ForgetMDIFrame();
    // 3. The control skinners, and the form's own colour.
    FreeControls();
    if (FForm && windowStays && FAttached.FormColor) FForm->SetColor(*FAttached.FormColor);
    // 4. The standard caption, the MDI client, what was painted and hot.
    if (how == TLetGo::Detach || how == TLetGo::AttachFailed) SetCaptionStyle(true);
    UnhookClient();
    if (how == TLetGo::AttachFailed) {
        if (FMDIRole == TMDIRole::Frame) FManager->SetMDIClient(nullptr, nullptr);
        FMDIClient = nullptr;
        FSysButtons.clear();
    }
    FPainted.ForgetComposed();
    FMouse.HotObject = nullptr;
    // 5. The client's size and the window's own region.
    if (how == TLetGo::Detach) {
        RestoreClientSize();
        GiveBackRegion();
    }
    FFrame.MenuHeight = 0;
    if (how == TLetGo::AttachFailed) FAttached.Region.Reset();
    FRegion = TRegionState{};
    if (how != TLetGo::WindowDestroyed) FSkinState = TSkinState::Dead;
}

// The client gets its size under the standard frame back; a window never fitted (detached before
// WM_SKIN_STARTED came) keeps its size.
void TSkinForm::RestoreClientSize() {
    if (FSkinState == TSkinState::Destroying || (FMDIRole != TMDIRole::Child && (FAttached.Style & WS_CHILD))) return;
    const bool fitted = FSkinState != TSkinState::Attached;
    if (!fitted || ::IsZoomed(FHandle) || ::IsIconic(FHandle) || FFrame.Kind == TFrameKind::NoFrame) {
        ::SetWindowPos(FHandle, nullptr, 0, 0, 0, 0, kFrameChanged);
        return;
    }
    RECT wr{};
    ::GetWindowRect(FHandle, &wr);
    const int width = (wr.right - wr.left) - FFrame.Left - FFrame.Right + FAttached.StandardFrame.cx;
    const int height =
        (wr.bottom - wr.top) - FFrame.Top - FFrame.MenuHeight - FFrame.Bottom + FAttached.StandardFrame.cy;
    ResizeKeepingCentre(std::max(width, 0), std::max(height, 0));
}

// The window gets back the region it had before attach (or none).
void TSkinForm::GiveBackRegion() {
    if (::SetWindowRgn(FHandle, FAttached.Region.Get(), TRUE)) (void)FAttached.Region.Release();  // the window's now
}

void TSkinForm::WindowDestroyed() noexcept {
    FSkinState = TSkinState::Dead;
    FMouse.HotObject = nullptr;
}

bool TSkinForm::RegisterControl(ISkinControlItem* skinner) {
    if (!skinner) return false;
    if (std::find(FControls.begin(), FControls.end(), skinner) != FControls.end()) return true;
    FControls.push_back(skinner);
    return false;
}

void TSkinForm::UnregisterControl(ISkinControlItem* skinner) {
    if (FMouse.HotButton == skinner) FMouse.HotButton = nullptr;
    auto it = std::find(FControls.rbegin(), FControls.rend(), skinner);
    if (it != FControls.rend()) FControls.erase(std::next(it).base());
}

void TSkinForm::PurgeControls() {
    for (std::size_t i = 0; i < FControls.size();) {
        if (FControls[i]->ControlState() == ControlStateWindowDestroyed) {
            ISkinControlItem* item = FControls[i];
            FControls.erase(FControls.begin() + static_cast<std::ptrdiff_t>(i));
            if (FMouse.HotButton == item) FMouse.HotButton = nullptr;
            item->Release();
        } else {
            ++i;
        }
    }
}

void TSkinForm::FreeControls() {
    // Taken out of the list before each is freed: a control skinner's destructor may unregister itself.
    std::vector<ISkinControlItem*> items;
    items.swap(FControls);
    FMouse.HotButton = nullptr;
    for (ISkinControlItem* item : items) {
        if (item->ControlState() != ControlStateWindowDestroyed) item->Unskin();
        item->Release();
    }
}

void TSkinForm::LeaveHotButton() {
    if (ISkinControlItem* hot = std::exchange(FMouse.HotButton, nullptr)) hot->MouseLeft();
}

void TSkinForm::Reskin() {
    bool hadFocus = false;
    TWinControl* active = nullptr;
    if (FForm) {
        FForm->SetColor(FSkinData ? FSkinData->ButtonFaceColor : FForm->Color());
        active = FForm->ActiveControl();
        hadFocus = active && active->Focused();
    }
    for (ISkinControlItem* item : FControls) item->Reskin();
    FSkinState = TSkinState::Reskinning;
    if (FSkinFrame && FForm) {
        FitClientSize(true);
        const int h = FForm->Height();
        FForm->SetHeight(h + 1);
        FForm->SetHeight(h);
    }
    if (hadFocus && active) active->SetFocus();
    FSkinState = TSkinState::Running;
}

void TSkinForm::ReloadSkinData(TSkinData* skinData) {
    if (!skinData) return;
    FSkinData = skinData;
    FSkinFrame = (skinData->SkinControls() & SkinControlBit(xcMainMenu)) != 0;
    if (FMenuBar) FMenuBar->SetSkin(*skinData);
    if (FMenuItems) {
        FMenuItems->Restore();
        FMenuItems = std::make_unique<TSkinMenuItems>(*skinData);
    }
    BuildSysButtons();
    BuildSysPopup();
}

void TSkinForm::MDIMaximizeEnded() {
    if (FMDIRole != TMDIRole::Child || FSizeState == TSizeState::Minimized || !Hooked()) return;
    FSizeState = TSizeState::Normal;
    const bool hadRegion = FRegion.Owned;
    UpdateRegion();
    SetCaptionStyle(false);
    if (!hadRegion) ::SetWindowPos(FHandle, nullptr, 0, 0, 0, 0, kFrameChanged);
}

std::unique_ptr<ISkinForm> CreateSkinForm(TForm* owner, HWND handle, ISkinFormManager* manager) {
    return std::make_unique<TSkinForm>(owner, handle, manager);
}

}  // namespace qd
