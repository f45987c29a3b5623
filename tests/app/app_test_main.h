// Shared set-up of the window tests: one QApplication on the offscreen
// platform, and a fresh main window per test with scripted prompts.
#pragma once

#include <memory>

#include <gtest/gtest.h>
#include <QApplication>
#include <QRegularExpression>
#include <QTest>

#include "app/image_view.h"
#include "app/main_window.h"
#include "app/prompts.h"

namespace plumavo::test {

// The one QApplication, made by the test program's main() before any test runs
// and destroyed before Qt's own statics are.
inline QApplication& App() { return *static_cast<QApplication*>(QCoreApplication::instance()); }

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    App();
    window = std::make_unique<MainWindow>();
    auto p = std::make_unique<ScriptedPrompter>();
    prompts = p.get();
    window->SetPrompts(std::move(p));
    window->show();
    QApplication::processEvents();
  }
  void TearDown() override {
    // Leave without the save question: the tests do not save.
    window->project.ProjectSaved = true;
    window.reset();
  }

  // A left click on the view at view pixel (x, y), with the mouse moved there
  // first so the editor's hover test sees the position.
  void ClickView(int x, int y, Qt::MouseButton button = Qt::LeftButton) {
    QTest::mouseMove(window->imageView, QPoint(x, y));
    QTest::mouseClick(window->imageView, button, Qt::NoModifier, QPoint(x, y));
  }
  // Three clicks per triangle, in project pixels at 100 %.
  void DrawTriangle(QPoint a, QPoint b, QPoint c) {
    for (QPoint p : {a, b, c}) ClickView(p.x(), p.y());
  }
  // A Main-Shape and two Sub-Shapes inside it (so the picture lands on the
  // canvas), every corner well away from the other shapes' edges.
  void DrawThreeShapes() {
    DrawTriangle({20, 20}, {460, 20}, {20, 340});
    DrawTriangle({40, 40}, {200, 40}, {40, 160});
    DrawTriangle({220, 40}, {380, 40}, {220, 160});
  }

  // Prompts asked without a scripted answer.
  QStringList Unanswered() const { return prompts->Log.filter(QRegularExpression("^unanswered")); }

  std::unique_ptr<MainWindow> window;
  ScriptedPrompter* prompts = nullptr;
};

}  // namespace plumavo::test
