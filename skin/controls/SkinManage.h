#pragma once
// TSkinManage: the process-wide skin manager. It watches window creation, activation and destruction of the GUI
// thread through a WH_CBT hook, attaches a form skinner to every top-level window that qualifies, keeps the popup
// menu skinners, and carries out the skin data components' requests (skin all, unskin all, skin changed, purge)
// from a 250 ms timer.
//
// Lifetime rules it keeps:
// - A form skinner is never freed while one of its procedures is on the stack (ISkinForm::InDispatch): the
//   250 ms timer fires inside menu, move/size and modal loops. Such a skinner is detached at once and freed by a
//   later purge.
// - Every form and popup skinner is detached before it is freed, also when the manager goes.
// - The hook is installed once; HCBT_DESTROYWND is handled whatever Skinning says, so a popup skinner never
//   outlives its window.

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "skin/controls/ControlDispatch.h"
#include "skin/controls/SkinManageIntf.h"
#include "skin/data/SkinManagerIntf.h"

namespace qd {

class TForm;

class TSkinManage final : public ISkinManager, public ISkinFormManager {
public:
    using TFormSkinnerFactory = std::function<std::unique_ptr<ISkinForm>(TForm* form, HWND wnd, ISkinFormManager*)>;
    // Receives the dispatch decisions for a skinned window (the control skinners are created there).
    using TDispatchSink = std::function<void(ISkinForm& skinner, const TDispatchItem& item)>;

    static constexpr int ActionInterval = 250;
    // ReadyCount while the manager is being destroyed: late requests do nothing.
    static constexpr int ReadyCountClosing = 4;

    TSkinManage();
    ~TSkinManage() override;
    TSkinManage(const TSkinManage&) = delete;
    TSkinManage& operator=(const TSkinManage&) = delete;

    // Makes CreateSkinManager build a TSkinManage (call before the first form is read).
    static void InstallAsFactory();
    // The live manager when it is a TSkinManage, else null.
    static TSkinManage* Instance() noexcept;

    // Creation of skinners (tests put doubles here). Defaults: the engine's form skinner, the popup menu skinner
    // (TSkinPopMenu), and the control skinners of CreateControlSkinner as the dispatch sink.
    TFormSkinnerFactory FormSkinnerFactory;
    TPopupSkinnerFactory PopupSkinnerFactory;
    TDispatchSink DispatchSink;

    // ISkinManager (skin data components)
    void RegisterSkinData(TSkinData* skinData) override;
    void UnregisterSkinData(TSkinData* skinData) override;
    void InstallHook() override;
    void RequestAction(int action, int delayMs) override;
    int ReadyCount() const override { return FReadyCount; }
    void SetReadyCount(int value) override { FReadyCount = value; }
    bool Skinning() const override { return FSkinning; }
    void SetSkinning(bool value) override { FSkinning = value; }
    TSkinData* CurrentSkinData() const override { return FCurrentSkinData; }
    void SetCurrentSkinData(TSkinData* skinData) override { FCurrentSkinData = skinData; }
    bool SkinWindow(HWND wnd) override;
    void ReloadSkinForms(TSkinData* skinData) override;

    // ISkinFormManager (form skinners)
    bool MDIChildMaximized() const override { return FMDIChildMaximized; }
    void SetMDIChildMaximized(bool value) override;
    void SetMDIClient(HWND clientHandle, TForm* frameForm) override;
    HWND MDIClientHandle() const override { return FMDIClientHandle; }
    TForm* MDIFrameForm() const noexcept override { return FMDIFrameForm; }
    void SetMenuKind(int kind) override { FMenuKind = kind; }
    int MenuKind() const noexcept { return FMenuKind; }
    void SetMenuFromBar(bool value) override { FMenuFromBar = value; }
    bool MenuFromBar() const noexcept { return FMenuFromBar; }
    void MarkPopupsFromBar() override;
    HBITMAP FindPopupBitmap(HMENU menu) override;
    void ClaimPendingPopup(HMENU menu) override;
    void ForgetWindow(HWND wnd) override;
    void DispatchControls(ISkinForm& skinner) override;
    std::vector<TSkinData*> RegisteredSkinData() const override { return FSkinDatas; }

    // For a framework form: skipped when invisible, or a non-MDI child with WS_CHILD; else SkinWindow.
    void SkinForm(TForm& form);
    ISkinForm* FindFormSkinner(HWND wnd) const noexcept;
    // Frees every form skinner whose window was destroyed (and every released one no longer on the stack).
    void PurgeReleased();
    void SkinPopupMenuWindow(HWND wnd);
    void ReleasePopupMenuWindow(HWND wnd);
    // The component for a window of class `className` (Choosing the skin data), or null.
    TSkinData* ChooseSkinData(HWND wnd, const std::string& className) const;

    // One tick of the action timer (the timer calls this; tests may too).
    void ActionTimerTick();

    TSkinData* MainSkinData() const noexcept { return FMainSkinData; }
    int PendingAction() const noexcept { return FPendingAction; }
    bool ForcedPass() const noexcept { return FForcedPass; }
    bool TimerEnabled() const noexcept { return FTimerId != 0; }
    bool HookInstalled() const noexcept { return FHook != nullptr; }
    int FormSkinnerCount() const noexcept { return static_cast<int>(FFormSkinners.size()); }
    ISkinForm* FormSkinner(int index) const { return FFormSkinners.at(static_cast<std::size_t>(index)).get(); }
    int PopupSkinnerCount() const noexcept { return static_cast<int>(FPopups.size()); }
    // Detached skinners still waiting to be freed (they were on the stack when they were let go).
    int ReleasedCount() const noexcept { return static_cast<int>(FReleased.size()); }

private:
    struct TPopupEntry {
        std::unique_ptr<IPopupSkinner> Skinner;
        TSkinData* SkinData;
    };

    static LRESULT CALLBACK CbtProc(int code, WPARAM wParam, LPARAM lParam);
    static void CALLBACK TimerProc(HWND, UINT, UINT_PTR id, DWORD);
    void HandleCbt(int code, WPARAM wParam, LPARAM lParam);
    void StartTimer();
    void StopTimer() noexcept;
    // Takes the skinner out of the list, detaches it and frees it (or keeps it for a later purge).
    void DetachAndFree(std::size_t index);
    void FreeWhenIdle(std::unique_ptr<ISkinForm> skinner);
    void RunAction(int action, TSkinData& data);
    void RecomputeMainSkinData();

    std::vector<std::unique_ptr<ISkinForm>> FFormSkinners;
    std::vector<std::unique_ptr<ISkinForm>> FReleased;
    std::vector<TPopupEntry> FPopups;
    std::vector<TSkinData*> FSkinDatas;
    HHOOK FHook = nullptr;
    UINT_PTR FTimerId = 0;
    int FTimerInterval = ActionInterval;
    bool FSkinning = false;
    bool FForcedPass = false;
    int FReadyCount = 0;
    int FMenuKind = MenuKindPopup;
    bool FMenuFromBar = false;
    bool FMDIChildMaximized = false;
    HWND FMDIClientHandle = nullptr;
    TForm* FMDIFrameForm = nullptr;
    int FPendingAction = 0;
    TSkinData* FCurrentSkinData = nullptr;
    TSkinData* FMainSkinData = nullptr;
    int FFreeing = 0;  // inside our own delete of a skinner
};

// Class name of a window as UTF-8 ("" when the window is gone).
std::string WindowClassName(HWND wnd);

}  // namespace qd
