#include "skin/controls/SkinManage.h"

#include "skin/controls/SkinControl.h"

#include <algorithm>
#include <cctype>

#include "framework/Application.h"
#include "framework/Classes.h"
#include "framework/Controls.h"
#include "framework/Forms.h"
#include "skin/controls/SkinPopMenu.h"
#include "skin/data/SkinData.h"
#include "skin/form/SkinMessages.h"

namespace qd {

namespace {

TSkinManage* GInstance = nullptr;

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

TForm* FindForm(HWND wnd) noexcept { return dynamic_cast<TForm*>(TWinControl::FindControl(wnd)); }

bool IsMDIChildWindow(HWND wnd) {
    if (!(::GetWindowLongPtrW(wnd, GWL_STYLE) & WS_CHILD)) return false;
    HWND parent = ::GetParent(wnd);
    return parent && Lower(WindowClassName(parent)) == "mdiclient";
}

}  // namespace

std::string WindowClassName(HWND wnd) {
    wchar_t buffer[256] = {};
    const int len = ::GetClassNameW(wnd, buffer, 256);
    if (len <= 0) return {};
    return WideToUtf8(std::wstring_view(buffer, static_cast<std::size_t>(len)));
}

ISkinFormManager* SkinManage() noexcept { return GInstance; }

TSkinManage::TSkinManage() {
    FormSkinnerFactory = [](TForm* form, HWND wnd, ISkinFormManager* manager) {
        return CreateSkinForm(form, wnd, manager);
    };
    DispatchSink = [](ISkinForm& skinner, const TDispatchItem& item) { (void)CreateControlSkinner(skinner, item); };
    PopupSkinnerFactory = [](HWND wnd) -> std::unique_ptr<IPopupSkinner> {
        return std::make_unique<TSkinPopMenu>(wnd);
    };
    GInstance = this;
}

TSkinManage::~TSkinManage() {
    FReadyCount = ReadyCountClosing;
    StopTimer();
    if (FHook) {
        ::UnhookWindowsHookEx(FHook);
        FHook = nullptr;
    }
    while (!FPopups.empty()) {
        TPopupEntry entry = std::move(FPopups.back());
        FPopups.pop_back();
        CallSwallowing([&] { entry.Skinner->Detach(); });
    }
    // Every form skinner gives its window back before it goes. One still on the stack (the program ends inside
    // one of its handlers) is left alive rather than freed under its own feet.
    while (!FFormSkinners.empty()) DetachAndFree(FFormSkinners.size() - 1);
    for (auto& skinner : FReleased) {
        if (skinner && skinner->InDispatch()) (void)skinner.release();
    }
    ++FFreeing;
    FReleased.clear();
    --FFreeing;
    FSkinDatas.clear();
    if (GInstance == this) GInstance = nullptr;
}

void TSkinManage::InstallAsFactory() {
    SetSkinManagerFactory([] { return std::make_unique<TSkinManage>(); });
}

TSkinManage* TSkinManage::Instance() noexcept { return GInstance; }

// ---------------------------------------------------------------------------------------------------------------
// Registration

void TSkinManage::RegisterSkinData(TSkinData* skinData) {
    if (!skinData || std::find(FSkinDatas.begin(), FSkinDatas.end(), skinData) != FSkinDatas.end()) return;
    FSkinDatas.push_back(skinData);
    if (!FMainSkinData && skinData->SkinFormtype() == sfMainform) FMainSkinData = skinData;
}

void TSkinManage::UnregisterSkinData(TSkinData* skinData) {
    auto it = std::find(FSkinDatas.begin(), FSkinDatas.end(), skinData);
    if (it == FSkinDatas.end()) return;
    FSkinDatas.erase(it);
    // Skinners read the component's skin objects: none may outlive it.
    for (std::size_t i = FFormSkinners.size(); i-- > 0;) {
        if (i < FFormSkinners.size() && FFormSkinners[i]->SkinData() == skinData) DetachAndFree(i);
    }
    for (std::size_t i = FPopups.size(); i-- > 0;) {
        if (FPopups[i].SkinData != skinData) continue;
        TPopupEntry entry = std::move(FPopups[i]);
        FPopups.erase(FPopups.begin() + static_cast<std::ptrdiff_t>(i));
        CallSwallowing([&] { entry.Skinner->Detach(); });
    }
    if (FCurrentSkinData == skinData) {
        FCurrentSkinData = nullptr;
        FPendingAction = 0;
        StopTimer();
    }
    if (FMainSkinData == skinData) RecomputeMainSkinData();
}

void TSkinManage::RecomputeMainSkinData() {
    FMainSkinData = nullptr;
    for (TSkinData* data : FSkinDatas) {
        if (data->SkinFormtype() == sfMainform) {
            FMainSkinData = data;
            break;
        }
    }
}

// ---------------------------------------------------------------------------------------------------------------
// Hook

void TSkinManage::InstallHook() {
    if (FHook) return;
    FHook = ::SetWindowsHookExW(WH_CBT, &TSkinManage::CbtProc, nullptr, ::GetCurrentThreadId());
}

LRESULT CALLBACK TSkinManage::CbtProc(int code, WPARAM wParam, LPARAM lParam) {
    TSkinManage* self = GInstance;
    HHOOK hook = self ? self->FHook : nullptr;
    if (self) {
        // Nothing may cross the hook: a failure here must not stop the window being created or activated.
        CallSwallowing([&] { self->HandleCbt(code, wParam, lParam); });
    }
    return ::CallNextHookEx(hook, code, wParam, lParam);
}

void TSkinManage::HandleCbt(int code, WPARAM wParam, LPARAM lParam) {
    HWND wnd = reinterpret_cast<HWND>(wParam);
    if (code == HCBT_DESTROYWND) {
        // Whatever Skinning says: a popup skinner must never outlive its window.
        ReleasePopupMenuWindow(wnd);
        return;
    }
    if (code < 0 || !FSkinning) {
        if (code == HCBT_ACTIVATE && FReadyCount == 0) FReadyCount = 1;
        return;
    }
    switch (code) {
        case HCBT_CREATEWND: {
            const auto* cbt = reinterpret_cast<const CBT_CREATEWNDW*>(lParam);
            const DWORD style = cbt && cbt->lpcs ? static_cast<DWORD>(cbt->lpcs->style) : 0;
            const std::string cls = WindowClassName(wnd);
            if (IsSizeGripWindow(cls, style)) {
                HWND parent = cbt && cbt->lpcs ? cbt->lpcs->hwndParent : nullptr;
                if (ISkinForm* owner = parent ? FindFormSkinner(parent) : nullptr; owner && DispatchSink) {
                    TDispatchItem item;
                    item.Window = wnd;
                    item.Decision.Kind = TSkinnerKind::Sizer;
                    DispatchSink(*owner, item);
                }
            }
            if (!(style & WS_CHILD)) {
                if (cls == "#32768") SkinPopupMenuWindow(wnd);
                if (FMainSkinData && FMainSkinData->OnWindowCreated) {
                    // The application's handler may fail; window creation goes on.
                    CallSwallowing([&] { FMainSkinData->OnWindowCreated(FMainSkinData, wnd, cls); });
                }
            }
            break;
        }
        case HCBT_ACTIVATE:
            if (FReadyCount == 0) FReadyCount = 1;
            SkinWindow(wnd);
            break;
        default:
            break;
    }
}

// ---------------------------------------------------------------------------------------------------------------
// Form skinners

ISkinForm* TSkinManage::FindFormSkinner(HWND wnd) const noexcept {
    if (!wnd) return nullptr;
    for (const auto& skinner : FFormSkinners)
        if (skinner->Handle() == wnd) return skinner.get();
    return nullptr;
}

TSkinData* TSkinManage::ChooseSkinData(HWND wnd, const std::string& className) const {
    TSkinData* chosen = nullptr;
    for (TSkinData* data : FSkinDatas) {
        if (data->SkinFormtype() != sfOnlyThisForm) continue;
        auto* owner = dynamic_cast<TWinControl*>(data->Owner());
        if (owner && owner->HandleAllocated() && owner->Handle() == wnd) chosen = data;
    }
    if (chosen) return chosen;
    const std::string lower = Lower(className);
    if (lower == "tmessageform" || lower == "#32770") {
        for (TSkinData* data : FSkinDatas)
            if (data->SkinFormtype() == sfDialog) chosen = data;
        if (chosen) return chosen;
    }
    for (TSkinData* data : FSkinDatas)
        if (data->SkinFormtype() == sfMainform) chosen = data;
    if (chosen) return chosen;
    return FSkinDatas.empty() ? nullptr : FSkinDatas.front();
}

bool TSkinManage::SkinWindow(HWND wnd) {
    if (!FSkinning) return false;
    PurgeReleased();
    if (!::IsWindow(wnd)) return false;
    if (::SendMessageW(wnd, WM_SKIN_QUERY, 0, 0) == 1 || FindFormSkinner(wnd)) return false;
    TForm* form = FindForm(wnd);
    if (IsMDIChildWindow(wnd) && !FForcedPass) return false;
    RECT rect{};
    ::GetWindowRect(wnd, &rect);
    if (rect.right - rect.left == 0 || rect.bottom - rect.top == 0) return false;
    if (form && form->Tag() == 99) return false;
    const std::string cls = WindowClassName(wnd);
    if (cls == "TApplication" || cls == "TQRStandardPreview") return false;
    if (FMainSkinData && !FMainSkinData->FormSkinAllowed(cls)) return false;
    TSkinData* data = ChooseSkinData(wnd, cls);
    if (!data || data->SkinEmpty) return false;
    if (!FormSkinnerFactory) return false;

    std::unique_ptr<ISkinForm> skinner = FormSkinnerFactory(form, wnd, this);
    if (!skinner) return false;
    ISkinForm* raw = skinner.get();
    FFormSkinners.push_back(std::move(skinner));
    bool attached = false;
    try {
        attached = form ? raw->Attach(data, form) : raw->AttachWindow(data);
    } catch (const std::exception&) {
        NoteSwallowed();
        attached = false;
    }
    if (!attached) {
        // A skinner that could not attach gives back whatever it took and goes; the window may be skinned later.
        auto it =
            std::find_if(FFormSkinners.begin(), FFormSkinners.end(), [raw](const auto& s) { return s.get() == raw; });
        if (it != FFormSkinners.end()) DetachAndFree(static_cast<std::size_t>(it - FFormSkinners.begin()));
        return false;
    }
    ::PostMessageW(wnd, WM_SKIN_STARTED, 0, 1000);
    return true;
}

void TSkinManage::SkinForm(TForm& form) {
    if (!form.Visible()) return;
    HWND wnd = form.Handle();
    const bool mdiChild = form.FormStyle() == fsMDIChild;
    if (!mdiChild && (::GetWindowLongPtrW(wnd, GWL_STYLE) & WS_CHILD)) return;
    SkinWindow(wnd);
}

void TSkinManage::ForgetWindow(HWND wnd) {
    // Called from a form skinner's destructor: drop it without freeing (whoever destroys it owns that). While we
    // free one ourselves it is already out of the lists, and a newer skinner of the same window must stay.
    if (FFreeing > 0) return;
    for (auto* list : {&FFormSkinners, &FReleased}) {
        for (std::size_t i = 0; i < list->size(); ++i) {
            if ((*list)[i] && (*list)[i]->Handle() == wnd) {
                (void)(*list)[i].release();
                list->erase(list->begin() + static_cast<std::ptrdiff_t>(i));
                return;
            }
        }
    }
}

void TSkinManage::FreeWhenIdle(std::unique_ptr<ISkinForm> skinner) {
    if (!skinner) return;
    if (skinner->InDispatch()) {
        FReleased.push_back(std::move(skinner));
        return;
    }
    // Out of every list before the destructor runs: its ForgetWindow call must not hit another skinner.
    ++FFreeing;
    skinner.reset();
    --FFreeing;
}

void TSkinManage::DetachAndFree(std::size_t index) {
    std::unique_ptr<ISkinForm> skinner = std::move(FFormSkinners[index]);
    FFormSkinners.erase(FFormSkinners.begin() + static_cast<std::ptrdiff_t>(index));
    const HWND wnd = skinner->Handle();
    const bool alive = skinner->SkinState() != TSkinState::Dead && ::IsWindow(wnd);
    if (alive) CallSwallowing([&] { skinner->Detach(); });
    if (alive) {
        ::InvalidateRect(wnd, nullptr, TRUE);
        ::UpdateWindow(wnd);
    }
    FreeWhenIdle(std::move(skinner));
}

void TSkinManage::PurgeReleased() {
    for (std::size_t i = FFormSkinners.size(); i-- > 0;) {
        if (FFormSkinners[i]->SkinState() != TSkinState::Dead) continue;
        std::unique_ptr<ISkinForm> skinner = std::move(FFormSkinners[i]);
        FFormSkinners.erase(FFormSkinners.begin() + static_cast<std::ptrdiff_t>(i));
        FReleased.push_back(std::move(skinner));
    }
    // Free the released ones that are no longer on the stack; one may free another's last reference, so take
    // each out of the list before it goes.
    for (std::size_t i = FReleased.size(); i-- > 0;) {
        if (i >= FReleased.size() || !FReleased[i] || FReleased[i]->InDispatch()) continue;
        std::unique_ptr<ISkinForm> skinner = std::move(FReleased[i]);
        FReleased.erase(FReleased.begin() + static_cast<std::ptrdiff_t>(i));
        ++FFreeing;
        skinner.reset();
        --FFreeing;
    }
}

void TSkinManage::ReloadSkinForms(TSkinData* skinData) {
    if (!skinData) return;
    for (std::size_t i = 0; i < FFormSkinners.size(); ++i) {
        ISkinForm& skinner = *FFormSkinners[i];
        if (skinner.SkinData() == skinData && skinner.SkinState() != TSkinState::Dead) skinner.ReloadSkinData(skinData);
    }
}

void TSkinManage::SetMDIChildMaximized(bool value) {
    if (FMDIChildMaximized == value) return;
    FMDIChildMaximized = value;
    for (std::size_t i = 0; i < FFormSkinners.size(); ++i) {
        ISkinForm& skinner = *FFormSkinners[i];
        if (skinner.MDIRole() != TMDIRole::Child || skinner.SkinState() == TSkinState::Dead) continue;
        if (value) {
            skinner.DropRegion();
            skinner.SetCaptionStyle(true);
        } else {
            skinner.MDIMaximizeEnded();
        }
    }
}

void TSkinManage::SetMDIClient(HWND clientHandle, TForm* frameForm) {
    FMDIClientHandle = clientHandle;
    FMDIFrameForm = frameForm;
}

void TSkinManage::DispatchControls(ISkinForm& skinner) {
    if (!DispatchSink || !skinner.SkinData()) return;
    auto sink = [this, &skinner](const TDispatchItem& item) { DispatchSink(skinner, item); };
    if (TForm* form = skinner.Form()) {
        TFormDispatchContext context;
        context.SkinData = skinner.SkinData();
        context.Sink = sink;
        // A control that already has a skinner answers the engine's query.
        context.IsHandled = [](TControl* control) { return control->Perform(WM_SKIN_QUERY) == 1; };
        DispatchFormControls(*form, context);
    } else {
        DispatchPlainWindow(skinner.Handle(), sink);
    }
}

// ---------------------------------------------------------------------------------------------------------------
// Popup menu windows

void TSkinManage::SkinPopupMenuWindow(HWND wnd) {
    if (!FSkinning || !PopupSkinnerFactory) return;
    if (::SendMessageW(wnd, WM_SKIN_QUERY, 0, 0) == 1) return;
    for (const auto& entry : FPopups)
        if (entry.Skinner->Handle() == wnd) return;
    TSkinData* data = ChooseSkinData(wnd, WindowClassName(wnd));
    if (!data || data->SkinEmpty) return;
    const TSkinControls controls = data->SkinControls();
    bool wanted = false;
    switch (FMenuKind) {
        case MenuKindPopup:
            wanted = controls & SkinControlBit(xcPopupMenu);
            break;
        case MenuKindMenuBar:
            wanted = controls & (SkinControlBit(xcMainMenu) | SkinControlBit(xcMenuItem));
            break;
        case MenuKindSystem:
            wanted = controls & SkinControlBit(xcSystemMenu);
            break;
        default:
            break;
    }
    if (!wanted) return;
    std::unique_ptr<IPopupSkinner> skinner = PopupSkinnerFactory(wnd);
    if (!skinner) return;
    skinner->Attach(data);
    if (FMenuFromBar) skinner->SetFromMenuBar(true);
    FPopups.push_back(TPopupEntry{std::move(skinner), data});
}

void TSkinManage::ReleasePopupMenuWindow(HWND wnd) {
    for (std::size_t i = 0; i < FPopups.size(); ++i) {
        if (FPopups[i].Skinner->Handle() != wnd) continue;
        TPopupEntry entry = std::move(FPopups[i]);
        FPopups.erase(FPopups.begin() + static_cast<std::ptrdiff_t>(i));
        CallSwallowing([&] { entry.Skinner->Detach(); });
        break;
    }
    if (FPopups.empty()) {
        FMenuFromBar = false;
        FMenuKind = MenuKindPopup;
    }
}

void TSkinManage::MarkPopupsFromBar() {
    for (auto& entry : FPopups) entry.Skinner->SetFromMenuBar(true);
}

void TSkinManage::ClaimPendingPopup(HMENU menu) { TSkinPopMenu::ClaimPendingPopup(menu); }

HBITMAP TSkinManage::FindPopupBitmap(HMENU menu) {
    if (!menu) return nullptr;
    for (const auto& entry : FPopups)
        if (entry.Skinner->BitmapKey() == menu) return entry.Skinner->Bitmap();
    return nullptr;
}

// ---------------------------------------------------------------------------------------------------------------
// Deferred actions

void TSkinManage::RequestAction(int action, int delayMs) {
    if (FReadyCount == ReadyCountClosing) return;
    FPendingAction = action;
    FTimerInterval = delayMs > 0 ? delayMs : ActionInterval;
    if (FReadyCount != 0) {
        StartTimer();
        return;
    }
    if (action == saSkinAll) FSkinning = true;
    if (action == saUnskinAll) FSkinning = false;
}

void TSkinManage::StartTimer() {
    StopTimer();
    FTimerId = ::SetTimer(nullptr, 0, static_cast<UINT>(FTimerInterval), &TSkinManage::TimerProc);
}

void TSkinManage::StopTimer() noexcept {
    if (FTimerId) ::KillTimer(nullptr, FTimerId);
    FTimerId = 0;
}

void CALLBACK TSkinManage::TimerProc(HWND, UINT, UINT_PTR id, DWORD) {
    TSkinManage* self = GInstance;
    if (!self || self->FTimerId != id) {
        // A stale thread timer (the manager went or restarted it): make sure it stops.
        ::KillTimer(nullptr, id);
        return;
    }
    CallSwallowing([&] { self->ActionTimerTick(); });
}

void TSkinManage::ActionTimerTick() {
    // Disabled before anything else: the actions below run window procedures, and a modal loop in one of them
    // dispatches this thread's timers again.
    StopTimer();
    TSkinData* data = FCurrentSkinData;
    if (!data) return;
    RunAction(FPendingAction, *data);
    // The component may have been unregistered by a handler run above.
    if (FCurrentSkinData == data) {
        data->SkinChanged();
        FCurrentSkinData = nullptr;
    }
}

void TSkinManage::RunAction(int action, TSkinData& data) {
    auto formList = [] {
        std::vector<TForm*> forms;
        for (int i = 0; i < Application->FormCount(); ++i) forms.push_back(Application->Forms(i));
        return forms;
    };
    auto stillAForm = [](TForm* form) {
        for (int i = 0; i < Application->FormCount(); ++i)
            if (Application->Forms(i) == form) return true;
        return false;
    };
    if (action == saPurgeReleased) {
        PurgeReleased();
        return;
    }
    if (data.SkinFormtype() == sfOnlyThisForm) {
        switch (action) {
            case saSkinAll: {
                FSkinning = true;
                FForcedPass = true;
                std::vector<TForm*> forms = formList();
                for (std::size_t i = forms.size(); i-- > 0;) {
                    if (forms[i] == data.Owner()) {
                        if (stillAForm(forms[i])) SkinForm(*forms[i]);
                        break;
                    }
                }
                FForcedPass = false;
                break;
            }
            case saUnskinAll:
                FSkinning = false;
                PurgeReleased();
                for (std::size_t i = FFormSkinners.size(); i-- > 0;) {
                    if (FFormSkinners[i]->SkinData() == &data) {
                        DetachAndFree(i);
                        break;
                    }
                }
                break;
            case saSkinChanged:
                PurgeReleased();
                for (const auto& skinner : FFormSkinners) {
                    if (skinner->SkinData() != &data) continue;
                    skinner->ReloadSkinData(&data);
                    skinner->Reskin();
                    break;
                }
                break;
            default:
                break;
        }
        return;
    }
    switch (action) {
        case saSkinAll: {
            FSkinning = true;
            FForcedPass = true;
            PurgeReleased();
            std::vector<TForm*> forms = formList();
            for (std::size_t i = forms.size(); i-- > 0;)
                if (stillAForm(forms[i])) SkinForm(*forms[i]);
            FForcedPass = false;
            break;
        }
        case saUnskinAll:
            FSkinning = false;
            PurgeReleased();
            while (!FFormSkinners.empty()) DetachAndFree(FFormSkinners.size() - 1);
            break;
        case saSkinChanged: {
            PurgeReleased();
            // Every skinner of this component rebuilds from the new skin (its old button data is gone), then
            // all of them re-apply it.
            std::vector<ISkinForm*> users;
            for (const auto& skinner : FFormSkinners)
                if (skinner->SkinData() == &data) users.push_back(skinner.get());
            for (ISkinForm* skinner : users) skinner->ReloadSkinData(&data);
            for (ISkinForm* skinner : users)
                if (FindFormSkinner(skinner->Handle()) == skinner) skinner->Reskin();
            break;
        }
        default:
            break;
    }
}

}  // namespace qd
