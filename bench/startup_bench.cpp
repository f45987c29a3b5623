// Whole processes, start to finish, each beside its yardstick in the same run:
//   Startup_MinimalQtWindow  a Qt program that shows one empty window
//   Startup_MinimalQtWindowWithTheProgramsLibraries
//                            the same, loading every shared library the
//                            program loads (the floor they set)
//   Startup_MainWindow       the program, until its main window is painted
//   Startup_True             /bin/true
//   Startup_RenderTiny       plumavo-render writing a 16 x 16 project as PNG
// All windows on the offscreen platform, with a settings file of the run.
// Run for example
//   bin/plumavo_bench_startup --benchmark_repetitions=9 --benchmark_report_aggregates_only=true
#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "model/project.h"
#include "model/project_file.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

fs::path BinDir() { return fs::canonical("/proc/self/exe").parent_path(); }
fs::path ScratchDir() {
  static const fs::path dir = [] {
    fs::path d = fs::temp_directory_path() / ("plumavo_bench_startup_" + std::to_string(getpid()));
    fs::create_directories(d);
    return d;
  }();
  return dir;
}

// Runs argv to its end; false when it could not be started or failed.
bool RunProcess(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  pid_t pid = 0;
  if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return false;
  int status = 0;
  if (waitpid(pid, &status, 0) != pid) return false;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void TimeProcess(benchmark::State& state, const std::vector<std::string>& args) {
  if (!fs::exists(args[0])) {
    state.SkipWithError(("not built: " + args[0]).c_str());
    return;
  }
  for (auto _ : state)
    if (!RunProcess(args)) {
      state.SkipWithError(("failed: " + args[0]).c_str());
      return;
    }
}

void Startup_MinimalQtWindow(benchmark::State& state) {
  TimeProcess(state, {(BinDir() / "plumavo_bench_minimal_window").string()});
}
void Startup_MinimalQtWindowWithTheProgramsLibraries(benchmark::State& state) {
  TimeProcess(state, {(BinDir() / "plumavo_bench_minimal_window_linked").string()});
}
void Startup_MainWindow(benchmark::State& state) {
  setenv("PLUMAVO_EXIT_WHEN_SHOWN", "1", 1);
  TimeProcess(state, {(BinDir() / "plumavo").string()});
  unsetenv("PLUMAVO_EXIT_WHEN_SHOWN");
}
void Startup_True(benchmark::State& state) { TimeProcess(state, {"/bin/true"}); }
void Startup_RenderTiny(benchmark::State& state) {
  using namespace plumavo;
  Project p;
  ResetProject(p, kMinProjectSize, kMinProjectSize, true, ShapeMode::Affine);
  for (const Vertex v : {Vertex{1, 14}, Vertex{14, 14}, Vertex{8, 1}, Vertex{1, 14}, Vertex{8, 14}, Vertex{4, 7},
                         Vertex{8, 14}, Vertex{14, 14}, Vertex{11, 7}})
    AppendVertex(p, v.X, v.Y, ShapeSettings{});
  const fs::path project = ScratchDir() / "tiny.plv";
  if (SaveProject(p, project.string()) != kFileOk) {
    state.SkipWithError("cannot write the 16 x 16 project");
    return;
  }
  TimeProcess(state, {(BinDir() / "plumavo-render").string(), project.string(), (ScratchDir() / "tiny.png").string()});
}

BENCHMARK(Startup_MinimalQtWindow)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(Startup_MinimalQtWindowWithTheProgramsLibraries)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(Startup_MainWindow)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(Startup_True)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(Startup_RenderTiny)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  // Never the user's settings.
  setenv("PLUMAVO_SETTINGS_FILE", (ScratchDir() / "settings.ini").c_str(), 1);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::error_code ignored;
  fs::remove_all(ScratchDir(), ignored);
  return 0;
}
