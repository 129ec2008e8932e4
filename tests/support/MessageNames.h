#pragma once
// Names of the messages the tests record, for their output: the platform's, the framework's control messages
// and the skin's own ("WM_PAINT", "CM_DIALOGKEY", "WM_SKIN_STARTED"; "0x1234" for any other).

#include <windows.h>

#include <string>

namespace qd::test {

std::string MessageName(UINT msg);

}  // namespace qd::test
