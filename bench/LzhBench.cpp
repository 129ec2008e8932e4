// Decoder speed: our memory decoder against a straightforward transcription of the classic LZHUF decoder
// (16-bit bit buffer, byte callbacks through std::function, ring buffer), measured in the same run.
//   lzh_bench [PACKAGE]   PACKAGE: a packed skin (e.g. build/.../resources/xpluna.skn); without it a
//                         skin-like container is synthesised.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "skin/data/Lzh.h"
#include "skin/data/SkinReader.h"
#include "tools/skinpack/LzhEncoder.h"
#include "tools/skinpack/SkinPackage.h"

#include "skin/data/Bmp.h"
#include "skin/data/QuickIni.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// ---- The transcription: the classic algorithm as written, one byte per callback. ----
namespace classic {

constexpr int N = 4096, F = 60, THRESHOLD = 2, N_CHAR = 256 - THRESHOLD + F, T = N_CHAR * 2 - 1, R = T - 1;
constexpr unsigned MAX_FREQ = 0x8000;

struct Decoder {
    std::function<std::size_t(std::uint8_t*, std::size_t)> read;
    std::function<void(const std::uint8_t*, std::size_t)> write;
    unsigned short freq[T + 1];
    short prnt[T + N_CHAR];
    short son[T];
    unsigned char text_buf[N + F - 1];
    unsigned getbuf = 0;
    unsigned char getlen = 0;
    unsigned char d_code[256], d_len[256];

    Decoder() {
        int b = 0, code = 0;
        const int widths[6] = {32, 16, 8, 4, 2, 1}, groups[6] = {1, 3, 8, 12, 24, 16};
        for (int g = 0; g < 6; ++g)
            for (int n = 0; n < groups[g]; ++n, ++code)
                for (int w = 0; w < widths[g]; ++w, ++b) {
                    d_code[b] = static_cast<unsigned char>(code);
                    d_len[b] = static_cast<unsigned char>(3 + g);
                }
    }
    int GetBit() {
        while (getlen <= 8) {
            std::uint8_t i = 0;
            if (read(&i, 1) != 1) i = 0;
            getbuf |= static_cast<unsigned>(i) << (8 - getlen);
            getlen += 8;
        }
        const int i = static_cast<int>((getbuf >> 15) & 1);
        getbuf = (getbuf << 1) & 0xFFFF;
        getlen--;
        return i;
    }
    int GetByte() {
        while (getlen <= 8) {
            std::uint8_t i = 0;
            if (read(&i, 1) != 1) i = 0;
            getbuf |= static_cast<unsigned>(i) << (8 - getlen);
            getlen += 8;
        }
        const int i = static_cast<int>(getbuf >> 8);
        getbuf = (getbuf << 8) & 0xFFFF;
        getlen -= 8;
        return i;
    }
    void StartHuff() {
        int i, j;
        for (i = 0; i < N_CHAR; i++) {
            freq[i] = 1;
            son[i] = static_cast<short>(i + T);
            prnt[i + T] = static_cast<short>(i);
        }
        i = 0;
        j = N_CHAR;
        while (j <= R) {
            freq[j] = static_cast<unsigned short>(freq[i] + freq[i + 1]);
            son[j] = static_cast<short>(i);
            prnt[i] = prnt[i + 1] = static_cast<short>(j);
            i += 2;
            j++;
        }
        freq[T] = 0xffff;
        prnt[R] = 0;
    }
    void reconst() {
        int i, j, k;
        unsigned f, l;
        j = 0;
        for (i = 0; i < T; i++) {
            if (son[i] >= T) {
                freq[j] = static_cast<unsigned short>((freq[i] + 1) / 2);
                son[j] = son[i];
                j++;
            }
        }
        for (i = 0, j = N_CHAR; j < T; i += 2, j++) {
            k = i + 1;
            f = freq[j] = static_cast<unsigned short>(freq[i] + freq[k]);
            for (k = j - 1; f < freq[k]; k--) {
            }
            k++;
            l = static_cast<unsigned>(j - k) * 2;
            std::memmove(&freq[k + 1], &freq[k], l);
            freq[k] = static_cast<unsigned short>(f);
            std::memmove(&son[k + 1], &son[k], l);
            son[k] = static_cast<short>(i);
        }
        for (i = 0; i < T; i++) {
            if ((k = son[i]) >= T)
                prnt[k] = static_cast<short>(i);
            else
                prnt[k] = prnt[k + 1] = static_cast<short>(i);
        }
    }
    void update(int c) {
        int i, j, l;
        unsigned k;
        if (freq[R] == MAX_FREQ) reconst();
        c = prnt[c + T];
        do {
            k = ++freq[c];
            if (k > freq[l = c + 1]) {
                while (k > freq[++l]) {
                }
                l--;
                freq[c] = freq[l];
                freq[l] = static_cast<unsigned short>(k);
                i = son[c];
                prnt[i] = static_cast<short>(l);
                if (i < T) prnt[i + 1] = static_cast<short>(l);
                j = son[l];
                son[l] = static_cast<short>(i);
                prnt[j] = static_cast<short>(c);
                if (j < T) prnt[j + 1] = static_cast<short>(c);
                son[c] = static_cast<short>(j);
                c = l;
            }
        } while ((c = prnt[c]) != 0);
    }
    int DecodeChar() {
        unsigned c = static_cast<unsigned>(son[R]);
        while (c < static_cast<unsigned>(T)) {
            c += static_cast<unsigned>(GetBit());
            c = static_cast<unsigned>(son[c]);
        }
        c -= T;
        update(static_cast<int>(c));
        return static_cast<int>(c);
    }
    int DecodePosition() {
        unsigned i, j, c;
        i = static_cast<unsigned>(GetByte());
        c = static_cast<unsigned>(d_code[i]) << 6;
        j = d_len[i];
        j -= 2;
        while (j--) i = (i << 1) + static_cast<unsigned>(GetBit());
        return static_cast<int>(c | (i & 0x3f));
    }
    long Decode(long textsize) {
        int i, j, k, r, c;
        long count;
        getbuf = 0;
        getlen = 0;
        StartHuff();
        for (i = 0; i < N - F; i++) text_buf[i] = ' ';
        for (; i < N + F - 1; i++) text_buf[i] = 0;
        r = N - F;
        for (count = 0; count < textsize;) {
            c = DecodeChar();
            if (c < 256) {
                const std::uint8_t b = static_cast<std::uint8_t>(c);
                write(&b, 1);
                text_buf[r++] = b;
                r &= (N - 1);
                count++;
            } else {
                i = (r - DecodePosition() - 1) & (N - 1);
                j = c - 255 + THRESHOLD;
                for (k = 0; k < j; k++) {
                    const std::uint8_t b = text_buf[(i + k) & (N - 1)];
                    write(&b, 1);
                    text_buf[r++] = b;
                    r &= (N - 1);
                    count++;
                }
            }
        }
        return count;
    }
};

Bytes Unpack(const Bytes& stream, std::int32_t size) {
    Decoder d;
    std::size_t pos = 0;
    Bytes out;
    d.read = [&](std::uint8_t* b, std::size_t n) {
        const std::size_t k = std::min(n, stream.size() - pos);
        if (k > 0) std::memcpy(b, stream.data() + pos, k);
        pos += k;
        return k;
    };
    d.write = [&](const std::uint8_t* b, std::size_t n) { out.insert(out.end(), b, b + n); };
    d.Decode(size);
    return out;
}

}  // namespace classic

template <class F>
double Seconds(F&& f) {
    const auto t0 = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

template <class F>
double BestSeconds(int rounds, F&& f) {
    double best = 1e30;
    for (int i = 0; i < rounds; ++i) {
        const auto t0 = std::chrono::steady_clock::now();
        f();
        const auto t1 = std::chrono::steady_clock::now();
        best = std::min(best, std::chrono::duration<double>(t1 - t0).count());
    }
    return best;
}

void Compare(const char* label, const Bytes& package) {
    const std::int32_t size = static_cast<std::int32_t>(package[0] | (package[1] << 8) | (package[2] << 16) |
                                                        (static_cast<std::uint32_t>(package[3]) << 24));
    const Bytes stream(package.begin() + 4, package.end());
    const Bytes expected = classic::Unpack(stream, size);
    if (qd::TLZH::UnpackBuffer(stream, size) != expected) {
        std::printf("%s: DECODERS DISAGREE\n", label);
        return;
    }
    // The machine is shared: the three decoders take turns in every round, and each keeps its best time,
    // so a busy spell cannot favour one of them.
    volatile std::size_t sink = 0;
    double tClassic = 1e30, tFast = 1e30, tCallback = 1e30;
    for (int round = 0; round < 15; ++round) {
        tClassic = std::min(tClassic, Seconds([&] { sink = sink + classic::Unpack(stream, size).size(); }));
        tFast = std::min(tFast, Seconds([&] { sink = sink + qd::TLZH::UnpackBuffer(stream, size).size(); }));
        tCallback = std::min(tCallback, Seconds([&] {
                                 std::size_t pos = 0;
                                 Bytes out;
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
    std::printf(
        "%-34s %8d -> %8d bytes | transcription %7.1f MB/s | ours (callbacks) %7.1f MB/s | "
        "ours (memory) %7.1f MB/s | speed-up %.2fx\n",
        label, static_cast<int>(stream.size()), size, mb / tClassic, mb / tCallback, mb / tFast, tClassic / tFast);
}

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
        Bytes bmp(54 + static_cast<std::size_t>(w * h * 3), 0);
        bmp[0] = 'B';
        bmp[1] = 'M';
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                std::uint8_t* p = &bmp[54 + static_cast<std::size_t>((y * w + x) * 3)];
                const bool key = (x < 2 || x >= w - 2) && (y < 2);
                p[0] = key ? 0xFF : static_cast<std::uint8_t>(200 - y * 3);
                p[1] = key ? 0x00 : static_cast<std::uint8_t>(120 + y * 2);
                p[2] = key ? 0xFF : static_cast<std::uint8_t>(60 + (rng() % 3));
            }
        entries.push_back({"part" + std::to_string(i) + ".bmp", std::move(bmp)});
    }
    return qd::BuildContainer(entries);
}

}  // namespace

int main(int argc, char** argv) {
    std::printf("LZH decoder benchmark (best of several runs)\n");
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

    // 1 MB inputs: skin-like (the synthetic container repeated with variation) and text.
    Bytes mixed;
    const Bytes unit = SyntheticSkinContainer();
    std::mt19937 rng(7);
    while (mixed.size() < 1000000) {
        for (std::uint8_t b : unit) mixed.push_back(static_cast<std::uint8_t>(b ^ ((rng() % 64) == 0 ? 1 : 0)));
    }
    mixed.resize(1000000);
    Compare("1 MB skin-like input", qd::LzhPack(mixed));
    Bytes noise(1000000);
    for (auto& b : noise) b = static_cast<std::uint8_t>(rng());
    Compare("1 MB random input", qd::LzhPack(noise));

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
