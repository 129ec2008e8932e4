#include "skin/form/SkinForm.h"

#include <commctrl.h>

#include <algorithm>

#include "framework/ExtCtrls.h"
#include "framework/Forms.h"
#include "skin/data/SkinData.h"
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
    DoubleClickTime = ::GetDoubleClickTime();
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    if (::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0))
        CaptionFont.Reset(::CreateFontIndirectW(&metrics.lfCaptionFont));
    TrackMenu = [this](HMENU menu, int x, int y) {
        return static_cast<int>(::TrackPopupMenu(menu, TPM_RIGHTBUTTON | TPM_RETURNCMD, x, y, 0, FHandle, nullptr));
    };
}

TSkinForm::~TSkinForm() {
    // A skinner destroyed while its window lives gives the window back first.
    if (Hooked() && !WindowGone()) Detach();
    FreeControls();
    SysButtons.clear();
    HotObject = nullptr;
    EmptyTitleBitmap();
    HoverTimer.reset();
    if (SysPopup) ::DestroyMenu(SysPopup);
    SysPopup = nullptr;
    FManager->ForgetWindow(FHandle);
}

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
        SavedColor = FForm->Color();
        FForm->SetColor(skinData->ButtonFaceColor);
    }
    return true;
}

bool TSkinForm::AttachWindow(TSkinData* skinData) {
    if (Hooked()) return true;
    if (!skinData || !::IsWindow(FHandle)) return false;
    // 1
    FManager->SetReadyCount(1);
    FSkinData = skinData;
    HoverTimer = std::make_unique<TTimer>(nullptr);
    HoverTimer->SetEnabled(false);
    HoverTimer->SetInterval(250);
    HoverTimer->SetOnTimer([this](TObject*) {
        ++FTimerDepth;
        CheckHover();
        --FTimerDepth;
    });
    SkinFrame = (skinData->SkinControls() & SkinControlBit(xcMainMenu)) != 0;
    // 2
    Style = static_cast<DWORD>(::GetWindowLongPtrW(FHandle, GWL_STYLE));
    ExStyle = static_cast<DWORD>(::GetWindowLongPtrW(FHandle, GWL_EXSTYLE));
    RightToLeft = (ExStyle & WS_EX_LEFTSCROLLBAR) != 0;
    RestoreOnDestroy = true;
    SysMenu = ::GetSystemMenu(FHandle, FALSE);
    RenderIcon();
    wchar_t className[100] = {};
    ::GetClassNameW(FHandle, className, 100);
    ClassName = className;
    OwnerWindow = ::GetWindow(FHandle, GW_OWNER);
    ::GetClientRect(FHandle, &AttachClientRect);
    RECT wr{};
    ::GetWindowRect(FHandle, &wr);
    StandardFrameSize =
        RECT{0, 0, (wr.right - wr.left) - AttachClientRect.right, (wr.bottom - wr.top) - AttachClientRect.bottom};
    {
        TRegionHandle saved(::CreateRectRgn(0, 0, 0, 0));
        if (saved && ::GetWindowRgn(FHandle, saved.Get()) != ERROR) FSavedRegion = std::move(saved);
    }
    // 3
    BorderIcons = 0;
    if ((Style & WS_SYSMENU) || SysMenu) BorderIcons |= biSkinSystemMenu;
    if (Style & WS_MINIMIZEBOX) BorderIcons |= biSkinMinimize;
    if (Style & WS_MAXIMIZEBOX) BorderIcons |= biSkinMaximize;
    BuildSysPopup();
    UpdateSizeState();
    // 4
    FMDIRole = TMDIRole::None;
    for (HWND child = ::GetTopWindow(FHandle); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        wchar_t name[32] = {};
        ::GetClassNameW(child, name, 32);
        if (_wcsicmp(name, L"MDIClient") == 0) {
            FMDIRole = TMDIRole::Frame;
            MDIClient = child;
            FManager->SetMDIClient(child, FForm);
            break;
        }
    }
    if (ExStyle & WS_EX_MDICHILD) FMDIRole = TMDIRole::Child;
    // 5
    FrameKind = TFrameKind::Fixed;
    if ((Style & WS_POPUP) && (Style & WS_CAPTION) != WS_CAPTION)
        FrameKind = TFrameKind::NoFrame;
    else if (Style & WS_THICKFRAME)
        FrameKind = TFrameKind::Sizeable;
    else if (Style & DS_MODALFRAME)
        FrameKind = TFrameKind::Dialog;
    if (ExStyle & WS_EX_DLGMODALFRAME) FrameKind = TFrameKind::Dialog;
    if (ClassName == L"#32770" || ClassName == L"TMessageForm") {
        FrameKind = TFrameKind::Dialog;
        IsDialog = true;
    }
    // Platform quirk (Wine and 64-bit Windows): the class name says nothing reliable about Unicode-ness.
    UnicodeWindow = ::IsWindowUnicode(FHandle) != FALSE;
    // 6
    if (FMDIRole == TMDIRole::Frame) {
        SavedMenuUpdate = skinData->MenuUpdate;
        FClientHook = std::make_unique<TClientHook>(this);
        if (!FClientHook->Hook(MDIClient)) FClientHook.reset();
    }
    // 7 (the painted menu bar is not built here: the native menu stays and MenuHeight is 0)
    if (SkinFrame) {
        MenuHandle = ::GetMenu(FHandle);
        MenuHeight = 0;
        if (!((FMDIRole == TMDIRole::Child && FManager->MDIChildMaximized()) || FSizeState == TSizeState::Minimized))
            SetCaptionStyle(false);
        BuildSysButtons();
    } else {
        FSkinState = TSkinState::Running;
    }
    // 8
    if (!HookWindow()) {
        UndoAttach();
        return false;
    }
    // 9
    if (FMDIRole == TMDIRole::Child && FSizeState == TSizeState::Maximized && !FManager->MDIChildMaximized())
        FManager->SetMDIChildMaximized(true);
    ::InvalidateRect(FHandle, nullptr, TRUE);
    return true;
}

void TSkinForm::UndoAttach() {
    // The window was not taken over: give back the style and the MDI client, drop the timer and the popup.
    SetCaptionStyle(true);
    UnhookClient();
    if (FMDIRole == TMDIRole::Frame) FManager->SetMDIClient(nullptr, nullptr);
    MDIClient = nullptr;
    HoverTimer.reset();
    if (SysPopup) ::DestroyMenu(SysPopup);
    SysPopup = nullptr;
    HotObject = nullptr;
    SysButtons.clear();
    SysButtonCount = 0;
    FSavedRegion.Reset();
    FSkinState = TSkinState::Dead;
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
        style |= Style & kBoxBits;
        if (BorderIcons & biSkinCaptionStripped) style |= Style & kCaptionBits;
    } else if (OwnerWindow || FMDIRole == TMDIRole::Child) {
        style &= ~kBoxBits;
    } else {
        BorderIcons |= biSkinCaptionStripped;
        style &= ~kCaptionBits;
    }
    if (style != before) ::SetWindowLongPtrW(FHandle, GWL_STYLE, static_cast<LONG_PTR>(style));
}

bool TSkinForm::IsPlainChild() const noexcept { return (Style & WS_CHILD) && FMDIRole != TMDIRole::Child; }

bool TSkinForm::Stage3Runs() const noexcept {
    return !(IsMDIChildNotNormal() || FrameKind == TFrameKind::NoFrame || FSkinState == TSkinState::Attached);
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
    // Stage 1
    switch (msg) {
        case WM_ERASEBKGND: {
            LRESULT result = CallOldProc(msg, wParam, lParam);
            if (!FForm && FSkinData && FSkinData->ButtonFaceBrush) {
                RECT r{};
                ::GetClientRect(FHandle, &r);
                ::FillRect(reinterpret_cast<HDC>(wParam), &r, FSkinData->ButtonFaceBrush.Get());
                result = 1;
            }
            return result;
        }
        case WM_NCDESTROY: {
            FSkinState = TSkinState::Destroying;
            // Passed on first: the window finishes its own destruction before we let go of it.
            LRESULT result = CallOldProc(msg, wParam, lParam);
            if (RestoreOnDestroy) DetachOnDestroy();
            FSkinState = TSkinState::Dead;
            return result;
        }
        case WM_INITMENUPOPUP:
            FManager->SetMenuKind(reinterpret_cast<HMENU>(wParam) == SysMenu ? 2 : 1);
            return CallOldProc(msg, wParam, lParam);
        case WM_CTLCOLORBTN:
        case WM_CTLCOLORSTATIC: {
            LRESULT result = CallOldProc(msg, wParam, lParam);
            if (!FForm) {
                ::SetBkMode(reinterpret_cast<HDC>(wParam), TRANSPARENT);
                if (msg == WM_CTLCOLORSTATIC && FSkinData && FSkinData->ButtonFaceBrush)
                    result = reinterpret_cast<LRESULT>(FSkinData->ButtonFaceBrush.Get());
            }
            return result;
        }
        case WM_SKIN_STARTED:
            Started();
            return 0;
        case WM_SKIN_QUERY:
            return 1;
        case WM_SETTEXT: {
            // The default procedure paints a standard caption for windows that keep WS_CAPTION: paint ours again.
            LRESULT result = CallOldProc(msg, wParam, lParam);
            if (SkinFrame && Stage3Runs()) PaintFrame();
            return result;
        }
        default:
            break;
    }
    if (!SkinFrame || IsPlainChild()) return CallOldProc(msg, wParam, lParam);
    bool handled = false;
    LRESULT result = Stage2(msg, wParam, lParam, handled);
    if (!Stage3Runs()) return handled ? result : CallOldProc(msg, wParam, lParam);
    return Stage3(msg, wParam, lParam, handled, result);
}

void TSkinForm::Started() {
    if (FForm) {
        PurgeControls();
        FManager->DispatchControls(*this);
    } else {
        FManager->DispatchControls(*this);
    }
    if (FSkinState == TSkinState::Attached && SkinFrame) {
        if (FMDIRole == TMDIRole::Child && FManager->MDIChildMaximized()) {
            SetCaptionStyle(true);
            ::SetWindowPos(FHandle, nullptr, 0, 0, 0, 0, kFrameChanged);
        } else if (FSizeState != TSizeState::Minimized && FrameKind != TFrameKind::NoFrame) {
            FSkinState = TSkinState::Activating;
            FitClientSize(false);
            FSkinState = TSkinState::Running;
            UpdateRegion();
        }
    }
    FSkinState = TSkinState::Running;
    if (HoverTimer) HoverTimer->SetEnabled(true);
}

LRESULT TSkinForm::Stage2(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled) {
    switch (msg) {
        case WM_SYSCOMMAND:
            handled = true;
            return SysCommand(wParam, lParam, handled);
        case WM_COMMAND:
            handled = true;
            return MenuCommand(wParam, lParam, handled);
        case WM_WINDOWPOSCHANGED: {
            handled = true;
            LRESULT result = CallOldProc(msg, wParam, lParam);
            UpdateSizeState();
            return result;
        }
        case WM_ACTIVATE:
        case WM_NCACTIVATE:
            Active = LOBYTE(LOWORD(wParam));
            return 0;
        case WM_GETMINMAXINFO: {
            handled = true;
            LRESULT result = CallOldProc(msg, wParam, lParam);
            UpdateSizeState();
            if (FSizeState == TSizeState::Minimized)
                SetCaptionStyle(true);
            else if (FMDIRole != TMDIRole::Child || FSizeState == TSizeState::Normal)
                SetCaptionStyle(false);
            else
                SetCaptionStyle(true);
            if (lParam && FrameKind != TFrameKind::NoFrame && FSizeState != TSizeState::Minimized) {
                // Platform quirk: with the caption stripped the platform's minimum tracking size shrinks to the
                // bare border, so sizing could fold the skinned frame onto itself; keep at least the platform's
                // minimum for a captioned window and the whole skinned frame.
                auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
                info->ptMinTrackSize.x =
                    std::max<LONG>({info->ptMinTrackSize.x, ::GetSystemMetrics(SM_CXMINTRACK), FrameLeft + FrameRight});
                info->ptMinTrackSize.y = std::max<LONG>(
                    {info->ptMinTrackSize.y, ::GetSystemMetrics(SM_CYMINTRACK), FrameTop + MenuHeight + FrameBottom});
            }
            if (FrameKind == TFrameKind::Sizeable && lParam) {
                auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
                info->ptMaxTrackSize.x = ::GetSystemMetrics(SM_CXMAXIMIZED);
                info->ptMaxTrackSize.y = ::GetSystemMetrics(SM_CYMAXIMIZED);
            }
            if (lParam && FrameKind != TFrameKind::NoFrame && FMDIRole != TMDIRole::Child)
                SetMaximizedPlacement(*reinterpret_cast<MINMAXINFO*>(lParam));
            return result;
        }
        case WM_SIZE:
            handled = true;
            return SizeChanged(wParam, lParam);
        default:
            return 0;
    }
}

void TSkinForm::SetMaximizedPlacement(MINMAXINFO& info) const {
    // Maximized, the caption (and menu band) and the client fill the work area exactly; the side and bottom
    // borders lie beyond it. The platform would place the window by its own sizing border instead.
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    if (!::GetMonitorInfoW(::MonitorFromWindow(FHandle, MONITOR_DEFAULTTOPRIMARY), &monitor)) return;
    const RECT& work = monitor.rcWork;
    info.ptMaxPosition = POINT{work.left - monitor.rcMonitor.left - FrameLeft, work.top - monitor.rcMonitor.top};
    info.ptMaxSize = POINT{(work.right - work.left) + FrameLeft + FrameRight, (work.bottom - work.top) + FrameBottom};
    info.ptMaxTrackSize.x = std::max(info.ptMaxTrackSize.x, info.ptMaxSize.x);
    info.ptMaxTrackSize.y = std::max(info.ptMaxTrackSize.y, info.ptMaxSize.y);
}

LRESULT TSkinForm::SizeChanged(WPARAM wParam, LPARAM lParam) {
    LRESULT result = CallOldProc(WM_SIZE, wParam, lParam);
    switch (wParam) {
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
    if (FSizeState == TSizeState::Minimized) return result;
    if (FMDIRole == TMDIRole::Child && (FManager->MDIChildMaximized() || FSizeState != TSizeState::Normal))
        return result;
    if (FSkinState == TSkinState::Running || FSkinState == TSkinState::Reskinning) UpdateRegion();
    return result;
}

LRESULT TSkinForm::Stage3(UINT msg, WPARAM wParam, LPARAM lParam, bool handledBefore, LRESULT resultBefore) {
    switch (msg) {
        case WM_NCACTIVATE:
            return NCActivate(wParam, lParam);
        case WM_NCCALCSIZE:
            return NCCalcSize(wParam, lParam);
        case WM_NCHITTEST:
            return NCHitTest(wParam, lParam);
        case WM_NCPAINT:
            return NCPaint(wParam, lParam);
        case WM_NCMOUSEMOVE:
        case WM_NCLBUTTONDOWN:
        case WM_NCLBUTTONUP:
        case WM_NCLBUTTONDBLCLK:
        case WM_NCRBUTTONDOWN: {
            bool handled = false;
            WPARAM wp = wParam;
            LRESULT result = NCMouse(msg, wp, lParam, handled);
            return handled ? result : CallOldProc(msg, wp, lParam);
        }
        case WM_SKIN_REPAINTFRAME:
            PaintFrame();
            return 0;
        default:
            return handledBefore ? resultBefore : CallOldProc(msg, wParam, lParam);
    }
}

void TSkinForm::FormWindowProc(TMessage& message) {
    auto previous = [&] {
        if (FFormLink && FFormLink->Previous) FFormLink->Previous(message);
    };
    switch (message.Msg) {
        case WM_SKIN_RESKIN:
            Reskin();
            break;
        default:
            previous();
            break;
    }
}

LRESULT TSkinForm::ClientWndProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto previous = [&] { return TClientHook::CallPrevious(wnd, msg, wParam, lParam); };
    switch (msg) {
        case WM_NCCALCSIZE:
            if (SkinFrame && FSkinData && !(FSkinData->Options() & SkinOptionBit(xoMDIScrollbar))) {
                LONG_PTR style = ::GetWindowLongPtrW(wnd, GWL_STYLE);
                ::SetWindowLongPtrW(wnd, GWL_STYLE, style & ~static_cast<LONG_PTR>(WS_VSCROLL | WS_HSCROLL));
            }
            return previous();
        case WM_MDICREATE: {
            if (FSkinData) FSkinData->MenuUpdate = false;
            LRESULT result = previous();
            NewMDIChild = reinterpret_cast<HWND>(result);
            return result;
        }
        case WM_MDIDESTROY: {
            LRESULT result = previous();
            if (SkinFrame) FManager->SetMDIChildMaximized(ActiveChildMaximized());
            return result;
        }
        case WM_MDITILE:
        case WM_MDICASCADE:
            if (SkinFrame && FManager->MDIChildMaximized()) FManager->SetMDIChildMaximized(false);
            return previous();
        case WM_MDIREFRESHMENU: {
            LRESULT result = previous();
            if (NewMDIChild) {
                FManager->SkinWindow(NewMDIChild);
                ::PostMessageW(FHandle, WM_SKIN_REPAINTFRAME, 0, 0);
                NewMDIChild = nullptr;
            }
            return result;
        }
        default:
            return previous();
    }
}

bool TSkinForm::ActiveChildMaximized() {
    if (FMDIRole != TMDIRole::Frame || !MDIClient || !::IsWindow(MDIClient)) return false;
    BOOL maximized = FALSE;
    HWND child =
        reinterpret_cast<HWND>(::SendMessageW(MDIClient, WM_MDIGETACTIVE, 0, reinterpret_cast<LPARAM>(&maximized)));
    return child && maximized;
}

void TSkinForm::Detach() {
    // 1
    if (!SkinFrame) {
        DetachControls();
        return;
    }
    // 2
    if (SysPopup) ::DestroyMenu(SysPopup);
    SysPopup = nullptr;
    if (HoverTimer) HoverTimer->SetEnabled(false);
    if (!Hooked()) return;
    // 3
    UnhookForm();
    Unhook();
    // 4
    FreeControls();
    if (FForm && FSkinState != TSkinState::Destroying) FForm->SetColor(SavedColor);
    // 5
    SetCaptionStyle(true);
    UnhookClient();
    EmptyTitleBitmap();
    HotObject = nullptr;
    // 6: a window never fitted (detached before WM_SKIN_STARTED came) keeps its size.
    const bool fitted = FSkinState != TSkinState::Attached;
    if (FSkinState != TSkinState::Destroying && (FMDIRole == TMDIRole::Child || !(Style & WS_CHILD))) {
        RECT wr{};
        ::GetWindowRect(FHandle, &wr);
        if (!fitted || ::IsZoomed(FHandle) || ::IsIconic(FHandle) || FrameKind == TFrameKind::NoFrame) {
            ::SetWindowPos(FHandle, nullptr, 0, 0, 0, 0, kFrameChanged);
        } else {
            const int width = (wr.right - wr.left) - FrameLeft - FrameRight + StandardFrameSize.right;
            const int height = (wr.bottom - wr.top) - FrameTop - MenuHeight - FrameBottom + StandardFrameSize.bottom;
            ResizeKeepingCentre(std::max(width, 0), std::max(height, 0));
        }
    }
    // 7: the window gets back the region it had before attach (or none).
    HRGN saved = FSavedRegion.Get();
    if (::SetWindowRgn(FHandle, saved, TRUE)) (void)FSavedRegion.Release();  // the window owns it now
    RegionOwned = false;
    RegionWidth = RegionHeight = 0;
    FSkinState = TSkinState::Dead;
}

void TSkinForm::DetachOnDestroy() {
    if (HoverTimer) HoverTimer->SetEnabled(false);
    if (SysPopup) ::DestroyMenu(SysPopup);
    SysPopup = nullptr;
    UnhookForm();
    Unhook();
    FreeControls();
    UnhookClient();
    EmptyTitleBitmap();
    HotObject = nullptr;
    RegionOwned = false;
}

void TSkinForm::WindowDestroyed() noexcept {
    FSkinState = TSkinState::Dead;
    HotObject = nullptr;
}

void TSkinForm::DetachControls() {
    if (HoverTimer) HoverTimer->SetEnabled(false);
    FreeControls();
    if (FForm && FSkinState != TSkinState::Destroying) FForm->SetColor(SavedColor);
    UnhookForm();
    Unhook();
    UnhookClient();
    FSkinState = TSkinState::Dead;
}

bool TSkinForm::RegisterControl(ISkinControlItem* skinner) {
    if (!skinner) return false;
    if (std::find(ControlList.begin(), ControlList.end(), skinner) != ControlList.end()) return true;
    ControlList.push_back(skinner);
    return false;
}

void TSkinForm::UnregisterControl(ISkinControlItem* skinner) {
    if (FHotButton == skinner) FHotButton = nullptr;
    auto it = std::find(ControlList.rbegin(), ControlList.rend(), skinner);
    if (it != ControlList.rend()) ControlList.erase(std::next(it).base());
}

void TSkinForm::PurgeControls() {
    for (std::size_t i = 0; i < ControlList.size();) {
        if (ControlList[i]->ControlState() == ControlStateWindowDestroyed) {
            ISkinControlItem* item = ControlList[i];
            ControlList.erase(ControlList.begin() + static_cast<std::ptrdiff_t>(i));
            if (FHotButton == item) FHotButton = nullptr;
            item->Release();
        } else {
            ++i;
        }
    }
}

void TSkinForm::FreeControls() {
    // Taken out of the list before each is freed: a control skinner's destructor may unregister itself.
    std::vector<ISkinControlItem*> items;
    items.swap(ControlList);
    FHotButton = nullptr;
    for (ISkinControlItem* item : items) {
        if (item->ControlState() != ControlStateWindowDestroyed) item->Unskin();
        item->Release();
    }
}

void TSkinForm::LeaveHotButton() {
    if (ISkinControlItem* hot = std::exchange(FHotButton, nullptr)) hot->MouseLeft();
}

void TSkinForm::Reskin() {
    bool hadFocus = false;
    TWinControl* active = nullptr;
    if (FForm) {
        FForm->SetColor(FSkinData ? FSkinData->ButtonFaceColor : FForm->Color());
        active = FForm->ActiveControl();
        hadFocus = active && active->Focused();
    }
    for (ISkinControlItem* item : ControlList) item->Reskin();
    FSkinState = TSkinState::Reskinning;
    if (SkinFrame && FForm) {
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
    SkinFrame = (skinData->SkinControls() & SkinControlBit(xcMainMenu)) != 0;
    BuildSysButtons();
    BuildSysPopup();
}

void TSkinForm::MDIMaximizeEnded() {
    if (FMDIRole != TMDIRole::Child || FSizeState == TSizeState::Minimized || !Hooked()) return;
    FSizeState = TSizeState::Normal;
    const bool hadRegion = RegionOwned;
    UpdateRegion();
    SetCaptionStyle(false);
    if (!hadRegion) ::SetWindowPos(FHandle, nullptr, 0, 0, 0, 0, kFrameChanged);
}

std::unique_ptr<ISkinForm> CreateSkinForm(TForm* owner, HWND handle, ISkinFormManager* manager) {
    return std::make_unique<TSkinForm>(owner, handle, manager);
}

}  // namespace qd
