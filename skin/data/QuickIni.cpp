#include "skin/data/QuickIni.h"

#include <limits>

namespace qd {
namespace {

bool IsSectionHeader(std::string_view line) noexcept {
    return line.size() >= 2 && line.front() == '[' && line.back() == ']';
}

// Key of a trimmed line: the text before the first "=", trimmed; empty when the line has no "=".
std::string_view KeyOf(std::string_view line) noexcept {
    const std::size_t eq = line.find('=');
    if (eq == std::string_view::npos) return {};
    return TrimControl(line.substr(0, eq));
}

int HexDigit(char c) noexcept {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

std::string_view TrimControl(std::string_view text) noexcept {
    std::size_t first = 0;
    std::size_t last = text.size();
    while (first < last && static_cast<unsigned char>(text[first]) <= 0x20) ++first;
    while (last > first && static_cast<unsigned char>(text[last - 1]) <= 0x20) --last;
    return text.substr(first, last - first);
}

std::optional<std::int32_t> StrToInt32(std::string_view text) noexcept {
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    constexpr std::int64_t minValue = std::numeric_limits<std::int32_t>::min();
    constexpr std::int64_t maxValue = std::numeric_limits<std::int32_t>::max();
    std::int64_t magnitude = 0;
    if (!text.empty() && text.front() == '$') {
        text.remove_prefix(1);
        if (text.empty()) return std::nullopt;
        for (char c : text) {
            const int d = HexDigit(c);
            if (d < 0) return std::nullopt;
            magnitude = magnitude * 16 + d;
            if (magnitude > 0xFFFFFFFFll) return std::nullopt;  // more than 32 bits: the 64-bit sum stays small
        }
        if (negative) {
            if (-magnitude < minValue) return std::nullopt;
            return static_cast<std::int32_t>(-magnitude);
        }
        // Two's complement: $80000000..$FFFFFFFF are the negative values (a modular conversion since C++20).
        return static_cast<std::int32_t>(static_cast<std::uint32_t>(magnitude));
    }
    if (text.empty()) return std::nullopt;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        magnitude = magnitude * 10 + (c - '0');
        if (magnitude > -minValue) return std::nullopt;
    }
    const std::int64_t value = negative ? -magnitude : magnitude;
    if (value < minValue || value > maxValue) return std::nullopt;
    return static_cast<std::int32_t>(value);
}

void TQuickIni::LoadFromStream(TMemoryStream* stream) {
    if (stream == nullptr) return;
    const std::int64_t start = stream->Position();
    const std::int64_t remaining = stream->Remaining();
    std::string_view text;
    if (remaining > 0)
        text = std::string_view(reinterpret_cast<const char*>(stream->Memory()) + start,
                                static_cast<std::size_t>(remaining));
    LoadFromText(text);
    stream->Seek(0, TSeekOrigin::soEnd);
}

void TQuickIni::LoadFromText(std::string_view text) {
    Lines.Clear();
    Sections.Clear();
    // The description ends at its first NUL byte.
    const std::size_t nul = text.find('\0');
    if (nul != std::string_view::npos) text = text.substr(0, nul);

    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = pos;
        while (end < text.size() && text[end] != '\r' && text[end] != '\n') ++end;
        const std::string_view line = TrimControl(text.substr(pos, end - pos));
        // One CR, then one LF: CR LF, lone CR and lone LF each end one line; LF CR leaves an empty line.
        pos = end;
        if (pos < text.size() && text[pos] == '\r') ++pos;
        if (pos < text.size() && text[pos] == '\n') ++pos;
        if (line.empty() || line.front() == ';') continue;
        const int index = Lines.Add(std::string(line));
        if (IsSectionHeader(line)) Sections.Add(std::string(line), index);
    }
}

int TQuickIni::FindSection(std::string_view section) const {
    if (Lines.Empty()) return -1;
    std::string header;
    header.reserve(section.size() + 2);
    header += '[';
    header += section;
    header += ']';
    for (int i = 0; i < Sections.Count(); ++i)
        if (SameTextAscii(Sections[i], header)) return i;
    return -1;
}

bool TQuickIni::SectionExists(std::string_view section) const { return FindSection(section) >= 0; }

std::string TQuickIni::ReadString(std::string_view section, std::string_view key, std::string_view def) const {
    const int found = FindSection(section);
    if (found < 0) return std::string(def);
    for (int i = static_cast<int>(Sections.Objects(found)) + 1; i < Lines.Count(); ++i) {
        const std::string_view line = Lines[i];
        if (IsSectionHeader(line)) break;
        if (!SameTextAscii(KeyOf(line), key)) continue;
        // The first occurrence decides, even when its value is empty (or, for an empty key, absent).
        const std::size_t eq = line.find('=');
        if (eq == std::string_view::npos) break;
        const std::string_view value = TrimControl(line.substr(eq + 1));
        return value.empty() ? std::string(def) : std::string(value);
    }
    return std::string(def);
}

std::int32_t TQuickIni::ReadInteger(std::string_view section, std::string_view key, std::int32_t def) const {
    std::string s = ReadString(section, key, "");
    if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) s.replace(0, 2, "$");
    return StrToInt32(s).value_or(def);
}

void TQuickIni::ReadSections(TStringList& list) const {
    list.Clear();
    for (const TStringList::TItem& item : Sections) {
        std::string_view name = TrimControl(item.Text);
        if (name.size() >= 2)
            name = name.substr(1, name.size() - 2);
        else
            name = {};
        list.Add(std::string(TrimControl(name)));
    }
}

}  // namespace qd
