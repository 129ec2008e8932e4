#include "skin/data/SkinReader.h"

#include <cstring>
#include <fstream>
#include <limits>
#include <system_error>

#include "skin/data/Lzh.h"

namespace qd {

namespace {

std::uint32_t ReadU32(const std::uint8_t* p) noexcept {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

}  // namespace

void TSkinReader::Reset() {
    EntryNames.Clear();
    EntryCount = 0;
    EntrySizes.fill(0);
    EntryData.Clear();
    Header.fill(0);
    FOffsets.clear();
    FLoadError.clear();
}

TSkinLoadResult TSkinReader::Fail(std::string reason) {
    const std::string keep = std::move(reason);
    Reset();
    FLoadError = keep;
    return TSkinLoadResult::slNotLoadable;
}

bool TSkinReader::Load(TMemoryStream& package) {
    package.SetPosition(0);
    const TSkinLoadResult result = LoadPackage(package.Bytes());
    package.SetPosition(package.Size());
    if (result == TSkinLoadResult::slWrongVersion && OnWrongVersion) OnWrongVersion();
    return result == TSkinLoadResult::slLoaded;
}

TSkinLoadResult TSkinReader::LoadPackage(std::span<const std::uint8_t> package) {
    Reset();
    if (package.size() < 4) return Fail("package is shorter than its 4-byte size field");
    const std::int32_t unpackedSize = static_cast<std::int32_t>(ReadU32(package.data()));
    if (unpackedSize < 16)
        return Fail("unpacked size " + std::to_string(unpackedSize) + " is too small for a container");
    if (unpackedSize > MaxUnpackedSize)
        return Fail("unpacked size " + std::to_string(unpackedSize) + " exceeds " + std::to_string(MaxUnpackedSize));
    const std::span<const std::uint8_t> stream = package.subspan(4);
    const std::int64_t producible =
        static_cast<std::int64_t>(stream.size()) * 8 * MaxBytesPerStreamBit + lzh::LookAhead;
    if (unpackedSize > producible)
        return Fail("unpacked size " + std::to_string(unpackedSize) + " cannot come from " +
                    std::to_string(stream.size()) + " bytes of compressed data");

    std::vector<std::uint8_t> container;
    try {
        container = TLZH::UnpackBuffer(stream, unpackedSize);
    } catch (const ElzhException& e) {
        return Fail(e.Message());
    }
    return LoadContainer(container);
}

TSkinLoadResult TSkinReader::LoadContainer(std::span<const std::uint8_t> container) {
    Reset();
    const std::uint64_t length = container.size();
    if (length < 16) return Fail("container is shorter than its 16-byte header");
    const std::uint8_t* data = container.data();
    const std::uint32_t version = ReadU32(data);
    if (version != SkinVersion) {
        Reset();
        FLoadError = "container version " + std::to_string(version) + " is not " + std::to_string(SkinVersion);
        return TSkinLoadResult::slWrongVersion;
    }
    const std::uint64_t nameLength = ReadU32(data + 4);
    if (nameLength > length - 16)
        return Fail("name list of " + std::to_string(nameLength) + " bytes runs past the container");

    TStringList names;
    names.SetText(AsciiLowerCase(
        std::string_view(reinterpret_cast<const char*>(data + 16), static_cast<std::size_t>(nameLength))));
    const std::uint64_t count = static_cast<std::uint64_t>(names.Count());
    if (count > static_cast<std::uint64_t>(MaxEntries))
        return Fail(std::to_string(count) + " entries exceed the limit of " + std::to_string(MaxEntries));
    const std::uint64_t sizesAt = 16 + nameLength;
    if (4 * count > length - sizesAt) return Fail("entry size table runs past the container");
    const std::uint64_t dataAt = sizesAt + 4 * count;
    const std::uint64_t available = length - dataAt;

    std::vector<std::uint64_t> offsets;
    offsets.reserve(static_cast<std::size_t>(count));
    std::uint64_t total = 0;
    for (std::uint64_t i = 0; i < count; ++i) {
        const std::uint32_t size = ReadU32(data + sizesAt + 4 * i);
        offsets.push_back(total);
        total += size;  // at most 1001 * (2^32 - 1): no 64-bit overflow
        EntrySizes[static_cast<std::size_t>(i)] = size;
    }
    if (total > available)
        return Fail("entry sizes sum to " + std::to_string(total) + " bytes but " + std::to_string(available) +
                    " follow the size table");

    std::memcpy(Header.data(), data, Header.size());
    EntryNames = std::move(names);
    EntryCount = static_cast<int>(count);
    EntryData.Write(data + dataAt, static_cast<std::size_t>(available));
    EntryData.SetPosition(0);
    FOffsets = std::move(offsets);
    return TSkinLoadResult::slLoaded;
}

int TSkinReader::IndexOfEntry(std::string_view name) const { return EntryNames.IndexOf(AsciiLowerCase(name)); }

std::span<const std::uint8_t> TSkinReader::EntryBytes(int index) const noexcept {
    if (index < 0 || index >= EntryCount) return {};
    const std::size_t i = static_cast<std::size_t>(index);
    return EntryData.Bytes().subspan(static_cast<std::size_t>(FOffsets[i]), EntrySizes[i]);
}

void TSkinReader::ExtractEntry(std::string_view name, TMemoryStream& target) const {
    target.Clear();
    const std::span<const std::uint8_t> bytes = EntryBytes(IndexOfEntry(name));
    target.Write(bytes.data(), bytes.size());
    target.SetPosition(0);
}

bool TSkinReader::ExtractEntryContaining(std::string_view fragment, TMemoryStream& target,
                                         std::string& foundName) const {
    target.Clear();
    for (int i = 0; i < EntryCount; ++i) {
        if (EntryNames[i].find(fragment) == std::string::npos) continue;
        const std::span<const std::uint8_t> bytes = EntryBytes(i);
        target.Write(bytes.data(), bytes.size());
        target.SetPosition(0);
        foundName = EntryNames[i];
        return true;
    }
    return false;
}

std::optional<std::string> TSkinReader::BitmapEntryName(std::string_view reference) {
    const std::size_t cut = reference.find_last_of("\\:");
    const std::string_view fileName = cut == std::string_view::npos ? reference : reference.substr(cut + 1);
    const std::size_t dot = fileName.rfind('.');
    if (fileName.empty() || dot == std::string_view::npos || fileName.substr(dot) != ".bmp") return std::nullopt;
    return std::string(fileName);
}

bool TSkinReader::ExtractBitmapEntry(std::string_view reference, TMemoryStream& target) const {
    const std::optional<std::string> name = BitmapEntryName(reference);
    if (!name) {
        target.Clear();
        return false;
    }
    ExtractEntry(*name, target);
    return target.Size() > 0;
}

std::optional<std::vector<std::uint8_t>> ReadSkinStreamValue(std::span<const std::uint8_t> value) {
    if (value.size() < 4) return std::nullopt;
    const std::int32_t n = static_cast<std::int32_t>(ReadU32(value.data()));
    if (n <= 0) return std::vector<std::uint8_t>{};
    if (static_cast<std::uint64_t>(n) > value.size() - 4 || n > MaxSkinPackageSize) return std::nullopt;
    return std::vector<std::uint8_t>(value.begin() + 4, value.begin() + 4 + n);
}

std::optional<std::vector<std::uint8_t>> ReadSkinPackageFile(const std::filesystem::path& path, std::string* error) {
    auto fail = [&](std::string reason) -> std::optional<std::vector<std::uint8_t>> {
        if (error) *error = std::move(reason);
        return std::nullopt;
    };
    std::error_code ec;
    const std::uintmax_t size = std::filesystem::file_size(path, ec);
    if (ec) return fail("cannot read the skin file: " + ec.message());
    if (size > static_cast<std::uintmax_t>(MaxSkinPackageSize))
        return fail("skin file of " + std::to_string(size) + " bytes exceeds " + std::to_string(MaxSkinPackageSize));
    std::ifstream in(path, std::ios::binary);
    if (!in) return fail("cannot open the skin file");
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (static_cast<std::uintmax_t>(in.gcount()) != size) return fail("cannot read the whole skin file");
    return bytes;
}

}  // namespace qd
