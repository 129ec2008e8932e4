#include "support/MessageRecorder.h"

#include <algorithm>
#include <cstdio>
#include <sstream>

namespace qd::test {

void TMessageRecorder::Add(HWND wnd, UINT msg, unsigned flags, WPARAM wParam, LPARAM lParam) {
    if (!Enabled) return;
    if (FOnly && wnd && wnd != FOnly) return;
    if (std::find(FIgnored.begin(), FIgnored.end(), msg) != FIgnored.end()) return;
    FEntries.push_back(TRecorded{wnd, msg, flags, wParam, lParam});
}

void TMessageRecorder::IgnoreCommonNoise() {
    for (UINT m : {WM_GETICON, WM_NCHITTEST, WM_SETCURSOR, WM_MOUSEMOVE, WM_NCMOUSEMOVE, WM_TIMER, WM_GETTEXT,
                   WM_GETTEXTLENGTH, WM_GETOBJECT, WM_IME_SETCONTEXT, WM_IME_NOTIFY, WM_DEVICECHANGE,
                   WM_DWMNCRENDERINGCHANGED, WM_ENTERIDLE, WM_SYNCPAINT, 0x0093 /* WM_UAHINITMENU */})
        Ignore(m);
}

int TMessageRecorder::Count(UINT msg) const noexcept {
    return static_cast<int>(
        std::count_if(FEntries.begin(), FEntries.end(), [msg](const TRecorded& r) { return r.Message == msg; }));
}

int TMessageRecorder::IndexOf(UINT msg, int from) const noexcept {
    for (int i = std::max(from, 0); i < static_cast<int>(FEntries.size()); ++i)
        if (FEntries[static_cast<std::size_t>(i)].Message == msg) return i;
    return -1;
}

std::string TMessageRecorder::Name(UINT msg) const {
    if (msg == kSeparatorMessage) return "----";
    if (FNamer) return FNamer(msg);
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%04X", msg);
    return buf;
}

namespace {
std::string FlagText(unsigned flags) {
    std::string s;
    if (flags & kSent) s += "sent";
    if (flags & kPosted) s += s.empty() ? "posted" : "|posted";
    if (flags & kDefProc) s += "|defproc";
    if (flags & kHook) s += "|hook";
    if (flags & kOptional) s += "|optional";
    if (flags & kWindowsOnly) s += "|windows-only";
    if (flags & kWineOnly) s += "|wine-only";
    return s;
}
}  // namespace

std::string TMessageRecorder::Describe(const TRecorded& r) const {
    std::ostringstream os;
    os << Name(r.Message) << " " << FlagText(r.Flags) << " w=" << std::hex << r.WParam << " l=" << r.LParam;
    if (auto it = FWindowNames.find(r.Wnd); it != FWindowNames.end()) os << " [" << it->second << "]";
    return os.str();
}

std::string TMessageRecorder::Describe(const TMsgEntry& e, std::string name) {
    std::ostringstream os;
    os << name << " " << FlagText(e.Flags);
    if (e.Flags & kWParam) os << " w=" << std::hex << e.WParam;
    if (e.Flags & kLParam) os << " l=" << std::hex << e.LParam;
    return os.str();
}

bool TMessageRecorder::Same(const TMsgEntry& e, const TRecorded& r) noexcept {
    if (e.Message != r.Message) return false;
    constexpr unsigned kKind = kSent | kPosted | kDefProc | kHook;
    if ((e.Flags & kKind) != (r.Flags & kKind)) return false;
    if ((e.Flags & kWParam) && e.WParam != r.WParam) return false;
    if ((e.Flags & kLParam) && e.LParam != r.LParam) return false;
    return true;
}

std::string TMessageRecorder::SideBySide(std::span<const TMsgEntry> expected, std::size_t failedAt,
                                         std::size_t failedActual) const {
    std::ostringstream os;
    const std::size_t n = std::max(expected.size(), FEntries.size());
    os << "\n  #  " << std::string(2, ' ') << "expected" << std::string(40, ' ') << "| recorded\n";
    for (std::size_t i = 0; i < n; ++i) {
        std::string left = i < expected.size() ? Describe(expected[i], Name(expected[i].Message)) : "";
        std::string right = i < FEntries.size() ? Describe(FEntries[i]) : "";
        if (left.size() < 48) left.resize(48, ' ');
        const char mark = (i == failedAt || i == failedActual) ? '>' : ' ';
        char num[8];
        std::snprintf(num, sizeof num, "%3zu", i);
        os << mark << num << "  " << left << "| " << right << "\n";
    }
    return os.str();
}

bool RunningUnderWine() noexcept {
    const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    return ntdll && ::GetProcAddress(ntdll, "wine_get_version");
}

std::vector<TMsgEntry> TMessageRecorder::OnPlatform(std::span<const TMsgEntry> expected, bool wine) {
    std::vector<TMsgEntry> out;
    for (const TMsgEntry& e : expected)
        if (!(e.Flags & (wine ? kWindowsOnly : kWineOnly))) out.push_back(e);
    return out;
}

::testing::AssertionResult TMessageRecorder::MatchesExactly(std::span<const TMsgEntry> expected,
                                                            const char* context) const {
    std::size_t e = 0, a = 0;
    std::string why;
    while (e < expected.size() && a < FEntries.size()) {
        if (Same(expected[e], FEntries[a])) {
            ++e;
            ++a;
        } else if (expected[e].Flags & kOptional) {
            ++e;
        } else {
            why =
                "expected " + Describe(expected[e], Name(expected[e].Message)) + ", recorded " + Describe(FEntries[a]);
            break;
        }
    }
    if (why.empty()) {
        while (e < expected.size() && (expected[e].Flags & kOptional)) ++e;
        if (e < expected.size())
            why = "missing " + Describe(expected[e], Name(expected[e].Message));
        else if (a < FEntries.size())
            why = "unexpected " + Describe(FEntries[a]);
    }
    if (why.empty()) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << context << ": " << why << SideBySide(expected, e, a);
}

::testing::AssertionResult TMessageRecorder::Matches(std::span<const TMsgEntry> expected, const char* context,
                                                     bool clear) {
    std::string differences;
    for (const TMsgEntry& e : expected) {
        if (!(e.Flags & (kWindowsOnly | kWineOnly))) continue;
        if (!e.WineDiffers || !*e.WineDiffers) {
            if (clear) Clear();
            return ::testing::AssertionFailure()
                   << context << ": a Wine difference without its description at " << Name(e.Message);
        }
        differences += std::string("\n  ") + Name(e.Message) + ": " + e.WineDiffers;
    }
    auto result = MatchesExactly(OnPlatform(expected, Wine), context);
    if (Wine && !differences.empty() && MatchesExactly(OnPlatform(expected, false), context))
        result = ::testing::AssertionFailure()
                 << context << ": Wine sends the Windows sequence now; drop the markers of" << differences;
    if (clear) Clear();
    return result;
}

::testing::AssertionResult TMessageRecorder::ContainsInOrder(std::span<const TMsgEntry> expected,
                                                             const char* context) const {
    std::size_t e = 0;
    for (std::size_t a = 0; a < FEntries.size() && e < expected.size(); ++a) {
        while (e < expected.size() && !Same(expected[e], FEntries[a]) && (expected[e].Flags & kOptional)) {
            // An optional entry not seen here may still come later; look ahead only while it is not found.
            bool later = false;
            for (std::size_t b = a; b < FEntries.size(); ++b)
                if (Same(expected[e], FEntries[b])) later = true;
            if (later) break;
            ++e;
        }
        if (e < expected.size() && Same(expected[e], FEntries[a])) ++e;
    }
    while (e < expected.size() && (expected[e].Flags & kOptional)) ++e;
    if (e == expected.size()) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << context << ": missing (in order) "
                                         << Describe(expected[e], Name(expected[e].Message))
                                         << SideBySide(expected, e, static_cast<std::size_t>(-1));
}

::testing::AssertionResult TMessageRecorder::Contains(std::span<const TMsgEntry> expected, const char* context,
                                                      const char* whyLoose, bool clear) {
    auto result = whyLoose && *whyLoose
                      ? ContainsInOrder(OnPlatform(expected, Wine), context)
                      : ::testing::AssertionFailure() << context << ": a loose match without its reason";
    if (clear) Clear();
    return result;
}

std::string TMessageRecorder::Dump() const {
    std::ostringstream os;
    for (const auto& r : FEntries) os << "  " << Describe(r) << "\n";
    return os.str();
}

}  // namespace qd::test
