// The skin data component: its published properties, "SkinStream" through the form reader, our packed skin and
// the facts it must reproduce, what it asks of the skin manager, the wrong-version message, and handle counts.

#include <gtest/gtest.h>

#include <cstring>
#include <algorithm>
#include <array>
#include <random>
#include <stdexcept>
#include <filesystem>
#include <fstream>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "framework/FormReader.h"
#include "framework/Forms.h"
#include "framework/Properties.h"
#include "skin/data/Bmp.h"
#include "skin/data/QuickIni.h"
#include "skin/data/SkinData.h"
#include "skin/data/SkinManagerIntf.h"
#include "skin/data/SkinReader.h"
#include "support/SwallowCheck.h"
#include "tools/skinpack/LzhEncoder.h"
#include "tools/skinpack/SkinPackage.h"

#ifndef QD_SKIN_PACKAGE_FILE
#error "QD_SKIN_PACKAGE_FILE names the packed skin of resources/skin"
#endif

namespace qd {

// Failure output names each recorded call ("RequestAction(1, 250)").
void PrintTo(const TSkinManagerStandIn::TRecord& r, std::ostream* os) {
    static constexpr const char* kNames[] = {"Register",      "Unregister",    "InstallHook",
                                             "RequestAction", "SetReadyCount", "SetSkinning",
                                             "SetCurrent",    "SkinWindow",    "ReloadSkinForms"};
    *os << kNames[static_cast<int>(r.Call)];
    if (r.Call == TSkinManagerStandIn::TCall::RequestAction) *os << '(' << r.Value << ", " << r.Delay << ')';
    if (r.Call == TSkinManagerStandIn::TCall::SetReadyCount || r.Call == TSkinManagerStandIn::TCall::SetSkinning)
        *os << '(' << r.Value << ')';
    if (r.Call == TSkinManagerStandIn::TCall::SetCurrentSkinData && !r.SkinData) *os << "(null)";
}

namespace {

using TCall = TSkinManagerStandIn::TCall;

const std::vector<std::uint8_t>& OurPackage() {
    static const std::vector<std::uint8_t> bytes = ReadWholeFile(std::filesystem::path(QD_SKIN_PACKAGE_FILE));
    return bytes;
}

// The "SkinStream" value of a package: 32-bit count, then the bytes.
std::vector<std::uint8_t> StreamValue(const std::vector<std::uint8_t>& package, std::int32_t count) {
    std::vector<std::uint8_t> v(4 + package.size());
    std::memcpy(v.data(), &count, 4);
    std::copy(package.begin(), package.end(), v.begin() + 4);
    return v;
}

std::string Hex(const std::vector<std::uint8_t>& bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i % 32 == 0) out += "\n    ";
        out += digits[bytes[i] >> 4];
        out += digits[bytes[i] & 15];
    }
    return out;
}

std::vector<std::uint8_t> PackageWithVersion(std::uint32_t version) {
    std::vector<TPackageEntry> entries{{"a.ini", {'[', 'x', ']'}}};
    std::vector<std::uint8_t> container = BuildContainer(entries);
    std::memcpy(container.data(), &version, 4);
    return LzhPack(container);
}

// A root for stored descriptions: holds the component and a handler its events can name.
class TTestRoot : public TComponent {
    QD_CLASS_INFO
public:
    using TComponent::TComponent;
    TSkinData* SkinData_Main = nullptr;
    void VetoMessageBox(TObject*, const std::string& aName, bool& DoSkin) {
        if (aName == "TForm_MessageBox") DoSkin = false;
    }
};

const TClassInfo& TTestRoot::StaticClassInfo() {
    static const TClassInfo info = TClassBuilder<TTestRoot>("TTestRoot", &TComponent::StaticClassInfo())
                                       .Field("SkinData_Main", &TTestRoot::SkinData_Main)
                                       .Handler<TOnFormSkin>("VetoMessageBox", &TTestRoot::VetoMessageBox);
    return info;
}

class SkinDataTest : public ::testing::Test {
protected:
    void SetUp() override {
        DestroySkinManager();
        SetSkinManagerFactory(nullptr);
        RegisterClassInfo(TTestRoot::StaticClassInfo());
        TSkinData::SetMessageHook([this](const std::wstring& text) { Messages.push_back(text); });
    }
    void TearDown() override {
        TSkinData::SetMessageHook(nullptr);
        DestroySkinManager();
    }
    TSkinManagerStandIn* StandIn() { return dynamic_cast<TSkinManagerStandIn*>(SkinManager()); }

    // Reads a root holding one TSkinData with the given property lines.
    std::unique_ptr<TTestRoot> ReadForm(const std::string& properties) {
        auto root = std::make_unique<TTestRoot>(nullptr);
        ReadComponentText(
            *root, "object Form_Test: TTestRoot\n  object SkinData_Main: TSkinData\n" + properties + "  end\nend\n",
            "Form_Test");
        return root;
    }
    static std::string StreamLine(const std::vector<std::uint8_t>& value) {
        return "    SkinStream = {" + Hex(value) + "}\n";
    }

    std::vector<std::wstring> Messages;
};

// ------------------------------------------------------------------------------------------------------------
// A new component

TEST_F(SkinDataTest, NewComponentHasThePublishedDefaultsAndNoSkin) {
    TSkinData data(nullptr);
    EXPECT_FALSE(data.Active());
    EXPECT_EQ(data.DisableTag(), 99);
    EXPECT_EQ(data.SkinControls(), 0x7FFFBu);
    EXPECT_EQ(data.Options(), 0u);
    EXPECT_EQ(data.SkinFile(), "");
    EXPECT_EQ(data.SkinStore(), "(none)");
    EXPECT_EQ(data.SkinFormtype(), sfMainform);
    EXPECT_EQ(data.Version(), "3.02.03.09");
    EXPECT_TRUE(data.MenuUpdate);
    EXPECT_FALSE(data.MenuMerge);
    EXPECT_TRUE(data.SkinEmpty);
    EXPECT_TRUE(data.AllowNCPaint);
    EXPECT_TRUE(data.DefaultIcon.Empty());
    EXPECT_EQ(data.Skin3rd.Count(), 115);
    EXPECT_EQ(SkinManager(), nullptr);  // nothing talks to the manager before Loaded or activation

    const TClassInfo& info = data.ClassInfo();
    const char* published[] = {"Active",    "DisableTag", "SkinControls",  "Options",       "Skin3rd",
                               "SkinFile",  "SkinStore",  "SkinFormtype",  "Version",       "MenuUpdate",
                               "MenuMerge", "OnFormSkin", "OnSkinChanged", "OnSkinControl", "SkinStream"};
    ASSERT_EQ(info.Properties().size(), std::size(published));
    for (std::size_t i = 0; i < std::size(published); ++i) EXPECT_EQ(info.Properties()[i].Name, published[i]);
    const TFormValue controls = info.FindProperty("SkinControls")->Get(data);
    EXPECT_EQ(controls.Set.size(), 18u);
    EXPECT_EQ(controls.Set.front(), "xcMainMenu");
    EXPECT_EQ(controls.Set.back(), "xcSystemMenu");
}

TEST_F(SkinDataTest, VersionAndSkinStoreIgnoreAssignments) {
    TSkinData data(nullptr);
    SetPropertyText(data, "Version", "'9.9'");
    SetPropertyText(data, "SkinStore", "'(Good)'");
    EXPECT_EQ(data.Version(), "3.02.03.09");
    EXPECT_EQ(data.SkinStore(), "(none)");
}

TEST_F(SkinDataTest, MenuGlyphsHoldFourSixteenPixelGlyphsFromTheProgramsBitmap) {
    TSkinData data(nullptr);
    ASSERT_NE(data.MenuGlyphs(), nullptr);
    EXPECT_EQ(ImageList_GetImageCount(data.MenuGlyphs()), 4);
    int cx = 0, cy = 0;
    ASSERT_TRUE(ImageList_GetIconSize(data.MenuGlyphs(), &cx, &cy));
    EXPECT_EQ(cx, 16);
    EXPECT_EQ(cy, 16);
}

TEST_F(SkinDataTest, Skin3rdMapsClassNamesWithoutRegardToCaseFirstEntryWinning) {
    TSkinData data(nullptr);
    EXPECT_EQ(data.Skin3rdKind("TWWDBCOMBOBOX"), "combobox");
    EXPECT_EQ(data.Skin3rdKind("tlmdcalculatoredit"), "edit");
    EXPECT_EQ(data.Skin3rdKind("TAdvPageControl"), "nil");
    EXPECT_EQ(data.Skin3rdKind("TAdvPanelGroup"), "embedscrollbar");
    // Listed as TLMDGROUPBOX=Panel and, later, TLMDGroupBox=Groupbox: the first one decides.
    EXPECT_EQ(data.Skin3rdKind("TLMDGroupBox"), "panel");
    EXPECT_EQ(data.Skin3rdKind("TButton"), std::nullopt);
    data.Skin3rd.Clear();
    data.Skin3rd.Add("TLong=" + std::string(80, 'K'));
    EXPECT_EQ(data.Skin3rdKind("TLong"), std::string(50, 'k'));

    int twice = 0;
    for (const auto& line : TSkinData::DefaultSkin3rd())
        if (TSkinData::DefaultSkin3rd().IndexOf(line.Text) != &line - &*TSkinData::DefaultSkin3rd().begin()) ++twice;
    EXPECT_EQ(twice, 3);  // TLMDFontSizeCombobox, TWWDBCombobox, TDBCheckboxEh
}

// ------------------------------------------------------------------------------------------------------------
// Our package

TEST_F(SkinDataTest, OurPackageHasTheDocumentedContainer) {
    TSkinReader reader;
    ASSERT_EQ(reader.LoadPackage(OurPackage()), TSkinLoadResult::slLoaded) << reader.LoadError();
    EXPECT_EQ(reader.Header[0] | reader.Header[1] << 8, 20000);
    EXPECT_EQ(reader.EntryCount, 45);
    int repeated = 0;
    for (int i = 0; i < reader.EntryCount; ++i)
        if (reader.IndexOfEntry(reader.EntryNames[i]) != i) ++repeated;
    EXPECT_EQ(repeated, 2);
    EXPECT_NE(reader.IndexOfEntry("blue_menubar.bmp"), -1);
    TMemoryStream ini;
    std::string found;
    ASSERT_TRUE(reader.ExtractEntryContaining(".ini", ini, found));
    EXPECT_EQ(found, "xpluna.ini");
    TMemoryStream entry;
    reader.ExtractEntry("Blue_FrameTop.bmp", entry);
    EXPECT_GT(entry.Size(), 0);
}

class OurSkin : public SkinDataTest {
protected:
    void SetUp() override {
        SkinDataTest::SetUp();
        Data = std::make_unique<TSkinData>(nullptr);
        Data->SkinPackage = TMemoryStream(OurPackage());
        ASSERT_TRUE(Data->LoadSkinPackage());
    }
    std::unique_ptr<TSkinData> Data;
};

TEST_F(OurSkin, LoadsAndBuildsEveryObject) {
    EXPECT_FALSE(Data->SkinEmpty);
    EXPECT_TRUE(Messages.empty());
    for (const TDataSkinObject* o :
         {static_cast<TDataSkinObject*>(Data->Progress.get()), Data->MenuBar.get(), Data->GroupBoxEdge.get(),
          static_cast<TDataSkinObject*>(Data->GroupBox.get()), Data->Toolbars.get(),
          static_cast<TDataSkinObject*>(Data->Tabs.get()), Data->StatusBarEdges.get(),
          static_cast<TDataSkinObject*>(Data->ComboButton.get()), Data->SunkEdge.get(), Data->ExtraImages.get(),
          Data->Headerbar.get(), Data->MenuItem.get(), Data->MenuBackground.get(), Data->Scrollbar.get(),
          Data->HorzScroll.get(), Data->VertScroll.get(), Data->HorzScrollThumb.get(), Data->VertScrollThumb.get()}) {
        ASSERT_NE(o, nullptr);
        EXPECT_FALSE(o->Bitmap.Empty()) << o->Name;
    }
    // No such sections in our description.
    EXPECT_EQ(Data->UpDownHorz, nullptr);
    EXPECT_EQ(Data->UpDownVert, nullptr);
    EXPECT_EQ(Data->TrackbarThumbHorz, nullptr);
    EXPECT_EQ(Data->TrackbarThumbVert, nullptr);
    EXPECT_EQ(Data->TrackbarThumbLeft, nullptr);
    EXPECT_EQ(Data->TrackbarThumbRight, nullptr);
    EXPECT_EQ(Data->TrackbarThumbUp, nullptr);
    EXPECT_EQ(Data->TrackbarThumbDown, nullptr);
}

TEST_F(OurSkin, CaptionButtonsAreTheFiveSectionsAndTheThreeMdiButtons) {
    const auto& s = Data->SysButtons;
    ASSERT_EQ(s.size(), 8u);
    const char* names[] = {"BUTTON0", "BUTTON3", "BUTTON6", "BUTTON9", "BUTTON16"};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(s[i]->Name, names[i]);
        EXPECT_EQ(s[i]->FrameCount, 6) << names[i];
    }
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(s[i]->Bitmap.Width(), 126);
        EXPECT_EQ(s[i]->Bitmap.Height(), 21);
    }
    EXPECT_EQ(s[4]->Action, 11);
    EXPECT_TRUE(s[4]->Bitmap.Empty());
    const int xcoords[3] = {57, 38, 19};
    for (int k = 0; k < 3; ++k) {
        const TDataSkinSysButton& mdi = *s[5 + k];
        EXPECT_EQ(mdi.Action, 7 + k);
        EXPECT_EQ(mdi.Bitmap.Width(), 60);
        EXPECT_EQ(mdi.Bitmap.Height(), 15);
        EXPECT_EQ(mdi.XCoord, xcoords[k]);
    }
}

TEST_F(OurSkin, ButtonsColoursTitleAndBordersHaveTheDocumentedValues) {
    EXPECT_EQ(Data->Buttons->RadioBitmap.Width(), 65);
    EXPECT_EQ(Data->Buttons->RadioBitmap.Height(), 13);
    EXPECT_EQ(Data->Buttons->CheckBitmap.Width(), 65);
    EXPECT_EQ(Data->Buttons->RadioFrameCount, 5);
    EXPECT_EQ(Data->Buttons->CheckFrameCount, 5);
    EXPECT_EQ(Data->ButtonFaceColor, 0x00D8E9ECu);
    EXPECT_EQ(Data->Palette.size(), 4u);
    EXPECT_EQ(Data->Title->FontHeight, 16);
    EXPECT_EQ(Data->Title->ActiveTextColor, 0x00FFFFFFu);
    EXPECT_EQ(Data->Title->InactiveTextColor, 0x00F8E4D8u);
    const TDataSkinBorder& top = *Data->BorderTop;
    EXPECT_EQ(top.LeftWidth, 25);
    EXPECT_EQ(top.RightWidth, 32);
    EXPECT_EQ(top.FrameCount, 2);
    EXPECT_EQ(top.Tile, 1);
    EXPECT_EQ(top.Trans, 1);
    EXPECT_EQ(Data->HorzScrollThumb->FrameCount, 3);
    ASSERT_TRUE(Data->ButtonFaceBrush);
}

TEST_F(OurSkin, FolderReferencesAndCapitalExtensionsGiveEmptyBitmaps) {
    TSkinReader reader;
    ASSERT_EQ(reader.LoadPackage(OurPackage()), TSkinLoadResult::slLoaded);
    TReaderBitmapSource source(&reader);
    TBitmap bitmap;
    bitmap.SetSize(3, 3);
    AssignBmpBytes(bitmap, source.EntryFor("XPLuna\\MenuFrame.bmp"));
    EXPECT_TRUE(bitmap.Empty());
    AssignBmpBytes(bitmap, source.EntryFor("blue_close.BMP"));
    EXPECT_TRUE(bitmap.Empty());
    AssignBmpBytes(bitmap, source.EntryFor("Skins\\BLUE_CLOSE.bmp"));
    EXPECT_EQ(bitmap.Width(), 126);
    // Outside a load the component has no package to resolve against.
    Data->LoadSkinBitmap(bitmap, "blue_close.bmp");
    EXPECT_TRUE(bitmap.Empty());
}

// ------------------------------------------------------------------------------------------------------------
// Streaming

TEST_F(SkinDataTest, StoredMainFormComponentLoadsWhileReadAndRequestsSkinAllWhenLoaded) {
    auto root = ReadForm(
        "    Active = True\n    DisableTag = 99\n"
        "    SkinControls = [xcMainMenu, xcPopupMenu, xcToolbar, xcControlbar, xcProgress, xcButton, xcBitBtn, "
        "xcSpeedButton, xcPanel, xcGroupBox, xcTab]\n    Options = []\n    SkinStore = '(Good)'\n"
        "    SkinFormtype = sfMainform\n    Version = '3.02.03.09'\n    MenuUpdate = False\n    MenuMerge = False\n" +
        StreamLine(StreamValue(OurPackage(), static_cast<std::int32_t>(OurPackage().size()))));
    TSkinData* data = root->SkinData_Main;
    ASSERT_NE(data, nullptr);
    EXPECT_FALSE(data->SkinEmpty);
    EXPECT_TRUE(data->Active());
    EXPECT_FALSE(data->MenuUpdate);
    EXPECT_EQ(data->SkinPackage.Size(), static_cast<std::int64_t>(OurPackage().size()));
    const TSkinControls stored = SkinControlBit(xcMainMenu) | SkinControlBit(xcPopupMenu) | SkinControlBit(xcToolbar) |
                                 SkinControlBit(xcControlbar) | SkinControlBit(xcProgress) | SkinControlBit(xcButton) |
                                 SkinControlBit(xcBitBtn) | SkinControlBit(xcSpeedButton) | SkinControlBit(xcPanel) |
                                 SkinControlBit(xcGroupBox) | SkinControlBit(xcTab);
    EXPECT_EQ(data->SkinControls(), stored);

    TSkinManagerStandIn* m = StandIn();
    ASSERT_NE(m, nullptr);
    const std::vector<TSkinManagerStandIn::TRecord> expected = {
        {TCall::Register, 0, 0, data, nullptr},
        {TCall::InstallHook},
        {TCall::RequestAction, saSkinAll, 250, nullptr, nullptr},
    };
    EXPECT_EQ(m->Calls, expected);
    EXPECT_TRUE(m->Skinning());  // no window activated yet: skin all takes effect at once

    // Written back: the count and the same bytes.
    const TFormValue written = data->ClassInfo().FindProperty("SkinStream")->Get(*data);
    EXPECT_EQ(written.Bytes, StreamValue(OurPackage(), static_cast<std::int32_t>(OurPackage().size())));
}

TEST_F(SkinDataTest, SkinControlsAreNormalisedWhenLoaded) {
    auto withoutMainMenu = ReadForm("    SkinControls = [xcPopupMenu, xcSystemMenu, xcMenuItem]\n");
    EXPECT_EQ(withoutMainMenu->SkinData_Main->SkinControls(), SkinControlBit(xcPopupMenu) | SkinControlBit(xcMenuItem));
    DestroySkinManager();
    auto withMainMenu = ReadForm("    SkinControls = [xcMainMenu, xcSystemMenu, xcMenuItem]\n");
    EXPECT_EQ(withMainMenu->SkinData_Main->SkinControls(), SkinControlBit(xcMainMenu) | SkinControlBit(xcSystemMenu));
}

TEST_F(SkinDataTest, StoredActiveWithoutUsableSkinIsTurnedOffAtLoaded) {
    auto root = ReadForm("    Active = True\n");
    EXPECT_FALSE(root->SkinData_Main->Active());
    EXPECT_TRUE(root->SkinData_Main->SkinEmpty);
    for (const auto& call : StandIn()->Calls) EXPECT_NE(call.Call, TCall::RequestAction);
}

TEST_F(SkinDataTest, StreamCountsThatDoNotFitAreNotLoadableAndShowNoMessage) {
    const std::vector<std::uint8_t> few = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    for (const auto& value : {StreamValue(few, 11), StreamValue(few, 0x7FFFFFFF), StreamValue(few, -5),
                              StreamValue(OurPackage(), static_cast<std::int32_t>(OurPackage().size() + 1)),
                              std::vector<std::uint8_t>{1, 0}}) {
        auto root = ReadForm(value.empty() ? "" : StreamLine(value));
        EXPECT_TRUE(root->SkinData_Main->SkinEmpty);
        EXPECT_EQ(root->SkinData_Main->SkinPackage.Size(), 0);
        DestroySkinManager();
    }
    EXPECT_TRUE(Messages.empty());
    EXPECT_THROW(ReadForm("    SkinStream = 12\n"), EFormReadError);
}

TEST_F(SkinDataTest, GarbagePackagesAreNotLoadableWithoutMessage) {
    std::vector<std::uint8_t> garbage(5000, 0x5A);
    auto root = ReadForm(StreamLine(StreamValue(garbage, 5000)) + "    Active = True\n");
    EXPECT_TRUE(root->SkinData_Main->SkinEmpty);
    EXPECT_FALSE(root->SkinData_Main->Active());
    EXPECT_TRUE(Messages.empty());
}

TEST_F(SkinDataTest, WrongVersionShowsTheMessageOnceAndLeavesNoSkin) {
    const std::vector<std::uint8_t> old = PackageWithVersion(19999);
    auto root = ReadForm("    Active = True\n" + StreamLine(StreamValue(old, static_cast<std::int32_t>(old.size()))));
    ASSERT_EQ(Messages.size(), 1u);
    EXPECT_EQ(Messages[0], L"This is Older Skin File\rPlease update to new version !");
    EXPECT_TRUE(root->SkinData_Main->SkinEmpty);
    EXPECT_FALSE(root->SkinData_Main->Active());
    // The right version of the same container loads.
    TSkinData data(nullptr);
    data.SkinPackage = TMemoryStream(PackageWithVersion(20000));
    EXPECT_TRUE(data.LoadSkinPackage());
    EXPECT_FALSE(data.SkinEmpty);
    EXPECT_EQ(Messages.size(), 1u);
}

TEST_F(SkinDataTest, PackageWithBadBitmapEntriesStillLoads) {
    std::vector<TPackageEntry> entries{
        {"a.bmp", {'B', 'M', 0xFF, 0xFF}},
        {"b.bmp", std::vector<std::uint8_t>(54, 0)},
        {"skin.ini", {}},
    };
    const std::string ini = "[Personality]\nTop=a.bmp\n[MenuItem]\nImage=b.bmp\n[Buttons]\nBitmap=a.bmp\n";
    entries[2].Data.assign(ini.begin(), ini.end());
    TSkinData data(nullptr);
    data.SkinPackage = TMemoryStream(BuildPackage(entries));
    ASSERT_TRUE(data.LoadSkinPackage());
    EXPECT_FALSE(data.SkinEmpty);
    EXPECT_TRUE(data.BorderTop->Bitmap.Empty());
    ASSERT_NE(data.MenuItem, nullptr);
    EXPECT_TRUE(data.MenuItem->Bitmap.Empty());
}

// A bitmap file of `width` x `height` at 1 bit per pixel, all zero: tiny in a package, large once decoded.
std::vector<std::uint8_t> OneBitBmp(int width, int height) {
    const std::uint32_t stride = ((static_cast<std::uint32_t>(width) + 31) / 32) * 4;
    const std::uint32_t offset = 14 + 40 + 8;
    std::vector<std::uint8_t> file(offset + stride * static_cast<std::uint32_t>(height), 0);
    const auto put = [&](std::size_t at, std::uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i) file[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
    };
    file[0] = 'B';
    file[1] = 'M';
    put(2, static_cast<std::uint32_t>(file.size()), 4);
    put(10, offset, 4);
    put(14, 40, 4);
    put(18, static_cast<std::uint32_t>(width), 4);
    put(22, static_cast<std::uint32_t>(height), 4);
    put(26, 1, 2);
    put(28, 1, 2);
    put(58, 0xFFFFFF, 4);  // palette: black, white
    return file;
}

TEST_F(SkinDataTest, PackageWhoseImagesNeedMoreThanTheCapIsRefusedWithTheReason) {
    // 8192 x 8192 at 1 bit: 8 MiB in the package, 256 MiB of pixels once decoded.
    const std::string ini = "[Buttons]\nBitmap=big.bmp\n[Toolbars]\nImage=big.bmp\n";
    std::vector<TPackageEntry> entries{{"big.bmp", OneBitBmp(8192, 8192)},
                                       {"skin.ini", std::vector<std::uint8_t>(ini.begin(), ini.end())}};
    TSkinData data(nullptr);
    data.SkinPackage = TMemoryStream(BuildPackage(entries));
    EXPECT_FALSE(data.LoadSkinPackage());
    EXPECT_TRUE(data.SkinEmpty);
    EXPECT_NE(data.LoadError().find("64 MiB"), std::string::npos) << data.LoadError();
    // Within the cap the same shape loads.
    entries[0].Data = OneBitBmp(512, 512);
    data.SkinPackage = TMemoryStream(BuildPackage(entries));
    EXPECT_TRUE(data.LoadSkinPackage());
    EXPECT_TRUE(data.LoadError().empty());
    EXPECT_EQ(data.Buttons->Bitmap.Width(), 512);
}

TEST_F(SkinDataTest, RandomPackagesEitherLoadOrAreRefusedAndNothingEscapes) {
    // A seeded stream of descriptions over the build's own section and key names, naming entries that are
    // whole, damaged, truncated or oversized bitmaps.
    std::mt19937 random(20261208);
    const auto pick = [&](const auto& list) { return list[random() % std::size(list)]; };
    const char* const sections[] = {"Buttons",  "Personality", "SysButton0", "MDICONTROLS",  "ComboButton",
                                    "SunkEdge", "Progress",    "Tabs",       "UpDown.Horz",  "ExtraImages",
                                    "Menubar",  "Scrollbar",   "Toolbars",   "TitlebarSkin", "Colours"};
    const char* const keys[] = {"Bitmap", "Image",  "ButtonImage", "CheckButton", "RadioButton", "Top",
                                "Left",   "Chunk",  "GlyphImage",  "FrameCount",  "LeftWidth",   "TopHeight",
                                "Align",  "Action", "Xcoord",      "Trans",       "Tile",        "Border"};
    for (int round = 0; round < 120; ++round) {
        std::vector<TPackageEntry> entries;
        const int images = static_cast<int>(random() % 4);
        for (int i = 0; i < images; ++i) {
            std::vector<std::uint8_t> bmp;
            switch (random() % 4) {
                case 0:
                    bmp =
                        WriteBmp(TImageBuffer(1 + static_cast<int>(random() % 80), 1 + static_cast<int>(random() % 40)),
                                 pick(std::array{1, 4, 8, 24, 32}));
                    break;
                case 1:
                    bmp = OneBitBmp(1 + static_cast<int>(random() % 4096), 1 + static_cast<int>(random() % 4096));
                    break;
                default:
                    bmp = WriteBmp(TImageBuffer(16, 16), 24);
                    for (int flips = 1 + static_cast<int>(random() % 6); flips-- > 0;)
                        bmp[random() % std::min<std::size_t>(bmp.size(), 64)] = static_cast<std::uint8_t>(random());
                    if (random() % 2) bmp.resize(random() % bmp.size());
                    break;
            }
            entries.push_back({"i" + std::to_string(i) + ".bmp", std::move(bmp)});
        }
        std::string ini;
        for (int s = static_cast<int>(random() % 8); s-- > 0;) {
            ini += std::string("[") + pick(sections) + "]\n";
            for (int k = static_cast<int>(random() % 6); k-- > 0;)
                ini += std::string(pick(keys)) + "=" +
                       (random() % 2 ? "i" + std::to_string(random() % 4) + ".bmp"
                                     : std::to_string(static_cast<int>(random() % 4000) - 2000)) +
                       "\n";
        }
        entries.push_back({"skin.ini", std::vector<std::uint8_t>(ini.begin(), ini.end())});
        TSkinData data(nullptr);
        data.SkinPackage = TMemoryStream(BuildPackage(entries));
        bool loaded = false;
        EXPECT_NO_THROW(loaded = data.LoadSkinPackage()) << "round " << round;
        EXPECT_EQ(data.SkinEmpty, !loaded) << "round " << round;
        EXPECT_EQ(loaded, data.LoadError().empty()) << "round " << round;
    }
}

TEST_F(SkinDataTest, PackageWithoutDescriptionBuildsDefaults) {
    TSkinData data(nullptr);
    std::vector<TPackageEntry> entries{{"a.bmp", {'B', 'M'}}};
    data.SkinPackage = TMemoryStream(BuildPackage(entries));
    ASSERT_TRUE(data.LoadSkinPackage());
    EXPECT_FALSE(data.SkinEmpty);
    EXPECT_EQ(data.MenuItem, nullptr);
    EXPECT_EQ(data.SysButtons.size(), 3u);
}

TEST_F(SkinDataTest, MainFormDescriptionStoresOurSkinAndTheDocumentedValues) {
    const std::vector<std::uint8_t> bytes = ReadWholeFile(std::filesystem::path(QD_FORM_MAIN_FILE));
    const TFormObject form = ParseFormText(std::string(bytes.begin(), bytes.end()), "Form_Main");
    const TFormObject* stored = nullptr;
    for (const TFormObject& child : form.Children)
        if (child.Name == "SkinData_Main") stored = &child;
    ASSERT_NE(stored, nullptr);
    EXPECT_EQ(stored->ClassName, "TSkinData");
    TFormObject tree{"Form_Test", "TTestRoot", 1, {}, {*stored}};
    TTestRoot root(nullptr);
    ReadComponent(root, tree, "Form_Main");
    TSkinData* data = root.SkinData_Main;
    ASSERT_NE(data, nullptr);
    EXPECT_FALSE(data->SkinEmpty);
    EXPECT_TRUE(data->Active());
    EXPECT_EQ(data->SkinPackage.Bytes().size(), OurPackage().size());
    EXPECT_TRUE(std::equal(OurPackage().begin(), OurPackage().end(), data->SkinPackage.Bytes().begin()));
    EXPECT_EQ(data->DisableTag(), 99);
    EXPECT_EQ(data->SkinControls(), SkinControlBit(xcMainMenu) | SkinControlBit(xcPopupMenu) |
                                        SkinControlBit(xcToolbar) | SkinControlBit(xcControlbar) |
                                        SkinControlBit(xcProgress) | SkinControlBit(xcButton) |
                                        SkinControlBit(xcBitBtn) | SkinControlBit(xcSpeedButton) |
                                        SkinControlBit(xcPanel) | SkinControlBit(xcGroupBox) | SkinControlBit(xcTab));
    EXPECT_EQ(data->Options(), 0u);
    EXPECT_EQ(data->SkinFormtype(), sfMainform);
    EXPECT_FALSE(data->MenuUpdate);
    EXPECT_FALSE(data->MenuMerge);
    EXPECT_EQ(data->Skin3rd.Text(), TSkinData::DefaultSkin3rd().Text());
    const std::vector<TSkinManagerStandIn::TRecord> expected = {
        {TCall::Register, 0, 0, data, nullptr},
        {TCall::InstallHook},
        {TCall::RequestAction, saSkinAll, 250, nullptr, nullptr},
    };
    EXPECT_EQ(StandIn()->Calls, expected);
}

// ------------------------------------------------------------------------------------------------------------
// Requests to the skin manager

TEST_F(SkinDataTest, ActivatingMainFormComponentInCodeCreatesTheManagerAndRequestsSkinAll) {
    TSkinData data(nullptr);
    data.SkinPackage = TMemoryStream(OurPackage());
    ASSERT_TRUE(data.LoadSkinPackage());
    data.SetActive(true);
    TSkinManagerStandIn* m = StandIn();
    ASSERT_NE(m, nullptr);
    std::vector<TSkinManagerStandIn::TRecord> expected = {
        {TCall::Register, 0, 0, &data, nullptr},
        {TCall::RequestAction, saSkinAll, 250, nullptr, nullptr},
        {TCall::SetReadyCount, 1},
        {TCall::SetCurrentSkinData, 0, 0, &data, nullptr},
    };
    EXPECT_EQ(m->Calls, expected);
    EXPECT_TRUE(m->Skinning());

    m->Calls.clear();
    data.SetActive(true);  // no change: nothing asked
    EXPECT_TRUE(m->Calls.empty());
    data.SetActive(false);
    expected = {{TCall::RequestAction, saUnskinAll, 250, nullptr, nullptr},
                {TCall::SetCurrentSkinData, 0, 0, &data, nullptr}};
    EXPECT_EQ(m->Calls, expected);
}

TEST_F(SkinDataTest, ActivatingWithoutSkinAsksNothingButRegistration) {
    TSkinData data(nullptr);
    data.SetActive(true);
    EXPECT_TRUE(data.Active());
    const std::vector<TSkinManagerStandIn::TRecord> expected = {{TCall::Register, 0, 0, &data, nullptr}};
    EXPECT_EQ(StandIn()->Calls, expected);
    EXPECT_FALSE(StandIn()->Skinning());
}

TEST_F(SkinDataTest, OnlyThisFormAndDialogComponentsAskDifferently) {
    TSkinData only(nullptr);
    only.SetSkinFormtype(sfOnlyThisForm);
    only.SetActive(true);  // empty skin: current component, no request
    only.SkinPackage = TMemoryStream(OurPackage());
    ASSERT_TRUE(only.LoadSkinPackage());
    only.SetActive(false);
    TSkinManagerStandIn* m = StandIn();
    std::vector<TSkinManagerStandIn::TRecord> expected = {
        {TCall::Register, 0, 0, &only, nullptr},           {TCall::SetCurrentSkinData, 0, 0, &only, nullptr},
        {TCall::ReloadSkinForms, 0, 0, &only, nullptr},  // every load renews the component's skinners
        {TCall::SetCurrentSkinData, 0, 0, &only, nullptr}, {TCall::RequestAction, saUnskinAll, 250, nullptr, nullptr},
    };
    EXPECT_EQ(m->Calls, expected);

    m->Calls.clear();
    TSkinData dialog(nullptr);
    dialog.SetSkinFormtype(sfDialog);
    dialog.SkinPackage = TMemoryStream(OurPackage());
    ASSERT_TRUE(dialog.LoadSkinPackage());
    dialog.SetActive(true);
    expected = {{TCall::ReloadSkinForms, 0, 0, &dialog, nullptr}, {TCall::Register, 0, 0, &dialog, nullptr}};
    EXPECT_EQ(m->Calls, expected);
}

TEST_F(SkinDataTest, DialogComponentSwitchesSkinningOnWhenLoadedAndSkinsItsOwnerForm) {
    TForm form(nullptr);
    auto* data = new TSkinData(&form);
    data->SetSkinFormtype(sfDialog);
    data->Loaded();
    TSkinManagerStandIn* m = StandIn();
    ASSERT_NE(m, nullptr);
    ASSERT_EQ(m->Calls.size(), 4u);
    EXPECT_EQ(m->Calls[1], (TSkinManagerStandIn::TRecord{TCall::SetSkinning, 1}));
    EXPECT_EQ(m->Calls[2], (TSkinManagerStandIn::TRecord{TCall::SetReadyCount, 1}));
    EXPECT_EQ(m->Calls[3].Call, TCall::SkinWindow);
    EXPECT_EQ(m->Calls[3].Window, form.Handle());
    EXPECT_FALSE(m->HookInstalled);
}

TEST_F(SkinDataTest, ApplySkinChangeReloadsFormsAndAsksForSkinChangedOnceReady) {
    TSkinData data(nullptr);
    data.ApplySkinChange();  // no manager yet: Loaded runs first
    TSkinManagerStandIn* m = StandIn();
    ASSERT_NE(m, nullptr);
    std::vector<TSkinManagerStandIn::TRecord> expected = {{TCall::Register, 0, 0, &data, nullptr},
                                                          {TCall::InstallHook},
                                                          {TCall::SetCurrentSkinData, 0, 0, &data, nullptr},
                                                          {TCall::ReloadSkinForms, 0, 0, &data, nullptr}};
    EXPECT_EQ(m->Calls, expected);

    m->Calls.clear();
    m->SetReadyCount(1);
    data.ApplySkinChange();
    expected = {{TCall::SetReadyCount, 1},
                {TCall::SetCurrentSkinData, 0, 0, &data, nullptr},
                {TCall::ReloadSkinForms, 0, 0, &data, nullptr},
                {TCall::RequestAction, saSkinChanged, 250, nullptr, nullptr}};
    EXPECT_EQ(m->Calls, expected);
}

TEST_F(SkinDataTest, DestroyedComponentLeavesTheManager) {
    auto data = std::make_unique<TSkinData>(nullptr);
    data->SkinPackage = TMemoryStream(OurPackage());
    ASSERT_TRUE(data->LoadSkinPackage());
    data->SetActive(true);
    TSkinManagerStandIn* m = StandIn();
    ASSERT_EQ(m->CurrentSkinData(), data.get());
    TSkinData* gone = data.get();
    data.reset();
    EXPECT_EQ(m->CurrentSkinData(), nullptr);
    EXPECT_TRUE(m->SkinDatas.empty());
    EXPECT_EQ(m->Calls.back(), (TSkinManagerStandIn::TRecord{TCall::Unregister, 0, 0, gone, nullptr}));
}

TEST_F(SkinDataTest, InstalledFactoryMakesTheManager) {
    TSkinManagerStandIn* made = nullptr;
    SetSkinManagerFactory([&made] {
        auto m = std::make_unique<TSkinManagerStandIn>();
        m->SetReadyCount(4);
        made = m.get();
        return m;
    });
    TSkinData data(nullptr);
    data.Loaded();
    EXPECT_EQ(SkinManager(), made);
    EXPECT_EQ(&CreateSkinManager(), made);  // created once
    SetSkinManagerFactory(nullptr);
}

TEST_F(SkinDataTest, ALoadWhoseSkinnersCannotReloadStillLoadsAndTheFailureIsCounted) {
    struct TFailingReload : TSkinManagerStandIn {
        void ReloadSkinForms(TSkinData*) override { throw std::runtime_error("skinner could not rebuild"); }
    };
    SetSkinManagerFactory([] { return std::make_unique<TFailingReload>(); });
    CreateSkinManager();
    SetSkinManagerFactory(nullptr);
    TSkinData data(nullptr);
    data.SkinPackage = TMemoryStream(OurPackage());
    EXPECT_TRUE(data.LoadSkinPackage());
    EXPECT_EQ(test::TakeSwallowed(), 1u);
}

// ------------------------------------------------------------------------------------------------------------
// The window-class veto

TEST_F(SkinDataTest, FormSkinAllowedVetoesMonthCalendarsAndReportWindowsUnlessTheEventDecides) {
    TSkinData data(nullptr);
    EXPECT_TRUE(data.FormSkinAllowed("TForm_Main"));
    EXPECT_FALSE(data.FormSkinAllowed("SysMonthCal32"));
    EXPECT_TRUE(data.FormSkinAllowed("TfrPreviewForm"));
    data.SetSkinControls(data.SkinControls() | SkinControlBit(xcFastReport));
    EXPECT_FALSE(data.FormSkinAllowed("TfrPreviewForm"));
    EXPECT_TRUE(data.FormSkinAllowed("TFRPreviewForm"));

    auto root = ReadForm("    OnFormSkin = VetoMessageBox\n");
    TSkinData* stored = root->SkinData_Main;
    EXPECT_FALSE(stored->FormSkinAllowed("TForm_MessageBox"));
    EXPECT_TRUE(stored->FormSkinAllowed("SysMonthCal32"));  // the event decides alone
}

TEST_F(SkinDataTest, SkinChangedFiresTheEvent) {
    TSkinData data(nullptr);
    int fired = 0;
    data.OnSkinChanged = [&](TObject* sender) { fired += sender == &data; };
    data.SkinChanged();
    EXPECT_EQ(fired, 1);
}

// ------------------------------------------------------------------------------------------------------------
// Skin files

TEST_F(SkinDataTest, SkinFileLoadsAnExistingFileAndAMissingOneOnlyEmptiesTheSkin) {
    TSkinData data(nullptr);
    data.SetSkinFile(QD_SKIN_PACKAGE_FILE);
    EXPECT_FALSE(data.SkinEmpty);
    EXPECT_EQ(data.SkinPackage.Size(), static_cast<std::int64_t>(OurPackage().size()));
    TSkinManagerStandIn* m = StandIn();
    ASSERT_NE(m, nullptr);  // ApplySkinChange ran Loaded
    EXPECT_EQ(m->Calls.back().Call, TCall::ReloadSkinForms);

    data.SetSkinFile("Z:\\no\\such\\skin.skn");
    EXPECT_TRUE(data.SkinEmpty);
    EXPECT_FALSE(data.BorderTop->Bitmap.Empty());  // the old objects stay
    EXPECT_EQ(data.SkinFile(), "Z:\\no\\such\\skin.skn");
}

TEST_F(SkinDataTest, SkinFileAboveTheSizeCapIsNotLoadable) {
    const std::filesystem::path big = std::filesystem::temp_directory_path() / "qd_skin_too_big.skn";
    {
        std::ofstream out(big, std::ios::binary);
        out.write(reinterpret_cast<const char*>(OurPackage().data()),
                  static_cast<std::streamsize>(OurPackage().size()));
    }
    std::filesystem::resize_file(big, static_cast<std::uintmax_t>(MaxSkinPackageSize) + 1);
    TSkinData data(nullptr);
    const std::u8string name = big.u8string();
    data.SetSkinFile(std::string(name.begin(), name.end()));
    EXPECT_TRUE(data.SkinEmpty);
    EXPECT_EQ(data.SkinPackage.Size(), 0);
    EXPECT_TRUE(Messages.empty());
    std::filesystem::remove(big);
}

// ------------------------------------------------------------------------------------------------------------
// Handles

TEST_F(SkinDataTest, LoadingAndFreeingTwoHundredTimesLeavesHandleCountsFlat) {
    {
        TSkinData warm(nullptr);  // first use creates process-wide objects of the platform
        warm.SkinPackage = TMemoryStream(OurPackage());
        ASSERT_TRUE(warm.LoadSkinPackage());
    }
    const TGdiCounts before = GdiLiveCounts();
    const DWORD gdiBefore = ::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS);
    for (int i = 0; i < 200; ++i) {
        TSkinData data(nullptr);
        data.SkinPackage = TMemoryStream(OurPackage());
        ASSERT_TRUE(data.LoadSkinPackage());
        if (i == 0) {
            EXPECT_GT(GdiLiveCounts()[TGdiKind::Bitmap], before[TGdiKind::Bitmap] + 30);
        }
    }
    const TGdiCounts after = GdiLiveCounts();
    for (int k = 0; k < static_cast<int>(TGdiKind::Count_); ++k) EXPECT_EQ(after.Live[k], before.Live[k]) << k;
    EXPECT_EQ(::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS), gdiBefore);
}

}  // namespace
}  // namespace qd
