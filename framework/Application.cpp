#include "framework/Application.h"

#include <algorithm>

#include "framework/Controls.h"
#include "framework/Classes.h"
#include "framework/Forms.h"

namespace qd {

namespace {
TApplication& TheApplication() {
    static TApplication application(nullptr);
    return application;
}
}  // namespace

TApplication* const Application = &TheApplication();

void HandleCurrentException() noexcept {
    try {
        Application->HandleException();
    } catch (...) {
        // The report itself failed (out of memory): nothing more can be done at this edge.
        NoteSwallowed();
    }
}

TApplication::TApplication(TComponent* AOwner) : TComponent(AOwner) {}

TApplication::~TApplication() {
    SetState(TComponentStateFlag::csDestroying, true);
    DestroyComponents();
    if (FHandle) {
        ::DestroyWindow(FHandle);
        FHandle = nullptr;
    }
}

LRESULT CALLBACK TApplication::AppWndProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == CM_RELEASE) {
        // A form asked to be freed once the message it was handling had returned.
        auto* form = reinterpret_cast<TForm*>(lParam);
        auto& forms = Application->FForms;
        if (std::find(forms.begin(), forms.end(), form) != forms.end()) CallGuarded([&] { delete form; });
        return 0;
    }
    return ::DefWindowProcW(wnd, msg, wParam, lParam);
}

HWND TApplication::Handle() {
    if (!FHandle) {
        static const bool registered = [] {
            WNDCLASSEXW wc{};
            wc.cbSize = sizeof wc;
            wc.lpfnWndProc = AppWndProc;
            wc.hInstance = ::GetModuleHandleW(nullptr);
            wc.lpszClassName = L"TApplication";
            return ::RegisterClassExW(&wc) != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
        }();
        if (!registered) throw EInvalidOperation("Cannot register the application window class");
        FHandle = ::CreateWindowExW(0, L"TApplication", FTitle.c_str(), WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                    ::GetModuleHandleW(nullptr), nullptr);
        if (!FHandle) throw EInvalidOperation("Cannot create the application window");
    }
    return FHandle;
}

void TApplication::SetTitle(const std::wstring& value) {
    FTitle = value;
    if (FHandle) ::SetWindowTextW(FHandle, FTitle.c_str());
}

void TApplication::Notification(TComponent* component, TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation == TOperation::opRemove && component == FMainForm) FMainForm = nullptr;
}

void TApplication::RegisterForm(TForm* form) {
    if (std::find(FForms.begin(), FForms.end(), form) == FForms.end()) FForms.push_back(form);
}

void TApplication::UnregisterForm(TForm* form) noexcept {
    FForms.erase(std::remove(FForms.begin(), FForms.end(), form), FForms.end());
    if (form == FMainForm) FMainForm = nullptr;
}

TForm* TApplication::FindForm(HWND wnd) const noexcept {
    if (!wnd) return nullptr;
    for (TForm* f : FForms)
        if (f->HandleAllocated() && f->Handle() == wnd) return f;
    return nullptr;
}

int TApplication::AddMessageFilter(TMessageFilter filter) {
    const int id = FNextFilterId++;
    FFilters.push_back(TFilterEntry{id, std::move(filter)});
    return id;
}

void TApplication::RemoveMessageFilter(int id) noexcept {
    FFilters.erase(std::remove_if(FFilters.begin(), FFilters.end(), [id](const TFilterEntry& e) { return e.Id == id; }),
                   FFilters.end());
}

void TApplication::DispatchOne(MSG& msg) {
    // Filters may remove themselves (or others) while running: iterate over a copy of the ids.
    std::vector<int> ids;
    ids.reserve(FFilters.size());
    for (const auto& e : FFilters) ids.push_back(e.Id);
    for (int id : ids) {
        auto it = std::find_if(FFilters.begin(), FFilters.end(), [id](const TFilterEntry& e) { return e.Id == id; });
        if (it == FFilters.end()) continue;
        TMessageFilter filter = it->Filter;  // a copy: the filter may remove itself
        if (filter && filter(msg)) return;
    }
    if (TForm::RouteKeyMessage(msg)) return;
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
}

bool TApplication::ProcessMessage() {
    MSG msg;
    if (!::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) return false;
    if (msg.message == WM_QUIT) {
        FTerminated = true;
        return true;
    }
    CallGuarded([&] { DispatchOne(msg); });
    return true;
}

void TApplication::ProcessMessages() {
    while (ProcessMessage()) {
    }
}

void TApplication::HandleMessage() {
    MSG msg;
    const BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0 || got == -1) {
        FTerminated = true;
        return;
    }
    CallGuarded([&] { DispatchOne(msg); });
}

void TApplication::Run() {
    if (!FMainForm) return;  // nothing would ever end the loop
    if (!FMainForm->Visible()) CallGuarded([&] { FMainForm->Show(); });
    while (!FTerminated) {
        HandleMessage();
        if (!FMainForm) FTerminated = true;  // the main form is gone: nothing left to run for
    }
}

void TApplication::Terminate() {
    if (!FTerminated) ::PostQuitMessage(0);
    FTerminated = true;
}

TApplication::TErrorReporter TApplication::SetErrorReporter(TErrorReporter reporter) {
    return std::exchange(FReporter, std::move(reporter));
}

void TApplication::HandleException() noexcept {
    try {
        throw;
    } catch (const EAbort&) {
        // Silent by design.
    } catch (const std::exception& e) {
        if (OnException) {
            try {
                OnException(this, e);
                return;
            } catch (...) {
                // An exception handler that fails falls back to the standard report.
            }
        }
        ShowException(e);
    } catch (...) {
        const Exception unknown("An unknown error occurred");
        ShowException(unknown);
    }
}

void TApplication::ShowException(const std::exception& e) noexcept {
    try {
        std::wstring text = Utf8ToWide(e.what());
        if (text.empty()) text = L"An error occurred";
        std::wstring caption = FTitle;
        if (FReporter) {
            FReporter(caption, text);
            return;
        }
        // One box at a time: a failure while a box is up (timers keep firing) must not stack boxes.
        if (FReporting) return;
        TFlagScope reporting(FReporting);
        HWND owner = ::GetActiveWindow();
        ::MessageBoxW(owner, text.c_str(), caption.c_str(), MB_OK | MB_ICONSTOP | MB_TASKMODAL);
    } catch (...) {
        NoteSwallowed();
    }
}

}  // namespace qd

#include "framework/Properties.h"

namespace qd {
const TClassInfo& TApplication::StaticClassInfo() {
    static const TClassInfo info = TClassBuilder<TApplication>("TApplication", &TComponent::StaticClassInfo())
                                       .WStr("Title", &TApplication::Title, &TApplication::SetTitle)
                                       .Factory(nullptr);
    return info;
}
}  // namespace qd
