// Time of a whole skin load of our package: expand and index the package, parse the description, build every skin
// object (bitmaps become DIB sections); the combo box pieces, made on their first use, are timed apart and together
// with the load. The stages before the build are timed alone in the same run, so the build's own share can be read
// off; handle counts before and after show leaks.
//
//   skin_load_bench [package file] [rounds]

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "framework/Gdi.h"
#include "skin/data/QuickIni.h"
#include "skin/data/SkinData.h"
#include "skin/data/SkinReader.h"
#include "support/Files.h"

namespace {

using Clock = std::chrono::steady_clock;

// The median and the best of `rounds` timings: on a shared machine the best is the figure least disturbed by
// other work, the median the typical one.
struct TTimes {
    double Median = 0;
    double Best = 0;
};

template <class F>
TTimes Microseconds(int rounds, F&& body) {
    std::vector<double> times;
    times.reserve(static_cast<std::size_t>(rounds));
    for (int i = 0; i < rounds; ++i) {
        const auto start = Clock::now();
        body();
        times.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    return {times[times.size() / 2], times.front()};
}

}  // namespace

int main(int argc, char** argv) {
    using namespace qd;
    const std::string path = argc > 1 ? argv[1] : "resources/xpluna.skn";
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 50;
    const std::vector<std::uint8_t> package = qd::test::ReadFileBytes(path);
    if (package.empty()) {
        std::fprintf(stderr, "cannot read %s\n", path.c_str());
        return 1;
    }

    TSkinReader probe;
    if (probe.LoadPackage(package) != TSkinLoadResult::slLoaded) {
        std::fprintf(stderr, "%s is not a loadable package: %s\n", path.c_str(), probe.LoadError().c_str());
        return 1;
    }
    // Header, name list, size table, entries.
    const std::size_t nameList = probe.Header[4] | probe.Header[5] << 8 | probe.Header[6] << 16 |
                                 static_cast<std::size_t>(probe.Header[7]) << 24;
    std::size_t unpacked = 16 + nameList;
    for (int i = 0; i < probe.EntryCount; ++i) unpacked += probe.EntrySizes[static_cast<std::size_t>(i)] + 4;

    {  // first use of GDI and the image list is not part of any load
        TSkinData warm(nullptr);
        warm.SkinPackage = TMemoryStream(package);
        warm.LoadSkinPackage();
    }
    const TGdiCounts before = GdiLiveCounts();

    const TTimes decode = Microseconds(rounds, [&] {
        TSkinReader reader;
        reader.LoadPackage(package);
    });
    const TTimes decodeParse = Microseconds(rounds, [&] {
        TSkinReader reader;
        reader.LoadPackage(package);
        TMemoryStream ini;
        std::string name;
        reader.ExtractEntryContaining(".ini", ini, name);
        TQuickIni parser;
        parser.LoadFromStream(&ini);
    });
    TSkinData data(nullptr);
    data.SkinPackage = TMemoryStream(package);
    const TTimes whole = Microseconds(rounds, [&] { data.LoadSkinPackage(); });
    // What a load made before the combo box pieces waited for their first use: the same load, then the pieces.
    const TTimes eager = Microseconds(rounds, [&] {
        data.LoadSkinPackage();
        data.ComboPieces();
    });
    TTimes firstUse;
    {
        std::vector<double> times;
        for (int i = 0; i < rounds; ++i) {
            data.LoadSkinPackage();
            times.push_back(Microseconds(1, [&] { data.ComboPieces(); }).Best);
        }
        std::sort(times.begin(), times.end());
        firstUse = {times[times.size() / 2], times.front()};
    }
    const TTimes withComponent = Microseconds(rounds, [&] {
        TSkinData fresh(nullptr);
        fresh.SkinPackage = TMemoryStream(package);
        fresh.LoadSkinPackage();
    });
    const TGdiCounts during = GdiLiveCounts();
    const long bitmapsHeld = during[TGdiKind::Bitmap] - before[TGdiKind::Bitmap];

    std::printf("package            %zu bytes packed, %zu bytes unpacked, %d entries\n", package.size(), unpacked,
                probe.EntryCount);
    std::printf("rounds             %d (median, best)\n", rounds);
    std::printf("decode + index     %9.1f us %9.1f us  (%.1f MB/s of unpacked data)\n", decode.Median, decode.Best,
                unpacked / decode.Best);
    std::printf("+ parse            %9.1f us %9.1f us\n", decodeParse.Median, decodeParse.Best);
    std::printf("whole skin load    %9.1f us %9.1f us  (build of the skin objects: %.1f us, best %.1f us)\n",
                whole.Median, whole.Best, whole.Median - decodeParse.Median, whole.Best - decodeParse.Best);
    std::printf("load + combo now   %9.1f us %9.1f us  (the combo box pieces made with the load, as before)\n",
                eager.Median, eager.Best);
    std::printf("combo first use    %9.1f us %9.1f us  (mirrored button and composite, on the first combo paint)\n",
                firstUse.Median, firstUse.Best);
    std::printf("component + load   %9.1f us %9.1f us  (creation with Skin3rd and menu glyphs, load, destruction)\n",
                withComponent.Median, withComponent.Best);
    std::printf("bitmaps held       %ld DIB sections for one loaded skin\n", bitmapsHeld);
    std::printf("live GDI handles   before %ld, while loaded %ld\n", before.Total(), during.Total());
    return 0;
}
