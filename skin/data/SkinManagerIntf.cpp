#include "skin/data/SkinManagerIntf.h"

#include <algorithm>
#include <utility>

namespace qd {

namespace {

std::unique_ptr<ISkinManager>& ManagerSlot() {
    static std::unique_ptr<ISkinManager> manager;
    return manager;
}

TSkinManagerFactory& FactorySlot() {
    static TSkinManagerFactory factory;
    return factory;
}

}  // namespace

ISkinManager* SkinManager() noexcept { return ManagerSlot().get(); }

ISkinManager& CreateSkinManager() {
    auto& slot = ManagerSlot();
    if (!slot) {
        auto& factory = FactorySlot();
        slot = factory ? factory() : nullptr;
        if (!slot) slot = std::make_unique<TSkinManagerStandIn>();
    }
    return *slot;
}

void DestroySkinManager() noexcept {
    // Moved out first: a component destroyed by the manager's destructor must already see no manager.
    std::unique_ptr<ISkinManager> doomed = std::move(ManagerSlot());
    doomed.reset();
}

TSkinManagerFactory SetSkinManagerFactory(TSkinManagerFactory factory) {
    return std::exchange(FactorySlot(), std::move(factory));
}

void TSkinManagerStandIn::RegisterSkinData(TSkinData* skinData) {
    Calls.push_back({TCall::Register, 0, 0, skinData, nullptr});
    if (skinData && std::find(SkinDatas.begin(), SkinDatas.end(), skinData) == SkinDatas.end())
        SkinDatas.push_back(skinData);
}

void TSkinManagerStandIn::UnregisterSkinData(TSkinData* skinData) {
    Calls.push_back({TCall::Unregister, 0, 0, skinData, nullptr});
    std::erase(SkinDatas, skinData);
    if (FCurrent == skinData) FCurrent = nullptr;
}

void TSkinManagerStandIn::InstallHook() {
    Calls.push_back({TCall::InstallHook});
    HookInstalled = true;
}

void TSkinManagerStandIn::RequestAction(int action, int delayMs) {
    Calls.push_back({TCall::RequestAction, action, delayMs, nullptr, nullptr});
    PendingAction = action;
    PendingDelay = delayMs;
    if (FReadyCount == 0) {
        if (action == saSkinAll) FSkinning = true;
        if (action == saUnskinAll) FSkinning = false;
    }
}

void TSkinManagerStandIn::SetReadyCount(int value) {
    Calls.push_back({TCall::SetReadyCount, value});
    FReadyCount = value;
}

void TSkinManagerStandIn::SetSkinning(bool value) {
    Calls.push_back({TCall::SetSkinning, value ? 1 : 0});
    FSkinning = value;
}

void TSkinManagerStandIn::SetCurrentSkinData(TSkinData* skinData) {
    Calls.push_back({TCall::SetCurrentSkinData, 0, 0, skinData, nullptr});
    FCurrent = skinData;
}

bool TSkinManagerStandIn::SkinWindow(HWND wnd) {
    Calls.push_back({TCall::SkinWindow, 0, 0, nullptr, wnd});
    return false;
}

void TSkinManagerStandIn::ReloadSkinForms(TSkinData* skinData) {
    Calls.push_back({TCall::ReloadSkinForms, 0, 0, skinData, nullptr});
}

}  // namespace qd
