// plumavo-decode: decodes one image file for the program in a process of its
// own (see image_decoder.h). Usage:
//   plumavo-decode [--cpu-seconds N] [--address-space BYTES] -- FILE...
// Writes one reply per file to standard output; exit code 0, 2 when a reply
// could not be written, 3 bad usage.
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "media/image_decoder.h"

int main(int argc, char** argv) {
  plumavo::TDecodeLimits limits;
  std::vector<std::string> files;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--cpu-seconds" && i + 1 < argc) {
      limits.CpuSeconds = std::atoi(argv[++i]);
    } else if (a == "--address-space" && i + 1 < argc) {
      limits.AddressSpaceBytes = std::atoll(argv[++i]);
    } else if (a == "--") {
      files.assign(argv + i + 1, argv + argc);
      break;
    } else {
      return 3;
    }
  }
  if (files.empty() || limits.CpuSeconds < 1 || limits.AddressSpaceBytes < (int64_t(64) << 20)) return 3;
  return plumavo::RunDecoderChild(files, limits, STDOUT_FILENO);
}
