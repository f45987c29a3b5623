// The background image block of a project file: a PNG stream of any shape.
#include <cstddef>
#include <cstdint>

#include "model/png_block.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  plumavo::TBitmap32 out;
  (void)plumavo::DecodePng(data, size, out, 16, 1280);
  return 0;
}
