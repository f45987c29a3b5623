// The background image travels inside a project file as a PNG stream.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "surface/bitmap32.h"

namespace plumavo {

// 8-bit RGB PNG of the bitmap; alpha is dropped. False when encoding fails.
[[nodiscard]] bool EncodePngRgb(const TBitmap32& image, std::vector<uint8_t>& out);

// Decodes any PNG libpng accepts into opaque pixels. Images whose width or
// height lies outside minSide..maxSide are refused before any pixel memory is
// allocated. False (and out untouched) on refusal or a decoding error.
[[nodiscard]] bool DecodePng(const uint8_t* data, size_t size, TBitmap32& out, int32_t minSide, int32_t maxSide);

}  // namespace plumavo
