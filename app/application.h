// The application object: title, desktop file name, and the last boundary for
// errors: anything that escapes an event handler is logged and shown (see
// app/safely.h), and the program goes on.
#pragma once

#include <QApplication>

namespace plumavo {

class Application : public QApplication {
 public:
  Application(int& argc, char** argv);
  bool notify(QObject* receiver, QEvent* event) override;
};

}  // namespace plumavo
