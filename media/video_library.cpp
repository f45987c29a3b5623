#include "media/video_library.h"

#include <dlfcn.h>

#include <array>
#include <cstdio>

extern "C" {
#include <libavutil/macros.h>
#include <libswscale/version.h>
}

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
  Loaded r;
  std::array<void*, kLibraries.size()> handles{};
  for (size_t i = 0; i < kLibraries.size(); ++i) {
    handles[i] = ::dlopen(kLibraries[i], RTLD_NOW | RTLD_LOCAL);
    if (handles[i] == nullptr) {
      const char* why = ::dlerror();
      r.error = std::string("The video library could not be loaded: ") + (why != nullptr ? why : kLibraries[i]);
      return r;
    }
  }
  // Each function from whichever of the libraries has it. The handles stay
  // open for the life of the program.
  const auto find = [&handles](const char* name) -> void* {
    for (void* h : handles)
      if (void* f = ::dlsym(h, name)) return f;
    return nullptr;
  };
#define PLUMAVO_VIDEO_FIND(name)                                            \
  r.library.name = reinterpret_cast<decltype(r.library.name)>(find(#name)); \
  if (r.library.name == nullptr) {                                          \
    r.error = "The video library has no function " #name;                   \
    return r;                                                               \
  }
  PLUMAVO_VIDEO_FUNCTIONS(PLUMAVO_VIDEO_FIND)
#undef PLUMAVO_VIDEO_FIND
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
