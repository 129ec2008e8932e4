// The whole skin load from untrusted bytes: LZH decode, container checks and index, the description parsed,
// every bitmap entry read and every description value tried as an image reference.
// Input: a package (4-byte size, LZH stream); or 'C' followed by an already decompressed container, so that
// the fuzzer can reach the container and entry readers without having to learn the compression first.
// The two decoder paths must agree on every stream.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <span>
#include <string>
#include <vector>

#include "skin/data/Lzh.h"
#include "skin/data/SkinReader.h"

#include "skin/data/Bmp.h"
#include "skin/data/QuickIni.h"

namespace {

void CheckDecodersAgree(std::span<const std::uint8_t> package) {
    if (package.size() < 4) return;
    std::int32_t size;
    std::memcpy(&size, package.data(), 4);  // little-endian host
    if (size > 16384) size = 16384;         // keep each run short; the reader bounds real sizes
    const std::span<const std::uint8_t> stream = package.subspan(4);
    const std::vector<std::uint8_t> fast = qd::TLZH::UnpackBuffer(stream, size);
    std::vector<std::uint8_t> classic;
    std::size_t pos = 0;
    qd::TLZH().Unpack(
        size,
        [&](std::uint8_t* b, std::size_t n) {
            const std::size_t k = n < stream.size() - pos ? n : stream.size() - pos;
            if (k > 0) std::memcpy(b, stream.data() + pos, k);
            pos += k;
            return k;
        },
        [&](const std::uint8_t* b, std::size_t n) { classic.insert(classic.end(), b, b + n); });
    if (fast != classic) std::abort();
    if (size > 0 && (fast.size() < static_cast<std::size_t>(size) ||
                     fast.size() > static_cast<std::size_t>(size) + qd::lzh::MaxOvershoot))
        std::abort();
}

void UseEntries(const qd::TSkinReader& reader) {
    qd::TMemoryStream description;
    std::string name;
    reader.ExtractEntryContaining(".ini", description, name);
    qd::TQuickIni ini;
    ini.LoadFromStream(&description);
    qd::TMemoryStream bitmap;
    for (const auto& line : ini.Lines) {
        const std::size_t eq = line.Text.find('=');
        if (eq != std::string::npos) reader.ExtractBitmapEntry(std::string_view(line.Text).substr(eq + 1), bitmap);
    }
    for (int i = 0; i < reader.EntryCount; ++i) {
        const std::string& entry = reader.EntryNames[i];
        if (entry.size() < 4 || entry.compare(entry.size() - 4, 4, ".bmp") != 0) continue;
        const std::span<const std::uint8_t> bytes = reader.EntryBytes(i);
        (void)qd::ReadBmp(bytes);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> input(data, size);
    qd::TSkinReader reader;
    qd::TSkinLoadResult result;
    if (size > 0 && data[0] == 'C') {
        result = reader.LoadContainer(input.subspan(1));
    } else {
        CheckDecodersAgree(input);
        // The same bytes read as a stored "SkinStream" value (count, then package) must be refused or
        // handed out within bounds.
        if (auto stored = qd::ReadSkinStreamValue(input)) {
            if (stored->size() > size - 4) std::abort();
        }
        result = reader.LoadPackage(input);
    }
    if (result == qd::TSkinLoadResult::slLoaded) UseEntries(reader);
    return 0;
}
