// Building skin objects from descriptions and images made here: every loader's defaults, the derived values,
// the frame counts, the combo box composite, and what bad image entries come out as.

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <map>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "skin/data/Bmp.h"
#include "skin/data/QuickIni.h"
#include "skin/data/SkinData.h"
#include "skin/data/SkinObjects.h"
#include "skin/data/SkinReader.h"

namespace qd {
namespace {

constexpr std::uint32_t Magenta = MakeBgra(0xFF, 0x00, 0xFF);

std::vector<std::uint8_t> Bmp(int width, int height, std::uint32_t fill = MakeBgra(10, 20, 30)) {
    return WriteBmp(TImageBuffer(width, height, fill), 24);
}

// A strip whose column x has blue x: lets a test tell which columns ended up where.
std::vector<std::uint8_t> ColumnStrip(int width, int height) {
    TImageBuffer image(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) image.SetPixel(x, y, MakeBgra(static_cast<std::uint8_t>(x), 0, 0));
    return WriteBmp(image, 24);
}

// Images by entry name, looked up the way a package does.
class TMapSource : public TSkinBitmapSource {
public:
    std::map<std::string, std::vector<std::uint8_t>> Entries;
    mutable std::map<std::string, int, std::less<>> Fetches;  // by reference
    std::function<void()> Fail;                               // called on every fetch: may raise
    std::vector<std::uint8_t> EntryFor(std::string_view reference) const override {
        ++Fetches[std::string(reference)];
        if (Fail) Fail();
        const auto name = TSkinReader::BitmapEntryName(reference);
        if (!name) return {};
        const auto it = Entries.find(AsciiLowerCase(*name));
        return it == Entries.end() ? std::vector<std::uint8_t>{} : it->second;
    }
};

struct TBuilt {
    TSkinObjects Objects;
    TQuickIni Ini;
    TMapSource Source;
    TSkinBuildOutcome Build(std::string_view description) {
        Ini.LoadFromText(description);
        return BuildSkinObjects(Objects, Ini, Source);
    }
};

std::uint32_t PixelOf(const TBitmap& bitmap, int x, int y) { return bitmap.ScanLine(y)[x] & 0x00FFFFFFu; }

// ------------------------------------------------------------------------------------------------------------
// An empty description

TEST(SkinObjectsDefaults, EmptyDescriptionLeavesOptionalSlotsNullAndFixedObjectsAtDefaults) {
    TBuilt b;
    b.Build("");
    TSkinObjects& o = b.Objects;
    for (const auto* slot :
         {static_cast<const void*>(o.Progress.get()), static_cast<const void*>(o.MenuBar.get()),
          static_cast<const void*>(o.GroupBoxEdge.get()), static_cast<const void*>(o.GroupBox.get()),
          static_cast<const void*>(o.Toolbars.get()), static_cast<const void*>(o.Tabs.get()),
          static_cast<const void*>(o.StatusBarEdges.get()), static_cast<const void*>(o.ComboButton.get()),
          static_cast<const void*>(o.SunkEdge.get()), static_cast<const void*>(o.ExtraImages.get()),
          static_cast<const void*>(o.Headerbar.get()), static_cast<const void*>(o.MenuItem.get()),
          static_cast<const void*>(o.MenuBackground.get()), static_cast<const void*>(o.Scrollbar.get()),
          static_cast<const void*>(o.HorzScroll.get()), static_cast<const void*>(o.VertScrollThumb.get()),
          static_cast<const void*>(o.TrackbarThumbDown.get()), static_cast<const void*>(o.UpDownHorz.get())})
        EXPECT_EQ(slot, nullptr);

    for (const TDataSkinBorder* border :
         {o.BorderLeft.get(), o.BorderRight.get(), o.BorderTop.get(), o.BorderBottom.get()}) {
        ASSERT_NE(border, nullptr);
        EXPECT_EQ(border->FrameCount, 1);
        EXPECT_EQ(border->Tile, 1);
        EXPECT_EQ(border->Trans, 1);
        EXPECT_EQ(border->LeftWidth + border->TopHeight + border->RightWidth + border->BottomHeight, 0);
        EXPECT_TRUE(border->Bitmap.Empty());
    }
    EXPECT_EQ(o.BorderTop->Name, "Top");

    EXPECT_EQ(o.Title->FontHeight, 14);
    EXPECT_EQ(o.Title->ActiveTextColor, clNone);
    EXPECT_EQ(o.Title->InactiveTextColor, clNone);
    EXPECT_EQ(o.Title->FrameCount, 2);

    EXPECT_EQ(o.Buttons->FrameCount, 5);
    EXPECT_EQ(o.Buttons->NormalColour, -1);
    EXPECT_FALSE(o.Buttons->HasNormalColour2);
    EXPECT_EQ(o.Buttons->NormalColour2, SkinSystemColor(COLOR_BTNTEXT));
    // No images: the toggle frame counts are raised to 4.
    EXPECT_EQ(o.Buttons->RadioFrameCount, 4);
    EXPECT_EQ(o.Buttons->CheckFrameCount, 4);
}

TEST(SkinObjectsDefaults, ColoursFallBackToSystemColoursAndMenuBarFollowsButtonFace) {
    TBuilt b;
    b.Build("[Colours]\nButtonFace=1 2 3\n");
    TSkinObjects& o = b.Objects;
    EXPECT_EQ(o.ButtonFaceColor, 0x00030201u);
    EXPECT_EQ(o.MenuBarColor, 0x00030201u);
    EXPECT_EQ(o.WindowTextColor, SkinSystemColor(8));
    EXPECT_EQ(o.ScrollbarColor, SkinSystemColor(0));
    EXPECT_EQ(o.HilightTextColor, SkinSystemColor(14));
    EXPECT_EQ(o.HilightColor, SkinSystemColor(13));
    EXPECT_EQ(o.MenuColor, SkinSystemColor(4));
    EXPECT_EQ(o.MenuTextColor, SkinSystemColor(7));
    EXPECT_EQ(o.ButtonTextColor, SkinSystemColor(18));
    EXPECT_EQ(o.ButtonHilightColor, SkinSystemColor(20));
    EXPECT_EQ(o.ButtonLightColor, SkinSystemColor(20));
    EXPECT_EQ(o.ButtonShadowColor, SkinSystemColor(16));
    EXPECT_EQ(o.ButtonDkShadowColor, SkinSystemColor(21));
    EXPECT_EQ(o.MenuBarTextColor, SkinSystemColor(7));
    EXPECT_EQ(o.TitleTextActiveColor, SkinSystemColor(9));
    EXPECT_EQ(o.TitleTextNoActiveColor, SkinSystemColor(19));
    for (TColorValue c : o.CustomColors) EXPECT_EQ(c, 0x00FFFFFFu);
    EXPECT_TRUE(o.Palette.empty());
    ASSERT_TRUE(o.ButtonFaceBrush);
    LOGBRUSH lb{};
    ASSERT_EQ(::GetObjectW(o.ButtonFaceBrush.Get(), sizeof lb, &lb), static_cast<int>(sizeof lb));
    EXPECT_EQ(lb.lbColor, RGB(1, 2, 3));
}

TEST(SkinObjectsDefaults, PaletteTakesColourSectionsInOrderAndCustomColoursTheirKeys) {
    TBuilt b;
    b.Build(
        "[Colour1]\ncolor=1 1 1\n[Colours]\n[colour0]\n[COLOURX]\nColor=9,8,7\n"
        "[Customcolors]\nColor0=0 0 0\nColor9=5 6 7\n");
    ASSERT_EQ(b.Objects.Palette.size(), 3u);
    EXPECT_EQ(b.Objects.Palette[0], 0x00010101u);
    EXPECT_EQ(b.Objects.Palette[1], SkinSystemColor(8));  // no color key
    EXPECT_EQ(b.Objects.Palette[2], 0x00070809u);
    EXPECT_EQ(b.Objects.CustomColors[0], 0u);
    EXPECT_EQ(b.Objects.CustomColors[5], 0x00FFFFFFu);
    EXPECT_EQ(b.Objects.CustomColors[9], 0x00070605u);
}

// ------------------------------------------------------------------------------------------------------------
// Loaders of the optional objects

TEST(SkinObjectLoaders, PlainObjectReadsItsKeysWithDefaultsAndClampsTile) {
    TBuilt b;
    b.Source.Entries["menuitem.bmp"] = Bmp(50, 10);
    b.Build(
        "[Colours]\nButtonText=4 5 6\n[MenuItem]\nImage=Skins\\MenuItem.bmp\nTile=2\nLeftWidth=3\n"
        "MouseOverColour=7\nPressedColour2=1 2 3\n");
    ASSERT_NE(b.Objects.MenuItem, nullptr);
    const TDataSkinObject& m = *b.Objects.MenuItem;
    EXPECT_EQ(m.Name, "MenuItem");
    EXPECT_EQ(m.Bitmap.Width(), 50);
    EXPECT_EQ(m.Tile, 0);  // above 1 means stretch
    EXPECT_EQ(m.LeftWidth, 3);
    EXPECT_EQ(m.RightWidth + m.TopHeight + m.BottomHeight + m.Style + m.Trans, 0);
    EXPECT_EQ(m.NormalColour, -1);
    EXPECT_EQ(m.MouseOverColour, 7);
    EXPECT_EQ(m.PressedColour, -1);
    EXPECT_EQ(m.NormalColour2, 0x00060504u);  // the skin's ButtonTextColor
    EXPECT_EQ(m.PressedColour2, 0x00030201u);
    EXPECT_EQ(m.FrameCount, 5);
}

TEST(SkinObjectLoaders, ObjectWithoutImageKeyIsAbsentEvenWhenOtherKeysExist) {
    TBuilt b;
    b.Build("[Toolbars]\nLeftWidth=3\nBitmap=x.bmp\n[Headerbar]\nImage=\n");
    EXPECT_EQ(b.Objects.Toolbars, nullptr);
    EXPECT_EQ(b.Objects.Headerbar, nullptr);
}

TEST(SkinObjectLoaders, ObjectWithUnresolvableImageExistsWithEmptyBitmap) {
    TBuilt b;
    b.Build("[SunkEdge]\nImage=missing.bmp\n");
    ASSERT_NE(b.Objects.SunkEdge, nullptr);
    EXPECT_TRUE(b.Objects.SunkEdge->Bitmap.Empty());
}

TEST(SkinObjectLoaders, ProgressReadsBitmapAndChunkAndKeepsAnyTile) {
    TBuilt b;
    b.Source.Entries["p.bmp"] = Bmp(32, 14);
    b.Source.Entries["c.bmp"] = Bmp(10, 8);
    b.Build("[Progress]\nImage=ignored.bmp\nBitmap=p.bmp\nChunk=c.bmp\nTile=5\nStyle=2\nNormalColour=3\n");
    ASSERT_NE(b.Objects.Progress, nullptr);
    const TDataSkinBorder& p = *b.Objects.Progress;
    EXPECT_EQ(p.Bitmap.Width(), 32);
    EXPECT_EQ(p.ExtraBitmap.Width(), 10);
    EXPECT_EQ(p.Tile, 5);
    EXPECT_EQ(p.Style, 2);
    EXPECT_EQ(p.NormalColour, -1);  // not read for progress bars
    EXPECT_EQ(p.FrameCount, 2);

    TBuilt none;
    none.Build("[Progress]\nImage=p.bmp\n");
    EXPECT_EQ(none.Objects.Progress, nullptr);
}

TEST(SkinObjectLoaders, BorderObjectsSkipStyleAndLoadTheirExtraImage) {
    TBuilt b;
    b.Source.Entries["tabs.bmp"] = Bmp(70, 20);
    b.Source.Entries["frame.bmp"] = Bmp(16, 16);
    b.Source.Entries["glyph.bmp"] = Bmp(8, 4);
    b.Build("[Tabs]\nImage=tabs.bmp\nBorder=frame.bmp\nStyle=3\n[UpDown.Vert]\nImage=tabs.bmp\nGlyphImage=glyph.bmp\n");
    ASSERT_NE(b.Objects.Tabs, nullptr);
    EXPECT_EQ(b.Objects.Tabs->Style, 0);
    EXPECT_EQ(b.Objects.Tabs->ExtraBitmap.Width(), 16);
    EXPECT_EQ(b.Objects.Tabs->FrameCount, 5);
    ASSERT_NE(b.Objects.UpDownVert, nullptr);
    EXPECT_EQ(b.Objects.UpDownVert->ExtraBitmap.Width(), 8);
    EXPECT_EQ(b.Objects.UpDownVert->FrameCount, 8);
    EXPECT_EQ(b.Objects.UpDownHorz, nullptr);
}

TEST(SkinObjectLoaders, GroupBoxReadsItsBackgroundKeys) {
    TBuilt b;
    b.Build("[GroupBox]\nImage=g.bmp\nBackgroundAlignment=2\nBackgroundRightShift=-4\n");
    ASSERT_NE(b.Objects.GroupBox, nullptr);
    EXPECT_EQ(b.Objects.GroupBox->BackgroundAlignment, 2);
    EXPECT_EQ(b.Objects.GroupBox->BackgroundLeftShift, 0);
    EXPECT_EQ(b.Objects.GroupBox->BackgroundRightShift, -4);
    EXPECT_EQ(b.Objects.GroupBox->FrameCount, 1);
}

TEST(SkinObjectLoaders, MenuBarComesFromPersonalityWithOnePixelCapsByDefault) {
    TBuilt b;
    b.Source.Entries["bar.bmp"] = Bmp(8, 40);
    b.Build("[Personality]\nmenuBar=bar.bmp\nTileMenu=1\n");
    ASSERT_NE(b.Objects.MenuBar, nullptr);
    EXPECT_EQ(b.Objects.MenuBar->Name, "Personality");
    EXPECT_EQ(b.Objects.MenuBar->LeftWidth, 1);
    EXPECT_EQ(b.Objects.MenuBar->RightWidth, 1);
    EXPECT_EQ(b.Objects.MenuBar->Tile, 1);
    EXPECT_EQ(b.Objects.MenuBar->FrameCount, 2);
}

TEST(SkinObjectLoaders, ScrollThumbFrameCountComesFromItsKeyAndCountsBelowOneGetTheDefault) {
    TBuilt b;
    b.Build(
        "[HorzScrollThumb]\nImage=h.bmp\nFrameCount=7\n[VertScrollThumb]\nImage=v.bmp\nFrameCount=0\n"
        "[Scrollbar]\nImage=s.bmp\nFrameCount=2\n");
    EXPECT_EQ(b.Objects.HorzScrollThumb->FrameCount, 7);
    EXPECT_EQ(b.Objects.VertScrollThumb->FrameCount, 3);
    EXPECT_EQ(b.Objects.Scrollbar->FrameCount, 23);  // fixed: the description cannot change it
}

// ------------------------------------------------------------------------------------------------------------
// Fixed objects

TEST(SkinFixedObjects, WindowBordersMapTheirCapsByOrientation) {
    TBuilt b;
    b.Source.Entries["top.bmp"] = Bmp(67, 60);
    b.Build(
        "[Personality]\nTop=top.bmp\nTopTopHeight=25\nTopBotHeight=32\nTopFrame=2\nTopStretch=0\nTopTrans=0\n"
        "LeftTopHeight=30\nLeftBotHeight=4\nBottomFrame=-3\nRightFrame=0\n");
    const TDataSkinBorder& top = *b.Objects.BorderTop;
    EXPECT_EQ(top.LeftWidth, 25);
    EXPECT_EQ(top.RightWidth, 32);
    EXPECT_EQ(top.TopHeight, 0);
    EXPECT_EQ(top.FrameCount, 2);
    EXPECT_EQ(top.Tile, 0);
    EXPECT_EQ(top.Trans, 0);
    EXPECT_EQ(top.Bitmap.Height(), 60);
    const TDataSkinBorder& left = *b.Objects.BorderLeft;
    EXPECT_EQ(left.TopHeight, 30);
    EXPECT_EQ(left.BottomHeight, 4);
    EXPECT_EQ(left.LeftWidth, 0);
    // A frame count below 1 would divide by zero in every painter: the key's default applies.
    EXPECT_EQ(b.Objects.BorderBottom->FrameCount, 1);
    EXPECT_EQ(b.Objects.BorderRight->FrameCount, 1);
}

TEST(SkinFixedObjects, ButtonsReadTheirImagesAndTellWhichTextColoursWereGiven) {
    TBuilt b;
    b.Source.Entries["b.bmp"] = Bmp(90, 21);
    b.Source.Entries["check.bmp"] = Bmp(80, 16);
    b.Source.Entries["radio.bmp"] = Bmp(20, 13);
    b.Build(
        "[Buttons]\nBitmap=b.bmp\nCheckButton=check.bmp\nRadioButton=radio.bmp\nLeftWidth=3\n"
        "NormalColour2=1 2 3\nMouseOverColour2=\nPressedColour=4\n");
    const TDataSkinButton& o = *b.Objects.Buttons;
    EXPECT_EQ(o.Bitmap.Width(), 90);
    EXPECT_EQ(o.LeftWidth, 3);
    EXPECT_TRUE(o.HasNormalColour2);
    EXPECT_FALSE(o.HasMouseOverColour2);
    EXPECT_FALSE(o.HasPressedColour2);
    EXPECT_EQ(o.NormalColour2, 0x00030201u);
    EXPECT_EQ(o.PressedColour, 4);
    EXPECT_EQ(o.CheckFrameCount, 5);  // 80 / 16
    EXPECT_EQ(o.RadioFrameCount, 4);  // 20 / 13 = 1, raised to 4
}

TEST(SkinFixedObjects, ToggleFrameCountsFromTheDescriptionWinAndBelowOneMeansCountTheImage) {
    TBuilt b;
    b.Source.Entries["r.bmp"] = Bmp(65, 13);
    b.Build("[Buttons]\nRadioButton=r.bmp\nCheckButton=r.bmp\nRadioButtonFrame=7\nCheckButtonFrame=-2\n");
    EXPECT_EQ(b.Objects.Buttons->RadioFrameCount, 7);
    EXPECT_EQ(b.Objects.Buttons->CheckFrameCount, 5);
}

TEST(SkinFixedObjects, TitleReadsPersonalityAndFontsAndNeedsAllThreeColourKeys) {
    TBuilt b;
    b.Build(
        "[Personality]\nTextShift=4\nTextShiftVert=-1\nTextRightClip=75\nTextAlignment=2\nTXTBackleft=3\n"
        "ActiveTextR=255\nActiveTextG=255\nActiveTextB=511\nInActiveTextR=1\nInActiveTextG=-1\n"
        "InActiveTextB=1\n[Fonts]\nFontHeight=16\n");
    const TDataSkinTitle& t = *b.Objects.Title;
    EXPECT_EQ(t.LeftWidth, 4);
    EXPECT_EQ(t.TopHeight, -1);
    EXPECT_EQ(t.RightWidth, 75);
    EXPECT_EQ(t.BottomHeight, 0);
    EXPECT_EQ(t.TextAlignment, 2);
    EXPECT_EQ(t.TextBackLeft, 3);
    EXPECT_EQ(t.FontHeight, 16);
    EXPECT_EQ(t.ActiveTextColor, 0x00FFFFFFu);  // low 8 bits of 511
    EXPECT_EQ(t.InactiveTextColor, clNone);     // a negative component: no colour
}

// ------------------------------------------------------------------------------------------------------------
// Caption buttons and MDI child buttons

TEST(SkinCaptionButtons, SectionsAreChosenByNameAndHiddenOnesDropped) {
    TBuilt b;
    b.Build(
        "[Buttons]\n[Button.Radio]\n[BUTTON.CHECKBOX]\n[Button]\n[button2]\nAction=1\n[ButtonX]\nAction=-1\n"
        "[ButtonY]\nAction=-1\nVisibility=0\n[ButtonZ]\nAction=-1\nVisibility=3\n[Knob]\n");
    auto& s = b.Objects.SysButtons;
    ASSERT_EQ(s.size(), 5u);  // BUTTON2, BUTTONY and the three MDI buttons
    EXPECT_EQ(s[0]->Name, "BUTTON2");
    EXPECT_EQ(s[0]->Action, 1);
    EXPECT_EQ(s[0]->Visibility1, 0);
    EXPECT_EQ(s[0]->CombineOp, -1);
    EXPECT_EQ(s[1]->Name, "BUTTONY");
    EXPECT_EQ(s[1]->Visibility1, -1);
    EXPECT_EQ(s[2]->Action, 7);
    EXPECT_EQ(s[3]->Action, 8);
    EXPECT_EQ(s[4]->Action, 9);
}

TEST(SkinCaptionButtons, FrameCountFollowsTheImageRatioUnlessTheDescriptionGivesIt) {
    TBuilt b;
    b.Source.Entries["wide.bmp"] = Bmp(100, 21);   // 4.76: six frames
    b.Source.Entries["narrow.bmp"] = Bmp(60, 21);  // 2.86: three frames
    b.Source.Entries["edge.bmp"] = Bmp(38, 10);    // exactly 3.8: three frames
    b.Build(
        "[Button0]\nButtonImage=wide.bmp\n[Button1]\nButtonImage=narrow.bmp\n[Button2]\nButtonImage=edge.bmp\n"
        "[Button3]\nButtonImage=narrow.bmp\nAction=-1\nVisibility=0\n[Button4]\nButtonImage=narrow.bmp\nframe=2\n"
        "[Button5]\nButtonImage=narrow.bmp\nframe=-1\n[Button6]\n");
    auto& s = b.Objects.SysButtons;
    ASSERT_EQ(s.size(), 10u);
    EXPECT_EQ(s[0]->FrameCount, 6);
    EXPECT_EQ(s[1]->FrameCount, 3);
    EXPECT_EQ(s[2]->FrameCount, 3);
    EXPECT_EQ(s[3]->FrameCount, 6);  // negative action
    EXPECT_EQ(s[4]->FrameCount, 2);
    EXPECT_EQ(s[5]->FrameCount, 3);  // below 1: counted from the image
    EXPECT_EQ(s[6]->FrameCount, 6);  // no image
}

TEST(SkinCaptionButtons, IconButtonsDropTheirImageOnlyWhenTheFrameCountIsDerived) {
    TBuilt b;
    b.Source.Entries["icon.bmp"] = Bmp(126, 21);
    b.Build(
        "[Button16]\nAction=11\nButtonImage=icon.bmp\n[Button17]\nAction=3\nButtonImage=icon.bmp\n"
        "[Button18]\nAction=11\nButtonImage=icon.bmp\nframe=6\n");
    auto& s = b.Objects.SysButtons;
    EXPECT_TRUE(s[0]->Bitmap.Empty());
    EXPECT_EQ(s[0]->FrameCount, 6);
    EXPECT_TRUE(s[1]->Bitmap.Empty());
    EXPECT_FALSE(s[2]->Bitmap.Empty());
}

TEST(SkinCaptionButtons, MdiButtonsAreCutFromTwelveFramesOfOneImage) {
    TBuilt b;
    b.Source.Entries["mdi.bmp"] = ColumnStrip(180, 15);
    b.Build("[MDICONTROLS]\nImage=mdi.bmp\n");
    auto& s = b.Objects.SysButtons;
    ASSERT_EQ(s.size(), 3u);
    const int xcoords[3] = {57, 38, 19};
    for (int k = 0; k < 3; ++k) {
        const TDataSkinSysButton& button = *s[static_cast<std::size_t>(k)];
        EXPECT_EQ(button.Action, 7 + k);
        EXPECT_EQ(button.Align, 100);
        EXPECT_EQ(button.Visibility, 100);
        EXPECT_EQ(button.Visibility1, 100);
        EXPECT_EQ(button.FrameCount, 4);
        EXPECT_EQ(button.XCoord, xcoords[k]);
        ASSERT_EQ(button.Bitmap.Width(), 60);
        ASSERT_EQ(button.Bitmap.Height(), 15);
        // Column 0 of button k is column 60k of the image, column 59 is 60k + 59.
        EXPECT_EQ(PixelOf(button.Bitmap, 0, 7), static_cast<std::uint32_t>(60 * k));
        EXPECT_EQ(PixelOf(button.Bitmap, 59, 14), static_cast<std::uint32_t>(60 * k + 59));
    }
}

TEST(SkinCaptionButtons, MdiImageNarrowerThanTwelvePixelsGivesEmptyButtons) {
    TBuilt b;
    b.Source.Entries["mdi.bmp"] = Bmp(11, 15);
    b.Build("[MDICONTROLS]\nImage=mdi.bmp\n");
    for (const auto& button : b.Objects.SysButtons) EXPECT_TRUE(button->Bitmap.Empty());
}

// ------------------------------------------------------------------------------------------------------------
// Bad image entries

std::vector<std::uint8_t> Patched(std::vector<std::uint8_t> bytes, std::size_t at, std::int32_t value) {
    std::memcpy(bytes.data() + at, &value, 4);
    return bytes;
}

TEST(SkinBadImages, EveryMalformedEntryBecomesAnEmptyBitmapAndTheBuildCompletes) {
    const std::vector<std::uint8_t> good = Bmp(65, 13);
    std::vector<std::uint8_t> eightBit = WriteBmp(TImageBuffer(4, 4, MakeBgra(1, 2, 3)), 8);
    const std::map<std::string, std::vector<std::uint8_t>> bad = {
        {"truncated.bmp", std::vector<std::uint8_t>(good.begin(), good.begin() + 20)},
        {"notbm.bmp", Patched(good, 0, 0x00004D42 ^ 0x0101)},
        {"zerowidth.bmp", Patched(good, 18, 0)},
        {"zeroheight.bmp", Patched(good, 22, 0)},
        {"hugewidth.bmp", Patched(good, 18, 0x7FFFFFFF)},
        {"strideoverflow.bmp", Patched(Patched(good, 18, 0x40000000), 22, 2)},
        {"offsetpastend.bmp", Patched(good, 10, 0x7FFFFFF0)},
        {"offsetinheader.bmp", Patched(good, 10, 4)},
        {"palettetoolarge.bmp", Patched(eightBit, 46, 0x10000000)},
        {"garbage.bmp", std::vector<std::uint8_t>(100, 0xAB)},
    };
    TBuilt b;
    b.Source.Entries = bad;
    b.Source.Entries["good.bmp"] = good;
    // Every bad entry as the image of one caption button.
    std::string description;
    for (const auto& [name, bytes] : bad) description += "[Button" + name + "]\nButtonImage=" + name + "\n";
    description += "[Buttons]\nRadioButton=good.bmp\nCheckButton=truncated.bmp\nBitmap=hugewidth.bmp\n";
    description += "[MDICONTROLS]\nImage=strideoverflow.bmp\n[Personality]\nTop=zeroheight.bmp\n";
    ASSERT_NO_THROW(b.Build(description));
    ASSERT_EQ(b.Objects.SysButtons.size(), bad.size() + 3);
    for (const auto& button : b.Objects.SysButtons) EXPECT_TRUE(button->Bitmap.Empty()) << button->Name;
    EXPECT_TRUE(b.Objects.Buttons->CheckBitmap.Empty());
    EXPECT_TRUE(b.Objects.Buttons->Bitmap.Empty());
    EXPECT_TRUE(b.Objects.BorderTop->Bitmap.Empty());
    EXPECT_EQ(b.Objects.Buttons->RadioBitmap.Width(), 65);  // the good one next to them still loads
    EXPECT_TRUE(b.Objects.ButtonFaceBrush);                 // and the build ran to its end
}

TEST(SkinBadImages, ReferencesOtherThanLowerCaseBmpAreNeverLoaded) {
    TBuilt b;
    b.Source.Entries["menuframe.bmp"] = Bmp(4, 4);
    b.Source.Entries["caps.bmp"] = Bmp(4, 4);
    b.Build(
        "[MenuItem]\nImage=XPLuna\\MenuFrame.bmp\n[Headerbar]\nImage=caps.BMP\n[SunkEdge]\nImage=C:\n"
        "[ExtraImages]\nImage=caps.png\n");
    EXPECT_FALSE(b.Objects.MenuItem->Bitmap.Empty());  // the folder part does not count
    EXPECT_TRUE(b.Objects.Headerbar->Bitmap.Empty());
    EXPECT_TRUE(b.Objects.ExtraImages->Bitmap.Empty());
}

// ------------------------------------------------------------------------------------------------------------
// Derived images

TEST(SkinComboComposite, ButtonIsMirroredAndComposedWithTheSunkenEdge) {
    TBuilt b;
    // Button image: 4 frames of 10 x 21, left half blue, right half green; edge: 4 frames of 10 x 21 grey.
    TImageBuffer button(40, 21, MakeBgra(0xFF, 0, 0));
    for (int y = 0; y < 21; ++y)
        for (int x = 0; x < 40; ++x)
            if (x % 10 >= 5) button.SetPixel(x, y, MakeBgra(0, 0xFF, 0));
    b.Source.Entries["combo.bmp"] = WriteBmp(button, 24);
    b.Source.Entries["edge.bmp"] = Bmp(40, 21, MakeBgra(0x80, 0x80, 0x80));
    b.Build(
        "[ComboButton]\nImage=combo.bmp\n[SunkEdge]\nImage=edge.bmp\nTopHeight=2\nBottomHeight=2\n"
        "LeftWidth=2\nRightWidth=2\n");
    const int bw = ComboButtonWidth();
    const TSkinObjects::TComboPieces pieces = b.Objects.ComboPieces();
    ASSERT_EQ(pieces.Button, b.Objects.ComboButton.get());
    ASSERT_EQ(pieces.Edge, b.Objects.SunkEdge.get());
    ASSERT_NE(pieces.Button, nullptr);
    const TDataSkinBorder& combo = *pieces.Button;
    const TDataSkinObject& edge = *pieces.Edge;

    // The extra image is the original button, mirrored.
    ASSERT_EQ(combo.ExtraBitmap.Width(), 40);
    EXPECT_EQ(PixelOf(combo.ExtraBitmap, 0, 10), 0x0000FF00u);
    EXPECT_EQ(PixelOf(combo.ExtraBitmap, 39, 10), 0x000000FFu);

    // The composite: one 50 x 21 frame per edge frame, button at the right, text area transparent.
    EXPECT_EQ(combo.Style, 2);
    EXPECT_EQ(combo.LeftWidth, 2);
    EXPECT_EQ(combo.RightWidth, bw + 2);
    EXPECT_EQ(combo.TopHeight, 2);
    ASSERT_EQ(combo.Bitmap.Width(), 200);
    ASSERT_EQ(combo.Bitmap.Height(), 21);
    EXPECT_EQ(PixelOf(combo.Bitmap, 10, 10), Magenta & 0x00FFFFFFu);
    EXPECT_EQ(PixelOf(combo.Bitmap, 0, 0), 0x00808080u);         // edge band
    EXPECT_EQ(PixelOf(combo.Bitmap, 49, 10), 0x0000FF00u);       // right half of the button
    EXPECT_EQ(PixelOf(combo.Bitmap, 50 - bw, 10), 0x000000FFu);  // left half of the button
    EXPECT_EQ(PixelOf(combo.Bitmap, 150 + 10, 10), Magenta & 0x00FFFFFFu);

    // The edge gets the mirror: button at the left.
    EXPECT_EQ(edge.LeftWidth, bw + 2);
    EXPECT_EQ(edge.RightWidth, 2);
    ASSERT_EQ(edge.Bitmap.Width(), 200);
    for (int x : {0, 10, 49, 120, 199}) EXPECT_EQ(PixelOf(edge.Bitmap, x, 10), PixelOf(combo.Bitmap, 199 - x, 10)) << x;
}

TEST(SkinComboComposite, OnlyBuiltWhenBothObjectsExist) {
    TBuilt b;
    b.Source.Entries["combo.bmp"] = Bmp(40, 21);
    b.Build("[ComboButton]\nImage=combo.bmp\nLeftWidth=1\n");
    b.Objects.ComboPieces();
    EXPECT_EQ(b.Objects.ComboButton->Bitmap.Width(), 40);
    EXPECT_EQ(b.Objects.ComboButton->Style, 0);
    EXPECT_EQ(b.Objects.ComboButton->FrameCount, 4);
}

constexpr char ComboDescription[] = "[ComboButton]\nImage=combo.bmp\n[SunkEdge]\nImage=edge.bmp\n";

void AddComboImages(TMapSource& source) {
    source.Entries["combo.bmp"] = Bmp(40, 21, MakeBgra(0xFF, 0, 0));
    source.Entries["edge.bmp"] = Bmp(40, 21, MakeBgra(0x80, 0x80, 0x80));
}

TEST(SkinComboComposite, IsMadeOnFirstUseOnceAndAgainAfterEachBuild) {
    TBuilt b;
    AddComboImages(b.Source);
    b.Build(ComboDescription);
    // The build leaves the images as loaded.
    EXPECT_EQ(b.Objects.ComboButton->Style, 0);
    EXPECT_EQ(b.Objects.ComboButton->Bitmap.Width(), 40);
    EXPECT_TRUE(b.Objects.ComboButton->ExtraBitmap.Empty());
    const HBITMAP made = b.Objects.ComboPieces().Button->Bitmap.Handle();
    EXPECT_EQ(b.Objects.ComboButton->Style, 2);
    EXPECT_EQ(b.Objects.ComboPieces().Button->Bitmap.Handle(), made) << "made once, then kept";
    EXPECT_EQ(b.Objects.ComboButton->Bitmap.Width(), 200) << "not composed over the composite";
    b.Build(ComboDescription);
    EXPECT_EQ(b.Objects.ComboButton->Style, 0) << "a new build starts from the images again";
    EXPECT_EQ(b.Objects.ComboPieces().Button->Bitmap.Width(), 200);
}

TEST(SkinComboComposite, AFailedFirstUseIsReportedAndGivesNoPiecesUntilTheNextBuild) {
    TSkinData data(nullptr);
    TMapSource source;
    AddComboImages(source);
    TQuickIni ini;
    ini.LoadFromText(ComboDescription);
    // A budget that just holds the two images as decoded and as bitmaps leaves nothing for the composite.
    const std::int64_t loadBytes = 2 * 2 * 4 * 40 * 21;
    ASSERT_EQ(BuildSkinObjects(data, ini, source, loadBytes), TSkinBuildOutcome::Built);
    EXPECT_TRUE(data.LoadError().empty());
    const TSkinObjects::TComboPieces pieces = data.ComboPieces();
    EXPECT_EQ(pieces.Button, nullptr);
    EXPECT_EQ(pieces.Edge, nullptr);
    EXPECT_EQ(data.FirstUseOutcome(), TSkinBuildOutcome::OverPixelBudget);
    EXPECT_NE(data.LoadError().find("64 MiB"), std::string::npos) << data.LoadError();
    EXPECT_EQ(data.ComboPieces().Button, nullptr) << "not tried again on every paint";
    ASSERT_EQ(BuildSkinObjects(data, ini, source), TSkinBuildOutcome::Built);
    EXPECT_EQ(data.FirstUseOutcome(), TSkinBuildOutcome::Built);
    EXPECT_NE(data.ComboPieces().Button, nullptr);
}

TEST(SkinComboComposite, SlotsFilledWithoutABuildAreHandedOutAsTheyAre) {
    TSkinObjects o;
    o.ComboButton = std::make_unique<TDataSkinBorder>();
    o.ComboButton->Bitmap.SetSize(16, 16);
    o.SunkEdge = std::make_unique<TDataSkinObject>();
    o.SunkEdge->Bitmap.SetSize(8, 8);
    const TSkinObjects::TComboPieces pieces = o.ComboPieces();
    EXPECT_EQ(pieces.Button, o.ComboButton.get());
    EXPECT_EQ(pieces.Button->Bitmap.Width(), 16);
    EXPECT_EQ(pieces.Edge->Bitmap.Width(), 8);
}

// ------------------------------------------------------------------------------------------------------------
// Rebuilding

TEST(SkinRebuild, ANewBuildDropsObjectsTheNewDescriptionLacksAndRefillsFixedOnes) {
    TBuilt b;
    b.Source.Entries["x.bmp"] = Bmp(12, 12);
    b.Build("[MenuItem]\nImage=x.bmp\n[Button1]\n[Personality]\nTop=x.bmp\nTopFrame=2\n");
    TDataSkinBorder* top = b.Objects.BorderTop.get();
    ASSERT_NE(b.Objects.MenuItem, nullptr);
    EXPECT_EQ(b.Objects.SysButtons.size(), 4u);
    b.Build("[Headerbar]\nImage=x.bmp\n");
    EXPECT_EQ(b.Objects.MenuItem, nullptr);
    EXPECT_NE(b.Objects.Headerbar, nullptr);
    EXPECT_EQ(b.Objects.SysButtons.size(), 3u);
    EXPECT_EQ(b.Objects.BorderTop.get(), top);  // the same object, refilled
    EXPECT_EQ(top->FrameCount, 1);
    EXPECT_TRUE(top->Bitmap.Empty());
}

TEST(SkinRebuild, SectionAndKeyNamesFoldAsciiCaseOnly) {
    TBuilt b;
    b.Source.Entries["x.bmp"] = Bmp(12, 12);
    b.Build("[menuitem]\nIMAGE=x.bmp\nleftwidth=3\n[PERSONALITY]\ntopframe=2\n");
    ASSERT_NE(b.Objects.MenuItem, nullptr);
    EXPECT_EQ(b.Objects.MenuItem->LeftWidth, 3);
    EXPECT_EQ(b.Objects.BorderTop->FrameCount, 2);
}

TEST(SkinObjectsImages, AnEntryNamedByManySectionsIsFetchedAndDecodedOnce) {
    TBuilt b;
    b.Source.Entries["shared.bmp"] = Bmp(8, 4);
    b.Build("[Buttons]\nBitmap=shared.bmp\n[Toolbars]\nImage=shared.bmp\n[SunkEdge]\nImage=shared.bmp\n");
    EXPECT_EQ(b.Source.Fetches["shared.bmp"], 1);
    ASSERT_NE(b.Objects.Toolbars, nullptr);
    EXPECT_EQ(b.Objects.Buttons->Bitmap.Width(), 8);
    EXPECT_EQ(b.Objects.Toolbars->Bitmap.Width(), 8);
}

TEST(SkinObjectsImages, ASourceThatFailsFailsTheBuildWithItsOutcomeNotAsAMissingEntry) {
    struct TCase {
        std::function<void()> Fail;
        TSkinBuildOutcome Outcome;
    };
    const TCase cases[] = {
        {nullptr, TSkinBuildOutcome::Built},
        {[] { throw std::bad_alloc(); }, TSkinBuildOutcome::OutOfMemory},
        {[] { throw std::runtime_error("package gone"); }, TSkinBuildOutcome::Failed},
    };
    for (const TCase& c : cases) {
        TBuilt b;
        b.Source.Entries["shared.bmp"] = Bmp(8, 4);
        b.Source.Fail = c.Fail;
        EXPECT_EQ(b.Build("[Buttons]\nBitmap=shared.bmp\n"), c.Outcome);
    }
}

}  // namespace
}  // namespace qd
