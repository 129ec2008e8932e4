#include "skin/data/QuickIni.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

namespace qd {
namespace {

TQuickIni Parse(std::string_view text) {
    TQuickIni ini;
    ini.LoadFromText(text);
    return ini;
}

std::vector<std::string> LinesOf(const TQuickIni& ini) {
    std::vector<std::string> out;
    for (const auto& item : ini.Lines) out.push_back(item.Text);
    return out;
}

// --- Splitting the text into significant lines and section headers ---------------------------------------

TEST(QuickIniSplitting, EveryLineBreakKindEndsExactlyOneLine) {
    TQuickIni ini = Parse("a=1\r\nb=2\rc=3\nd=4");
    EXPECT_EQ(LinesOf(ini), (std::vector<std::string>{"a=1", "b=2", "c=3", "d=4"}));
}

TEST(QuickIniSplitting, LfCrMakesAnEmptyLineThatIsDropped) {
    TQuickIni ini = Parse("a=1\n\rb=2\n\r\n\rc=3");
    EXPECT_EQ(LinesOf(ini), (std::vector<std::string>{"a=1", "b=2", "c=3"}));
}

TEST(QuickIniSplitting, TrimsBlanksTabsAndControlCharactersFromBothEnds) {
    TQuickIni ini = Parse(" \t\x01 [Sec] \x1f\r\n\t key = value \t");
    EXPECT_EQ(LinesOf(ini), (std::vector<std::string>{"[Sec]", "key = value"}));
}

TEST(QuickIniSplitting, CommentsAndBlankLinesAreDroppedWhateverTheirIndentation) {
    TQuickIni ini = Parse("; top\r\n\r\n   \r\n  ; indented\r\n[S]\r\n\t;k=1\r\nk=2\r\nx=;not a comment");
    EXPECT_EQ(LinesOf(ini), (std::vector<std::string>{"[S]", "k=2", "x=;not a comment"}));
    EXPECT_EQ(ini.ReadString("S", "k", "none"), "2");
    EXPECT_EQ(ini.ReadString("S", "x", "none"), ";not a comment");
}

TEST(QuickIniSplitting, TextEndsAtTheFirstNulByte) {
    const std::string text("[S]\r\nA=1\0\r\nB=2\r\n", 16);
    TQuickIni ini = Parse(text);
    EXPECT_EQ(LinesOf(ini), (std::vector<std::string>{"[S]", "A=1"}));
    EXPECT_EQ(ini.ReadString("S", "B", "gone"), "gone");
}

TEST(QuickIniSplitting, SectionsKeepBracketsFileOrderDuplicatesAndLineIndex) {
    TQuickIni ini = Parse("pre=0\r\n[One]\r\na=1\r\n[ Two ]\r\n[One]\r\n[]\r\n[notclosed\r\nx]\r\n");
    ASSERT_EQ(ini.Sections.Count(), 4);
    EXPECT_EQ(ini.Sections[0], "[One]");
    EXPECT_EQ(ini.Sections.Objects(0), 1);
    EXPECT_EQ(ini.Sections[1], "[ Two ]");
    EXPECT_EQ(ini.Sections.Objects(1), 3);
    EXPECT_EQ(ini.Sections[2], "[One]");
    EXPECT_EQ(ini.Sections.Objects(2), 4);
    EXPECT_EQ(ini.Sections[3], "[]");
    EXPECT_EQ(ini.Lines.Count(), 8);
}

TEST(QuickIniSplitting, LoadFromStreamReadsFromTheCurrentPositionToTheEnd) {
    const std::string text = "junk[S]\r\nk=v\r\n";
    TMemoryStream stream(text.data(), text.size());
    stream.SetPosition(4);
    TQuickIni ini;
    ini.LoadFromStream(&stream);
    EXPECT_EQ(ini.ReadString("S", "k", ""), "v");
    EXPECT_EQ(stream.Position(), stream.Size());
}

TEST(QuickIniSplitting, NullStreamChangesNothingAndReloadingReplacesEverything) {
    TQuickIni ini = Parse("[A]\r\nk=1\r\n");
    ini.LoadFromStream(nullptr);
    EXPECT_EQ(ini.ReadString("A", "k", ""), "1");

    TMemoryStream other(std::string_view("[B]\nk=2\n").data(), 8);
    ini.LoadFromStream(&other);
    EXPECT_EQ(ini.ReadString("A", "k", "gone"), "gone");
    EXPECT_EQ(ini.ReadString("B", "k", ""), "2");
    EXPECT_EQ(ini.Sections.Count(), 1);

    TMemoryStream empty;
    ini.LoadFromStream(&empty);
    EXPECT_TRUE(ini.Lines.Empty());
    EXPECT_TRUE(ini.Sections.Empty());
}

// --- ReadString -------------------------------------------------------------------------------------------

TEST(QuickIniReadString, LinesBeforeTheFirstSectionAreUnreachable) {
    TQuickIni ini = Parse("k=early\r\n[S]\r\nother=1\r\n");
    EXPECT_EQ(ini.ReadString("S", "k", "def"), "def");
    EXPECT_EQ(ini.ReadString("", "k", "def"), "def");
}

TEST(QuickIniReadString, OnlyTheFirstOfTwoSameNamedSectionsIsSearched) {
    TQuickIni ini = Parse("[S]\r\na=1\r\n[s]\r\na=2\r\nb=3\r\n");
    EXPECT_EQ(ini.ReadString("S", "a", ""), "1");
    EXPECT_EQ(ini.ReadString("S", "b", "def"), "def");
}

TEST(QuickIniReadString, FirstOccurrenceOfAKeyDecides) {
    TQuickIni ini = Parse("[S]\r\nFlag=1\r\nFlag=0\r\nEmpty=\r\nEmpty=5\r\n");
    EXPECT_EQ(ini.ReadString("S", "Flag", ""), "1");
    EXPECT_EQ(ini.ReadInteger("S", "Flag", -1), 1);
    // An empty value yields the default and ends the search: the later Empty=5 is never seen.
    EXPECT_EQ(ini.ReadString("S", "Empty", "def"), "def");
    EXPECT_EQ(ini.ReadInteger("S", "Empty", 42), 42);
}

TEST(QuickIniReadString, SearchStopsAtTheNextSectionHeader) {
    TQuickIni ini = Parse("[A]\r\nx=1\r\n[B]\r\ny=2\r\n");
    EXPECT_EQ(ini.ReadString("A", "y", "def"), "def");
    EXPECT_EQ(ini.ReadString("B", "x", "def"), "def");
}

TEST(QuickIniReadString, KeysAndSectionsMatchWithoutRegardToAsciiCase) {
    TQuickIni ini = Parse("[Personality]\r\nRightwidth=4\r\n");
    EXPECT_EQ(ini.ReadString("PERSONALITY", "RightWidth", ""), "4");
    EXPECT_EQ(ini.ReadString("personality", "RIGHTWIDTH", ""), "4");
}

TEST(QuickIniReadString, NonAsciiBytesAreComparedExactly) {
    // Latin-1 capital and small A-umlaut: a locale-aware fold would take them as equal; ours must not.
    TQuickIni ini = Parse("[\xC4]\r\n\xC4=upper\r\n");
    EXPECT_EQ(ini.ReadString("\xC4", "\xC4", ""), "upper");
    EXPECT_EQ(ini.ReadString("\xE4", "\xC4", "def"), "def");
    EXPECT_EQ(ini.ReadString("\xC4", "\xE4", "def"), "def");
}

TEST(QuickIniReadString, BlanksInsideTheBracketsAreSignificant) {
    TQuickIni ini = Parse("[ Spaced]\r\nk=1\r\n");
    EXPECT_EQ(ini.ReadString("Spaced", "k", "def"), "def");
    EXPECT_EQ(ini.ReadString(" Spaced", "k", "def"), "1");
}

TEST(QuickIniReadString, ValueKeepsEverythingAfterTheFirstEqualsSign) {
    TQuickIni ini = Parse("[S]\r\nA=b=c\r\n  Key  =  spaced value  \r\nQ=\"quoted\"\r\n");
    EXPECT_EQ(ini.ReadString("S", "A", ""), "b=c");
    EXPECT_EQ(ini.ReadString("S", "key", ""), "spaced value");
    EXPECT_EQ(ini.ReadString("S", "Q", ""), "\"quoted\"");
}

TEST(QuickIniReadString, LinesWithoutEqualsSignNeverMatchANamedKey) {
    TQuickIni ini = Parse("[S]\r\nImage\r\nImage=real.bmp\r\n");
    EXPECT_EQ(ini.ReadString("S", "Image", ""), "real.bmp");
}

TEST(QuickIniReadString, EmptyDescriptionAnswersDefaults) {
    TQuickIni ini;
    EXPECT_EQ(ini.ReadString("S", "k", "def"), "def");
    EXPECT_EQ(ini.ReadInteger("S", "k", 7), 7);
    EXPECT_FALSE(ini.SectionExists("S"));
}

// --- ReadInteger and StrToInt32 ---------------------------------------------------------------------------

TEST(QuickIniReadInteger, AcceptsDecimalSignedAndBothHexSpellings) {
    TQuickIni ini = Parse("[S]\r\na=-3\r\nb=0x1F\r\nc=$1F\r\nd=255\r\ne=0X1f\r\nf=+5\r\n");
    EXPECT_EQ(ini.ReadInteger("S", "a", 0), -3);
    EXPECT_EQ(ini.ReadInteger("S", "b", 0), 31);
    EXPECT_EQ(ini.ReadInteger("S", "c", 0), 31);
    EXPECT_EQ(ini.ReadInteger("S", "d", 0), 255);
    EXPECT_EQ(ini.ReadInteger("S", "e", 0), 31);
    EXPECT_EQ(ini.ReadInteger("S", "f", 0), 5);
}

TEST(QuickIniReadInteger, MalformedValuesYieldTheDefault) {
    TQuickIni ini = Parse(
        "[S]\r\nhex0=0x\r\ndollar=$\r\ntriple=210 232 249\r\nsign=-\r\nexp=1e3\r\nneghex0x=-0x10\r\n"
        "word=abc\r\ntrail=12a\r\nbadhex=$1G\r\n");
    for (const char* key : {"hex0", "dollar", "triple", "sign", "exp", "neghex0x", "word", "trail", "badhex"})
        EXPECT_EQ(ini.ReadInteger("S", key, -77), -77) << key;
}

TEST(QuickIniReadInteger, DecimalRangeIsExactlySigned32Bit) {
    TQuickIni ini = Parse(
        "[S]\r\nmax=2147483647\r\nmin=-2147483648\r\nover=2147483648\r\nunder=-2147483649\r\n"
        "huge=99999999999999999999999999999999\r\nzeros=-0000000000000000000000000012\r\n");
    EXPECT_EQ(ini.ReadInteger("S", "max", 0), INT32_MAX);
    EXPECT_EQ(ini.ReadInteger("S", "min", 0), INT32_MIN);
    EXPECT_EQ(ini.ReadInteger("S", "over", 9), 9);
    EXPECT_EQ(ini.ReadInteger("S", "under", 9), 9);
    EXPECT_EQ(ini.ReadInteger("S", "huge", 9), 9);
    EXPECT_EQ(ini.ReadInteger("S", "zeros", 9), -12);
}

TEST(QuickIniReadInteger, HexIsThirtyTwoBitTwosComplement) {
    TQuickIni ini = Parse(
        "[S]\r\nall=$FFFFFFFF\r\nsys=0xFF00000F\r\nhigh=$80000000\r\nnine=$100000000\r\nlead=$000000001\r\n"
        "neg=-$10\r\nnegmin=-$80000000\r\nnegover=-$80000001\r\n");
    EXPECT_EQ(ini.ReadInteger("S", "all", 0), -1);
    EXPECT_EQ(static_cast<std::uint32_t>(ini.ReadInteger("S", "sys", 0)), 0xFF00000Fu);
    EXPECT_EQ(ini.ReadInteger("S", "high", 0), INT32_MIN);
    EXPECT_EQ(ini.ReadInteger("S", "nine", 5), 5);
    EXPECT_EQ(ini.ReadInteger("S", "lead", 5), 1);
    EXPECT_EQ(ini.ReadInteger("S", "neg", 0), -16);
    EXPECT_EQ(ini.ReadInteger("S", "negmin", 0), INT32_MIN);
    EXPECT_EQ(ini.ReadInteger("S", "negover", 5), 5);
}

TEST(QuickIniReadInteger, StrToInt32RejectsBlanksAndEmptyText) {
    EXPECT_FALSE(StrToInt32("").has_value());
    EXPECT_FALSE(StrToInt32(" 1").has_value());
    EXPECT_FALSE(StrToInt32("1 ").has_value());
    EXPECT_FALSE(StrToInt32("+").has_value());
    EXPECT_FALSE(StrToInt32("--1").has_value());
    EXPECT_EQ(StrToInt32("0"), 0);
    EXPECT_EQ(StrToInt32("-0"), 0);
}

// --- Section listing --------------------------------------------------------------------------------------

TEST(QuickIniSections, ReadSectionsStripsBracketsAndTheBlanksNextToThem) {
    TQuickIni ini = Parse("[Buttons]\r\n[ Button0 ]\r\n[]\r\n[Buttons]\r\n[\t[x]\t]\r\n");
    TStringList names;
    names.Add("stale");
    ini.ReadSections(names);
    ASSERT_EQ(names.Count(), 5);
    EXPECT_EQ(names[0], "Buttons");
    EXPECT_EQ(names[1], "Button0");
    EXPECT_EQ(names[2], "");
    EXPECT_EQ(names[3], "Buttons");
    EXPECT_EQ(names[4], "[x]");
}

TEST(QuickIniSections, SectionExistsUsesTheLookupRules) {
    TQuickIni ini = Parse("[MDICONTROLS]\r\nImage=m.bmp\r\n");
    EXPECT_TRUE(ini.SectionExists("MdiControls"));
    EXPECT_FALSE(ini.SectionExists("MDI"));
    EXPECT_FALSE(ini.SectionExists(" MDICONTROLS"));
}

}  // namespace
}  // namespace qd
