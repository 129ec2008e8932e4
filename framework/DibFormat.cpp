#include "framework/DibFormat.h"

#include <string>

namespace qd {

namespace {

[[noreturn]] void Invalid(const std::string& why) { throw EInvalidGraphic("Bitmap image is not valid: " + why); }

bool ContiguousMask(std::uint32_t m) {
    if (m == 0) return false;
    while (!(m & 1)) m >>= 1;
    return (m & (m + 1)) == 0;
}

}  // namespace

TDibLayout ParseDibLayout(std::span<const std::uint8_t> dib, std::optional<std::uint64_t> bitsOffset,
                          const TDibRules& rules) {
    TDibLayout p;
    if (dib.size() < 4) Invalid("truncated header");
    const std::uint32_t headerSize = ReadU32(dib, 0);
    const bool core = headerSize == 12;
    // 64 (OS/2 2.x) is left out on purpose: its compression numbers mean other things.
    if (!core && headerSize != 40 && headerSize != 52 && headerSize != 56 && headerSize != 108 && headerSize != 124)
        Invalid("unsupported header size " + std::to_string(headerSize));
    if (dib.size() < headerSize) Invalid("truncated header");

    std::int64_t width, height;
    int planes;
    std::uint32_t clrUsed = 0;
    if (core) {
        width = ReadU16(dib, 4);
        height = ReadU16(dib, 6);
        planes = ReadU16(dib, 8);
        p.BitCount = ReadU16(dib, 10);
    } else {
        width = ReadI32(dib, 4);
        height = ReadI32(dib, 8);
        planes = ReadU16(dib, 12);
        p.BitCount = ReadU16(dib, 14);
        p.Compression = ReadU32(dib, 16);
        clrUsed = ReadU32(dib, 32);
    }
    if (planes != 1) Invalid(std::to_string(planes) + " planes");
    if (width <= 0 || height == 0) Invalid("empty or negative size");
    p.TopDown = height < 0;
    if (p.TopDown) height = -height;  // 64-bit: even INT_MIN negates safely (and is too large below)
    if (width > rules.MaxDimension || height > rules.MaxDimension || width * height > rules.MaxPixels)
        throw EInvalidGraphic("Bitmap image is too large: " + std::to_string(width) + " x " + std::to_string(height));
    p.Width = static_cast<int>(width);
    p.Height = static_cast<int>(height);

    const int bpp = p.BitCount;
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32)
        Invalid(std::to_string(bpp) + " bits per pixel");
    if (core && (bpp == 16 || bpp == 32)) Invalid(std::to_string(bpp) + " bits per pixel in a core header");
    if (p.Compression != kDibRgb && !(p.Compression == kDibBitfields && (bpp == 16 || bpp == 32)))
        throw EInvalidGraphic("Bitmap image uses an unsupported compression (" + std::to_string(p.Compression) + ")");

    std::uint64_t tableAt = headerSize;
    if (p.Compression == kDibBitfields) {
        // Version 2 and later headers carry the masks; a plain info header is followed by them.
        if (headerSize == 40) {
            if (dib.size() < 52) Invalid("truncated colour masks");
            tableAt += 12;
        }
        for (int i = 0; i < 3; ++i) p.Masks[i] = ReadU32(dib, 40 + 4 * i);
        if (headerSize >= 56) p.AlphaMask = ReadU32(dib, 52);
        const std::uint32_t limit = bpp == 16 ? 0xFFFFu : 0xFFFFFFFFu;
        for (std::uint32_t m : p.Masks)
            if (!(m == 0 ? rules.EmptyMasks : ContiguousMask(m)) || m > limit) Invalid("bad colour mask");
        if ((p.AlphaMask != 0 && !ContiguousMask(p.AlphaMask)) || p.AlphaMask > limit) Invalid("bad alpha mask");
        if ((p.Masks[0] & p.Masks[1]) || (p.Masks[0] & p.Masks[2]) || (p.Masks[1] & p.Masks[2]))
            Invalid("overlapping colour masks");
    }

    const std::uint64_t entrySize = core ? 3 : 4;
    std::uint64_t tableCount = 0;
    if (bpp <= 8) {
        const std::uint32_t full = 1u << bpp;
        if (clrUsed > full) Invalid("colour table larger than its depth allows");
        tableCount = clrUsed ? clrUsed : full;
    } else if (!bitsOffset) {
        tableCount = clrUsed;  // an optional table before the rows of a packed DIB; it only moves the rows
        if (tableCount > 256) Invalid("colour table too large");
    }
    const std::uint64_t tableEnd = tableAt + tableCount * entrySize;
    if (tableEnd > dib.size()) Invalid("truncated colour table");
    if (bpp <= 8) {
        p.Palette.reserve(static_cast<std::size_t>(tableCount));
        for (std::uint64_t i = 0; i < tableCount; ++i) {
            const std::size_t at = static_cast<std::size_t>(tableAt + i * entrySize);
            p.Palette.push_back(TDibColor{dib[at], dib[at + 1], dib[at + 2]});
        }
    }

    const std::uint64_t rowsAt = bitsOffset ? *bitsOffset : tableEnd;
    if (rowsAt < tableAt) Invalid("pixel offset inside the header");
    if (rowsAt < tableEnd) Invalid("pixel offset inside the colour table");
    const std::uint64_t stride = ((static_cast<std::uint64_t>(p.Width) * bpp + 31) / 32) * 4;
    const std::uint64_t need = stride * static_cast<std::uint64_t>(p.Height);
    if (rowsAt > dib.size() || dib.size() - rowsAt < need) Invalid("pixel data truncated");
    p.BitsOffset = static_cast<std::size_t>(rowsAt);
    p.Stride = static_cast<std::size_t>(stride);
    return p;
}

TDibLayout ParseBmpLayout(std::span<const std::uint8_t> file, const TDibRules& rules) {
    if (file.size() < kBmpFileHeaderSize + 4) Invalid("truncated file header");
    if (file[0] != 'B' || file[1] != 'M') Invalid("no BM signature");
    const std::uint32_t offBits = ReadU32(file, 10);
    if (offBits < kBmpFileHeaderSize) Invalid("pixel offset inside the file header");
    TDibLayout p = ParseDibLayout(file.subspan(kBmpFileHeaderSize), std::uint64_t{offBits} - kBmpFileHeaderSize, rules);
    p.BitsOffset += kBmpFileHeaderSize;
    return p;
}

}  // namespace qd
