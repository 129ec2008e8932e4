#pragma once
// The readers of what a shell DDE client hands the browser host: the command text of WM_DDE_EXECUTE and
// the item ID list in shared memory. Both come from another window and are treated as untrusted.
// Portable: no platform headers, so that they are tested natively under the sanitizers and fuzzed.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace qd {

// The shell's DDE names, read from the registry of the machine. An empty name never matches anything.
struct TShellDdeNames {
    std::wstring HtmlApplication;    // htmlfile\shell\open\ddeexec\application
    std::wstring HtmlTopic;          // htmlfile\shell\open\ddeexec\topic
    std::wstring FolderApplication;  // Folder\shell\open\ddeexec\application
    std::wstring FolderTopic;        // Folder\shell\open\ddeexec\topic
    std::wstring OpenCommand;        // from the template in Folder\shell\open\ddeexec
    std::wstring ExploreCommand;     // from the template in Folder\shell\explore\ddeexec
    std::wstring FindCommand;        // from the template in Directory\shell\find\ddeexec
};

// The command name of a DDE command template such as "[ViewFolder("%l", %I, %S)]": the text after the
// first "[" up to the first "(" after it. Empty when either is missing.
std::wstring DdeCommandName(std::wstring_view commandTemplate);

enum class TShellDdeCommandKind { ckNone = 0, ckOpen = 1, ckExplore = 2, ckFind = 3 };

// Show commands as the platform numbers them (SW_SHOWNORMAL, SW_MAX).
constexpr int ShowCommandNormal = 1;
constexpr int ShowCommandMax = 11;

// A parsed folder command: "[Name("path", :handle:process, show)]".
struct TShellDdeCommand {
    TShellDdeCommandKind Kind = TShellDdeCommandKind::ckNone;
    std::wstring Path;
    // Set only for the shell's shared-memory form ":handle:process" with non-zero numbers. The handle is
    // a 32-bit value, sign-extended when written negative.
    bool HasSharedIdList = false;
    std::intptr_t SharedHandle = 0;
    std::uint32_t ProcessId = 0;
    int ShowCommand = ShowCommandNormal;
};

// Parses a folder-mode command. A command that is not of the form "[Name(...)" with a known name, or whose
// path quote is not closed, has kind ckNone. Numbers are read after the path's closing quote; a malformed,
// out-of-range or address-like ID-list field gives no ID list, a malformed show command gives
// ShowCommandNormal.
TShellDdeCommand ParseFolderCommand(std::wstring_view text, const TShellDdeNames& names);

// The URL of an HTML-mode command: the text between a leading double quote and the next one, or the whole
// text when it does not start with a quote.
std::wstring ParseHtmlCommand(std::wstring_view text);

// Size in bytes of the item ID list at `data` (items that each start with their 16-bit little-endian byte
// count, ended by a zero count), its 2-byte terminator included, reading no byte at or past `data + limit`.
// Returns 0 for a list that is malformed: no terminator inside the limit, or an item whose count is 1 or
// runs past the limit.
std::size_t ItemIdListSize(const void* data, std::size_t limit) noexcept;

}  // namespace qd
