// Feeds arbitrary bytes to the photo fact reader: the JPEG segment walk, libexif on the block
// it finds, and libheif's reading of a HEIF and its EXIF item. The facts that come out must be
// of the shapes the records keep.

#include "evidence/picture_facts.h"

#include <cstdint>
#include <cstdlib>
#include <span>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::span<const std::uint8_t> bytes(data, size);
    for (const stowfolio::PictureFacts& facts :
         {stowfolio::pictureFacts(bytes), stowfolio::exifFacts(bytes)}) {
        if (facts.orientation < 1 || facts.orientation > 8)
            std::abort();
        if (!facts.taken.empty() && (facts.taken.size() != 19 || facts.taken[10] != 'T'))
            std::abort();
        if (facts.camera.size() > 401)
            std::abort();
        for (const char c : facts.camera + facts.taken) {
            if (c < 0x20 || c > 0x7e)
                std::abort();
        }
    }
    return 0;
}
