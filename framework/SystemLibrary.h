#pragma once
// Libraries of the platform loaded at run time come from the system folder only: never from the program's
// folder, the current folder or PATH, where a planted file of the same name could be waiting.

#include <windows.h>

#include <string>

#include "framework/CallbackEdge.h"

namespace qd {

// Loads `name` (a bare file name such as "hhctrl.ocx") from the system folder, without the file-not-found box.
// Null when it is not there.
inline HMODULE LoadSystemLibrary(const wchar_t* name) noexcept {
    wchar_t folder[MAX_PATH];
    const UINT length = ::GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return nullptr;
    return CallSwallowing(HMODULE{}, [&] {
        std::wstring path(folder, length);
        path += L'\\';
        path += name;
        DWORD previous = 0;
        const BOOL changed = ::SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &previous);
        // The library's own dependencies are looked for beside it first.
        HMODULE module = ::LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
        if (changed) ::SetThreadErrorMode(previous, nullptr);
        return module;
    });
}

}  // namespace qd
