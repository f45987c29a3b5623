#include "media/image_library.h"

#include <cstdio>
#include <vector>

#include "media/library_loader.h"

// The library of the major version the header describes.
#define PLUMAVO_STRINGIFY_VALUE(v) #v
#define PLUMAVO_STRINGIFY(v) PLUMAVO_STRINGIFY_VALUE(v)

namespace plumavo {

namespace {

constexpr const char* kLibraries[] = {"libfreeimage.so." PLUMAVO_STRINGIFY(FREEIMAGE_MAJOR_VERSION)};

// The library's own words on a failure go to the log beside ours.
void RememberMessage(FREE_IMAGE_FORMAT, const char* message) {
  if (message != nullptr) std::fprintf(stderr, "plumavo: image library: %s\n", message);
}

}  // namespace

const ImageLibrary* LoadImageLibrary(std::string* why) {
  static constexpr const char* kNames[] = {
#define PLUMAVO_IMAGE_NAME(name) #name,
      PLUMAVO_IMAGE_FUNCTIONS(PLUMAVO_IMAGE_NAME)
#undef PLUMAVO_IMAGE_NAME
  };
  const auto fill = [](ImageLibrary& fi, const std::vector<void*>& found) {
    size_t i = 0;
#define PLUMAVO_IMAGE_SET(name) fi.name = reinterpret_cast<decltype(fi.name)>(found[i++]);
    PLUMAVO_IMAGE_FUNCTIONS(PLUMAVO_IMAGE_SET)
#undef PLUMAVO_IMAGE_SET
    // The shared library registers its plugins on load; initialising again
    // is harmless, and the message hook must be set once.
    fi.FreeImage_Initialise(FALSE);
    fi.FreeImage_SetOutputMessage(&RememberMessage);
  };
  return LoadFunctionTable<ImageLibrary>("The image file library", kLibraries, kNames, fill, why);
}

}  // namespace plumavo
