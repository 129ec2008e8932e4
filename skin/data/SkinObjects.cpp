#include "skin/data/SkinObjects.h"

#include <algorithm>
#include <map>
#include <new>
#include <optional>
#include <stdexcept>
#include <utility>

#include "framework/CallbackEdge.h"
#include "skin/data/Bmp.h"
#include "skin/data/PixelOps.h"
#include "skin/data/QuickIni.h"
#include "skin/data/SkinReader.h"

namespace qd {

namespace {

// Size of every frame of the combo box composite.
constexpr int ComboFrameWidth = 50;
constexpr int ComboFrameHeight = 21;

// Frame counts every build sets, whatever the description says.
constexpr int ButtonsFrames = 5;
constexpr int TitleFrames = 2;
constexpr int ProgressFrames = 2;
constexpr int MenuBarFrames = 2;
constexpr int GroupBoxEdgeFrames = 2;
constexpr int GroupBoxFrames = 1;
constexpr int ToolbarsFrames = 5;
constexpr int TabsFrames = 5;
constexpr int StatusBarEdgesFrames = 3;
constexpr int ComboButtonFrames = 4;
constexpr int SunkEdgeFrames = 4;
constexpr int ExtraImagesFrames = 5;
constexpr int HeaderbarFrames = 5;
constexpr int MenuItemFrames = 5;
constexpr int MenuBackgroundFrames = 1;
constexpr int ScrollbarFrames = 23;
constexpr int ScrollArrowFrames = 4;
constexpr int ScrollThumbDefaultFrames = 3;
constexpr int TrackbarThumbFrames = 5;
constexpr int UpDownFrames = 8;
constexpr int MdiButtonFrames = 4;
constexpr int CaptionButtonFrames = 6;

std::string AsciiUpperCase(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return out;
}

bool StartsWith(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

// Raised inside a build whose images need more than its pixel budget.
struct EPixelBudget {};

// Counts `pixels` more pixels against what is left of a budget (in bytes); raises EPixelBudget past it.
void ChargePixels(std::int64_t& bytesLeft, std::int64_t pixels) {
    if (pixels < 0 || pixels > bytesLeft / 4) throw EPixelBudget{};
    bytesLeft -= pixels * 4;
}

// Runs one build step; anything it raises becomes the step's outcome.
template <class F>
TSkinBuildOutcome BuildOutcomeOf(F&& step) noexcept {
    try {
        step();
        return TSkinBuildOutcome::Built;
    } catch (const EPixelBudget&) {
        return TSkinBuildOutcome::OverPixelBudget;
    } catch (const std::bad_alloc&) {
        return TSkinBuildOutcome::OutOfMemory;
    } catch (...) {
        // Not swallowed: the outcome says the step failed.
        return TSkinBuildOutcome::Failed;
    }
}

// Everything one build reads from, the entries it decoded and the pixel memory it made.
struct TBuild {
    TSkinObjects& Objects;
    const TQuickIni& Ini;
    const TSkinBitmapSource& Source;
    mutable std::map<std::string, std::optional<TImageBuffer>, std::less<>> Decoded;
    mutable std::int64_t PixelBytesLeft = MaxSkinPixelBytes;

    // Counts `pixels` more pixels of this build; raises EPixelBudget past the budget.
    void Charge(std::int64_t pixels) const { ChargePixels(PixelBytesLeft, pixels); }

    std::int32_t Int(std::string_view section, std::string_view key, std::int32_t def) const {
        return Ini.ReadInteger(section, key, def);
    }
    std::string Str(std::string_view section, std::string_view key) const { return Ini.ReadString(section, key, ""); }
    // A count of frames: a description that gives less than 1 gets the key's default.
    std::int32_t Frames(std::string_view section, std::string_view key, std::int32_t def) const {
        const std::int32_t value = Int(section, key, def);
        return value < 1 ? def : value;
    }
    // The decoded image of the entry `reference` names (null when there is none to use), decoded once per build.
    const TImageBuffer* Image(std::string_view reference) const {
        const auto [at, first] = Decoded.try_emplace(Source.EntryName(reference));
        if (!first) return at->second ? &*at->second : nullptr;
        const std::vector<std::uint8_t> bytes = Source.EntryFor(reference);
        const std::optional<std::int64_t> pixels = BmpPixelCount(bytes);
        if (!pixels) return nullptr;
        Charge(*pixels);  // before a pixel is decoded
        at->second = ReadBmp(bytes);
        return at->second ? &*at->second : nullptr;
    }
    void LoadBitmap(TBitmap& bitmap, std::string_view reference) const {
        const TImageBuffer* image = Image(reference);
        if (!image) {
            AssignImage(bitmap, TImageBuffer());  // no image to use: empty
            return;
        }
        Charge(static_cast<std::int64_t>(image->Width()) * image->Height());  // the bitmap's own pixels
        AssignImage(bitmap, *image);
    }
    // The four fixed bands, Trans and Tile.
    void ReadBands(TDataSkinObject& object, std::string_view section) const {
        object.LeftWidth = Int(section, "LeftWidth", 0);
        object.RightWidth = Int(section, "RightWidth", 0);
        object.TopHeight = Int(section, "TopHeight", 0);
        object.BottomHeight = Int(section, "BottomHeight", 0);
        object.Trans = Int(section, "Trans", 0);
        object.Tile = Int(section, "Tile", 0);
    }
    void ReadTextColours(TDataSkinObject& object, std::string_view section) const {
        const TColorValue def = Objects.ButtonTextColor;
        object.NormalColour2 = ReadColorTriple(Ini, section, "NormalColour2", def);
        object.MouseOverColour2 = ReadColorTriple(Ini, section, "MouseOverColour2", def);
        object.PressedColour2 = ReadColorTriple(Ini, section, "PressedColour2", def);
    }
    void ReadStateColours(TDataSkinObject& object, std::string_view section) const {
        object.NormalColour = Int(section, "NormalColour", -1);
        object.MouseOverColour = Int(section, "MouseOverColour", -1);
        object.PressedColour = Int(section, "PressedColour", -1);
    }
};

// A new object named after `section` holding the image its `imageKey` names; null when the key names none.
template <class T>
std::unique_ptr<T> NewWithImage(const TBuild& b, std::string_view section, std::string_view imageKey) {
    const std::string image = b.Str(section, imageKey);
    if (image.empty()) return nullptr;
    auto object = std::make_unique<T>();
    object->Name = std::string(section);
    b.LoadBitmap(object->Bitmap, image);
    return object;
}

// An object of one section: its image, the four band sizes, transparency, tiling and (when asked) its style; an
// extra image under `extraKey` when one is named. Box labels and borders use it too.
template <class T>
std::unique_ptr<T> LoadPlain(const TBuild& b, std::string_view section, bool readStyle = true,
                             std::string_view extraKey = {}) {
    auto object = NewWithImage<T>(b, section, "Image");
    if (!object) return nullptr;
    if (readStyle) object->Style = b.Int(section, "Style", 0);
    b.ReadBands(*object, section);
    b.ReadStateColours(*object, section);
    b.ReadTextColours(*object, section);
    if (object->Tile > 1) object->Tile = 0;
    if constexpr (std::is_base_of_v<TDataSkinBorder, T>) {
        if (!extraKey.empty()) {
            const std::string extra = b.Str(section, extraKey);
            if (!extra.empty()) b.LoadBitmap(object->ExtraBitmap, extra);
        }
    }
    if constexpr (std::is_same_v<T, TDataSkinBoxLabel>) {
        object->BackgroundAlignment = b.Int(section, "BackgroundAlignment", 0);
        object->BackgroundLeftShift = b.Int(section, "BackgroundLeftShift", 0);
        object->BackgroundRightShift = b.Int(section, "BackgroundRightShift", 0);
    }
    return object;
}

std::unique_ptr<TDataSkinBorder> LoadBorderObject(const TBuild& b, std::string_view section,
                                                  std::string_view extraKey) {
    return LoadPlain<TDataSkinBorder>(b, section, false, extraKey);
}

// The progress bar: its frame image, its chunk image and the bands.
std::unique_ptr<TDataSkinBorder> LoadProgress(const TBuild& b) {
    constexpr std::string_view S = "Progress";
    auto object = NewWithImage<TDataSkinBorder>(b, S, "Bitmap");
    if (!object) return nullptr;
    const std::string chunk = b.Str(S, "Chunk");
    if (!chunk.empty()) b.LoadBitmap(object->ExtraBitmap, chunk);
    object->Style = b.Int(S, "Style", 0);
    b.ReadBands(*object, S);
    return object;
}

// The push, check and radio button images, updated in place.
void LoadButtons(const TBuild& b, TDataSkinButton& o) {
    constexpr std::string_view S = "Buttons";
    o.Name = std::string(S);
    b.ReadBands(o, S);
    b.LoadBitmap(o.Bitmap, b.Str(S, "Bitmap"));
    b.LoadBitmap(o.CheckBitmap, b.Str(S, "CheckButton"));
    b.LoadBitmap(o.RadioBitmap, b.Str(S, "RadioButton"));
    b.ReadStateColours(o, S);
    // Below 1 means "count the frames from the image" (FramesOfToggle), like a missing key.
    o.RadioFrameCount = std::max(0, b.Int(S, "RadioButtonFrame", 0));
    o.CheckFrameCount = std::max(0, b.Int(S, "CheckButtonFrame", 0));
    o.HasNormalColour2 = !b.Str(S, "NormalColour2").empty();
    o.HasMouseOverColour2 = !b.Str(S, "MouseOverColour2").empty();
    o.HasPressedColour2 = !b.Str(S, "PressedColour2").empty();
    b.ReadTextColours(o, S);
}

// The caption text, updated in place.
void LoadTitle(const TBuild& b, TDataSkinTitle& o) {
    constexpr std::string_view S = "Personality";
    o.Name = std::string(S);
    b.LoadBitmap(o.Bitmap, b.Str(S, "TextBack"));
    o.LeftWidth = b.Int(S, "TextShift", 0);
    o.TopHeight = b.Int(S, "TextShiftVert", 0);
    o.RightWidth = b.Int(S, "TextRightClip", 0);
    o.BottomHeight = 0;
    o.TextAlignment = b.Int(S, "TextAlignment", 0);
    o.TextBackground = b.Int(S, "Textbackground", 0);
    o.FontHeight = b.Int("Fonts", "FontHeight", 14);
    o.TextBackLeft = b.Int(S, "TXTBackleft", 0);
    o.TextBackRight = b.Int(S, "TXTBackRight", 0);
    o.ActiveTextColor = ReadRgbKeys(b.Ini, S, "ActiveText").value_or(clNone);
    o.InactiveTextColor = ReadRgbKeys(b.Ini, S, "InActiveText").value_or(clNone);
}

// The menu bar band: one image, tiled or stretched between its left and right bands.
std::unique_ptr<TDataSkinObject> LoadMenuBar(const TBuild& b) {
    constexpr std::string_view S = "Personality";
    auto object = NewWithImage<TDataSkinObject>(b, S, "menuBar");
    if (!object) return nullptr;
    object->TopHeight = 0;
    object->BottomHeight = 0;
    object->Tile = b.Int(S, "TileMenu", 0);
    object->LeftWidth = b.Int(S, "TileLeftMenu", 1);
    object->RightWidth = b.Int(S, "TileRightMenu", 1);
    return object;
}

// One window border, updated in place.
void LoadBorder(const TBuild& b, TDataSkinBorder& o, const std::string& name) {
    constexpr std::string_view S = "Personality";
    o.Name = name;
    const std::int32_t first = b.Int(S, name + "TopHeight", 0);
    const std::int32_t last = b.Int(S, name + "BotHeight", 0);
    if (name == "Left" || name == "Right") {
        o.TopHeight = first;
        o.BottomHeight = last;
        o.LeftWidth = o.RightWidth = 0;
    } else {
        o.LeftWidth = first;
        o.RightWidth = last;
        o.TopHeight = o.BottomHeight = 0;
    }
    o.FrameCount = b.Frames(S, name + "Frame", 1);
    o.Tile = b.Int(S, name + "Stretch", kBorderStretch);
    o.Trans = b.Int(S, name + "Trans", kBorderCutMagenta);
    b.LoadBitmap(o.Bitmap, b.Str(S, name));
}

void ReadColours(const TBuild& b) {
    constexpr std::string_view S = "Colours";
    TSkinObjects& o = b.Objects;
    const TQuickIni& ini = b.Ini;
    o.WindowTextColor = ReadColorTriple(ini, S, "WindowText", SkinSystemColor(COLOR_WINDOWTEXT));
    o.ButtonFaceColor = ReadColorTriple(ini, S, "ButtonFace", SkinSystemColor(COLOR_BTNFACE));
    o.ScrollbarColor = ReadColorTriple(ini, S, "Scrollbar", SkinSystemColor(COLOR_SCROLLBAR));
    o.HilightTextColor = ReadColorTriple(ini, S, "HilightText", SkinSystemColor(COLOR_HIGHLIGHTTEXT));
    o.HilightColor = ReadColorTriple(ini, S, "Hilight", SkinSystemColor(COLOR_HIGHLIGHT));
    o.MenuBarColor = ReadColorTriple(ini, S, "Menubar", o.ButtonFaceColor);
    o.MenuColor = ReadColorTriple(ini, S, "Menu", SkinSystemColor(COLOR_MENU));
    o.MenuTextColor = ReadColorTriple(ini, S, "MenuText", SkinSystemColor(COLOR_MENUTEXT));
    o.ButtonTextColor = ReadColorTriple(ini, S, "ButtonText", SkinSystemColor(COLOR_BTNTEXT));
    o.ButtonHilightColor = ReadColorTriple(ini, S, "ButtonHilight", SkinSystemColor(COLOR_BTNHIGHLIGHT));
    o.ButtonLightColor = ReadColorTriple(ini, S, "Buttonlight", SkinSystemColor(COLOR_BTNHIGHLIGHT));
    o.ButtonShadowColor = ReadColorTriple(ini, S, "ButtonShadow", SkinSystemColor(COLOR_BTNSHADOW));
    o.ButtonDkShadowColor = ReadColorTriple(ini, S, "ButtonDkShadow", SkinSystemColor(COLOR_3DDKSHADOW));
    o.MenuBarTextColor = ReadColorTriple(ini, S, "MenuBarText", SkinSystemColor(COLOR_MENUTEXT));
    o.TitleTextActiveColor = ReadColorTriple(ini, S, "TitleTextActive", SkinSystemColor(COLOR_CAPTIONTEXT));
    o.TitleTextNoActiveColor = ReadColorTriple(ini, S, "TitleTextNoActive", SkinSystemColor(COLOR_INACTIVECAPTIONTEXT));
}

void ReadPaletteAndCustomColours(const TBuild& b, const TStringList& sections) {
    b.Objects.Palette.clear();
    for (const auto& item : sections) {
        const std::string upper = AsciiUpperCase(item.Text);
        if (StartsWith(upper, "COLOUR") && upper != "COLOURS")
            b.Objects.Palette.push_back(ReadColorTriple(b.Ini, item.Text, "color", SkinSystemColor(COLOR_WINDOWTEXT)));
    }
    for (int k = 0; k < 10; ++k)
        b.Objects.CustomColors[static_cast<std::size_t>(k)] =
            ReadColorTriple(b.Ini, "Customcolors", "Color" + std::to_string(k), TColorValue{0xFFFFFF});
}

// The caption buttons, in description order.
void LoadCaptionButtons(const TBuild& b, const TStringList& sections) {
    auto& buttons = b.Objects.SysButtons;
    buttons.clear();
    std::vector<std::string> kept;
    for (const auto& item : sections) {
        const std::string name = AsciiUpperCase(item.Text);
        if (!StartsWith(name, "BUTTON") || name == "BUTTONS" || name == "BUTTON.RADIO" || name == "BUTTON.CHECKBOX" ||
            name == "BUTTON")
            continue;
        if (b.Int(name, "Action", 0) == sbaHidden && b.Int(name, "Visibility", -1) != 0) continue;
        kept.push_back(name);
    }
    buttons.reserve(kept.size() + 3);
    for (const std::string& S : kept) {
        auto o = std::make_unique<TDataSkinSysButton>();
        o->Name = S;
        o->Action = b.Int(S, "Action", 0);
        o->Align = b.Int(S, "Align", 0);
        o->XCoord = b.Int(S, "Xcoord", 0);
        o->YCoord = b.Int(S, "Ycoord", 0);
        o->Visibility = b.Int(S, "Visibility", 0);
        o->Visibility1 = b.Int(S, "Visibility1", o->Action == sbaHidden ? -1 : 0);
        o->CombineOp = b.Int(S, "CombineOp", -1);
        // Below 1 counts as not given: the count then comes from the image.
        o->FrameCount = std::max(0, b.Int(S, "frame", 0));
        b.LoadBitmap(o->Bitmap, b.Str(S, "ButtonImage"));
        if (o->FrameCount == 0) {
            o->FrameCount = CaptionButtonFrames;
            if (!o->Bitmap.Empty()) {
                const double ratio = static_cast<double>(o->Bitmap.Width()) / o->Bitmap.Height();
                o->FrameCount = ratio <= 3.8 ? 3 : CaptionButtonFrames;
                if (o->Action < 0) o->FrameCount = CaptionButtonFrames;
            }
            // These buttons show the window icon instead of an image.
            if (IsIconAction(o->Action)) o->Bitmap.SetSize(0, 0);
        }
        buttons.push_back(std::move(o));
    }
}

// The minimise, restore and close buttons of a maximised MDI child, cut from one image.
void LoadMdiButtons(const TBuild& b) {
    auto& buttons = b.Objects.SysButtons;
    const std::size_t n = buttons.size();
    const int actions[3] = {sbaMdiMinimize, sbaMdiRestore, sbaMdiClose};
    for (int action : actions) {
        auto o = std::make_unique<TDataSkinSysButton>();
        o->Name = "MDICONTROLS";
        o->Action = action;
        o->Align = sbalMenuBand;
        o->Visibility = sbvMdiChildMaximized;
        o->Visibility1 = sbvMdiChildMaximized;
        o->FrameCount = MdiButtonFrames;
        buttons.push_back(std::move(o));
    }
    TBitmap whole;
    b.LoadBitmap(whole, b.Str("MDICONTROLS", "Image"));
    if (whole.Empty()) return;
    b.Charge(2 * static_cast<std::int64_t>(whole.Width()) * whole.Height());  // the copy and the three parts
    const TImageBuffer image = BitmapToImage(whole);
    const int w = image.Width() / 12;
    const int h = image.Height();
    for (int k = 0; k < 3; ++k) {
        TDataSkinSysButton& o = *buttons[n + static_cast<std::size_t>(k)];
        o.XCoord = (w + 4) * (3 - k);
        if (w == 0) continue;  // narrower than 12 pixels: no frames to cut
        std::vector<std::uint32_t> part(static_cast<std::size_t>(4 * w) * static_cast<std::size_t>(h));
        for (int y = 0; y < h; ++y) {
            const auto row = image.Row(y);
            std::copy_n(row.begin() + 4 * w * k, 4 * w, part.begin() + static_cast<std::ptrdiff_t>(y) * 4 * w);
        }
        if (!CallSwallowing([&] { o.Bitmap.AssignPixels(4 * w, h, part.data()); })) o.Bitmap.SetSize(0, 0);
    }
}

void SetFrames(TDataSkinObject* object, int frames) {
    if (object) object->FrameCount = frames;
}

// For the check and radio images: the frame count implied by the image when the description gives none.
int FramesOfToggle(const TBitmap& bitmap) {
    const int unit = bitmap.Height() < 16 ? 13 : 16;
    return std::max(4, bitmap.Width() / unit);
}

// The combo button facing the other way, for combo boxes drawn right to left.
void MirrorComboButton(TDataSkinBorder& button, std::int64_t& bytesLeft) {
    if (button.Bitmap.Empty()) return;
    ChargePixels(bytesLeft, 2 * static_cast<std::int64_t>(button.Bitmap.Width()) * button.Bitmap.Height());
    TImageBuffer mirrored = BitmapToImage(button.Bitmap);
    mirrored.ConvertTo24Bit();
    MirrorHorizontal(mirrored);
    if (!AssignImage(button.ExtraBitmap, mirrored)) throw std::runtime_error("the mirrored combo button");
}

// The sunken edit frame and the combo button drawn together, one 50 x 21 frame per state, so that a
// combo box paints from a single strip (button right) and its mirror (button left).
void BuildComboComposite(TSkinObjects& o, std::int64_t& bytesLeft) {
    if (!o.SunkEdge || !o.ComboButton) return;
    TDataSkinObject& edge = *o.SunkEdge;
    TDataSkinBorder& button = *o.ComboButton;
    const int f = std::max(1, edge.FrameCount);
    const int bw = ComboButtonWidth();

    // The strip, the pixels read back and the two bitmaps made from them, and one work frame.
    ChargePixels(bytesLeft, (4 * static_cast<std::int64_t>(f) + 1) * ComboFrameWidth * ComboFrameHeight);
    TDibSection strip = CreateDib32(ComboFrameWidth * f, ComboFrameHeight);
    TDibSection work = CreateDib32(ComboFrameWidth, ComboFrameHeight);
    if (!strip.Bitmap || !work.Bitmap) throw std::runtime_error("the combo composite");
    std::fill_n(static_cast<std::uint32_t*>(strip.Bits), static_cast<std::size_t>(strip.Width) * strip.Height,
                MakeBgra(0xFF, 0x00, 0xFF));

    TMemoryDC stripDC(nullptr);
    TMemoryDC workDC(nullptr);
    if (!stripDC || !workDC) throw std::runtime_error("the combo composite");
    {
        TSelectGuard selStrip(stripDC, strip.Bitmap.Get());
        TSelectGuard selWork(workDC, work.Bitmap.Get());
        TBrushHandle key(::CreateSolidBrush(SkinKeyColor));
        const RECT whole{0, 0, ComboFrameWidth, ComboFrameHeight};
        const RECT buttonRect{ComboFrameWidth - bw, 0, ComboFrameWidth, ComboFrameHeight};
        const RECT text{2, 2, ComboFrameWidth - 1 - bw, ComboFrameHeight - 3};
        for (int k = 1; k <= f; ++k) {
            ::FillRect(workDC, &whole, key.Get());
            DrawNineSlice(workDC, whole, edge.Bitmap.Handle(), edge.Margins(), k, f, edge.Trans != 0, edge.Tile != 0,
                          false);
            DrawNineSlice(workDC, buttonRect, button.Bitmap.Handle(), button.Margins(), k,
                          std::max(1, button.FrameCount), true, button.Tile != 0, false);
            if (o.ExtraImages)
                DrawSkinFrameCentered(workDC, buttonRect, o.ExtraImages->Bitmap.Handle(), true,
                                      std::max(1, o.ExtraImages->FrameCount), k);
            if (text.right > text.left) ::FillRect(workDC, &text, key.Get());
            ::BitBlt(stripDC, ComboFrameWidth * (k - 1), 0, ComboFrameWidth, ComboFrameHeight, workDC, 0, 0, SRCCOPY);
        }
    }
    ::GdiFlush();

    TImageBuffer composite(ComboFrameWidth * f, ComboFrameHeight);
    std::copy_n(static_cast<const std::uint32_t*>(strip.Bits), composite.Pixels().size(), composite.Pixels().begin());
    for (std::uint32_t& p : composite.Pixels()) p |= 0xFF000000u;  // GDI leaves alpha undefined

    button.Style = 2;
    button.LeftWidth = 2;
    button.TopHeight = edge.TopHeight;
    button.RightWidth = bw + 2;
    button.BottomHeight = edge.BottomHeight;
    if (!AssignImage(button.Bitmap, composite)) throw std::runtime_error("the combo composite");

    MirrorHorizontal(composite);
    if (!AssignImage(edge.Bitmap, composite)) throw std::runtime_error("the mirrored combo composite");
    edge.LeftWidth = bw + 2;
    edge.RightWidth = 2;
}

TPixelFormat FormatOfDepth(int bitsPerPixel) noexcept {
    constexpr std::pair<int, TPixelFormat> formats[] = {{1, TPixelFormat::pf1bit},
                                                        {4, TPixelFormat::pf4bit},
                                                        {8, TPixelFormat::pf8bit},
                                                        {16, TPixelFormat::pf16bit},
                                                        {24, TPixelFormat::pf24bit}};
    for (const auto& [bits, format] : formats)
        if (bits == bitsPerPixel) return format;
    return TPixelFormat::pf32bit;
}

}  // namespace

TSkinObjects::TSkinObjects()
    : Buttons(std::make_unique<TDataSkinButton>()),
      Title(std::make_unique<TDataSkinTitle>()),
      BorderLeft(std::make_unique<TDataSkinBorder>()),
      BorderRight(std::make_unique<TDataSkinBorder>()),
      BorderTop(std::make_unique<TDataSkinBorder>()),
      BorderBottom(std::make_unique<TDataSkinBorder>()) {
    CustomColors.fill(TColorValue{0xFFFFFF});
}

TSkinObjects::~TSkinObjects() = default;

TSkinObjects::TComboPieces TSkinObjects::ComboPieces() noexcept {
    const std::lock_guard lock(FCombo.Lock);
    switch (FCombo.State) {
        case TComboState::AsSet:
        case TComboState::Made:
            return {ComboButton.get(), SunkEdge.get()};
        case TComboState::Making:  // asked from inside its own making: nothing to paint with yet
        case TComboState::Failed:
            return {};
        case TComboState::Pending:
            break;
    }
    FCombo.State = TComboState::Making;
    FCombo.Outcome = BuildOutcomeOf([this] {
        if (ComboButton) MirrorComboButton(*ComboButton, FCombo.PixelBytesLeft);
        BuildComboComposite(*this, FCombo.PixelBytesLeft);
    });
    if (FCombo.Outcome != TSkinBuildOutcome::Built) {
        FCombo.State = TComboState::Failed;
        return {};
    }
    FCombo.State = TComboState::Made;
    return {ComboButton.get(), SunkEdge.get()};
}

TSkinBuildOutcome TSkinObjects::FirstUseOutcome() const noexcept {
    const std::lock_guard lock(FCombo.Lock);
    return FCombo.Outcome;
}

void TSkinObjects::ComboPiecesFromBuild(std::int64_t pixelBytesLeft) noexcept {
    const std::lock_guard lock(FCombo.Lock);
    FCombo.State = TComboState::Pending;
    FCombo.Outcome = TSkinBuildOutcome::Built;
    FCombo.PixelBytesLeft = pixelBytesLeft;
}

std::string TReaderBitmapSource::EntryName(std::string_view reference) const {
    return TSkinReader::BitmapEntryName(reference).value_or(std::string());
}

std::vector<std::uint8_t> TReaderBitmapSource::EntryFor(std::string_view reference) const {
    if (!FReader) return {};
    const std::optional<std::string> name = TSkinReader::BitmapEntryName(reference);
    if (!name) return {};
    const auto bytes = FReader->EntryBytes(FReader->IndexOfEntry(*name));
    return {bytes.begin(), bytes.end()};
}

bool AssignBmpBytes(TBitmap& bitmap, std::span<const std::uint8_t> bytes) noexcept {
    std::optional<TImageBuffer> image;
    if (!bytes.empty()) image = ReadBmp(bytes);
    if (!image) {
        CallSwallowing([&] { bitmap.SetSize(0, 0); });
        return false;
    }
    return AssignImage(bitmap, *image);
}

TImageBuffer BitmapToImage(const TBitmap& bitmap) {
    if (bitmap.Empty()) return {};
    TImageBuffer image(bitmap.Width(), bitmap.Height());
    for (int y = 0; y < bitmap.Height(); ++y) {
        const std::uint32_t* row = bitmap.ScanLine(y);
        std::copy_n(row, bitmap.Width(), image.Row(y).begin());
    }
    return image;
}

bool AssignImage(TBitmap& bitmap, const TImageBuffer& image) noexcept {
    try {
        if (image.Empty()) {
            bitmap.SetSize(0, 0);
            return false;
        }
        bitmap.AssignPixels(image.Width(), image.Height(), image.Pixels().data());
        // Remember the depth the entry came with; the pixels stay 32-bit.
        bitmap.SetPixelFormat(FormatOfDepth(image.BitsPerPixel()));
        return true;
    } catch (...) {
        NoteSwallowed();
        CallSwallowing([&] { bitmap.SetSize(0, 0); });
        return false;
    }
}

int ComboButtonWidth() noexcept { return ::GetSystemMetrics(SM_CXHSCROLL) + 2; }

COLORREF SkinColorToRGB(TColorValue color) noexcept { return ColorToRGB(color, clBlack); }

namespace {

// Builds everything but the combo box pieces; answers the pixel budget left over for those.
std::int64_t BuildAll(TSkinObjects& o, const TQuickIni& ini, const TSkinBitmapSource& source,
                      std::int64_t pixelBudget) {
    const TBuild b{o, ini, source, {}, pixelBudget};

    // 1. Sections; the skin's name.
    TStringList sections;
    ini.ReadSections(sections);
    o.SkinName = ini.ReadString("TitlebarSkin", "SkinName", "");

    // 2. Window borders.
    LoadBorder(b, *o.BorderLeft, "Left");
    LoadBorder(b, *o.BorderRight, "Right");
    LoadBorder(b, *o.BorderTop, "Top");
    LoadBorder(b, *o.BorderBottom, "Bottom");

    // 3. Colours first: the text colours of every later object default to ButtonTextColor.
    ReadColours(b);
    ReadPaletteAndCustomColours(b, sections);

    // 4. Caption buttons, then the MDI child buttons after them.
    LoadCaptionButtons(b, sections);
    LoadMdiButtons(b);

    // 5, 6.
    LoadButtons(b, *o.Buttons);
    LoadTitle(b, *o.Title);

    // 7. Optional objects (each slot freed first, so a build never keeps an object of the previous skin).
    o.Progress.reset();
    o.Progress = LoadProgress(b);
    o.MenuBar.reset();
    o.MenuBar = LoadMenuBar(b);
    o.GroupBoxEdge.reset();
    o.GroupBoxEdge = LoadPlain<TDataSkinObject>(b, "GroupBoxEdge");
    o.GroupBox.reset();
    o.GroupBox = LoadPlain<TDataSkinBoxLabel>(b, "GroupBox");
    o.Toolbars.reset();
    o.Toolbars = LoadPlain<TDataSkinObject>(b, "Toolbars");
    o.Tabs.reset();
    o.Tabs = LoadBorderObject(b, "Tabs", "Border");
    o.StatusBarEdges.reset();
    o.StatusBarEdges = LoadPlain<TDataSkinObject>(b, "StatusBarEdges");
    o.ComboButton.reset();
    o.ComboButton = LoadBorderObject(b, "ComboButton", "****");

    // 8. (The combo button's mirror and the combo composite are made on first use: ComboPieces.)

    // 9.
    const auto plain = [&](std::unique_ptr<TDataSkinObject>& slot, std::string_view section) {
        slot.reset();
        slot = LoadPlain<TDataSkinObject>(b, section);
    };
    plain(o.SunkEdge, "SunkEdge");
    plain(o.ExtraImages, "ExtraImages");
    plain(o.Headerbar, "Headerbar");
    plain(o.MenuItem, "MenuItem");
    plain(o.MenuBackground, "MenuBackground");
    plain(o.Scrollbar, "Scrollbar");
    plain(o.HorzScroll, "HorzScroll");
    plain(o.VertScroll, "VertScroll");
    plain(o.HorzScrollThumb, "HorzScrollThumb");
    plain(o.VertScrollThumb, "VertScrollThumb");
    plain(o.TrackbarThumbHorz, "Trackbar.ThumbHorz");
    plain(o.TrackbarThumbVert, "Trackbar.ThumbVert");
    plain(o.TrackbarThumbLeft, "Trackbar.ThumbLeft");
    plain(o.TrackbarThumbRight, "Trackbar.ThumbRight");
    plain(o.TrackbarThumbUp, "Trackbar.ThumbUp");
    plain(o.TrackbarThumbDown, "Trackbar.ThumbDown");
    o.UpDownHorz.reset();
    o.UpDownHorz = LoadBorderObject(b, "UpDown.Horz", "GlyphImage");
    o.UpDownVert.reset();
    o.UpDownVert = LoadBorderObject(b, "UpDown.Vert", "GlyphImage");

    // 10. Fixed frame counts.
    SetFrames(o.Buttons.get(), ButtonsFrames);
    SetFrames(o.Title.get(), TitleFrames);
    SetFrames(o.Progress.get(), ProgressFrames);
    SetFrames(o.MenuBar.get(), MenuBarFrames);
    SetFrames(o.GroupBoxEdge.get(), GroupBoxEdgeFrames);
    SetFrames(o.GroupBox.get(), GroupBoxFrames);
    SetFrames(o.Toolbars.get(), ToolbarsFrames);
    SetFrames(o.Tabs.get(), TabsFrames);
    SetFrames(o.StatusBarEdges.get(), StatusBarEdgesFrames);
    SetFrames(o.ComboButton.get(), ComboButtonFrames);
    SetFrames(o.SunkEdge.get(), SunkEdgeFrames);
    SetFrames(o.ExtraImages.get(), ExtraImagesFrames);
    SetFrames(o.Headerbar.get(), HeaderbarFrames);
    SetFrames(o.MenuItem.get(), MenuItemFrames);
    SetFrames(o.MenuBackground.get(), MenuBackgroundFrames);
    SetFrames(o.Scrollbar.get(), ScrollbarFrames);
    SetFrames(o.HorzScroll.get(), ScrollArrowFrames);
    SetFrames(o.VertScroll.get(), ScrollArrowFrames);
    SetFrames(o.HorzScrollThumb.get(), b.Frames("HorzScrollThumb", "FrameCount", ScrollThumbDefaultFrames));
    SetFrames(o.VertScrollThumb.get(), b.Frames("VertScrollThumb", "FrameCount", ScrollThumbDefaultFrames));
    for (auto* thumb : {o.TrackbarThumbHorz.get(), o.TrackbarThumbVert.get(), o.TrackbarThumbLeft.get(),
                        o.TrackbarThumbRight.get(), o.TrackbarThumbUp.get(), o.TrackbarThumbDown.get()})
        SetFrames(thumb, TrackbarThumbFrames);
    SetFrames(o.UpDownHorz.get(), UpDownFrames);
    SetFrames(o.UpDownVert.get(), UpDownFrames);
    if (o.Buttons->RadioFrameCount == 0) o.Buttons->RadioFrameCount = FramesOfToggle(o.Buttons->RadioBitmap);
    if (o.Buttons->CheckFrameCount == 0) o.Buttons->CheckFrameCount = FramesOfToggle(o.Buttons->CheckBitmap);

    // 12. The brush is made before the old one goes, so a failure keeps the previous brush.
    if (HBRUSH brush = ::CreateSolidBrush(SkinColorToRGB(o.ButtonFaceColor))) o.ButtonFaceBrush.Reset(brush);
    return b.PixelBytesLeft;
}

}  // namespace

const char* SkinBuildFailureReason(TSkinBuildOutcome outcome) noexcept {
    switch (outcome) {
        case TSkinBuildOutcome::Built:
            return "";
        case TSkinBuildOutcome::OverPixelBudget:
            return "the skin's images need more than 64 MiB of pixel memory";
        case TSkinBuildOutcome::OutOfMemory:
            return "not enough memory to build the skin's objects";
        case TSkinBuildOutcome::Failed:
            break;
    }
    return "the skin's objects could not be built";
}

TSkinBuildOutcome BuildSkinObjects(TSkinObjects& objects, const TQuickIni& ini, const TSkinBitmapSource& source,
                                   std::int64_t pixelBudget) noexcept {
    // A combo piece being made on another thread finishes before its sources are rebuilt.
    const std::lock_guard lock(objects.FCombo.Lock);
    std::int64_t left = 0;
    const TSkinBuildOutcome outcome = BuildOutcomeOf([&] { left = BuildAll(objects, ini, source, pixelBudget); });
    // A refused build leaves nothing to make later: the package is not loadable.
    if (outcome == TSkinBuildOutcome::Built) objects.ComboPiecesFromBuild(left);
    return outcome;
}

}  // namespace qd
