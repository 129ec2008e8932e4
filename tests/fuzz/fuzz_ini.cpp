// libFuzzer target: arbitrary bytes as a skin description. Parsing and every query must stay defined;
// integers and colour triples are read from whatever values the text holds.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "skin/data/QuickIni.h"
#include "skin/data/SkinColors.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    qd::TMemoryStream stream(data, size);
    qd::TQuickIni ini;
    ini.LoadFromStream(&stream);

    qd::TStringList sections;
    ini.ReadSections(sections);
    if (sections.Count() != ini.Sections.Count()) std::abort();
    for (const auto& line : ini.Lines) {
        if (line.Text.empty() || line.Text.front() == ';') std::abort();
        if (static_cast<unsigned char>(line.Text.front()) <= 0x20 ||
            static_cast<unsigned char>(line.Text.back()) <= 0x20)
            std::abort();
    }

    const int sectionLimit = sections.Count() < 16 ? sections.Count() : 16;
    for (int s = 0; s < sectionLimit; ++s) {
        const std::string header = ini.Sections[s];
        const std::string name = header.substr(1, header.size() - 2);  // exactly as written, blanks included
        const int first = static_cast<int>(ini.Sections.Objects(s)) + 1;
        for (int i = first; i < ini.Lines.Count() && i < first + 32; ++i) {
            const std::string& line = ini.Lines[i];
            const std::size_t eq = line.find('=');
            const std::string key = eq == std::string::npos ? line : line.substr(0, eq);
            const std::string value = ini.ReadString(name, key, "");
            (void)ini.ReadInteger(name, key, -1);
            (void)qd::ParseColorTriple(value);
            (void)qd::ReadColorTriple(ini, name, key, qd::ColorNone);
            (void)qd::ReadRgbKeys(ini, name, key);
            // A decimal value that parses must print back to the same number.
            if (const std::optional<std::int32_t> v = qd::StrToInt32(value)) {
                if (!value.empty() && value.find('$') == std::string::npos && qd::StrToInt32(std::to_string(*v)) != v)
                    std::abort();
            }
        }
    }
    (void)qd::StrToInt32(text);
    (void)qd::ParseColorTriple(text);
    return 0;
}
