// The packed brush library: nothing in it is trusted.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "render/brushes/brush_blob.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  plumavo::BrushAssets assets;
  (void)plumavo::DecodeBrushBlob(data, size, assets);
  std::vector<plumavo::BrushPixels> icons;
  (void)plumavo::DecodeBrushIcons(data, size, icons);
  return 0;
}
