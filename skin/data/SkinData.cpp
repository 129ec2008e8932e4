#include "skin/data/SkinData.h"

#include <algorithm>
#include <filesystem>
#include <memory>
#include <system_error>
#include <utility>

#include "framework/CallbackEdge.h"
#include "framework/Forms.h"
#include "framework/Properties.h"
#include "skin/data/QuickIni.h"
#include "skin/data/SkinManagerIntf.h"
#include "skin/data/SkinReader.h"

namespace qd {

namespace {

TSkinData::TMessageHook& MessageHookSlot() {
    static TSkinData::TMessageHook hook;
    return hook;
}

void ShowSkinMessage(const std::wstring& text) {
    if (const auto& hook = MessageHookSlot()) {
        hook(text);
        return;
    }
    ::MessageBoxW(::GetActiveWindow(), text.c_str(), L"", MB_OK | MB_ICONWARNING);
}

}  // namespace

// ---------------------------------------------------------------------------------------------------------------
// Class information

const TClassInfo& TSkinData::StaticClassInfo() {
    static const TClassInfo info =
        TClassBuilder<TSkinData>("TSkinData", &TComponent::StaticClassInfo())
            .Bool("Active", &TSkinData::Active, &TSkinData::SetActive)
            .Int("DisableTag", &TSkinData::DisableTag, &TSkinData::SetDisableTag)
            .Set("SkinControls", &TSkinData::SkinControls, &TSkinData::SetSkinControls,
                 {"xcMainMenu", "xcPopupMenu", "xcMenuItem",    "xcToolbar",     "xcControlbar",
                  "xcCombo",    "xcCheckBox",  "xcRadioButton", "xcProgress",    "xcScrollbar",
                  "xcEdit",     "xcButton",    "xcBitBtn",      "xcSpeedButton", "xcPanel",
                  "xcGroupBox", "xcStatusBar", "xcTab",         "xcSystemMenu",  "xcFastReport"})
            .Set("Options", &TSkinData::Options, &TSkinData::SetOptions, {"xoMDIScrollbar", "xoMenuMerge", "xoNCPaint"})
            .Strings("Skin3rd", &TSkinData::Skin3rd)
            .Str("SkinFile", &TSkinData::SkinFile, &TSkinData::SetSkinFile)
            .Str("SkinStore", &TSkinData::SkinStore, &TSkinData::SetSkinStore)
            .Enum("SkinFormtype", &TSkinData::SkinFormtype, &TSkinData::SetSkinFormtype,
                  {"sfMainform", "sfOnlyThisForm", "sfDialog"})
            .Str("Version", &TSkinData::Version, &TSkinData::SetVersion)
            .Bool("MenuUpdate", &TSkinData::MenuUpdate)
            .Bool("MenuMerge", &TSkinData::MenuMerge)
            .Event("OnFormSkin", &TSkinData::OnFormSkin)
            .Event("OnSkinChanged", &TSkinData::OnSkinChanged)
            .Event("OnSkinControl", &TSkinData::OnSkinControl)
            .Custom("SkinStream", &TSkinData::WriteSkinStream, &TSkinData::ReadSkinStream);
    return info;
}

void RegisterSkinDataClasses() { RegisterClassInfo(TSkinData::StaticClassInfo()); }

namespace {
// Stored descriptions name TSkinData; make it known before the first form is read.
const bool SkinDataRegistered = (RegisterSkinDataClasses(), true);
}  // namespace

// ---------------------------------------------------------------------------------------------------------------
// Life

TSkinData::TSkinData(TComponent* AOwner) : TComponent(AOwner) {
    for (const auto& line : DefaultSkin3rd()) Skin3rd.Add(line.Text);
    LoadMenuGlyphs();
}

TSkinData::~TSkinData() {
    if (FMenuGlyphs) ::ImageList_Destroy(FMenuGlyphs);
    FMenuGlyphs = nullptr;
    Skin3rd.Clear();
    if (ISkinManager* manager = SkinManager()) manager->UnregisterSkinData(this);
    SkinPackage.Clear();
    // The skin objects, the brush and the bitmaps go with the members, borders first (declaration order).
}

void TSkinData::LoadMenuGlyphs() noexcept {
    // A program without the strip goes without glyphs in the system menu.
    const HMODULE module = ::GetModuleHandleW(nullptr);
    if (!::FindResourceW(module, L"VENEERMENU", MAKEINTRESOURCEW(2) /* RT_BITMAP */)) return;
    CallSwallowing([&] {
        TBitmap strip;
        strip.LoadFromResourceName(module, L"VENEERMENU");
        if (strip.Width() < 16 || strip.Height() < 16) return;
        HIMAGELIST list = ::ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, 4, 0);
        if (!list) return;
        // White is the mask colour; the strip is cut into as many 16-pixel glyphs as it holds.
        if (::ImageList_AddMasked(list, strip.Handle(), RGB(255, 255, 255)) < 0) {
            ::ImageList_Destroy(list);
            return;
        }
        FMenuGlyphs = list;
    });
}

ISkinManager& TSkinData::Manager() {
    ISkinManager& manager = CreateSkinManager();
    if (!FRegistered) {
        manager.RegisterSkinData(this);
        FRegistered = true;
    }
    return manager;
}

// ---------------------------------------------------------------------------------------------------------------
// Properties

std::string TSkinData::SkinStore() const { return InDesigner() && SkinPackage.Size() > 0 ? "(Good)" : "(none)"; }

void TSkinData::SetActive(bool value) {
    if (value == FActive) return;
    FActive = value;
    if (InDesigner() || Reading()) return;
    ISkinManager& manager = Manager();
    switch (FSkinFormtype) {
        case sfOnlyThisForm:
            manager.SetCurrentSkinData(this);
            if (!(value && SkinEmpty)) manager.RequestAction(value ? saSkinAll : saUnskinAll, SkinActionDelay);
            break;
        case sfMainform:
            if (value) {
                if (SkinEmpty) return;
                manager.RequestAction(saSkinAll, SkinActionDelay);
                manager.SetReadyCount(1);
            } else {
                manager.RequestAction(saUnskinAll, SkinActionDelay);
            }
            manager.SetCurrentSkinData(this);
            break;
        case sfDialog:
            break;
    }
}

void TSkinData::SetSkinFile(const std::string& path) {
    SkinEmpty = true;
    FSkinFile = path;
    if (InDesigner()) {
        if (!path.empty() && SkinPackage.Size() > 0) SkinPackage.Clear();
        return;
    }
    const std::filesystem::path file(Utf8ToWide(path));
    std::error_code ec;
    if (path.empty() || !std::filesystem::is_regular_file(file, ec)) return;
    // A file we cannot read, or one above the size cap, is not loadable: the skin stays empty.
    std::optional<std::vector<std::uint8_t>> bytes = ReadSkinPackageFile(file);
    if (!bytes) return;
    SkinPackage = TMemoryStream(std::move(*bytes));
    LoadSkinPackage();
    if (FSkinFormtype == sfMainform) ApplySkinChange();
}

void TSkinData::ReadSkinStream(const TFormValue& value) {
    if (value.Kind != TFormValueKind::vkBinary) throw EPropertyError("SkinStream expects a binary value");
    SkinPackage.Clear();
    SkinEmpty = true;
    // A count beyond the bytes that follow (or above the size cap) is not a package: nothing is held.
    std::optional<std::vector<std::uint8_t>> package = ReadSkinStreamValue(value.Bytes);
    if (!package || package->empty()) return;
    SkinPackage = TMemoryStream(std::move(*package));
    if (!InDesigner()) LoadSkinPackage();
}

TFormValue TSkinData::WriteSkinStream() const {
    TFormValue value;
    value.Kind = TFormValueKind::vkBinary;
    // The stored form is the package's length as four little-endian bytes, then the package.
    const auto& package = SkinPackage.Bytes();
    const auto n = static_cast<std::uint32_t>(package.size());
    value.Bytes.resize(4 + package.size());
    for (int i = 0; i < 4; ++i) value.Bytes[i] = static_cast<std::uint8_t>(n >> (8 * i));
    std::copy(package.begin(), package.end(), value.Bytes.begin() + 4);
    return value;
}

TSkinData::TMessageHook TSkinData::SetMessageHook(TMessageHook hook) {
    return std::exchange(MessageHookSlot(), std::move(hook));
}

// ---------------------------------------------------------------------------------------------------------------
// Loading

bool TSkinData::LoadSkinPackage() {
    if (InDesigner()) return false;
    SkinEmpty = true;
    FBuildOutcome = TSkinBuildOutcome::Built;
    TSkinReader reader;
    bool wrongVersionShown = false;
    reader.OnWrongVersion = [&wrongVersionShown] {
        if (wrongVersionShown) return;
        wrongVersionShown = true;
        ShowSkinMessage(Utf8ToWide(WrongSkinVersionMessage));
    };
    bool loaded = false;
    try {
        loaded = reader.Load(SkinPackage);
    } catch (const std::exception&) {
        loaded = false;  // the codec could not get memory: not loadable
    }
    SkinPackage.SetPosition(0);
    if (!loaded) return false;

    TQuickIni ini;
    TMemoryStream description;
    std::string descriptionName;
    reader.ExtractEntryContaining(".ini", description, descriptionName);
    description.SetPosition(0);
    ini.LoadFromStream(&description);

    // The reader is only good for this load: never leave a pointer to it behind, whatever happens.
    struct TReaderScope {
        const TSkinReader*& Slot;
        ~TReaderScope() { Slot = nullptr; }
    } scope{FLoadingReader};
    FLoadingReader = &reader;
    // The skin objects are rebuilt: every form skinner that holds pointers into them (caption buttons) takes the
    // new ones, whatever kind of component this is and whether the build completed.
    struct TReloadScope {
        TSkinData* Data;
        ~TReloadScope() {
            // A skinner that could not rebuild its buttons keeps none; it never keeps stale ones.
            CallSwallowing([this] {
                if (ISkinManager* manager = SkinManager()) manager->ReloadSkinForms(Data);
            });
        }
    } reload{this};
    return BuildSkinObjects(ini);
}

bool TSkinData::BuildSkinObjects(const TQuickIni& ini) {
    TReaderBitmapSource source(FLoadingReader);
    FBuildOutcome = qd::BuildSkinObjects(*this, ini, source);
    if (FBuildOutcome != TSkinBuildOutcome::Built) return false;
    SkinEmpty = false;
    return true;
}

void TSkinData::LoadSkinBitmap(TBitmap& bitmap, std::string_view reference) {
    AssignBmpBytes(bitmap, TReaderBitmapSource(FLoadingReader).EntryFor(reference));
}

// ---------------------------------------------------------------------------------------------------------------
// Talking to the skin manager

void TSkinData::Loaded() {
    TComponent::Loaded();
    if (InDesigner()) return;
    ISkinManager& manager = Manager();
    if (FSkinFormtype == sfMainform) {
        manager.InstallHook();
        if (FActive) {
            if (SkinEmpty)
                FActive = false;
            else
                manager.RequestAction(saSkinAll, SkinActionDelay);
        }
        // The system menu is painted by the menu bar code, the items by the popup code: never both.
        if (!(FSkinControls & SkinControlBit(xcMainMenu)))
            FSkinControls &= ~SkinControlBit(xcSystemMenu);
        else
            FSkinControls &= ~SkinControlBit(xcMenuItem);
    } else {
        manager.SetSkinning(true);
        manager.SetReadyCount(manager.ReadyCount() + 1);
        if (auto* form = dynamic_cast<TForm*>(Owner())) manager.SkinWindow(form->Handle());
    }
}

void TSkinData::ApplySkinChange() {
    if (InDesigner() || Reading()) return;
    if (!SkinManager()) Loaded();
    ISkinManager& manager = Manager();
    manager.SetCurrentSkinData(this);
    manager.ReloadSkinForms(this);
    if (manager.ReadyCount() == 1) manager.RequestAction(saSkinChanged, SkinActionDelay);
}

bool TSkinData::FormSkinAllowed(const std::string& className) {
    bool doSkin = true;
    if (OnFormSkin) {
        OnFormSkin(this, className, doSkin);
        return doSkin;
    }
    if (className == "SysMonthCal32") return false;
    if ((FSkinControls & SkinControlBit(xcFastReport)) && className.starts_with("Tfr")) return false;
    return doSkin;
}

void TSkinData::SkinChanged() {
    if (OnSkinChanged) OnSkinChanged(this);
}

std::optional<std::string> TSkinData::Skin3rdKind(std::string_view className) const {
    const int index = Skin3rd.IndexOfName(className);
    if (index < 0) return std::nullopt;
    std::string kind = AsciiLowerCase(Skin3rd.ValueFromIndex(index));
    if (kind.size() > MaxSkin3rdKindLength) kind.resize(MaxSkin3rdKindLength);
    return kind;
}

// ---------------------------------------------------------------------------------------------------------------
// How control classes of other component libraries are skinned.

const TStringList& TSkinData::DefaultSkin3rd() {
    static const TStringList list = [] {
        static const char* const lines[] = {
            // combobox (39)
            "TComboboxex=combobox",
            "TcxDBLookupComboBox=combobox",
            "TcxDBComboBox=combobox",
            "TcxDBDateEdit=combobox",
            "TcxDBImageComboBox=combobox",
            "TcxDBCalcEdit=combobox",
            "TcxDBBlobEdit=combobox",
            "TcxDBPopupEdit=combobox",
            "TcxDBFontNameComboBox=combobox",
            "TcxDBShellComboBox=combobox",
            "TRxLookupEdit=combobox",
            "TRxDBLookupCombo=combobox",
            "TWgDateTimeEdit=combobox",
            "TWgColorEdit=combobox",
            "TWgDateTimePicker=combobox",
            "TWgDBDateTimeEdit=combobox",
            "TWgDbColorEdit=combobox",
            "TWgDBDateTimePicker=combobox",
            "TLMDListCombobox=combobox",
            "TLMDCheckListCombobox=combobox",
            "TLMDHeaderListCombobox=combobox",
            "TLMDImageCombobox=combobox",
            "TLMDColorCombobox=combobox",
            "TLMDFontCombobox=combobox",
            "TLMDFontSizeCombobox=combobox",
            "TLMDFontSizeCombobox=combobox",
            "TLMDPrinterCombobox=combobox",
            "TLMDDriveCombobox=combobox",
            "TLMDCalculatorComboBox=combobox",
            "TLMDTrackBarComboBox=combobox",
            "TLMDCalendarComboBox=combobox",
            "TLMDTreeComboBox=combobox",
            "TDBLookupCombobox=Combobox",
            "TWWDBCombobox=Combobox",
            "TWWDBCombobox=Combobox",
            "TWWDBLookupCombo=combobox",
            "TWWKeyCombo=combobox",
            "TWWDBDateTimePicker=Combobox",
            "TWWTempKeyCombo=combobox",
            // Edit (26)
            "TWgButtonEdit=Edit",
            "TLMDCalculatorEdit=edit",
            "TLMDEDIT=Edit",
            "TLMDMASKEDIT=Edit",
            "TLMDBROWSEEDIT=Edit",
            "TLMDEXTSPINEDIT=Edit",
            "TLMDCALENDAREDIT=Edit",
            "TLMDFILEOPENEDIT=Edit",
            "TLMDFILESAVEEDIT=Edit",
            "TLMDCOLOREDIT=Edit",
            "TLMDDBEDIT=Edit",
            "TLMDDBMASKEDIT=Edit",
            "TLMDDBEXTSPINEDIT=Edit",
            "TLMDDBSPINEDIT=Edit",
            "TLMDDBEDITDBLookup=Edit",
            "TLMDEDITDBLookup=Edit",
            "TWWDBEDIT=Edit",
            "TOVCPICTUREFIELD=Edit",
            "TOVCDBPICTUREFIELD=Edit",
            "TOVCSLIDEREDIT=Edit",
            "TOVCDBSLIDEREDIT=Edit",
            "TOVCSIMPLEFIELD=Edit",
            "TOVCDBSIMPLEFIELD=Edit",
            "TO32DBFLEXEDIT=Edit",
            "TOVCNUMERICFIELD=Edit",
            "TOVCDBNUMERICFIELD=Edit",
            // Panel (13)
            "TControlBar=Panel",
            "TTBDock=Panel",
            "TTBToolbar=Panel",
            "TLMDCalculator=panel",
            "TLMDGROUPBOX=Panel",
            "TLMDSIMPLEPANEL=Panel",
            "TLMDDBCalendar=Panel",
            "TLMDButtonPanel=Panel",
            "TLMDLMDCalculator=Panel",
            "TLMDHeaderPanel=Panel",
            "TLMDTechnicalLine=Panel",
            "TLMDLMDClock=Panel",
            "TLMDTrackbar=panel",
            // Radiogroup (7)
            "TWgRadioGroup=Radiogroup",
            "TWgDBRadioGroup=Radiogroup",
            "TLMDRADIOGROUP=radiogroup",
            "TLMDDBRADIOGROUP=radiogroup",
            "TWWRADIOGROUP=radiogroup",
            "TcxDBRadioGroup=radiogroup",
            "TcxRadioGroup=radiogroup",
            // Checkbox (7)
            "TWgCheckBox=Checkbox",
            "TDBCheckboxEh=Checkbox",
            "TDBCheckboxEh=Checkbox",
            "TLMDCHECKBOX=Checkbox",
            "TLMDDBCHECKBOX=Checkbox",
            "TcxDBCheckBox=checkbox",
            "TcxCheckBox=checkbox",
            // scrollbar (4)
            "TImageEnMView=scrollbar",
            "TImageEnView=scrollbar",
            "TAdvMemo=scrollbar",
            "TDBAdvMemo=scrollbar",
            // bitbtn (3)
            "TWgBitbtn=bitbtn",
            "TWgMenuButton=bitbtn",
            "TcxButton=bitbtn",
            // CheckGroup (3)
            "TWgCheckGroup=CheckGroup",
            "TLMDCheckGroup=CheckGroup",
            "TLMDDBCheckGroup=CheckGroup",
            // Radiobutton (3)
            "TWgRadioButton=Radiobutton",
            "TWgDBRadioButton=Radiobutton",
            "TLMDRadiobutton=Radiobutton",
            // one each
            "TAdvPanelGroup=embedscrollbar",
            "TRxSpeedButton=speedbutton",
            "TAdvPageControl=nil",
            "TWgButton=button",
            "TLMDGroupBox=Groupbox",
            // the framework's own containers (5)
            "TPageControl=tab",
            "TTabControl=tab",
            "TGroupBox=groupbox",
            "TRadioGroup=radiogroup",
            "TPanel=panel",
        };
        TStringList l;
        for (const char* line : lines) l.Add(line);
        return l;
    }();
    return list;
}

}  // namespace qd
