#include "tools/skinpack/SkinPackage.h"

#include <algorithm>
#include <fstream>
#include <limits>
#include <system_error>

#include "framework/Classes.h"
#include "tools/skinpack/LzhEncoder.h"

#include "skin/data/Bmp.h"
#include "skin/data/QuickIni.h"

namespace qd {

namespace {

void PutU32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

bool EndsWith(std::string_view s, std::string_view tail) {
    return s.size() >= tail.size() && s.substr(s.size() - tail.size()) == tail;
}

}  // namespace

std::vector<std::uint8_t> BuildContainer(std::span<const TPackageEntry> entries) {
    if (entries.size() > static_cast<std::size_t>(TSkinReader::MaxEntries))
        throw ESkinPackError(std::to_string(entries.size()) + " entries exceed the limit of " +
                             std::to_string(TSkinReader::MaxEntries));
    std::string names;
    for (const TPackageEntry& e : entries) {
        if (e.Name.empty() || e.Name.find_first_of("\r\n") != std::string::npos)
            throw ESkinPackError("entry name \"" + e.Name + "\" cannot be stored in a name list");
        if (e.Data.size() > std::numeric_limits<std::uint32_t>::max())
            throw ESkinPackError("entry " + e.Name + " is larger than 4 GiB");
        names += e.Name;
        names += "\r\n";
    }
    if (names.size() > std::numeric_limits<std::uint32_t>::max()) throw ESkinPackError("name list too long");
    std::vector<std::uint8_t> out;
    PutU32(out, TSkinReader::SkinVersion);
    PutU32(out, static_cast<std::uint32_t>(names.size()));
    PutU32(out, 0);
    PutU32(out, 0);
    out.insert(out.end(), names.begin(), names.end());
    for (const TPackageEntry& e : entries) PutU32(out, static_cast<std::uint32_t>(e.Data.size()));
    for (const TPackageEntry& e : entries) out.insert(out.end(), e.Data.begin(), e.Data.end());
    if (out.size() > static_cast<std::size_t>(TSkinReader::MaxUnpackedSize))
        throw ESkinPackError("container of " + std::to_string(out.size()) + " bytes exceeds the limit of " +
                             std::to_string(TSkinReader::MaxUnpackedSize));
    return out;
}

std::vector<std::uint8_t> BuildPackage(std::span<const TPackageEntry> entries) {
    return LzhPack(BuildContainer(entries));
}

std::vector<std::uint8_t> ReadWholeFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw ESkinPackError("cannot open " + path.string());
    std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) throw ESkinPackError("cannot read " + path.string());
    return bytes;
}

void WriteWholeFile(const std::filesystem::path& path, std::span<const std::uint8_t> bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) throw ESkinPackError("cannot write " + path.string());
}

std::vector<TPackageEntry> CollectSkinDirectory(const std::filesystem::path& dir) {
    std::error_code ec;
    if (!std::filesystem::is_directory(dir, ec)) throw ESkinPackError(dir.string() + " is not a directory");
    std::vector<std::string> names;
    const std::filesystem::path manifest = dir / PackageManifestName;
    if (std::filesystem::exists(manifest, ec)) {
        const std::vector<std::uint8_t> text = ReadWholeFile(manifest);
        TStringList lines;
        lines.SetText(std::string_view(reinterpret_cast<const char*>(text.data()), text.size()));
        for (const auto& line : lines) {
            std::string name = line.Text;
            while (!name.empty() && (name.back() == ' ' || name.back() == '\t')) name.pop_back();
            std::size_t lead = 0;
            while (lead < name.size() && (name[lead] == ' ' || name[lead] == '\t')) ++lead;
            name.erase(0, lead);
            if (!name.empty()) names.push_back(std::move(name));
        }
    } else {
        for (const auto& item : std::filesystem::directory_iterator(dir)) {
            if (item.is_regular_file()) names.push_back(item.path().filename().string());
        }
        std::sort(names.begin(), names.end());
    }
    std::vector<TPackageEntry> entries;
    entries.reserve(names.size());
    for (std::string& name : names) {
        if (!IsSafeEntryFileName(name)) throw ESkinPackError("entry name \"" + name + "\" is not a plain file name");
        std::vector<std::uint8_t> data = ReadWholeFile(dir / name);
        entries.push_back({std::move(name), std::move(data)});
    }
    return entries;
}

namespace {

// Windows opens a device, not a file, for these names in any case, whatever follows the first dot and
// with blanks before it: "nul.bmp", "Com1", "con .txt".
bool IsDeviceName(std::string_view name) {
    std::string base(name.substr(0, name.find('.')));
    while (!base.empty() && base.back() == ' ') base.pop_back();
    for (char& c : base)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (base == "CON" || base == "PRN" || base == "AUX" || base == "NUL" || base == "CONIN$" || base == "CONOUT$")
        return true;
    return base.size() == 4 && (base.starts_with("COM") || base.starts_with("LPT")) && base[3] >= '0' && base[3] <= '9';
}

}  // namespace

bool IsSafeEntryFileName(std::string_view name) {
    if (name.empty() || name == "." || name == "..") return false;
    for (const char ch : name) {
        const unsigned char c = static_cast<unsigned char>(ch);
        if (c < 0x20 || c >= 0x7F) return false;
        if (std::string_view("/\\:*?\"<>|").find(ch) != std::string_view::npos) return false;
    }
    // Windows drops trailing dots and blanks, which would let two names meet in one file.
    if (name.back() == '.' || name.back() == ' ') return false;
    return !IsDeviceName(name);
}

std::string VerifyEntries(const TSkinReader& reader) {
    TMemoryStream description;
    std::string descriptionName;
    if (!reader.ExtractEntryContaining(".ini", description, descriptionName)) return "no \".ini\" description entry";
    TQuickIni ini;
    ini.LoadFromStream(&description);
    if (ini.Sections.Empty()) return "description " + descriptionName + " has no sections";
    for (int i = 0; i < reader.EntryCount; ++i) {
        const std::string& name = reader.EntryNames[i];
        if (!EndsWith(name, ".bmp")) continue;
        const std::span<const std::uint8_t> bytes = reader.EntryBytes(i);
        if (!ReadBmp(bytes)) return "entry " + name + " is not a readable bitmap";
    }
    return {};
}

}  // namespace qd
