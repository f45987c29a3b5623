// The boundary of every command and event handler: an error abandons the rest
// of that one piece of work, is written to stderr with what was being done,
// and is shown to the user; the program goes on.
#pragma once

#include <exception>
#include <functional>
#include <new>
#include <string>
#include <utility>

namespace plumavo {

// Where failures are shown; the main window installs its message box here.
// Without one they are only logged.
void SetFailureReporter(std::function<void(const std::string& message)> reporter);

// Logs "plumavo: <context> failed: <what>" and tells the user once (a report
// that comes in while one is shown is only logged).
void ReportFailure(const std::string& context, const std::string& what);

template <typename F>
void Safely(F&& f, const char* context = "a window event") {
  try {
    std::forward<F>(f)();
  } catch (const std::bad_alloc&) {
    ReportFailure(context, "there is not enough memory");
  } catch (const std::exception& e) {
    ReportFailure(context, e.what());
  } catch (...) {
    ReportFailure(context, "an unknown error");
  }
}

}  // namespace plumavo
