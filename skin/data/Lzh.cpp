#include "skin/data/Lzh.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <new>

namespace qd {
namespace lzh {

// The table rows as the format defines them; a wrong group width would silently garble every position.
static_assert(DCode[0x1F] == 0 && DCode[0x20] == 1 && DCode[0x4F] == 3);
static_assert(DCode[0x50] == 4 && DCode[0x8F] == 11 && DCode[0x90] == 12);
static_assert(DCode[0xBF] == 23 && DCode[0xC0] == 24 && DCode[0xEF] == 47);
static_assert(DCode[0xF0] == 48 && DCode[0xFF] == 63);
static_assert(DLen[0x00] == 3 && DLen[0x4F] == 4 && DLen[0x8F] == 5);
static_assert(DLen[0xBF] == 6 && DLen[0xEF] == 7 && DLen[0xFF] == 8);

void THuffTree::Start() noexcept {
    for (int i = 0; i < SymbolCount; ++i) {
        freq[i] = 1;
        son[i] = static_cast<std::int16_t>(i + TreeSize);
        prnt[i + TreeSize] = static_cast<std::int16_t>(i);
    }
    for (int i = 0, j = SymbolCount; j <= Root; i += 2, ++j) {
        freq[j] = static_cast<std::uint16_t>(freq[i] + freq[i + 1]);
        son[j] = static_cast<std::int16_t>(i);
        prnt[i] = prnt[i + 1] = static_cast<std::int16_t>(j);
    }
    freq[TreeSize] = 0xFFFF;
    prnt[Root] = 0;
}

void THuffTree::Rebuild() noexcept {
    // Leaves first, in node order, with halved counts (rounded up so none drops to zero).
    int j = 0;
    for (int i = 0; i < TreeSize; ++i) {
        if (son[i] >= TreeSize) {
            freq[j] = static_cast<std::uint16_t>((freq[i] + 1u) / 2u);
            son[j] = son[i];
            ++j;
        }
    }
    // Pair them up again; each new inner node goes in after the last node whose count does not exceed its own.
    for (int i = 0, k = 0; j < TreeSize; i += 2, ++j) {
        const unsigned f = static_cast<unsigned>(freq[i]) + freq[i + 1];
        k = j - 1;
        while (k >= 0 && f < freq[k]) --k;  // freq[i] <= f keeps k >= i; the bound only guards the invariant
        ++k;
        const std::size_t moved = static_cast<std::size_t>(j - k);
        std::memmove(&freq[k + 1], &freq[k], moved * sizeof freq[0]);
        std::memmove(&son[k + 1], &son[k], moved * sizeof son[0]);
        freq[k] = static_cast<std::uint16_t>(f);
        son[k] = static_cast<std::int16_t>(i);
    }
    for (int k = 0; k < TreeSize; ++k) {
        const int s = son[k];
        prnt[s] = static_cast<std::int16_t>(k);
        if (s < TreeSize) prnt[s + 1] = static_cast<std::int16_t>(k);
    }
}

}  // namespace lzh

namespace {

using namespace lzh;

// The classic bit reader: a 16-bit buffer refilled one byte at a time while it holds fewer than 9 bits. Kept
// for the callback path so that the read callback sees exactly the classic request pattern.
class TClassicBits {
public:
    explicit TClassicBits(const TLZH::TReadProc& read) : FRead(read) {}

    unsigned Bit() {
        Fill();
        const unsigned b = (FBuf >> 15) & 1u;
        FBuf = static_cast<std::uint16_t>(FBuf << 1);
        --FLen;
        return b;
    }
    unsigned Byte() {
        Fill();
        const unsigned b = FBuf >> 8;
        FBuf = static_cast<std::uint16_t>(FBuf << 8);
        FLen -= 8;
        return b;
    }
    unsigned Position() {
        const unsigned first = Byte();
        unsigned b = first;
        for (int n = DLen[first] - 2; n > 0; --n) b = (b << 1) + Bit();
        return (static_cast<unsigned>(DCode[first]) << 6) | (b & 0x3Fu);
    }
    int Symbol(const THuffTree& tree) {
        int c = tree.son[Root];
        while (c < TreeSize) c = tree.son[c + static_cast<int>(Bit())];
        return c - TreeSize;
    }

private:
    void Fill() {
        while (FLen < 9) {
            std::uint8_t byte = 0;
            if (FRead(&byte, 1) != 1) byte = 0;
            FBuf = static_cast<std::uint16_t>(FBuf | (static_cast<unsigned>(byte) << (8 - FLen)));
            FLen += 8;
        }
    }

    const TLZH::TReadProc& FRead;
    std::uint16_t FBuf = 0;
    int FLen = 0;
};

// The memory bit reader: a left-aligned 64-bit buffer refilled seven bytes at a time; past the end of the
// input it supplies zero bits, as the classic reader does.
class TMemoryBits {
public:
    explicit TMemoryBits(std::span<const std::uint8_t> input) : FPos(input.data()), FEnd(input.data() + input.size()) {}

    // Ensures at least 57 bits are buffered.
    inline void Fill() noexcept {
        while (FCount <= 56) {
            const std::uint64_t byte = FPos < FEnd ? *FPos++ : (++FPastEnd, 0u);
            FBuf |= byte << (56 - FCount);
            FCount += 8;
        }
    }
    inline int Symbol(const THuffTree& tree) noexcept {
        int c = tree.son[Root];
        while (c < TreeSize) {
            if (FCount == 0) Fill();
            c = tree.son[c + static_cast<int>(FBuf >> 63)];
            FBuf <<= 1;
            --FCount;
        }
        return c - TreeSize;
    }
    // The first byte picks the prefix; the position's low six bits are the byte's trailing bits plus
    // DLen - 2 more, so the whole code is taken from the buffer in one step.
    inline unsigned Position() noexcept {
        if (FCount < 14) Fill();
        const unsigned first = static_cast<unsigned>(FBuf >> 56);
        const unsigned total = 6u + DLen[first];
        const unsigned code = static_cast<unsigned>(FBuf >> (64 - total));
        FBuf <<= total;
        FCount -= static_cast<int>(total);
        return (static_cast<unsigned>(DCode[first]) << 6) | (code & 0x3Fu);
    }
    std::uint64_t BitsConsumed(std::span<const std::uint8_t> input) const noexcept {
        const std::uint64_t loaded = static_cast<std::uint64_t>(FPos - input.data()) + FPastEnd;
        return loaded * 8 - static_cast<std::uint64_t>(FCount);
    }

private:
    const std::uint8_t* FPos;
    const std::uint8_t* FEnd;
    std::uint64_t FBuf = 0;
    int FCount = 0;
    std::uint64_t FPastEnd = 0;
};

struct TStateDeleter {
    void operator()(THuffTree* p) const noexcept { ::operator delete(p, std::nothrow); }
};

std::unique_ptr<THuffTree, TStateDeleter> NewTree() {
    auto* raw = static_cast<THuffTree*>(::operator new(sizeof(THuffTree), std::nothrow));
    if (!raw) throw ElzhException("LZH : Cannot get memory for dictionary tables");
    return std::unique_ptr<THuffTree, TStateDeleter>(raw);
}

}  // namespace

std::int64_t TLZH::Unpack(std::int32_t unpackedSize, const TReadProc& read, const TWriteProc& write) {
    if (unpackedSize <= 0) return 0;
    auto tree = NewTree();
    struct TRing {
        std::uint8_t bytes[RingSize + LookAhead - 1];
    };
    std::unique_ptr<TRing> ring(new (std::nothrow) TRing);
    if (!ring) throw ElzhException("LZH : Cannot get memory for dictionary tables");

    tree->Start();
    std::memset(ring->bytes, RingFill, RingStart);
    std::memset(ring->bytes + RingStart, 0, sizeof ring->bytes - RingStart);
    TClassicBits bits(read);
    unsigned r = RingStart;
    std::int64_t count = 0;
    while (count < unpackedSize) {
        const int c = bits.Symbol(*tree);
        tree->Update(c);
        if (c < 256) {
            const std::uint8_t b = static_cast<std::uint8_t>(c);
            write(&b, 1);
            ring->bytes[r] = b;
            r = (r + 1) & RingMask;
            ++count;
        } else {
            const unsigned start = (r - bits.Position() - 1) & RingMask;
            const int length = c - 255 + Threshold;
            for (int k = 0; k < length; ++k) {
                const std::uint8_t b = ring->bytes[(start + static_cast<unsigned>(k)) & RingMask];
                write(&b, 1);
                ring->bytes[r] = b;
                r = (r + 1) & RingMask;
                ++count;
            }
        }
    }
    return count;
}

std::vector<std::uint8_t> TLZH::UnpackBuffer(std::span<const std::uint8_t> bitStream, std::int32_t unpackedSize,
                                             std::uint64_t* bitsConsumed) {
    if (bitsConsumed) *bitsConsumed = 0;
    if (unpackedSize <= 0) return {};
    auto tree = NewTree();
    std::vector<std::uint8_t> out;
    try {
        // Room for the largest overshoot, so the loop never checks capacity.
        out.resize(static_cast<std::size_t>(unpackedSize) + MaxOvershoot + 1);
    } catch (const std::bad_alloc&) {
        throw ElzhException("LZH : Cannot get memory for the output");
    }
    tree->Start();
    TMemoryBits bits(bitStream);
    bits.Fill();
    std::uint8_t* const base = out.data();
    std::uint8_t* w = base;
    std::uint8_t* const end = base + unpackedSize;
    while (w < end) {
        const int c = bits.Symbol(*tree);
        tree->Update(c);
        if (c < 256) {
            *w++ = static_cast<std::uint8_t>(c);
            continue;
        }
        const std::ptrdiff_t distance = static_cast<std::ptrdiff_t>(bits.Position()) + 1;  // 1..4096
        const int length = c - 255 + Threshold;                                            // 3..60
        std::ptrdiff_t written = w - base;
        if (distance <= written) {
            const std::uint8_t* src = w - distance;
            if (distance >= length) {
                std::memcpy(w, src, static_cast<std::size_t>(length));
                w += length;
            } else {
                // Overlapping copy: each byte may be one this match has just produced (a run).
                for (int k = 0; k < length; ++k) *w++ = src[k];
            }
        } else {
            // Early in the output a reference may reach into the ring's initial content.
            for (int k = 0; k < length; ++k, ++written) {
                const std::ptrdiff_t from = written - distance;
                *w++ = from >= 0 ? base[from] : InitialRingByteBefore(-from);
            }
        }
    }
    if (bitsConsumed) *bitsConsumed = bits.BitsConsumed(bitStream);
    out.resize(static_cast<std::size_t>(w - base));
    return out;
}

std::int64_t TLZH::Unpack(std::int32_t unpackedSize, TMemoryStream& input, TMemoryStream& output) {
    const std::int64_t pos = std::min(input.Position(), input.Size());
    const std::span<const std::uint8_t> rest = input.Bytes().subspan(static_cast<std::size_t>(pos));
    std::uint64_t bitsUsed = 0;
    const std::vector<std::uint8_t> bytes = UnpackBuffer(rest, unpackedSize, &bitsUsed);
    const std::uint64_t bytesUsed = std::min<std::uint64_t>((bitsUsed + 7) / 8, rest.size());
    input.SetPosition(pos + static_cast<std::int64_t>(bytesUsed));
    output.Write(bytes.data(), bytes.size());
    return static_cast<std::int64_t>(bytes.size());
}

}  // namespace qd
