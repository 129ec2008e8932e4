#pragma once
// The control dispatch: which control skinner a form skinner gives each control of its form, or each child window
// of a foreign window (common dialogs, message boxes).
//
// The decision is a pure function of facts about a control (class name, window styles, Tag, what kind of framework
// control it is) and of the skin data's settings (DisableTag, SkinControls, the Skin3rd mapping, whether the skin has
// tab bitmaps). The walks gather those facts and hand each decision to a sink: the form skinner creates the named
// control skinner there. Nothing here creates a skinner.

#include <windows.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "skin/data/SkinData.h"

namespace qd {

class TComponent;
class TControl;
class TForm;

// Control skinners the dispatch can name.
enum class TSkinnerKind {
    None,
    Custom,
    ComBox,
    Edit,
    RadioButton,
    CheckBox,
    Box,
    BoxH,
    TrackBar,
    Button,
    BitButton,
    SpeedButton,
    Tab,
    Tab31,
    Progress,
    Scrollbar,
    GroupBox,
    UpDown,
    ObjImage,
    StatusBar,
    Sizer
};
const char* SkinnerKindName(TSkinnerKind kind) noexcept;

// What happens to a control's children after the control itself was decided.
enum class TChildDispatch {
    None,
    All,             // the control's own components / an embedded form's components go through the whole dispatch
    Skin3rdOnly,     // "container": each child by its class name in Skin3rd alone
    ScrollbarsOnly,  // "embedscrollbar": a scroll bar skinner for each child that has scroll bars
    RadioButtons,    // "radiogroup": a radio button skinner for every child
    CheckBoxes       // "checkgroup": a check box skinner for every child
};

struct TDispatchDecision {
    TSkinnerKind Kind = TSkinnerKind::None;
    TChildDispatch Children = TChildDispatch::None;
    bool SetTransparent = false;  // set the control's Transparent property first
    bool SetFlat = false;         // set the control's Flat property first
    bool SizeGripOff = false;     // turn a status bar's size grip off first
    int ObjImageMode = 0;         // Mode of a TSkinObjImage before attaching
    bool operator==(const TDispatchDecision&) const = default;
};

// Facts about one framework control.
struct TControlFacts {
    std::string ClassName;  // as the class reports it ("TButton")
    bool Windowed = false;  // a TWinControl
    DWORD Style = 0;        // GWL_STYLE of its window (0 without a window)
    std::intptr_t Tag = 0;
    bool IsStatusBar = false;
    bool IsProgressBar = false;
    bool IsPushButton = false;
    bool IsEmbeddedForm = false;
    bool ShowsUpDown = false;                // a date-time picker in up-down mode
    std::optional<std::int64_t> NumButtons;  // published integer NumButtons, when the class has one
};

// The skin data's settings the dispatch reads.
struct TDispatchSettings {
    int DisableTag = TSkinData::DefaultDisableTag;
    TSkinControls SkinControls = DefaultSkinControls;
    bool HasTabs = false;
    // The Skin3rd lookup (lower case, at most 50 characters), empty optional when the class has no entry.
    std::function<std::optional<std::string>(std::string_view className)> Skin3rd;

    static TDispatchSettings From(const TSkinData& skinData);
    bool Has(TSkinControlType type) const noexcept { return (SkinControls & SkinControlBit(type)) != 0; }
};

// Tag mod 100 equals DisableTag (Tag 199 with DisableTag 99 is disabled; negative tags never are).
bool TagDisablesSkin(std::intptr_t tag, int disableTag) noexcept;
// A windowed control with WS_HSCROLL or WS_VSCROLL, or any control whose Tag is 55.
bool ControlHasScrollBars(bool windowed, DWORD style, std::intptr_t tag) noexcept;

// The decision for a Skin3rd kind ("combobox", "nil", ...); kinds are compared as given (already lower case).
TDispatchDecision DecideSkin3rdKind(std::string_view kind, const TDispatchSettings& settings);
// Rules after the Tag and OnSkinControl rules: Skin3rd mapping, the refused classes, then by class.
TDispatchDecision DecideControl(const TControlFacts& facts, const TDispatchSettings& settings);
// A child window of a foreign window, by its class name (any case) and style.
TSkinnerKind DecidePlainWindow(std::string_view className, DWORD style) noexcept;
// The size-grip rule of the creation hook: a "ScrollBar" window with SBS_SIZEGRIP.
bool IsSizeGripWindow(std::string_view className, DWORD style) noexcept;

// ---------------------------------------------------------------------------------------------------------------
// Walks

// What the walk changed on a control before handing it on: each value as it was before (none: not changed).
struct TDispatchChanges {
    std::optional<bool> Transparent;
    std::optional<bool> Flat;
    std::optional<bool> SizeGrip;
    bool operator==(const TDispatchChanges&) const = default;
};

// One decided control (or child window).
struct TDispatchItem {
    TControl* Control = nullptr;  // null for a plain child window
    HWND Window = nullptr;        // the window the skinner goes on (a combo box ex: its first child)
    TDispatchDecision Decision;
    TComponent* CustomSkinner = nullptr;  // what OnSkinControl handed back (Kind == Custom)
    TDispatchChanges Changed;             // for the skinner to give back on Unskin
};

struct TFormDispatchContext {
    TSkinData* SkinData = nullptr;
    TObject* Sender = nullptr;  // the form skinner, for OnSkinControl
    // True when the form skinner already has a skinner for this control.
    std::function<bool(TControl*)> IsHandled;
    // Receives every decision with a skinner (Kind != None); children follow their parent.
    std::function<void(const TDispatchItem&)> Sink;
};

// Walks the components owned by `form` in order and dispatches every control.
void DispatchFormControls(TForm& form, const TFormDispatchContext& context);
// Walks the direct WS_CHILD children of `parent`; a child answering WM_SKIN_QUERY with 1 is skipped.
void DispatchPlainWindow(HWND parent, const std::function<void(const TDispatchItem&)>& sink);

// Facts of a framework control (creates nothing; reads the window style only when the window exists).
TControlFacts GatherControlFacts(TControl& control);

}  // namespace qd
