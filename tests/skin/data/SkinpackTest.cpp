// Building packages from a skin folder, and the skinpack command line (native builds run the tool).
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#ifdef QD_SKINPACK_EXE
#include <sys/wait.h>
#endif

#include "skin/data/SkinReader.h"
#include "tools/skinpack/SkinPackage.h"

namespace qd {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

Bytes B(std::string_view s) { return Bytes(s.begin(), s.end()); }

// A real 1 x 1 24-bit bitmap file (58 bytes), so that "verify" reads it as the program would.
Bytes TinyBmp(std::uint8_t blue) {
    Bytes b = {'B', 'M', 58, 0, 0, 0, 0, 0, 0,    0, 54, 0, 0, 0,         // file header
               40,  0,   0,  0, 1, 0, 0, 0, 1,    0, 0,  0, 1, 0, 24, 0,  // info header: 1 x 1, 1 plane, 24 bits
               0,   0,   0,  0, 4, 0, 0, 0, 0,    0, 0,  0, 0, 0, 0,  0,
               0,   0,   0,  0, 0, 0, 0, 0, blue, 0, 0,  0};  // one pixel, row padded to 4 bytes
    return b;
}

class SkinpackDir : public ::testing::Test {
protected:
    void SetUp() override {
        FRoot = fs::temp_directory_path() /
                ("qd_skinpack_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(FRoot);
        fs::create_directories(FRoot / "skin");
    }
    void TearDown() override { fs::remove_all(FRoot); }
    void Put(const std::string& name, std::string_view text) { WriteWholeFile(FRoot / "skin" / name, B(text)); }
    fs::path Skin() const { return FRoot / "skin"; }
    fs::path FRoot;
};

TEST_F(SkinpackDir, WithoutManifestFilesAreTakenInNameOrder) {
    Put("b.bmp", "BMb");
    Put("a.ini", "[A]");
    Put("C.bmp", "BMc");
    const auto entries = CollectSkinDirectory(Skin());
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].Name, "C.bmp");  // byte order: capitals first
    EXPECT_EQ(entries[1].Name, "a.ini");
    EXPECT_EQ(entries[2].Name, "b.bmp");
    EXPECT_EQ(entries[2].Data, B("BMb"));
}

TEST_F(SkinpackDir, ManifestGivesOrderAndRepeats) {
    Put("x.bmp", "BMx");
    Put("skin.ini", "[Form]");
    Put("unlisted.bmp", "BMu");
    Put(PackageManifestName, "skin.ini\r\n  x.bmp \n\nx.bmp\n");
    const auto entries = CollectSkinDirectory(Skin());
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].Name, "skin.ini");
    EXPECT_EQ(entries[1].Name, "x.bmp");
    EXPECT_EQ(entries[2].Name, "x.bmp");
    TSkinReader r;
    ASSERT_EQ(r.LoadPackage(BuildPackage(entries)), TSkinLoadResult::slLoaded);
    EXPECT_EQ(r.EntryCount, 3);
    EXPECT_EQ(r.IndexOfEntry("unlisted.bmp"), -1);
}

TEST_F(SkinpackDir, ManifestErrorsAreReported) {
    Put(PackageManifestName, "missing.bmp\n");
    EXPECT_THROW(CollectSkinDirectory(Skin()), ESkinPackError);
    Put(PackageManifestName, "..\\..\\secret.bmp\n");
    EXPECT_THROW(CollectSkinDirectory(Skin()), ESkinPackError);
    EXPECT_THROW(CollectSkinDirectory(FRoot / "nowhere"), ESkinPackError);
}

TEST(SkinpackBuild, ContainerRefusesWhatANameListCannotHold) {
    std::vector<TPackageEntry> many(1002, TPackageEntry{"e.bmp", {}});
    EXPECT_THROW(BuildContainer(many), ESkinPackError);
    many.resize(1001);
    EXPECT_NO_THROW(BuildContainer(many));
    const std::vector<TPackageEntry> broken = {{"a\nb", {}}};
    EXPECT_THROW(BuildContainer(broken), ESkinPackError);
    const std::vector<TPackageEntry> unnamed = {{"", {}}};
    EXPECT_THROW(BuildContainer(unnamed), ESkinPackError);
}

TEST(SkinpackBuild, SameEntriesGiveSameBytes) {
    const std::vector<TPackageEntry> e = {{"a.ini", B("[A]\r\nX=1\r\n")}, {"b.bmp", Bytes(3000, 0x42)}};
    EXPECT_EQ(BuildPackage(e), BuildPackage(e));
}

TEST(SkinpackNames, OnlyPlainFileNamesAreWritten) {
    EXPECT_TRUE(IsSafeEntryFileName("blue_frametop.bmp"));
    EXPECT_TRUE(IsSafeEntryFileName("a b.bmp"));
    for (const char* fine : {"console.bmp", "com10", "lpt", "nul_x.bmp", "xcon.bmp"})
        EXPECT_TRUE(IsSafeEntryFileName(fine)) << fine;
    for (const char* bad : {"",     ".",        "..",      "../x",      "..\\x",     "/etc/passwd",  "c:x", "a|b",
                            "a?b",  "a*b",      "a\x01",   "trailing.", "trailing ", "\xC0\xB6.bmp", "con", "nul.bmp",
                            "COM1", "Lpt9.ini", "aux.a.b", "prn .bmp",  "conin$",    "CONOUT$.txt"})
        EXPECT_FALSE(IsSafeEntryFileName(bad)) << bad;
}

TEST(SkinpackVerify, NeedsADescriptionAndReadableBitmaps) {
    TSkinReader r;
    ASSERT_EQ(r.LoadPackage(BuildPackage(std::vector<TPackageEntry>{{"a.bmp", B("BM")}})), TSkinLoadResult::slLoaded);
    EXPECT_NE(VerifyEntries(r).find(".ini"), std::string::npos);
    ASSERT_EQ(r.LoadPackage(BuildPackage(std::vector<TPackageEntry>{{"s.ini", B("[A]\r\n")}, {"bad.bmp", B("XX")}})),
              TSkinLoadResult::slLoaded);
    EXPECT_NE(VerifyEntries(r).find("bad.bmp"), std::string::npos);
    ASSERT_EQ(r.LoadPackage(BuildPackage(std::vector<TPackageEntry>{{"s.ini", B("[A]\r\n")}, {"ok.bmp", TinyBmp(1)}})),
              TSkinLoadResult::slLoaded);
    EXPECT_EQ(VerifyEntries(r), "");
}

#ifdef QD_SOURCE_DIR
// The skin the program ships, packed as the build packs it: the shape the skin data component relies on.
TEST(SkinpackShippedSkin, PacksIntoAPackageTheProgramCanUse) {
    const fs::path dir = fs::path(QD_SOURCE_DIR) / "resources" / "skin";
    if (!fs::exists(dir / PackageManifestName)) GTEST_SKIP() << "no resources/skin/package.lst";
    const std::vector<TPackageEntry> entries = CollectSkinDirectory(dir);
    const Bytes container = BuildContainer(entries);
    const Bytes package = BuildPackage(entries);
    EXPECT_LT(package.size() * 2, container.size()) << "the packer should at least halve the skin";
    TSkinReader r;
    ASSERT_EQ(r.LoadPackage(package), TSkinLoadResult::slLoaded) << r.LoadError();
    EXPECT_EQ(r.EntryCount, 45);
    TMemoryStream t;
    std::string name;
    ASSERT_TRUE(r.ExtractEntryContaining(".ini", t, name));
    EXPECT_EQ(name, "xpluna.ini");
    EXPECT_FALSE(r.ExtractBitmapEntry("XPLuna\\MenuFrame.bmp", t))
        << "the description names an entry the package lacks";
    EXPECT_TRUE(r.ExtractBitmapEntry("XPLuna\\Blue_FrameTop.bmp", t));
    EXPECT_EQ(VerifyEntries(r), "");
    int repeated = 0;
    for (int i = 0; i < r.EntryCount; ++i)
        if (r.IndexOfEntry(r.EntryNames[i]) != i) ++repeated;
    EXPECT_EQ(repeated, 2) << "two names are listed twice";
}
#endif

#ifdef QD_SKINPACK_EXE
// The tool itself: exit status, stdout and stderr as a script would see them.
struct TRun {
    int Status;
    std::string Out;
    std::string Err;
};

class SkinpackCli : public SkinpackDir {
protected:
    TRun Run(const std::string& args) {
        const fs::path out = FRoot / "stdout.txt", err = FRoot / "stderr.txt";
        const std::string cmd = std::string("\"") + QD_SKINPACK_EXE + "\" " + args + " >\"" + out.string() + "\" 2>\"" +
                                err.string() + "\"";
        const int raw = std::system(cmd.c_str());
        TRun r{raw == -1 ? -1 : WEXITSTATUS(raw), Slurp(out), Slurp(err)};
        return r;
    }
    static std::string Slurp(const fs::path& p) {
        std::ifstream in(p, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    std::string Q(const fs::path& p) const { return "\"" + p.string() + "\""; }
};

TEST_F(SkinpackCli, PackListVerifyUnpack) {
    WriteWholeFile(Skin() / "Frame.bmp", TinyBmp(7));
    Put("skin.ini", "[Form]\r\n");
    Put(PackageManifestName, "skin.ini\nFrame.bmp\nFrame.bmp\n");
    const fs::path pkg = FRoot / "out" / "skin.skn";
    TRun r = Run("pack " + Q(Skin()) + " " + Q(pkg));
    ASSERT_EQ(r.Status, 0) << r.Err;
    const Bytes first = ReadWholeFile(pkg);
    ASSERT_EQ(Run("pack " + Q(Skin()) + " " + Q(pkg)).Status, 0);
    EXPECT_EQ(ReadWholeFile(pkg), first) << "packing is deterministic";

    r = Run("list " + Q(pkg));
    EXPECT_EQ(r.Status, 0);
    EXPECT_EQ(r.Out, "version 20000\nskin.ini\t8\nframe.bmp\t58\nframe.bmp\t58\n");

    r = Run("verify " + Q(pkg));
    EXPECT_EQ(r.Status, 0) << r.Err;

    r = Run("unpack " + Q(pkg) + " " + Q(FRoot / "x"));
    EXPECT_EQ(r.Status, 0) << r.Err;
    EXPECT_EQ(ReadWholeFile(FRoot / "x" / "frame.bmp"), TinyBmp(7));
    EXPECT_EQ(ReadWholeFile(FRoot / "x" / "skin.ini"), B("[Form]\r\n"));
}

TEST_F(SkinpackCli, RepeatedNameIsUnpackedFromItsFirstCopy) {
    const std::vector<TPackageEntry> e = {{"a.bmp", B("BMfirst")}, {"A.BMP", B("BMsecond")}, {"s.ini", B("[A]")}};
    WriteWholeFile(FRoot / "p.skn", BuildPackage(e));
    ASSERT_EQ(Run("unpack " + Q(FRoot / "p.skn") + " " + Q(FRoot / "x")).Status, 0);
    EXPECT_EQ(ReadWholeFile(FRoot / "x" / "a.bmp"), B("BMfirst"));
}

TEST_F(SkinpackCli, HostileNamesAreNotWrittenOutsideTheFolder) {
    const std::vector<TPackageEntry> e = {{"../escape.bmp", B("BM")}, {"ok.bmp", B("BM")}};
    WriteWholeFile(FRoot / "p.skn", BuildPackage(e));
    const TRun r = Run("unpack " + Q(FRoot / "p.skn") + " " + Q(FRoot / "x"));
    EXPECT_EQ(r.Status, 1);
    EXPECT_FALSE(fs::exists(FRoot / "escape.bmp"));
    EXPECT_TRUE(fs::exists(FRoot / "x" / "ok.bmp"));
}

TEST_F(SkinpackCli, PackageThatDoesNotLoadGivesStatusOneAndOneLine) {
    WriteWholeFile(FRoot / "bad.skn", B("\x10\x00"));
    for (const char* cmd : {"list", "verify"}) {
        const TRun r = Run(std::string(cmd) + " " + Q(FRoot / "bad.skn"));
        EXPECT_EQ(r.Status, 1) << cmd;
        EXPECT_TRUE(r.Out.empty());
        ASSERT_FALSE(r.Err.empty());
        EXPECT_EQ(r.Err.find('\n'), r.Err.size() - 1) << "one line: " << r.Err;
    }
    EXPECT_EQ(Run("frobnicate").Status, 2);
}

TEST_F(SkinpackCli, UnlzhDecodesABareStream) {
    const std::vector<TPackageEntry> e = {{"s.ini", B("[Form]\r\nKey=Value\r\n")}};
    WriteWholeFile(FRoot / "p.skn", BuildPackage(e));
    ASSERT_EQ(Run("unlzh " + Q(FRoot / "p.skn") + " " + Q(FRoot / "c.bin")).Status, 0);
    EXPECT_EQ(ReadWholeFile(FRoot / "c.bin"), BuildContainer(e));
}
#endif

}  // namespace
}  // namespace qd
