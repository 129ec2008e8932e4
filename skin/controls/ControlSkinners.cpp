// The dispatch's sink: from a decision to an attached control skinner.

#include "framework/ComCtrls.h"
#include "skin/controls/ControlDispatch.h"
#include "skin/controls/SkinControl.h"
#include "skin/controls/SkinControlButtons.h"
#include "skin/controls/SkinEdits.h"
#include "skin/controls/SkinScrollBars.h"
#include "skin/controls/SkinPanels.h"
#include "skin/controls/SkinTabs.h"
#include "skin/form/SkinMessages.h"

namespace qd {

namespace {

TSkinControl* NewSkinner(TSkinnerKind kind, TComponent* owner, HWND wnd) {
    switch (kind) {
        case TSkinnerKind::Scrollbar:
            // A scroll bar control is one bar over the whole window; anything else has window scroll bars.
            if (IsScrollBarControl(wnd)) return new TSkinScControl(owner);
            if (dynamic_cast<TListView*>(owner) || IsListViewControl(wnd)) return new TSkinListView(owner);
            return new TSkinScrollbar(owner);
        case TSkinnerKind::Sizer:
            return new TSkinSizer(owner);
        case TSkinnerKind::Button:
            return new TSkinButton(owner);
        case TSkinnerKind::BitButton:
            return new TSkinBitButton(owner);
        case TSkinnerKind::SpeedButton:
            return new TSkinSpeedButton(owner);
        case TSkinnerKind::CheckBox:
            return new TSkinCheckBox(owner);
        case TSkinnerKind::RadioButton:
            return new TSkinRadioButton(owner);
        case TSkinnerKind::ComBox:
            return new TSkinComBox(owner);
        case TSkinnerKind::Edit:
            return new TSkinEdit(owner);
        case TSkinnerKind::UpDown:
            return new TSkinUpDown(owner);
        case TSkinnerKind::Tab:
            return new TSkinTab(owner);
        case TSkinnerKind::Progress:
            return new TSkinProgress(owner);
        case TSkinnerKind::TrackBar:
            return new TSkinTrackBar(owner);
        case TSkinnerKind::GroupBox:
            return new TSkinGroupBox(owner);
        case TSkinnerKind::StatusBar:
            return new TSkinStatusBar(owner);
        case TSkinnerKind::Box:
            return new TSkinBox(owner);
        case TSkinnerKind::BoxH:
            return new TSkinBoxH(owner);
        case TSkinnerKind::ObjImage:
            return new TSkinObjImage(owner);
        default:
            return nullptr;  // kinds whose skinners are not built yet: the control keeps its own look
    }
}

bool IsButtonKind(TSkinnerKind kind) {
    return kind == TSkinnerKind::Button || kind == TSkinnerKind::BitButton || kind == TSkinnerKind::CheckBox ||
           kind == TSkinnerKind::RadioButton;
}

}  // namespace

TSkinControl* CreateControlSkinner(ISkinForm& form, const TDispatchItem& item) {
    TSkinData* skinData = form.SkinData();
    if (!skinData) return nullptr;
    TSkinControl* skinner = nullptr;
    if (item.Decision.Kind == TSkinnerKind::Custom) {
        skinner = dynamic_cast<TSkinControl*>(item.CustomSkinner);
        if (!skinner || skinner->IsAttached()) return nullptr;
    } else {
        HWND wnd = item.Window;
        // Never skinned twice (a windowless control answers through its own message handler).
        if (wnd && ::SendMessageW(wnd, WM_SKIN_QUERY, 0, 0) == 1) return nullptr;
        if (!wnd && item.Control && item.Control->Perform(WM_SKIN_QUERY) == 1) return nullptr;
        if (!item.Control && wnd && IsButtonKind(item.Decision.Kind) &&
            !ButtonStyleSkinnable(static_cast<DWORD>(::GetWindowLongPtrW(wnd, GWL_STYLE))))
            return nullptr;
        skinner = NewSkinner(item.Decision.Kind, item.Control, wnd);
        if (!skinner) return nullptr;
        if (auto* image = dynamic_cast<TSkinObjImage*>(skinner)) image->Mode = item.Decision.ObjImageMode;
    }
    if (form.RegisterControl(skinner)) {
        // Already listed: not attached a second time.
        if (item.Decision.Kind != TSkinnerKind::Custom) delete skinner;
        return nullptr;
    }
    if (item.Control) skinner->KeepDispatchChanges(item.Changed);
    TCanvas* canvas = form.ControlCanvas();
    if (item.Control && !item.Control->IsWindowed())
        skinner->AttachGraphic(&form, skinData, canvas);
    else if (item.Control)
        skinner->AttachControl(&form, skinData, false, canvas);
    else
        skinner->AttachWindow(item.Window, skinData, &form, canvas);
    if (!skinner->IsAttached()) {
        form.UnregisterControl(skinner);
        delete skinner;
        return nullptr;
    }
    return skinner;
}

}  // namespace qd
