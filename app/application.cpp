#include "app/application.h"

#include "app/main_window.h"
#include "app/safely.h"

namespace plumavo {

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {
  setApplicationName(kApplicationTitle);
  // Lets the desktop match the window to its entry in the application menu.
  setDesktopFileName("io.github.plumavo.Plumavo");
  // No display name: Qt would append it to every window caption, and the
  // captions already say what they should.
}

bool Application::notify(QObject* receiver, QEvent* event) {
  // The last boundary: an error that escaped an event handler ends that
  // event only.
  bool handled = false;
  Safely([&] { handled = QApplication::notify(receiver, event); }, "handling an event");
  return handled;
}

}  // namespace plumavo
