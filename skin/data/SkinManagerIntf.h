#pragma once
// The side of the process-wide skin manager that skin data components talk to.
//
// TSkinData registers itself, asks for the window hook, requests the deferred actions (skin all, unskin all,
// skin changed) and reads or sets the ready counter, the skinning switch and the current component. The real
// manager (skin/controls) implements ISkinManager and installs its factory with SetSkinManagerFactory before the
// first form is read; until one is installed, CreateSkinManager makes the recording stand-in below, which also
// keeps the one rule of the real manager that a component's behaviour depends on: while the ready counter is 0,
// skin all and unskin all switch skinning on or off at once instead of waiting for the timer.
//
// The manager is created once (CreateSkinManager) and lives until DestroySkinManager (program end). Components
// never own it.

#include <windows.h>

#include <functional>
#include <memory>
#include <vector>

namespace qd {

class TSkinData;

// Deferred actions carried out by the manager's 250 ms timer.
enum TSkinAction : int { saSkinAll = 1, saUnskinAll = 2, saSkinChanged = 3, saPurgeReleased = 6 };

// Delay of every deferred action a skin data component requests.
inline constexpr int SkinActionDelay = 250;

class ISkinManager {
public:
    virtual ~ISkinManager() = default;

    // Appends to the registered components (a component already registered is not added twice).
    virtual void RegisterSkinData(TSkinData* skinData) = 0;
    // Removes it; a manager also forgets it as its current or main component.
    virtual void UnregisterSkinData(TSkinData* skinData) = 0;
    // The window hook for the calling thread (installed once).
    virtual void InstallHook() = 0;
    // Deferred action after `delayMs`; while ReadyCount() is 0 skin all / unskin all switch skinning at once.
    virtual void RequestAction(int action, int delayMs) = 0;

    virtual int ReadyCount() const = 0;
    virtual void SetReadyCount(int value) = 0;
    virtual bool Skinning() const = 0;
    virtual void SetSkinning(bool value) = 0;
    virtual TSkinData* CurrentSkinData() const = 0;
    virtual void SetCurrentSkinData(TSkinData* skinData) = 0;

    // Attaches a form skinner to the window if it qualifies; true when one was attached.
    virtual bool SkinWindow(HWND wnd) = 0;
    // Every form skinner that uses `skinData` reloads it (its skin objects were rebuilt).
    virtual void ReloadSkinForms(TSkinData* skinData) = 0;
};

// The manager, or null before CreateSkinManager.
ISkinManager* SkinManager() noexcept;
// The manager, created through the installed factory (or as the stand-in) the first time.
ISkinManager& CreateSkinManager();
// Destroys the manager (program end; tests between cases).
void DestroySkinManager() noexcept;

using TSkinManagerFactory = std::function<std::unique_ptr<ISkinManager>()>;
// Installs the factory CreateSkinManager uses; returns the previous one. An empty factory means the stand-in.
TSkinManagerFactory SetSkinManagerFactory(TSkinManagerFactory factory);

// The least manager: keeps the state a component reads and records every request in order, so the requests a
// component makes can be checked. It attaches nothing.
class TSkinManagerStandIn : public ISkinManager {
public:
    enum class TCall {
        Register,
        Unregister,
        InstallHook,
        RequestAction,
        SetReadyCount,
        SetSkinning,
        SetCurrentSkinData,
        SkinWindow,
        ReloadSkinForms
    };
    struct TRecord {
        TCall Call;
        int Value = 0;                  // action, ready count or switch
        int Delay = 0;                  // RequestAction
        TSkinData* SkinData = nullptr;  // Register, Unregister, SetCurrentSkinData
        HWND Window = nullptr;          // SkinWindow
        bool operator==(const TRecord&) const = default;
    };

    std::vector<TRecord> Calls;
    std::vector<TSkinData*> SkinDatas;
    int PendingAction = 0;
    int PendingDelay = 0;
    bool HookInstalled = false;

    void RegisterSkinData(TSkinData* skinData) override;
    void UnregisterSkinData(TSkinData* skinData) override;
    void InstallHook() override;
    void RequestAction(int action, int delayMs) override;
    int ReadyCount() const override { return FReadyCount; }
    void SetReadyCount(int value) override;
    bool Skinning() const override { return FSkinning; }
    void SetSkinning(bool value) override;
    TSkinData* CurrentSkinData() const override { return FCurrent; }
    void SetCurrentSkinData(TSkinData* skinData) override;
    bool SkinWindow(HWND wnd) override;
    void ReloadSkinForms(TSkinData* skinData) override;

private:
    int FReadyCount = 0;
    bool FSkinning = false;
    TSkinData* FCurrent = nullptr;
};

}  // namespace qd
