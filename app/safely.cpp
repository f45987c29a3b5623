#include "app/safely.h"

#include <cstdio>

namespace plumavo {

namespace {

std::function<void(const std::string&)>& Reporter() {
  static std::function<void(const std::string&)> reporter;
  return reporter;
}

}  // namespace

void SetFailureReporter(std::function<void(const std::string& message)> reporter) { Reporter() = std::move(reporter); }

void ReportFailure(const std::string& context, const std::string& what) {
  std::fprintf(stderr, "plumavo: %s failed: %s\n", context.c_str(), what.c_str());
  static bool showing = false;
  if (showing || !Reporter()) return;
  showing = true;
  try {
    Reporter()("The command could not be completed (" + what + ").");
  } catch (const std::exception& e) {
    std::fprintf(stderr, "plumavo: showing that failure failed too: %s\n", e.what());
  }
  showing = false;
}

}  // namespace plumavo
