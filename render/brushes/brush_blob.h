// The packed form of the brush images and icons that ships inside the
// program. Layout, all integers little-endian:
//   "PVBR"  uint32 version (2)  uint32 payload size  then a zlib stream that
//   inflates to exactly the payload:
//     for every brush 0..229: the 16 x 16 icon as int32 width, int32 height,
//       width*height 0xAARRGGBB pixels row by row from the top;
//     for every image brush 3..229: the image in the same form.
// The icons come first so that the window can show them without inflating
// the images, which wait until a brush image is first drawn.
// Nothing in it is trusted: every size is checked against the brush tables.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace plumavo {

struct BrushPixels {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint32_t> pixels;  // 0xAARRGGBB, row by row from the top
};

struct BrushAssets {
  std::vector<BrushPixels> images;  // brush 3..229 at index brush - 3
  std::vector<BrushPixels> icons;   // brush 0..229
};

// Packs assets whose sizes match the tables. Returns false with a message
// when they do not or compression fails.
[[nodiscard]] bool EncodeBrushBlob(const BrushAssets& assets, std::vector<uint8_t>& blob, std::string* error = nullptr);

// Unpacks and validates a blob. On failure returns false, leaves `assets`
// empty and says why in `error`.
[[nodiscard]] bool DecodeBrushBlob(const uint8_t* data, size_t size, BrushAssets& assets, std::string* error = nullptr);

// Unpacks and validates only the icons at the front of a blob: the rest of
// the stream is not inflated (nor, therefore, checked). The same contract
// as DecodeBrushBlob for `icons`.
[[nodiscard]] bool DecodeBrushIcons(const uint8_t* data, size_t size, std::vector<BrushPixels>& icons,
                                    std::string* error = nullptr);

}  // namespace plumavo
