#pragma once
// Our LZHUF packer: the exact format skin/data/Lzh.h decodes (4096-byte ring starting at 4036 with 0x20 fill,
// matches of 3..60 bytes, the same adaptive Huffman model and position prefixes). Deterministic: the same
// input always gives the same bytes. Part of the skinpack tool and its tests, not of the program.

#include <cstdint>
#include <span>
#include <vector>

#include "skin/data/Lzh.h"

namespace qd {

// Low-level writer of an LZHUF bit stream: literals and matches in any order the caller likes, including
// references into the ring's initial 0x20 fill and matches that run past the end of the data (which the
// decoder copies whole). Used by the packer and by tests that need hand-made streams.
class TLzhBitWriter {
public:
    TLzhBitWriter();

    void PutLiteral(std::uint8_t byte);
    // `distance` counts back from the write position: 1 repeats the previous byte. 1..4096, length 3..60.
    void PutMatch(int distance, int length);
    // Raw bits, most significant first (for hand-made corrupt streams).
    void PutBits(std::uint32_t bits, int count);
    // Pads the last byte with zero bits and returns the bit stream.
    std::vector<std::uint8_t> Finish();

private:
    void PutSymbol(int symbol);

    lzh::THuffTree FTree;
    std::vector<std::uint8_t> FOut;
    std::uint32_t FAcc = 0;
    int FAccBits = 0;
};

struct TLzhPackOptions {
    int MaxChain = 256;  // candidates examined per position (more: smaller, slower)
    bool Lazy = true;    // defer a match by one byte when the next position matches longer
};

// The bit stream alone.
std::vector<std::uint8_t> LzhEncode(std::span<const std::uint8_t> data, const TLzhPackOptions& options = {});
// A whole package: 32-bit little-endian size, then the bit stream. Data above 2^31 - 1 bytes raises ElzhException.
std::vector<std::uint8_t> LzhPack(std::span<const std::uint8_t> data, const TLzhPackOptions& options = {});

}  // namespace qd
