// Reading and writing image files through FreeImage (PNG files are written
// with libpng, as project files are). Both functions report
// failure through their result only: they never throw, and a damaged or
// hostile file gives false instead of a crash or a giant allocation.
#pragma once

#include <cstdint>
#include <string>

#include "surface/bitmap32.h"

namespace plumavo {

// Smallest and largest accepted image side, in pixels.
inline constexpr int32_t kImageFileMinSide = 16;
inline constexpr int32_t kImageFileMaxSide = 1280;

// Flags value for SaveImageFile: reduce the picture to a 256-colour palette
// with the neural-net quantiser before writing (what GIF needs).
inline constexpr int32_t kSaveQuantize = -1;

// Reads the image in fileName into target as opaque 32-bit pixels. The format
// comes from the file's contents, or from its extension when the contents do
// not tell. flags go to the decoder unchanged (0 everywhere in the program).
// True: target holds the picture (its drawing properties are kept). False: the
// format is unknown or unreadable, the file does not decode, or a side is
// outside 16..1280; target is unchanged. The size is checked before decoding,
// so a format whose size cannot be read beforehand (all but a few exotic ones
// can: GIF and IFF by their headers, the rest through FreeImage) is refused.
[[nodiscard]] bool LoadImageFile(TBitmap32& target, const std::string& fileName, int32_t flags);

// Writes the red, green and blue channels of source to fileName in the format
// of its extension (bmp, jpg, gif, png, tif, tga, ppm, ...). flags go to the
// encoder (the quality 1..100 for JPEG; PNG takes none); kSaveQuantize first
// reduces the picture to 8-bit palette colours and writes with the format's
// default options. True when the file was written. False for an empty source,
// an extension without a writer, a format that cannot store the picture's bit
// depth, or a write error.
[[nodiscard]] bool SaveImageFile(const TBitmap32& source, const std::string& fileName, int32_t flags);
// The same in the format of `extension` ("png") whatever fileName ends with.
[[nodiscard]] bool SaveImageFileAs(const TBitmap32& source, const std::string& fileName, const std::string& extension,
                                   int32_t flags);

// The extension of the file name at the end of path, in lower case, without
// its dot ("png" for "a/Fern.PNG"); empty when the name has none.
std::string LowerExtension(const std::string& path);

}  // namespace plumavo
