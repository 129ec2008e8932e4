#include "browser/ShellDdeParsing.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace qd {
namespace {

TShellDdeNames TestNames() {
    TShellDdeNames names;
    names.HtmlApplication = L"QdIExplore";
    names.HtmlTopic = L"QdWWW_OpenURL";
    names.FolderApplication = L"QdFolder";
    names.FolderTopic = L"QdAppProperties";
    names.OpenCommand = L"ViewFolder";
    names.ExploreCommand = L"ExploreFolder";
    names.FindCommand = L"FindFolder";
    return names;
}

// Two items ("abc" and {1, 2}) and the terminator.
const std::vector<std::uint8_t> SampleIdList = {5, 0, 'a', 'b', 'c', 4, 0, 1, 2, 0, 0};

TEST(ShellDdeNames, CommandNameIsCutOutOfTheTemplate) {
    EXPECT_EQ(DdeCommandName(L"[ViewFolder(\"%l\", %I, %S)]"), L"ViewFolder");
    EXPECT_EQ(DdeCommandName(L"[ExploreFolder(\"%l\", %I, %S)]"), L"ExploreFolder");
    EXPECT_EQ(DdeCommandName(L"x[A(b[C(d)]"), L"A");
    EXPECT_EQ(DdeCommandName(L"(early[Late(1)]"), L"Late");
    EXPECT_EQ(DdeCommandName(L"[("), L"");
    EXPECT_EQ(DdeCommandName(L"ViewFolder(%l)"), L"");
    EXPECT_EQ(DdeCommandName(L"[ViewFolder"), L"");
    EXPECT_EQ(DdeCommandName(L""), L"");
}

// ---- Command parsing -------------------------------------------------------------------------------------

TEST(ShellDdeParsing, WellFormedFolderCommand) {
    const auto command = ParseFolderCommand(L"[ViewFolder(\"C:\\Orders, 2026:Q4\", :123:456, 3)]", TestNames());
    EXPECT_EQ(command.Kind, TShellDdeCommandKind::ckOpen);
    EXPECT_EQ(command.Path, L"C:\\Orders, 2026:Q4") << "commas and colons in the path are the path's";
    ASSERT_TRUE(command.HasSharedIdList);
    EXPECT_EQ(command.SharedHandle, 123);
    EXPECT_EQ(command.ProcessId, 456u);
    EXPECT_EQ(command.ShowCommand, 3);
}

TEST(ShellDdeParsing, KindComesFromTheExactCommandName) {
    const auto names = TestNames();
    EXPECT_EQ(ParseFolderCommand(L"[ExploreFolder(\"C:\\\",,1)]", names).Kind, TShellDdeCommandKind::ckExplore);
    EXPECT_EQ(ParseFolderCommand(L"[FindFolder(\"C:\\\",)]", names).Kind, TShellDdeCommandKind::ckFind);
    EXPECT_EQ(ParseFolderCommand(L"[viewfolder(\"C:\\\",,1)]", names).Kind, TShellDdeCommandKind::ckNone);
    EXPECT_EQ(ParseFolderCommand(L"[OpenFolder(\"C:\\\",,1)]", names).Kind, TShellDdeCommandKind::ckNone);
    EXPECT_EQ(ParseFolderCommand(L"[ ViewFolder(\"C:\\\",,1)]", names).Kind, TShellDdeCommandKind::ckNone);
}

TEST(ShellDdeParsing, MalformedCommandsHaveNoKind) {
    const auto names = TestNames();
    for (const wchar_t* text : {L"", L"[", L"ViewFolder(\"C:\\\",,1)", L"[ViewFolder \"C:\\\"]",
                                L"[ViewFolder(\"C:\\unterminated,,1)]", L"[(\"C:\\\",,1)]", L"]ViewFolder[("}) {
        EXPECT_EQ(ParseFolderCommand(text, names).Kind, TShellDdeCommandKind::ckNone) << testing::PrintToString(text);
    }
}

TEST(ShellDdeParsing, EmptyCommandNamesNeverMatch) {
    TShellDdeNames names;  // nothing in the registry
    EXPECT_EQ(ParseFolderCommand(L"[(\"C:\\\",,1)]", names).Kind, TShellDdeCommandKind::ckNone);
}

TEST(ShellDdeParsing, OnlyTheSharedMemoryFormGivesAnIdList) {
    const auto names = TestNames();
    const auto idList = [&](const std::wstring& field) {
        const auto command = ParseFolderCommand(L"[ViewFolder(\"\"," + field + L",1)]", names);
        EXPECT_EQ(command.Kind, TShellDdeCommandKind::ckOpen) << testing::PrintToString(field);
        return command;
    };
    EXPECT_TRUE(idList(L":10:20").HasSharedIdList);
    EXPECT_TRUE(idList(L"  :10 : 20  ").HasSharedIdList);
    EXPECT_EQ(idList(L":-4:20").SharedHandle, static_cast<std::intptr_t>(-4));
    EXPECT_EQ(idList(L":4294967295:1").SharedHandle, static_cast<std::intptr_t>(0xFFFFFFFFu));
    EXPECT_EQ(idList(L":1:4294967295").ProcessId, 0xFFFFFFFFu);
    for (const wchar_t* field :
         {L"", L"140737488355328", L":140737488355328", L"10:20", L":10:0", L":0:20", L":10:", L"::20", L":1x:20",
          L":10:2x", L":+10:20", L":10:-20", L":4294967296:1", L":-2147483649:1", L":1:4294967296",
          L":99999999999999999999999:1", L":1:99999999999999999999999", L":-:1"}) {
        EXPECT_FALSE(idList(field).HasSharedIdList) << testing::PrintToString(field);
    }
}

TEST(ShellDdeParsing, ShowCommandFallsBackToNormalWhenMissingOrMalformed) {
    const auto names = TestNames();
    const auto show = [&](const std::wstring& tail) {
        return ParseFolderCommand(L"[ViewFolder(\"C:\\\"" + tail + L")]", names).ShowCommand;
    };
    EXPECT_EQ(show(L",:1:2, 7"), 7);
    EXPECT_EQ(show(L",,0"), 0);
    EXPECT_EQ(show(L",,11"), 11);
    EXPECT_EQ(show(L",,12"), ShowCommandNormal);
    EXPECT_EQ(show(L",,-1"), ShowCommandNormal);
    EXPECT_EQ(show(L",,+"), ShowCommandNormal);
    EXPECT_EQ(show(L",,abc"), ShowCommandNormal);
    EXPECT_EQ(show(L",,99999999999999999999"), ShowCommandNormal);
    EXPECT_EQ(show(L",:1:2"), ShowCommandNormal);
    EXPECT_EQ(show(L""), ShowCommandNormal);
    EXPECT_EQ(ParseFolderCommand(L"[ViewFolder(\"C:\\\",,5", names).ShowCommand, 5) << "no closing parenthesis";
}

TEST(ShellDdeParsing, HtmlCommandTakesTheQuotedUrlOrTheWholeText) {
    EXPECT_EQ(ParseHtmlCommand(L"\"http://example.test/a,b\",,-1,0,,,,"), L"http://example.test/a,b");
    EXPECT_EQ(ParseHtmlCommand(L"http://example.test/plain,x"), L"http://example.test/plain,x");
    EXPECT_EQ(ParseHtmlCommand(L"\"C:\\unterminated.htm"), L"C:\\unterminated.htm");
    EXPECT_EQ(ParseHtmlCommand(L"\"\",,1"), L"");
    EXPECT_EQ(ParseHtmlCommand(L""), L"");
}

// ---- ID lists ------------------------------------------------------------------------------------------

TEST(ItemIdList, SizeWalkStaysInsideTheLimit) {
    EXPECT_EQ(ItemIdListSize(SampleIdList.data(), SampleIdList.size()), SampleIdList.size());
    EXPECT_EQ(ItemIdListSize(SampleIdList.data(), 64), SampleIdList.size());
    EXPECT_EQ(ItemIdListSize(SampleIdList.data(), SampleIdList.size() - 1), 0u) << "terminator cut off";
    EXPECT_EQ(ItemIdListSize(SampleIdList.data(), 6), 0u) << "second item runs past the limit";
    const std::uint8_t empty[] = {0, 0};
    EXPECT_EQ(ItemIdListSize(empty, 2), 2u);
    EXPECT_EQ(ItemIdListSize(empty, 1), 0u);
    const std::uint8_t countOfOne[] = {1, 0, 0, 0};
    EXPECT_EQ(ItemIdListSize(countOfOne, sizeof countOfOne), 0u);
    const std::uint8_t huge[] = {0xFF, 0xFF, 0, 0};
    EXPECT_EQ(ItemIdListSize(huge, sizeof huge), 0u);
    EXPECT_EQ(ItemIdListSize(nullptr, 100), 0u);
}

}  // namespace
}  // namespace qd
