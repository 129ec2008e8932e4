#pragma once
// Skin objects: what a skin description and its bitmaps turn into, and what every skinner paints from.
//
// Each object is an image (usually a strip of equal state frames) plus the numbers that say how to cut and draw
// it. Bitmaps are framework TBitmaps: one 32-bit DIB section each, made once when the skin is built; drawing
// never reloads them. TSkinObjects holds every slot and the skin colours; TSkinData (skin/data/SkinData.h)
// derives from it, so skinners read `SkinData->BorderTop`, `SkinData->ButtonFaceColor` and the like.
//
// A description never makes a build fail: a missing section leaves an optional slot null, a missing key gives
// the key's default, and a missing, unreadable or malformed image gives an empty bitmap. Consumers test a slot
// for null and, where it matters, its bitmap for Empty() before drawing. What can fail is memory: each entry is
// decoded once per build, and all the pixels one build makes (decoded entries, bitmaps, derived images) may not
// exceed MaxSkinPixelBytes; a package over it, or a build that runs out of memory, is refused with a reason.

#include <windows.h>

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "framework/Colors.h"
#include "framework/Gdi.h"
#include "framework/Graphics.h"
#include "skin/data/ImageBuffer.h"
#include "skin/data/SkinColors.h"
#include "skin/form/SkinDraw.h"

namespace qd {

// Colour values of a skin: 0x00BBGGRR, or 0xFF0000nn for system colour nn, or clNone (0x1FFFFFFF) for "none".
constexpr TColorValue SkinSystemColor(int index) noexcept { return kSystemColorFlag | static_cast<TColorValue>(index); }

class TQuickIni;
class TSkinReader;

class TDataSkinObject {
public:
    TDataSkinObject() = default;
    TDataSkinObject(const TDataSkinObject&) = delete;
    TDataSkinObject& operator=(const TDataSkinObject&) = delete;
    virtual ~TDataSkinObject() = default;

    std::int32_t LeftWidth = 0;
    std::int32_t TopHeight = 0;
    std::int32_t RightWidth = 0;
    std::int32_t BottomHeight = 0;
    TBitmap Bitmap;
    std::int32_t Trans = 0;  // non-zero: magenta pixels are transparent
    std::int32_t Tile = 0;   // 0 stretch, 1 tile; a window border keeps its Stretch key here
    std::string Name;
    std::int32_t FrameCount = 0;
    std::int32_t Style = 0;
    std::int32_t NormalColour = -1;
    std::int32_t MouseOverColour = -1;
    std::int32_t PressedColour = -1;
    TColorValue NormalColour2 = 0;
    TColorValue MouseOverColour2 = 0;
    TColorValue PressedColour2 = 0;

    // The four bands as the drawing primitives take them.
    TSliceMargins Margins() const noexcept { return {LeftWidth, TopHeight, RightWidth, BottomHeight}; }
};

class TDataSkinBorder : public TDataSkinObject {
public:
    TBitmap ExtraBitmap;  // tab border, progress chunk, up-down glyph or mirrored combo button
};

class TDataSkinButton : public TDataSkinObject {
public:
    TBitmap CheckBitmap;
    TBitmap RadioBitmap;
    std::int32_t RadioFrameCount = 0;
    std::int32_t CheckFrameCount = 0;
    bool HasNormalColour2 = false;
    bool HasMouseOverColour2 = false;
    bool HasPressedColour2 = false;
};

// What a caption button does when clicked (its Action key). Codes not named here are custom: the click is posted
// to the window as WM_SKIN_BUTTONCOMMAND.
enum TSysButtonAction : std::int32_t {
    sbaHidden = -1,  // never hit
    sbaClose = 0,
    sbaMaximize = 1,  // maximizes or restores
    sbaMinimize = 2,
    sbaSystemMenu = 3,   // shows the window icon and opens the system menu
    sbaMdiMinimize = 7,  // the buttons of a maximized MDI child, in the menu band
    sbaMdiRestore = 8,
    sbaMdiClose = 9,
    sbaWindowIcon = 11,        // shows the window icon and opens the system menu
    sbaSystemMenuButton = 12,  // opens the system menu
    sbaMaximizeToo = 22,       // older codes of the same actions
    sbaMinimizeToo = 23,
    sbaMdiMinimizeToo = 60,
    sbaMdiRestoreToo = 61,
    sbaMdiCloseToo = 62,
};

// The buttons that show the window's icon instead of an image of their own.
constexpr bool IsIconAction(std::int32_t action) noexcept { return action == sbaSystemMenu || action == sbaWindowIcon; }

// Where a caption button sits (its Align key), from its XCoord and YCoord.
enum TSysButtonAlign : std::int32_t {
    sbalLeftEdge = 0,       // from the window's left edge
    sbalRightEdge = 1,      // from the window's right edge
    sbalBeforeCaption = 2,  // left of the caption text
    sbalAfterCaption = 3,   // right of the caption text
    sbalBeforeCaptionToo = 8,
    sbalAfterCaptionToo = 9,
    sbalMenuBand = 100,  // in the menu band (the MDI child buttons)
};

// When a caption button shows (its Visibility and Visibility1 keys; 0 means "has a system menu" in the first and
// "always" in the second). Codes in the ranges below are custom.
enum TSysButtonVisibility : std::int32_t {
    sbvDefault = 0,
    sbvMaximized = 1,
    sbvNotMaximized = 2,
    sbvActive = 3,
    sbvInactive = 4,
    sbvMaximizeBox = 6,
    sbvNoMaximizeBox = 7,
    sbvMinimizeBox = 8,
    sbvNoMinimizeBox = 9,
    sbvMdiChildMaximized = 100,  // a maximized MDI child shows its buttons in the menu band
    sbvDialogFrame = 200,
    sbvAlwaysFirst = 201,  // 201 ... 999: always
    sbvAlwaysLast = 999,
    sbvAskFirst = 1000,  // 1000 ... 2000: the window answers WM_SKIN_BUTTONVISIBLE
    sbvAskLast = 2000,
};

// Where the caption text sits in the title (the title's TextAlignment key).
enum TTitleTextAlign : std::int32_t { ttaLeft = 0, ttaCentre = 1, ttaRight = 2 };

// A window border's Stretch key (kept in Tile) and Trans key.
inline constexpr std::int32_t kBorderStretch = 1;     // stretch the middle parts; anything else tiles them
inline constexpr std::int32_t kBorderCutMagenta = 1;  // magenta pixels are cut out of the window region

class TDataSkinSysButton : public TDataSkinObject {
public:
    std::int32_t Action = 0;  // TSysButtonAction
    std::int32_t Align = 0;   // TSysButtonAlign
    std::int32_t XCoord = 0;
    std::int32_t YCoord = 0;
    std::int32_t CombineOp = -1;
    std::int32_t Visibility = 0;   // TSysButtonVisibility
    std::int32_t Visibility1 = 0;  // TSysButtonVisibility
};

class TDataSkinTitle : public TDataSkinObject {
public:
    std::int32_t TextAlignment = 0;  // TTitleTextAlign
    std::int32_t TextBackground = 0;
    std::int32_t FontHeight = 14;
    std::int32_t TextBackLeft = 0;
    std::int32_t TextBackRight = 0;
    TColorValue ActiveTextColor = clNone;
    TColorValue InactiveTextColor = clNone;
};

class TDataSkinBoxLabel : public TDataSkinObject {
public:
    std::int32_t BackgroundLeftShift = 0;
    std::int32_t BackgroundRightShift = 0;
    std::int32_t BackgroundAlignment = 0;
};

class TSkinBitmapSource;
enum class TSkinBuildOutcome;

// Every slot and colour of a skin. The fixed objects (Buttons, Title, the four borders) exist for the whole life
// of the holder and are refilled by each build; optional slots are null when the skin lacks them.
class TSkinObjects {
public:
    TSkinObjects();
    TSkinObjects(const TSkinObjects&) = delete;
    TSkinObjects& operator=(const TSkinObjects&) = delete;
    virtual ~TSkinObjects();

    // ComboButton and SunkEdge as a combo box paints them. Nothing draws them at start, so a build leaves them
    // as loaded and the first call makes what they derive (the mirrored button, the composite of edge and
    // button), under a lock: the first call comes from whichever paint handler needs them first. What it made
    // lasts until the next build. When the making fails both are null until the next build, and
    // FirstUseOutcome says why. Slots filled by hand, without a build, are handed out as they are.
    struct TComboPieces {
        TDataSkinBorder* Button = nullptr;
        TDataSkinObject* Edge = nullptr;
    };
    TComboPieces ComboPieces() noexcept;
    // How the making of the pieces built on first use went (Built until one failed).
    TSkinBuildOutcome FirstUseOutcome() const noexcept;

    std::unique_ptr<TDataSkinButton> Buttons;
    std::unique_ptr<TDataSkinTitle> Title;
    std::unique_ptr<TDataSkinBorder> BorderLeft, BorderRight, BorderTop, BorderBottom;
    // Caption buttons in description order, then the three MDI child buttons (minimise, restore, close).
    std::vector<std::unique_ptr<TDataSkinSysButton>> SysButtons;
    std::unique_ptr<TDataSkinBorder> Progress;
    std::unique_ptr<TDataSkinObject> MenuBar;
    std::unique_ptr<TDataSkinObject> GroupBoxEdge;
    std::unique_ptr<TDataSkinBoxLabel> GroupBox;
    std::unique_ptr<TDataSkinObject> Toolbars;
    std::unique_ptr<TDataSkinBorder> Tabs;
    std::unique_ptr<TDataSkinObject> StatusBarEdges;
    std::unique_ptr<TDataSkinBorder> ComboButton;
    std::unique_ptr<TDataSkinObject> SunkEdge;
    std::unique_ptr<TDataSkinObject> ExtraImages;
    std::unique_ptr<TDataSkinObject> Headerbar;
    std::unique_ptr<TDataSkinObject> MenuItem;
    std::unique_ptr<TDataSkinObject> MenuBackground;
    std::unique_ptr<TDataSkinObject> Scrollbar;
    std::unique_ptr<TDataSkinObject> HorzScroll, VertScroll;
    std::unique_ptr<TDataSkinObject> HorzScrollThumb, VertScrollThumb;
    std::unique_ptr<TDataSkinObject> TrackbarThumbHorz, TrackbarThumbVert, TrackbarThumbLeft, TrackbarThumbRight,
        TrackbarThumbUp, TrackbarThumbDown;
    std::unique_ptr<TDataSkinBorder> UpDownHorz, UpDownVert;

    TColorValue WindowTextColor = SkinSystemColor(COLOR_WINDOWTEXT);
    TColorValue ButtonFaceColor = SkinSystemColor(COLOR_BTNFACE);
    TColorValue ScrollbarColor = SkinSystemColor(COLOR_SCROLLBAR);
    TColorValue HilightTextColor = SkinSystemColor(COLOR_HIGHLIGHTTEXT);
    TColorValue HilightColor = SkinSystemColor(COLOR_HIGHLIGHT);
    TColorValue MenuBarColor = SkinSystemColor(COLOR_BTNFACE);
    TColorValue MenuColor = SkinSystemColor(COLOR_MENU);
    TColorValue MenuTextColor = SkinSystemColor(COLOR_MENUTEXT);
    TColorValue ButtonTextColor = SkinSystemColor(COLOR_BTNTEXT);
    TColorValue ButtonHilightColor = SkinSystemColor(COLOR_BTNHIGHLIGHT);
    TColorValue ButtonLightColor = SkinSystemColor(COLOR_BTNHIGHLIGHT);
    TColorValue ButtonShadowColor = SkinSystemColor(COLOR_BTNSHADOW);
    TColorValue ButtonDkShadowColor = SkinSystemColor(COLOR_3DDKSHADOW);
    TColorValue MenuBarTextColor = SkinSystemColor(COLOR_MENUTEXT);
    TColorValue TitleTextActiveColor = SkinSystemColor(COLOR_CAPTIONTEXT);
    TColorValue TitleTextNoActiveColor = SkinSystemColor(COLOR_INACTIVECAPTIONTEXT);

    std::vector<TColorValue> Palette;            // [ColourN] sections, key color
    std::array<TColorValue, 10> CustomColors{};  // [Customcolors] Color0 .. Color9
    std::string SkinName;                        // [TitlebarSkin] SkinName, informational
    TBrushHandle ButtonFaceBrush;                // solid brush of ButtonFaceColor, made by each build

private:
    friend TSkinBuildOutcome BuildSkinObjects(TSkinObjects&, const TQuickIni&, const TSkinBitmapSource&,
                                              std::int64_t) noexcept;
    // A completed build: the combo pieces are to be made on first use, within what is left of its budget.
    void ComboPiecesFromBuild(std::int64_t pixelBytesLeft) noexcept;

    enum class TComboState { AsSet, Pending, Making, Made, Failed };
    struct TComboMaking {
        mutable std::recursive_mutex Lock;  // recursive: a call from inside the making finds it Making
        TComboState State = TComboState::AsSet;
        TSkinBuildOutcome Outcome{};
        std::int64_t PixelBytesLeft = 0;
    } FCombo;
};

// Resolves image references of a description to bitmaps. The default resolves them against a package reader.
class TSkinBitmapSource {
public:
    virtual ~TSkinBitmapSource() = default;
    // The bytes of the entry an image reference names; empty when there is none to use. Anything it raises
    // fails the whole build: a source that cannot answer is not a missing entry.
    virtual std::vector<std::uint8_t> EntryFor(std::string_view reference) const = 0;
    // The entry a reference names: references that name the same entry share one decoded image.
    virtual std::string EntryName(std::string_view reference) const { return std::string(reference); }
};

// Entries of a loaded package; references follow the package rules (file-name part, ".bmp" in lower case).
class TReaderBitmapSource : public TSkinBitmapSource {
public:
    explicit TReaderBitmapSource(const TSkinReader* reader) : FReader(reader) {}
    std::vector<std::uint8_t> EntryFor(std::string_view reference) const override;
    std::string EntryName(std::string_view reference) const override;

private:
    const TSkinReader* FReader;
};

// Loads `bitmap` from the bytes of a bitmap file; anything unreadable (or a DIB section the platform refuses)
// leaves it empty. Never throws. True when the bitmap holds an image.
bool AssignBmpBytes(TBitmap& bitmap, std::span<const std::uint8_t> bytes) noexcept;
// The pixels of a bitmap as an image buffer (empty for an empty bitmap), and back. AssignImage never throws:
// a failure leaves the bitmap empty.
TImageBuffer BitmapToImage(const TBitmap& bitmap);
bool AssignImage(TBitmap& bitmap, const TImageBuffer& image) noexcept;

// Pixel memory one build may make, in bytes (4 per pixel of every image it decodes or creates).
inline constexpr std::int64_t MaxSkinPixelBytes = std::int64_t{64} * 1024 * 1024;

// How an object build ended.
enum class TSkinBuildOutcome {
    Built,
    OverPixelBudget,  // the images need more than MaxSkinPixelBytes
    OutOfMemory,
    Failed,  // anything else went wrong (a bitmap source that failed, a platform refusal)
};

// A one-line reason for a build that did not complete; "" for Built. Never allocates.
const char* SkinBuildFailureReason(TSkinBuildOutcome outcome) noexcept;

// Builds every skin object of `objects` from the parsed description, resolving images through `source`, in the
// order that colour defaults and derived images need (the last step makes ButtonFaceBrush). Never throws.
// Anything but Built leaves the objects partly rebuilt, every slot still null or whole, and the package is to
// be treated as not loadable. The images of the build and of the pieces made later on first use
// (TSkinObjects::ComboPieces) share `pixelBudget` bytes.
TSkinBuildOutcome BuildSkinObjects(TSkinObjects& objects, const TQuickIni& ini, const TSkinBitmapSource& source,
                                   std::int64_t pixelBudget = MaxSkinPixelBytes) noexcept;

// Width the combo box composite reserves for its button: the platform's scroll-arrow width + 2.
int ComboButtonWidth() noexcept;

// A colour value of a skin as GDI takes it: system colours are looked up now.
COLORREF SkinColorToRGB(TColorValue color) noexcept;

}  // namespace qd
