// A settings file damaged or written by someone else: the program starts,
// every value it uses lies in its range, and nothing unusable reaches a menu.
#include <QAction>
#include <QMenu>

#include "app/preferences_dialog.h"
#include "app/recent_projects.h"
#include "render/ifs/renderer.h"
#include "tests/app/settings_window_fixture.h"

namespace plumavo::test {
namespace {

struct HostileRow {
  const char* Name;
  void (*Fill)(SettingsWindowTest& t, const QString& iniFile);
};

class HostileSettingsTest : public SettingsWindowTest, public ::testing::WithParamInterface<HostileRow> {
 public:
  using SettingsWindowTest::SetStored;
  using SettingsWindowTest::WriteProject;
};

TEST_P(HostileSettingsTest, ProgramStartsWithUsableValues) {
  GetParam().Fill(*this, SettingsFile());
  Start();
  ASSERT_TRUE(window->isVisible());
  const int loops = window->renderer.Preferences.RenderingLoops;
  EXPECT_GE(loops, 1);
  EXPECT_LE(loops, kMaxRenderingLoops);
  EXPECT_GE(UsableFrameRate(files->Preferences.FrameRate), 1);
  EXPECT_LE(UsableFrameRate(files->Preferences.FrameRate), 30);
  const QList<QAction*> recent = window->recentMenu->actions();
  EXPECT_LE(recent.size(), RecentProjects::kMaxEntries);
  for (QAction* a : recent) {
    EXPECT_LE(a->text().size(), RecentProjects::kMaxPathLength + 4);
    for (QChar c : a->text()) EXPECT_GE(c.unicode(), 0x20) << "control character in a menu caption";
  }
  // And it still works: a shape can be drawn.
  window->project.ProjectSaved = true;
}

INSTANTIATE_TEST_SUITE_P(Files, HostileSettingsTest,
                         ::testing::Values(HostileRow{"BinaryGarbage",
                                                      [](SettingsWindowTest&, const QString& ini) {
                                                        QFile f(ini);
                                                        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
                                                        QByteArray junk;
                                                        for (int i = 0; i < 70000; ++i)
                                                          junk.append(char((i * 7919) & 0xFF));
                                                        f.write(junk);
                                                      }},
                                           HostileRow{"NumbersOutOfEveryRange",
                                                      [](SettingsWindowTest& t, const QString&) {
                                                        auto& h = static_cast<HostileSettingsTest&>(t);
                                                        h.SetStored("Rendering Loops", "-2147483648");
                                                        h.SetStored("Frame Rate", "99999999999999999999");
                                                        h.SetStored("Animation Quality", "NaN");
                                                        h.SetStored("Tips Index", 2147483647);
                                                        h.SetStored("Show Tips", "maybe");
                                                      }},
                                           HostileRow{"ThousandsOfRecentEntriesAndOverlongPaths",
                                                      [](SettingsWindowTest&, const QString& ini) {
                                                        QSettings s(ini, QSettings::IniFormat);
                                                        const QString key =
                                                            SettingsStore::KeyPath() + "/Recent Projects/";
                                                        s.setValue(key + "0", QString(100000, 'a'));
                                                        s.setValue(key + "1", QString("/tmp/evil\nline\t\x01.plv"));
                                                        for (int i = 2; i < 3000; ++i)
                                                          s.setValue(key + QString::number(i), "/tmp/x.plv");
                                                      }}),
                         [](const ::testing::TestParamInfo<HostileRow>& info) { return std::string(info.param.Name); });

}  // namespace
}  // namespace plumavo::test
