// plumavo-decode: decodes one image file for the program in a process of its
// own (see image_decoder.h). Usage:
//   plumavo-decode [--cpu-seconds N] [--address-space BYTES] -- FILE
// Writes the reply to standard output; exit code 0 picture, 1 refused,
// 2 the reply could not be written, 3 bad usage.
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "canvas/imagefile/image_decoder.h"

int main(int argc, char** argv) {
  plumavo::TDecodeLimits limits;
  std::string file;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--cpu-seconds" && i + 1 < argc) {
      limits.CpuSeconds = std::atoi(argv[++i]);
    } else if (a == "--address-space" && i + 1 < argc) {
      limits.AddressSpaceBytes = std::atoll(argv[++i]);
    } else if (a == "--" && i + 1 == argc - 1) {
      file = argv[++i];
    } else {
      return 3;
    }
  }
  if (file.empty() || limits.CpuSeconds < 1 || limits.AddressSpaceBytes < (int64_t(64) << 20)) return 3;
  return plumavo::RunDecoderChild(file, limits, STDOUT_FILENO);
}
