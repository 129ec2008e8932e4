#pragma once
// TQuickIni: the read-only parser of a skin description (INI-style text of "[Section]" headers and "Key=Value"
// lines). The text is parsed once into `Lines` (every significant line, trimmed, in file order) and `Sections`
// (every "[...]" line, brackets included, with its index in `Lines` as the entry's object); queries then walk
// these lists. Nothing is ever written back.
// Section and key names fold ASCII letters only: the comparison never depends on the user's locale.
// Portable: no platform headers here.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "framework/Classes.h"

namespace qd {

class TQuickIni {
public:
    TStringList Lines;
    TStringList Sections;

    // Parses the stream from its current position to its end (the position is left at the end), replacing
    // all previous content. A null stream changes nothing.
    void LoadFromStream(TMemoryStream* stream);
    // Parses `text`, replacing all previous content.
    void LoadFromText(std::string_view text);

    // The value of the first `key` line of the first section named `section`; `def` when the section or the key
    // is missing or the value is empty.
    std::string ReadString(std::string_view section, std::string_view key, std::string_view def) const;
    // ReadString converted by StrToInt32 ("0x" prefixes taken as "$"); `def` when that fails.
    std::int32_t ReadInteger(std::string_view section, std::string_view key, std::int32_t def) const;
    // Fills `list` (cleared first) with the section names without brackets and without the blanks next to them,
    // in file order; duplicates stay.
    void ReadSections(TStringList& list) const;
    // Whether a section of this name exists (same comparison as ReadString).
    bool SectionExists(std::string_view section) const;

private:
    // Index in `Sections` of the first header "[" + section + "]", or -1.
    int FindSection(std::string_view section) const;
};

// Removes every character with code 0x20 or below from both ends.
std::string_view TrimControl(std::string_view text) noexcept;

// A signed 32-bit integer: optional sign, then decimal digits or "$" and hexadecimal digits. Nothing else may
// appear, not even blanks. Hexadecimal values up to $FFFFFFFF (at most 8 significant digits) are 32-bit two's
// complement ($FFFFFFFF = -1, $FF00000F = -16777201), so colour values read as they are written. With a minus
// sign the hexadecimal digits are a magnitude: -$10 = -16, -$80000000 is the smallest value, -$80000001 and
// beyond give nothing. Any other value outside the 32-bit range gives nothing. Accumulates in 64 bits and stops at the
// first digit that leaves the range, so no input overflows.
std::optional<std::int32_t> StrToInt32(std::string_view text) noexcept;

}  // namespace qd
