#pragma once
// The application object: title, icon, the forms of the process, the message loop with its key routing
// and pre-translation filters, and the standard error report.
//
// Every edge where the platform calls us back (window procedures, hooks, timer callbacks, COM methods) runs
// its body through CallGuarded (reported) or CallSwallowing (counted, framework/CallbackEdge.h): no C++ exception
// may unwind through platform frames.

#include <windows.h>

#include <exception>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "framework/CallbackEdge.h"
#include "framework/Component.h"
#include "framework/Graphics.h"

namespace qd {

class TForm;
class TWinControl;

// An exception that ends the current operation without an error report ("silent" abort).
class EAbort : public Exception {
public:
    EAbort() : Exception("Operation aborted") {}
};

class TApplication : public TComponent {
    QD_CLASS_INFO
public:
    // Receives the standard error report: the box caption (the title) and the message text.
    using TErrorReporter = std::function<void(const std::wstring& caption, const std::wstring& text)>;
    using TMessageFilter = std::function<bool(MSG& msg)>;  // true: the message was handled, skip dispatch

    explicit TApplication(TComponent* AOwner);
    ~TApplication() override;

    // The hidden window of class "TApplication" (created on demand): owner of the process's top-level forms'
    // error boxes and receiver of application-wide posted work.
    HWND Handle();

    const std::wstring& Title() const noexcept { return FTitle; }
    void SetTitle(const std::wstring& value);
    // The application's icon: forms without an icon of their own show it.
    TIcon& Icon() noexcept { return FIcon; }

    TForm* MainForm() const noexcept { return FMainForm; }
    // Creates a form owned by the application; the first form created becomes the main form.
    template <class T>
    void CreateForm(T*& ref) {
        T* form = new T(this);
        ref = form;
        if (!FMainForm) FMainForm = form;
    }

    // Shows the main form and runs the message loop until it closes (or Terminate); returns at once without a
    // main form. Exceptions escaping a message are reported.
    void Run();
    // Handles every message waiting in the queue, then returns.
    void ProcessMessages();
    // Waits for one message and handles it (blocks). Handles WM_QUIT by setting Terminated.
    void HandleMessage();
    // Handles one message if there is one; false when the queue was empty.
    bool ProcessMessage();
    void Terminate();
    bool Terminated() const noexcept { return FTerminated; }
    // Forgets an earlier Terminate (tests run several loops in one process).
    void ResetTerminated() noexcept { FTerminated = false; }

    // Call from inside a catch block: reports the exception being handled (EAbort stays silent).
    void HandleException() noexcept;
    // The standard error report: a message box with the title and the exception's message.
    void ShowException(const std::exception& e) noexcept;
    // Test seam: reports go to `reporter` instead of a message box. Returns the previous one (empty = box).
    TErrorReporter SetErrorReporter(TErrorReporter reporter);
    // Raised errors by OnException: when set, it replaces the default report.
    std::function<void(TObject* Sender, const std::exception& e)> OnException;

    // Pre-translation filters: run in order for every message the loop takes, before key routing,
    // translation and dispatch. Returns an id for RemoveMessageFilter.
    int AddMessageFilter(TMessageFilter filter);
    void RemoveMessageFilter(int id) noexcept;
    std::size_t MessageFilterCount() const noexcept { return FFilters.size(); }

    int ModalLevel() const noexcept { return FModalLevel; }

    // Forms of the process (every TForm registers itself while it exists).
    int FormCount() const noexcept { return static_cast<int>(FForms.size()); }
    TForm* Forms(int index) const { return FForms.at(static_cast<std::size_t>(index)); }
    // The form whose window is `wnd`, or null.
    TForm* FindForm(HWND wnd) const noexcept;

    // Framework internals.
    void RegisterForm(TForm* form);
    void UnregisterForm(TForm* form) noexcept;
    void ModalStarted() noexcept { ++FModalLevel; }
    void ModalFinished() noexcept { --FModalLevel; }

protected:
    void Notification(TComponent* component, TOperation operation) override;

private:
    // Runs the filters, the form key routing, then TranslateMessage/DispatchMessage.
    void DispatchOne(MSG& msg);
    static LRESULT CALLBACK AppWndProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);

    std::wstring FTitle;
    TIcon FIcon;
    HWND FHandle = nullptr;
    TForm* FMainForm = nullptr;
    bool FTerminated = false;
    int FModalLevel = 0;
    std::vector<TForm*> FForms;
    struct TFilterEntry {
        int Id;
        TMessageFilter Filter;
    };
    std::vector<TFilterEntry> FFilters;
    int FNextFilterId = 1;
    TErrorReporter FReporter;
    bool FReporting = false;
};

// The process's application object (lives until the process ends).
extern TApplication* const Application;

// Reports the exception being handled through the application's error report; safe to call from any catch.
void HandleCurrentException() noexcept;

// Runs `body` at a platform callback edge: an exception is reported and never unwinds further. CallGuarded(body)
// returns false when `body` raised; CallGuarded(failed, body) returns the result of `body`, or `failed` when it
// raised.
template <class... A>
auto CallGuarded(A&&... args) noexcept {
    return CallCatching(HandleCurrentException, std::forward<A>(args)...);
}

}  // namespace qd
