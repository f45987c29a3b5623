// Decoding image files that come from anywhere (background images, textures)
// in a separate process. The image library has readers that crash or never
// finish on damaged files; in a child process such a file costs a message,
// not the program and the user's unsaved work.
//
// The child is the small program plumavo-decode beside the running program.
// It limits its own address space, CPU time and core files, decodes one file
// with LoadImageFile and writes a short header and the pixels to its standard
// output. The parent waits a few seconds at most, kills a child that takes
// longer, and accepts only a size it would have accepted itself, so a hostile
// header cannot make it allocate much either.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "surface/bitmap32.h"

namespace plumavo {

enum class TDecodeStatus : uint8_t {
  Ok,
  Refused,    // the decoder read the file and said no (unknown, damaged, wrong size)
  Crashed,    // the decoder died, ran out of memory or CPU time
  TimedOut,   // the decoder was still at it when the wall-clock limit ran out
  NoDecoder,  // plumavo-decode could not be started
  BadReply,   // the decoder answered with something other than a picture
};

struct TDecodeLimits {
  int32_t WallClockMs = 5000;
  int32_t CpuSeconds = 4;
  int64_t AddressSpaceBytes = int64_t(1) << 30;
};

// What the parent and the child both accept; the child refuses anything else
// before it allocates, and the parent does not trust the child to have done so.
bool DecodedSizeAcceptable(int64_t width, int64_t height);

// Decodes fileName in a plumavo-decode child. On Ok, target holds the picture
// (opaque 32-bit pixels, its drawing properties kept); otherwise target is
// unchanged. Never throws.
[[nodiscard]] TDecodeStatus DecodeImageFileIsolated(TBitmap32& target, const std::string& fileName,
                                                    const TDecodeLimits& limits = {});

// Decodes several files with one child, in order: much cheaper than a child
// each. The wall-clock limit holds per file; a file that crashes the decoder
// or runs out of time costs only itself, the files after it get a new child.
// targets[i] holds file i's picture when its status is Ok.
[[nodiscard]] std::vector<TDecodeStatus> DecodeImageFilesIsolated(const std::vector<std::string>& files,
                                                                  std::vector<TBitmap32>& targets,
                                                                  const TDecodeLimits& limits = {});

// Words for a log line or the command line ("the decoder crashed").
const char* DecodeStatusText(TDecodeStatus status);

// Where the decoder program is looked for: $PLUMAVO_DECODER when set, else
// plumavo-decode in the folder of the running executable, else in
// ../libexec/plumavo/ from there (an installed tree).
std::string DecoderPath();

// Limits this process: no core files, CPU time cpuSeconds from now on, and
// the address space (except in builds with the address sanitizer). For the
// decoder child and for programs that run unattended, such as thumbnailers.
void LimitThisProcess(int32_t cpuSeconds, int64_t addressSpaceBytes);

// The child's side, for plumavo-decode's main: applies the limits to its own
// process, decodes the files in order and writes one reply for each to the
// file descriptor out. Returns the process exit code (0, or 2 when a reply
// could not be written).
int RunDecoderChild(const std::vector<std::string>& files, const TDecodeLimits& limits, int out);

}  // namespace plumavo
