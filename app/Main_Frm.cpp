#include "app/Main_Frm.h"

#include <cwchar>
#include <utility>

#include "app/AppConstants.h"
#include "app/Unit_MessageBox.h"
#include "browser/EmbeddedBrowser.h"
#include "skin/data/SkinData.h"
#include "framework/Properties.h"
#include "framework/Resources.h"

namespace qd {

TForm_Main* Form_Main = nullptr;

namespace {
SYSTEMTIME LocalTimeNow() {
    SYSTEMTIME now{};
    ::GetLocalTime(&now);
    return now;
}
}  // namespace

std::wstring FormatClockText(const SYSTEMTIME& time) {
    wchar_t text[64];
    // WORD fields: at most 5 digits each, so the buffer always holds the result.
    const int n = std::swprintf(text, sizeof text / sizeof text[0], L"%04u年%u月%u日 %02u:%02u:%02u",
                                static_cast<unsigned>(time.wYear), static_cast<unsigned>(time.wMonth),
                                static_cast<unsigned>(time.wDay), static_cast<unsigned>(time.wHour),
                                static_cast<unsigned>(time.wMinute), static_cast<unsigned>(time.wSecond));
    return n > 0 ? std::wstring(text, static_cast<std::size_t>(n)) : std::wstring();
}

TForm_Main::TForm_Main(TComponent* AOwner) : TForm(AOwner), FClock(LocalTimeNow) {
    // The description names the browser host and the skin data component: their classes must be known
    // before it is read (registering again does nothing).
    RegisterBrowserClasses();
    RegisterSkinDataClasses();
    // The description's own name is what its errors cite ("Form_Main, line 12, property ...").
    ReadStoredForm(LoadFormResource(ClassName()), "Form_Main");
}

void TForm_Main::Loaded() {
    TForm::Loaded();
    // Before FormCreate and before any tick: the reader reports a failure here with the description's line.
    CheckComponents();
}

TForm_Main::~TForm_Main() {
    // The timer goes with the components; no tick may reach the status bar after it.
    if (Timer_Main) Timer_Main->OnTimer = nullptr;
    if (Form_Main == this) Form_Main = nullptr;
}

void TForm_Main::CheckComponents() const {
    auto missing = [](const std::string& what) { throw Exception(what); };
    if (!StatusBar_Main) missing("the status bar StatusBar_Main is missing");
    if (StatusBar_Main->Panels().Count() != kPanelCount)
        missing("StatusBar_Main has " + std::to_string(StatusBar_Main->Panels().Count()) + " panels, not " +
                std::to_string(kPanelCount));
    if (!Timer_Main) missing("the clock timer Timer_Main is missing");
    if (!WebBrowser) missing("the browser host WebBrowser is missing");
    if (!SkinData_Main) missing("the skin data component SkinData_Main is missing");
}

void TForm_Main::SetClockSource(TClockSource source) { FClock = source ? std::move(source) : LocalTimeNow; }

void TForm_Main::FormCreate(TObject* /*Sender*/) {
    // The stored description has made the skin active already; this matters only if it was left
    // inactive. A failure here ends the handler: no navigation then.
    SkinData_Main->SetActive(true);
    // Then the browser opens the web application. Navigate2 gets the URL and leaves the four optional
    // arguments out; it returns at once and the page loads on its own. A failing result is raised.
    WebBrowser->Navigate2(kStartUrl);
}

void TForm_Main::FormCloseQuery(TObject* /*Sender*/, bool& CanClose) { CanClose = ShowMessageBox(kExitQuestion); }

void TForm_Main::Timer_MainTimer(TObject* /*Sender*/) {
    if (!StatusBar_Main || StatusBar_Main->Panels().Count() <= kClockPanel) return;
    StatusBar_Main->Panels().Items(kClockPanel)->SetText(FormatClockText(FClock()));
}

const TClassInfo& TForm_Main::StaticClassInfo() {
    static const TClassInfo info = TClassBuilder<TForm_Main>("TForm_Main", &TForm::StaticClassInfo())
                                       .Field("StatusBar_Main", &TForm_Main::StatusBar_Main)
                                       .Field("WebBrowser", &TForm_Main::WebBrowser)
                                       .Field("SkinData_Main", &TForm_Main::SkinData_Main)
                                       .Field("Timer_Main", &TForm_Main::Timer_Main)
                                       .Handler<TNotifyEvent>("FormCreate", &TForm_Main::FormCreate)
                                       .Handler<TCloseQueryEvent>("FormCloseQuery", &TForm_Main::FormCloseQuery)
                                       .Handler<TNotifyEvent>("Timer_MainTimer", &TForm_Main::Timer_MainTimer)
                                       .Factory(nullptr);
    return info;
}

}  // namespace qd
