#include "media/video_library.h"

#include <array>
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

}  // namespace

const VideoLibrary* LoadVideoLibrary(std::string* why) {
  static constexpr const char* kNames[] = {
#define PLUMAVO_VIDEO_NAME(name) #name,
      PLUMAVO_VIDEO_FUNCTIONS(PLUMAVO_VIDEO_NAME)
#undef PLUMAVO_VIDEO_NAME
  };
  const auto fill = [](VideoLibrary& v, const std::vector<void*>& found) {
    size_t i = 0;
#define PLUMAVO_VIDEO_SET(name) v.name = reinterpret_cast<decltype(v.name)>(found[i++]);
    PLUMAVO_VIDEO_FUNCTIONS(PLUMAVO_VIDEO_SET)
#undef PLUMAVO_VIDEO_SET
  };
  return LoadFunctionTable<VideoLibrary>("The video library", kLibraries, kNames, fill, why);
}

}  // namespace plumavo
