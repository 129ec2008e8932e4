#include "framework/FormText.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace qd {
namespace {

using namespace std::string_literals;

// The shape of the main window's description, trimmed.
const char kMainForm[] =
    "object Form_Main: TForm_Main\n"
    "  Left = 193\n"
    "  Caption = '岚栎在线订单管理系统'\n"
    "  Font.Charset = GB2312_CHARSET\n"
    "  Font.Height = -13\n"
    "  Font.Style = []\n"
    "  Color = clBtnFace\n"
    "  OnCreate = FormCreate\n"
    "  object StatusBar_Main: TStatusBar\n"
    "    Panels = <\n"
    "      item\n"
    "        Alignment = taCenter\n"
    "        Text = '岚栎软件'\n"
    "        Width = 100\n"
    "      end\n"
    "      item\n"
    "        Width = 50\n"
    "      end>\n"
    "  end\n"
    "  object SkinData_Main: TSkinData\n"
    "    SkinControls = [xcMainMenu, xcPopupMenu]\n"
    "    Skin3rd.Strings = (\n"
    "      'TCategoryButtons=scrollbar'\n"
    "      'TPanel=panel')\n"
    "    Margins = 19.05\n"
    "    SkinStream = {\n"
    "      0A0B0C0D\n"
    "      0E0F}\n"
    "  end\n"
    "end\n";

TFormObject Parse(std::string_view text) { return ParseFormText(text, "Form_Test"); }

// The value of the single property of a one-property form.
TFormValue ValueOf(std::string_view valueText) {
    const std::string text = "object F: TF\n  P = " + std::string(valueText) + "\nend\n";
    const TFormObject obj = Parse(text);
    EXPECT_EQ(obj.Properties.size(), 1u);
    return obj.Properties.at(0).Value;
}

struct TExpectedError {
    int Line;
    std::string Property;
    std::string What;
};

// Runs the parser and returns the error it raised; fails the test when none was raised.
testing::AssertionResult RaisesError(std::string_view text, const TExpectedError& expected) {
    try {
        Parse(text);
    } catch (const EFormTextError& e) {
        const std::string message = FormErrorText("Form_Test", expected.Line, expected.Property, expected.What);
        if (e.Line() == expected.Line && e.Property() == expected.Property && e.Message() == message)
            return testing::AssertionSuccess();
        return testing::AssertionFailure() << "raised \"" << e.Message() << "\" (line " << e.Line() << ", property \""
                                           << e.Property() << "\"), expected \"" << message << "\"";
    }
    return testing::AssertionFailure() << "accepted";
}

testing::AssertionResult Rejected(std::string_view text) {
    try {
        Parse(text);
    } catch (const EFormTextError&) {
        return testing::AssertionSuccess();
    }
    return testing::AssertionFailure() << "accepted";
}

// ---- the whole tree -----------------------------------------------------------------------------------------

TEST(FormTextTree, MainFormGivesObjectsPropertiesAndValuesInFileOrder) {
    const TFormObject form = Parse(kMainForm);
    EXPECT_EQ(form.Name, "Form_Main");
    EXPECT_EQ(form.ClassName, "TForm_Main");
    EXPECT_EQ(form.Line, 1);
    ASSERT_EQ(form.Properties.size(), 7u);
    EXPECT_EQ(form.Properties[0].Name, "Left");
    EXPECT_EQ(form.Properties[0].Value.Kind, TFormValueKind::vkInteger);
    EXPECT_EQ(form.Properties[0].Value.Integer, 193);
    EXPECT_EQ(form.Properties[1].Value.Kind, TFormValueKind::vkString);
    EXPECT_EQ(form.Properties[1].Value.Text, "岚栎在线订单管理系统");
    EXPECT_EQ(form.Properties[2].Name, "Font.Charset");
    EXPECT_EQ(form.Properties[2].Value.Kind, TFormValueKind::vkIdent);
    EXPECT_EQ(form.Properties[2].Value.Text, "GB2312_CHARSET");
    EXPECT_EQ(form.Properties[3].Value.Integer, -13);
    EXPECT_EQ(form.Properties[4].Value.Kind, TFormValueKind::vkSet);
    EXPECT_TRUE(form.Properties[4].Value.Set.empty());
    EXPECT_EQ(form.Properties[6].Name, "OnCreate");
    EXPECT_EQ(form.Properties[6].Value.Text, "FormCreate");
    EXPECT_EQ(form.Properties[6].Line, 8);

    ASSERT_EQ(form.Children.size(), 2u);
    const TFormObject& bar = form.Children[0];
    EXPECT_EQ(bar.Name, "StatusBar_Main");
    EXPECT_EQ(bar.ClassName, "TStatusBar");
    EXPECT_EQ(bar.Line, 9);
    ASSERT_EQ(bar.Properties.size(), 1u);
    const TFormValue& panels = bar.Properties[0].Value;
    ASSERT_EQ(panels.Kind, TFormValueKind::vkCollection);
    ASSERT_EQ(panels.Items.size(), 2u);
    ASSERT_EQ(panels.Items[0].size(), 3u);
    EXPECT_EQ(panels.Items[0][0].Name, "Alignment");
    EXPECT_EQ(panels.Items[0][1].Value.Text, "岚栎软件");
    EXPECT_EQ(panels.Items[0][2].Value.Integer, 100);
    EXPECT_EQ(panels.Items[0][2].Line, 14);
    ASSERT_EQ(panels.Items[1].size(), 1u);
    EXPECT_EQ(panels.Items[1][0].Value.Integer, 50);

    const TFormObject& skin = form.Children[1];
    ASSERT_EQ(skin.Properties.size(), 4u);
    EXPECT_EQ(skin.Properties[0].Value.Set, (std::vector<std::string>{"xcMainMenu", "xcPopupMenu"}));
    const TFormValue& strings = skin.Properties[1].Value;
    ASSERT_EQ(strings.Kind, TFormValueKind::vkList);
    ASSERT_EQ(strings.List.size(), 2u);
    EXPECT_EQ(strings.List[0].Text, "TCategoryButtons=scrollbar");
    EXPECT_EQ(strings.List[1].Text, "TPanel=panel");
    EXPECT_EQ(strings.List[1].Line, 24);
    EXPECT_EQ(skin.Properties[2].Value.Kind, TFormValueKind::vkFloat);
    EXPECT_DOUBLE_EQ(skin.Properties[2].Value.Float, 19.05);
    EXPECT_EQ(skin.Properties[3].Value.Kind, TFormValueKind::vkBinary);
    EXPECT_EQ(skin.Properties[3].Value.Bytes, (std::vector<std::uint8_t>{0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F}));
    EXPECT_EQ(skin.Properties[3].Value.Line, 26);
}

TEST(FormTextTree, PropertiesMayStandBetweenAndAfterChildObjects) {
    const TFormObject form =
        Parse("object A: TA\n  X = 1\n  object B: TB\n  end\n  Y = 2\n  object C: TC\n  end\n  Z = 3\nend\n");
    ASSERT_EQ(form.Properties.size(), 3u);
    EXPECT_EQ(form.Properties[1].Name, "Y");
    EXPECT_EQ(form.Properties[2].Name, "Z");
    ASSERT_EQ(form.Children.size(), 2u);
    EXPECT_EQ(form.Children[1].Name, "C");
}

TEST(FormTextTree, NamesAreCaseSensitiveAndKeywordsLowerCase) {
    // "End" is an ordinary name: the object is still open at the end of the text.
    EXPECT_TRUE(RaisesError("object A: TA\n  End = 1\n", {3, "", "expected \"end\""}));
    const TFormObject form = Parse("object A: TA\n  left = 1\n  Left = 2\nend\n");
    EXPECT_EQ(form.Properties[0].Name, "left");
    EXPECT_EQ(form.Properties[1].Name, "Left");
}

// ---- lexical matters ----------------------------------------------------------------------------------------

TEST(FormTextLexical, ByteOrderMarkCrLfBlankLinesAndCommentsAreSkipped) {
    const TFormObject form = Parse(
        "\xEF\xBB\xBF// generated\r\n"
        "object A: TA\r\n"
        "\r\n"
        "   // a comment line, indented\r\n"
        "  X = 'a' +\r\n"
        "  // between the parts of a string\r\n"
        "    'b'\r\n"
        "  Y = 2\r\n"
        "end\r\n");
    EXPECT_EQ(form.Line, 2);
    ASSERT_EQ(form.Properties.size(), 2u);
    EXPECT_EQ(form.Properties[0].Value.Text, "ab");
    EXPECT_EQ(form.Properties[0].Line, 5);
    EXPECT_EQ(form.Properties[1].Line, 8);
}

TEST(FormTextLexical, SlashesAfterOtherTextAreNoComment) {
    EXPECT_TRUE(RaisesError("object A: TA\n  X = 1 // one\nend\n", {2, "X", "unexpected character \"/\""}));
    EXPECT_TRUE(
        RaisesError("object A: TA\n  X = {\n    00 // zero\n  }\nend\n", {3, "X", "invalid character in binary data"}));
    // A comment line inside binary data is still a comment line.
    EXPECT_EQ(ValueOf("{\n  // header\n  01}").Bytes, std::vector<std::uint8_t>{1});
}

TEST(FormTextLexical, LoneCarriageReturnAndStrayBytesAreRejected) {
    EXPECT_TRUE(RaisesError("object A: TA\r  X = 1\nend\n", {1, "", "carriage return without a line feed"}));
    EXPECT_TRUE(RaisesError("object A: TA\n  X = 1\n\xE5\xB2\x9A\nend\n", {3, "", "unexpected byte 0xE5"}));
    EXPECT_TRUE(RaisesError("object A: TA\n  X = \0\nend\n"s, {2, "X", "unexpected byte 0x00"}));
    // The mark is skipped only at the very start.
    EXPECT_TRUE(Rejected("object A: TA\n\xEF\xBB\xBF\nend\n"));
}

TEST(FormTextLexical, TextMayEndWithoutLineBreak) {
    EXPECT_EQ(Parse("object A: TA\n  X = 1\nend").Properties.size(), 1u);
    EXPECT_TRUE(RaisesError("object A: TA\nend\nend\n", {3, "", "unexpected text after the final \"end\""}));
}

// ---- values -------------------------------------------------------------------------------------------------

TEST(FormTextValues, IntegersDecimalSignedAndHexUpToInt64Limits) {
    EXPECT_EQ(ValueOf("0").Integer, 0);
    EXPECT_EQ(ValueOf("+17").Integer, 17);
    EXPECT_EQ(ValueOf("-13").Integer, -13);
    EXPECT_EQ(ValueOf("9223372036854775807").Integer, std::numeric_limits<std::int64_t>::max());
    EXPECT_EQ(ValueOf("-9223372036854775808").Integer, std::numeric_limits<std::int64_t>::min());
    EXPECT_EQ(ValueOf("$FF").Integer, 255);
    EXPECT_EQ(ValueOf("$1fffffff").Integer, 0x1FFFFFFF);
    EXPECT_EQ(ValueOf("$7FFFFFFFFFFFFFFF").Integer, std::numeric_limits<std::int64_t>::max());
    EXPECT_EQ(ValueOf("$0000000000000001").Integer, 1);
    EXPECT_EQ(ValueOf("$1").Kind, TFormValueKind::vkInteger);
}

TEST(FormTextValues, IntegersOutOfRangeOrMalformedAreRejected) {
    const auto form = [](const std::string& v) { return "object A: TA\n  P = " + v + "\nend\n"; };
    EXPECT_TRUE(RaisesError(form("9223372036854775808"), {2, "P", "integer out of range \"9223372036854775808\""}));
    EXPECT_TRUE(RaisesError(form("-9223372036854775809"), {2, "P", "integer out of range \"-9223372036854775809\""}));
    EXPECT_TRUE(RaisesError(form("$8000000000000000"), {2, "P", "integer out of range \"$8000000000000000\""}));
    EXPECT_TRUE(RaisesError(form("$10000000000000000"), {2, "P", "more than 16 hex digits in \"$10000000000000000\""}));
    EXPECT_TRUE(RaisesError(form("$"), {2, "P", "invalid number \"$\""}));
    EXPECT_TRUE(RaisesError(form("$FG"), {2, "P", "invalid number \"$FG\""}));
    EXPECT_TRUE(RaisesError(form("12ab"), {2, "P", "invalid number \"12ab\""}));
    EXPECT_TRUE(RaisesError(form("-$10"), {2, "P", "unexpected character \"-\""}));
    EXPECT_TRUE(RaisesError(form("--1"), {2, "P", "unexpected character \"-\""}));
    // A long run of digits is named shortened in the message.
    try {
        Parse(form(std::string(5000, '9')));
        FAIL() << "accepted";
    } catch (const EFormTextError& e) {
        EXPECT_LT(e.Message().size(), 200u);
    }
}

TEST(FormTextValues, FloatsNeedAPointOrAnExponent) {
    EXPECT_EQ(ValueOf("19.05").Kind, TFormValueKind::vkFloat);
    EXPECT_DOUBLE_EQ(ValueOf("19.05").Float, 19.05);
    EXPECT_DOUBLE_EQ(ValueOf("-0.5").Float, -0.5);
    EXPECT_DOUBLE_EQ(ValueOf("+2.5").Float, 2.5);
    EXPECT_DOUBLE_EQ(ValueOf("1e3").Float, 1000.0);
    EXPECT_DOUBLE_EQ(ValueOf("1.5E-3").Float, 0.0015);
    EXPECT_DOUBLE_EQ(ValueOf("2e+2").Float, 200.0);
    EXPECT_TRUE(std::signbit(ValueOf("-0.0").Float));
    EXPECT_EQ(ValueOf("1000").Kind, TFormValueKind::vkInteger);

    EXPECT_TRUE(Rejected("object A: TA\n  P = 1.\nend\n"));
    EXPECT_TRUE(Rejected("object A: TA\n  P = .5\nend\n"));
    EXPECT_TRUE(Rejected("object A: TA\n  P = 1e\nend\n"));
    EXPECT_TRUE(Rejected("object A: TA\n  P = 1.2.3\nend\n"));
    EXPECT_TRUE(RaisesError("object A: TA\n  P = 1e999\nend\n", {2, "P", "number out of range \"1e999\""}));
}

TEST(FormTextValues, StringsWithQuotesCodesAndContinuations) {
    EXPECT_EQ(ValueOf("''").Text, "");
    EXPECT_EQ(ValueOf("'it''s'").Text, "it's");
    EXPECT_EQ(ValueOf("''''").Text, "'");
    EXPECT_EQ(ValueOf("'a'#13#10'b'").Text, "a\r\nb");
    EXPECT_EQ(ValueOf("#23706#26638").Text, "岚栎");
    EXPECT_EQ(ValueOf("'x'#0'y'").Text, std::string("x\0y", 3));
    EXPECT_EQ(ValueOf("#128512").Text, "\xF0\x9F\x98\x80");
    EXPECT_EQ(ValueOf("#1114111").Text, "\xF4\x8F\xBF\xBF");
    EXPECT_EQ(ValueOf("'E_Mail：'#12288'QQ：'").Text, "E_Mail：\u3000QQ：");
    EXPECT_EQ(ValueOf("'first ' +\n    'second ' +  \n\n    #49'third'").Text, "first second 1third");
    EXPECT_EQ(ValueOf("'tab\there'").Text, "tab\there");
}

TEST(FormTextValues, ContinuedStringKeepsItsStartLineAndNextPropertyFollows) {
    const TFormObject form = Parse("object A: TA\n  S = 'a' +\n    'b' +\n    'c'\n  N = 1\nend\n");
    ASSERT_EQ(form.Properties.size(), 2u);
    EXPECT_EQ(form.Properties[0].Value.Text, "abc");
    EXPECT_EQ(form.Properties[0].Value.Line, 2);
    EXPECT_EQ(form.Properties[1].Line, 5);
}

TEST(FormTextValues, BrokenStringsAreRejected) {
    const auto form = [](const std::string& v) { return "object A: TA\n  S = " + v + "\nend\n"; };
    EXPECT_TRUE(RaisesError(form("'open"), {2, "S", "unterminated string"}));
    EXPECT_TRUE(RaisesError("object A: TA\n  S = 'open", {2, "S", "unterminated string"}));
    EXPECT_TRUE(RaisesError(form("'a'#"), {2, "S", "expected a character code after \"#\""}));
    EXPECT_TRUE(RaisesError(form("#1114112"), {2, "S", "\"#1114112\" is not a Unicode character"}));
    EXPECT_TRUE(RaisesError(form("#55296"), {2, "S", "\"#55296\" is not a Unicode character"}));
    EXPECT_TRUE(
        RaisesError(form("#99999999999999999999"), {2, "S", "\"#99999999999999999999\" is not a Unicode character"}));
    EXPECT_TRUE(RaisesError(form("'a' +\n  N = 1"), {3, "S", "expected a string after \"+\""}));
    EXPECT_TRUE(RaisesError("object A: TA\n  S = 'a' +", {2, "S", "expected a string after \"+\""}));
    EXPECT_TRUE(RaisesError(form("'a' + 'b'"), {2, "S", "unexpected character \"+\""}));
    EXPECT_TRUE(RaisesError(form("'a' 'b'"), {2, "S", "unexpected text after the value"}));
}

TEST(FormTextValues, InvalidUtf8InStringsIsRejected) {
    const char* const bad[] = {
        "'\x80'",              // lone continuation byte
        "'\xC3'",              // truncated two-byte sequence
        "'\xC0\xAF'",          // overlong '/'
        "'\xE0\x80\xAF'",      // overlong three-byte form
        "'\xED\xA0\x80'",      // UTF-16 surrogate
        "'\xF4\x90\x80\x80'",  // beyond U+10FFFF
        "'\xFF'",
        "'\xE5\xB2'",  // "岚" cut short by the quote
    };
    for (const char* value : bad)
        EXPECT_TRUE(
            RaisesError(std::string("object A: TA\n  S = ") + value + "\nend\n", {2, "S", "invalid UTF-8 in a string"}))
            << value;
    EXPECT_EQ(ValueOf("'\xEF\xBF\xBF\xF0\x90\x80\x80'").Text, "\xEF\xBF\xBF\xF0\x90\x80\x80");
}

TEST(FormTextValues, IdentifiersAndSets) {
    EXPECT_EQ(ValueOf("True").Text, "True");
    EXPECT_EQ(ValueOf("_x9").Kind, TFormValueKind::vkIdent);
    EXPECT_EQ(ValueOf("[xcMainMenu,xcPopupMenu , xcToolbar]").Set,
              (std::vector<std::string>{"xcMainMenu", "xcPopupMenu", "xcToolbar"}));
    EXPECT_EQ(ValueOf("[\n  a,\n  b]").Set, (std::vector<std::string>{"a", "b"}));
    EXPECT_TRUE(RaisesError("object A: TA\n  P = [a,]\nend\n", {2, "P", "expected a name in the set"}));
    EXPECT_TRUE(RaisesError("object A: TA\n  P = [a b]\nend\n", {2, "P", "expected \",\" or \"]\" in the set"}));
    EXPECT_TRUE(RaisesError("object A: TA\n  P = [1]\nend\n", {2, "P", "expected a name in the set"}));
    EXPECT_TRUE(RaisesError("object A: TA\n  P = [a.b]\nend\n", {2, "P", "expected a name in the set"}));
    EXPECT_TRUE(RaisesError("object A: TA\n  P = [a\nend\n", {3, "P", "expected \",\" or \"]\" in the set"}));
    EXPECT_TRUE(RaisesError("object A: TA\n  P = Form1.Button\nend\n", {2, "P", "invalid value \"Form1.Button\""}));
}

TEST(FormTextValues, ListsHoldAnyValuesAndSpanLines) {
    const TFormValue v = ValueOf("(\n    'a'  12\n    -1.5 ident\n    [x] ('nested')\n    {FF})");
    ASSERT_EQ(v.Kind, TFormValueKind::vkList);
    ASSERT_EQ(v.List.size(), 7u);
    EXPECT_EQ(v.List[0].Text, "a");
    EXPECT_EQ(v.List[1].Integer, 12);
    EXPECT_EQ(v.List[1].Line, 3);
    EXPECT_EQ(v.List[2].Kind, TFormValueKind::vkFloat);
    EXPECT_EQ(v.List[3].Kind, TFormValueKind::vkIdent);
    EXPECT_EQ(v.List[4].Set, std::vector<std::string>{"x"});
    EXPECT_EQ(v.List[5].List.at(0).Text, "nested");
    EXPECT_EQ(v.List[6].Bytes, std::vector<std::uint8_t>{0xFF});
    EXPECT_TRUE(ValueOf("()").List.empty());
    // A "+" at a line end continues a string inside a list, a "+5" is the next item.
    EXPECT_EQ(ValueOf("('a' +\n 'b' +5)").List.size(), 2u);
    EXPECT_EQ(ValueOf("('a' +\n 'b' +5)").List[0].Text, "ab");
    // "end" is an identifier value here; the "=" after X is no value.
    EXPECT_TRUE(RaisesError("object A: TA\n  L = (\n    'a'\n  X = 1\nend\n", {4, "L", "expected a value"}));
    EXPECT_TRUE(RaisesError("object A: TA\n  L = (\n    'a'\nend\n", {5, "L", "expected \")\""}));
    EXPECT_TRUE(RaisesError("object A: TA\n  L = (\n    'a'\n", {4, "L", "expected \")\""}));
}

TEST(FormTextValues, CollectionsHoldItemsOfProperties) {
    const TFormValue empty = ValueOf("<>");
    EXPECT_EQ(empty.Kind, TFormValueKind::vkCollection);
    EXPECT_TRUE(empty.Items.empty());

    const TFormValue v =
        ValueOf("<\n  item\n  end\n  item\n    Sub = <\n      item\n        X = 1\n      end>\n  end>");
    ASSERT_EQ(v.Items.size(), 2u);
    EXPECT_TRUE(v.Items[0].empty());
    ASSERT_EQ(v.Items[1].size(), 1u);
    EXPECT_EQ(v.Items[1][0].Value.Items.at(0).at(0).Value.Integer, 1);
}

TEST(FormTextValues, BrokenCollectionsNameTheItemInTheMessage) {
    EXPECT_TRUE(
        RaisesError("object A: TA\n  C = <\n    item\n      W = 1\n    end\n    item\n      W =\n    end>\nend\n",
                    {7, "C[1].W", "expected a value"}));
    EXPECT_TRUE(
        RaisesError("object A: TA\n  C = <\n    thing\n    end>\nend\n", {3, "C", "expected \"item\" or \">\""}));
    EXPECT_TRUE(RaisesError("object A: TA\n  C = <\n    item W = 1\n    end>\nend\n",
                            {3, "C[0]", "unexpected text after \"item\""}));
    EXPECT_TRUE(RaisesError("object A: TA\n  C = <\n    item\n      object B: TB\n      end\n    end>\nend\n",
                            {4, "C[0]", "a collection item holds properties, not objects"}));
    EXPECT_TRUE(RaisesError("object A: TA\n  C = <\n    item\n      W = 1\n", {5, "C[0]", "expected \"end\""}));
    EXPECT_TRUE(RaisesError("object A: TA\n  C = <\n    item\n      5\n    end>\nend\n",
                            {4, "C[0]", "expected a property name or \"end\""}));
}

TEST(FormTextValues, BinaryDataInHexPairs) {
    EXPECT_TRUE(ValueOf("{}").Bytes.empty());
    EXPECT_EQ(ValueOf("{ 00ff 7F\n\n   aB }").Bytes, (std::vector<std::uint8_t>{0x00, 0xFF, 0x7F, 0xAB}));
    EXPECT_TRUE(RaisesError("object A: TA\n  B = {\n    0A0B0\n  }\nend\n",
                            {3, "B", "binary data with an odd number of hex digits"}));
    EXPECT_TRUE(RaisesError("object A: TA\n  B = {\n    0A 0\n  }\nend\n",
                            {3, "B", "binary data with an odd number of hex digits"}));
    EXPECT_TRUE(RaisesError("object A: TA\n  B = {\n    GG\n  }\nend\n", {3, "B", "invalid character in binary data"}));
    EXPECT_TRUE(RaisesError("object A: TA\n  B = {\n    0A\n", {2, "B", "binary data without the closing \"}\""}));
    EXPECT_TRUE(RaisesError("object A: TA\n  B = {00} 1\nend\n", {2, "B", "unexpected text after the value"}));
}

// ---- structure errors -----------------------------------------------------------------------------------------

TEST(FormTextErrors, MessagesNameFormLineAndProperty) {
    EXPECT_TRUE(RaisesError("object A: TA\n  Font.Height =\nend\n", {2, "Font.Height", "expected a value"}));
    EXPECT_TRUE(RaisesError("object A: TA\n  Font.Height = \n    12\nend\n", {2, "Font.Height", "expected a value"}));
    EXPECT_TRUE(RaisesError("object A: TA\n  X = 1\n", {3, "", "expected \"end\""}));
    EXPECT_TRUE(RaisesError("object A: TA\n  X 1\nend\n", {2, "X", "expected \"=\" after the property name"}));
    EXPECT_TRUE(RaisesError("object A: TA\n  X = =\nend\n", {2, "X", "expected a value"}));
    EXPECT_TRUE(RaisesError("object A: TA\n  X = 1 2\nend\n", {2, "X", "unexpected text after the value"}));
    EXPECT_TRUE(RaisesError("object A: TA\n  X = clRed clBlue\nend\n", {2, "X", "unexpected text after the value"}));
    EXPECT_TRUE(RaisesError("object A: TA\n  = 1\nend\n", {2, "", "expected a property name, \"object\" or \"end\""}));
    EXPECT_TRUE(RaisesError("object A: TA\n  Font. = 1\nend\n", {2, "", "invalid name \"Font.\""}));
    EXPECT_TRUE(RaisesError("object A: TA\n  Font..H = 1\nend\n", {2, "", "invalid name \"Font.\""}));
    EXPECT_TRUE(RaisesError("object A: TA\nend X\n", {2, "", "unexpected text after \"end\""}));
}

TEST(FormTextErrors, ObjectHeadersAreChecked) {
    EXPECT_TRUE(RaisesError("", {1, "", "expected \"object\""}));
    EXPECT_TRUE(RaisesError("// only a comment\n", {2, "", "expected \"object\""}));
    EXPECT_TRUE(RaisesError("inherited A: TA\nend\n", {1, "", "expected \"object\""}));
    EXPECT_TRUE(RaisesError("object A: TA\n  inherited B: TB\n  end\nend\n", {2, "", "unknown keyword \"inherited\""}));
    EXPECT_TRUE(RaisesError("object A: TA\n  inline B: TB\n  end\nend\n", {2, "", "unknown keyword \"inline\""}));
    EXPECT_TRUE(RaisesError("object TA\nend\n", {1, "", "expected \":\" after the object name"}));
    EXPECT_TRUE(RaisesError("object A:\nend\n", {1, "", "expected a class name"}));
    EXPECT_TRUE(RaisesError("object A\n: TA\nend\n", {1, "", "expected \":\" after the object name"}));
    EXPECT_TRUE(RaisesError("object A: TA X = 1\nend\n", {1, "", "unexpected text after the class name"}));
    EXPECT_TRUE(RaisesError("object A.B: TA\nend\n", {1, "", "expected an object name"}));
    EXPECT_TRUE(RaisesError("object A: T.A\nend\n", {1, "", "expected a class name"}));
    EXPECT_TRUE(RaisesError("object 1: TA\nend\n", {1, "", "expected an object name"}));
}

TEST(FormTextErrors, EmptySourceNameStillGivesAReadableMessage) {
    try {
        ParseFormText("object A: TA\n", "");
        FAIL() << "accepted";
    } catch (const EFormTextError& e) {
        EXPECT_EQ(e.Message(), "form description, line 2: expected \"end\"");
        EXPECT_EQ(e.Line(), 2);
    }
}

TEST(FormTextErrors, FormErrorTextLeavesOutMissingParts) {
    EXPECT_EQ(FormErrorText("Form_Main", 12, "Font.Height", "expected a value"),
              "Form_Main, line 12, property \"Font.Height\": expected a value");
    EXPECT_EQ(FormErrorText("Form_Main", 3, "", "expected \"end\""), "Form_Main, line 3: expected \"end\"");
    EXPECT_EQ(FormErrorText("Form_Main", 0, "Color", "unknown colour"),
              "Form_Main, property \"Color\": unknown colour");
    EXPECT_EQ(FormErrorText("Form_Main", 0, "", "not found"), "Form_Main: not found");
}

// ---- limits against hostile input ----------------------------------------------------------------------------

std::string NestedObjects(int depth) {
    std::string text;
    for (int i = 0; i < depth; ++i) text += "object O" + std::to_string(i) + ": T\n";
    for (int i = 0; i < depth; ++i) text += "end\n";
    return text;
}

std::string NestedLists(int lists) {
    return "object A: TA\n  L = " + std::string(static_cast<std::size_t>(lists), '(') + "1" +
           std::string(static_cast<std::size_t>(lists), ')') + "\nend\n";
}

TEST(FormTextLimits, NestingUpTo64LevelsIsAcceptedBeyondRejected) {
    EXPECT_NO_THROW(Parse(NestedObjects(kMaxFormNesting)));
    EXPECT_TRUE(RaisesError(NestedObjects(kMaxFormNesting + 1),
                            {65, "", "objects, collections and lists nested deeper than 64 levels"}));
    // The root object is one level: 63 lists fit under it.
    EXPECT_NO_THROW(Parse(NestedLists(kMaxFormNesting - 1)));
    EXPECT_TRUE(RaisesError(NestedLists(kMaxFormNesting),
                            {2, "L", "objects, collections and lists nested deeper than 64 levels"}));
    // Levels of different kinds add up.
    std::string mixed = NestedObjects(kMaxFormNesting - 1);
    mixed.insert(mixed.find("end\n"), "C = <\nitem\nL = (())\nend>\n");
    EXPECT_TRUE(Rejected(mixed));
}

TEST(FormTextLimits, HugeNestingAttemptFailsCleanly) {
    // A hostile text far deeper than the limit must give an error, not exhaust the stack.
    EXPECT_TRUE(Rejected(NestedLists(1'000'000)));
    std::string deep;
    for (int i = 0; i < 200000; ++i) deep += "object A: T\n";
    EXPECT_TRUE(Rejected(deep));
}

TEST(FormTextLimits, TextAbove64MiBIsRejected) {
    std::string text = "object A: TA\n  B = {\n";
    text.append(kMaxFormTextSize - text.size() - 7, ' ');
    text += "}\nend\n";
    ASSERT_EQ(text.size(), kMaxFormTextSize - 1);
    EXPECT_NO_THROW(Parse(text));
    text += "\n\n";
    EXPECT_TRUE(RaisesError(text, {0, "", "the description is 67108865 bytes long, more than the limit of 67108864"}));
}

// ---- writing ----------------------------------------------------------------------------------------------------

TEST(FormTextWrite, CanonicalTextIsReproducedExactly) {
    // Binary data fills lines of 64 hex digits; the sample breaks its six bytes early.
    std::string canonical = kMainForm;
    const std::string split = "0A0B0C0D\n      0E0F}";
    canonical.replace(canonical.find(split), split.size(), "0A0B0C0D0E0F}");
    EXPECT_EQ(WriteFormText(Parse(kMainForm)), canonical);
    EXPECT_EQ(WriteFormText(Parse(canonical)), canonical);
}

TEST(FormTextWrite, MessyTextIsWrittenInCanonicalLayoutAndReadsBack) {
    const char messy[] =
        "\xEF\xBB\xBF"
        "object   A :TA\r\n"
        "// comment\r\n"
        "    X=$10\r\n"
        "  S = 'a'#9'b' +\r\n"
        "      'c'\r\n"
        "  F = 1e2\r\n"
        "  Set = [ p ,q ]\r\n"
        "  L = ( 1 2\r\n"
        "   ( ) )\r\n"
        "  C = < item X = 1 end >\r\n"
        "end";
    // The item on one line breaks the layout rules; spread it out as the format requires.
    std::string text(messy);
    text.replace(text.find("< item X = 1 end >"), 18, "<\r\n item\r\n X = 1\r\n end >");
    const TFormObject tree = Parse(text);
    const std::string written = WriteFormText(tree);
    EXPECT_EQ(written,
              "object A: TA\n"
              "  X = 16\n"
              "  S = 'a'#9'bc'\n"
              "  F = 100.0\n"
              "  Set = [p, q]\n"
              "  L = (\n"
              "    1\n"
              "    2\n"
              "    ())\n"
              "  C = <\n"
              "    item\n"
              "      X = 1\n"
              "    end>\n"
              "end\n");
    EXPECT_EQ(Parse(written), tree);
}

TEST(FormTextWrite, StringsAreRequotedWithCodesForControlCharacters) {
    TFormObject root{"A", "TA", 0, {}, {}};
    const auto write = [&](std::string text) {
        TFormValue v;
        v.Kind = TFormValueKind::vkString;
        v.Text = std::move(text);
        root.Properties = {TFormProperty{"S", v, 0}};
        std::string out = WriteFormText(root);
        EXPECT_EQ(Parse(out), root);
        const auto start = out.find("S = ") + 4;
        return out.substr(start, out.find('\n', start) - start);
    };
    EXPECT_EQ(write(""), "''");
    EXPECT_EQ(write("it's"), "'it''s'");
    EXPECT_EQ(write("\r\n"), "#13#10");
    EXPECT_EQ(write("a\r\nb"), "'a'#13#10'b'");
    EXPECT_EQ(write(std::string("\0x\x7F", 3)), "#0'x'#127");
    EXPECT_EQ(write("岚栎"), "'岚栎'");
}

TEST(FormTextWrite, FloatsKeepTheirExactValueAndStayFloats) {
    for (const double f : {0.0, -0.0, 100.0, 19.05, -1e300, 5e-324, 0.1, 1.0 / 3.0, 123456789012345678.0}) {
        TFormValue v;
        v.Kind = TFormValueKind::vkFloat;
        v.Float = f;
        const TFormObject root{"A", "TA", 0, {TFormProperty{"F", v, 0}}, {}};
        const TFormObject back = Parse(WriteFormText(root));
        EXPECT_EQ(back, root) << WriteFormText(root);
    }
}

TEST(FormTextWrite, BinaryIsSplitAt64HexDigits) {
    TFormValue v;
    v.Kind = TFormValueKind::vkBinary;
    for (int i = 0; i < 70; ++i) v.Bytes.push_back(static_cast<std::uint8_t>(i * 7));
    const TFormObject root{"A", "TA", 0, {TFormProperty{"B", v, 0}}, {}};
    const std::string text = WriteFormText(root);
    // 70 bytes: two full lines of 32 bytes and one of 6.
    const auto first = text.find("{\n    ") + 6;
    const auto second = text.find('\n', first);
    EXPECT_EQ(second - first, 64u);
    const auto third = text.find('\n', second + 1);
    EXPECT_EQ(third - second - 1, 4u + 64u);
    EXPECT_EQ(text.substr(third + 1), "    C0C7CED5DCE3}\nend\n");
    EXPECT_EQ(Parse(text), root);
}

TEST(FormTextWrite, TreesNoTextCouldHoldAreRefused) {
    const auto refused = [](const TFormObject& root) {
        try {
            WriteFormText(root);
        } catch (const EFormTextError&) {
            return true;
        }
        return false;
    };
    TFormValue ident;
    ident.Kind = TFormValueKind::vkIdent;
    ident.Text = "ok";
    EXPECT_FALSE(refused({"A", "TA", 0, {TFormProperty{"P", ident, 0}}, {}}));
    EXPECT_TRUE(refused({"", "TA", 0, {}, {}}));
    EXPECT_TRUE(refused({"A", "T A", 0, {}, {}}));
    EXPECT_TRUE(refused({"A", "TA", 0, {TFormProperty{"end", ident, 0}}, {}}));
    EXPECT_TRUE(refused({"A", "TA", 0, {TFormProperty{"object", ident, 0}}, {}}));
    EXPECT_TRUE(refused({"A", "TA", 0, {TFormProperty{"a..b", ident, 0}}, {}}));

    TFormValue bad = ident;
    bad.Text = "two words";
    EXPECT_TRUE(refused({"A", "TA", 0, {TFormProperty{"P", bad, 0}}, {}}));
    bad.Kind = TFormValueKind::vkString;
    bad.Text = "\xC3";
    EXPECT_TRUE(refused({"A", "TA", 0, {TFormProperty{"P", bad, 0}}, {}}));
    bad.Kind = TFormValueKind::vkFloat;
    bad.Float = std::numeric_limits<double>::quiet_NaN();
    EXPECT_TRUE(refused({"A", "TA", 0, {TFormProperty{"P", bad, 0}}, {}}));
    bad.Float = std::numeric_limits<double>::infinity();
    EXPECT_TRUE(refused({"A", "TA", 0, {TFormProperty{"P", bad, 0}}, {}}));
    bad.Kind = TFormValueKind::vkSet;
    bad.Set = {"a", ""};
    EXPECT_TRUE(refused({"A", "TA", 0, {TFormProperty{"P", bad, 0}}, {}}));

    TFormValue deep;
    deep.Kind = TFormValueKind::vkInteger;
    for (int i = 0; i < kMaxFormNesting; ++i) {
        TFormValue outer;
        outer.Kind = TFormValueKind::vkList;
        outer.List.push_back(std::move(deep));
        deep = std::move(outer);
    }
    EXPECT_TRUE(refused({"A", "TA", 0, {TFormProperty{"P", deep, 0}}, {}}));
    EXPECT_FALSE(refused({"A", "TA", 0, {TFormProperty{"P", deep.List[0], 0}}, {}}));
}

TEST(FormTextWrite, EqualityIgnoresLinesButNotContent) {
    const TFormObject a = Parse("object A: TA\n  X = 1\nend\n");
    const TFormObject b = Parse("\n\n// moved down\nobject A: TA\n\n  X = 1\nend\n");
    EXPECT_NE(a.Line, b.Line);
    EXPECT_EQ(a, b);
    EXPECT_NE(a, Parse("object A: TA\n  X = 2\nend\n"));
    EXPECT_NE(a, Parse("object A: TA\n  X = '1'\nend\n"));
    EXPECT_NE(a, Parse("object A: TB\n  X = 1\nend\n"));
    EXPECT_NE(Parse("object A: TA\n  X = 0.0\nend\n"), Parse("object A: TA\n  X = -0.0\nend\n"));
}

}  // namespace
}  // namespace qd
