#pragma once
// Records the messages windows receive and compares them with expected sequences, in the manner of the
// platform's own conformance tests: test window procedures and hooks append what they see, an expected
// sequence is a static const array of entries with flags, and a mismatch prints both sequences side by side.
//
//   static const TMsgEntry kCreate[] = {
//       {WM_GETMINMAXINFO, kSent | kOptional},
//       {WM_NCCREATE, kSent},
//       {WM_NCCALCSIZE, kSent | kWParam, 0},
//       {WM_CREATE, kSent},
//   };
//   EXPECT_TRUE(recorder.Matches(kCreate, "create"));
//
// Matching is exact. A looser match (Contains) takes the reason it is loose. Where Wine is known to send another
// sequence than Windows, the entries that differ are marked kWindowsOnly or kWineOnly with the difference
// written in the entry; under Wine the check then fails as soon as the recording is the Windows sequence, so a
// marker that Wine no longer needs is found.

#include <windows.h>

#include <gtest/gtest.h>

#include <map>
#include <span>
#include <string>
#include <vector>

#include "support/MessageNames.h"

namespace qd::test {

enum TMsgFlags : unsigned {
    kSent = 1u << 0,         // arrived through SendMessage or a direct call
    kPosted = 1u << 1,       // taken from the queue
    kDefProc = 1u << 2,      // seen inside the default procedure (after the handler passed it on)
    kHook = 1u << 3,         // seen by a hook rather than a window procedure
    kOptional = 1u << 4,     // expected entry that may be missing (platform differences)
    kWParam = 1u << 5,       // compare wParam
    kLParam = 1u << 6,       // compare lParam
    kSeparator = 1u << 7,    // marks a point in the sequence (see AddSeparator)
    kWindowsOnly = 1u << 8,  // Windows sends it, Wine does not (the entry says how Wine differs)
    kWineOnly = 1u << 9,     // Wine sends it, Windows does not (the entry says how Wine differs)
};

struct TMsgEntry {
    UINT Message = 0;
    unsigned Flags = kSent;
    WPARAM WParam = 0;
    LPARAM LParam = 0;
    const char* WineDiffers = nullptr;  // with kWindowsOnly / kWineOnly: what Wine does otherwise
};

// True in a process that runs under Wine.
bool RunningUnderWine() noexcept;

// A message number no window uses, recorded by AddSeparator so that a sequence can be cut into steps.
inline constexpr UINT kSeparatorMessage = 0x7FFE;

class TMessageRecorder {
public:
    // Names for message numbers in dumps; the default knows the platform's, the framework's and the skin's.
    using TNamer = std::string (*)(UINT msg);
    explicit TMessageRecorder(TNamer namer = MessageName) : FNamer(namer) {}

    void Add(HWND wnd, UINT msg, unsigned flags, WPARAM wParam = 0, LPARAM lParam = 0);
    void AddSeparator() { Add(nullptr, kSeparatorMessage, kSent | kSeparator); }
    // Messages never recorded (noise such as WM_GETICON, WM_NCHITTEST or WM_SETCURSOR).
    void Ignore(UINT msg) { FIgnored.push_back(msg); }
    void IgnoreCommonNoise();
    // Only messages for this window are recorded (null: every window).
    void OnlyWindow(HWND wnd) noexcept { FOnly = wnd; }
    void NameWindow(HWND wnd, std::string name) { FWindowNames[wnd] = std::move(name); }
    void Clear() noexcept { FEntries.clear(); }
    bool Enabled = true;
    // Which platform's sequence the marked entries follow (tests of the recorder itself set it).
    bool Wine = RunningUnderWine();

    struct TRecorded {
        HWND Wnd;
        UINT Message;
        unsigned Flags;
        WPARAM WParam;
        LPARAM LParam;
    };
    const std::vector<TRecorded>& Entries() const noexcept { return FEntries; }
    // How many times `msg` was recorded.
    int Count(UINT msg) const noexcept;
    // Index of the first recording of `msg` at or after `from`, or -1.
    int IndexOf(UINT msg, int from = 0) const noexcept;

    // Compares the whole recording with `expected` (optional entries may be missing; nothing extra may be
    // there). On failure the message holds both sequences side by side. Clears the recording when `clear`.
    // Under Wine a recording that is the Windows sequence of marked entries fails: the marker is out of date.
    ::testing::AssertionResult Matches(std::span<const TMsgEntry> expected, const char* context, bool clear = true);
    // Like Matches, but the expected entries need only appear in this order among the recorded ones. `whyLoose`
    // says why the exact sequence is not the point (a match without a reason fails).
    ::testing::AssertionResult Contains(std::span<const TMsgEntry> expected, const char* context, const char* whyLoose,
                                        bool clear = true);
    std::string Dump() const;

private:
    // The expected sequence on one platform: the marked entries of the other one left out.
    static std::vector<TMsgEntry> OnPlatform(std::span<const TMsgEntry> expected, bool wine);
    ::testing::AssertionResult MatchesExactly(std::span<const TMsgEntry> expected, const char* context) const;
    ::testing::AssertionResult ContainsInOrder(std::span<const TMsgEntry> expected, const char* context) const;
    std::string Name(UINT msg) const;
    std::string Describe(const TRecorded& r) const;
    static std::string Describe(const TMsgEntry& e, std::string name);
    static bool Same(const TMsgEntry& e, const TRecorded& r) noexcept;
    std::string SideBySide(std::span<const TMsgEntry> expected, std::size_t failedAt, std::size_t failedActual) const;

    TNamer FNamer;
    HWND FOnly = nullptr;
    std::vector<UINT> FIgnored;
    std::vector<TRecorded> FEntries;
    std::map<HWND, std::string> FWindowNames;
};

}  // namespace qd::test
