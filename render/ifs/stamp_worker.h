// A second thread for the stamping half of a render. The layer is cut into
// stripes of rows; each thread stamps, in the orbit's order, only into the
// stripes it owns, so every pixel still receives its stamps in the same order
// and the picture is the same as from one thread.
#pragma once

#include <condition_variable>
#include <mutex>
#include <thread>

namespace plumavo {

class TStampWorker {
 public:
  TStampWorker() = default;
  ~TStampWorker();
  TStampWorker(const TStampWorker&) = delete;
  TStampWorker& operator=(const TStampWorker&) = delete;

  // Runs job(context) on the worker thread, starting the thread on first use.
  // False when no thread could be started; the caller then does the work
  // itself. Each Start must be followed by Wait before the next Start.
  bool Start(void (*job)(void*), void* context);
  // Returns once the job of the last Start has finished.
  void Wait();

 private:
  void Loop();

  std::thread thread_;
  std::mutex mutex_;
  std::condition_variable wake_, done_;
  void (*job_)(void*) = nullptr;
  void* context_ = nullptr;
  bool pending_ = false, quit_ = false;
};

}  // namespace plumavo
