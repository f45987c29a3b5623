#include "render/ifs/stamp_worker.h"

#include <system_error>

namespace plumavo {

TStampWorker::~TStampWorker() {
  if (!thread_.joinable()) return;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    quit_ = true;
  }
  wake_.notify_one();
  thread_.join();
}

bool TStampWorker::Start(void (*job)(void*), void* context) {
  if (!thread_.joinable()) {
    try {
      thread_ = std::thread([this] { Loop(); });
    } catch (const std::system_error&) {
      return false;
    }
  }
  {
    std::lock_guard<std::mutex> lock(mutex_);
    job_ = job;
    context_ = context;
    pending_ = true;
  }
  wake_.notify_one();
  return true;
}

void TStampWorker::Wait() {
  std::unique_lock<std::mutex> lock(mutex_);
  done_.wait(lock, [this] { return !pending_; });
}

void TStampWorker::Loop() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    wake_.wait(lock, [this] { return pending_ || quit_; });
    if (quit_) return;
    void (*job)(void*) = job_;
    void* context = context_;
    lock.unlock();
    job(context);
    lock.lock();
    pending_ = false;
    done_.notify_one();
  }
}

}  // namespace plumavo
