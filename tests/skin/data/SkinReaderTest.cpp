// The package reader: container layout, lookups, and refusal of packages that cannot be what they claim.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "skin/data/SkinReader.h"
#include "tools/skinpack/LzhEncoder.h"
#include "tools/skinpack/SkinPackage.h"

namespace qd {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes B(std::string_view s) { return Bytes(s.begin(), s.end()); }

void PutU32(Bytes& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

// A container built by hand, so that every field can be wrong on purpose.
Bytes RawContainer(std::uint32_t version, std::string_view names, const std::vector<std::uint32_t>& sizes,
                   const Bytes& data, std::uint32_t declaredNameLength = 0xFFFFFFFF) {
    Bytes out;
    PutU32(out, version);
    PutU32(out, declaredNameLength == 0xFFFFFFFF ? static_cast<std::uint32_t>(names.size()) : declaredNameLength);
    PutU32(out, 0xDEADBEEF);  // the 8 uninterpreted bytes
    PutU32(out, 0x12345678);
    out.insert(out.end(), names.begin(), names.end());
    for (auto s : sizes) PutU32(out, s);
    out.insert(out.end(), data.begin(), data.end());
    return out;
}

Bytes SamplePackage() {
    const std::vector<TPackageEntry> entries = {
        {"Blue_FrameTop.bmp", B("BMtop")},
        {"xpluna.ini", B("[Form]\r\nA=1\r\n")},
        {"dup.bmp", B("BMfirst")},
        {"dup.bmp", B("BMsecond-copy")},
        {"empty.bmp", {}},
    };
    return BuildPackage(entries);
}

TEST(SkinReaderLoad, IndexesNamesSizesAndData) {
    TSkinReader r;
    ASSERT_EQ(r.LoadPackage(SamplePackage()), TSkinLoadResult::slLoaded) << r.LoadError();
    EXPECT_TRUE(r.LoadError().empty());
    ASSERT_EQ(r.EntryCount, 5);
    EXPECT_EQ(r.EntryNames[0], "blue_frametop.bmp");
    EXPECT_EQ(r.EntryNames[1], "xpluna.ini");
    EXPECT_EQ(r.EntrySizes[0], 5u);
    EXPECT_EQ(r.EntrySizes[3], 13u);
    EXPECT_EQ(r.EntrySizes[4], 0u);
    EXPECT_EQ(r.EntryData.Size(), 5 + 13 + 7 + 13);
    EXPECT_EQ(r.Header[0] | (r.Header[1] << 8), 20000);
}

TEST(SkinReaderLoad, LoadReadsFromTheStartOfTheStream) {
    TMemoryStream package(SamplePackage());
    package.SetPosition(package.Size());
    TSkinReader r;
    EXPECT_TRUE(r.Load(package));
    EXPECT_EQ(r.EntryCount, 5);
}

TEST(SkinReaderLookup, NamesMatchInAnyCaseAndTheFirstCopyWins) {
    TSkinReader r;
    ASSERT_EQ(r.LoadPackage(SamplePackage()), TSkinLoadResult::slLoaded);
    TMemoryStream t;
    r.ExtractEntry("Blue_FrameTop.bmp", t);
    EXPECT_EQ(t.Data(), B("BMtop"));
    EXPECT_EQ(t.Position(), 0);
    r.ExtractEntry("DUP.BMP", t);
    EXPECT_EQ(t.Data(), B("BMfirst"));
    t.Write("junk", 4);
    r.ExtractEntry("missing.bmp", t);
    EXPECT_EQ(t.Size(), 0) << "a missing entry leaves the target empty";
    r.ExtractEntry("empty.bmp", t);
    EXPECT_EQ(t.Size(), 0);
}

TEST(SkinReaderLookup, ContainingFindsTheDescriptionAndLeavesTheNameAloneOnAMiss) {
    TSkinReader r;
    ASSERT_EQ(r.LoadPackage(SamplePackage()), TSkinLoadResult::slLoaded);
    TMemoryStream t;
    std::string name = "unchanged";
    EXPECT_TRUE(r.ExtractEntryContaining(".ini", t, name));
    EXPECT_EQ(name, "xpluna.ini");
    EXPECT_EQ(t.Data(), B("[Form]\r\nA=1\r\n"));
    name = "unchanged";
    EXPECT_FALSE(r.ExtractEntryContaining(".INI", t, name)) << "the fragment is not lower-cased";
    EXPECT_EQ(name, "unchanged");
    EXPECT_EQ(t.Size(), 0);
}

TEST(SkinReaderNames, LineBreaksOfEveryKind) {
    // CR LF, lone CR, lone LF; an empty line in the middle is an entry; a final break adds none.
    const Bytes c = RawContainer(20000, "A.bmp\r\nb.BMP\rc\n\r\nlast\r\n", {1, 2, 3, 4, 5}, B("123456789012345"));
    TSkinReader r;
    ASSERT_EQ(r.LoadPackage(LzhPack(c)), TSkinLoadResult::slLoaded) << r.LoadError();
    ASSERT_EQ(r.EntryCount, 5);
    EXPECT_EQ(r.EntryNames[0], "a.bmp");
    EXPECT_EQ(r.EntryNames[1], "b.bmp");
    EXPECT_EQ(r.EntryNames[2], "c");
    EXPECT_EQ(r.EntryNames[3], "");
    EXPECT_EQ(r.EntryNames[4], "last");
    EXPECT_EQ(r.EntryBytes(4).size(), 5u);
    EXPECT_EQ(r.EntryBytes(4)[0], '1');
    // Only ASCII letters fold: GB2312 bytes stay as they are.
    const Bytes gb = RawContainer(20000, "\xC0\xB6Skin.BMP", {0}, {});
    ASSERT_EQ(r.LoadPackage(LzhPack(gb)), TSkinLoadResult::slLoaded);
    EXPECT_EQ(r.EntryNames[0], "\xC0\xB6skin.bmp");
}

TEST(SkinReaderNames, EmptyNameListHoldsNoEntries) {
    TSkinReader r;
    ASSERT_EQ(r.LoadPackage(LzhPack(RawContainer(20000, "", {}, B("spare")))), TSkinLoadResult::slLoaded);
    EXPECT_EQ(r.EntryCount, 0);
    TMemoryStream t;
    std::string n;
    EXPECT_FALSE(r.ExtractEntryContaining(".ini", t, n));
}

TEST(SkinReaderVersion, OtherVersionIsReportedOnceAndLeavesNoEntries) {
    TSkinReader r;
    int shown = 0;
    r.OnWrongVersion = [&] { ++shown; };
    TMemoryStream good(SamplePackage());
    ASSERT_TRUE(r.Load(good));
    TMemoryStream old(LzhPack(RawContainer(19999, "a.bmp", {1}, B("x"))));
    EXPECT_FALSE(r.Load(old));
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(r.EntryCount, 0);
    EXPECT_EQ(r.LoadPackage(old.Data()), TSkinLoadResult::slWrongVersion);
    EXPECT_EQ(shown, 1) << "LoadPackage reports, it does not show";
}

// Each of these is refused as not loadable, without the wrong-version report.
class SkinReaderHostile : public ::testing::Test {
protected:
    void ExpectNotLoadable(const Bytes& package, const char* what) {
        TSkinReader r;
        int shown = 0;
        r.OnWrongVersion = [&] { ++shown; };
        TMemoryStream s(package);
        EXPECT_FALSE(r.Load(s)) << what;
        EXPECT_EQ(r.LoadPackage(package), TSkinLoadResult::slNotLoadable) << what;
        EXPECT_EQ(shown, 0) << what;
        EXPECT_EQ(r.EntryCount, 0) << what;
        EXPECT_FALSE(r.LoadError().empty()) << what;
        EXPECT_EQ(r.LoadError().find('\n'), std::string::npos) << "one-line reason";
    }
};

TEST_F(SkinReaderHostile, PackageFrameAndUnpackedSize) {
    ExpectNotLoadable({}, "empty");
    ExpectNotLoadable({0x10, 0, 0}, "under 4 bytes");
    ExpectNotLoadable({0, 0, 0, 0}, "size 0");
    ExpectNotLoadable({0xFF, 0xFF, 0xFF, 0xFF, 1, 2, 3}, "negative size");
    Bytes huge = {0x01, 0x00, 0x00, 0x01};  // 16 MiB + 1
    huge.resize(1 << 20, 0);
    ExpectNotLoadable(huge, "above 16 MiB");
    // 1 MiB cannot come out of 100 stream bytes even at the densest code: no 1 MiB decode of zero bits.
    Bytes forged = {0x00, 0x00, 0x10, 0x00};
    forged.resize(104, 0);
    ExpectNotLoadable(forged, "size beyond what the stream can hold");
}

TEST_F(SkinReaderHostile, ContainerFields) {
    ExpectNotLoadable(LzhPack(B("0123456789abcde")), "container of 15 bytes");
    ExpectNotLoadable(LzhPack(RawContainer(20000, "a", {1}, B("x"), 1000)), "L beyond the data");
    ExpectNotLoadable(LzhPack(RawContainer(20000, "a", {1}, B("x"), 0xFFFFFFF0)), "L near 2^32");
    ExpectNotLoadable(LzhPack(RawContainer(20000, "a\r\nb\r\nc", {1}, {})), "size table past the end");
    ExpectNotLoadable(LzhPack(RawContainer(20000, "a\r\nb", {3, 4}, B("123456"))), "sizes sum past the end");
    ExpectNotLoadable(LzhPack(RawContainer(20000, "a\r\nb", {0xFFFFFFFF, 2}, B("12"))), "sizes that wrap 32 bits");
    std::string names;
    std::vector<std::uint32_t> sizes;
    for (int i = 0; i < 1002; ++i) {
        names += "e" + std::to_string(i) + "\n";
        sizes.push_back(0);
    }
    ExpectNotLoadable(LzhPack(RawContainer(20000, names, sizes, {})), "1002 entries");
}

TEST(SkinReaderLimits, ExactlyFittingAndSpareBytesAreAccepted) {
    TSkinReader r;
    std::string names;
    std::vector<std::uint32_t> sizes;
    for (int i = 0; i < 1001; ++i) {
        names += "e" + std::to_string(i) + "\r\n";
        sizes.push_back(1);
    }
    ASSERT_EQ(r.LoadPackage(LzhPack(RawContainer(20000, names, sizes, Bytes(1001, 'z')))), TSkinLoadResult::slLoaded)
        << r.LoadError();
    EXPECT_EQ(r.EntryCount, 1001);
    // A stream's last match may run past the declared size: the spare bytes stay at the end of EntryData.
    ASSERT_EQ(r.LoadPackage(LzhPack(RawContainer(20000, "a", {2}, B("abSPARE")))), TSkinLoadResult::slLoaded);
    EXPECT_EQ(r.EntryData.Size(), 7);
    TMemoryStream t;
    r.ExtractEntry("a", t);
    EXPECT_EQ(t.Data(), B("ab"));
}

TEST(SkinReaderLimits, AFailedLoadClearsAnEarlierOne) {
    TSkinReader r;
    ASSERT_EQ(r.LoadPackage(SamplePackage()), TSkinLoadResult::slLoaded);
    EXPECT_EQ(r.LoadPackage(Bytes{1, 2}), TSkinLoadResult::slNotLoadable);
    EXPECT_EQ(r.EntryCount, 0);
    EXPECT_EQ(r.EntryNames.Count(), 0);
    EXPECT_EQ(r.EntryData.Size(), 0);
    TMemoryStream t;
    r.ExtractEntry("xpluna.ini", t);
    EXPECT_EQ(t.Size(), 0);
    EXPECT_TRUE(r.EntryBytes(0).empty());
}

TEST(SkinReaderBitmaps, ReferenceResolution) {
    EXPECT_EQ(TSkinReader::BitmapEntryName("XPLuna\\MenuFrame.bmp").value_or("-"), "MenuFrame.bmp");
    EXPECT_EQ(TSkinReader::BitmapEntryName("c:frame.bmp").value_or("-"), "frame.bmp");
    EXPECT_EQ(TSkinReader::BitmapEntryName("a\\b:c\\d.x.bmp").value_or("-"), "d.x.bmp");
    EXPECT_EQ(TSkinReader::BitmapEntryName("plain.bmp").value_or("-"), "plain.bmp");
    EXPECT_FALSE(TSkinReader::BitmapEntryName("FRAME.BMP"));
    EXPECT_FALSE(TSkinReader::BitmapEntryName("frame.Bmp"));
    EXPECT_FALSE(TSkinReader::BitmapEntryName("frame.png"));
    EXPECT_FALSE(TSkinReader::BitmapEntryName("frame.bmp.txt"));
    EXPECT_FALSE(TSkinReader::BitmapEntryName("frame"));
    EXPECT_FALSE(TSkinReader::BitmapEntryName("skins\\"));
    EXPECT_FALSE(TSkinReader::BitmapEntryName(""));
}

TEST(SkinReaderBitmaps, ExtractByReference) {
    TSkinReader r;
    ASSERT_EQ(r.LoadPackage(SamplePackage()), TSkinLoadResult::slLoaded);
    TMemoryStream t;
    EXPECT_TRUE(r.ExtractBitmapEntry("Skins\\BLUE_FRAMETOP.bmp", t));
    EXPECT_EQ(t.Data(), B("BMtop"));
    EXPECT_FALSE(r.ExtractBitmapEntry("XPLuna\\MenuFrame.bmp", t));
    EXPECT_EQ(t.Size(), 0);
    EXPECT_FALSE(r.ExtractBitmapEntry("Blue_FrameTop.BMP", t)) << "capital extension never qualifies";
    EXPECT_EQ(t.Size(), 0);
    EXPECT_FALSE(r.ExtractBitmapEntry("empty.bmp", t));
}

TEST(SkinStreamValue, CountAndPayload) {
    Bytes v = {5, 0, 0, 0, 'a', 'b', 'c', 'd', 'e', 'X'};
    EXPECT_EQ(ReadSkinStreamValue(v).value(), B("abcde"));
    EXPECT_TRUE(ReadSkinStreamValue(Bytes{0, 0, 0, 0}).value().empty());
    EXPECT_TRUE(ReadSkinStreamValue(Bytes{0xFF, 0xFF, 0xFF, 0xFF, 1}).value().empty()) << "n <= 0";
    EXPECT_FALSE(ReadSkinStreamValue(Bytes{6, 0, 0, 0, 'a'})) << "count beyond the bytes that follow";
    EXPECT_FALSE(ReadSkinStreamValue(Bytes{0xFF, 0xFF, 0xFF, 0x7F})) << "2^31 - 1 with nothing behind";
    EXPECT_FALSE(ReadSkinStreamValue(Bytes{1, 0, 0}));
}

TEST(SkinPackageFile, MissingAndOversizedFilesAreRefused) {
    const auto dir = std::filesystem::temp_directory_path() / "qd_skinreader_test";
    std::filesystem::create_directories(dir);
    std::string error;
    EXPECT_FALSE(ReadSkinPackageFile(dir / "none.skn", &error));
    EXPECT_FALSE(error.empty());
    const auto big = dir / "big.skn";
    { std::ofstream(big, std::ios::binary).put('x'); }
    std::filesystem::resize_file(big, static_cast<std::uintmax_t>(MaxSkinPackageSize) + 1);  // sparse
    error.clear();
    EXPECT_FALSE(ReadSkinPackageFile(big, &error));
    EXPECT_NE(error.find("exceeds"), std::string::npos) << error;
    const auto small = dir / "small.skn";
    WriteWholeFile(small, SamplePackage());
    const auto bytes = ReadSkinPackageFile(small);
    ASSERT_TRUE(bytes);
    TSkinReader r;
    EXPECT_EQ(r.LoadPackage(*bytes), TSkinLoadResult::slLoaded);
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace qd
