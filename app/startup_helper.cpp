#include "app/startup_helper.h"

#include <dlfcn.h>

#include <cstdio>
#include <exception>
#include <system_error>

#include "app/resource_pictures.h"
#include "render/brushes/brush_library.h"

namespace plumavo {

namespace {

// The toolkit's own copy of the font configuration library, when it uses one:
// it is already loaded with the toolkit, so it is looked up rather than linked
// (a toolkit built without it simply has no such function, and this does
// nothing). Once it has been initialised, the toolkit's own call returns at
// once.
void ReadFontConfiguration() {
  using FcInitFn = int (*)();
  if (const auto init = reinterpret_cast<FcInitFn>(::dlsym(RTLD_DEFAULT, "FcInit")))
    if (!init()) std::fprintf(stderr, "plumavo: reading the font configuration ahead failed\n");
}

}  // namespace

StartupHelper::StartupHelper() {
  try {
    thread_ = std::thread([this] { Run(); });
  } catch (const std::system_error& e) {
    // Without a second thread the main thread does all of it, as it would anyway.
    std::fprintf(stderr, "plumavo: no thread for the start-up work: %s\n", e.what());
  }
}

void StartupHelper::Run() {
  std::call_once(fontsRead_, ReadFontConfiguration);
  pictures_.wait(kNotYet);
  if (pictures_.load() == kDecode) {
    try {
      // Decoded once, by whichever thread comes first; the main window then
      // finds them ready.
      (void)DecodedResourcePictures();
    } catch (const std::exception& e) {
      // The main window decodes them itself and goes without what it cannot read.
      std::fprintf(stderr, "plumavo: decoding the icons and cursors ahead failed: %s\n", e.what());
    }
  }
  try {
    // The icons are made once, by whichever thread comes first; the side
    // panel then finds them ready.
    (void)BrushIcon(0);
  } catch (const std::exception& e) {
    // The side panel unpacks them itself and reports what goes wrong.
    std::fprintf(stderr, "plumavo: unpacking the brush icons ahead failed: %s\n", e.what());
  }
}

StartupHelper::~StartupHelper() {
  // Never leave the thread waiting; without an application it skips the pictures.
  int notYet = kNotYet;
  pictures_.compare_exchange_strong(notYet, kSkip);
  pictures_.notify_one();
  if (thread_.joinable()) thread_.join();
}

void StartupHelper::ApplicationBuilt() {
  pictures_.store(kDecode);
  pictures_.notify_one();
}

void StartupHelper::WaitForFonts() { std::call_once(fontsRead_, ReadFontConfiguration); }

}  // namespace plumavo
