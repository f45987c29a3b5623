// One vertex drag step through the real main window on the offscreen
// platform, for the four render scenes at 100 %: the mouse move event in, the
// editor's model change, the render, and the view's paint that the step asks
// for. Run for example
//   bin/plumavo_bench_drag --benchmark_repetitions=9 --benchmark_report_aggregates_only=true
#include <benchmark/benchmark.h>

#include <memory>

#include <QApplication>
#include <QMouseEvent>
#include <QTemporaryDir>

#include "app/file_commands.h"
#include "app/image_view.h"
#include "app/main_window.h"
#include "app/prompts.h"
#include "bench/render_scenes.h"
#include "bench/step_times.h"
#include "model/project_file.h"

namespace {

using namespace plumavo;

void SendMouse(QWidget* view, QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons held) {
  QMouseEvent e(type, QPointF(at), QPointF(view->mapToGlobal(at)), button, held, Qt::NoModifier);
  QApplication::sendEvent(view, &e);
}

void DragStep(benchmark::State& state, scenes::Scene scene) {
  QTemporaryDir dir;
  const QString path = dir.filePath("scene.plv");
  if (!dir.isValid() || SaveProject(scene.project, path.toStdString()) != kFileOk) {
    state.SkipWithError("cannot write the scene's project");
    return;
  }
  MainWindow window;
  window.SetPrompts(std::make_unique<ScriptedPrompter>());
  window.show();
  window.renderer.Preferences.RenderingLoops = scene.loops;
  window.files->OpenProject(path);
  QApplication::processEvents();

  // The first corner of the first Sub-Shape, at 100 % where view and project
  // pixels are the same.
  const Vertex v = window.project.Corner(1, 0);
  QWidget* view = window.imageView;
  QPoint at(v.X, v.Y);
  SendMouse(view, QEvent::MouseMove, at, Qt::NoButton, Qt::NoButton);  // the hover test finds the vertex
  SendMouse(view, QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton);
  QApplication::processEvents();
  int step = 1;
  bench::StepTimes times;
  for (auto _ : state) {
    const auto start = bench::StepTimes::Clock::now();
    at += QPoint(step, 0);
    step = -step;  // back and forth, so the shapes stay where they are
    SendMouse(view, QEvent::MouseMove, at, Qt::NoButton, Qt::LeftButton);
    QApplication::processEvents();  // the view's repaint
    times.Add(start, bench::StepTimes::Clock::now());
  }
  SendMouse(view, QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton);
  window.project.ProjectSaved = true;  // close without the save question
  state.counters["stamped"] = window.renderer.LastStats().Stamped;
  times.Report(state);
}

void DragStep_a(benchmark::State& state) { DragStep(state, scenes::SceneA()); }
void DragStep_b(benchmark::State& state) { DragStep(state, scenes::SceneB()); }
void DragStep_c(benchmark::State& state) { DragStep(state, scenes::SceneC()); }
void DragStep_d(benchmark::State& state) { DragStep(state, scenes::SceneD()); }

BENCHMARK(DragStep_a)->Unit(benchmark::kMillisecond);
BENCHMARK(DragStep_b)->Unit(benchmark::kMillisecond);
BENCHMARK(DragStep_c)->Unit(benchmark::kMillisecond);
BENCHMARK(DragStep_d)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  // The windows read and write a settings file of this run, never the user's.
  QTemporaryDir settings;
  if (!settings.isValid()) return 1;
  qputenv("PLUMAVO_SETTINGS_FILE", settings.filePath("settings.ini").toLocal8Bit());
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
