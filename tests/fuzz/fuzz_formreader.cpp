// Reads arbitrary description texts into a test form: every fault must end as an EFormReadError, and a form that
// was read must let every published value be read back.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "framework/FormReader.h"
#include "tests/framework/CoreTestClasses.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool registered = (qd::test::RegisterTestClasses(), true);
    (void)registered;
    qd::test::EventLog().clear();
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    qd::test::TTestForm form(nullptr);
    try {
        qd::ReadComponentText(form, text, "Fuzz");
    } catch (const qd::EFormReadError&) {
        return 0;
    }
    // Fired events reach the form's handlers; reading back never fails on a form that was read.
    (void)qd::GetPublishedValues(form);
    for (int i = 0; i < form.ComponentCount(); ++i) {
        qd::TComponent* c = form.Components(i);
        (void)qd::GetPublishedValues(*c);
        if (auto* control = dynamic_cast<qd::test::TTestControl*>(c)) {
            if (control->OnClick) control->OnClick(control);
            bool canClose = true;
            if (control->OnCloseQuery) control->OnCloseQuery(control, canClose);
        }
    }
    return 0;
}
