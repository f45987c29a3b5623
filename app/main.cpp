#include <QTimer>
#include <cstdlib>

#include "app/about_dialog.h"
#include "app/application.h"
#include "app/dialog_commands.h"
#include "app/file_commands.h"
#include "app/main_window.h"
#include "app/startup_helper.h"
#include "app/widgets.h"

int main(int argc, char** argv) {
  // First of all, so that its work overlaps everything the main thread does.
  plumavo::StartupHelper startupHelper;
  plumavo::Application app(argc, argv);
  startupHelper.ApplicationBuilt();
  // The about window shows at once as splash screen; it closes about a second
  // after the event loop starts and then brings up the tip of the day.
  const std::unique_ptr<plumavo::AboutDialog> splash = plumavo::ShowSplashScreen([&] { startupHelper.WaitForFonts(); });
  plumavo::MainWindow window;
  if (splash && window.dialogs) window.dialogs->AdoptSplash(*splash);
  // A project named as the single argument opens when the window first shows
  // (argc and argv no longer hold the toolkit's own options here).
  if (window.files)
    for (int i = 1; i < argc; ++i) window.files->CommandLine << QString::fromLocal8Bit(argv[i]);
  plumavo::CentreOnScreen(window);
  window.show();
  // For the start-up benchmark: end the process as soon as the window has
  // been painted once, so a run times process start to window shown (nothing
  // is saved at that point).
  if (qEnvironmentVariableIsSet("PLUMAVO_EXIT_WHEN_SHOWN"))
    QTimer::singleShot(0, &app, [&window] {
      window.repaint();
      std::_Exit(0);
    });
  return app.exec();
}
