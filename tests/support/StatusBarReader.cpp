#include "support/StatusBarReader.h"

#include <commctrl.h>

#include <algorithm>
#include <cwchar>

namespace qd::test {

std::wstring StatusPanelText(HWND bar, int index) {
    const LRESULT info = ::SendMessageW(bar, SB_GETTEXTLENGTHW, static_cast<WPARAM>(index), 0);
    std::wstring text(static_cast<std::size_t>(LOWORD(info)) + 1, L'\0');
    ::SendMessageW(bar, SB_GETTEXTW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
    text.resize(std::wcslen(text.c_str()));
    const std::size_t first = text.find_first_not_of(L'\t');
    return first == std::wstring::npos ? std::wstring() : text.substr(first);
}

std::vector<int> StatusPartEdges(HWND bar) {
    const int n = static_cast<int>(::SendMessageW(bar, SB_GETPARTS, 0, 0));
    std::vector<int> edges(static_cast<std::size_t>(std::max(n, 0)));
    if (n > 0) ::SendMessageW(bar, SB_GETPARTS, static_cast<WPARAM>(n), reinterpret_cast<LPARAM>(edges.data()));
    return edges;
}

}  // namespace qd::test
