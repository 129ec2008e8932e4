#pragma once
// What a status bar control holds, read back from the control as the platform reports it.

#include <windows.h>

#include <string>
#include <vector>

namespace qd::test {

// The text of one panel, without the alignment tabs in front.
std::wstring StatusPanelText(HWND bar, int index);
// Right edges of the parts (-1 = to the right edge).
std::vector<int> StatusPartEdges(HWND bar);

}  // namespace qd::test
