// A settings file written by anyone: reading preferences, the tip state and
// the recent list must give usable values and never fail.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include <QCoreApplication>

#include "app/preferences.h"
#include "app/recent_projects.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static int argc = 1;
  static char name[] = "settings_fuzz";
  static char* argv[] = {name, nullptr};
  static QCoreApplication app(argc, argv);
  static const std::string path = "/tmp/plumavo-settings-fuzz-" + std::to_string(::getpid()) + ".ini";
  FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return 0;
  std::fwrite(data, 1, size, f);
  std::fclose(f);
  plumavo::RecentProjects recent;
  {
    const plumavo::SettingsStore store(QString::fromStdString(path));
    const plumavo::StoredPreferences p = plumavo::LoadPreferences(store);
    (void)plumavo::UsableRenderingLoops(p.RenderingLoops);
    (void)plumavo::LoadTipState(store);
    recent.Load(store);
  }
  // Gone after every input, so that a run leaves nothing behind in /tmp.
  std::remove(path.c_str());
  if (recent.Entries().size() > plumavo::RecentProjects::kMaxEntries) __builtin_trap();
  for (const QString& e : recent.Entries())
    if (e.size() > plumavo::RecentProjects::kMaxPathLength) __builtin_trap();
  return 0;
}
