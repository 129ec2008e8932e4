#pragma once
// LZHUF decompressor for skin packages: LZSS over a 4096-byte ring whose literals and match lengths are coded
// with an adaptive Huffman tree and whose match positions use a fixed prefix table plus six raw bits.
// Portable: no platform headers.
//
// Two ways in:
//  - TLZH::Unpack pulls input and pushes output through byte callbacks, one byte at a time, exactly like the
//    classic decoder (useful when the caller must see every byte, or wants the classic read pattern);
//  - TLZH::UnpackBuffer decodes a bit stream held in memory straight into a byte vector. This is the path the
//    package reader uses; it is several times faster (64-bit bit buffer, table-driven positions, linear
//    output instead of a ring plus a per-byte callback).
// Both produce identical bytes for every input, including corrupt and truncated ones: missing input bits read
// as zero and the run ends only when the output count is reached. A match is always copied whole, so the
// output may be up to 59 bytes longer than asked.

#include <bit>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "framework/Classes.h"
#include "framework/Exception.h"

namespace qd {

class ElzhException : public Exception {
public:
    using Exception::Exception;
};

namespace lzh {

inline constexpr int RingSize = 4096;  // N
inline constexpr int RingMask = RingSize - 1;
inline constexpr int LookAhead = 60;         // F: longest match
inline constexpr int Threshold = 2;          // longest match that is never coded
inline constexpr int SymbolCount = 314;      // 256 literals + 58 lengths (3..60)
inline constexpr int TreeSize = 627;         // T = 2 * SymbolCount - 1
inline constexpr int Root = TreeSize - 1;    // R
inline constexpr unsigned MaxFreq = 0x8000;  // root frequency that triggers a rebuild
inline constexpr std::uint8_t RingFill = 0x20;
inline constexpr int RingStart = RingSize - LookAhead;  // 4036: first write position, end of the 0x20 fill
inline constexpr int MaxOvershoot = LookAhead - 1;      // a whole match may pass the requested size by this

// Position prefix tables. DCode/DLen are indexed by the first byte read for a position: the upper six bits of
// the position and the length of the prefix in bits (3..8). PositionPrefixCode/Len are the packer's view: for
// each upper value the prefix bits (right-aligned) and their count. Groups of equal prefixes are 32, 16, 8, 4,
// 2 and 1 bytes wide (1, 3, 8, 12, 24 and 16 groups), with prefixes of 3 to 8 bits.
struct TPositionTables {
    std::uint8_t code[256]{};
    std::uint8_t len[256]{};
    std::uint8_t prefixCode[64]{};
    std::uint8_t prefixLen[64]{};
};

constexpr TPositionTables MakePositionTables() {
    TPositionTables t;
    constexpr int widths[6] = {32, 16, 8, 4, 2, 1};
    constexpr int groups[6] = {1, 3, 8, 12, 24, 16};
    int b = 0;
    int upper = 0;
    for (int g = 0; g < 6; ++g) {
        const int bits = 3 + g;
        for (int n = 0; n < groups[g]; ++n, ++upper) {
            t.prefixCode[upper] = static_cast<std::uint8_t>(b >> (8 - bits));
            t.prefixLen[upper] = static_cast<std::uint8_t>(bits);
            for (int w = 0; w < widths[g]; ++w, ++b) {
                t.code[b] = static_cast<std::uint8_t>(upper);
                t.len[b] = static_cast<std::uint8_t>(bits);
            }
        }
    }
    return t;
}

inline constexpr TPositionTables PositionTables = MakePositionTables();
inline constexpr const std::uint8_t (&DCode)[256] = PositionTables.code;
inline constexpr const std::uint8_t (&DLen)[256] = PositionTables.len;
inline constexpr const std::uint8_t (&PositionPrefixCode)[64] = PositionTables.prefixCode;
inline constexpr const std::uint8_t (&PositionPrefixLen)[64] = PositionTables.prefixLen;

// Initial ring content seen by a back reference that reaches before the first output byte: `back` = 1 is the
// byte just before the start (ring index 4035). Positions 4036..4095 hold zero.
constexpr std::uint8_t InitialRingByteBefore(std::int64_t back) noexcept { return back <= RingStart ? RingFill : 0; }

// The adaptive Huffman model shared by the decoder and by our packer. Invariants (the sibling property):
// freq[] is non-decreasing over node positions 0..626, siblings sit at son[p] and son[p] + 1, freq[627] (and
// the padding after it) is a sentinel 0xFFFF that stops the upward scan in Update. Every symbol sequence keeps these
// invariants, so no input can drive an index out of range.
struct THuffTree {
    static constexpr int ScanWidth = 16;
    std::uint16_t freq[TreeSize + ScanWidth];  // sentinels 0xFFFF from TreeSize on
    std::int16_t son[TreeSize];
    std::int16_t prnt[TreeSize + SymbolCount];

    void Start() noexcept;
    void Rebuild() noexcept;

    // The last node position at or after `from` - 1 whose count is below `k`, given freq[from - 1] < k.
    // Counts are sorted, so this is the end of the run of counts below k. Most runs are short: the first
    // ScanWidth counts are compared without a branch (their number below k is the run's length); a longer
    // run, as flat statistics give, is followed by galloping and halving. The sentinel counts 0xFFFF from
    // freq[TreeSize] on exceed every count (k <= MaxFreq) and bound both.
    inline int LastBelow(int from, unsigned k) const noexcept {
#if defined(__SSE2__)
        // Counts below k are those that k - 1 saturates to zero; they form a prefix of the 16 lanes.
        const __m128i limit = _mm_set1_epi16(static_cast<short>(k - 1));
        const __m128i zero = _mm_setzero_si128();
        const __m128i first = _mm_loadu_si128(reinterpret_cast<const __m128i*>(freq + from));
        const __m128i second = _mm_loadu_si128(reinterpret_cast<const __m128i*>(freq + from + 8));
        const unsigned mask =
            static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi16(_mm_subs_epu16(first, limit), zero))) |
            static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi16(_mm_subs_epu16(second, limit), zero))) << 16;
        const unsigned below = static_cast<unsigned>(std::countr_one(mask)) / 2;
#else
        unsigned below = 0;
        for (int i = 0; i < ScanWidth; ++i) below += freq[from + i] < k ? 1u : 0u;
#endif
        if (below < ScanWidth) return from - 1 + static_cast<int>(below);
        int lo = from + ScanWidth - 1;  // freq[lo] < k
        int hi = lo + 1;                // probe; ends with freq[hi] >= k
        int step = 1;
        while (freq[hi] < k) {
            lo = hi;
            step <<= 1;
            hi = lo + step;
            if (hi >= TreeSize) {
                hi = TreeSize;
                break;
            }
        }
        while (hi - lo > 1) {
            const int mid = (lo + hi) >> 1;
            if (freq[mid] < k)
                lo = mid;
            else
                hi = mid;
        }
        return lo;
    }

    // The node at position c has just been counted up to k and now exceeds its right neighbour: it trades
    // places (count and subtree) with the last node whose count is below k. Returns that node's position,
    // where the counted subtree now hangs.
    inline int Promote(int c, unsigned k) noexcept {
        const int l = LastBelow(c + 2, k);
        freq[c] = freq[l];
        freq[l] = static_cast<std::uint16_t>(k);
        // A leaf has one entry in prnt, an inner node two: for a leaf the second store repeats the first.
        const int i = son[c];
        prnt[i] = static_cast<std::int16_t>(l);
        prnt[i + (i < TreeSize)] = static_cast<std::int16_t>(l);
        const int j = son[l];
        son[l] = static_cast<std::int16_t>(i);
        prnt[j] = static_cast<std::int16_t>(c);
        prnt[j + (j < TreeSize)] = static_cast<std::int16_t>(c);
        son[c] = static_cast<std::int16_t>(j);
        return l;
    }

    // Counts one more occurrence of `symbol` and restores the sibling property on the way to the root: a node
    // whose count now exceeds its right neighbour's trades places with the last node of lower count.
    inline void Update(int symbol) noexcept {
        if (freq[Root] == MaxFreq) Rebuild();
        int c = prnt[symbol + TreeSize];
        do {
            const unsigned k = ++freq[c];
            if (k > freq[c + 1]) c = Promote(c, k);
            c = prnt[c];
        } while (c != 0);
    }
};

}  // namespace lzh

class TLZH {
public:
    // Asked for up to `count` bytes (always 1 here); returns how many it delivered, 0 once the input is exhausted.
    using TReadProc = std::function<std::size_t(std::uint8_t* buffer, std::size_t count)>;
    // Handed `count` bytes (always 1 here); must take them.
    using TWriteProc = std::function<void(const std::uint8_t* buffer, std::size_t count)>;

    // Decodes until at least `unpackedSize` bytes were written; zero or negative writes nothing and reads
    // nothing. Returns the number of bytes written. Raises ElzhException when the tables cannot be allocated.
    std::int64_t Unpack(std::int32_t unpackedSize, const TReadProc& read, const TWriteProc& write);

    // Same result for a bit stream in memory. The caller bounds `unpackedSize`: the whole output is allocated
    // up front. `bitsConsumed`, when given, receives the number of stream bits the decoder used (it may exceed
    // 8 * bitStream.size() when the stream ended early and zero bits were supplied).
    static std::vector<std::uint8_t> UnpackBuffer(std::span<const std::uint8_t> bitStream, std::int32_t unpackedSize,
                                                  std::uint64_t* bitsConsumed = nullptr);

    // Stream form of UnpackBuffer: decodes the bytes of `input` from its position (which then moves past the
    // bytes whose bits were used) and writes the output to `output` at its position.
    std::int64_t Unpack(std::int32_t unpackedSize, TMemoryStream& input, TMemoryStream& output);
};

}  // namespace qd
