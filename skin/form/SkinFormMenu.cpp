// The menus of TSkinForm: the painted band that replaces the window's native menu bar (built at attach, rebuilt
// when the menu changes, given back at detach), its mouse and keys, the maximised MDI child's buttons drawn over
// it, and the owner-drawn items of its drop-downs and of the skin's system menu.
//
// The band's drop-downs are tracked inside one of the skinner's procedures (a non-client click or a system
// command), so the manager never frees the skinner while a drop-down is open. A detach during the menu loop ends
// the menu, gives the menu back at once and keeps the band object until tracking has returned.

#include <algorithm>

#include "framework/Forms.h"
#include "framework/Graphics.h"
#include "framework/ImgList.h"
#include "framework/Menus.h"
#include "skin/data/SkinData.h"
#include "skin/form/SkinDraw.h"
#include "skin/form/SkinForm.h"
#include "skin/form/SkinMenuBar.h"
#include "skin/form/SkinMenuItems.h"

namespace qd {

class TSkinForm::TMenuBarLink : public ISkinMenuBarOwner {
public:
    explicit TMenuBarLink(TSkinForm* form) noexcept : FForm(form) {}
    void DropDownOpening(HMENU menu) override { FForm->MenuDropDownOpening(menu); }
    void DropDownClosed() override { FForm->MenuDropDownClosed(); }
    void PaintBandOverlay(HDC dc) override { FForm->PaintMenuBandOverlay(dc); }

private:
    TSkinForm* FForm;
};

void TSkinForm::BuildMenuBar() {
    FAttached.Menu = ::GetMenu(FHandle);
    FFrame.MenuHeight = 0;
    if (!FSkinData) return;
    FMenuItems = std::make_unique<TSkinMenuItems>(*FSkinData);
    if (!FAttached.Menu || FMDIRole == TMDIRole::Child || FFrame.Kind == TFrameKind::NoFrame) return;
    if (!FMenuBarLink) FMenuBarLink = std::make_unique<TMenuBarLink>(this);
    FMenuBar = std::make_unique<TSkinMenuBar>(FHandle, *FSkinData, FMenuBarLink.get());
    if (!BuildMenuButtons()) {
        FMenuBar.reset();
        return;
    }
    FFrame.MenuHeight = ::GetSystemMetrics(SM_CYMENU);
}

bool TSkinForm::BuildMenuButtons() {
    TMainMenu* menu = FForm ? FForm->Menu() : nullptr;
    if (menu && FSkinData && FSkinData->MenuMerge) return FMenuBar->BuildMerged(menu);
    return FMenuBar->BuildFromMenu(menu);
}

void TSkinForm::RebuildMenuBar() {
    if (!FMenuBar || FMenuBar->Tracking()) {
        FMenuRebuildPending = FMenuBar != nullptr;
        return;
    }
    FMenuRebuildPending = false;
    BuildMenuButtons();
    if (SkinnedFrameShown()) PaintFrame();
}

bool TSkinForm::FormMenuReplaced() {
    if (!FSkinFrame || !FSkinData || !FForm || FMDIRole == TMDIRole::Child || FFrame.Kind == TFrameKind::NoFrame ||
        WindowGone())
        return false;
    // The old menu's band goes at once: its buttons point into that menu, which may be freed next.
    if (FMenuBar && FMenuBar->Tracking()) {
        FMenuBar->CancelTracking();
        FRetiredMenuBar = std::move(FMenuBar);
    }
    FMenuBar.reset();
    FMenuRebuildPending = false;
    const int before = FFrame.MenuHeight;
    FFrame.MenuHeight = 0;
    if (TMainMenu* menu = FForm->Menu()) {
        if (!FMenuBarLink) FMenuBarLink = std::make_unique<TMenuBarLink>(this);
        FMenuBar = std::make_unique<TSkinMenuBar>(FHandle, *FSkinData, FMenuBarLink.get());
        if (FMenuBar->BuildFromMenu(menu))
            FFrame.MenuHeight = ::GetSystemMetrics(SM_CYMENU);
        else
            FMenuBar.reset();
    }
    // As under a platform menu bar the client keeps its size: the window grows or shrinks by the band, and the
    // standard frame given back at detach has the menu bar the window will have then.
    const int change = FFrame.MenuHeight - before;
    FAttached.StandardFrame.cy += change;
    RECT wr{};
    ::GetWindowRect(FHandle, &wr);
    const bool resize = change != 0 && SkinnedFrameShown() && !::IsZoomed(FHandle) && !::IsIconic(FHandle);
    ::SetWindowPos(FHandle, nullptr, 0, 0, wr.right - wr.left, wr.bottom - wr.top + (resize ? change : 0),
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    if (SkinnedFrameShown()) PaintFrame();
    return true;
}

void TSkinForm::ReleaseMenuBar(bool windowGoing) {
    if (FMenuItems) FMenuItems->Restore();
    if (!FMenuBar) return;
    if (windowGoing) {
        FMenuBar->CancelTracking();
        // The menu of a plain window is ours to free now: it is no longer on the window, which would have.
        if (!FMenuBar->Menu() && ::IsMenu(FMenuBar->MenuHandle())) ::DestroyMenu(FMenuBar->MenuHandle());
    } else {
        FMenuBar->GiveBack();
    }
    if (FMenuBar->Tracking())
        FRetiredMenuBar = std::move(FMenuBar);
    else
        FMenuBar.reset();
}

void TSkinForm::OpenMenuButton(int index, bool byKeyboard) {
    if (!FMenuBar) return;
    if (FMouse.HotObject) FMouse.HotObject->MouseLeave();
    FMenuBar->PopupMenuButton(index, byKeyboard);
    if (FRetiredMenuBar && !FRetiredMenuBar->Tracking()) FRetiredMenuBar.reset();
    if (FMenuRebuildPending) RebuildMenuBar();
}

int TSkinForm::MenuItemsConverted() const noexcept { return FMenuItems ? FMenuItems->ConvertedCount() : 0; }

void TSkinForm::MenuDropDownOpening(HMENU menu) {
    FMouse.MenuTracking = true;
    FManager->SetMenuKind(MenuKindMenuBar);
    FManager->SetMenuFromBar(true);
    if (FMenuItems) FMenuItems->Convert(menu);
}

void TSkinForm::MenuDropDownClosed() {
    if (FMenuItems) FMenuItems->Restore();
    FMouse.MenuTracking = false;
}

void TSkinForm::ForgetMDIFrame() {
    if (FMDIRole == TMDIRole::Frame && FMDIClient && FManager->MDIClientHandle() == FMDIClient)
        FManager->SetMDIClient(nullptr, nullptr);
}

bool TSkinForm::InMenuBand(POINT p) const noexcept {
    return FMenuBar && FFrame.MenuHeight > 0 && p.y >= FFrame.Top && p.y < FFrame.Top + FFrame.MenuHeight &&
           p.x >= FFrame.Left && p.x < FPainted.WindowWidth - FFrame.Right;
}

void TSkinForm::PaintMenuBand(HDC dc) {
    if (!FMenuBar || FFrame.MenuHeight <= 0) return;
    FMenuBar->Paint(dc,
                    RECT{FFrame.Left, FFrame.Top, FPainted.WindowWidth - FFrame.Right, FFrame.Top + FFrame.MenuHeight},
                    FActive);
    PaintMenuBandOverlay(dc);
}

void TSkinForm::PaintMenuBandOverlay(HDC dc) {
    // A maximised MDI child shows its minimise, restore and close buttons at the end of the frame's band.
    if (FMDIRole != TMDIRole::Frame || !ActiveChildMaximized()) return;
    for (auto& b : FSysButtons) {
        const TDataSkinSysButton& d = *b->Data;
        if (d.Visibility != 100 || !b->Visible || d.Bitmap.Empty()) continue;
        DrawSkinFrame(dc, b->Rect, d.Bitmap.Handle(), true, d.FrameCount > 0 ? d.FrameCount : 1, 1);
    }
    if (!FManager->MDIChildMaximized()) FManager->SetMDIChildMaximized(true);
}

bool TSkinForm::MenuKey(LPARAM key) {
    if (!FMenuBar || FFrame.MenuHeight <= 0 || TSkinMenuBar::AnyTracking()) return false;
    int index = -1;
    if (key == 0) {
        // Alt or F10 alone: into the band, on its first button, as a platform menu bar.
        index = FMenuBar->FirstButton();
    } else if (const TMenuBtn* b = FMenuBar->FindAccelButton(static_cast<wchar_t>(key))) {
        index = b->Index;
    }
    if (index < 0) return false;
    OpenMenuButton(index, true);
    return true;
}

bool TSkinForm::MenuItemMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (msg) {
        case WM_MENUSELECT:
            // Sent, never posted: the band's filter hook cannot see it, so the band hears of it here.
            TSkinMenuBar::MenuSelect(wParam, lParam);
            return false;
        case WM_INITMENUPOPUP:
            FManager->SetMenuKind(reinterpret_cast<HMENU>(wParam) == FAttached.SysMenu ? MenuKindSystem
                                                                                       : MenuKindMenuBar);
            if (!TSkinMenuBar::SwallowInitPopup(reinterpret_cast<HMENU>(wParam))) return false;
            result = 0;
            return true;
        case WM_MEASUREITEM:
            if (wParam != 0 || !FMenuItems || !lParam) return false;
            if (!FMenuItems->Measure(*reinterpret_cast<MEASUREITEMSTRUCT*>(lParam))) return false;
            result = TRUE;
            return true;
        case WM_DRAWITEM: {
            if (wParam != 0 || !FMenuItems || !lParam) return false;
            const auto& dis = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
            if (dis.CtlType != ODT_MENU) return false;
            const HMENU menu = reinterpret_cast<HMENU>(dis.hwndItem);
            FManager->ClaimPendingPopup(menu);
            if (!FMenuItems->Draw(dis, FManager->FindPopupBitmap(menu))) return false;
            result = TRUE;
            return true;
        }
        default:
            return false;
    }
}

// ---------------------------------------------------------------------------------------------------------------
// The form's popup menus: owner-drawn through handlers on their items while the skin is on

namespace {

// The handlers the skinner puts on framework items; told apart from the application's by their type, so that
// taking them off never removes one the application set.
struct TSkinItemMeasure {
    TSkinForm* Form;
    void operator()(TObject* sender, TCanvas*, int& width, int& height) const {
        if (auto* item = dynamic_cast<TMenuItem*>(sender)) Form->MeasureFrameworkItem(*item, width, height);
    }
};
struct TSkinItemDraw {
    TSkinForm* Form;
    void operator()(TObject* sender, TCanvas* canvas, const RECT& rect, TOwnerDrawState state) const {
        if (auto* item = dynamic_cast<TMenuItem*>(sender); item && canvas)
            Form->DrawFrameworkItem(*item, canvas->Handle(), rect, state);
    }
};

template <class F>
void ForEachItem(TMenuItem& parent, const F& f) {
    for (int i = 0; i < parent.Count(); ++i) {
        TMenuItem* item = parent.Items(i);
        f(*item);
        ForEachItem(*item, f);
    }
}

TMenuItemLook LookOf(TMenuItem& item) {
    TMenuItemLook look;
    look.Separator = item.IsLine();
    look.Caption = item.Caption();
    look.ShortCut = ShortCutToText(item.ShortCut());
    look.Disabled = !item.Enabled();
    look.Checked = item.Checked();
    look.Radio = item.RadioItem();
    look.Default = item.Default();
    look.SubMenu = item.Count() > 0;
    if (TMenu* menu = item.GetParentMenu(); menu && menu->Images()) {
        look.Images = menu->Images()->Handle();
        look.ImageIndex = item.ImageIndex();
    }
    return look;
}

}  // namespace

void TSkinForm::MeasureFrameworkItem(TMenuItem& item, int& width, int& height) {
    if (!FMenuItems) return;
    const SIZE size = FMenuItems->Painter().Measure(LookOf(item));
    width = size.cx;
    height = size.cy;
}

void TSkinForm::DrawFrameworkItem(TMenuItem& item, HDC dc, const RECT& rect, UINT state) {
    if (!FMenuItems || !dc) return;
    TMenuItemLook look = LookOf(item);
    look.Selected = (state & ODS_SELECTED) != 0;
    look.HideMnemonics = (state & ODS_NOACCEL) != 0;
    HMENU parent = item.Parent() && item.Parent()->HandleAllocated() ? item.Parent()->Handle() : nullptr;
    FManager->ClaimPendingPopup(parent);
    FMenuItems->Painter().Draw(dc, rect, look, FManager->FindPopupBitmap(parent), MenuBackgroundOrigin(dc));
}

void TSkinForm::OwnerDrawPopups(bool on) {
    if (!FForm) return;
    if (!on) {
        for (int i = 0; i < FForm->ComponentCount(); ++i) {
            auto* popup = dynamic_cast<TPopupMenu*>(FForm->Components(i));
            if (!popup) continue;
            ForEachItem(popup->Items(), [](TMenuItem& item) {
                if (item.OnMeasureItem.target<TSkinItemMeasure>()) item.OnMeasureItem = nullptr;
                if (item.OnAdvancedDrawItem.target<TSkinItemDraw>()) item.OnAdvancedDrawItem = nullptr;
            });
            for (const auto& [menu, ownerDraw] : FSavedOwnerDraw)
                if (menu == popup) popup->SetOwnerDraw(ownerDraw);
        }
        FSavedOwnerDraw.clear();
        return;
    }
    if (!FSkinData || !FMenuItems || !(FSkinData->SkinControls() & SkinControlBit(xcPopupMenu))) return;
    for (int i = 0; i < FForm->ComponentCount(); ++i) {
        auto* popup = dynamic_cast<TPopupMenu*>(FForm->Components(i));
        if (!popup || popup->Tag() % 100 == FSkinData->DisableTag()) continue;
        if (std::any_of(FSavedOwnerDraw.begin(), FSavedOwnerDraw.end(), [&](auto& s) { return s.first == popup; }))
            continue;
        FSavedOwnerDraw.emplace_back(popup, popup->OwnerDraw());
        // Items the application draws itself keep their own handlers.
        ForEachItem(popup->Items(), [this](TMenuItem& item) {
            if (item.OnMeasureItem || item.OnDrawItem || item.OnAdvancedDrawItem) return;
            item.OnMeasureItem = TSkinItemMeasure{this};
            item.OnAdvancedDrawItem = TSkinItemDraw{this};
        });
        popup->SetOwnerDraw(true);
    }
}

}  // namespace qd
