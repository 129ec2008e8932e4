// Decoder speed: both of our decoder paths (memory, byte callbacks) against the classic LZHUF decoder written
// in plain C (memory to memory, no callbacks), measured in the same run on each kind of stream.
//   lzh_bench [PACKAGE]   PACKAGE: a packed skin (e.g. build/.../resources/xpluna.skn); without it a
//                         skin-like container is synthesised.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <iterator>
#include <random>
#include <string>
#include <vector>
#if defined(__unix__)
#include <time.h>
#endif

#include "skin/data/Lzh.h"
#include "skin/data/SkinReader.h"
#include "tools/skinpack/LzhEncoder.h"
#include "tools/skinpack/SkinPackage.h"

#include "framework/BmpBuilder.h"
#include "skin/data/Bmp.h"
#include "skin/data/QuickIni.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// ---- The reference: the classic LZHUF decoder written from the algorithm, in plain C style. Memory to
// memory (a byte pointer in, an output array out, no callbacks), a 16-bit bit buffer refilled a byte at a
// time, a per-bit walk of the tree from the root, a linear scan for the swap partner in the update, a ring. ----
namespace reference {

enum { N = 4096, F = 60, THRESHOLD = 2, N_CHAR = 256 - THRESHOLD + F, T = N_CHAR * 2 - 1, R = T - 1 };
enum : unsigned { MAX_FREQ = 0x8000 };

struct Decoder {
    unsigned short freq[T + 1];
    short prnt[T + N_CHAR];
    short son[T];
    unsigned char text_buf[N + F - 1];
    unsigned char d_code[256], d_len[256];
    const unsigned char* in;
    const unsigned char* in_end;
    unsigned getbuf;
    unsigned getlen;
};

void MakeTables(Decoder* d) {
    static const int widths[6] = {32, 16, 8, 4, 2, 1}, groups[6] = {1, 3, 8, 12, 24, 16};
    int b = 0, code = 0;
    for (int g = 0; g < 6; g++)
        for (int n = 0; n < groups[g]; n++, code++)
            for (int w = 0; w < widths[g]; w++, b++) {
                d->d_code[b] = (unsigned char)code;
                d->d_len[b] = (unsigned char)(3 + g);
            }
}

inline void Fill(Decoder* d) {
    while (d->getlen <= 8) {
        const unsigned i = d->in < d->in_end ? *d->in++ : 0;
        d->getbuf |= i << (8 - d->getlen);
        d->getlen += 8;
    }
}

inline int GetBit(Decoder* d) {
    Fill(d);
    const int i = (int)((d->getbuf >> 15) & 1);
    d->getbuf = (d->getbuf << 1) & 0xFFFF;
    d->getlen--;
    return i;
}

inline int GetByte(Decoder* d) {
    Fill(d);
    const int i = (int)(d->getbuf >> 8);
    d->getbuf = (d->getbuf << 8) & 0xFFFF;
    d->getlen -= 8;
    return i;
}

void StartHuff(Decoder* d) {
    int i, j;
    for (i = 0; i < N_CHAR; i++) {
        d->freq[i] = 1;
        d->son[i] = (short)(i + T);
        d->prnt[i + T] = (short)i;
    }
    for (i = 0, j = N_CHAR; j <= R; i += 2, j++) {
        d->freq[j] = (unsigned short)(d->freq[i] + d->freq[i + 1]);
        d->son[j] = (short)i;
        d->prnt[i] = d->prnt[i + 1] = (short)j;
    }
    d->freq[T] = 0xFFFF;
    d->prnt[R] = 0;
}

void Reconst(Decoder* d) {
    int i, j, k;
    unsigned f;
    for (i = 0, j = 0; i < T; i++)
        if (d->son[i] >= T) {
            d->freq[j] = (unsigned short)((d->freq[i] + 1) / 2);
            d->son[j] = d->son[i];
            j++;
        }
    for (i = 0, j = N_CHAR; j < T; i += 2, j++) {
        f = d->freq[j] = (unsigned short)(d->freq[i] + d->freq[i + 1]);
        for (k = j - 1; f < d->freq[k]; k--) {
        }
        k++;
        std::memmove(&d->freq[k + 1], &d->freq[k], (std::size_t)(j - k) * 2);
        d->freq[k] = (unsigned short)f;
        std::memmove(&d->son[k + 1], &d->son[k], (std::size_t)(j - k) * 2);
        d->son[k] = (short)i;
    }
    for (i = 0; i < T; i++) {
        k = d->son[i];
        d->prnt[k] = (short)i;
        if (k < T) d->prnt[k + 1] = (short)i;
    }
}

void Update(Decoder* d, int c) {
    int i, j, l;
    unsigned k;
    if (d->freq[R] == MAX_FREQ) Reconst(d);
    c = d->prnt[c + T];
    do {
        k = ++d->freq[c];
        if (k > d->freq[l = c + 1]) {
            while (k > d->freq[++l]) {
            }
            l--;
            d->freq[c] = d->freq[l];
            d->freq[l] = (unsigned short)k;
            i = d->son[c];
            d->prnt[i] = (short)l;
            if (i < T) d->prnt[i + 1] = (short)l;
            j = d->son[l];
            d->son[l] = (short)i;
            d->prnt[j] = (short)c;
            if (j < T) d->prnt[j + 1] = (short)c;
            d->son[c] = (short)j;
            c = l;
        }
    } while ((c = d->prnt[c]) != 0);
}

int DecodeChar(Decoder* d) {
    int c = d->son[R];
    while (c < T) c = d->son[c + GetBit(d)];
    c -= T;
    Update(d, c);
    return c;
}

int DecodePosition(Decoder* d) {
    unsigned i = (unsigned)GetByte(d);
    const unsigned c = (unsigned)d->d_code[i] << 6;
    unsigned j = d->d_len[i] - 2u;
    while (j--) i = (i << 1) + (unsigned)GetBit(d);
    return (int)(c | (i & 0x3F));
}

// Decodes `textsize` bytes (plus the rest of the last match) of `in` into `out`, which has room for
// textsize + F - 1 bytes; returns the count written.
long Decode(Decoder* d, const unsigned char* in, std::size_t inSize, unsigned char* out, long textsize) {
    int i, j, k, r, c;
    long count;
    d->in = in;
    d->in_end = in + inSize;
    d->getbuf = 0;
    d->getlen = 0;
    StartHuff(d);
    for (i = 0; i < N - F; i++) d->text_buf[i] = ' ';
    for (; i < N + F - 1; i++) d->text_buf[i] = 0;
    r = N - F;
    for (count = 0; count < textsize;) {
        c = DecodeChar(d);
        if (c < 256) {
            out[count++] = (unsigned char)c;
            d->text_buf[r++] = (unsigned char)c;
            r &= N - 1;
        } else {
            i = (r - DecodePosition(d) - 1) & (N - 1);
            j = c - 255 + THRESHOLD;
            for (k = 0; k < j; k++) {
                c = d->text_buf[(i + k) & (N - 1)];
                out[count++] = (unsigned char)c;
                d->text_buf[r++] = (unsigned char)c;
                r &= N - 1;
            }
        }
    }
    return count;
}

Bytes Unpack(const Bytes& stream, std::int32_t size) {
    static Decoder d;
    MakeTables(&d);
    Bytes out(static_cast<std::size_t>(std::max(size, 0)) + F - 1);
    out.resize(static_cast<std::size_t>(Decode(&d, stream.data(), stream.size(), out.data(), size)));
    return out;
}

}  // namespace reference

// The machine may be shared: where the platform counts the thread's own CPU time, that is the clock, so
// time spent waiting for a core counts for no decoder; elsewhere the wall clock.
#if defined(__unix__)
constexpr const char* ClockName = "thread CPU time";
double Now() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}
#else
constexpr const char* ClockName = "wall clock";
double Now() { return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count(); }
#endif

template <class F>
double Seconds(F&& f) {
    const double t0 = Now();
    f();
    return Now() - t0;
}

template <class F>
double BestSeconds(int rounds, F&& f) {
    double best = 1e30;
    for (int i = 0; i < rounds; ++i) best = std::min(best, Seconds(f));
    return best;
}

struct TFigures {
    double reference = 0, callbacks = 0, memory = 0;  // MB/s of output
};

// Times the reference and both of our paths on one package (32-bit size, then the bit stream).
TFigures Compare(const char* label, const Bytes& package) {
    const std::int32_t size = static_cast<std::int32_t>(package[0] | (package[1] << 8) | (package[2] << 16) |
                                                        (static_cast<std::uint32_t>(package[3]) << 24));
    const Bytes stream(package.begin() + 4, package.end());
    const Bytes expected = reference::Unpack(stream, size);
    if (qd::TLZH::UnpackBuffer(stream, size) != expected) {
        std::printf("%-24s DECODERS DISAGREE\n", label);
        return {};
    }
    // The machine is shared: the three decoders take turns in every round, and each keeps its best time,
    // so a busy spell cannot favour one of them.
    volatile std::size_t sink = 0;
    double tReference = 1e30, tMemory = 1e30, tCallback = 1e30;
    const int rounds = std::clamp(static_cast<int>(40e6 / std::max(size, 1)), 15, 200);
    for (int round = 0; round < rounds; ++round) {
        tReference = std::min(tReference, Seconds([&] { sink = sink + reference::Unpack(stream, size).size(); }));
        tMemory = std::min(tMemory, Seconds([&] { sink = sink + qd::TLZH::UnpackBuffer(stream, size).size(); }));
        tCallback = std::min(tCallback, Seconds([&] {
                                 std::size_t pos = 0;
                                 Bytes out;
                                 out.reserve(static_cast<std::size_t>(size) + qd::lzh::LookAhead);
                                 qd::TLZH lzh;
                                 lzh.Unpack(
                                     size,
                                     [&](std::uint8_t* b, std::size_t n) {
                                         const std::size_t k = std::min(n, stream.size() - pos);
                                         if (k > 0) std::memcpy(b, stream.data() + pos, k);
                                         pos += k;
                                         return k;
                                     },
                                     [&](const std::uint8_t* b, std::size_t n) { out.insert(out.end(), b, b + n); });
                                 sink = sink + out.size();
                             }));
    }
    const double mb = static_cast<double>(size) / 1e6;
    const TFigures f{mb / tReference, mb / tCallback, mb / tMemory};
    std::printf(
        "%-24s %8d -> %8d bytes | reference %6.1f MB/s | ours: callbacks %6.1f MB/s = %.2fx, "
        "memory %6.1f MB/s = %.2fx\n",
        label, static_cast<int>(stream.size()), size, f.reference, f.callbacks, f.callbacks / f.reference, f.memory,
        f.memory / f.reference);
    return f;
}

using qd::bmptest::MakeBmp24;

// A container shaped like a skin: a description and bitmaps with flat areas and gradients.
Bytes SyntheticSkinContainer() {
    std::vector<qd::TPackageEntry> entries;
    std::string ini;
    for (int i = 0; i < 120; ++i)
        ini += "[Object" + std::to_string(i) + "]\r\nImage=XPLuna\\part" + std::to_string(i) +
               ".bmp\r\nFrameCount=4\r\nTrans=1\r\n";
    entries.push_back({"xpluna.ini", Bytes(ini.begin(), ini.end())});
    std::mt19937 rng(1);
    for (int i = 0; i < 44; ++i) {
        const int w = 16 + static_cast<int>(rng() % 64), h = 16 + static_cast<int>(rng() % 24);
        Bytes bmp = MakeBmp24(w, h, [&](int x, int y, std::uint8_t* p) {
            const bool key = (x < 2 || x >= w - 2) && (y < 2);
            p[0] = key ? 0xFF : static_cast<std::uint8_t>(200 - y * 3);
            p[1] = key ? 0x00 : static_cast<std::uint8_t>(120 + y * 2);
            p[2] = key ? 0xFF : static_cast<std::uint8_t>(60 + (rng() % 3));
        });
        entries.push_back({"part" + std::to_string(i) + ".bmp", std::move(bmp)});
    }
    return qd::BuildContainer(entries);
}

// Text: words of a small vocabulary drawn with a skewed distribution, in sentences and lines.
Bytes Text(std::size_t n, std::uint32_t seed) {
    static const char* const words[] = {"the",    "of",     "and",    "to",     "a",       "in",     "window",
                                        "skin",   "frame",  "border", "button", "caption", "order",  "client",
                                        "is",     "that",   "for",    "with",   "as",      "paint",  "region",
                                        "bitmap", "colour", "state",  "menu",   "scroll",  "system", "customer"};
    std::mt19937 rng(seed);
    std::string s;
    int column = 0;
    while (s.size() < n) {
        const unsigned r = rng() % 1000;
        const std::size_t w = (r * r / 1000) * std::size(words) / 1000;  // low indices are more frequent
        s += words[w];
        column += static_cast<int>(std::strlen(words[w])) + 1;
        if (rng() % 11 == 0) s += rng() % 2 ? ". " : ", ";
        if (column > 70) {
            s += "\r\n";
            column = 0;
        } else {
            s += ' ';
        }
    }
    s.resize(n);
    return Bytes(s.begin(), s.end());
}

// A 24-bit bottom-up BMP of width x height: gradients, flat panels and noisy edges.
Bytes Bitmap24(int width, int height, std::uint32_t seed) {
    std::mt19937 rng(seed);
    return MakeBmp24(width, height, [&](int x, int y, std::uint8_t* p) {
        if (y < height / 4) {  // title bar: gradient
            p[0] = static_cast<std::uint8_t>(255 - y * 2);
            p[1] = static_cast<std::uint8_t>(100 + y);
            p[2] = static_cast<std::uint8_t>(40 + x / 8);
        } else if (x % 64 < 48 && y % 40 < 30) {  // panels
            p[0] = p[1] = p[2] = static_cast<std::uint8_t>(0xD4 + (x / 64 + y / 40) % 3);
        } else {  // noisy edges
            p[0] = static_cast<std::uint8_t>(rng() % 256);
            p[1] = static_cast<std::uint8_t>(x ^ y);
            p[2] = static_cast<std::uint8_t>(128 + rng() % 8);
        }
    });
}

// Literals only, never a match: the tree walk and the update alone. Bytes skewed like image residues.
Bytes AllLiteralPackage(std::size_t n, std::uint32_t seed) {
    std::mt19937 rng(seed);
    qd::TLzhBitWriter w;
    for (std::size_t i = 0; i < n; ++i) {
        const unsigned r = rng() % 4096;
        w.PutLiteral(static_cast<std::uint8_t>(r * r / 65536 + (rng() % 2) * 128));
    }
    Bytes package(4);
    for (int i = 0; i < 4; ++i) package[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(n >> (8 * i));
    const Bytes stream = w.Finish();
    package.insert(package.end(), stream.begin(), stream.end());
    return package;
}

}  // namespace

int main(int argc, char** argv) {
    std::printf("LZH decoder benchmark (best of several runs, %s)\n", ClockName);
    Bytes skin;
    std::string skinLabel;
    if (argc > 1) {
        try {
            skin = qd::ReadWholeFile(argv[1]);
            skinLabel = std::string("package ") + argv[1];
        } catch (const std::exception& e) {
            std::printf("cannot read %s: %s\n", argv[1], e.what());
            return 1;
        }
    } else {
        skin = qd::LzhPack(SyntheticSkinContainer());
        skinLabel = "synthetic skin package";
    }
    if (skin.size() < 4) {
        std::printf("package too short\n");
        return 1;
    }
    Compare(skinLabel.c_str(), skin);

    // The stream kinds the decoder is judged on; the target is at least 2x the reference on each.
    Bytes mixed;
    const Bytes unit = SyntheticSkinContainer();
    std::mt19937 rng(7);
    while (mixed.size() < (1u << 20))
        for (std::uint8_t b : unit) mixed.push_back(static_cast<std::uint8_t>(b ^ ((rng() % 64) == 0 ? 1 : 0)));
    mixed.resize(1u << 20);
    Bytes noise(64 * 1024);
    for (auto& b : noise) b = static_cast<std::uint8_t>(rng());
    const struct {
        const char* label;
        Bytes package;
    } kinds[] = {{"300 KB all literals", AllLiteralPackage(300 * 1024, 3)},
                 {"1 MiB mixed (skin-like)", qd::LzhPack(mixed)},
                 {"64 KB random bytes", qd::LzhPack(noise)},
                 {"100 KB 24-bit BMP", qd::LzhPack(Bitmap24(184, 184, 5))},
                 {"50 KB text", qd::LzhPack(Text(50 * 1024, 9))}};
    double worstMemory = 1e30, worstCallbacks = 1e30;
    for (const auto& kind : kinds) {
        const TFigures f = Compare(kind.label, kind.package);
        worstMemory = std::min(worstMemory, f.memory / f.reference);
        worstCallbacks = std::min(worstCallbacks, f.callbacks / f.reference);
    }
    std::printf("Lowest against the reference: memory %.2fx (target >= 2x), callbacks %.2fx\n", worstMemory,
                worstCallbacks);

    // The reader's whole job on the package: decode, check, index, every entry looked up.
    const double tLoad = BestSeconds(15, [&] {
        qd::TSkinReader reader;
        if (reader.LoadPackage(skin) != qd::TSkinLoadResult::slLoaded) return;
        qd::TMemoryStream t;
        for (int i = 0; i < reader.EntryCount; ++i) reader.ExtractEntry(reader.EntryNames[i], t);
    });
    qd::TSkinReader reader;
    const bool ok = reader.LoadPackage(skin) == qd::TSkinLoadResult::slLoaded;
    std::printf("TSkinReader load + extract every entry (%s, %d entries): %.3f ms\n", ok ? "loaded" : "NOT LOADED",
                reader.EntryCount, tLoad * 1e3);
    // Everything a skin load does short of creating platform bitmaps: decode, index, parse the description,
    // decode every bitmap entry into an image.
    int images = 0;
    const double tPortable = BestSeconds(15, [&] {
        qd::TSkinReader r;
        if (r.LoadPackage(skin) != qd::TSkinLoadResult::slLoaded) return;
        qd::TMemoryStream description;
        std::string name;
        r.ExtractEntryContaining(".ini", description, name);
        qd::TQuickIni ini;
        ini.LoadFromStream(&description);
        images = 0;
        for (int i = 0; i < r.EntryCount; ++i)
            if (qd::ReadBmp(r.EntryBytes(i))) ++images;
    });
    std::printf("Portable skin load: decode + index + parse description + read %d bitmaps: %.3f ms\n", images,
                tPortable * 1e3);
    return 0;
}
