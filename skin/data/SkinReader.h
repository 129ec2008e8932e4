#pragma once
// TSkinReader: opens a skin package (a 32-bit unpacked size, then an LZHUF stream of the container), checks
// the container and hands out its entries by name. Portable: no platform headers here; the Windows side
// shows the wrong-version message through OnWrongVersion.
//
// Container (little-endian): version 20000, name-list length L, 8 uninterpreted bytes, L bytes of names
// (one per line, CR LF / CR / LF), n 32-bit sizes (n = number of names), then the entries back to back.
//
// The package is untrusted. Anything that cannot be a package is refused as a whole before any of it is
// used ("not loadable": same outcome as a wrong version, without the message):
//  - fewer than 4 bytes, an unpacked size above MaxUnpackedSize, or one that the stream could not produce
//    even at the format's best compression (a truncated or forged size must not drive a long decode);
//  - a container under 16 bytes, L beyond the data, more than 1001 names, sizes table or entries beyond the
//    data. All of this is checked in 64-bit arithmetic. Entries may be followed by spare bytes (a stream's
//    last match may overshoot the declared size), so the sizes must fit, not fill.

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "framework/Classes.h"

namespace qd {

enum class TSkinLoadResult { slLoaded, slWrongVersion, slNotLoadable };

// Shown once by the Windows side when a package has another container version.
inline constexpr char WrongSkinVersionMessage[] = "This is Older Skin File\rPlease update to new version !";

class TSkinReader {
public:
    static constexpr std::uint32_t SkinVersion = 20000;
    static constexpr int MaxEntries = 1001;
    static constexpr std::int32_t MaxUnpackedSize = 16 * 1024 * 1024;
    // The densest code the format allows: a one-bit symbol for a 60-byte match plus ten position bits at
    // least, i.e. 6 output bytes per input bit.
    static constexpr std::int64_t MaxBytesPerStreamBit = 6;

    // Filled by a successful load (and cleared by every load).
    TStringList EntryNames;  // lower-case (ASCII A-Z only), in package order
    int EntryCount = 0;
    std::array<std::uint32_t, MaxEntries> EntrySizes{};
    TMemoryStream EntryData;                // everything after the size table
    std::array<std::uint8_t, 16> Header{};  // version, L, 8 uninterpreted bytes

    // Called when a container has another version; the Windows side shows WrongSkinVersionMessage.
    std::function<void()> OnWrongVersion;

    // Reads the package from position 0 of `package`. True when loaded; false for a wrong version (after
    // OnWrongVersion) or a package that is not loadable.
    bool Load(TMemoryStream& package);
    TSkinLoadResult LoadPackage(std::span<const std::uint8_t> package);
    // The checks and indexing alone, for a container that is already decompressed.
    TSkinLoadResult LoadContainer(std::span<const std::uint8_t> container);
    // One line saying why the last load failed (empty after a successful one).
    const std::string& LoadError() const noexcept { return FLoadError; }

    // Index of the first entry whose name equals `name` after lower-casing, or -1.
    int IndexOfEntry(std::string_view name) const;
    // The bytes of entry `index` (empty for an index out of range).
    std::span<const std::uint8_t> EntryBytes(int index) const noexcept;

    // Clears `target`; writes the first entry named `name` (any case) into it and rewinds it. No such entry:
    // `target` stays empty.
    void ExtractEntry(std::string_view name, TMemoryStream& target) const;
    // Clears `target`; writes the first entry whose lower-case name contains `fragment` (taken as given, so
    // pass it in lower case), rewinds it and sets `foundName`. No match: `target` stays empty, `foundName`
    // unchanged, returns false.
    bool ExtractEntryContaining(std::string_view fragment, TMemoryStream& target, std::string& foundName) const;

    // The entry name an image reference from the description stands for: the part after the last backslash
    // or colon, if it is not empty and ends in exactly ".bmp" (lower case). Otherwise nothing.
    static std::optional<std::string> BitmapEntryName(std::string_view reference);
    // ExtractEntry for an image reference; true when `target` then holds bytes to load as a bitmap file.
    bool ExtractBitmapEntry(std::string_view reference, TMemoryStream& target) const;

private:
    TSkinLoadResult Fail(std::string reason);
    void Reset();

    std::vector<std::uint64_t> FOffsets;  // start of each entry in EntryData
    std::string FLoadError;
};

// Largest package accepted from a "SkinStream" value or a skin file: the most an unpacked size of
// MaxUnpackedSize can need at the format's worst expansion, with room to spare.
inline constexpr std::int64_t MaxSkinPackageSize = std::int64_t{64} * 1024 * 1024;

// The package held in a stored "SkinStream" value: a signed 32-bit count n, then n bytes. n <= 0 gives an
// empty package. Nothing when the value is shorter than 4 bytes, n exceeds the bytes that follow, or n is
// above MaxSkinPackageSize.
std::optional<std::vector<std::uint8_t>> ReadSkinStreamValue(std::span<const std::uint8_t> value);

// The bytes of a skin package file. Nothing (and a one-line reason in `error`) when it cannot be read or is
// larger than MaxSkinPackageSize.
std::optional<std::vector<std::uint8_t>> ReadSkinPackageFile(const std::filesystem::path& path,
                                                             std::string* error = nullptr);

}  // namespace qd
