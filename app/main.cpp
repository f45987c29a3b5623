#include "app/application.h"
#include "app/main_window.h"

int main(int argc, char** argv) {
  plumavo::TApplication app(argc, argv);
  plumavo::TfrmMain window;
  window.show();
  return app.exec();
}
