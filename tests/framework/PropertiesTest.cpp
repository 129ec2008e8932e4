// Published properties: every kind set from stored values and read back, the faults each kind rejects, class
// lookups and the class registry.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/Properties.h"
#include "tests/framework/CoreTestClasses.h"

namespace qd {
namespace {

using test::TTestControl;
using test::TTestForm;
using test::TTestLabel;

// The reason an EPropertyError carries, or "" when setting succeeded.
std::string SetFails(TPersistent& obj, std::string_view path, std::string_view value, TPersistent* root = nullptr) {
    try {
        SetPropertyText(obj, path, value, TApplyContext{root});
    } catch (const EPropertyError& e) {
        return e.Reason();
    }
    return {};
}

class PropertiesTest : public ::testing::Test {
protected:
    TTestControl Control{nullptr};
};

TEST_F(PropertiesTest, IntegersAreRangeCheckedIntoTheMembersType) {
    SetPropertyText(Control, "Left", "-32768");
    EXPECT_EQ(Control.Left(), -32768);
    SetPropertyText(Control, "Left", "$7FFF");
    EXPECT_EQ(Control.Left(), 32767);
    EXPECT_EQ(SetFails(Control, "Left", "32768"), "value 32768 is out of range -32768..32767");
    EXPECT_EQ(SetFails(Control, "Left", "-40000"), "value -40000 is out of range -32768..32767");
    EXPECT_EQ(Control.Left(), 32767) << "a rejected value leaves the property as it was";
    EXPECT_EQ(SetFails(Control, "Left", "'12'"), "expected an integer, found a string");
    EXPECT_EQ(SetFails(Control, "Left", "1.5"), "expected an integer, found a number");
    EXPECT_EQ(GetPropertyText(Control, "Left"), "32767");

    SetPropertyText(Control, "Tag", "-9000000000");  // std::intptr_t on a 64-bit target
    EXPECT_EQ(Control.Tag(), static_cast<std::intptr_t>(-9000000000LL));
}

TEST_F(PropertiesTest, BooleansAreTrueOrFalseIdentifiers) {
    SetPropertyText(Control, "Visible", "False");
    EXPECT_FALSE(Control.Visible);
    SetPropertyText(Control, "Visible", "TRUE");
    EXPECT_TRUE(Control.Visible);
    EXPECT_EQ(SetFails(Control, "Visible", "Yes"), "expected True or False, found \"Yes\"");
    EXPECT_EQ(SetFails(Control, "Visible", "1"), "expected True or False, found an integer");
    EXPECT_EQ(GetPropertyValue(Control, "Visible").Text, "True");
}

TEST_F(PropertiesTest, FloatsAcceptIntegersAndCheckTheTargetRange) {
    SetPropertyText(Control, "Margin", "19.05");
    EXPECT_DOUBLE_EQ(Control.Margin, 19.05);
    SetPropertyText(Control, "Margin", "-3");
    EXPECT_DOUBLE_EQ(Control.Margin, -3.0);
    EXPECT_EQ(SetFails(Control, "Margin", "'3'"), "expected a number, found a string");
    EXPECT_EQ(SetFails(Control, "Ratio", "1e300"), "value 1e+300 is out of range") << "does not fit a float";
    SetPropertyText(Control, "Margin", "0.1");
    EXPECT_EQ(GetPropertyText(Control, "Margin"), "0.1");
}

TEST_F(PropertiesTest, StringsStayUtf8AndWideStringsConvert) {
    SetPropertyText(Control, "Hint", "'岚栎软件'");
    EXPECT_EQ(Control.Hint, "岚栎软件");
    SetPropertyText(Control, "Caption", "'岚栎在线订单管理系统'");
    EXPECT_EQ(Control.Caption, L"岚栎在线订单管理系统");
    EXPECT_EQ(GetPropertyText(Control, "Caption"), "岚栎在线订单管理系统");
    SetPropertyText(Control, "Caption", "'E_Mail：'#12288'QQ：'");
    EXPECT_EQ(Control.Caption, L"E_Mail：\u3000QQ：");
    EXPECT_EQ(SetFails(Control, "Hint", "Hello"), "expected a string, found an identifier");
}

TEST_F(PropertiesTest, AWideStringPropertyRejectsMalformedUtf8) {
    for (const char* bad : {"\xC0\x80", "\xED\xA0\x80", "\xE5\xB2", "\x80", "a\xE5"}) {
        TFormValue value;
        value.Kind = TFormValueKind::vkString;
        value.Text = bad;
        EXPECT_THROW(SetPropertyValue(Control, "Caption", value, {}), EPropertyError) << "bytes: " << bad;
    }
    EXPECT_EQ(Control.Caption, L"");
}

TEST_F(PropertiesTest, WideToUtf8ReplacesLoneSurrogates) {
    if constexpr (sizeof(wchar_t) == 2) {
        EXPECT_EQ(WideToUtf8(std::wstring{wchar_t(0xD800), L'x'}), "\xEF\xBF\xBDx");
        EXPECT_EQ(WideToUtf8(std::wstring{L'x', wchar_t(0xDC00)}), "x\xEF\xBF\xBD");
    } else {
        EXPECT_EQ(WideToUtf8(std::wstring{wchar_t(0xD800)}), "\xEF\xBF\xBD");
        EXPECT_EQ(WideToUtf8(std::wstring{wchar_t(0x110000)}), "\xEF\xBF\xBD");
    }
}

TEST_F(PropertiesTest, EnumerationsMapIdentifiers) {
    SetPropertyText(Control, "Align", "alclient");
    EXPECT_EQ(Control.Align, test::TTestAlignment::taCenter);  // the third name of the table
    EXPECT_EQ(GetPropertyText(Control, "Align"), "alClient");
    EXPECT_EQ(SetFails(Control, "Align", "alBottom"),
              "unknown value \"alBottom\" (expected one of alNone, alTop, alClient)");
    EXPECT_EQ(SetFails(Control, "Align", "2"), "expected an identifier (alNone, alTop, alClient), found an integer");
}

TEST_F(PropertiesTest, SetsBecomeBitMasks) {
    SetPropertyText(Control, "Anchors", "[akTop, akBottom]");
    EXPECT_EQ(Control.Anchors, (1u << 1) | (1u << 7));
    EXPECT_EQ(GetPropertyText(Control, "Anchors"), "[akTop, akBottom]");
    SetPropertyText(Control, "Anchors", "[]");
    EXPECT_EQ(Control.Anchors, 0u);
    SetPropertyText(Control, "Anchors", "[akLeft, akLeft]");
    EXPECT_EQ(Control.Anchors, 1u);
    EXPECT_EQ(SetFails(Control, "Anchors", "[akLeft, akMiddle]"),
              "unknown set member \"akMiddle\" (expected akLeft, akTop, akRight, akBottom)");
    EXPECT_EQ(SetFails(Control, "Anchors", "akLeft"), "expected a set, found an identifier");

    SetPropertyText(Control, "Font.Style", "[fsBold, fsStrikeOut]");
    EXPECT_EQ(Control.Font().Style(), 0b1001u);
}

TEST_F(PropertiesTest, SetTablesMustFitTheMask) {
    struct TSmall : TPersistent {
        std::uint8_t Mask = 0;
    };
    EXPECT_THROW((TClassBuilder<TSmall>("TSmall", &TPersistent::StaticClassInfo())
                      .Set("Mask", &TSmall::Mask, {{"a", 0}, {"b", 8}})),
                 EInvalidOperation);
}

TEST_F(PropertiesTest, ColoursTakeNumbersAndStandardNames) {
    SetPropertyText(Control, "Color", "clBtnFace");
    EXPECT_EQ(Control.Color, 0xFF00000Fu);
    SetPropertyText(Control, "Color", "CLNAVY");
    EXPECT_EQ(Control.Color, 0x800000u);
    SetPropertyText(Control, "Color", "$00F4F4F0");
    EXPECT_EQ(Control.Color, 0xF4F4F0u);
    SetPropertyText(Control, "Color", "-16777201");  // the signed spelling of clBtnFace
    EXPECT_EQ(Control.Color, clBtnFace);
    EXPECT_EQ(GetPropertyText(Control, "Color"), "clBtnFace");
    SetPropertyText(Control, "Color", "4294967295");
    EXPECT_EQ(Control.Color, 0xFFFFFFFFu);
    SetPropertyText(Control, "Color", "7617536");  // RGB(0, 60, 116) has no name
    EXPECT_EQ(GetPropertyValue(Control, "Color").Kind, TFormValueKind::vkInteger);
    EXPECT_EQ(GetPropertyText(Control, "Color"), "7617536");
    EXPECT_EQ(SetFails(Control, "Color", "4294967296"), "colour value 4294967296 does not fit 32 bits");
    EXPECT_EQ(SetFails(Control, "Color", "-2147483649"), "colour value -2147483649 does not fit 32 bits");
    EXPECT_EQ(SetFails(Control, "Color", "clPink"), "unknown colour \"clPink\"");
    EXPECT_EQ(SetFails(Control, "Color", "'red'"), "expected a colour (a number or a clXxx name), found a string");
}

TEST(ColorNames, TableHoldsThePlatformNumbers) {
    struct TCase {
        const char* Name;
        TColor Value;
    };
    for (const TCase& c : {TCase{"clBlack", 0x000000},
                           TCase{"clMaroon", 0x000080},
                           TCase{"clNavy", 0x800000},
                           TCase{"clFuchsia", 0xFF00FF},
                           TCase{"clWhite", 0xFFFFFF},
                           TCase{"clNone", 0x1FFFFFFF},
                           TCase{"clDefault", 0x20000000},
                           TCase{"clScrollBar", 0xFF000000},
                           TCase{"clWindow", 0xFF000005},
                           TCase{"clWindowText", 0xFF000008},
                           TCase{"clHighlight", 0xFF00000D},
                           TCase{"clBtnFace", 0xFF00000F},
                           TCase{"clBtnShadow", 0xFF000010},
                           TCase{"clGrayText", 0xFF000011},
                           TCase{"clBtnText", 0xFF000012},
                           TCase{"clBtnHighlight", 0xFF000014},
                           TCase{"cl3DDkShadow", 0xFF000015},
                           TCase{"cl3DLight", 0xFF000016},
                           TCase{"clInfoBk", 0xFF000018},
                           TCase{"clHotLight", 0xFF00001A},
                           TCase{"clGradientActiveCaption", 0xFF00001B},
                           TCase{"clMenuBar", 0xFF00001E}}) {
        ASSERT_TRUE(IdentToColor(c.Name).has_value()) << c.Name;
        EXPECT_EQ(*IdentToColor(c.Name), c.Value) << c.Name;
        EXPECT_EQ(ColorToIdent(c.Value), c.Name);
    }
    // Aliases read, but the first name is written.
    EXPECT_EQ(IdentToColor("clLtGray"), clSilver);
    EXPECT_EQ(ColorToIdent(clSilver), "clSilver");
    EXPECT_EQ(ColorToIdent(0x123456), "");
    EXPECT_FALSE(IdentToColor("").has_value());
    EXPECT_TRUE(IsSystemColor(clBtnFace));
    EXPECT_EQ(SystemColorIndex(clBtnFace), 15);
    EXPECT_FALSE(IsSystemColor(clNone));
}

TEST_F(PropertiesTest, CharsetsTakeNamesOrBytes) {
    SetPropertyText(Control, "Font.Charset", "GB2312_CHARSET");
    EXPECT_EQ(Control.Font().Charset(), 134);
    EXPECT_EQ(GetPropertyText(Control, "Font.Charset"), "GB2312_CHARSET");
    SetPropertyText(Control, "Font.Charset", "default_charset");
    EXPECT_EQ(Control.Font().Charset(), 1);
    SetPropertyText(Control, "Font.Charset", "200");
    EXPECT_EQ(GetPropertyValue(Control, "Font.Charset").Integer, 200);
    EXPECT_EQ(SetFails(Control, "Font.Charset", "256"), "value 256 is out of range 0..255");
    EXPECT_EQ(SetFails(Control, "Font.Charset", "KLINGON_CHARSET"), "unknown character set \"KLINGON_CHARSET\"");
    EXPECT_EQ(*CharsetIdents().Find("OEM_CHARSET"), 255);
    EXPECT_EQ(*CharsetIdents().Find("SYMBOL_CHARSET"), 2);
    EXPECT_EQ(*CharsetIdents().Find("CHINESEBIG5_CHARSET"), 136);
}

TEST_F(PropertiesTest, DottedNamesWalkIntoSubObjects) {
    SetPropertyText(Control, "Font.Height", "-13");
    SetPropertyText(Control, "font.name", "'宋体'");
    SetPropertyText(Control, "Font.Color", "clNavy");
    EXPECT_EQ(Control.Font().Height(), -13);
    EXPECT_EQ(Control.Font().Name(), L"宋体");
    EXPECT_EQ(Control.Font().Color(), clNavy);
    EXPECT_EQ(GetPropertyText(Control, "FONT.HEIGHT"), "-13");

    EXPECT_EQ(SetFails(Control, "Font", "3"),
              "an object property takes no value: set its properties (Font.Name = ...)");
    EXPECT_EQ(SetFails(Control, "Font.Size", "3"), "class TTestFont has no property \"Size\"");
    EXPECT_EQ(SetFails(Control, "Hint.Size", "3"), "\"Hint\" is not an object with properties of its own");
    EXPECT_EQ(SetFails(Control, "OptionalFont.Height", "3"), "\"OptionalFont\" is not assigned");
    EXPECT_EQ(SetFails(Control, "Font..Height", "3"), "the property name is empty");
    EXPECT_EQ(SetFails(Control, "Nothing", "3"), "class TTestControl has no property \"Nothing\"");
}

TEST_F(PropertiesTest, FaultsNameThePropertyPath) {
    try {
        SetPropertyText(Control, "Font.Charset", "300");
        FAIL();
    } catch (const EPropertyError& e) {
        EXPECT_EQ(e.Property(), "Font.Charset");
        EXPECT_EQ(e.Message(), "property \"Font.Charset\": value 300 is out of range 0..255");
    }
}

TEST_F(PropertiesTest, ReadOnlyPropertiesRefuseValues) {
    EXPECT_EQ(SetFails(Control, "Version", "'2.0'"), "the property is read-only");
    EXPECT_EQ(Control.Version, "1.0");
    EXPECT_EQ(GetPropertyText(Control, "Version"), "1.0");
}

TEST_F(PropertiesTest, BinaryValuesArriveAsBytes) {
    SetPropertyText(Control, "Data", "{0A0B0C\n  0D}");
    EXPECT_EQ(Control.Data, (std::vector<std::uint8_t>{0x0A, 0x0B, 0x0C, 0x0D}));
    EXPECT_EQ(GetPropertyText(Control, "Data"), "0A0B0C0D");
    EXPECT_EQ(SetFails(Control, "Data", "'0A'"), "expected binary data, found a string");
}

TEST_F(PropertiesTest, StringListsFillInPlaceOrThroughASetter) {
    Control.Lines.Add("old");
    SetPropertyText(Control, "Lines.Strings", "(\n'TPanel=panel'\n'TCategoryButtons=scrollbar')");
    ASSERT_EQ(Control.Lines.Count(), 2);
    EXPECT_EQ(Control.Lines[0], "TPanel=panel");
    EXPECT_EQ(Control.Lines.Values("tcategorybuttons"), "scrollbar");
    SetPropertyText(Control, "Lines", "('one')");
    EXPECT_EQ(Control.Lines.Count(), 1);

    SetPropertyText(Control, "Items", "('a' 'b' '')");
    EXPECT_EQ(Control.Items, (std::vector<std::string>{"a", "b", ""}));
    EXPECT_EQ(GetPropertyText(Control, "Items"), "a\nb\n");
    EXPECT_EQ(GetPropertyValue(Control, "Lines.Strings").List.size(), 1u);

    EXPECT_EQ(SetFails(Control, "Items", "('a' 12)"), "list item 1 is an integer, not a string");
    EXPECT_EQ(Control.Items.size(), 3u);
    EXPECT_EQ(SetFails(Control, "Items.Strings.Strings", "('a')"),
              "\"Items\" is not an object with properties of its own");
}

TEST_F(PropertiesTest, CollectionsAreClearedThenFilledItemByItem) {
    SetPropertyText(Control, "Panels",
                    "<\n item\n Width = 0\n end\n item\n Alignment = taCenter\n Text = '岚栎软件'\n "
                    "Width = 100\n end>");
    ASSERT_EQ(Control.Panels.size(), 2u);
    EXPECT_EQ(Control.Panels[0]->Width, 0);
    EXPECT_EQ(Control.Panels[1]->Alignment, test::TTestAlignment::taCenter);
    EXPECT_EQ(GetPropertyText(Control, "Panels[1].Text"), "岚栎软件");
    EXPECT_EQ(GetPropertyText(Control, "Panels"), "<2 items>");
    const TFormValue all = GetPropertyValue(Control, "Panels");
    ASSERT_EQ(all.Items.size(), 2u);
    EXPECT_EQ(all.Items[1][0].Name, "Width");
    EXPECT_EQ(all.Items[1][0].Value.Integer, 100);

    SetPropertyText(Control, "Panels", "<item\nend>");
    EXPECT_EQ(Control.Panels.size(), 1u) << "the old items are gone";
    EXPECT_EQ(Control.Panels[0]->Width, 50);

    EXPECT_EQ(SetFails(Control, "Panels", "3"), "expected a collection, found an integer");
    EXPECT_EQ(Control.Panels.size(), 1u) << "a value of the wrong kind clears nothing";
    EXPECT_EQ(SetFails(Control, "Panels[3].Width", "1"), "item index 3 is out of range (1 items)");
    EXPECT_EQ(SetFails(Control, "Panels[x].Width", "1"), "malformed item index in \"Panels[x]\"");
    EXPECT_EQ(SetFails(Control, "Panels[0]", "1"), "\"Panels[0]\" is an item: name one of its properties");
    EXPECT_EQ(SetFails(Control, "Font[0].Height", "1"), "\"Font\" has no items to index");
    SetPropertyText(Control, "Panels[0].Width", "7");
    EXPECT_EQ(Control.Panels[0]->Width, 7);
}

TEST_F(PropertiesTest, FaultInACollectionItemNamesTheItemAndLine) {
    const TFormObject tree = ParseFormText(
        "object C: TTestControl\n"
        "  Panels = <\n"
        "    item\n"
        "      Width = 1\n"
        "    end\n"
        "    item\n"
        "      Alignment = taMiddle\n"
        "    end>\n"
        "end\n",
        "test");
    try {
        ApplyProperties(Control, tree.Properties);
        FAIL();
    } catch (const EPropertyError& e) {
        EXPECT_EQ(e.Property(), "Panels[1].Alignment");
        EXPECT_EQ(e.Line(), 7);
        EXPECT_EQ(e.Reason(), "unknown value \"taMiddle\" (expected one of taLeftJustify, taRightJustify, taCenter)");
    }
}

TEST_F(PropertiesTest, CustomValuesReachTheClassesOwnReader) {
    SetPropertyText(Control, "Block", "{03000000 414243}");
    EXPECT_EQ(Control.Block.Bytes, (std::vector<std::uint8_t>{'A', 'B', 'C'}));
    EXPECT_EQ(GetPropertyText(Control, "Block"), "03000000414243");
    EXPECT_EQ(SetFails(Control, "Block", "{05000000 4142}"), "the block counts 5 bytes but holds 2");
    EXPECT_EQ(SetFails(Control, "Block", "{0500}"), "the block has no count");
}

class EventTest : public ::testing::Test {
protected:
    TTestForm Form{nullptr};
    TTestControl* Button = new TTestControl(&Form);
};

TEST_F(EventTest, EventsBindToTheRootsHandlerOfTheSameSignature) {
    SetPropertyText(*Button, "OnClick", "ButtonClick", TApplyContext{&Form});
    ASSERT_TRUE(Button->OnClick);
    Button->OnClick(Button);
    EXPECT_EQ(Form.ClickCalls, 1);
    EXPECT_EQ(Form.LastSender, Button);
    EXPECT_EQ(EventHandlerName(Button->OnClick), "ButtonClick");
    EXPECT_EQ(GetPropertyText(*Button, "OnClick"), "ButtonClick");

    SetPropertyText(Form, "OnCloseQuery", "formclosequery", TApplyContext{&Form});
    bool canClose = true;
    Form.OnCloseQuery(&Form, canClose);
    EXPECT_FALSE(canClose);
    Form.AllowClose = true;
    Form.OnCloseQuery(&Form, canClose);
    EXPECT_TRUE(canClose);
}

TEST_F(EventTest, UnknownOrMismatchedHandlersAreRejected) {
    EXPECT_EQ(SetFails(*Button, "OnClick", "FormCloseQuery", &Form),
              "handler method \"FormCloseQuery\" of TTestForm has the wrong parameters for this event");
    EXPECT_EQ(SetFails(*Button, "OnCloseQuery", "ButtonClick", &Form),
              "handler method \"ButtonClick\" of TTestForm has the wrong parameters for this event");
    EXPECT_EQ(SetFails(*Button, "OnClick", "ButtonClack", &Form),
              "class TTestForm has no handler method \"ButtonClack\"");
    EXPECT_EQ(SetFails(*Button, "OnClick", "'ButtonClick'", &Form), "expected a handler name, found a string");
    EXPECT_EQ(SetFails(*Button, "OnClick", "ButtonClick"),
              "events are bound to handler methods only while a form is read");
    EXPECT_FALSE(Button->OnClick);
    Button->OnClick = [](TObject*) {};
    EXPECT_EQ(EventHandlerName(Button->OnClick), "") << "set in code, not bound by name";
}

TEST_F(EventTest, ComponentReferencesNameComponentsOfTheRoot) {
    Button->SetName("Button");
    TTestControl other(nullptr);
    SetPropertyText(other, "FocusControl", "button", TApplyContext{&Form});
    EXPECT_EQ(other.FocusControl, Button);
    EXPECT_EQ(GetPropertyText(other, "FocusControl"), "Button");
    Form.SetName("Form_Test");
    SetPropertyText(other, "FocusControl", "Form_Test", TApplyContext{&Form});
    EXPECT_EQ(other.FocusControl, &Form) << "the root itself may be named";
    SetPropertyText(other, "FocusControl", "nil", TApplyContext{&Form});
    EXPECT_EQ(other.FocusControl, nullptr);

    (new TComponent(&Form))->SetName("Plain");
    EXPECT_EQ(SetFails(other, "FocusControl", "Plain", &Form),
              "component \"Plain\" is a TComponent, which does not fit here");
    EXPECT_EQ(SetFails(other, "FocusControl", "Buton", &Form), "there is no component named \"Buton\"");
    EXPECT_EQ(SetFails(other, "FocusControl", "'Button'", &Form), "expected an identifier, found a string");
    EXPECT_EQ(SetFails(other, "FocusControl", "Button"),
              "components are referred to by name only while a form is read");
    EXPECT_EQ(other.FocusControl, nullptr);
}

TEST_F(EventTest, DeferredReferencesKnowTheirPropertyPathAndLine) {
    std::vector<TFixup> fixups;
    const TFormObject tree = ParseFormText("object F: TTestForm\n  Left = 1\n  FocusControl = Later\nend\n", "t");
    ApplyProperties(Form, tree.Properties, TApplyContext{&Form, &fixups});
    ASSERT_EQ(fixups.size(), 1u);
    EXPECT_EQ(fixups[0].Property, "FocusControl");
    EXPECT_EQ(fixups[0].Line, 3);
    EXPECT_EQ(Form.FocusControl, nullptr) << "nothing is resolved before the fixups run";
    Button->SetName("Later");
    fixups[0].Resolve();
    EXPECT_EQ(Form.FocusControl, Button);
}

TEST(ClassInfoTest, LookupsWalkTheChainDerivedFirstIgnoringCase) {
    const TClassInfo& label = TTestLabel::StaticClassInfo();
    ASSERT_NE(label.FindProperty("caption"), nullptr);
    EXPECT_EQ(label.FindProperty("Caption")->Kind, TPropertyKind::pkStr) << "the label's own declaration wins";
    EXPECT_EQ(TTestControl::StaticClassInfo().FindProperty("Caption")->Kind, TPropertyKind::pkWStr);
    EXPECT_NE(label.FindProperty("name"), nullptr) << "inherited from TComponent";
    EXPECT_EQ(label.FindProperty("FormCreate"), nullptr);
    EXPECT_NE(TTestForm::StaticClassInfo().FindHandler("FORMCREATE"), nullptr);
    EXPECT_NE(TTestForm::StaticClassInfo().FindField("button1"), nullptr);
    EXPECT_TRUE(label.InheritsFrom(TComponent::StaticClassInfo()));
    EXPECT_TRUE(label.InheritsFrom("ttestcontrol"));
    EXPECT_FALSE(TTestControl::StaticClassInfo().InheritsFrom(label));

    TTestLabel obj(nullptr);
    SetPropertyText(obj, "Caption", "'narrow'");
    EXPECT_EQ(obj.Caption8, "narrow");
    EXPECT_EQ(obj.Caption, L"");
}

TEST(ClassInfoTest, FactoriesExistForComponentsConstructibleFromTheirOwner) {
    EXPECT_TRUE(TTestControl::StaticClassInfo().IsCreatable());
    EXPECT_FALSE(test::TTestHidden::StaticClassInfo().IsCreatable());
    EXPECT_FALSE(test::TTestFont::StaticClassInfo().IsCreatable());
    EXPECT_THROW(test::TTestHidden::StaticClassInfo().Create(nullptr), EInvalidOperation);

    TComponent owner(nullptr);
    TComponent* made = TTestLabel::StaticClassInfo().Create(&owner);
    ASSERT_NE(dynamic_cast<TTestLabel*>(made), nullptr);
    EXPECT_EQ(made->Owner(), &owner);
    EXPECT_EQ(made->ClassName(), "TTestLabel");
}

TEST(ClassInfoTest, DeclaringANameTwiceIsAProgrammingError) {
    struct TTwice : TPersistent {
        int A = 0;
    };
    EXPECT_THROW(
        (TClassBuilder<TTwice>("TTwice", &TPersistent::StaticClassInfo()).Int("A", &TTwice::A).Int("a", &TTwice::A)),
        EInvalidOperation);
}

TEST(ClassRegistryTest, FindsRegisteredClassesByNameIgnoringCase) {
    test::RegisterTestClasses();
    test::RegisterTestClasses();  // again: nothing changes
    EXPECT_EQ(FindClass("ttestlabel"), &TTestLabel::StaticClassInfo());
    EXPECT_EQ(FindClass("TTestFont"), nullptr);

    static const TClassInfo impostor("TTestLabel", &TComponent::StaticClassInfo());
    EXPECT_THROW(RegisterClassInfo(impostor), EInvalidOperation);
    EXPECT_EQ(FindClass("TTestLabel"), &TTestLabel::StaticClassInfo());

    static const TClassInfo transient("TTransient", &TComponent::StaticClassInfo());
    RegisterClassInfo(transient);
    EXPECT_EQ(FindClass("TTransient"), &transient);
    UnregisterClassInfo(transient);
    EXPECT_EQ(FindClass("TTransient"), nullptr);
}

TEST_F(PropertiesTest, PublishedValuesListEveryReadablePropertyOnce) {
    Control.SetName("Ctl");
    SetPropertyText(Control, "Font.Height", "-13");
    const std::vector<TFormProperty> values = GetPublishedValues(Control);
    std::vector<std::string> names;
    for (const TFormProperty& p : values) names.push_back(p.Name);
    EXPECT_EQ(names.front(), "Name") << "base class first";
    EXPECT_NE(std::find(names.begin(), names.end(), "Font.Height"), names.end());
    EXPECT_NE(std::find(names.begin(), names.end(), "Font.Style"), names.end());
    EXPECT_EQ(std::find(names.begin(), names.end(), "Font"), names.end());
    EXPECT_EQ(std::find(names.begin(), names.end(), "OptionalFont.Height"), names.end()) << "not assigned";
    EXPECT_EQ(std::find(names.begin(), names.end(), "Version"), names.end()) << "read-only";
    EXPECT_EQ(std::find(names.begin(), names.end(), "OnClick"), names.end()) << "unbound";

    TTestLabel label(nullptr);
    std::vector<TFormProperty> labelValues = GetPublishedValues(label);
    EXPECT_EQ(std::count_if(labelValues.begin(), labelValues.end(),
                            [](const TFormProperty& p) { return p.Name == "Caption"; }),
              1);
}

TEST_F(PropertiesTest, PublishedValuesWriteAndReadBackAsADescription) {
    SetPropertyText(Control, "Caption", "'岚栎'");
    SetPropertyText(Control, "Font.Style", "[fsItalic]");
    SetPropertyText(Control, "Panels", "<item\nText = 'x'\nend>");
    SetPropertyText(Control, "Margin", "19.05");
    TFormObject tree;
    tree.Name = "Copy";
    tree.ClassName = "TTestControl";
    tree.Properties = GetPublishedValues(Control);
    const TFormObject back = ParseFormText(WriteFormText(tree), "copy");
    TTestControl copy(nullptr);
    ApplyProperties(copy, back.Properties);
    EXPECT_EQ(copy.Caption, L"岚栎");
    EXPECT_EQ(copy.Font().Style(), 2u);
    ASSERT_EQ(copy.Panels.size(), 1u);
    EXPECT_EQ(copy.Panels[0]->Text, "x");
    EXPECT_DOUBLE_EQ(copy.Margin, 19.05);
    EXPECT_EQ(copy.Name(), "");
}

}  // namespace
}  // namespace qd
