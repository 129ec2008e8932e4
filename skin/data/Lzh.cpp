#include "skin/data/Lzh.h"

#include <algorithm>
#include <bit>
#include <array>
#include <cstring>
#include <memory>
#include <new>
#include <type_traits>
#include <utility>

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
    std::fill(freq + TreeSize, std::end(freq), std::uint16_t{0xFFFF});
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

// The top levels of the tree as a lookup table, indexed by the next TopBits bits of the stream. An entry
// holds, in its low ten bits, either the leaf's son value (symbol + TreeSize) when the code ends within those
// bits, or the position reached after TopBits steps (below TreeSize), from which the walk goes on bit by bit;
// the upper bits give the number of stream bits the entry accounts for.
// The table depends only on the son entries of the positions less than TopBits steps below the root, so it
// stays exact across updates: `FHeap` gives each such position its heap index (root 1, children 2h and
// 2h + 1) and 0 to every other position, and a swap that touches a marked position refills only the entries
// under it (two for a swap just above the table's depth, all of them only when a child of the root moves).
class TTopTable {
public:
    static constexpr int Bits = 8;
    static constexpr int Size = 1 << Bits;

    void Build(const THuffTree& tree) noexcept {
        FChanged = true;
        std::memset(FHeap, 0, sizeof FHeap);
        Fill(tree, Root, 1);
    }
    inline unsigned Entry(unsigned index) const noexcept { return FEntry[index]; }
    // Whether entries were refilled since the last call.
    inline bool TakeChanged() noexcept { return std::exchange(FChanged, false); }

    // The update of the tree after decoding `symbol`, as THuffTree::Update, keeping the table exact. Within
    // the table's levels the path to the root is read off the heap indices, so the loads for one level do
    // not wait for the parent link loaded at the level below.
    // `heap` is the heap index of the symbol's node when the caller knows it (the code ended within the
    // table), else 0.
    inline void Update(THuffTree& tree, int symbol, unsigned heap) noexcept {
        // c is the node to count; h its heap index, or 0 where the walk follows the parent links instead.
        unsigned h = heap;
        int c = h != 0 ? FNode[h] : tree.prnt[symbol + TreeSize];
        if (h == 0) h = FHeap[c];
        for (;;) {
            const unsigned k = ++tree.freq[c];
            if (k > tree.freq[c + 1]) {
                // The counted subtree now hangs at l: go on with its parent, whose heap index is l's halved
                // when l is in the table's levels (both loads wait only for l).
                const int l = Promote(tree, c, k);
                h = FHeap[l] >> 1;
                c = tree.prnt[l];
                continue;
            }
            if (h > 1) {
                h >>= 1;
                c = FNode[h];
            } else if (h == 0) {
                c = tree.prnt[c];
                h = FHeap[c];
            } else {
                return;  // the root: it never moves (the sentinel exceeds its count)
            }
        }
    }

    static constexpr unsigned ValueMask = 0x3FF;
    static constexpr unsigned LengthShift = 10;

private:
    inline int Promote(THuffTree& tree, int c, unsigned k) noexcept {
        const int l = tree.Promote(c, k);
        if ((FHeap[c] | FHeap[l]) != 0) Refresh(tree, c, l);
        return l;
    }
    void Fill(const THuffTree& tree, int node, unsigned heap) noexcept {
        const int depth = std::bit_width(heap) - 1;
        const unsigned prefix = heap - (1u << depth);
        FHeap[node] = static_cast<std::uint16_t>(heap);
        FNode[heap] = static_cast<std::uint16_t>(node);
        const int s = tree.son[node];
        if (s >= TreeSize) {
            const unsigned width = 1u << (Bits - depth);
            const auto e =
                static_cast<std::uint16_t>(static_cast<unsigned>(s) | (static_cast<unsigned>(depth) << LengthShift));
            std::fill_n(FEntry + prefix * width, width, e);
        } else if (depth + 1 == Bits) {
            FEntry[prefix * 2] = static_cast<std::uint16_t>(static_cast<unsigned>(s) | (Bits << LengthShift));
            FEntry[prefix * 2 + 1] = static_cast<std::uint16_t>(static_cast<unsigned>(s + 1) | (Bits << LengthShift));
        } else {
            Fill(tree, s, heap * 2);
            Fill(tree, s + 1, heap * 2 + 1);
        }
    }
    void Clear(const THuffTree& tree, int node) noexcept {
        if (FHeap[node] == 0) return;
        FHeap[node] = 0;
        const int s = tree.son[node];
        if (s < TreeSize) {
            Clear(tree, s);
            Clear(tree, s + 1);
        }
    }
    void ClearChildren(const THuffTree& tree, int s) noexcept {
        if (s < TreeSize) {
            Clear(tree, s);
            Clear(tree, s + 1);
        }
    }
    void Refresh(const THuffTree& tree, int a, int b) noexcept {
        // Neither position is an ancestor of the other (the moved node's count is below every ancestor's),
        // so the two subtrees are disjoint: unmark both old subtrees, then mark and fill both new ones.
        const unsigned ha = FHeap[a];
        const unsigned hb = FHeap[b];
        FChanged = true;
        if (ha != 0) ClearChildren(tree, tree.son[b]);
        if (hb != 0) ClearChildren(tree, tree.son[a]);
        if (ha != 0) Fill(tree, a, ha);
        if (hb != 0) Fill(tree, b, hb);
    }

    std::uint16_t FEntry[Size];
    std::uint16_t FHeap[TreeSize];  // heap index of each position in the table's levels, else 0
    std::uint16_t FNode[Size];      // position at each heap index in use
    bool FChanged = true;           // entries refilled since TakeChanged
};

// The memory bit reader: a left-aligned 64-bit buffer refilled seven bytes at a time; past the end of the
// input it supplies zero bits, as the classic reader does.
class TMemoryBits {
public:
    explicit TMemoryBits(std::span<const std::uint8_t> input) : FPos(input.data()), FEnd(input.data() + input.size()) {}

    // Ensures at least 56 bits are buffered. Eight bytes at a time while they last: the bits below the
    // counted ones are the stream's next bits, so ORing them in again at the next refill changes nothing.
    inline void Fill() noexcept {
        if (FEnd - FPos >= 8) {
            std::uint64_t v;
            std::memcpy(&v, FPos, sizeof v);
            if constexpr (std::endian::native == std::endian::little) v = __builtin_bswap64(v);
            FBuf |= v >> FCount;
            FPos += (63 - FCount) >> 3;
            FCount |= 56;
            return;
        }
        while (FCount <= 56) {
            const std::uint64_t byte = FPos < FEnd ? *FPos++ : (++FPastEnd, 0u);
            FBuf |= byte << (56 - FCount);
            FCount += 8;
        }
    }
    // The table entry for the next symbol. Needs at least TTopTable::Bits buffered bits.
    inline unsigned Peek(const TTopTable& top) const noexcept {
        return top.Entry(static_cast<unsigned>(FBuf >> (64 - TTopTable::Bits)));
    }
    // The next symbol, from its table entry (Peek, with the table as it is now).
    // `heap` receives the heap index of the symbol's node when the code ends within the table, else 0.
    inline int Symbol(const THuffTree& tree, unsigned e, unsigned& heap) noexcept {
        const int n = static_cast<int>(e >> TTopTable::LengthShift);
        const unsigned index = static_cast<unsigned>(FBuf >> (64 - TTopTable::Bits));
        FBuf <<= n;
        FCount -= n;
        int c = static_cast<int>(e & TTopTable::ValueMask);
        heap = 0;
        if (c >= TreeSize) {
            heap = (index | TTopTable::Size) >> (TTopTable::Bits - n);
            return c - TreeSize;
        }
        c = tree.son[c];
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
    template <class T>
    void operator()(T* p) const noexcept {
        ::operator delete(p, std::nothrow);
    }
};

// The tables of a run; they hold no resources, so they are used uninitialised and filled by Start/Build.
template <class T>
std::unique_ptr<T, TStateDeleter> NewState() {
    static_assert(std::is_trivially_destructible_v<T>);
    auto* raw = static_cast<T*>(::operator new(sizeof(T), std::nothrow));
    if (!raw) throw ElzhException("LZH : Cannot get memory for dictionary tables");
    return std::unique_ptr<T, TStateDeleter>(raw);
}

// Matches at least this far back are copied in chunks of this size.
constexpr int CopyChunk = 16;

struct TMemoryState {
    THuffTree tree;
    TTopTable top;
};

}  // namespace

std::int64_t TLZH::Unpack(std::int32_t unpackedSize, const TReadProc& read, const TWriteProc& write) {
    if (unpackedSize <= 0) return 0;
    auto tree = NewState<THuffTree>();
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
    auto state = NewState<TMemoryState>();
    THuffTree& tree = state->tree;
    TTopTable& top = state->top;
    std::vector<std::uint8_t> out;
    try {
        // Room for the largest overshoot, so the loop never checks capacity.
        out.resize(static_cast<std::size_t>(unpackedSize) + MaxOvershoot + CopyChunk + 1);
    } catch (const std::bad_alloc&) {
        throw ElzhException("LZH : Cannot get memory for the output");
    }
    tree.Start();
    top.Build(tree);
    TMemoryBits bits(bitStream);
    std::uint8_t* const base = out.data();
    std::uint8_t* w = base;
    std::uint8_t* const end = base + unpackedSize;
    bits.Fill();
    unsigned entry = bits.Peek(top);
    while (w < end) {
        unsigned heap;
        const int c = bits.Symbol(tree, entry, heap);
        const std::ptrdiff_t distance = c < 256 ? 0 : static_cast<std::ptrdiff_t>(bits.Position()) + 1;  // 1..4096
        // The next symbol's entry is looked up before the update, which rarely changes the table: the lookup
        // then does not wait for the update's stores, and is repeated only when the table did change.
        bits.Fill();
        entry = bits.Peek(top);
        if (tree.freq[Root] == MaxFreq) {  // the update would rebuild the tree: rebuild the table with it
            tree.Rebuild();
            top.Build(tree);
            heap = 0;
        }
        top.Update(tree, c, heap);
        if (top.TakeChanged()) entry = bits.Peek(top);
        if (c < 256) {
            *w++ = static_cast<std::uint8_t>(c);
            continue;
        }
        const int length = c - 255 + Threshold;  // 3..60
        std::ptrdiff_t written = w - base;
        if (distance <= written) {
            const std::uint8_t* src = w - distance;
            if (distance >= CopyChunk) {
                // Whole chunks, possibly past the match's end into the slack: a later byte overwrites them.
                for (int k = 0; k < length; k += CopyChunk) std::memcpy(w + k, src + k, CopyChunk);
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
