// The window-hook helper: a hook taken off, or an object freed, while its own procedure is on the stack
// (a message sent from inside the procedure) stays usable until the outermost call returns.

#include "framework/WindowHook.h"

#include <gtest/gtest.h>

#include <functional>

namespace qd {
namespace {

constexpr UINT kOuter = WM_APP + 1;
constexpr UINT kNested = WM_APP + 2;

class TProbeHook : public TWindowHook {
public:
    std::function<void(HWND, UINT)> OnMessage;
    bool* Freed = nullptr;
    ~TProbeHook() override {
        if (Freed) *Freed = true;
    }

protected:
    LRESULT HookProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) override {
        if (OnMessage) OnMessage(wnd, msg);
        return CallPrevious(wnd, msg, wParam, lParam);
    }
};

TEST(WindowHookNesting, LeavingInsideANestedCallKeepsTheLinkUntilTheOutermostCallReturns) {
    enum class TLeave { Unhook, DeleteWhenIdle };
    struct TCase {
        UINT Outer;  // the message during which a nested message takes the hook off
        TLeave Leave;
    };
    for (const TCase c : {TCase{kOuter, TLeave::Unhook}, TCase{WM_NCDESTROY, TLeave::Unhook},
                          TCase{kOuter, TLeave::DeleteWhenIdle}, TCase{WM_NCDESTROY, TLeave::DeleteWhenIdle}}) {
        const std::string what = (c.Outer == kOuter ? "outer message, " : "WM_NCDESTROY, ") +
                                 std::string(c.Leave == TLeave::Unhook ? "Unhook" : "DeleteWhenIdle");
        const int before = TWindowHook::LiveLinks();
        HWND wnd = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(wnd, nullptr);
        bool freed = false;
        auto* hook = new TProbeHook;
        hook->Freed = &freed;
        int linksAfterNested = -1;
        bool freedAfterNested = true;
        int seenAfterLeaving = 0;
        bool left = false;
        hook->OnMessage = [&](HWND w, UINT msg) {
            if (left) ++seenAfterLeaving;
            if (msg == c.Outer && !left) {
                ::SendMessageW(w, kNested, 0, 0);
                linksAfterNested = TWindowHook::LiveLinks();
                freedAfterNested = freed;
            } else if (msg == kNested) {
                left = true;
                if (c.Leave == TLeave::Unhook)
                    hook->Unhook();
                else
                    hook->DeleteWhenIdle();
            }
        };
        ASSERT_TRUE(hook->Hook(wnd));
        EXPECT_EQ(TWindowHook::LiveLinks(), before + 1) << what;
        if (c.Outer == kOuter) {
            ::SendMessageW(wnd, kOuter, 0, 0);
            ::SendMessageW(wnd, kOuter, 0, 0);  // no longer ours
        }
        ::DestroyWindow(wnd);
        EXPECT_EQ(linksAfterNested, before + 1) << what << ": the outer call still runs with the link";
        EXPECT_FALSE(freedAfterNested) << what << ": the object outlives its own procedure call";
        EXPECT_EQ(seenAfterLeaving, 0) << what;
        EXPECT_EQ(TWindowHook::LiveLinks(), before) << what;
        EXPECT_EQ(freed, c.Leave == TLeave::DeleteWhenIdle) << what;
        if (!freed) delete hook;
    }
}

}  // namespace
}  // namespace qd
