#pragma once

// Mnemonics of captions: "&File" is opened by Alt+F, "&&" shows one ampersand. Menus, menu bands, labels and
// buttons all read a caption's mnemonic and compare a typed key with it here, so that they agree.

#include <string>
#include <string_view>

namespace qd {

// The mnemonic of a caption: the character after the first single "&" ("&&" is a literal ampersand), upper-cased;
// 0 when there is none (a trailing "&" marks nothing).
wchar_t GetHotkey(std::wstring_view caption) noexcept;
// True when `key` is the caption's mnemonic, whatever the case of either.
bool IsAccel(wchar_t key, std::wstring_view caption) noexcept;
// The caption as shown: mnemonic marks removed, "&&" kept as one "&".
std::wstring StripHotkey(std::wstring_view caption);

// The one case rule for keys and captions: the platform's own upper-casing (the same the system's menus use to
// match their mnemonics), for every character of the basic plane and whatever the C library's locale is.
wchar_t UpperKey(wchar_t c) noexcept;

}  // namespace qd
