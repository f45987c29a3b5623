#include "media/video_library.h"

#include <array>
#include <cstdio>
#include <vector>

extern "C" {
#include <libavutil/macros.h>
#include <libswscale/version.h>
}

#include "media/library_loader.h"

namespace plumavo {

namespace {

// The libraries of the major versions the headers describe: a different
// major version has a different binary interface.
constexpr std::array<const char*, 4> kLibraries = {
    "libavutil.so." AV_STRINGIFY(LIBAVUTIL_VERSION_MAJOR),
    "libswscale.so." AV_STRINGIFY(LIBSWSCALE_VERSION_MAJOR),
    "libavcodec.so." AV_STRINGIFY(LIBAVCODEC_VERSION_MAJOR),
    "libavformat.so." AV_STRINGIFY(LIBAVFORMAT_VERSION_MAJOR),
};

struct Loaded {
  VideoLibrary library;
  std::string error;  // empty when every function was found
};

Loaded Load() {
  static constexpr const char* kNames[] = {
#define PLUMAVO_VIDEO_NAME(name) #name,
      PLUMAVO_VIDEO_FUNCTIONS(PLUMAVO_VIDEO_NAME)
#undef PLUMAVO_VIDEO_NAME
  };
  Loaded r;
  const std::vector<void*> found = LoadLibraryFunctions("The video library", kLibraries, kNames, r.error);
  if (found.empty()) return r;
  size_t i = 0;
#define PLUMAVO_VIDEO_SET(name) r.library.name = reinterpret_cast<decltype(r.library.name)>(found[i++]);
  PLUMAVO_VIDEO_FUNCTIONS(PLUMAVO_VIDEO_SET)
#undef PLUMAVO_VIDEO_SET
  return r;
}

}  // namespace

const VideoLibrary* LoadVideoLibrary(std::string* why) {
  static const Loaded loaded = [] {
    Loaded r = Load();
    if (!r.error.empty()) std::fprintf(stderr, "plumavo: %s\n", r.error.c_str());
    return r;
  }();
  if (why != nullptr) *why = loaded.error;
  return loaded.error.empty() ? &loaded.library : nullptr;
}

}  // namespace plumavo
