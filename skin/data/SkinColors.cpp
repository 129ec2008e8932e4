#include "skin/data/SkinColors.h"

#include <limits>
#include <string>

#include "skin/data/QuickIni.h"

namespace qd {

TColorValue ParseColorTriple(std::string_view text) noexcept {
    text = TrimControl(text);
    std::uint32_t components[3] = {0, 0, 0};
    int stored = 0;
    std::int64_t number = 0;  // 64 bits and capped below, so no digit string can overflow it
    bool accumulating = false;
    constexpr std::int64_t limit = std::numeric_limits<std::int32_t>::max();

    // Stores the number being accumulated; false when it is too large, which ends the parse.
    auto store = [&]() {
        accumulating = false;
        if (number > limit) return false;
        if (stored < 3) components[stored] = static_cast<std::uint32_t>(number) & 0xFF;
        ++stored;
        number = 0;
        return true;
    };

    for (char c : text) {
        if (c >= '0' && c <= '9') {
            accumulating = true;
            // Past the limit the value is already lost; keep it from growing further.
            if (number <= limit) number = number * 10 + (c - '0');
        } else if (accumulating && !store()) {
            // A too-large number poisons the rest: later digits would be appended to it, never stored.
            return RgbColor(static_cast<std::uint8_t>(components[0]), static_cast<std::uint8_t>(components[1]),
                            static_cast<std::uint8_t>(components[2]));
        }
    }
    if (accumulating && stored == 2 && number <= limit) components[2] = static_cast<std::uint32_t>(number) & 0xFF;
    return RgbColor(static_cast<std::uint8_t>(components[0]), static_cast<std::uint8_t>(components[1]),
                    static_cast<std::uint8_t>(components[2]));
}

TColorValue ReadColorTriple(const TQuickIni& ini, std::string_view section, std::string_view key, TColorValue def) {
    const std::string value = ini.ReadString(section, key, "");
    return value.empty() ? def : ParseColorTriple(value);
}

std::optional<TColorValue> ReadRgbKeys(const TQuickIni& ini, std::string_view section, std::string_view prefix) {
    std::int32_t channel[3];
    const char suffixes[3] = {'R', 'G', 'B'};
    for (int i = 0; i < 3; ++i) {
        std::string key(prefix);
        key += suffixes[i];
        channel[i] = ini.ReadInteger(section, key, -1);
        if (channel[i] < 0) return std::nullopt;
    }
    return RgbColor(static_cast<std::uint8_t>(channel[0] & 0xFF), static_cast<std::uint8_t>(channel[1] & 0xFF),
                    static_cast<std::uint8_t>(channel[2] & 0xFF));
}

}  // namespace qd
