#pragma once
// The test and benchmark programs start other programs of the build: the ones that sit beside them.

#include <windows.h>

#include <string>

namespace qd::test {

// `name` (a file name, or a path below this program's folder) made absolute against the folder of this program.
inline std::wstring BesideThisProgram(const wchar_t* name) {
    wchar_t self[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring path = self;
    path.resize(path.find_last_of(L"\\/") + 1);
    return path + name;
}

}  // namespace qd::test
