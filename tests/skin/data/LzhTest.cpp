// The LZHUF decoder against our packer, hand-made streams and hostile input. Both decoder paths (byte
// callbacks and memory) must agree on every stream.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "skin/data/Lzh.h"
#include "tools/skinpack/LzhEncoder.h"

namespace qd {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes RandomBytes(std::size_t n, std::uint32_t seed, int alphabet = 256) {
    std::mt19937 rng(seed);
    Bytes out(n);
    for (auto& b : out) b = static_cast<std::uint8_t>(rng() % static_cast<unsigned>(alphabet));
    return out;
}

Bytes FromText(std::string_view s) { return Bytes(s.begin(), s.end()); }

// Decodes through the byte callbacks, counting what the read callback delivered.
Bytes UnpackWithCallbacks(const Bytes& stream, std::int32_t size, std::size_t* delivered = nullptr,
                          std::size_t* requests = nullptr) {
    std::size_t pos = 0;
    std::size_t asked = 0;
    Bytes out;
    TLZH lzh;
    lzh.Unpack(
        size,
        [&](std::uint8_t* buf, std::size_t n) -> std::size_t {
            ++asked;
            const std::size_t k = std::min(n, stream.size() - pos);
            if (k > 0) std::memcpy(buf, stream.data() + pos, k);
            pos += k;
            return k;
        },
        [&](const std::uint8_t* buf, std::size_t n) { out.insert(out.end(), buf, buf + n); });
    if (delivered) *delivered = pos;
    if (requests) *requests = asked;
    return out;
}

// Decodes with both paths, insists they agree, returns the result.
Bytes Decode(const Bytes& stream, std::int32_t size) {
    const Bytes fast = TLZH::UnpackBuffer(stream, size);
    const Bytes classic = UnpackWithCallbacks(stream, size);
    EXPECT_EQ(fast, classic) << "memory and callback decoders disagree";
    return fast;
}

void ExpectRoundTrip(const Bytes& data, const TLzhPackOptions& options = {}) {
    const Bytes stream = LzhEncode(data, options);
    const Bytes back = Decode(stream, static_cast<std::int32_t>(data.size()));
    ASSERT_EQ(back.size(), data.size());
    EXPECT_TRUE(back == data) << "round trip of " << data.size() << " bytes differs";
}

TEST(LzhRoundTrip, EdgeSizesOfRandomData) {
    for (std::size_t n : {0u, 1u, 2u, 3u, 59u, 60u, 61u, 4035u, 4036u, 4037u, 4095u, 4096u, 4097u, 8192u, 8193u})
        ExpectRoundTrip(RandomBytes(n, static_cast<std::uint32_t>(n) + 7u));
}

TEST(LzhRoundTrip, SmallAlphabetsExerciseMatchesAndTreeRebuilds) {
    // 300 KB over 4 letters: far more than 0x8000 symbols, so the tree is rebuilt many times.
    ExpectRoundTrip(RandomBytes(300000, 11, 4));
    ExpectRoundTrip(RandomBytes(100000, 12, 16));
    ExpectRoundTrip(RandomBytes(200000, 13, 256));
}

TEST(LzhRoundTrip, LongRunsAndRepeatedText) {
    ExpectRoundTrip(Bytes(100000, 0));
    ExpectRoundTrip(Bytes(5000, 0x20));  // spaces: taken from the ring's initial fill
    ExpectRoundTrip(Bytes(4096 * 3 + 1, 'a'));
    std::string text;
    for (int i = 0; i < 2000; ++i) text += "[Border" + std::to_string(i % 13) + "]\r\nImage=blue_frame.bmp\r\n";
    ExpectRoundTrip(FromText(text));
}

TEST(LzhRoundTrip, EveryOptionCombinationDecodes) {
    const Bytes data = RandomBytes(20000, 21, 8);
    for (bool lazy : {false, true})
        for (int chain : {1, 4, 1000}) ExpectRoundTrip(data, {chain, lazy});
}

TEST(LzhPacker, CompressesRedundantDataAndIsDeterministic) {
    std::string text;
    for (int i = 0; i < 3000; ++i) text += "Key" + std::to_string(i % 50) + "=Value\r\n";
    const Bytes data = FromText(text);
    const Bytes a = LzhEncode(data);
    EXPECT_LT(a.size() * 10, data.size()) << "repetitive text should shrink to under a tenth";
    EXPECT_EQ(a, LzhEncode(data));
    // Random bytes cannot shrink, but the adaptive code must not blow them up either.
    const Bytes noise = RandomBytes(50000, 5);
    EXPECT_LT(LzhEncode(noise).size(), noise.size() + noise.size() / 8);
}

TEST(LzhPacker, PackPrefixesTheLittleEndianSize) {
    const Bytes data = RandomBytes(70000, 3, 3);
    const Bytes package = LzhPack(data);
    ASSERT_GE(package.size(), 4u);
    EXPECT_EQ(package[0] | (package[1] << 8) | (package[2] << 16) | (package[3] << 24), 70000);
    EXPECT_EQ(Decode(Bytes(package.begin() + 4, package.end()), 70000), data);
}

TEST(LzhPositions, EveryDistanceDecodesToItsOwnByte) {
    // 4096 distinct-enough bytes, then one 3-byte match for each distance: the copy must come from exactly
    // `distance` bytes back.
    const Bytes prefix = RandomBytes(4096, 99);
    TLzhBitWriter start;
    for (std::uint8_t b : prefix) start.PutLiteral(b);
    for (int distance = 1; distance <= 4096; distance += (distance < 130 ? 1 : 29)) {
        TLzhBitWriter w = start;
        w.PutMatch(distance, 3);
        const Bytes out = Decode(w.Finish(), 4096 + 3);
        ASSERT_EQ(out.size(), 4099u);
        for (int k = 0; k < 3; ++k)
            ASSERT_EQ(out[4096 + static_cast<std::size_t>(k)],
                      out[4096 + static_cast<std::size_t>(k) - static_cast<std::size_t>(distance)])
                << "distance " << distance;
    }
}

TEST(LzhPositions, PrefixTablesAreInverse) {
    for (unsigned upper = 0; upper < 64; ++upper) {
        const unsigned len = lzh::PositionPrefixLen[upper];
        const unsigned first = lzh::PositionPrefixCode[upper] << (8 - len);
        EXPECT_EQ(lzh::DCode[first], upper);
        EXPECT_EQ(lzh::DLen[first], len);
        // Every byte sharing those prefix bits decodes to the same upper bits.
        for (unsigned low = 0; low < (1u << (8 - len)); ++low) EXPECT_EQ(lzh::DCode[first | low], upper);
    }
}

TEST(LzhMatches, OneBehindRepeatsTheByte) {
    TLzhBitWriter w;
    w.PutLiteral('q');
    w.PutMatch(1, 60);
    const Bytes out = Decode(w.Finish(), 61);
    EXPECT_EQ(out, Bytes(61, 'q'));
}

TEST(LzhMatches, OverlappingPeriodicCopy) {
    TLzhBitWriter w;
    for (char c : std::string("abc")) w.PutLiteral(static_cast<std::uint8_t>(c));
    w.PutMatch(3, 10);
    EXPECT_EQ(Decode(w.Finish(), 13), FromText("abcabcabcabca"));
}

TEST(LzhMatches, InitialRingGivesSpacesThenZeros) {
    {
        TLzhBitWriter w;
        w.PutMatch(1, 60);    // ring positions 4035 back: the 0x20 fill
        w.PutMatch(4036, 5);  // ring position 60.. still fill
        EXPECT_EQ(Decode(w.Finish(), 65), Bytes(65, 0x20));
    }
    {
        // Ring positions 4036..4095 have no content of their own: zero.
        TLzhBitWriter w;
        w.PutMatch(4096, 4);
        EXPECT_EQ(Decode(w.Finish(), 4), Bytes(4, 0));
    }
}

TEST(LzhMatches, WholeMatchIsCopiedPastTheRequestedSize) {
    TLzhBitWriter w;
    w.PutLiteral('x');
    w.PutMatch(1, 60);
    const Bytes out = Decode(w.Finish(), 5);
    EXPECT_EQ(out, Bytes(61, 'x')) << "a match is never cut at the declared size";
}

TEST(LzhInput, ZeroOrNegativeSizeWritesAndReadsNothing) {
    const Bytes stream = LzhEncode(FromText("hello"));
    for (std::int32_t size : {0, -1, -2147483647 - 1}) {
        std::size_t delivered = 1, requests = 1;
        EXPECT_TRUE(UnpackWithCallbacks(stream, size, &delivered, &requests).empty());
        EXPECT_EQ(requests, 0u);
        EXPECT_TRUE(TLZH::UnpackBuffer(stream, size).empty());
    }
}

TEST(LzhInput, ClassicReaderAsksOneByteAtATimeAndUsesTheWholeStream) {
    const Bytes data = RandomBytes(30000, 8, 6);
    const Bytes stream = LzhEncode(data);
    std::size_t delivered = 0, requests = 0;
    EXPECT_EQ(UnpackWithCallbacks(stream, 30000, &delivered, &requests), data);
    EXPECT_EQ(delivered, stream.size());
    // It refills while fewer than 9 bits are buffered: at most two bytes are asked for beyond the stream.
    EXPECT_LE(requests, stream.size() + 2);
    std::uint64_t bits = 0;
    TLZH::UnpackBuffer(stream, 30000, &bits);
    EXPECT_GT(bits, 8 * (stream.size() - 1));
    EXPECT_LE(bits, 8 * stream.size());
}

TEST(LzhInput, ExhaustedInputDecodesFromZeroBits) {
    const Bytes data = RandomBytes(20000, 4, 32);
    Bytes stream = LzhEncode(data);
    stream.resize(stream.size() / 2);
    const Bytes truncated = Decode(stream, 20000);
    Bytes padded = stream;
    padded.resize(stream.size() + 100000, 0);
    EXPECT_EQ(truncated, TLZH::UnpackBuffer(padded, 20000));
    EXPECT_GE(truncated.size(), 20000u);
    EXPECT_LE(truncated.size(), 20000u + lzh::MaxOvershoot);
    // What the stream did hold still decodes to the original's start.
    EXPECT_TRUE(std::equal(data.begin(), data.begin() + 1000, truncated.begin()));
}

TEST(LzhInput, GarbageStreamsTerminateAtTheDeclaredSize) {
    for (std::uint32_t seed = 0; seed < 60; ++seed) {
        const Bytes stream = RandomBytes(seed * 13, seed);
        const std::int32_t size = static_cast<std::int32_t>(1 + seed * 997 % 50000);
        const Bytes out = Decode(stream, size);
        EXPECT_GE(out.size(), static_cast<std::size_t>(size));
        EXPECT_LE(out.size(), static_cast<std::size_t>(size) + lzh::MaxOvershoot);
    }
    // All-ones favours the deepest branch of the tree; all-zeros the shallowest.
    EXPECT_EQ(Decode(Bytes(5000, 0xFF), 100000).size() >= 100000u, true);
    EXPECT_EQ(Decode(Bytes(), 100000).size() >= 100000u, true);
}

TEST(LzhInput, StreamAdapterAdvancesPastTheUsedBytes) {
    const Bytes data = RandomBytes(10000, 17, 10);
    const Bytes stream = LzhEncode(data);
    Bytes framed = {9, 9};
    framed.insert(framed.end(), stream.begin(), stream.end());
    framed.push_back(0xEE);
    TMemoryStream in(framed), out;
    in.SetPosition(2);
    TLZH lzh;
    EXPECT_EQ(lzh.Unpack(10000, in, out), 10000);
    EXPECT_EQ(out.Data(), data);
    EXPECT_EQ(in.Position(), static_cast<std::int64_t>(2 + stream.size()));
}

// The sibling property that keeps every index in range whatever symbols arrive.
void ExpectTreeConsistent(const lzh::THuffTree& t) {
    for (int i = 0; i + 1 < lzh::TreeSize; ++i) ASSERT_LE(t.freq[i], t.freq[i + 1]) << "node " << i;
    ASSERT_EQ(t.freq[lzh::TreeSize], 0xFFFF);
    int leaves = 0;
    for (int i = 0; i < lzh::TreeSize; ++i) {
        const int s = t.son[i];
        if (s >= lzh::TreeSize) {
            ++leaves;
            ASSERT_LT(s, lzh::TreeSize + lzh::SymbolCount);
            ASSERT_EQ(t.prnt[s], i);
        } else {
            ASSERT_GE(s, 0);
            ASSERT_LT(s + 1, i) << "children sit below their parent";
            ASSERT_EQ(t.prnt[s], i);
            ASSERT_EQ(t.prnt[s + 1], i);
            ASSERT_EQ(t.freq[i], t.freq[s] + t.freq[s + 1]);
        }
    }
    ASSERT_EQ(leaves, lzh::SymbolCount);
}

TEST(LzhTree, StaysConsistentThroughSkewedUpdatesAndRebuilds) {
    lzh::THuffTree tree;
    tree.Start();
    ExpectTreeConsistent(tree);
    std::mt19937 rng(1);
    int rebuilds = 0;
    for (int i = 0; i < 200000; ++i) {
        // Mostly one symbol, sometimes any: drives deep swaps and frequent rebuilds.
        const int symbol = (rng() % 8 == 0) ? static_cast<int>(rng() % lzh::SymbolCount) : 300;
        if (tree.freq[lzh::Root] == lzh::MaxFreq) ++rebuilds;
        tree.Update(symbol);
        if (i % 5000 == 0) ExpectTreeConsistent(tree);
    }
    ExpectTreeConsistent(tree);
    EXPECT_GT(rebuilds, 3);
}

// The classic update, one node at a time: the oracle for the searching update. Rebuilds are shared (the
// same code runs in both), so any difference comes from where a counted node is moved.
void LinearScanUpdate(lzh::THuffTree& t, int symbol) {
    if (t.freq[lzh::Root] == lzh::MaxFreq) t.Rebuild();
    int c = t.prnt[symbol + lzh::TreeSize];
    do {
        const unsigned k = ++t.freq[c];
        if (k > t.freq[c + 1]) {
            int l = c + 1;
            while (k > t.freq[l + 1]) ++l;
            t.freq[c] = t.freq[l];
            t.freq[l] = static_cast<std::uint16_t>(k);
            const int i = t.son[c];
            t.prnt[i] = static_cast<std::int16_t>(l);
            if (i < lzh::TreeSize) t.prnt[i + 1] = static_cast<std::int16_t>(l);
            const int j = t.son[l];
            t.son[l] = static_cast<std::int16_t>(i);
            t.prnt[j] = static_cast<std::int16_t>(c);
            if (j < lzh::TreeSize) t.prnt[j + 1] = static_cast<std::int16_t>(c);
            t.son[c] = static_cast<std::int16_t>(j);
            c = l;
        }
        c = t.prnt[c];
    } while (c != 0);
}

bool SameTree(const lzh::THuffTree& a, const lzh::THuffTree& b) {
    return std::equal(a.freq, a.freq + lzh::TreeSize + 1, b.freq) && std::equal(a.son, a.son + lzh::TreeSize, b.son) &&
           std::equal(a.prnt, a.prnt + lzh::TreeSize + lzh::SymbolCount, b.prnt);
}

TEST(LzhTree, SearchingUpdateMovesNodesExactlyAsTheLinearScan) {
    // Flat statistics give long runs of equal counts (the searched case); narrow and skewed ones give deep
    // trees and short runs; every stream runs through several rebuilds.
    struct TCase {
        std::uint32_t seed;
        int alphabet;  // symbols drawn from 0..alphabet-1 ...
        int skew;      // ... except every skew-th, which is symbol 300 (0: never)
    };
    const TCase cases[] = {
        {1, lzh::SymbolCount, 0},  {2, 256, 0}, {3, 16, 0}, {4, 2, 0}, {5, lzh::SymbolCount, 2}, {6, 64, 5},
        {7, lzh::SymbolCount, 100}};
    for (const TCase& tc : cases) {
        SCOPED_TRACE(tc.seed);
        lzh::THuffTree fast;
        lzh::THuffTree oracle;
        fast.Start();
        oracle.Start();
        std::mt19937 rng(tc.seed);
        int rebuilds = 0;
        for (int n = 0; n < 150000; ++n) {
            const bool skewed = tc.skew != 0 && rng() % static_cast<unsigned>(tc.skew) == 0;
            const int symbol = skewed ? 300 : static_cast<int>(rng() % static_cast<unsigned>(tc.alphabet));
            if (oracle.freq[lzh::Root] == lzh::MaxFreq) ++rebuilds;
            fast.Update(symbol);
            LinearScanUpdate(oracle, symbol);
            if (n % 97 == 0) {
                ASSERT_TRUE(SameTree(fast, oracle)) << "after " << n + 1 << " updates";
            }
        }
        ASSERT_TRUE(SameTree(fast, oracle));
        EXPECT_GE(rebuilds, 3);
        ExpectTreeConsistent(fast);
    }
}

TEST(LzhInput, ManyRandomStreamsDecodeAlikeOnBothPaths) {
    // Arbitrary bits (mostly literals and matches into the initial ring) and packed data of every kind of
    // statistics; the memory path must reproduce the byte-at-a-time path on each.
    std::mt19937 rng(2024);
    for (int n = 0; n < 120; ++n) {
        SCOPED_TRACE(n);
        const std::size_t length = rng() % 40000;
        const int alphabet = 1 + static_cast<int>(rng() % 256);
        Bytes stream;
        std::int32_t size = 0;
        if (n % 2 == 0) {
            stream = RandomBytes(length, static_cast<std::uint32_t>(n), alphabet);
            size = static_cast<std::int32_t>(1 + rng() % 60000);
        } else {
            const Bytes data = RandomBytes(length + 1, static_cast<std::uint32_t>(n), alphabet);
            stream = LzhEncode(data);
            size = static_cast<std::int32_t>(data.size());
            ASSERT_EQ(Decode(stream, size), data);
            continue;
        }
        std::uint64_t bits = 0;
        std::size_t delivered = 0;
        const Bytes fast = TLZH::UnpackBuffer(stream, size, &bits);
        ASSERT_EQ(fast, UnpackWithCallbacks(stream, size, &delivered));
        // Both paths read the same bits; the byte path reads ahead by at most two bytes to hold 9 bits.
        // A stream that ran dry was read to its end by both.
        const std::uint64_t used = (bits + 7) / 8;
        if (used <= stream.size()) {
            EXPECT_GE(delivered, used);
            EXPECT_LE(delivered, used + 2);
        } else {
            EXPECT_EQ(delivered, stream.size());
        }
    }
}

}  // namespace
}  // namespace qd
