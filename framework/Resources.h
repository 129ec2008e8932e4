#pragma once
// Stored form descriptions embedded in the program as RCDATA resources, one per form class, named after the
// class in upper case ("TFORM_MAIN"). Tests can supply the texts instead of resources.

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "framework/Exception.h"

namespace qd {

// No stored description of that name.
class EResNotFound : public Exception {
public:
    using Exception::Exception;
};

// The resource name of a form class's description: the class name in ASCII upper case.
std::string FormResourceName(std::string_view className);

// The description text of `className` (UTF-8; a byte order mark is left for the reader). Looks in the
// provider first (when one is set), then in the program's RCDATA resources. Raises EResNotFound.
std::string LoadFormResource(std::string_view className);

// Test seam: answers descriptions by class name (nothing = look in the resources). Returns the previous one.
using TFormResourceProvider = std::function<std::optional<std::string>(std::string_view className)>;
TFormResourceProvider SetFormResourceProvider(TFormResourceProvider provider);

}  // namespace qd
