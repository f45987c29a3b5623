// The yardstick for the program's start-up: the least a Qt Widgets program
// does to show a window, quitting once it has been painted, as the program
// does under PLUMAVO_EXIT_WHEN_SHOWN.
#include <QApplication>
#include <QTimer>
#include <QWidget>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QWidget window;
  window.resize(700, 576);
  window.show();
  QTimer::singleShot(0, &app, [&window] {
    window.repaint();
    QCoreApplication::quit();
  });
  return app.exec();
}
