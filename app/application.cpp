#include "app/application.h"

#include "app/main_window.h"

namespace plumavo {

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {
  setApplicationName(kApplicationTitle);
  setApplicationDisplayName(kApplicationTitle);
}

bool TApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (...) {
    return false;
  }
}

}  // namespace plumavo
