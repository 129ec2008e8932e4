// The message recorder itself: matching with optional entries, flags and parameters, and the failure dump.

#include <gtest/gtest.h>

#include <span>
#include <string>

#include "support/MessageRecorder.h"

namespace qd::test {
namespace {

TEST(MessageRecorderTest, OptionalEntriesMayBeMissingButNothingExtraMayBeThere) {
    TMessageRecorder rec;
    rec.Add(nullptr, WM_NCCREATE, kSent);
    rec.Add(nullptr, WM_CREATE, kSent);
    static const TMsgEntry kWithOptional[] = {
        {WM_GETMINMAXINFO, kSent | kOptional}, {WM_NCCREATE, kSent}, {WM_CREATE, kSent}, {WM_SIZE, kSent | kOptional}};
    EXPECT_TRUE(rec.Matches(kWithOptional, "optional", false));
    static const TMsgEntry kShort[] = {{WM_NCCREATE, kSent}};
    const auto extra = rec.Matches(kShort, "extra", false);
    EXPECT_FALSE(extra);
    EXPECT_NE(std::string(extra.message()).find("unexpected"), std::string::npos);
    static const TMsgEntry kLong[] = {{WM_NCCREATE, kSent}, {WM_CREATE, kSent}, {WM_SHOWWINDOW, kSent}};
    const auto missing = rec.Matches(kLong, "missing", false);
    EXPECT_FALSE(missing);
    EXPECT_NE(std::string(missing.message()).find("missing"), std::string::npos);
}

TEST(MessageRecorderTest, FlagsAndParametersAreComparedOnlyWhenAsked) {
    TMessageRecorder rec;
    rec.Add(nullptr, WM_SIZE, kPosted, SIZE_MAXIMIZED, MAKELPARAM(10, 20));
    static const TMsgEntry kSentKind[] = {{WM_SIZE, kSent}};
    EXPECT_FALSE(rec.Matches(kSentKind, "kind", false)) << "sent and posted differ";
    static const TMsgEntry kAnyParams[] = {{WM_SIZE, kPosted}};
    EXPECT_TRUE(rec.Matches(kAnyParams, "params ignored", false));
    static const TMsgEntry kWrongW[] = {{WM_SIZE, kPosted | kWParam, SIZE_RESTORED}};
    EXPECT_FALSE(rec.Matches(kWrongW, "wparam", false));
    static const TMsgEntry kRightBoth[] = {{WM_SIZE, kPosted | kWParam | kLParam, SIZE_MAXIMIZED, MAKELPARAM(10, 20)}};
    EXPECT_TRUE(rec.Matches(kRightBoth, "both", true));
    EXPECT_TRUE(rec.Entries().empty()) << "a match clears the recording when asked";
}

TEST(MessageRecorderTest, IgnoredMessagesSeparatorsAndOrderedSubsequences) {
    TMessageRecorder rec;
    rec.IgnoreCommonNoise();
    rec.Add(nullptr, WM_NCHITTEST, kSent);
    rec.Add(nullptr, WM_LBUTTONDOWN, kPosted);
    rec.AddSeparator();
    rec.Add(nullptr, WM_SETCURSOR, kSent);
    rec.Add(nullptr, WM_LBUTTONUP, kPosted);
    EXPECT_EQ(rec.Entries().size(), 3u);
    EXPECT_EQ(rec.IndexOf(kSeparatorMessage), 1);
    static const TMsgEntry kInOrder[] = {{WM_LBUTTONDOWN, kPosted}, {WM_LBUTTONUP, kPosted}};
    EXPECT_TRUE(rec.Contains(kInOrder, "in order", "the separator between them is not the point", false));
    EXPECT_FALSE(rec.Contains(kInOrder, "in order", "", false)) << "a loose match needs its reason";
    static const TMsgEntry kReversed[] = {{WM_LBUTTONUP, kPosted}, {WM_LBUTTONDOWN, kPosted}};
    const auto reversed = rec.Contains(kReversed, "reversed", "order only", false);
    EXPECT_FALSE(reversed);
    // The dump lists both sides.
    EXPECT_NE(std::string(reversed.message()).find("| "), std::string::npos);
}

TEST(MessageRecorderTest, AMarkedWineDifferenceFailsOnceWineSendsTheWindowsSequence) {
    static const TMsgEntry kMarked[] = {
        {WM_NCCREATE, kSent},
        {WM_GETMINMAXINFO, kSent | kWindowsOnly, 0, 0, "Wine asks later"},
        {WM_CREATE, kSent},
        {WM_SIZE, kSent | kWineOnly, 0, 0, "Wine sizes at once"},
    };
    static const TMsgEntry kWindows[] = {{WM_NCCREATE, kSent}, {WM_GETMINMAXINFO, kSent}, {WM_CREATE, kSent}};
    static const TMsgEntry kWine[] = {{WM_NCCREATE, kSent}, {WM_CREATE, kSent}, {WM_SIZE, kSent}};
    struct TCase {
        bool Wine;
        std::span<const TMsgEntry> Recorded;
        bool Passes;
        const char* Says;
    };
    const TCase cases[] = {
        {false, kWindows, true, ""},
        {false, kWine, false, "expected"},
        {true, kWine, true, ""},
        {true, kWindows, false, "drop the markers"},
    };
    for (const TCase& c : cases) {
        TMessageRecorder rec;
        rec.Wine = c.Wine;
        for (const TMsgEntry& e : c.Recorded) rec.Add(nullptr, e.Message, e.Flags);
        const auto result = rec.Matches(kMarked, "marked");
        EXPECT_EQ(static_cast<bool>(result), c.Passes) << c.Wine << result.message();
        EXPECT_NE(std::string(result.message()).find(c.Says), std::string::npos) << result.message();
    }
    static const TMsgEntry kUnexplained[] = {{WM_CREATE, kSent | kWindowsOnly}};
    TMessageRecorder rec;
    EXPECT_FALSE(rec.Matches(kUnexplained, "unexplained")) << "a marker needs its description";
}

}  // namespace
}  // namespace qd::test
