// The application object: title, and the empty application-wide exception
// handler. Every handler catches its own errors; anything that still reaches
// the event loop is dropped without a message.
#pragma once

#include <QApplication>

namespace plumavo {

class TApplication : public QApplication {
 public:
  TApplication(int& argc, char** argv);
  bool notify(QObject* receiver, QEvent* event) override;
};

}  // namespace plumavo
