#include "framework/Mnemonic.h"

#include <windows.h>

namespace qd {

wchar_t UpperKey(wchar_t c) noexcept {
    wchar_t buffer[1] = {c};
    ::CharUpperBuffW(buffer, 1);
    return buffer[0];
}

wchar_t GetHotkey(std::wstring_view caption) noexcept {
    for (std::size_t i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != L'&') continue;
        if (caption[i + 1] == L'&') {
            ++i;
            continue;
        }
        return UpperKey(caption[i + 1]);
    }
    return 0;
}

bool IsAccel(wchar_t key, std::wstring_view caption) noexcept {
    const wchar_t hotkey = GetHotkey(caption);
    return hotkey != 0 && hotkey == UpperKey(key);
}

std::wstring StripHotkey(std::wstring_view caption) {
    std::wstring text;
    text.reserve(caption.size());
    for (std::size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] == L'&') {
            if (i + 1 < caption.size() && caption[i + 1] == L'&') text += L'&';
            if (i + 1 < caption.size()) ++i;
            if (caption[i] == L'&') continue;
        }
        text += caption[i];
    }
    return text;
}

}  // namespace qd
