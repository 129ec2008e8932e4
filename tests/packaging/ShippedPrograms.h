#pragma once
// The programs we ship, as the build passes them to the packaging tests (QD_SHIPPED_PROGRAMS: full paths
// separated by "|").

#include <algorithm>
#include <string>
#include <vector>

namespace qd::test {

inline std::vector<std::wstring> ShippedPrograms() {
    std::vector<std::wstring> files;
    std::wstring all = L"" QD_SHIPPED_PROGRAMS;
    std::replace(all.begin(), all.end(), L'/', L'\\');
    for (size_t start = 0; start <= all.size();) {
        const size_t end = std::min(all.find(L'|', start), all.size());
        files.push_back(all.substr(start, end - start));
        start = end + 1;
    }
    return files;
}

inline std::wstring FileNameOf(const std::wstring& path) { return path.substr(path.find_last_of(L'\\') + 1); }

}  // namespace qd::test
