#include "framework/Classes.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

namespace qd {
namespace {

std::vector<std::uint8_t> Bytes(std::initializer_list<int> values) {
    std::vector<std::uint8_t> out;
    for (int v : values) out.push_back(static_cast<std::uint8_t>(v));
    return out;
}

// ---- TMemoryStream ------------------------------------------------------------------------------------------

TEST(MemoryStream, WriteThenReadBackFromTheStart) {
    TMemoryStream s;
    const std::uint32_t value = 0x11223344;
    s.Write(&value, sizeof value);
    s.WriteByte(0xAB);
    EXPECT_EQ(s.Size(), 5);
    EXPECT_EQ(s.Position(), 5);
    EXPECT_EQ(s.Remaining(), 0);

    s.SetPosition(0);
    std::uint32_t back = 0;
    s.ReadBuffer(&back, sizeof back);
    EXPECT_EQ(back, value);
    std::uint8_t b = 0;
    EXPECT_EQ(s.Read(&b, 1), 1u);
    EXPECT_EQ(b, 0xAB);
    EXPECT_EQ(s.Read(&b, 1), 0u);
}

TEST(MemoryStream, ConstructionFromBytesStartsAtPositionZero) {
    const char text[] = "abc";
    TMemoryStream fromPointer(text, 3);
    EXPECT_EQ(fromPointer.Size(), 3);
    EXPECT_EQ(fromPointer.Position(), 0);
    TMemoryStream fromVector(Bytes({1, 2}));
    EXPECT_EQ(fromVector.Position(), 0);
    EXPECT_EQ(fromVector.Data(), Bytes({1, 2}));
    TMemoryStream empty(nullptr, 0);
    EXPECT_EQ(empty.Size(), 0);
}

TEST(MemoryStream, ShortReadsStopAtTheEndAndReadBufferRaises) {
    TMemoryStream s(Bytes({1, 2, 3}));
    std::uint8_t buf[8] = {};
    s.SetPosition(1);
    EXPECT_EQ(s.Read(buf, sizeof buf), 2u);
    EXPECT_EQ(buf[0], 2);
    EXPECT_EQ(buf[1], 3);
    EXPECT_EQ(s.Position(), 3);

    s.SetPosition(2);
    EXPECT_THROW(s.ReadBuffer(buf, 2), EStreamError);
    // Past the end nothing is read and the position stays.
    s.SetPosition(100);
    EXPECT_EQ(s.Read(buf, 4), 0u);
    EXPECT_EQ(s.Position(), 100);
    EXPECT_EQ(s.Remaining(), 0);
}

TEST(MemoryStream, SeekFromEachOriginAndRangeChecks) {
    TMemoryStream s(Bytes({0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
    EXPECT_EQ(s.Seek(4, TSeekOrigin::soBeginning), 4);
    EXPECT_EQ(s.Seek(-2, TSeekOrigin::soCurrent), 2);
    EXPECT_EQ(s.Seek(-3, TSeekOrigin::soEnd), 7);
    EXPECT_EQ(s.Seek(5, TSeekOrigin::soEnd), 15);  // past the end is allowed

    EXPECT_THROW(s.Seek(-1, TSeekOrigin::soBeginning), EStreamError);
    EXPECT_THROW(s.Seek(-11, TSeekOrigin::soEnd), EStreamError);
    EXPECT_EQ(s.Position(), 15);  // a refused seek leaves the position alone
    EXPECT_THROW(s.Seek(std::numeric_limits<std::int64_t>::max(), TSeekOrigin::soEnd), EStreamError);
    EXPECT_THROW(s.SetPosition(-5), EStreamError);
}

TEST(MemoryStream, WritePastTheEndFillsTheGapWithZeros) {
    TMemoryStream s(Bytes({7}));
    s.SetPosition(4);
    s.WriteByte(9);
    EXPECT_EQ(s.Data(), Bytes({7, 0, 0, 0, 9}));
    EXPECT_EQ(s.Position(), 5);
}

TEST(MemoryStream, OverwriteInTheMiddleKeepsTheSize) {
    TMemoryStream s(Bytes({1, 2, 3, 4}));
    s.SetPosition(1);
    const std::uint8_t two[] = {8, 9};
    s.Write(two, 2);
    EXPECT_EQ(s.Data(), Bytes({1, 8, 9, 4}));
    EXPECT_EQ(s.Size(), 4);
}

TEST(MemoryStream, WriteAtAnImpossiblePositionRaisesInsteadOfOverflowing) {
    TMemoryStream s;
    s.SetPosition(std::numeric_limits<std::int64_t>::max());
    const std::uint8_t b = 1;
    EXPECT_THROW(s.Write(&b, 1), EStreamError);
    EXPECT_EQ(s.Size(), 0);
}

TEST(MemoryStream, AppendingItsOwnContentCopiesTheOldBytes) {
    // Growing the buffer moves it; the copy must come from the bytes as they were.
    TMemoryStream s;
    std::vector<std::uint8_t> pattern;
    for (int i = 0; i < 100; ++i) pattern.push_back(static_cast<std::uint8_t>(i));
    s.Write(pattern.data(), pattern.size());
    for (int round = 0; round < 6; ++round) s.Write(s.Memory(), static_cast<std::size_t>(s.Size()));
    ASSERT_EQ(s.Size(), 100 * 64);
    for (std::int64_t i = 0; i < s.Size(); ++i) ASSERT_EQ(s.Memory()[i], static_cast<std::uint8_t>(i % 100)) << i;
}

TEST(MemoryStream, OverlappingCopyWithinTheStreamBehavesLikeMove) {
    TMemoryStream s(Bytes({1, 2, 3, 4, 5, 6}));
    s.SetPosition(0);
    s.Write(s.Memory() + 1, 4);  // shift left by one
    EXPECT_EQ(s.Data(), Bytes({2, 3, 4, 5, 5, 6}));
    s.SetPosition(2);
    s.Write(s.Memory(), 4);  // shift right by two, growing by nothing
    EXPECT_EQ(s.Data(), Bytes({2, 3, 2, 3, 4, 5}));
    s.SetPosition(4);
    s.Write(s.Memory() + 2, 4);  // overlapping and growing
    EXPECT_EQ(s.Data(), Bytes({2, 3, 2, 3, 2, 3, 4, 5}));
}

TEST(MemoryStream, SetSizeTruncatesAndClampsThePosition) {
    TMemoryStream s(Bytes({1, 2, 3, 4, 5}));
    s.SetPosition(4);
    s.SetSize(2);
    EXPECT_EQ(s.Position(), 2);
    EXPECT_EQ(s.Data(), Bytes({1, 2}));
    s.SetPosition(1);
    s.SetSize(4);
    EXPECT_EQ(s.Position(), 1);
    EXPECT_EQ(s.Data(), Bytes({1, 2, 0, 0}));
    EXPECT_THROW(s.SetSize(-1), EStreamError);
}

TEST(MemoryStream, TakeDataAndClearLeaveAnEmptyStream) {
    TMemoryStream s(Bytes({1, 2, 3}));
    s.SetPosition(2);
    EXPECT_EQ(s.TakeData(), Bytes({1, 2, 3}));
    EXPECT_EQ(s.Size(), 0);
    EXPECT_EQ(s.Position(), 0);
    s.WriteByte(4);
    s.Clear();
    EXPECT_EQ(s.Size(), 0);
    EXPECT_EQ(s.Position(), 0);
    EXPECT_EQ(s.Bytes().size(), 0u);
}

// ---- TStringList ---------------------------------------------------------------------------------------------

TEST(StringList, AddInsertDeleteKeepOrderAndObjects) {
    TStringList list;
    EXPECT_TRUE(list.Empty());
    EXPECT_EQ(list.Add("b", 2), 0);
    EXPECT_EQ(list.Add("d"), 1);
    list.Insert(0, "a", 1);
    list.Insert(2, "c", 3);
    list.Insert(4, "e");
    ASSERT_EQ(list.Count(), 5);
    EXPECT_EQ(list[0], "a");
    EXPECT_EQ(list.Strings(2), "c");
    EXPECT_EQ(list[4], "e");
    EXPECT_EQ(list.Objects(1), 2);
    EXPECT_EQ(list.Objects(2), 3);
    EXPECT_EQ(list.Objects(3), 0);

    list.Delete(0);
    EXPECT_EQ(list[0], "b");
    list.SetString(0, "B");
    list.SetObject(0, 42);
    EXPECT_EQ(list[0], "B");
    EXPECT_EQ(list.Objects(0), 42);

    std::string joined;
    for (const auto& item : list) joined += item.Text;
    EXPECT_EQ(joined, "Bcde");
    list.Clear();
    EXPECT_EQ(list.Count(), 0);
}

TEST(StringList, IndexesOutOfRangeRaise) {
    TStringList list;
    list.Add("x");
    EXPECT_THROW(list[1], EInvalidOperation);
    EXPECT_THROW(list[-1], EInvalidOperation);
    EXPECT_THROW(list.Objects(1), EInvalidOperation);
    EXPECT_THROW(list.SetString(2, "y"), EInvalidOperation);
    EXPECT_THROW(list.SetObject(-1, 0), EInvalidOperation);
    EXPECT_THROW(list.Delete(1), EInvalidOperation);
    EXPECT_THROW(list.Insert(2, "y"), EInvalidOperation);
    EXPECT_THROW(list.Insert(-1, "y"), EInvalidOperation);
    EXPECT_THROW(list.Names(3), EInvalidOperation);
    EXPECT_EQ(list.Count(), 1);
}

TEST(StringList, IndexOfIsExactAndByteWise) {
    TStringList list;
    list.Add("Panel");
    list.Add("panel");
    list.Add("岚栎");
    EXPECT_EQ(list.IndexOf("panel"), 1);
    EXPECT_EQ(list.IndexOf("PANEL"), -1);
    EXPECT_EQ(list.IndexOf("岚栎"), 2);
    EXPECT_EQ(list.IndexOf(""), -1);
}

TEST(StringList, NameValuePairsSplitAtTheFirstEqualsSign) {
    TStringList list;
    list.SetText("TPanel=panel\nTCategoryButtons=scrollbar\nno pair here\nKey=a=b\n=empty name\nTrailing=");
    EXPECT_EQ(list.Names(0), "TPanel");
    EXPECT_EQ(list.ValueFromIndex(0), "panel");
    EXPECT_EQ(list.Names(2), "");
    EXPECT_EQ(list.ValueFromIndex(2), "");
    EXPECT_EQ(list.Names(3), "Key");
    EXPECT_EQ(list.ValueFromIndex(3), "a=b");
    EXPECT_EQ(list.Names(4), "");
    EXPECT_EQ(list.ValueFromIndex(4), "empty name");
    EXPECT_EQ(list.Values("Trailing"), "");
    EXPECT_EQ(list.IndexOfName("Trailing"), 5);
}

TEST(StringList, IndexOfNameFoldsAsciiCaseOnly) {
    TStringList list;
    list.Add("TcxButton=bitbtn");
    list.Add("TLMDCalculator=panel");
    list.Add("TLMDCALCULATOR=edit");
    list.Add("Ä=umlaut");
    EXPECT_EQ(list.IndexOfName("tcxbutton"), 0);
    EXPECT_EQ(list.Values("TCXBUTTON"), "bitbtn");
    EXPECT_EQ(list.Values("tlmdcalculator"), "panel");  // the first match wins
    EXPECT_EQ(list.IndexOfName("TcxButto"), -1);
    EXPECT_EQ(list.IndexOfName("ä"), -1);  // UTF-8 bytes are not folded
    EXPECT_EQ(list.IndexOfName("Ä"), 3);
    EXPECT_EQ(list.Values("missing"), "");
    // A line without "=" has no name, not even an empty one matching "".
    list.Add("plain");
    EXPECT_EQ(list.IndexOfName("plain"), -1);
}

TEST(StringList, SetTextAcceptsEveryLineEnding) {
    TStringList list;
    list.SetText("a\r\nb\nc\rd");
    ASSERT_EQ(list.Count(), 4);
    EXPECT_EQ(list[0], "a");
    EXPECT_EQ(list[1], "b");
    EXPECT_EQ(list[2], "c");
    EXPECT_EQ(list[3], "d");

    list.SetText("one\r\n");
    EXPECT_EQ(list.Count(), 1);
    list.SetText("one\r\n\r\n");
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(list[1], "");
    list.SetText("\n\n");
    EXPECT_EQ(list.Count(), 2);
    list.SetText("");
    EXPECT_EQ(list.Count(), 0);
    list.SetText("\r");
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list[0], "");
    list.SetText("x\n\r");  // LF then a lone CR: two line ends
    EXPECT_EQ(list.Count(), 2);
}

TEST(StringList, TextWritesCrLfAfterEveryLineAndReadsBack) {
    TStringList list;
    EXPECT_EQ(list.Text(), "");
    list.Add("岚栎软件");
    list.Add("");
    list.Add("last");
    EXPECT_EQ(list.Text(), "岚栎软件\r\n\r\nlast\r\n");
    TStringList copy;
    copy.SetText(list.Text());
    ASSERT_EQ(copy.Count(), 3);
    EXPECT_EQ(copy[0], "岚栎软件");
    EXPECT_EQ(copy[1], "");
    EXPECT_EQ(copy[2], "last");
}

TEST(StringList, SetTextReplacesEntriesAndTheirObjects) {
    TStringList list;
    list.Add("old", 5);
    list.SetText("new");
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list[0], "new");
    EXPECT_EQ(list.Objects(0), 0);
}

// ---- ASCII case helpers ---------------------------------------------------------------------------------------

// ---- UTF-8 ------------------------------------------------------------------------------------------------

std::wstring Wide(std::initializer_list<std::uint32_t> codePoints) {
    std::wstring out;
    for (std::uint32_t cp : codePoints) {
        if (sizeof(wchar_t) == 2 && cp >= 0x10000) {
            out += static_cast<wchar_t>(0xD800 + ((cp - 0x10000) >> 10));
            out += static_cast<wchar_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
        } else {
            out += static_cast<wchar_t>(cp);
        }
    }
    return out;
}

TEST(Utf8, DecodesAllPlanesAndRoundTrips) {
    const std::string text = "a\xC3\xA9\xE5\xB2\x9A\xF0\x9F\x98\x80";  // a é 岚 😀
    EXPECT_TRUE(IsValidUtf8(text));
    EXPECT_EQ(Utf8ToWide(text), Wide({'a', 0xE9, 0x5C9A, 0x1F600}));
    EXPECT_EQ(WideToUtf8(Utf8ToWide(text)), text);
    EXPECT_EQ(Utf8ToWide(""), L"");
}

TEST(Utf8, EachByteThatStartsNoSequenceBecomesOneReplacementCharacter) {
    const std::uint32_t R = 0xFFFD;
    const struct {
        const char* Bytes;
        std::wstring Wide;
    } cases[] = {
        {"a\xFF"
         "b",
         Wide({'a', R, 'b'})},
        {"\xC0\x80", Wide({R, R})},                // overlong
        {"\xED\xA0\x80", Wide({R, R, R})},         // a surrogate
        {"\xF4\x90\x80\x80", Wide({R, R, R, R})},  // past U+10FFFF
        {"\x80", Wide({R})},
        {"a\xE5", Wide({'a', R})},  // cut short
        {"\xE5\xB2x", Wide({R, R, 'x'})},
    };
    for (const auto& c : cases) {
        EXPECT_FALSE(IsValidUtf8(c.Bytes)) << c.Bytes;
        EXPECT_EQ(Utf8ToWide(c.Bytes), c.Wide) << c.Bytes;
    }
}

TEST(AsciiCase, FoldsOnlyLatinLetters) {
    EXPECT_EQ(AsciiLower('A'), 'a');
    EXPECT_EQ(AsciiLower('Z'), 'z');
    EXPECT_EQ(AsciiLower('@'), '@');  // just before 'A'
    EXPECT_EQ(AsciiLower('['), '[');  // just after 'Z'
    EXPECT_EQ(AsciiLower('z'), 'z');
    EXPECT_EQ(AsciiLower('\xC4'), '\xC4');
    EXPECT_EQ(AsciiLowerCase("TSkinData_XC1"), "tskindata_xc1");
    EXPECT_EQ(AsciiLowerCase("岚栎ÄB"), "岚栎Äb");
    EXPECT_EQ(AsciiLowerCase(""), "");
}

TEST(AsciiCase, SameTextComparesLengthAndFoldedBytes) {
    EXPECT_TRUE(SameTextAscii("SysMonthCal32", "sysmonthcal32"));
    EXPECT_TRUE(SameTextAscii("", ""));
    EXPECT_FALSE(SameTextAscii("Tfr", "Tfrx"));
    EXPECT_FALSE(SameTextAscii("a@", "a`"));  // '@' and '`' differ by the case bit but are not letters
    EXPECT_FALSE(SameTextAscii("Ä", "ä"));
}

// ---- TFlagScope -----------------------------------------------------------------------------------------------

TEST(FlagScope, HoldsTheValueInsideAndClearsOnReturnAndOnException) {
    for (const bool value : {true, false}) {
        bool flag = !value;
        {
            TFlagScope scope(flag, value);
            EXPECT_EQ(flag, value);
            flag = true;
        }
        EXPECT_FALSE(flag);
        flag = true;
        EXPECT_THROW(
            {
                TFlagScope scope(flag, value);
                throw Exception("left by an exception");
            },
            Exception);
        EXPECT_FALSE(flag);
    }
}

}  // namespace
}  // namespace qd
