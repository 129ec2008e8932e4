#include "skin/controls/ControlDispatch.h"

#include <algorithm>
#include <array>
#include <cctype>

#include "framework/CallbackEdge.h"
#include "framework/ComCtrls.h"
#include "framework/Controls.h"
#include "framework/Forms.h"
#include "framework/Properties.h"
#include "skin/form/SkinMessages.h"

namespace qd {

namespace {

std::string Upper(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

std::string Lower(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

TDispatchDecision Make(TSkinnerKind kind, bool allowed) {
    TDispatchDecision d;
    if (allowed) d.Kind = kind;
    return d;
}

// The same, and `change` asked of the control before it is skinned (given back when the skin goes).
TDispatchDecision MakeChanging(TSkinnerKind kind, bool allowed, bool TDispatchDecision::*change) {
    TDispatchDecision d = Make(kind, allowed);
    d.*change = allowed;
    return d;
}

// Children of a radio/check group get their skinners only with xcRadioButton; the group box itself then needs
// xcGroupBox.
TDispatchDecision GroupDecision(TChildDispatch children, const TDispatchSettings& s) {
    TDispatchDecision d;
    if (!s.Has(xcRadioButton)) return d;
    d.Children = children;
    if (s.Has(xcGroupBox)) d.Kind = TSkinnerKind::GroupBox;
    return d;
}

}  // namespace

const char* SkinnerKindName(TSkinnerKind kind) noexcept {
    static constexpr std::array<const char*, 21> names = {
        "None",          "Custom",         "TSkinComBox",   "TSkinEdit",      "TSkinRadioButton", "TSkinCheckBox",
        "TSkinBox",      "TSkinBoxH",      "TSkinTrackBar", "TSkinButton",    "TSkinBitButton",   "TSkinSpeedButton",
        "TSkinTab",      "TSkinTab31",     "TSkinProgress", "TSkinScrollbar", "TSkinGroupBox",    "TSkinUpDown",
        "TSkinObjImage", "TSkinStatusBar", "TSkinSizer"};
    const auto i = static_cast<std::size_t>(kind);
    return i < names.size() ? names[i] : "?";
}

TDispatchSettings TDispatchSettings::From(const TSkinData& skinData) {
    TDispatchSettings s;
    s.DisableTag = skinData.DisableTag();
    s.SkinControls = skinData.SkinControls();
    s.HasTabs = skinData.Tabs != nullptr;
    const TSkinData* data = &skinData;
    s.Skin3rd = [data](std::string_view className) { return data->Skin3rdKind(className); };
    return s;
}

bool TagDisablesSkin(std::intptr_t tag, int disableTag) noexcept { return tag % 100 == disableTag; }

bool ControlHasScrollBars(bool windowed, DWORD style, std::intptr_t tag) noexcept {
    if (tag == 55) return true;
    return windowed && (style & (WS_HSCROLL | WS_VSCROLL)) != 0;
}

TDispatchDecision DecideSkin3rdKind(std::string_view kind, const TDispatchSettings& s) {
    using K = TSkinnerKind;
    TDispatchDecision d;
    if (kind == "combobox") return Make(K::ComBox, s.Has(xcCombo));
    if (kind == "edit") return Make(K::Edit, s.Has(xcEdit));
    if (kind == "radiobutton") return Make(K::RadioButton, s.Has(xcRadioButton));
    if (kind == "checkbox") return Make(K::CheckBox, s.Has(xcCheckBox));
    if (kind == "panel") return MakeChanging(K::Box, s.Has(xcPanel), &TDispatchDecision::SetTransparent);
    if (kind == "trackbar") return MakeChanging(K::TrackBar, s.Has(xcButton), &TDispatchDecision::SetTransparent);
    if (kind == "button") return Make(K::Button, s.Has(xcButton));
    if (kind == "bitbtn") return Make(K::BitButton, s.Has(xcButton));
    if (kind == "speedbutton") return Make(K::SpeedButton, s.Has(xcSpeedButton));
    if (kind == "tab") return Make(K::Tab, s.Has(xcTab) && s.HasTabs);
    if (kind == "progress") return Make(K::Progress, s.Has(xcProgress));
    if (kind == "scrollbar") {
        d = Make(K::Scrollbar, s.Has(xcScrollbar));
        if (s.Has(xcScrollbar)) d.Children = TChildDispatch::All;
        return d;
    }
    if (kind == "embedscrollbar") {
        if (s.Has(xcScrollbar)) d.Children = TChildDispatch::ScrollbarsOnly;
        return d;
    }
    if (kind == "container") {
        d.Children = TChildDispatch::Skin3rdOnly;
        return d;
    }
    if (kind == "groupbox") return Make(K::GroupBox, s.Has(xcGroupBox));
    if (kind == "radiogroup") {
        // A radio group needs xcGroupBox for itself to be considered at all.
        if (!s.Has(xcGroupBox)) return d;
        return GroupDecision(TChildDispatch::RadioButtons, s);
    }
    if (kind == "checkgroup") {
        // A check group needs xcPanel for itself to be considered at all.
        if (!s.Has(xcPanel)) return d;
        return GroupDecision(TChildDispatch::CheckBoxes, s);
    }
    return d;  // "nil" and unknown kinds: no skinner
}

TDispatchDecision DecideControl(const TControlFacts& f, const TDispatchSettings& s) {
    using K = TSkinnerKind;
    if (s.Skin3rd) {
        if (std::optional<std::string> kind = s.Skin3rd(f.ClassName)) return DecideSkin3rdKind(*kind, s);
    }
    const std::string cls = Upper(f.ClassName);
    if (cls == "TDBCOMBOBOXEH" || cls == "TQRPREVIEW" || cls == "TFRDESIGNERPAGE" || cls == "TFRPBOX") return {};

    TDispatchDecision d;
    if (cls == "TTABSET") return Make(K::Tab31, s.Has(xcTab) && s.HasTabs);
    if (cls == "TTABBEDNOTEBOOK") return Make(K::Tab, s.Has(xcTab) && s.HasTabs);
    if (cls == "TMVCPANEL") return d;
    if (cls == "TTRACKBAR") return Make(K::TrackBar, s.Has(xcButton));
    if (cls == "TUPDOWN" || cls == "TSPINBUTTON") return Make(K::UpDown, s.Has(xcButton));
    if (cls == "TDBNAVIGATOR") return MakeChanging(K::Box, s.Has(xcPanel), &TDispatchDecision::SetFlat);
    if (cls == "TWGDBCHECKBOX") {
        d = Make(K::ObjImage, s.Has(xcCheckBox));
        if (s.Has(xcCheckBox)) d.ObjImageMode = 1;
        return d;
    }
    if (f.IsStatusBar) return MakeChanging(K::StatusBar, s.Has(xcStatusBar), &TDispatchDecision::SizeGripOff);
    if (f.IsProgressBar) return Make(K::Progress, s.Has(xcProgress));
    if (cls == "TDATETIMEPICKER") return Make(f.ShowsUpDown ? K::Edit : K::ComBox, s.Has(xcEdit));
    if (cls == "TRICHEDIT" || cls == "TWWDBRICHEDIT" || cls == "TDXDBMEMO" || cls == "TDXTREELIST" ||
        cls == "TDXDBTREELIST" || cls == "TDXDBGRID")
        return Make(K::Scrollbar, s.Has(xcScrollbar));
    // A list view shows its bars only once it scrolls, and its header always wants the skin.
    if (cls == "TLISTVIEW") return Make(K::Scrollbar, s.Has(xcScrollbar));
    if (ControlHasScrollBars(f.Windowed, f.Style, f.Tag)) return Make(K::Scrollbar, s.Has(xcScrollbar));
    if (cls == "TSCROLLBAR") return Make(K::Scrollbar, s.Has(xcScrollbar));
    if (f.IsPushButton) return Make(K::Button, s.Has(xcButton));
    if (cls == "TDCEDIT" || cls == "TDCDBEDIT") {
        // Only the two documented button counts name a skinner; anything else (or no such property) stays plain.
        if (f.NumButtons == 1) return Make(K::ComBox, s.Has(xcCombo));
        if (f.NumButtons == 0) return Make(K::Edit, s.Has(xcEdit));
        return d;
    }
    if (f.IsEmbeddedForm) {
        d.Kind = K::Box;
        d.Children = TChildDispatch::All;
        return d;
    }
    return d;
}

TSkinnerKind DecidePlainWindow(std::string_view className, DWORD style) noexcept {
    using K = TSkinnerKind;
    std::string cls;
    if (!CallSwallowing([&] { cls = Lower(className); })) return K::None;
    if (cls == "button") {
        // Classified by the button type alone: the other bits (BS_LEFTTEXT, BS_FLAT, ...) must not turn an
        // owner-drawn or command-link button into a check box.
        switch (style & BS_TYPEMASK) {
            case BS_PUSHBUTTON:
            case BS_DEFPUSHBUTTON:
                return K::Button;
            case BS_CHECKBOX:
            case BS_AUTOCHECKBOX:
            case BS_3STATE:
            case BS_AUTO3STATE:
                return K::CheckBox;
            case BS_RADIOBUTTON:
            case BS_AUTORADIOBUTTON:
                return K::RadioButton;
            case BS_GROUPBOX:
                return K::GroupBox;  // framed like the framework's group boxes
            default:
                return K::None;  // user button, push box, owner-draw, split, command link
        }
    }
    // The skin's progress and tab images serve dialogs' own progress bars and tab controls too.
    if (cls == "msctls_progress32") return K::Progress;
    if (cls == "systabcontrol32") return K::Tab;
    if (cls == "combobox") return (style & 3) == CBS_SIMPLE ? K::None : K::ComBox;
    if (cls == "comboboxex32") return K::ComBox;
    if (cls == "scrollbar") {
        // Only a real size box is painted as one; any other scroll bar control gets skinned bars.
        return (style & (SBS_SIZEBOX | SBS_SIZEGRIP)) != 0 ? K::Sizer : K::Scrollbar;
    }
    if (cls == "#32770") return K::BoxH;
    if (cls == "edit") return K::Edit;
    return K::None;  // systreeview32, toolbarwindow32 and every other class
}

bool IsSizeGripWindow(std::string_view className, DWORD style) noexcept {
    if (className.size() != 9) return false;
    for (std::size_t i = 0; i < 9; ++i)
        if (std::tolower(static_cast<unsigned char>(className[i])) != "scrollbar"[i]) return false;
    return (style & SBS_SIZEGRIP) != 0;
}

// ---------------------------------------------------------------------------------------------------------------
// Walks

TControlFacts GatherControlFacts(TControl& control) {
    TControlFacts f;
    f.ClassName = control.ClassName();
    f.Tag = control.Tag();
    if (auto* win = dynamic_cast<TWinControl*>(&control)) {
        f.Windowed = true;
        if (win->HandleAllocated()) f.Style = static_cast<DWORD>(::GetWindowLongPtrW(win->Handle(), GWL_STYLE));
    }
    f.IsStatusBar = dynamic_cast<TStatusBar*>(&control) != nullptr;
    f.IsEmbeddedForm = dynamic_cast<TForm*>(&control) != nullptr;
    const std::string cls = Upper(f.ClassName);
    f.IsPushButton = cls == "TBUTTON";
    f.IsProgressBar = cls == "TPROGRESSBAR";
    if (cls == "TDCEDIT" || cls == "TDCDBEDIT") {
        try {
            TFormValue v = GetPropertyValue(control, "NumButtons");
            if (v.Kind == TFormValueKind::vkInteger) f.NumButtons = v.Integer;
        } catch (const Exception&) {
            // No such property: neither skinner.
        }
    }
    if (cls == "TDATETIMEPICKER" && f.Windowed) {
        // DTS_UPDOWN: the picker shows an up-down control instead of the drop-down button.
        f.ShowsUpDown = (f.Style & 0x0001) != 0;
    }
    return f;
}

namespace {

bool IsPreviewForm(const TForm& form) {
    const std::string name = Lower(form.Name());
    return name.find("preview") != std::string::npos || form.Name() == "TQRStandardPreview" ||
           form.Name() == "TppPrintPreview" || form.Name() == "TdxfmStdPreview";
}

// Sets a boolean property to True; answers what it was, or nothing when the control has no such property.
std::optional<bool> SetBoolProperty(TControl& control, std::string_view name) {
    if (!control.ClassInfo().FindProperty(name)) return std::nullopt;
    try {
        const TFormValue old = GetPropertyValue(control, name);
        SetPropertyText(control, name, "True");
        return old.Kind == TFormValueKind::vkIdent && (old.Text == "True" || old.Text == "true");
    } catch (const Exception&) {
        // A control that refuses the value is skinned as it is.
        return std::nullopt;
    }
}

class TFormWalk {
public:
    TFormWalk(TForm& form, const TFormDispatchContext& context)
        : FForm(form), FContext(context), FSettings(TDispatchSettings::From(*context.SkinData)) {}

    void DispatchOwned(TComponent& owner, int depth) {
        // Components may be added while walking (a control skinner owned by its control): index, not iterator.
        for (int i = 0; i < owner.ComponentCount(); ++i) {
            if (auto* control = dynamic_cast<TControl*>(owner.Components(i))) Dispatch(*control, depth);
        }
    }

private:
    void Emit(TControl* control, HWND window, const TDispatchDecision& d, TComponent* custom = nullptr) {
        if (d.Kind == TSkinnerKind::None || !FContext.Sink) return;
        FContext.Sink(TDispatchItem{control, window, d, custom});
    }

    HWND WindowOf(TControl& control) {
        auto* win = dynamic_cast<TWinControl*>(&control);
        return win && win->HandleAllocated() ? win->Handle() : nullptr;
    }

    void Dispatch(TControl& control, int depth) {
        if (depth > 16) return;  // an ownership cycle cannot recurse without end
        if (TagDisablesSkin(control.Tag(), FSettings.DisableTag)) return;
        if (FContext.IsHandled && FContext.IsHandled(&control)) return;
        if (auto* win = dynamic_cast<TWinControl*>(&control); win && !win->HandleAllocated()) {
            // Preview forms create their pages' windows late: leave them alone.
            if (IsPreviewForm(FForm)) return;
            try {
                win->HandleNeeded();
            } catch (const Exception&) {
                return;
            }
            if (!win->HandleAllocated()) return;
        }
        if (FContext.SkinData->OnSkinControl) {
            TComponent* skinned = nullptr;
            try {
                FContext.SkinData->OnSkinControl(FContext.Sender, FContext.SkinData, &FForm, &control,
                                                 Upper(control.ClassName()), skinned);
            } catch (const Exception&) {
                skinned = nullptr;
            }
            if (skinned) {
                TDispatchDecision d;
                d.Kind = TSkinnerKind::Custom;
                Emit(&control, WindowOf(control), d, skinned);
                return;
            }
        }
        const TDispatchDecision d = DecideControl(GatherControlFacts(control), FSettings);
        TDispatchChanges changed;
        if (d.SetTransparent) changed.Transparent = SetBoolProperty(control, "Transparent");
        if (d.SetFlat) changed.Flat = SetBoolProperty(control, "Flat");
        if (d.SizeGripOff) {
            if (auto* bar = dynamic_cast<TStatusBar*>(&control)) {
                changed.SizeGrip = bar->SizeGrip();
                bar->SetSizeGrip(false);
            }
        }
        if (d.Kind != TSkinnerKind::None && FContext.Sink)
            FContext.Sink(TDispatchItem{&control, WindowOf(control), d, nullptr, changed});
        DispatchChildren(control, d, depth);
    }

    void DispatchChildren(TControl& control, const TDispatchDecision& d, int depth) {
        auto* parent = dynamic_cast<TWinControl*>(&control);
        switch (d.Children) {
            case TChildDispatch::None:
                return;
            case TChildDispatch::All:
                DispatchOwned(control, depth + 1);
                return;
            default:
                break;
        }
        if (!parent) return;
        for (int i = 0; i < parent->ControlCount(); ++i) {
            TControl* child = parent->Controls(i);
            TDispatchDecision cd;
            switch (d.Children) {
                case TChildDispatch::Skin3rdOnly:
                    if (FSettings.Skin3rd) {
                        if (auto kind = FSettings.Skin3rd(child->ClassName())) cd = DecideSkin3rdKind(*kind, FSettings);
                    }
                    break;
                case TChildDispatch::ScrollbarsOnly: {
                    const TControlFacts f = GatherControlFacts(*child);
                    if (ControlHasScrollBars(f.Windowed, f.Style, f.Tag)) cd.Kind = TSkinnerKind::Scrollbar;
                    break;
                }
                case TChildDispatch::RadioButtons:
                    cd.Kind = TSkinnerKind::RadioButton;
                    break;
                case TChildDispatch::CheckBoxes:
                    cd.Kind = TSkinnerKind::CheckBox;
                    break;
                default:
                    break;
            }
            Emit(child, WindowOf(*child), cd);
        }
    }

    TForm& FForm;
    const TFormDispatchContext& FContext;
    TDispatchSettings FSettings;
};

}  // namespace

void DispatchFormControls(TForm& form, const TFormDispatchContext& context) {
    if (!context.SkinData) return;
    TFormWalk(form, context).DispatchOwned(form, 0);
}

void DispatchPlainWindow(HWND parent, const std::function<void(const TDispatchItem&)>& sink) {
    if (!::IsWindow(parent) || !sink) return;
    for (HWND child = ::GetWindow(parent, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        const DWORD style = static_cast<DWORD>(::GetWindowLongPtrW(child, GWL_STYLE));
        if (!(style & WS_CHILD)) continue;
        if (::SendMessageW(child, WM_SKIN_QUERY, 0, 0) == 1) continue;
        wchar_t name[128] = {};
        const int len = ::GetClassNameW(child, name, 128);
        std::string cls;
        for (int i = 0; i < len; ++i) cls.push_back(name[i] < 128 ? static_cast<char>(name[i]) : '?');
        TDispatchItem item;
        item.Window = child;
        item.Decision.Kind = DecidePlainWindow(cls, style);
        if (item.Decision.Kind == TSkinnerKind::None) continue;
        if (Lower(cls) == "comboboxex32") {
            // The skinner goes on the combo box inside the extended one.
            item.Window = ::GetWindow(child, GW_CHILD);
            if (!item.Window) continue;
        }
        sink(item);
    }
}

}  // namespace qd
