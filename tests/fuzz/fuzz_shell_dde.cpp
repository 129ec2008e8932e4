// libFuzzer target: arbitrary bytes as a shell DDE command (UTF-16 code units, as WM_DDE_EXECUTE carries
// them) and as an item ID list. Parsing must stay defined and its results inside the input.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "browser/ShellDdeParsing.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::wstring text;
    text.reserve(size / 2);
    for (std::size_t i = 0; i + 1 < size; i += 2) text.push_back(static_cast<wchar_t>(data[i] | (data[i + 1] << 8)));

    qd::TShellDdeNames names;
    names.OpenCommand = L"ViewFolder";
    names.ExploreCommand = L"ExploreFolder";
    names.FindCommand = L"FindFolder";
    const qd::TShellDdeCommand command = qd::ParseFolderCommand(text, names);
    if (command.Kind == qd::TShellDdeCommandKind::ckNone) {
        if (!command.Path.empty() || command.HasSharedIdList) std::abort();
    } else if (text.find(command.Path) == std::wstring::npos) {
        std::abort();
    }
    if (command.HasSharedIdList && (command.ProcessId == 0 || command.SharedHandle == 0)) std::abort();
    if (command.ShowCommand < 0 || command.ShowCommand > qd::ShowCommandMax) std::abort();

    const std::wstring url = qd::ParseHtmlCommand(text);
    if (url.size() > text.size()) std::abort();
    const std::wstring name = qd::DdeCommandName(text);
    if (name.size() > text.size()) std::abort();

    // The walk may look at every byte but none past the end (AddressSanitizer checks that).
    const std::size_t listSize = qd::ItemIdListSize(data, size);
    if (listSize > size || (listSize != 0 && (data[listSize - 2] != 0 || data[listSize - 1] != 0))) std::abort();
    return 0;
}
