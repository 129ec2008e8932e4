// The skin manager under Wine: hook, deferred actions, qualification, skin data choice, registration, popup
// bookkeeping, purge and MDI flag. Form skinners are a recording double that subclasses its window the way a real
// skinner does (answers WM_SKIN_QUERY, turns Dead after WM_NCDESTROY, counts its procedure calls on the stack).

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/Forms.h"
#include "skin/controls/SkinManage.h"
#include "skin/data/SkinData.h"
#include "skin/form/SkinMessages.h"
#include "tests/support/FileOpenDialog.h"
#include "tests/support/MessageRecorder.h"
#include "tests/support/Pump.h"
#include "tests/support/SwallowCheck.h"

using namespace qd;
using namespace qd::test;

namespace {

// Markers recorded next to real messages.
constexpr UINT kCbtBase = 0x7F00;     // + HCBT_ code, seen by the test's CBT hook
constexpr UINT kAttachMark = 0x7F20;  // the double was attached
constexpr UINT kDetachMark = 0x7F21;  // the double was detached
constexpr UINT kFreeMark = 0x7F22;    // the double was freed

std::string Name(UINT msg) {
    switch (msg) {
        case kCbtBase + HCBT_CREATEWND:
            return "cbt CREATEWND";
        case kCbtBase + HCBT_DESTROYWND:
            return "cbt DESTROYWND";
        case kCbtBase + HCBT_ACTIVATE:
            return "cbt ACTIVATE";
        case kAttachMark:
            return "attach";
        case kDetachMark:
            return "detach";
        case kFreeMark:
            return "free";
        case WM_NCDESTROY:
            return "WM_NCDESTROY";
        default:
            break;
    }
    return MessageName(msg);
}

TMessageRecorder* GRecorder = nullptr;

void Record(HWND wnd, UINT msg, unsigned flags, WPARAM wp = 0, LPARAM lp = 0) {
    if (GRecorder) GRecorder->Add(wnd, msg, flags, wp, lp);
}

// Everything the doubles did, in order.
struct TFakeLog {
    std::vector<std::string> Events;
    int Alive = 0;
    bool Has(const std::string& e) const {
        for (const auto& x : Events)
            if (x == e) return true;
        return false;
    }
    int Count(const std::string& e) const {
        int n = 0;
        for (const auto& x : Events) n += x == e;
        return n;
    }
};

class TFakeSkinForm final : public ISkinForm {
public:
    TFakeSkinForm(TForm* form, HWND wnd, ISkinFormManager* manager, TFakeLog& log)
        : FForm(form), FWnd(wnd), FManager(manager), FLog(log) {
        ++FLog.Alive;
    }
    ~TFakeSkinForm() override {
        // A skinner freed while its window lives gives the window back first.
        if (FHooked && ::IsWindow(FWnd)) Unhook();
        if (FManager) FManager->ForgetWindow(FWnd);
        --FLog.Alive;
        FLog.Events.push_back("free");
        Record(FWnd, kFreeMark, kSent);
    }

    std::function<void(TFakeSkinForm&)> OnAttach;
    std::function<void(TFakeSkinForm&)> OnStarted;
    TMDIRole Role = TMDIRole::None;
    bool ThrowOnAttach = false;
    bool RefuseAttach = false;  // as when the platform refuses the hook
    int Started = 0;

    HWND Handle() const noexcept override { return FWnd; }
    TForm* Form() const noexcept override { return FForm; }
    TSkinData* SkinData() const noexcept override { return FData; }
    TSkinState SkinState() const noexcept override { return FState; }
    TSizeState SizeState() const noexcept override { return TSizeState::Normal; }
    TMDIRole MDIRole() const noexcept override { return Role; }
    bool InDispatch() const noexcept override { return FDepth > 0; }

    bool Attach(TSkinData* skinData, TForm* form) override {
        FLog.Events.push_back("Attach form");
        EXPECT_EQ(form, FForm);
        return DoAttach(skinData);
    }
    bool AttachWindow(TSkinData* skinData) override {
        FLog.Events.push_back("AttachWindow " + WindowClassName(FWnd));
        return DoAttach(skinData);
    }
    void Detach() override {
        FLog.Events.push_back("Detach");
        Record(FWnd, kDetachMark, kSent);
        if (FHooked) Unhook();
    }
    void Reskin() override { FLog.Events.push_back("Reskin"); }
    void ReloadSkinData(TSkinData* skinData) override {
        FData = skinData;
        FLog.Events.push_back("ReloadSkinData");
    }
    void BuildSysButtons() override {}
    void UpdateRegion() override {}
    void DropRegion() override { FLog.Events.push_back("DropRegion"); }
    void SetCaptionStyle(bool standard) override {
        FLog.Events.push_back(standard ? "CaptionStyle standard" : "CaptionStyle skinned");
    }
    void FitClientSize(bool) override {}
    void MDIMaximizeEnded() override { FLog.Events.push_back("MDIMaximizeEnded"); }
    bool RegisterControl(ISkinControlItem*) override { return true; }
    void UnregisterControl(ISkinControlItem*) override {}

private:
    bool DoAttach(TSkinData* skinData) {
        if (ThrowOnAttach) throw Exception("attach failed");
        if (RefuseAttach) return false;
        FData = skinData;
        FHooked = ::SetWindowSubclass(FWnd, &TFakeSkinForm::Proc, 1, reinterpret_cast<DWORD_PTR>(this)) != FALSE;
        Record(FWnd, kAttachMark, kSent);
        if (OnAttach) OnAttach(*this);
        return FHooked;
    }
    void Unhook() {
        ::RemoveWindowSubclass(FWnd, &TFakeSkinForm::Proc, 1);
        FHooked = false;
    }
    static LRESULT CALLBACK Proc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR ref) {
        auto* self = reinterpret_cast<TFakeSkinForm*>(ref);
        if (msg == WM_SKIN_QUERY) return 1;
        ++self->FDepth;
        if (msg == WM_SKIN_STARTED) {
            ++self->Started;
            if (self->FManager) self->FManager->DispatchControls(*self);
            if (self->OnStarted) self->OnStarted(*self);
        }
        LRESULT result;
        if (msg == WM_NCDESTROY) {
            self->FState = TSkinState::Destroying;
            self->Unhook();
            result = ::DefSubclassProc(wnd, msg, wp, lp);
            self->FState = TSkinState::Dead;
        } else {
            result = ::DefSubclassProc(wnd, msg, wp, lp);
        }
        --self->FDepth;
        return result;
    }

    TForm* FForm;
    HWND FWnd;
    ISkinFormManager* FManager;
    TFakeLog& FLog;
    TSkinData* FData = nullptr;
    TSkinState FState = TSkinState::Attached;
    bool FHooked = false;
    int FDepth = 0;
};

class TFakePopup final : public IPopupSkinner {
public:
    TFakePopup(HWND wnd, TFakeLog& log) : FWnd(wnd), FLog(log) { ++FLog.Alive; }
    ~TFakePopup() override {
        --FLog.Alive;
        FLog.Events.push_back("popup free");
    }
    HWND Handle() const noexcept override { return FWnd; }
    void Attach(TSkinData*) override { FLog.Events.push_back("popup attach"); }
    void Detach() override { FLog.Events.push_back("popup detach"); }
    void SetFromMenuBar(bool value) override { FLog.Events.push_back(value ? "popup from bar" : "popup not from bar"); }
    HMENU BitmapKey() const noexcept override { return Key; }
    HBITMAP Bitmap() const noexcept override { return Bmp; }
    HMENU Key = nullptr;
    HBITMAP Bmp = nullptr;

private:
    HWND FWnd;
    TFakeLog& FLog;
};

// Test window: records the skin messages it receives; a nested message loop on request.
constexpr UINT kRunNestedLoop = WM_APP + 1;
LRESULT CALLBACK TestWndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_SKIN_STARTED) Record(wnd, msg, kPosted | kWParam | kLParam, wp, lp);
    if (msg == WM_NCDESTROY) Record(wnd, msg, kSent);
    if (msg == kRunNestedLoop) {
        // A modal loop inside this window's procedure, as a move/size or menu loop would run.
        PumpUntil(*reinterpret_cast<std::function<bool()>*>(lp), 3000);
        return 0;
    }
    return ::DefWindowProcW(wnd, msg, wp, lp);
}

const wchar_t* TestClass() {
    static const ATOM atom = [] {
        WNDCLASSW wc{};
        wc.lpfnWndProc = TestWndProc;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.lpszClassName = L"QdManagerTestWindow";
        wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
        return ::RegisterClassW(&wc);
    }();
    (void)atom;
    return L"QdManagerTestWindow";
}

HWND MakeWindow(const wchar_t* cls = nullptr, int w = 300, int h = 200, DWORD style = WS_OVERLAPPEDWINDOW) {
    return ::CreateWindowExW(0, cls ? cls : TestClass(), L"test", style, 50, 50, w, h, nullptr, nullptr,
                             ::GetModuleHandleW(nullptr), nullptr);
}

struct TSkinDataFixture {
    explicit TSkinDataFixture(TSkinFormType type, TComponent* owner = nullptr) : Data(owner) {
        Data.SetSkinFormtype(type);
        Data.SkinEmpty = false;  // as after a successful load
    }
    TSkinData Data;
};

class SkinManageTest : public ::testing::Test {
protected:
    void SetUp() override {
        TSkinManage::InstallAsFactory();
        Manager = dynamic_cast<TSkinManage*>(&CreateSkinManager());
        ASSERT_NE(Manager, nullptr);
        Manager->FormSkinnerFactory = [this](TForm* form, HWND wnd, ISkinFormManager* manager) {
            auto fake = std::make_unique<TFakeSkinForm>(form, wnd, manager, Log);
            Fakes.push_back(fake.get());
            if (OnAttach) fake->OnAttach = OnAttach;
            if (OnStarted) fake->OnStarted = OnStarted;
            fake->ThrowOnAttach = ThrowOnAttach;
            fake->RefuseAttach = RefuseAttach;
            fake->Role = NextRole;
            return fake;
        };
        Recorder.IgnoreCommonNoise();
        GRecorder = &Recorder;
    }
    void TearDown() override {
        for (HWND w : Windows)
            if (::IsWindow(w)) ::DestroyWindow(w);
        Windows.clear();
        DestroySkinManager();
        SetSkinManagerFactory(nullptr);
        GRecorder = nullptr;
        Pump(10);
    }
    HWND Track(HWND w) {
        Windows.push_back(w);
        return w;
    }
    // Ready and skinning, as after the main form's first activation.
    void StartSkinning() {
        Manager->SetReadyCount(1);
        Manager->SetSkinning(true);
    }

    TSkinManage* Manager = nullptr;
    TFakeLog Log;
    std::vector<TFakeSkinForm*> Fakes;
    std::function<void(TFakeSkinForm&)> OnAttach;
    std::function<void(TFakeSkinForm&)> OnStarted;
    bool ThrowOnAttach = false;
    bool RefuseAttach = false;
    TMDIRole NextRole = TMDIRole::None;
    TMessageRecorder Recorder{Name};
    std::vector<HWND> Windows;
};

HHOOK GTestCbt = nullptr;
LRESULT CALLBACK TestCbt(int code, WPARAM wp, LPARAM lp) {
    if (code == HCBT_CREATEWND || code == HCBT_DESTROYWND || code == HCBT_ACTIVATE) {
        wchar_t cls[64] = {};
        ::GetClassNameW(reinterpret_cast<HWND>(wp), cls, 64);
        if (std::wstring(cls) == L"QdManagerTestWindow")
            Record(reinterpret_cast<HWND>(wp), kCbtBase + static_cast<UINT>(code), kHook);
    }
    return ::CallNextHookEx(GTestCbt, code, wp, lp);
}

}  // namespace

// ---------------------------------------------------------------------------------------------------------------
// Registration

TEST_F(SkinManageTest, RegistrationIgnoresDuplicatesAndPicksTheFirstMainComponent) {
    TSkinDataFixture dialog(sfDialog), main1(sfMainform), main2(sfMainform);
    Manager->RegisterSkinData(&dialog.Data);
    EXPECT_EQ(Manager->MainSkinData(), nullptr);
    Manager->RegisterSkinData(&main1.Data);
    Manager->RegisterSkinData(&main1.Data);
    Manager->RegisterSkinData(&main2.Data);
    Manager->RegisterSkinData(nullptr);
    EXPECT_EQ(Manager->RegisteredSkinData(), (std::vector<TSkinData*>{&dialog.Data, &main1.Data, &main2.Data}));
    EXPECT_EQ(Manager->MainSkinData(), &main1.Data);
}

TEST_F(SkinManageTest, UnregisteringForgetsMainCurrentAndPendingAction) {
    TSkinDataFixture main1(sfMainform), main2(sfMainform);
    Manager->RegisterSkinData(&main1.Data);
    Manager->RegisterSkinData(&main2.Data);
    Manager->SetReadyCount(1);
    Manager->SetCurrentSkinData(&main1.Data);
    Manager->RequestAction(saSkinAll, 250);
    ASSERT_TRUE(Manager->TimerEnabled());

    Manager->UnregisterSkinData(&main1.Data);
    EXPECT_EQ(Manager->CurrentSkinData(), nullptr);
    EXPECT_EQ(Manager->PendingAction(), 0);
    EXPECT_FALSE(Manager->TimerEnabled());
    EXPECT_EQ(Manager->MainSkinData(), &main2.Data);
    EXPECT_EQ(Manager->RegisteredSkinData(), std::vector<TSkinData*>{&main2.Data});
    // Nothing was skinned, and the dropped request never runs.
    Pump(400);
    EXPECT_FALSE(Manager->Skinning());
    Manager->UnregisterSkinData(&main1.Data);  // twice: nothing
}

TEST_F(SkinManageTest, UnregisteringDetachesTheSkinnersThatUseIt) {
    TSkinDataFixture main(sfMainform), dialog(sfDialog);
    Manager->RegisterSkinData(&main.Data);
    Manager->RegisterSkinData(&dialog.Data);
    StartSkinning();
    HWND a = Track(MakeWindow());
    HWND b = Track(MakeWindow(L"#32770"));
    ASSERT_TRUE(Manager->SkinWindow(a));
    ASSERT_TRUE(Manager->SkinWindow(b));
    ASSERT_EQ(Fakes[1]->SkinData(), &dialog.Data);

    Manager->UnregisterSkinData(&dialog.Data);
    EXPECT_EQ(Manager->FormSkinnerCount(), 1);
    EXPECT_EQ(Manager->FindFormSkinner(b), nullptr);
    EXPECT_EQ(Log.Count("Detach"), 1);
    EXPECT_EQ(Log.Alive, 1);
    // The window was given back: it no longer answers as skinned.
    EXPECT_EQ(::SendMessageW(b, WM_SKIN_QUERY, 0, 0), 0);
    EXPECT_EQ(::SendMessageW(a, WM_SKIN_QUERY, 0, 0), 1);
}

TEST_F(SkinManageTest, ADestroyedComponentUnregistersItself) {
    auto data = std::make_unique<TSkinDataFixture>(sfMainform);
    Manager->RegisterSkinData(&data->Data);
    data.reset();
    EXPECT_TRUE(Manager->RegisteredSkinData().empty());
    EXPECT_EQ(Manager->MainSkinData(), nullptr);
}

// ---------------------------------------------------------------------------------------------------------------
// Requests and the timer

TEST_F(SkinManageTest, BeforeAnyActivationRequestsSwitchSkinningAtOnce) {
    ASSERT_EQ(Manager->ReadyCount(), 0);
    Manager->RequestAction(saSkinAll, 250);
    EXPECT_TRUE(Manager->Skinning());
    EXPECT_FALSE(Manager->TimerEnabled());
    Manager->RequestAction(saUnskinAll, 250);
    EXPECT_FALSE(Manager->Skinning());
    EXPECT_FALSE(Manager->TimerEnabled());
}

TEST_F(SkinManageTest, DeferredSkinAllRunsAfterTheDelayAndSkinsEveryForm) {
    TSkinDataFixture main(sfMainform);
    int changed = 0;
    main.Data.OnSkinChanged = [&](TObject*) { ++changed; };
    Manager->RegisterSkinData(&main.Data);
    TForm form(nullptr);
    form.SetBounds(10, 10, 320, 240);
    form.Show();
    Manager->SetReadyCount(1);
    Manager->SetCurrentSkinData(&main.Data);
    Manager->RequestAction(saSkinAll, 250);
    EXPECT_TRUE(Manager->TimerEnabled());
    EXPECT_FALSE(Manager->Skinning());

    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(PumpUntil([&] { return changed > 0; }));
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(std::chrono::duration_cast<std::chrono::milliseconds>(waited).count(), 200);
    EXPECT_TRUE(Manager->Skinning());
    EXPECT_FALSE(Manager->TimerEnabled());
    EXPECT_EQ(Manager->CurrentSkinData(), nullptr);
    EXPECT_FALSE(Manager->ForcedPass());
    ASSERT_EQ(Fakes.size(), 1u);
    EXPECT_EQ(Fakes[0]->Form(), &form);
    EXPECT_TRUE(Log.Has("Attach form"));
    // WM_SKIN_STARTED reaches the window and the skinner starts once.
    ASSERT_TRUE(PumpUntil([&] { return Fakes[0]->Started == 1; }));
    Pump(300);
    EXPECT_EQ(changed, 1);

    // Unskin all through the timer gives the window back and frees the skinner.
    Manager->SetCurrentSkinData(&main.Data);
    Manager->RequestAction(saUnskinAll, 250);
    ASSERT_TRUE(PumpUntil([&] { return changed == 2; }));
    EXPECT_FALSE(Manager->Skinning());
    EXPECT_EQ(Manager->FormSkinnerCount(), 0);
    EXPECT_EQ(Log.Alive, 0);
    EXPECT_EQ(::SendMessageW(form.Handle(), WM_SKIN_QUERY, 0, 0), 0);
}

TEST_F(SkinManageTest, TickWithoutCurrentComponentOnlyStopsTheTimer) {
    Manager->SetReadyCount(1);
    Manager->RequestAction(saSkinAll, 50);
    ASSERT_TRUE(Manager->TimerEnabled());
    Manager->ActionTimerTick();
    EXPECT_FALSE(Manager->TimerEnabled());
    EXPECT_FALSE(Manager->Skinning());
}

TEST_F(SkinManageTest, SkinChangedReloadsEverySkinnerOfTheComponentThenReskins) {
    TSkinDataFixture main(sfMainform), other(sfDialog);
    Manager->RegisterSkinData(&main.Data);
    Manager->RegisterSkinData(&other.Data);
    StartSkinning();
    HWND a = Track(MakeWindow()), b = Track(MakeWindow()), c = Track(MakeWindow(L"#32770"));
    ASSERT_TRUE(Manager->SkinWindow(a) && Manager->SkinWindow(b) && Manager->SkinWindow(c));
    Log.Events.clear();
    Manager->SetCurrentSkinData(&main.Data);
    Manager->RequestAction(saSkinChanged, 10);
    Manager->ActionTimerTick();
    EXPECT_EQ(Log.Events, (std::vector<std::string>{"ReloadSkinData", "ReloadSkinData", "Reskin", "Reskin"}));
}

TEST_F(SkinManageTest, OnlyThisFormComponentSkinsAndUnskinsItsOwnerAlone) {
    TSkinDataFixture main(sfMainform);
    Manager->RegisterSkinData(&main.Data);
    TForm own(nullptr), other(nullptr);
    own.SetBounds(0, 0, 300, 200);
    other.SetBounds(0, 0, 300, 200);
    own.Show();
    other.Show();
    TSkinData only(&own);
    only.SetSkinFormtype(sfOnlyThisForm);
    only.SkinEmpty = false;
    Manager->RegisterSkinData(&only);
    Manager->SetReadyCount(1);

    Manager->SetCurrentSkinData(&only);
    Manager->RequestAction(saSkinAll, 10);
    Manager->ActionTimerTick();
    ASSERT_EQ(Fakes.size(), 1u);
    EXPECT_EQ(Fakes[0]->Form(), &own);
    EXPECT_EQ(Fakes[0]->SkinData(), &only);  // the form's own component wins over the main one

    ASSERT_TRUE(Manager->SkinWindow(other.Handle()));
    EXPECT_EQ(Fakes[1]->SkinData(), &main.Data);
    Manager->SetCurrentSkinData(&only);
    Manager->RequestAction(saUnskinAll, 10);
    Manager->ActionTimerTick();
    EXPECT_EQ(Manager->FormSkinnerCount(), 1);
    EXPECT_EQ(Manager->FindFormSkinner(own.Handle()), nullptr);
    EXPECT_NE(Manager->FindFormSkinner(other.Handle()), nullptr);
}

TEST_F(SkinManageTest, TimerFiresInsideAModalLoopButNeverReentersItsOwnTick) {
    TSkinDataFixture main(sfMainform);
    int changed = 0;
    main.Data.OnSkinChanged = [&](TObject*) { ++changed; };
    Manager->RegisterSkinData(&main.Data);
    StartSkinning();
    HWND wnd = Track(MakeWindow());
    ASSERT_TRUE(Manager->SkinWindow(wnd));

    // Unskin all is requested, then the window enters a modal loop inside its own procedure (which runs inside
    // the skinner's). The tick runs in that loop: the skinner is detached at once but must not be freed there.
    Manager->SetCurrentSkinData(&main.Data);
    Manager->RequestAction(saUnskinAll, 50);
    int ticksSeen = 0;
    std::function<bool()> until = [&] {
        if (changed > ticksSeen) ticksSeen = changed;
        return Manager->FormSkinnerCount() == 0 && Manager->CurrentSkinData() == nullptr;
    };
    ::SendMessageW(wnd, kRunNestedLoop, 0, reinterpret_cast<LPARAM>(&until));
    EXPECT_EQ(changed, 1);
    EXPECT_EQ(Log.Count("Detach"), 1);
    EXPECT_EQ(Log.Alive, 1) << "freed while its procedure was on the stack";
    EXPECT_EQ(Manager->ReleasedCount(), 1);
    EXPECT_FALSE(Manager->TimerEnabled());

    // Once the procedure returned, the next purge frees it.
    Manager->PurgeReleased();
    EXPECT_EQ(Log.Alive, 0);
    EXPECT_EQ(Manager->ReleasedCount(), 0);
    Pump(300);
    EXPECT_EQ(changed, 1);
}

// ---------------------------------------------------------------------------------------------------------------
// The hook

TEST_F(SkinManageTest, HookSeesCreationActivationAndDestruction) {
    TSkinDataFixture main(sfMainform);
    Manager->RegisterSkinData(&main.Data);
    Manager->InstallHook();
    Manager->InstallHook();  // once only
    ASSERT_TRUE(Manager->HookInstalled());
    Manager->RequestAction(saSkinAll, 250);  // not ready yet: skinning switches on at once
    ASSERT_TRUE(Manager->Skinning());
    ASSERT_EQ(Manager->ReadyCount(), 0);
    GTestCbt = ::SetWindowsHookExW(WH_CBT, TestCbt, nullptr, ::GetCurrentThreadId());

    HWND wnd = Track(MakeWindow());
    EXPECT_TRUE(Fakes.empty()) << "creation alone skins nothing";
    ::ShowWindow(wnd, SW_SHOW);
    ::SetForegroundWindow(wnd);
    EXPECT_EQ(Manager->ReadyCount(), 1);
    ASSERT_EQ(Fakes.size(), 1u);
    ASSERT_TRUE(PumpUntil([&] { return Fakes[0]->Started > 0; }));
    ::DestroyWindow(wnd);
    ::UnhookWindowsHookEx(GTestCbt);
    EXPECT_EQ(Fakes[0]->SkinState(), TSkinState::Dead);

    static const TMsgEntry kSequence[] = {
        {kCbtBase + HCBT_CREATEWND, kHook},
        {kCbtBase + HCBT_ACTIVATE, kHook},
        {kAttachMark, kSent},
        {WM_SKIN_STARTED, kPosted | kWParam | kLParam, 0, 1000},
        {kCbtBase + HCBT_DESTROYWND, kHook},
        {WM_NCDESTROY, kSent},
    };
    EXPECT_TRUE(Recorder.Matches(kSequence, "create, activate, destroy"));

    // The dead skinner is freed by the next purge, not before.
    EXPECT_EQ(Log.Alive, 1);
    Manager->PurgeReleased();
    EXPECT_EQ(Log.Alive, 0);
    EXPECT_EQ(Manager->FormSkinnerCount(), 0);
}

TEST_F(SkinManageTest, InstallingTheHookTwiceSeesEachCreationOnce) {
    TSkinDataFixture main(sfMainform);
    int created = 0;
    main.Data.OnWindowCreated = [&](TObject*, HWND, const std::string& cls) {
        created += cls == "QdManagerTestWindow";
    };
    Manager->RegisterSkinData(&main.Data);
    StartSkinning();
    Manager->InstallHook();
    Manager->InstallHook();
    Track(MakeWindow());
    EXPECT_EQ(created, 1);
}

TEST_F(SkinManageTest, ActivationWhileNotSkinningOnlyMakesTheManagerReady) {
    TSkinDataFixture main(sfMainform);
    Manager->RegisterSkinData(&main.Data);
    Manager->InstallHook();
    HWND wnd = Track(MakeWindow());
    ::ShowWindow(wnd, SW_SHOW);
    ::SetForegroundWindow(wnd);
    EXPECT_EQ(Manager->ReadyCount(), 1);
    EXPECT_TRUE(Fakes.empty());
    // Now ready: a request goes through the timer instead of switching at once.
    Manager->RequestAction(saSkinAll, 250);
    EXPECT_FALSE(Manager->Skinning());
    EXPECT_TRUE(Manager->TimerEnabled());
}

TEST_F(SkinManageTest, OnWindowCreatedSeesTopLevelWindowsAndItsExceptionsAreSwallowed) {
    TSkinDataFixture main(sfMainform);
    std::vector<std::string> created;
    main.Data.OnWindowCreated = [&](TObject*, HWND, const std::string& cls) {
        // Wine adds windows of its own (an "IME" window): only ours are counted.
        if (cls != "QdManagerTestWindow" && cls != "Static") return;
        created.push_back(cls);
        throw Exception("handler failed");
    };
    Manager->RegisterSkinData(&main.Data);
    Manager->InstallHook();
    StartSkinning();
    HWND top = Track(MakeWindow());
    ASSERT_NE(top, nullptr) << "an exception in the handler must not stop the creation";
    HWND child = ::CreateWindowExW(0, L"Static", L"", WS_CHILD, 0, 0, 10, 10, top, nullptr, nullptr, nullptr);
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(created, std::vector<std::string>{"QdManagerTestWindow"});
    EXPECT_EQ(TakeSwallowed(), 1u) << "swallowed, but counted";
}

// ---------------------------------------------------------------------------------------------------------------
// Which windows qualify

TEST_F(SkinManageTest, QualificationRules) {
    TSkinDataFixture main(sfMainform);
    Manager->RegisterSkinData(&main.Data);
    HWND normal = Track(MakeWindow());
    EXPECT_FALSE(Manager->SkinWindow(normal)) << "not skinning yet";
    StartSkinning();

    HWND zeroWidth = Track(MakeWindow(nullptr, 0, 100, WS_POPUP));
    HWND zeroHeight = Track(MakeWindow(nullptr, 100, 0, WS_POPUP));
    EXPECT_FALSE(Manager->SkinWindow(zeroWidth));
    EXPECT_FALSE(Manager->SkinWindow(zeroHeight));
    EXPECT_FALSE(Manager->SkinWindow(nullptr));

    static const ATOM appClass = [] {
        WNDCLASSW wc{};
        wc.lpfnWndProc = ::DefWindowProcW;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.lpszClassName = L"TQRStandardPreview";
        return ::RegisterClassW(&wc);
    }();
    (void)appClass;
    EXPECT_FALSE(Manager->SkinWindow(Track(MakeWindow(L"TQRStandardPreview"))));

    TForm tagged(nullptr);
    tagged.SetBounds(0, 0, 200, 100);
    tagged.SetTag(99);
    EXPECT_FALSE(Manager->SkinWindow(tagged.Handle())) << "a form with Tag 99 is never skinned";
    TForm tagged199(nullptr);
    tagged199.SetBounds(0, 0, 200, 100);
    tagged199.SetTag(199);
    EXPECT_TRUE(Manager->SkinWindow(tagged199.Handle())) << "the form rule is Tag 99 exactly";

    EXPECT_TRUE(Manager->SkinWindow(normal));
    EXPECT_FALSE(Manager->SkinWindow(normal)) << "already skinned";
    EXPECT_EQ(Manager->FormSkinnerCount(), 2);
}

TEST_F(SkinManageTest, AnEmptySkinOrNoComponentSkinsNothing) {
    StartSkinning();
    HWND wnd = Track(MakeWindow());
    EXPECT_FALSE(Manager->SkinWindow(wnd)) << "no component registered";
    TSkinDataFixture main(sfMainform);
    main.Data.SkinEmpty = true;
    Manager->RegisterSkinData(&main.Data);
    EXPECT_FALSE(Manager->SkinWindow(wnd));
    main.Data.SkinEmpty = false;
    EXPECT_TRUE(Manager->SkinWindow(wnd));
}

TEST_F(SkinManageTest, AWindowOfAVetoedClassStaysPlain) {
    TSkinDataFixture main(sfMainform);
    Manager->RegisterSkinData(&main.Data);
    Manager->InstallHook();
    StartSkinning();

    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_DATE_CLASSES};
    ASSERT_TRUE(::InitCommonControlsEx(&icc));
    HWND calendar = Track(::CreateWindowExW(0, MONTHCAL_CLASSW, L"", WS_POPUP | WS_BORDER, 20, 20, 250, 200, nullptr,
                                            nullptr, nullptr, nullptr));
    ASSERT_NE(calendar, nullptr);
    ::ShowWindow(calendar, SW_SHOW);
    ::SetForegroundWindow(calendar);
    Pump(50);
    EXPECT_FALSE(Manager->SkinWindow(calendar));
    EXPECT_TRUE(Fakes.empty());
    EXPECT_EQ(::SendMessageW(calendar, WM_SKIN_QUERY, 0, 0), 0);

    // The application's own veto, by class name.
    std::vector<std::string> asked;
    main.Data.OnFormSkin = [&](TObject*, const std::string& cls, bool& doSkin) {
        asked.push_back(cls);
        doSkin = cls != "QdManagerTestWindow";
    };
    HWND vetoed = Track(MakeWindow());
    ::ShowWindow(vetoed, SW_SHOW);
    ::SetForegroundWindow(vetoed);
    EXPECT_TRUE(Fakes.empty());
    EXPECT_FALSE(asked.empty());
    EXPECT_EQ(::SendMessageW(vetoed, WM_SKIN_QUERY, 0, 0), 0);
}

TEST_F(SkinManageTest, AWindowThatAlreadyHasASkinnerIsLeftAlone) {
    TSkinDataFixture main(sfMainform);
    Manager->RegisterSkinData(&main.Data);
    StartSkinning();
    HWND wnd = Track(MakeWindow());
    auto answer = [](HWND w, UINT m, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR) -> LRESULT {
        return m == WM_SKIN_QUERY ? 1 : ::DefSubclassProc(w, m, wp, lp);
    };
    ASSERT_TRUE(::SetWindowSubclass(wnd, answer, 7, 0));
    EXPECT_FALSE(Manager->SkinWindow(wnd));
    ::RemoveWindowSubclass(wnd, answer, 7);
    EXPECT_TRUE(Manager->SkinWindow(wnd));
}

TEST_F(SkinManageTest, MDIChildIsSkinnedOnlyInTheForcedPass) {
    TSkinDataFixture main(sfMainform);
    Manager->RegisterSkinData(&main.Data);
    StartSkinning();
    HWND frame = Track(MakeWindow());
    CLIENTCREATESTRUCT ccs{nullptr, 1000};
    HWND client =
        ::CreateWindowExW(0, L"MDICLIENT", L"", WS_CHILD | WS_VISIBLE, 0, 0, 280, 180, frame, nullptr, nullptr, &ccs);
    ASSERT_NE(client, nullptr);
    MDICREATESTRUCTW mcs{TestClass(), L"child", ::GetModuleHandleW(nullptr), 0, 0, 150, 100, 0, 0};
    HWND child = reinterpret_cast<HWND>(::SendMessageW(client, WM_MDICREATE, 0, reinterpret_cast<LPARAM>(&mcs)));
    ASSERT_NE(child, nullptr);
    EXPECT_FALSE(Manager->SkinWindow(child));
    EXPECT_TRUE(Fakes.empty());
}

TEST_F(SkinManageTest, FailedAttachLeavesNothingBehindAndTheWindowCanBeSkinnedLater) {
    TSkinDataFixture main(sfMainform);
    Manager->RegisterSkinData(&main.Data);
    StartSkinning();
    for (bool* fault : {&ThrowOnAttach, &RefuseAttach}) {
        *fault = true;
        HWND wnd = Track(MakeWindow());
        EXPECT_FALSE(Manager->SkinWindow(wnd));
        EXPECT_EQ(Manager->FormSkinnerCount(), 0);
        EXPECT_EQ(Log.Alive, 0);
        EXPECT_EQ(TakeSwallowed(), fault == &ThrowOnAttach ? 1u : 0u);
        MSG m;
        EXPECT_FALSE(::PeekMessageW(&m, wnd, WM_SKIN_STARTED, WM_SKIN_STARTED, PM_REMOVE)) << "started, not attached";
        *fault = false;
        EXPECT_TRUE(Manager->SkinWindow(wnd));
        EXPECT_EQ(Manager->FormSkinnerCount(), 1);
        ::DestroyWindow(wnd);
        Pump(10);
    }
}

// ---------------------------------------------------------------------------------------------------------------
// Skin data choice, message boxes and common dialogs

TEST_F(SkinManageTest, DialogsUseTheDialogComponentElseTheMainOne) {
    TSkinDataFixture first(sfDialog), main(sfMainform), dialog(sfDialog);
    Manager->RegisterSkinData(&first.Data);
    EXPECT_EQ(Manager->ChooseSkinData(nullptr, "TForm_X"), &first.Data) << "the first registered, as a last resort";
    Manager->RegisterSkinData(&main.Data);
    Manager->RegisterSkinData(&dialog.Data);
    EXPECT_EQ(Manager->ChooseSkinData(nullptr, "#32770"), &dialog.Data) << "the last dialog component";
    EXPECT_EQ(Manager->ChooseSkinData(nullptr, "TMessageForm"), &dialog.Data);
    EXPECT_EQ(Manager->ChooseSkinData(nullptr, "QdManagerTestWindow"), &main.Data);
    Manager->UnregisterSkinData(&first.Data);
    Manager->UnregisterSkinData(&dialog.Data);
    EXPECT_EQ(Manager->ChooseSkinData(nullptr, "#32770"), &main.Data);
}

TEST_F(SkinManageTest, MessageBoxOpenedWithTheSkinActiveGetsAFormSkinner) {
    TSkinDataFixture main(sfMainform), dialog(sfDialog);
    Manager->RegisterSkinData(&main.Data);
    Manager->RegisterSkinData(&dialog.Data);
    Manager->InstallHook();
    StartSkinning();
    std::vector<TDispatchItem> controls;
    Manager->DispatchSink = [&](ISkinForm&, const TDispatchItem& item) { controls.push_back(item); };
    // Once skinned and started (controls dispatched), the box is cancelled.
    OnStarted = [](TFakeSkinForm& fake) { ::PostMessageW(fake.Handle(), WM_COMMAND, IDCANCEL, 0); };
    const int answer = ::MessageBoxW(nullptr, L"岚栎在线订单管理系统", L"test", MB_OKCANCEL);
    EXPECT_EQ(answer, IDCANCEL);
    ASSERT_EQ(Fakes.size(), 1u);
    EXPECT_EQ(Log.Events.front(), "AttachWindow #32770");
    EXPECT_EQ(Fakes[0]->SkinData(), &dialog.Data);
    EXPECT_EQ(Fakes[0]->Started, 1);
    int buttons = 0;
    for (const auto& item : controls) buttons += item.Decision.Kind == TSkinnerKind::Button;
    EXPECT_EQ(buttons, 2) << "OK and Cancel";
    EXPECT_EQ(Fakes[0]->SkinState(), TSkinState::Dead);
    Manager->PurgeReleased();
    EXPECT_EQ(Log.Alive, 0);
}

TEST_F(SkinManageTest, CommonFileDialogOpenedWithTheSkinActiveGetsAFormSkinner) {
    TSkinDataFixture main(sfMainform);
    Manager->RegisterSkinData(&main.Data);
    Manager->InstallHook();
    StartSkinning();
    std::vector<TDispatchItem> controls;
    Manager->DispatchSink = [&](ISkinForm&, const TDispatchItem& item) { controls.push_back(item); };
    OnStarted = [](TFakeSkinForm& fake) { ::PostMessageW(fake.Handle(), WM_COMMAND, IDCANCEL, 0); };
    EXPECT_EQ(qd::test::ShowFileOpenDialog(), HRESULT_FROM_WIN32(ERROR_CANCELLED)) << "cancelled, not failed";
    ASSERT_GE(Fakes.size(), 1u);
    EXPECT_EQ(Log.Events.front(), "AttachWindow #32770");
    EXPECT_EQ(Fakes[0]->SkinData(), &main.Data) << "no dialog component: the main one";
    bool sawEditOrCombo = false;
    for (const auto& item : controls)
        sawEditOrCombo |= item.Decision.Kind == TSkinnerKind::ComBox || item.Decision.Kind == TSkinnerKind::Edit;
    EXPECT_TRUE(sawEditOrCombo);
}

// ---------------------------------------------------------------------------------------------------------------
// Popup menu windows

TEST_F(SkinManageTest, PopupMenuWindowsAreTrackedUntilTheirWindowGoesEvenWhenSkinningStopped) {
    TSkinDataFixture main(sfMainform);
    Manager->RegisterSkinData(&main.Data);
    Manager->InstallHook();
    StartSkinning();
    Manager->PopupSkinnerFactory = [this](HWND wnd) { return std::make_unique<TFakePopup>(wnd, Log); };
    Manager->SetMenuFromBar(true);
    HWND menu = ::CreateWindowExW(0, L"#32768", L"", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(Manager->PopupSkinnerCount(), 1);
    EXPECT_TRUE(Log.Has("popup attach"));
    EXPECT_TRUE(Log.Has("popup from bar"));

    Manager->SetMenuKind(2);
    Manager->SetSkinning(false);
    ::DestroyWindow(menu);
    EXPECT_EQ(Manager->PopupSkinnerCount(), 0);
    EXPECT_TRUE(Log.Has("popup detach"));
    EXPECT_EQ(Log.Alive, 0);
    EXPECT_EQ(Manager->MenuKind(), 0);
    EXPECT_FALSE(Manager->MenuFromBar());
}

TEST_F(SkinManageTest, PopupSkinningFollowsTheMenuKindBits) {
    TSkinDataFixture main(sfMainform);
    Manager->RegisterSkinData(&main.Data);
    Manager->InstallHook();
    StartSkinning();
    Manager->PopupSkinnerFactory = [this](HWND wnd) { return std::make_unique<TFakePopup>(wnd, Log); };
    struct Case {
        int kind;
        TSkinControls controls;
        bool skinned;
    };
    const Case cases[] = {
        {0, SkinControlBit(xcPopupMenu), true},
        {0, DefaultSkinControls & ~SkinControlBit(xcPopupMenu), false},
        {1, SkinControlBit(xcMainMenu), true},
        {1, SkinControlBit(xcMenuItem), true},
        {1, SkinControlBit(xcPopupMenu), false},
        {2, SkinControlBit(xcSystemMenu), true},
        {2, DefaultSkinControls & ~SkinControlBit(xcSystemMenu), false},
    };
    for (const Case& c : cases) {
        main.Data.SetSkinControls(c.controls);
        Manager->SetMenuKind(c.kind);
        HWND menu = ::CreateWindowExW(0, L"#32768", L"", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
        EXPECT_EQ(Manager->PopupSkinnerCount(), c.skinned ? 1 : 0) << "kind " << c.kind << " bits " << c.controls;
        ::DestroyWindow(menu);
        EXPECT_EQ(Manager->PopupSkinnerCount(), 0);
    }
}

TEST_F(SkinManageTest, PopupBitmapsAndFromBarMarks) {
    TSkinDataFixture main(sfMainform);
    Manager->RegisterSkinData(&main.Data);
    Manager->InstallHook();
    StartSkinning();
    HMENU key = ::CreatePopupMenu();
    HBITMAP bmp = reinterpret_cast<HBITMAP>(static_cast<INT_PTR>(0x1234));
    Manager->PopupSkinnerFactory = [&](HWND wnd) {
        auto popup = std::make_unique<TFakePopup>(wnd, Log);
        popup->Key = key;
        popup->Bmp = bmp;
        return popup;
    };
    HWND menu = ::CreateWindowExW(0, L"#32768", L"", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
    EXPECT_EQ(Manager->FindPopupBitmap(key), bmp);
    EXPECT_EQ(Manager->FindPopupBitmap(nullptr), nullptr);
    EXPECT_FALSE(Log.Has("popup from bar"));
    Manager->MarkPopupsFromBar();
    EXPECT_TRUE(Log.Has("popup from bar"));
    ::DestroyWindow(menu);
    EXPECT_EQ(Manager->FindPopupBitmap(key), nullptr);
    ::DestroyMenu(key);
}

// ---------------------------------------------------------------------------------------------------------------
// MDI flag, destruction

TEST_F(SkinManageTest, MDIChildMaximizedTellsOnlyMDIChildrenAndOnlyOnChange) {
    TSkinDataFixture main(sfMainform);
    Manager->RegisterSkinData(&main.Data);
    StartSkinning();
    NextRole = TMDIRole::Child;
    ASSERT_TRUE(Manager->SkinWindow(Track(MakeWindow())));
    NextRole = TMDIRole::Frame;
    ASSERT_TRUE(Manager->SkinWindow(Track(MakeWindow())));
    Log.Events.clear();
    Manager->SetMDIChildMaximized(false);
    EXPECT_TRUE(Log.Events.empty());
    Manager->SetMDIChildMaximized(true);
    EXPECT_EQ(Log.Events, (std::vector<std::string>{"DropRegion", "CaptionStyle standard"}));
    Manager->SetMDIChildMaximized(true);
    EXPECT_EQ(Log.Events.size(), 2u);
    Manager->SetMDIChildMaximized(false);
    EXPECT_EQ(Log.Events.back(), "MDIMaximizeEnded");
    EXPECT_TRUE(Manager->MDIChildMaximized() == false);
}

TEST_F(SkinManageTest, DestroyingTheManagerDetachesEverySkinnerFirst) {
    TSkinDataFixture main(sfMainform);
    Manager->RegisterSkinData(&main.Data);
    Manager->InstallHook();
    StartSkinning();
    Manager->PopupSkinnerFactory = [this](HWND wnd) { return std::make_unique<TFakePopup>(wnd, Log); };
    HWND a = Track(MakeWindow()), b = Track(MakeWindow());
    ASSERT_TRUE(Manager->SkinWindow(a) && Manager->SkinWindow(b));
    HWND menu = ::CreateWindowExW(0, L"#32768", L"", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
    ASSERT_EQ(Manager->PopupSkinnerCount(), 1);
    Log.Events.clear();
    DestroySkinManager();
    Manager = nullptr;
    EXPECT_EQ(Log.Events, (std::vector<std::string>{"popup detach", "popup free", "Detach", "free", "Detach", "free"}));
    EXPECT_EQ(Log.Alive, 0);
    EXPECT_EQ(SkinManage(), nullptr);
    EXPECT_EQ(::SendMessageW(a, WM_SKIN_QUERY, 0, 0), 0);
    // The hook is gone: new windows are not seen.
    ::DestroyWindow(menu);
    HWND later = Track(MakeWindow());
    ::ShowWindow(later, SW_SHOW);
    EXPECT_EQ(Log.Alive, 0);
}

TEST_F(SkinManageTest, SkinDataComponentTalksToTheRealManager) {
    // The component creates the manager through the installed factory and registers itself on first use.
    DestroySkinManager();
    Manager = nullptr;
    TSkinData data(nullptr);
    data.SkinEmpty = false;
    data.SetActive(true);
    auto* manager = dynamic_cast<TSkinManage*>(SkinManager());
    ASSERT_NE(manager, nullptr);
    EXPECT_EQ(manager->RegisteredSkinData(), std::vector<TSkinData*>{&data});
    EXPECT_EQ(SkinManage(), static_cast<ISkinFormManager*>(manager));
}

TEST_F(SkinManageTest, SizeGripCreatedInASkinnedWindowGoesToItsFormSkinner) {
    TSkinDataFixture main(sfMainform);
    Manager->RegisterSkinData(&main.Data);
    Manager->InstallHook();
    StartSkinning();
    std::vector<std::pair<ISkinForm*, TDispatchItem>> seen;
    Manager->DispatchSink = [&](ISkinForm& skinner, const TDispatchItem& item) { seen.emplace_back(&skinner, item); };
    HWND parent = Track(MakeWindow());
    HWND plainParent = Track(MakeWindow());
    ASSERT_TRUE(Manager->SkinWindow(parent));
    HWND grip = ::CreateWindowExW(0, L"ScrollBar", L"", WS_CHILD | SBS_SIZEGRIP, 0, 0, 16, 16, parent, nullptr, nullptr,
                                  nullptr);
    HWND bar =
        ::CreateWindowExW(0, L"ScrollBar", L"", WS_CHILD | SBS_VERT, 0, 0, 16, 60, parent, nullptr, nullptr, nullptr);
    HWND otherGrip = ::CreateWindowExW(0, L"ScrollBar", L"", WS_CHILD | SBS_SIZEGRIP, 0, 0, 16, 16, plainParent,
                                       nullptr, nullptr, nullptr);
    ASSERT_TRUE(grip && bar && otherGrip);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].first, Fakes[0]);
    EXPECT_EQ(seen[0].second.Window, grip);
    EXPECT_EQ(seen[0].second.Decision.Kind, TSkinnerKind::Sizer);
}

TEST_F(SkinManageTest, SkinAllPassesOverInvisibleForms) {
    TSkinDataFixture main(sfMainform);
    Manager->RegisterSkinData(&main.Data);
    TForm shown(nullptr), hidden(nullptr);
    shown.SetBounds(0, 0, 200, 100);
    hidden.SetBounds(0, 0, 200, 100);
    shown.Show();
    hidden.HandleNeeded();
    Manager->SetReadyCount(1);
    Manager->SetCurrentSkinData(&main.Data);
    Manager->RequestAction(saSkinAll, 10);
    Manager->ActionTimerTick();
    ASSERT_EQ(Fakes.size(), 1u);
    EXPECT_EQ(Fakes[0]->Form(), &shown);
}

TEST_F(SkinManageTest, ReloadSkinFormsTouchesOnlyTheComponentsOwnSkinners) {
    TSkinDataFixture main(sfMainform), dialog(sfDialog);
    Manager->RegisterSkinData(&main.Data);
    Manager->RegisterSkinData(&dialog.Data);
    StartSkinning();
    ASSERT_TRUE(Manager->SkinWindow(Track(MakeWindow())));
    ASSERT_TRUE(Manager->SkinWindow(Track(MakeWindow(L"#32770"))));
    Log.Events.clear();
    Manager->ReloadSkinForms(&dialog.Data);
    EXPECT_EQ(Log.Events, std::vector<std::string>{"ReloadSkinData"});
    EXPECT_EQ(Fakes[1]->SkinData(), &dialog.Data);
}

TEST_F(SkinManageTest, RequestsWhileClosingDoNothing) {
    Manager->SetReadyCount(TSkinManage::ReadyCountClosing);
    Manager->RequestAction(saSkinAll, 250);
    EXPECT_EQ(Manager->PendingAction(), 0);
    EXPECT_FALSE(Manager->TimerEnabled());
    EXPECT_FALSE(Manager->Skinning());
}

TEST_F(SkinManageTest, FreeingAReleasedSkinnerKeepsTheNewerSkinnerOfTheSameWindow) {
    TSkinDataFixture main(sfMainform);
    Manager->RegisterSkinData(&main.Data);
    StartSkinning();
    HWND wnd = Track(MakeWindow());
    ASSERT_TRUE(Manager->SkinWindow(wnd));
    // Unskin all runs while the skinner's procedure is on the stack: it is detached and kept for later.
    Manager->SetCurrentSkinData(&main.Data);
    Manager->RequestAction(saUnskinAll, 10);
    // Still inside that procedure, the skin comes back on the same window.
    bool reskinned = false;
    std::function<bool()> until = [&] {
        if (Manager->ReleasedCount() != 1) return false;
        Manager->SetSkinning(true);
        reskinned = Manager->SkinWindow(wnd);
        return true;
    };
    ::SendMessageW(wnd, kRunNestedLoop, 0, reinterpret_cast<LPARAM>(&until));
    ASSERT_TRUE(reskinned);
    ASSERT_EQ(Manager->ReleasedCount(), 1);
    // Now the old skinner is freed; the newer one of the same window stays registered.
    Manager->PurgeReleased();
    EXPECT_EQ(Manager->ReleasedCount(), 0);
    EXPECT_EQ(Manager->FormSkinnerCount(), 1);
    EXPECT_EQ(Manager->FindFormSkinner(wnd), Fakes[1]);
    EXPECT_EQ(Log.Alive, 1);
}

TEST_F(SkinManageTest, ForgetWindowDropsASkinnerFreedElsewhere) {
    TSkinDataFixture main(sfMainform);
    Manager->RegisterSkinData(&main.Data);
    StartSkinning();
    HWND wnd = Track(MakeWindow());
    ASSERT_TRUE(Manager->SkinWindow(wnd));
    Manager->ForgetWindow(wnd);
    EXPECT_EQ(Manager->FormSkinnerCount(), 0);
    delete Fakes[0];  // its owner now
    EXPECT_EQ(Log.Alive, 0);
}
