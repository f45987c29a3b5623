// The wall time of every single step of a benchmark loop, reported as the
// median and the 90th percentile step. The benchmark's own figure is the mean
// step of a repetition, and on a shared machine a few steps on which a core
// was taken away (three times the usual step and more) pull that mean well
// above the step a user meets most of the time. Both are reported, so that
// neither hides the other.
#pragma once

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <vector>

namespace plumavo::bench {

class StepTimes {
 public:
  using Clock = std::chrono::steady_clock;

  // Room for this many steps is made before the loop, so that timing a step
  // never allocates; steps past it are still timed, with the vector growing.
  explicit StepTimes(size_t expected = 4096) { ms_.reserve(expected); }

  void Add(Clock::time_point start, Clock::time_point end) {
    ms_.push_back(std::chrono::duration<double, std::milli>(end - start).count());
  }

  // Counters step_median_ms and step_p90_ms of this repetition.
  void Report(benchmark::State& state) {
    if (ms_.empty()) return;
    state.counters["step_median_ms"] = At(0.5);
    state.counters["step_p90_ms"] = At(0.9);
  }

 private:
  // The step at fraction q of the sorted steps (nearest rank).
  double At(double q) {
    const size_t k = std::min(ms_.size() - 1, size_t(q * double(ms_.size())));
    std::nth_element(ms_.begin(), ms_.begin() + std::ptrdiff_t(k), ms_.end());
    return ms_[k];
  }

  std::vector<double> ms_;
};

}  // namespace plumavo::bench
