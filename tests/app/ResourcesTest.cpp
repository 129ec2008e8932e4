// The program's resources as the build embeds them: the stored descriptions (glyph strips expanded from the
// bitmap files), the icon, the menu glyphs and the manifest that selects common controls 6.

#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "framework/FormText.h"
#include "framework/Graphics.h"
#include "framework/Resources.h"
#include "support/Files.h"

using namespace qd;

namespace {

std::vector<std::uint8_t> SourceFile(const std::string& relative) {
    return qd::test::ReadFileBytes(std::string(QD_SOURCE_DIR) + "/" + relative);
}

const TFormProperty* FindProperty(const TFormObject& object, const std::string& name) {
    for (const TFormProperty& p : object.Properties)
        if (p.Name == name) return &p;
    return nullptr;
}

TEST(ResourcesTest, BoxDescriptionCarriesTheGlyphFilesByteForByte) {
    const std::string text = LoadFormResource("TForm_MessageBox");
    EXPECT_EQ(text.find("@file:"), std::string::npos) << "a glyph placeholder was left unexpanded";
    const TFormObject tree = ParseFormText(text, "Form_MessageBox");
    int glyphs = 0;
    for (const TFormObject& child : tree.Children) {
        const TFormProperty* glyph = FindProperty(child, "Glyph.Data");
        if (!glyph) continue;
        ++glyphs;
        const char* file =
            child.Name == "WgBitBtn_Ok" ? "resources/bitmaps/ok_glyph.bmp" : "resources/bitmaps/cancel_glyph.bmp";
        const std::vector<std::uint8_t> expected = SourceFile(file);
        ASSERT_FALSE(expected.empty()) << file;
        EXPECT_EQ(glyph->Value.Bytes, expected) << child.Name;
    }
    EXPECT_EQ(glyphs, 2);
}

TEST(ResourcesTest, MainDescriptionIsEmbedded) {
    const TFormObject tree = ParseFormText(LoadFormResource("TForm_Main"), "Form_Main");
    EXPECT_EQ(tree.Name, "Form_Main");
    EXPECT_EQ(tree.ClassName, "TForm_Main");
}

TEST(ResourcesTest, IconAndMenuGlyphsAreEmbedded) {
    HINSTANCE self = ::GetModuleHandleW(nullptr);
    TIcon icon;
    icon.LoadFromResourceName(self, L"MAINICON");
    EXPECT_FALSE(icon.Empty());
    TBitmap menu;
    menu.LoadFromResourceName(self, L"VENEERMENU");
    EXPECT_EQ(menu.Width(), 64) << "four 16 x 16 menu glyphs";
    EXPECT_EQ(menu.Height(), 16);
}

TEST(ResourcesTest, ManifestSelectsCommonControls6AndStaysDpiUnaware) {
    // The process's activation context (from the embedded manifest) redirects comctl32 to the side-by-side
    // version 6 assembly; without the manifest there is nothing to find.
    ACTCTX_SECTION_KEYED_DATA data{};
    data.cbSize = sizeof data;
    EXPECT_TRUE(
        ::FindActCtxSectionStringW(0, nullptr, ACTIVATION_CONTEXT_SECTION_DLL_REDIRECTION, L"comctl32.dll", &data))
        << "no redirection of comctl32: the manifest was not applied";

    // Platform quirk: Wine reports every process DPI-aware, so the manifest's setting is checked in its text.
    HMODULE self = ::GetModuleHandleW(nullptr);
    HRSRC res = ::FindResourceW(self, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24) /* RT_MANIFEST */);
    ASSERT_NE(res, nullptr);
    const char* bytes = static_cast<const char*>(::LockResource(::LoadResource(self, res)));
    const std::string manifest(bytes, ::SizeofResource(self, res));
    EXPECT_NE(manifest.find("Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""), std::string::npos);
    EXPECT_NE(manifest.find(">false</dpiAware>"), std::string::npos);
}

}  // namespace
