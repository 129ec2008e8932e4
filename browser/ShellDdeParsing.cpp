#include "browser/ShellDdeParsing.h"

#include <cstdint>
#include <optional>

namespace qd {

namespace {

bool IsSpace(wchar_t c) noexcept { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n'; }

std::wstring_view Trim(std::wstring_view text) noexcept {
    while (!text.empty() && IsSpace(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsSpace(text.back())) text.remove_suffix(1);
    return text;
}

// A decimal number of at most `maxDigits` digits with an optional leading '-', the whole text; nullopt
// otherwise. Leading zeros count as digits so that a long run cannot overflow.
std::optional<std::int64_t> ParseDecimal(std::wstring_view text, bool allowMinus, std::size_t maxDigits) noexcept {
    bool negative = false;
    if (allowMinus && !text.empty() && text.front() == L'-') {
        negative = true;
        text.remove_prefix(1);
    }
    if (text.empty() || text.size() > maxDigits) return std::nullopt;
    std::int64_t value = 0;
    for (const wchar_t c : text) {
        if (c < L'0' || c > L'9') return std::nullopt;
        value = value * 10 + (c - L'0');
    }
    return negative ? -value : value;
}

// The ":handle:process" field of a folder command. The leading colon is the shell's; a field without a
// process number (the old form whose number is an address in the receiving process) is refused.
bool ParseSharedIdListField(std::wstring_view field, std::intptr_t& handle, std::uint32_t& processId) noexcept {
    field = Trim(field);
    if (field.empty() || field.front() != L':') return false;
    field.remove_prefix(1);
    const auto colon = field.find(L':');
    if (colon == std::wstring_view::npos) return false;
    // Shared-memory handles are 32-bit values, written signed or unsigned.
    const auto handleNumber = ParseDecimal(Trim(field.substr(0, colon)), true, 10);
    const auto processNumber = ParseDecimal(Trim(field.substr(colon + 1)), false, 10);
    if (!handleNumber || !processNumber) return false;
    if (*handleNumber < INT32_MIN || *handleNumber > static_cast<std::int64_t>(UINT32_MAX)) return false;
    if (*processNumber == 0 || *processNumber > static_cast<std::int64_t>(UINT32_MAX)) return false;
    const std::intptr_t bits = *handleNumber > INT32_MAX
                                   ? static_cast<std::intptr_t>(static_cast<std::uint32_t>(*handleNumber))
                                   : static_cast<std::intptr_t>(*handleNumber);
    if (bits == 0) return false;
    handle = bits;
    processId = static_cast<std::uint32_t>(*processNumber);
    return true;
}

}  // namespace

std::wstring DdeCommandName(std::wstring_view commandTemplate) {
    const auto open = commandTemplate.find(L'[');
    if (open == std::wstring_view::npos) return {};
    const auto paren = commandTemplate.find(L'(', open + 1);
    if (paren == std::wstring_view::npos) return {};
    return std::wstring(commandTemplate.substr(open + 1, paren - open - 1));
}

TShellDdeCommand ParseFolderCommand(std::wstring_view text, const TShellDdeNames& names) {
    TShellDdeCommand command;
    const auto open = text.find(L'[');
    if (open == std::wstring_view::npos) return command;
    const auto paren = text.find(L'(', open + 1);
    if (paren == std::wstring_view::npos) return command;
    const std::wstring_view name = text.substr(open + 1, paren - open - 1);

    TShellDdeCommandKind kind = TShellDdeCommandKind::ckNone;
    if (!names.OpenCommand.empty() && name == names.OpenCommand) {
        kind = TShellDdeCommandKind::ckOpen;
    } else if (!names.ExploreCommand.empty() && name == names.ExploreCommand) {
        kind = TShellDdeCommandKind::ckExplore;
    } else if (!names.FindCommand.empty() && name == names.FindCommand) {
        kind = TShellDdeCommandKind::ckFind;
    }
    if (kind == TShellDdeCommandKind::ckNone) return command;

    // The path may hold commas and colons of its own: the numbers are looked for after its closing quote.
    std::size_t argumentsStart = paren + 1;
    const auto firstQuote = text.find(L'"', paren + 1);
    if (firstQuote != std::wstring_view::npos) {
        const auto secondQuote = text.find(L'"', firstQuote + 1);
        if (secondQuote == std::wstring_view::npos) return command;  // unterminated path: not a command
        command.Path.assign(text.substr(firstQuote + 1, secondQuote - firstQuote - 1));
        argumentsStart = secondQuote + 1;
    }
    command.Kind = kind;

    // The argument fields end at a comma, at the closing parenthesis or at the end of the text.
    const auto fieldAfterComma = [&](std::size_t from, std::size_t& next) -> std::optional<std::wstring_view> {
        const auto comma = text.find(L',', from);
        if (comma == std::wstring_view::npos) return std::nullopt;
        auto end = text.find_first_of(L",)", comma + 1);
        if (end == std::wstring_view::npos) end = text.size();
        next = end;
        return text.substr(comma + 1, end - comma - 1);
    };
    std::size_t next = argumentsStart;
    const auto idField = fieldAfterComma(argumentsStart, next);
    if (!idField) return command;
    command.HasSharedIdList = ParseSharedIdListField(*idField, command.SharedHandle, command.ProcessId);
    if (next >= text.size() || text[next] != L',') return command;  // no show-command field
    const auto showField = fieldAfterComma(next, next);
    if (!showField) return command;
    const auto show = ParseDecimal(Trim(*showField), false, 2);
    if (show && *show <= ShowCommandMax) command.ShowCommand = static_cast<int>(*show);
    return command;
}

std::wstring ParseHtmlCommand(std::wstring_view text) {
    if (text.empty() || text.front() != L'"') return std::wstring(text);
    text.remove_prefix(1);
    const auto quote = text.find(L'"');
    return std::wstring(quote == std::wstring_view::npos ? text : text.substr(0, quote));
}

std::size_t ItemIdListSize(const void* data, std::size_t limit) noexcept {
    if (data == nullptr) return 0;
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    std::size_t offset = 0;
    for (;;) {
        if (limit - offset < 2) return 0;  // no room left for a count
        // Items are not aligned: read the count byte by byte.
        const std::size_t count = bytes[offset] | (static_cast<std::size_t>(bytes[offset + 1]) << 8);
        if (count == 0) return offset + 2;
        if (count < 2 || count > limit - offset) return 0;
        offset += count;
    }
}

}  // namespace qd
