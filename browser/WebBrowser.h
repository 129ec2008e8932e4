#pragma once
// TWebBrowser: the platform's WebBrowser control hosted in a control of ours. Exposes the control's
// IWebBrowser2 (Navigate2, Application, Document) and its DWebBrowserEvents2 events.

#include <windows.h>
#include <exdisp.h>
#include <exdispid.h>

#include <functional>
#include <string>

#include "framework/OleControl.h"

namespace qd {

using TBeforeNavigate2Event =
    std::function<void(TObject* Sender, IDispatch* pDisp, const VARIANT& URL, const VARIANT& Flags,
                       const VARIANT& TargetFrameName, const VARIANT& PostData, const VARIANT& Headers, bool& Cancel)>;
using TDocumentCompleteEvent = std::function<void(TObject* Sender, IDispatch* pDisp, const VARIANT& URL)>;
// ppDisp: the browser object the new window is to be opened in (null: the browser opens a window itself).
using TNewWindow2Event = std::function<void(TObject* Sender, IDispatch*& ppDisp, bool& Cancel)>;
using TWebBrowserTextEvent = std::function<void(TObject* Sender, const std::wstring& Text)>;

// The text of a variant (strings as they are, other types converted; empty for what does not convert).
std::wstring VariantText(const VARIANT& value);

class TWebBrowser : public TOleControl {
    QD_CLASS_INFO
public:
    explicit TWebBrowser(TComponent* AOwner);
    ~TWebBrowser() override;

    // The control's default interface (created on first use). Raises EOleError.
    IWebBrowser2* DefaultInterface();

    // Navigate2 with the arguments as given (null: the empty optional parameter, DISP_E_PARAMNOTFOUND).
    // Returns at once; a failing result is raised.
    void Navigate2(const VARIANT& URL, const VARIANT* Flags = nullptr, const VARIANT* TargetFrameName = nullptr,
                   const VARIANT* PostData = nullptr, const VARIANT* Headers = nullptr);
    void Navigate2(const std::wstring& url);
    // The Application property (DISPID 200): the browser object. The caller releases it.
    IDispatch* Application();
    // The Document property (DISPID 203), or null while there is none. The caller releases it.
    IDispatch* Document();
    std::wstring LocationURL();

    TBeforeNavigate2Event OnBeforeNavigate2;
    TDocumentCompleteEvent OnDocumentComplete;
    TNewWindow2Event OnNewWindow2;
    TWebBrowserTextEvent OnTitleChange;
    TWebBrowserTextEvent OnStatusTextChange;

protected:
    void InvokeEvent(DISPID id, DISPPARAMS& params) override;
    void ReleaseControlInterfaces() noexcept override;

private:
    TComPtr<IWebBrowser2> FBrowser;
};

// The empty optional parameter of automation calls.
VARIANT OptionalParam() noexcept;

// A VARIANT owned where it is declared, cleared when it goes.
struct TOwnedVariant {
    VARIANT Value;
    TOwnedVariant() noexcept { ::VariantInit(&Value); }
    // A string (VT_BSTR) copy of `text`; raises when it cannot be made.
    explicit TOwnedVariant(const std::wstring& text);
    ~TOwnedVariant() { ::VariantClear(&Value); }
    TOwnedVariant(const TOwnedVariant&) = delete;
    TOwnedVariant& operator=(const TOwnedVariant&) = delete;
};

}  // namespace qd
