#include "tools/skinpack/LzhEncoder.h"

#include <algorithm>
#include <array>
#include <limits>

namespace qd {

using namespace lzh;

TLzhBitWriter::TLzhBitWriter() { FTree.Start(); }

void TLzhBitWriter::PutBits(std::uint32_t bits, int count) {
    // One bit at a time keeps the accumulator arithmetic trivially in range; packing speed is not critical.
    for (int i = count - 1; i >= 0; --i) {
        FAcc = (FAcc << 1) | ((bits >> i) & 1u);
        if (++FAccBits == 8) {
            FOut.push_back(static_cast<std::uint8_t>(FAcc));
            FAcc = 0;
            FAccBits = 0;
        }
    }
}

void TLzhBitWriter::PutSymbol(int symbol) {
    // The code of a symbol is the path from the root to its leaf; collect it leaf-first, send it root-first.
    std::array<std::uint8_t, TreeSize> path;
    int depth = 0;
    for (int node = FTree.prnt[symbol + TreeSize]; node != Root; node = FTree.prnt[node])
        path[static_cast<std::size_t>(depth++)] = static_cast<std::uint8_t>(node - FTree.son[FTree.prnt[node]]);
    while (depth > 0) PutBits(path[static_cast<std::size_t>(--depth)], 1);
    FTree.Update(symbol);
}

void TLzhBitWriter::PutLiteral(std::uint8_t byte) { PutSymbol(byte); }

void TLzhBitWriter::PutMatch(int distance, int length) {
    if (distance < 1 || distance > RingSize || length <= Threshold || length > LookAhead)
        throw ElzhException("LZH : Match out of range");
    PutSymbol(255 - Threshold + length);
    const unsigned pos = static_cast<unsigned>(distance - 1);
    const unsigned upper = pos >> 6;
    PutBits(PositionPrefixCode[upper], PositionPrefixLen[upper]);
    PutBits(pos & 0x3Fu, 6);
}

std::vector<std::uint8_t> TLzhBitWriter::Finish() {
    if (FAccBits > 0) PutBits(0, 8 - FAccBits);
    return std::move(FOut);
}

namespace {

// Hash-chain match finder over the data preceded by the ring's initial content, so that early runs of
// spaces can be taken from the 0x20 fill like any earlier output. The 60 bytes before the fill (ring
// positions 4036..4095) have no defined content for other decoders, so they are never referenced.
class TMatchFinder {
public:
    static constexpr int HashBits = 15;
    static constexpr int FirstUsable = LookAhead;  // buffer index of ring position 0

    TMatchFinder(std::span<const std::uint8_t> data, int maxChain) : FMaxChain(std::max(1, maxChain)) {
        FBuf.assign(RingSize, RingFill);
        std::fill(FBuf.begin(), FBuf.begin() + FirstUsable, std::uint8_t{0});
        FBuf.insert(FBuf.end(), data.begin(), data.end());
        FHead.assign(std::size_t{1} << HashBits, -1);
        FPrev.assign(FBuf.size(), -1);
        FNextInsert = FirstUsable;
    }

    std::size_t End() const noexcept { return FBuf.size(); }
    std::uint8_t At(std::size_t i) const noexcept { return FBuf[i]; }

    struct TMatch {
        int length = 0;
        int distance = 0;
    };

    TMatch Find(std::size_t p) {
        InsertBefore(p);
        TMatch best;
        const std::size_t maxLen = std::min<std::size_t>(LookAhead, FBuf.size() - p);
        if (maxLen <= static_cast<std::size_t>(Threshold)) return best;
        const std::size_t lowest = p >= static_cast<std::size_t>(RingSize) + FirstUsable ? p - RingSize : FirstUsable;
        std::int64_t q = FHead[Hash(p)];
        for (int chain = FMaxChain; q >= 0 && static_cast<std::size_t>(q) >= lowest && chain > 0;
             q = FPrev[static_cast<std::size_t>(q)], --chain) {
            const std::size_t c = static_cast<std::size_t>(q);
            // A candidate that differs at the byte just past the best length cannot beat it.
            const std::size_t bl = static_cast<std::size_t>(best.length);
            if (bl > 0 && FBuf[c + bl] != FBuf[p + bl]) continue;
            std::size_t len = 0;
            while (len < maxLen && FBuf[c + len] == FBuf[p + len]) ++len;
            if (static_cast<int>(len) > best.length) {
                best.length = static_cast<int>(len);
                best.distance = static_cast<int>(p - c);
                if (len == maxLen) break;
            }
        }
        if (best.length <= Threshold) best = {};
        return best;
    }

private:
    std::size_t Hash(std::size_t i) const noexcept {
        const std::uint32_t v = (std::uint32_t{FBuf[i]} << 16) | (std::uint32_t{FBuf[i + 1]} << 8) | FBuf[i + 2];
        return (v * 2654435761u) >> (32 - HashBits);
    }
    void InsertBefore(std::size_t p) {
        for (; FNextInsert < p && FNextInsert + 2 < FBuf.size(); ++FNextInsert) {
            const std::size_t h = Hash(FNextInsert);
            FPrev[FNextInsert] = FHead[h];
            FHead[h] = static_cast<std::int64_t>(FNextInsert);
        }
        FNextInsert = std::max(FNextInsert, p);
    }

    int FMaxChain;
    std::vector<std::uint8_t> FBuf;
    std::vector<std::int64_t> FHead;
    std::vector<std::int64_t> FPrev;
    std::size_t FNextInsert;
};

}  // namespace

std::vector<std::uint8_t> LzhEncode(std::span<const std::uint8_t> data, const TLzhPackOptions& options) {
    TLzhBitWriter out;
    TMatchFinder finder(data, options.MaxChain);
    std::size_t p = RingSize;
    const std::size_t end = finder.End();
    TMatchFinder::TMatch m = p < end ? finder.Find(p) : TMatchFinder::TMatch{};
    while (p < end) {
        if (m.length > Threshold) {
            if (options.Lazy && m.length < LookAhead && p + 1 < end) {
                const TMatchFinder::TMatch next = finder.Find(p + 1);
                if (next.length > m.length) {
                    out.PutLiteral(finder.At(p));
                    ++p;
                    m = next;
                    continue;
                }
            }
            out.PutMatch(m.distance, m.length);
            p += static_cast<std::size_t>(m.length);
        } else {
            out.PutLiteral(finder.At(p));
            ++p;
        }
        m = p < end ? finder.Find(p) : TMatchFinder::TMatch{};
    }
    return out.Finish();
}

std::vector<std::uint8_t> LzhPack(std::span<const std::uint8_t> data, const TLzhPackOptions& options) {
    if (data.size() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()))
        throw ElzhException("LZH : Data too large for one stream");
    const std::uint32_t size = static_cast<std::uint32_t>(data.size());
    std::vector<std::uint8_t> out = {static_cast<std::uint8_t>(size), static_cast<std::uint8_t>(size >> 8),
                                     static_cast<std::uint8_t>(size >> 16), static_cast<std::uint8_t>(size >> 24)};
    const std::vector<std::uint8_t> bits = LzhEncode(data, options);
    out.insert(out.end(), bits.begin(), bits.end());
    return out;
}

}  // namespace qd
