// Work of the start that needs no window, done on the second core while the
// main thread builds the windows: reading the font configuration, which the
// toolkit otherwise does on the main thread at the first text it paints,
// decoding the main window's icons and cursors, and unpacking the brush icons
// the side panel shows.
#pragma once

#include <atomic>
#include <mutex>
#include <thread>

namespace plumavo {

class StartupHelper {
 public:
  // Starts the work at once.
  StartupHelper();
  // Waits for the rest of the work.
  ~StartupHelper();
  StartupHelper(const StartupHelper&) = delete;
  StartupHelper& operator=(const StartupHelper&) = delete;

  // Returns once the font configuration is read: by the second thread, or
  // here when that thread has not got to it yet (a new thread can take
  // milliseconds to be first scheduled). Call it before the first text is
  // painted: the toolkit would otherwise read the configuration a second
  // time alongside this one instead of waiting for it.
  void WaitForFonts();

  // Call once the application object exists: the pictures are decoded only
  // after that (the image plugins are looked up through it).
  void ApplicationBuilt();

 private:
  void Run();

  std::once_flag fontsRead_;
  // Whether the pictures may be decoded: not yet, yes (ApplicationBuilt), or
  // never (the destructor came first).
  enum Pictures : int { kNotYet, kDecode, kSkip };
  std::atomic<int> pictures_{kNotYet};
  std::thread thread_;
};

}  // namespace plumavo
