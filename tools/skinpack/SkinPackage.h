#pragma once
// Building, checking and unpacking skin packages for the skinpack tool (and its tests).

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "framework/Exception.h"
#include "skin/data/SkinReader.h"

namespace qd {

class ESkinPackError : public Exception {
public:
    using Exception::Exception;
};

struct TPackageEntry {
    std::string Name;
    std::vector<std::uint8_t> Data;
};

// The name of the optional manifest in a skin source directory: entry names in package order, one per line;
// a name may be listed more than once. Blank lines are skipped. Without it the directory's regular files
// are packed in byte order of their names.
inline constexpr char PackageManifestName[] = "package.lst";

// The decompressed container for `entries` (version 20000, eight zero bytes after L). Raises ESkinPackError
// for more than 1001 entries, an empty name or one holding a line break, or sizes beyond 32 bits.
std::vector<std::uint8_t> BuildContainer(std::span<const TPackageEntry> entries);
// The complete package: 32-bit size and the LZHUF stream of BuildContainer.
std::vector<std::uint8_t> BuildPackage(std::span<const TPackageEntry> entries);

// The entries of a skin source directory (see PackageManifestName). Raises ESkinPackError when the directory,
// the manifest or a listed file cannot be read.
std::vector<TPackageEntry> CollectSkinDirectory(const std::filesystem::path& dir);

// Whether an entry name may be used as a file name inside an output folder: printable ASCII, no path
// separators or characters Windows refuses, not "." or "..", not empty, no device name ("nul.bmp", "COM1").
// Names come from untrusted packages.
bool IsSafeEntryFileName(std::string_view name);

// Checks what a skin load needs beyond the container: a ".ini" description, and every ".bmp" entry a bitmap
// the program can read. Returns an empty string when all is well, else a one-line reason.
std::string VerifyEntries(const TSkinReader& reader);

std::vector<std::uint8_t> ReadWholeFile(const std::filesystem::path& path);
void WriteWholeFile(const std::filesystem::path& path, std::span<const std::uint8_t> bytes);

}  // namespace qd
