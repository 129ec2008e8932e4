#pragma once
// TSkinData: the non-visual component that holds one skin package, builds the skin objects from it and switches
// skinning on and off through the skin manager (skin/data/SkinManagerIntf.h).
//
// Start-up order it relies on: the form reader creates it (csLoading set), sets its published properties - the
// stored "SkinStream" loads the package at once - and then calls Loaded, which registers it with the manager and,
// for the main form's component, requests skin all after 250 ms. SetActive, SetSkinFile and ApplySkinChange talk
// to the manager only outside loading; a component made in code creates the manager itself when first activated.
//
// Untrusted input: a stored package whose count exceeds the bytes that follow, a package above
// MaxSkinPackageSize, a skin file above that size, every package the reader refuses and every package whose
// images need more than MaxSkinPixelBytes (or more memory than there is) are "not loadable": the component stays
// SkinEmpty, as after a wrong version but without the message. LoadError() then says why, when the build did.

#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "framework/Classes.h"
#include "framework/Component.h"
#include "framework/FormText.h"
#include "framework/Graphics.h"
#include "skin/data/SkinObjects.h"

namespace qd {

class ISkinManager;
class TQuickIni;
class TSkinReader;

// Kinds of controls and menus that can be skinned; the value is the bit number in TSkinControls.
enum TSkinControlType : unsigned {
    xcMainMenu,
    xcPopupMenu,
    xcMenuItem,
    xcToolbar,
    xcControlbar,
    xcCombo,
    xcCheckBox,
    xcRadioButton,
    xcProgress,
    xcScrollbar,
    xcEdit,
    xcButton,
    xcBitBtn,
    xcSpeedButton,
    xcPanel,
    xcGroupBox,
    xcStatusBar,
    xcTab,
    xcSystemMenu,
    xcFastReport
};
using TSkinControls = std::uint32_t;
constexpr TSkinControls SkinControlBit(TSkinControlType type) noexcept { return TSkinControls{1} << type; }
// Every kind except xcMenuItem and xcFastReport.
inline constexpr TSkinControls DefaultSkinControls = 0x7FFFB;

enum TSkinOption : unsigned { xoMDIScrollbar, xoMenuMerge, xoNCPaint };
using TSkinOptions = std::uint32_t;
constexpr TSkinOptions SkinOptionBit(TSkinOption option) noexcept { return TSkinOptions{1} << option; }

enum class TSkinFormType { sfMainform, sfOnlyThisForm, sfDialog };
using enum TSkinFormType;

class TSkinData;

// Lets the application veto skinning of a window class: DoSkin is true on entry.
using TOnFormSkin = std::function<void(TObject* Sender, const std::string& aName, bool& DoSkin)>;
// Control-level hook of the control dispatch: may hand back a control skinner in SkinnedControl.
using TOnSkinControl = std::function<void(TObject* Sender, TSkinData* SkinData, TComponent* Form, TComponent* Control,
                                          const std::string& ControlClass, TComponent*& SkinnedControl)>;
// Fired by the skin manager for every new top-level window.
using TOnWindowCreated = std::function<void(TObject* Sender, HWND Wnd, const std::string& ClassName)>;

class TSkinData : public TComponent, public TSkinObjects {
    QD_CLASS_INFO

public:
    static constexpr char FixedVersion[] = "3.02.03.09";
    static constexpr int DefaultDisableTag = 99;
    static constexpr int DefaultSkin3rdCount = 115;
    // Kinds read from Skin3rd are cut to this many characters.
    static constexpr std::size_t MaxSkin3rdKindLength = 50;

    explicit TSkinData(TComponent* AOwner);
    ~TSkinData() override;

    // Published properties, in declaration order.
    bool Active() const noexcept { return FActive; }
    void SetActive(bool value);
    int DisableTag() const noexcept { return FDisableTag; }
    void SetDisableTag(int value) noexcept { FDisableTag = value; }
    TSkinControls SkinControls() const noexcept { return FSkinControls; }
    void SetSkinControls(TSkinControls value) noexcept { FSkinControls = value & ((1u << (xcFastReport + 1)) - 1); }
    TSkinOptions Options() const noexcept { return FOptions; }
    void SetOptions(TSkinOptions value) noexcept { FOptions = value & 7u; }
    TStringList Skin3rd;
    const std::string& SkinFile() const noexcept { return FSkinFile; }
    void SetSkinFile(const std::string& path);
    // "(Good)" in a form designer while a package is held, "(none)" otherwise. Assignments are ignored.
    std::string SkinStore() const;
    void SetSkinStore(const std::string&) noexcept {}
    TSkinFormType SkinFormtype() const noexcept { return FSkinFormtype; }
    void SetSkinFormtype(TSkinFormType value) noexcept { FSkinFormtype = value; }
    // Always FixedVersion; assignments are ignored.
    std::string Version() const { return FixedVersion; }
    void SetVersion(const std::string&) noexcept {}
    bool MenuUpdate = true;
    bool MenuMerge = false;
    TOnFormSkin OnFormSkin;
    TNotifyEvent OnSkinChanged;
    TOnSkinControl OnSkinControl;

    // Public, not stored.
    TOnWindowCreated OnWindowCreated;

    // The held package bytes (empty: none). Kept after loading so the skin can be stored again with the form.
    TMemoryStream SkinPackage;
    // True from creation and from the start of every load until a load completes.
    bool SkinEmpty = true;
    // Filled by the form skinner from a window's own icon the first time it needs one.
    TBitmap DefaultIcon;
    // Cleared by the form skinner while it passes on a menu-change notification.
    bool AllowNCPaint = true;
    // 16 x 16 glyphs of the system menu: 0 restore, 1 maximise, 2 minimise, 3 close (null when the program
    // carries no "VENEERMENU" bitmap).
    HIMAGELIST MenuGlyphs() const noexcept { return FMenuGlyphs; }

    void Loaded() override;

    // Expands, indexes and parses the held package and builds the skin objects. False (SkinEmpty stays true)
    // for a wrong version - after the message, shown once - or a package that is not loadable.
    bool LoadSkinPackage();
    // Builds every skin object from a parsed description against the package being loaded; sets SkinEmpty false
    // when the build completed, else keeps the reason in LoadError and returns false.
    bool BuildSkinObjects(const TQuickIni& ini);
    // Why the last load was refused by the object build, or why a piece it left to be made on first use could
    // not be made (empty when neither happened).
    std::string_view LoadError() const noexcept {
        return SkinBuildFailureReason(FBuildOutcome != TSkinBuildOutcome::Built ? FBuildOutcome : FirstUseOutcome());
    }
    // Resolves an image reference of the description against the package being loaded (empty bitmap when the
    // reference or the entry is unusable).
    void LoadSkinBitmap(TBitmap& bitmap, std::string_view reference);
    // Makes already skinned windows pick up a newly loaded skin.
    void ApplySkinChange();
    // The window-class veto the skin manager asks before skinning a window.
    bool FormSkinAllowed(const std::string& className);
    void SkinChanged();

    // The skinner kind Skin3rd gives a control class (lower case, at most 50 characters), if it names one.
    std::optional<std::string> Skin3rdKind(std::string_view className) const;

    // "SkinStream": a 32-bit count, then the package bytes.
    void ReadSkinStream(const TFormValue& value);
    TFormValue WriteSkinStream() const;

    // Shows the wrong-version message. Tests replace it; returns the previous one. Empty = a modal message box.
    using TMessageHook = std::function<void(const std::wstring& text)>;
    static TMessageHook SetMessageHook(TMessageHook hook);

    // The 110 default Skin3rd lines, "class=kind".
    static const TStringList& DefaultSkin3rd();

private:
    bool InDesigner() const noexcept { return HasState(TComponentStateFlag::csDesigning); }
    bool Reading() const noexcept { return HasState(TComponentStateFlag::csLoading); }
    // The manager, created and this component registered with it if either has not happened yet.
    ISkinManager& Manager();
    void LoadMenuGlyphs() noexcept;

    bool FActive = false;
    int FDisableTag = DefaultDisableTag;
    TSkinControls FSkinControls = DefaultSkinControls;
    TSkinOptions FOptions = 0;
    std::string FSkinFile;
    TSkinFormType FSkinFormtype = sfMainform;
    HIMAGELIST FMenuGlyphs = nullptr;
    bool FRegistered = false;
    const TSkinReader* FLoadingReader = nullptr;                 // set only while a package is being built
    TSkinBuildOutcome FBuildOutcome = TSkinBuildOutcome::Built;  // of the last load's object build
};

// Registers TSkinData for stored descriptions (once; also done when the program starts).
void RegisterSkinDataClasses();

}  // namespace qd
