#pragma once
// Applies a stored form description (framework/FormText.h) to a root component: creates the components it
// describes, owned by the root, and sets every property by name through the class registry
// (framework/Properties.h). Portable: no platform headers.
//
// Order of work, which components rely on:
//   1. csLoading is set on the root; the root is named after the description and its properties are applied.
//   2. Each child object, depth first in file order: its class is looked up, it is created with the root as
//      owner (csLoading set), named, handed the object it is nested in (SetParentComponent), stored in the root's
//      published field of that name, and its properties are applied; then its own children follow.
//   3. References between components ("FocusControl = Button1") are resolved; they may name a later component.
//   4. Loaded() runs on the root, then on every created component in creation order.
// Any fault raises one EFormReadError naming the form, the line and, where there is one, the property. Components
// created before the fault stay owned by the root and go with it.

#include <string>
#include <string_view>

#include "framework/Component.h"
#include "framework/Exception.h"
#include "framework/FormText.h"

namespace qd {

class EFormReadError : public Exception {
public:
    EFormReadError(std::string message, int line, std::string property = {})
        : Exception(std::move(message)), FLine(line), FProperty(std::move(property)) {}
    int Line() const noexcept { return FLine; }
    const std::string& Property() const noexcept { return FProperty; }

private:
    int FLine;
    std::string FProperty;
};

// `source` names the form in messages (e.g. "Form_Main"). The tree's class must be the root's class or one of its
// ancestors.
void ReadComponent(TComponent& root, const TFormObject& tree, std::string_view source);
// Parses `text` and applies it; parse faults are raised as EFormReadError too.
void ReadComponentText(TComponent& root, std::string_view text, std::string_view source);

}  // namespace qd
