// The decoder child's work, in process: our size checks before decoding and
// FreeImage's readers for the formats the program is asked to open most
// (PNG, JPEG, BMP, GIF, TIFF, TGA, PPM). The readers of the other formats are
// known to crash on damaged files; the program only ever runs them in the
// child process, which image_decoder_test covers.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "media/image_file.h"

namespace {

bool TrustedSignature(const uint8_t* d, size_t n) {
  auto starts = [&](const char* magic) {
    return n >= std::strlen(magic) && std::memcmp(d, magic, std::strlen(magic)) == 0;
  };
  return starts("\x89PNG") || starts("\xFF\xD8\xFF") || starts("BM") || starts("GIF8") || starts("II*") ||
         starts("MM\x00*") || starts("P6") || starts("P3");
}

std::string ScratchFile() {
  static const std::string path = "/tmp/plumavo-image-fuzz-" + std::to_string(::getpid()) + ".img";
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (!TrustedSignature(data, size)) return 0;
  FILE* f = std::fopen(ScratchFile().c_str(), "wb");
  if (f == nullptr) return 0;
  std::fwrite(data, 1, size, f);
  std::fclose(f);
  plumavo::TBitmap32 out;
  (void)plumavo::LoadImageFile(out, ScratchFile(), 0);
  // Gone after every input, so that a run leaves nothing behind in /tmp.
  std::remove(ScratchFile().c_str());
  return 0;
}
