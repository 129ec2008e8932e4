// skinpack: build and inspect skin packages.
//   skinpack pack DIR OUT            pack DIR (in the order of DIR/package.lst when present) into OUT
//   skinpack unpack PACKAGE OUTDIR   write each entry to OUTDIR/<lower-case name> (a repeated name once)
//   skinpack list PACKAGE            the container version, then "name<TAB>size" per entry
//   skinpack verify PACKAGE          load the package as the program does and check its entries
//   skinpack unlzh FILE OUT          decode a bare LZH stream (4-byte size, then the bit stream)
// A package that does not load ends with status 1 and a one-line reason on stderr.

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <set>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#include <shellapi.h>
#endif

#include "skin/data/Lzh.h"
#include "skin/data/SkinReader.h"
#include "tools/skinpack/SkinPackage.h"

namespace {

using qd::TSkinReader;
namespace fs = std::filesystem;

int Usage() {
    std::cerr << "usage: skinpack pack DIR OUT | unpack PACKAGE OUTDIR | list PACKAGE | verify PACKAGE | "
                 "unlzh FILE OUT\n";
    return 2;
}

// Loads PACKAGE into `reader`; on failure prints the reason and returns false.
bool LoadPackage(const fs::path& path, TSkinReader& reader) {
    std::string error;
    const auto bytes = qd::ReadSkinPackageFile(path, &error);
    if (!bytes) {
        std::cerr << "skinpack: " << error << '\n';
        return false;
    }
    const qd::TSkinLoadResult result = reader.LoadPackage(*bytes);
    if (result != qd::TSkinLoadResult::slLoaded) {
        std::cerr << "skinpack: " << path.filename().string() << ": " << reader.LoadError() << '\n';
        return false;
    }
    return true;
}

int Pack(const fs::path& dir, const fs::path& out) {
    const std::vector<qd::TPackageEntry> entries = qd::CollectSkinDirectory(dir);
    const std::vector<std::uint8_t> package = qd::BuildPackage(entries);
    // The packer is checked by the decoder before anything is written.
    TSkinReader reader;
    if (reader.LoadPackage(package) != qd::TSkinLoadResult::slLoaded ||
        reader.EntryCount != static_cast<int>(entries.size())) {
        std::cerr << "skinpack: packed data does not read back: " << reader.LoadError() << '\n';
        return 1;
    }
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const auto got = reader.EntryBytes(static_cast<int>(i));
        if (!std::equal(got.begin(), got.end(), entries[i].Data.begin(), entries[i].Data.end())) {
            std::cerr << "skinpack: entry " << entries[i].Name << " does not read back\n";
            return 1;
        }
    }
    if (out.has_parent_path()) fs::create_directories(out.parent_path());
    qd::WriteWholeFile(out, package);
    return 0;
}

int Unpack(const fs::path& packagePath, const fs::path& outDir) {
    TSkinReader reader;
    if (!LoadPackage(packagePath, reader)) return 1;
    fs::create_directories(outDir);
    std::set<std::string> written;
    int status = 0;
    for (int i = 0; i < reader.EntryCount; ++i) {
        const std::string& name = reader.EntryNames[i];
        if (!written.insert(name).second) continue;
        if (!qd::IsSafeEntryFileName(name)) {
            std::cerr << "skinpack: entry " << i << " has no usable file name, not written\n";
            status = 1;
            continue;
        }
        qd::WriteWholeFile(outDir / name, reader.EntryBytes(i));
    }
    return status;
}

int List(const fs::path& packagePath) {
    TSkinReader reader;
    if (!LoadPackage(packagePath, reader)) return 1;
    std::cout << "version " << TSkinReader::SkinVersion << '\n';
    for (int i = 0; i < reader.EntryCount; ++i)
        std::cout << reader.EntryNames[i] << '\t' << reader.EntrySizes[static_cast<std::size_t>(i)] << '\n';
    return 0;
}

int Verify(const fs::path& packagePath) {
    TSkinReader reader;
    if (!LoadPackage(packagePath, reader)) return 1;
    const std::string problem = qd::VerifyEntries(reader);
    if (!problem.empty()) {
        std::cerr << "skinpack: " << packagePath.filename().string() << ": " << problem << '\n';
        return 1;
    }
    std::cout << "ok: " << reader.EntryCount << " entries\n";
    return 0;
}

int UnLzh(const fs::path& in, const fs::path& out) {
    const std::vector<std::uint8_t> bytes = qd::ReadWholeFile(in);
    if (bytes.size() < 4) {
        std::cerr << "skinpack: stream is shorter than its 4-byte size field\n";
        return 1;
    }
    const std::int32_t size = static_cast<std::int32_t>(bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) |
                                                        (static_cast<std::uint32_t>(bytes[3]) << 24));
    if (size > TSkinReader::MaxUnpackedSize) {
        std::cerr << "skinpack: unpacked size " << size << " exceeds " << TSkinReader::MaxUnpackedSize << '\n';
        return 1;
    }
    std::uint64_t bits = 0;
    const std::vector<std::uint8_t> data =
        qd::TLZH::UnpackBuffer(std::span<const std::uint8_t>(bytes).subspan(4), size, &bits);
    qd::WriteWholeFile(out, data);
    std::cout << data.size() << " bytes from " << (bits + 7) / 8 << " of " << bytes.size() - 4 << " stream bytes\n";
    return 0;
}

int Run(const std::vector<fs::path>& args) {
    if (args.size() < 2) return Usage();
    const std::string command = args[1].string();
    if (command == "pack" && args.size() == 4) return Pack(args[2], args[3]);
    if (command == "unpack" && args.size() == 4) return Unpack(args[2], args[3]);
    if (command == "list" && args.size() == 3) return List(args[2]);
    if (command == "verify" && args.size() == 3) return Verify(args[2]);
    if (command == "unlzh" && args.size() == 4) return UnLzh(args[2], args[3]);
    return Usage();
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<fs::path> args;
#ifdef _WIN32
    // Wide arguments, so that paths outside the ANSI code page survive.
    (void)argc;
    (void)argv;
    int count = 0;
    if (LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count)) {
        for (int i = 0; i < count; ++i) args.emplace_back(wide[i]);
        LocalFree(wide);
    }
#else
    for (int i = 0; i < argc; ++i) args.emplace_back(argv[i]);
#endif
    try {
        return Run(args);
    } catch (const std::exception& e) {
        std::cerr << "skinpack: " << e.what() << '\n';
        return 1;
    }
}
