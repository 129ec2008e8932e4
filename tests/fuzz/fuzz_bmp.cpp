// libFuzzer target: arbitrary bytes as a skin bitmap entry. Reading must never crash or read out of bounds;
// an image that is read must be within the size limits and survive a write/read round trip unchanged.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "skin/data/Bmp.h"
#include "skin/data/PixelOps.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::optional<qd::TImageBuffer> image = qd::ReadBmp(std::span<const std::uint8_t>(data, size));
    if (!image) return 0;
    if (!qd::TImageBuffer::IsValidSize(image->Width(), image->Height())) std::abort();
    if (image->Pixels().size() != static_cast<std::size_t>(image->Width()) * image->Height()) std::abort();

    const std::optional<qd::TImageBuffer> again = qd::ReadBmp(qd::WriteBmp(*image, 32));
    if (!again || !(*again == *image)) std::abort();
    if (image->BitsPerPixel() <= 8) {
        // A paletted image fits its own depth again.
        const std::optional<qd::TImageBuffer> paletted = qd::ReadBmp(qd::WriteBmp(*image, image->BitsPerPixel()));
        if (!paletted || paletted->Width() != image->Width() || paletted->Height() != image->Height()) std::abort();
    }

    if (static_cast<std::int64_t>(image->Width()) * image->Height() <= 4096) {
        qd::TImageBuffer copy = *image;
        qd::RotateClockwise(copy);
        qd::RotateCounterClockwise(copy);
        qd::MirrorHorizontal(copy);
        qd::MirrorHorizontal(copy);
        qd::FlipVertical(copy);
        qd::FlipVertical(copy);
        qd::TImageBuffer opaque = *image;
        opaque.ConvertTo24Bit();
        if (!(copy == opaque)) std::abort();
        qd::MakeGrayscale(copy);
    }
    return 0;
}
