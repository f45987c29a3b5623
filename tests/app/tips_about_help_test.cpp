// The tip of the day, the about window's splash sequence, the help viewer and
// the help menu's web and mail addresses.
#include <QCheckBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QToolButton>
#include <QUrlQuery>

#include "app/about_dialog.h"
#include "app/dialog_commands.h"
#include "app/help_viewer.h"
#include "app/links.h"
#include "app/preferences.h"
#include "app/tips.h"
#include "app/tips_dialog.h"
#include "app/widgets.h"
#include "tests/app/app_test_main.h"

namespace plumavo::test {
namespace {

// Runs the event loop until done() holds or ms have passed.
template <typename F>
bool WaitFor(F done, int ms) {
  QElapsedTimer t;
  t.start();
  while (!done() && t.elapsed() < ms) QTest::qWait(5);
  return done();
}

// ---------------------------------------------------------------------------
// Tip of the day

class TipsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    App();
    ASSERT_TRUE(dir.isValid());
    QFile f(dir.filePath("tips.txt"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("first tip\r\nsecond tip\rthird tip\n");
    f.close();
    dialog.TipsFile = dir.filePath("tips.txt");
    store = SettingsStore(dir.filePath("settings.ini"));
    dialog.Store = [this]() -> SettingsStore& { return store; };
  }
  void StoreIndex(int index, bool show = true) { ASSERT_TRUE(StoreTipState(store, {index, show})); }

  QTemporaryDir dir;
  SettingsStore store;
  TipsDialog dialog;
};

struct StartCase {
  const char* Name;
  int storedIndex;
  int firstShown;
};

class TipsStartTest : public TipsTest, public ::testing::WithParamInterface<StartCase> {};

TEST_P(TipsStartTest, EachShowingStartsAfterTheTipShownLast) {
  StoreIndex(GetParam().storedIndex);
  dialog.FormShow();
  EXPECT_EQ(dialog.TipCount(), 3);
  EXPECT_EQ(dialog.Index(), GetParam().firstShown);
  const char* texts[] = {"first tip", "second tip", "third tip"};
  EXPECT_EQ(dialog.tipsLabel->text(), texts[GetParam().firstShown]);
}

INSTANTIATE_TEST_SUITE_P(StoredIndexes, TipsStartTest,
                         ::testing::Values(StartCase{"NoneShownYet", -1, 0}, StartCase{"AfterTheFirst", 0, 1},
                                           StartCase{"AfterTheSecond", 1, 2}, StartCase{"AfterTheLastWraps", 2, 0},
                                           StartCase{"PastTheEndRestarts", 57, 0},
                                           StartCase{"NegativeRestarts", -9, 0}),
                         [](const ::testing::TestParamInfo<StartCase>& info) { return std::string(info.param.Name); });

TEST_F(TipsTest, BackAndNextWrapAndCloseStoresTheState) {
  StoreIndex(2, true);
  dialog.FormShow();
  ASSERT_EQ(dialog.Index(), 0);
  dialog.backButton->click();
  EXPECT_EQ(dialog.Index(), 2);
  EXPECT_EQ(dialog.tipsLabel->text(), "third tip");
  dialog.nextButton->click();
  EXPECT_EQ(dialog.Index(), 0);
  dialog.nextButton->click();
  EXPECT_EQ(dialog.tipsLabel->text(), "second tip");

  dialog.showTipsCheck->setChecked(false);
  dialog.closeButton->click();
  const TipState stored = LoadTipState(store);
  EXPECT_EQ(stored.Index, 1);
  EXPECT_FALSE(stored.ShowTips);
}

TEST_F(TipsTest, TitleBarCloseStoresNothing) {
  StoreIndex(0, true);
  dialog.FormShow();
  dialog.nextButton->click();
  dialog.showTipsCheck->setChecked(false);
  dialog.show();
  dialog.close();
  const TipState stored = LoadTipState(store);
  EXPECT_EQ(stored.Index, 0);
  EXPECT_TRUE(stored.ShowTips);
}

TEST_F(TipsTest, AMissingFileShowsEmptyTips) {
  dialog.TipsFile = dir.filePath("gone.txt");
  StoreIndex(4);
  dialog.FormShow();
  EXPECT_EQ(dialog.TipCount(), 0);
  EXPECT_EQ(dialog.Index(), 0);
  dialog.nextButton->click();
  dialog.backButton->click();
  EXPECT_EQ(dialog.Index(), 0);
  EXPECT_TRUE(dialog.tipsLabel->text().isEmpty());
}

TEST(TipsFile, TheDeliveredFileSitsBesideTheProgram) {
  App();
  const QStringList tips = ReadTips(TipsDialog::DefaultTipsFile());
  EXPECT_GE(tips.size(), 25);
  for (const QString& t : tips) EXPECT_FALSE(t.trimmed().isEmpty());
}

// ---------------------------------------------------------------------------
// About window

struct SplashCase {
  const char* name;
  bool clickEarly;
  int notBeforeMs;  // the tips do not follow sooner than this (timers may fire a little early)
};

class SplashTest : public ::testing::TestWithParam<SplashCase> {};

TEST_P(SplashTest, ClosesThenHandsOverToTheTips) {
  App();
  AboutDialog about;
  int done = 0;
  about.OnSplashDone = [&] { ++done; };
  QElapsedTimer t;
  t.start();
  about.ShowAsSplash();
  EXPECT_TRUE(about.isVisible());
  if (GetParam().clickEarly) QTest::mouseClick(&about, Qt::LeftButton, Qt::NoModifier, QPoint(300, 150));
  ASSERT_TRUE(WaitFor([&] { return done > 0; }, 10000));
  EXPECT_GE(t.elapsed(), GetParam().notBeforeMs);
  if (GetParam().clickEarly) {
    EXPECT_LT(t.elapsed(), 900);
  }
  EXPECT_FALSE(about.isVisible());
  QTest::qWait(50);
  EXPECT_EQ(done, 1);
}

INSTANTIATE_TEST_SUITE_P(Ways, SplashTest,
                         ::testing::Values(SplashCase{"Waiting", false, 900}, SplashCase{"ClickedEarly", true, 0}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(AboutWindow, ShowsThePictureVersionAndLinks) {
  App();
  AboutDialog about;
  EXPECT_EQ(about.size(), QSize(440, 330));
  EXPECT_EQ(about.aboutPicture->pixmap().size(), QSize(440, 330));
  EXPECT_EQ(about.versionLabel->text(), "Professional Edition, Version 2.50  May 14, 2006");
  QList<QUrl> opened;
  about.OpenUrl = [&](const QUrl& u) { opened << u; };
  about.show();
  QTest::mouseClick(about.webLink, Qt::LeftButton);
  QTest::mouseClick(about.emailLink, Qt::LeftButton);
  EXPECT_EQ(opened, (QList<QUrl>{QUrl(links::kWebSite), QUrl(QString("mailto:") + links::kSupportMail)}));
  EXPECT_TRUE(about.isVisible());  // a link does not close the window
  EXPECT_EQ(about.webLink->palette().color(QPalette::WindowText), QColor(0x00, 0x80, 0x80));
  QTest::keyClick(&about, Qt::Key_Escape);
  EXPECT_FALSE(about.isVisible());
}

// ---------------------------------------------------------------------------
// Help commands on the main window

class HelpTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    window->dialogs->OpenUrl = [this](const QUrl& u) { opened << u; };
  }
  QList<QUrl> opened;
};

struct TopicCase {
  const char* command;
  const char* page;
};

class HelpTopicTest : public HelpTest, public ::testing::WithParamInterface<TopicCase> {};

TEST_P(HelpTopicTest, OpensItsPageInTheViewer) {
  const QString command = GetParam().command;
  if (command == "button")
    window->ToolButton(CommandId::HelpContents)->click();
  else if (command == "contents")
    window->Action(CommandId::HelpContents)->trigger();
  else if (command == "tutorial")
    window->Action(CommandId::HelpTutorial)->trigger();
  else
    window->Action(CommandId::HelpSupport)->trigger();
  HelpViewer* viewer = &window->dialogs->Help();
  EXPECT_TRUE(viewer->isVisible());
  EXPECT_EQ(viewer->CurrentPage(), GetParam().page);
  EXPECT_FALSE(viewer->Browser->toPlainText().isEmpty());
  EXPECT_TRUE(opened.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Commands, HelpTopicTest,
                         ::testing::Values(TopicCase{"contents", "index.html"}, TopicCase{"button", "index.html"},
                                           TopicCase{"tutorial", "tutorial.html"},
                                           TopicCase{"support", "support.html"}),
                         [](const ::testing::TestParamInfo<TopicCase>& info) {
                           return std::string(info.param.command);
                         });

TEST_F(HelpTest, PagesLinkToEachOtherAndHandWebLinksToTheDesktop) {
  window->Action(CommandId::HelpSupport)->trigger();
  HelpViewer* viewer = &window->dialogs->Help();
  const QString text = viewer->Browser->toPlainText();
  EXPECT_TRUE(text.contains(links::kSupportMail));
  EXPECT_TRUE(text.contains(links::kDownloadPage));
  EXPECT_FALSE(text.contains('%'));  // every placeholder filled in
  emit viewer->Browser->anchorClicked(QUrl("tutorial.html"));
  EXPECT_EQ(viewer->CurrentPage(), "tutorial.html");
  emit viewer->Browser->anchorClicked(QUrl(links::kWebSite));
  EXPECT_EQ(opened, QList<QUrl>{QUrl(links::kWebSite)});
  EXPECT_EQ(viewer->CurrentPage(), "tutorial.html");
}

TEST_F(HelpTest, AMissingHelpFolderShowsNothing) {
  window->dialogs->Help().HelpFolder = "/nonexistent/help";
  window->Action(CommandId::HelpContents)->trigger();
  EXPECT_FALSE(window->dialogs->Help().isVisible());
}

TEST_F(HelpTest, WebAndMailCommandsOpenTheirAddresses) {
  window->Action(CommandId::HelpFeedback)->trigger();
  window->Action(CommandId::HelpLatestVersion)->trigger();
  window->Action(CommandId::HelpWebSite)->trigger();
  ASSERT_EQ(opened.size(), 3);
  EXPECT_EQ(opened[0].scheme(), "mailto");
  EXPECT_EQ(opened[0].path(), links::kFeedbackMail);
  EXPECT_EQ(QUrlQuery(opened[0]).queryItemValue("subject", QUrl::FullyDecoded), "Feedback on Plumavo PRO");
  EXPECT_EQ(opened[1], QUrl(links::kDownloadPage));
  EXPECT_EQ(opened[2], QUrl(links::kWebSite));
  EXPECT_EQ(window->Action(CommandId::HelpWebSite)->text(), "&Browse Plumavo PRO Web Site...");
}

TEST_F(HelpTest, TipsAndAboutRunTheirDialogs) {
  QTemporaryDir dir;
  window->settings = SettingsStore(dir.filePath("settings.ini"));
  window->Action(CommandId::HelpTips)->trigger();
  window->Action(CommandId::HelpAbout)->trigger();
  EXPECT_EQ(prompts->Log, (QStringList{"unanswered dialog: Tip of the Day", "unanswered dialog: About Plumavo PRO"}));
}

struct StartupCase {
  bool showTips;
  bool tipsShown;
};

class StartupTipsTest : public HelpTest, public ::testing::WithParamInterface<StartupCase> {};

TEST_P(StartupTipsTest, TheSplashEndShowsTipsOnlyWhenWanted) {
  QTemporaryDir dir;
  TipsDialog& tips = window->dialogs->Tips();
  window->settings = SettingsStore(dir.filePath("settings.ini"));
  ASSERT_TRUE(StoreTipState(tips.Store(), {-1, GetParam().showTips}));
  AboutDialog splash;
  window->dialogs->AdoptSplash(splash);
  prompts->Dialogs.push_back([](QDialog&) { return true; });
  splash.TimerTimer();  // first tick: closes
  splash.TimerTimer();  // second tick: the tips
  EXPECT_EQ(prompts->Log.contains("dialog: Tip of the Day"), GetParam().tipsShown);
  // The splash is the About box from now on.
  EXPECT_EQ(&window->dialogs->About(), &splash);
}

INSTANTIATE_TEST_SUITE_P(ShowTips, StartupTipsTest,
                         ::testing::Values(StartupCase{true, true}, StartupCase{false, false}),
                         [](const ::testing::TestParamInfo<StartupCase>& info) {
                           return std::string(info.param.showTips ? "TipsWanted" : "TipsNotWanted");
                         });

}  // namespace
}  // namespace plumavo::test
