// The window shell: menus, hints, start-up state, zoom and view switches, the
// interface state after drawing, rendering and the close question.
#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QMenu>
#include <QMenuBar>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include <cctype>
#include <string>

#include "app/widgets.h"
#include "tests/app/app_test_main.h"

namespace plumavo::test {
namespace {

QStringList Captions(QMenu* menu) {
  QStringList r;
  for (QAction* a : menu->actions()) r << (a->isSeparator() ? QString("-") : a->text());
  return r;
}

// The table is indexed by id and the menus are built from it: a record out of
// order would give a command another's caption and rules, and one left out of
// the menu layout would have no way to be chosen.
TEST(CommandTable, EachCommandSitsAtItsIdAndInExactlyOneMenu) {
  std::array<int, kCommandCount> placed{};
  for (const MenuLayout& menu : MenuBarLayout())
    for (const MenuEntry& e : menu.Entries)
      if (e.Type == MenuEntry::Item) ++placed[size_t(e.Id)];
  for (size_t i = 0; i < kCommandCount; ++i) {
    EXPECT_EQ(size_t(CommandTable()[i].Id), i) << CommandTable()[i].Caption;
    EXPECT_EQ(placed[i], 1) << CommandTable()[i].Caption;
  }
}

TEST_F(WindowTest, MenusComeInOrderWithTheirSeparators) {
  const auto MenuTitled = [this](const QString& title) -> QMenu* {
    for (QAction* a : window->menuBar()->actions())
      if (a->text() == title) return a->menu();
    return nullptr;
  };
  QStringList titles;
  for (QAction* a : window->menuBar()->actions()) titles << a->text();
  EXPECT_EQ(titles, QStringList({"&File", "&Edit", "&Project", "&Background", "&Animation", "&View", "&Help"}));
  EXPECT_EQ(Captions(MenuTitled("&File")),
            QStringList({"&New", "&Open...", "-", "&Save", "Save &As...", "-", "&Export Image...", "-",
                         "P&rint Setup...", "Print Pre&view", "&Print...", "-", "Re&cent Projects", "-", "E&xit"}));
  EXPECT_EQ(Captions(MenuTitled("&Edit")), QStringList({"&Undo", "&Redo", "-", "Cu&t", "&Copy", "&Paste", "-",
                                                        "&Delete", "C&lear All", "-", "Select &All", "Select &None"}));
  EXPECT_EQ(Captions(MenuTitled("&View")),
            QStringList({"&Shapes", "-", "&Zoom", "-", "&Toolbar", "St&atus Bar", "Right &Panel", "-", "&Refresh"}));
  EXPECT_EQ(Captions(MenuTitled("&Help")),
            QStringList({"&Contents", "&Tip of the Day...", "&View Tutorials...", "-", "Send &Feedback...", "&Support",
                         "-", "Check the &Latest Version", "&Browse Plumavo PRO Web Site...", "-", "&About..."}));
  EXPECT_EQ(Captions(window->zoomMenu), QStringList({"25%", "50%", "100%", "200%", "400%"}));
}

struct MenuRow {
  CommandId Item;
  const char* Caption;
  const char* Shortcut;
  const char* Hint;
};

class MenuItemTest : public WindowTest, public ::testing::WithParamInterface<MenuRow> {};

TEST_P(MenuItemTest, CaptionShortcutAndHint) {
  const MenuRow& row = GetParam();
  QAction* a = window->Action(row.Item);
  EXPECT_EQ(a->text(), row.Caption);
  EXPECT_EQ(a->shortcut(), QKeySequence(row.Shortcut)) << row.Caption;
  EXPECT_EQ(a->statusTip(), row.Hint) << row.Caption;
}

// "&Tip of the Day..." -> "TipOfTheDay"
std::string CaptionName(const ::testing::TestParamInfo<MenuRow>& info) {
  std::string name;
  bool wordStart = true;
  for (const char* c = info.param.Caption; *c; ++c) {
    if (*c == '&') continue;
    if (std::isalnum(static_cast<unsigned char>(*c))) {
      name += wordStart ? char(std::toupper(static_cast<unsigned char>(*c))) : *c;
      wordStart = false;
    } else {
      wordStart = true;
    }
  }
  return name;
}

INSTANTIATE_TEST_SUITE_P(
    Items, MenuItemTest,
    ::testing::Values(
        MenuRow{CommandId::FileNew, "&New", "Ctrl+N", "Create a new project"},
        MenuRow{CommandId::FileSaveAs, "Save &As...", "", "Save the current project with a new name"},
        MenuRow{CommandId::FilePrint, "&Print...", "Ctrl+P", "Print the current image"},
        MenuRow{CommandId::FileExit, "E&xit", "Alt+F4", "Quit the application"},
        MenuRow{CommandId::EditRedo, "&Redo", "Ctrl+Y", "Redo the previously undone action"},
        MenuRow{CommandId::EditCut, "Cu&t", "Ctrl+X", "Cut out the active shape and put it into the Clipboard"},
        MenuRow{CommandId::EditPaste, "&Paste", "Ctrl+V", "Paste shape in the Clipboard into the current project"},
        MenuRow{CommandId::EditDelete, "&Delete", "Del", "Delete the active shape"},
        MenuRow{CommandId::EditClear, "C&lear All", "Ctrl+Del", "Clear all shapes of the project"},
        MenuRow{CommandId::EditSelectNone, "Select &None", "Ctrl+D", "Deselect the selection"},
        MenuRow{CommandId::ProjectPreferences, "Pre&ferences...", "", "Change the rendering or animation settings"},
        MenuRow{CommandId::BackgroundClear, "&Clear Background Image", "", "Clear the background image"},
        MenuRow{CommandId::AnimationStop, "&Stop Recording", "", "Stop animation recording"},
        MenuRow{CommandId::ViewSidePanel, "Right &Panel", "", "Show/Hide right panel"},
        MenuRow{CommandId::ViewRefresh, "&Refresh", "F5", ""},
        MenuRow{CommandId::HelpContents, "&Contents", "F1", "Display help contents"},
        MenuRow{CommandId::HelpTips, "&Tip of the Day...", "", "Display tips about using Plumavo PRO"},
        MenuRow{CommandId::HelpWebSite, "&Browse Plumavo PRO Web Site...", "", "Browse the Web Site of Plumavo PRO"}),
    CaptionName);

TEST_F(WindowTest, ZoomHintsDifferOnlyInTheTrailingBlankOfThePopupCopy) {
  const QStringList main{"Reduce the view to 25%", "Reduce the view to 50%", "Display the image at 100% ",
                         "Magnify the view to 200% ", "Magnify the view to 400% "};
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(window->zoomActions[size_t(i)]->statusTip(), main[i]);
    EXPECT_EQ(window->zoomPopupActions[size_t(i)]->statusTip(), i >= 3 ? main[i].trimmed() : main[i]);
  }
}

TEST_F(WindowTest, HintsOfMenuItemsAndControlsGoToStatusPanelZero) {
  window->Action(CommandId::EditCopy)->showStatusText(window.get());
  EXPECT_EQ(window->statusPanels->Text(0), " Copy the active shape into the Clipboard");
  QStatusTipEvent tip(window->zoomButton->statusTip());
  QApplication::sendEvent(window->zoomButton, &tip);
  EXPECT_EQ(window->statusPanels->Text(0), " Change the view magnification");
}

TEST_F(WindowTest, StartsWithAnEmptyAffineProjectAtFullSize) {
  EXPECT_EQ(window->size(), QSize(700, 576));
  EXPECT_EQ(window->minimumSize(), QSize(320, 240));
  EXPECT_EQ(window->sidePanel->width(), 138);
  EXPECT_EQ(window->statusPanels->Text(2), " Affine, 0 Shape(s), None Selected");
  EXPECT_EQ(StatusPanels::kWidths, (std::array<int, 3>{330, 90, 132}));
  EXPECT_EQ(window->imageView->geometry(), QRect(1, 1, 480, 360));
  EXPECT_EQ(window->viewPanel->size(), QSize(487, 367));
  EXPECT_EQ(window->viewShadow->geometry(), QRect(5, 5, 482, 362));
  EXPECT_TRUE(window->uiTimer->isActive());
  EXPECT_EQ(window->uiTimer->interval(), 300);
  EXPECT_TRUE(window->zoomActions[2]->isChecked());
  for (QAction* a :
       {window->Action(CommandId::EditUndo), window->Action(CommandId::EditRedo), window->Action(CommandId::FileSave),
        window->Action(CommandId::FileSaveAs), window->Action(CommandId::EditPaste), window->recentMenu->menuAction(),
        window->Action(CommandId::BackgroundClear), window->Action(CommandId::AnimationStop)})
    EXPECT_FALSE(a->isEnabled()) << a->text().toStdString();
  EXPECT_FALSE(window->ToolButton(CommandId::FileSave)->isEnabled());
  EXPECT_FALSE(window->brushList->isEnabled());
  // The white canvas is composed and BackColor fills the view bitmap.
  EXPECT_EQ(window->CanvasLayer.Pixel(10, 10), 0xFFFFFFFFu);
  EXPECT_EQ(window->ViewBitmap.Pixel(10, 10), 0xFFFFFFFFu);
}

struct ZoomRow {
  int Index;
  int Width, Height;  // project size
  QSize View;
};

class ZoomTest : public WindowTest, public ::testing::WithParamInterface<ZoomRow> {};

TEST_P(ZoomTest, ViewSizeIsTheBitmapTimesTheScaleRoundedHalfToEven) {
  const ZoomRow& row = GetParam();
  window->SetProjectSize(row.Width, row.Height);
  window->zoomPopupActions[size_t(row.Index)]->trigger();
  EXPECT_TRUE(window->zoomActions[size_t(row.Index)]->isChecked());
  EXPECT_TRUE(window->zoomPopupActions[size_t(row.Index)]->isChecked());
  EXPECT_EQ(window->imageView->size(), row.View);
  EXPECT_EQ(window->viewFrame->size(), row.View + QSize(2, 2));
  EXPECT_EQ(window->viewPanel->size(), row.View + QSize(7, 7));
  EXPECT_EQ(window->editor->Scale(), window->imageView->Scale());
}

// Zoom menu item 0..4 -> "Zoom25Percent" .. "Zoom400Percent"
std::string ZoomName(int index) {
  static const int kPercents[] = {25, 50, 100, 200, 400};
  return "Zoom" + std::to_string(kPercents[index]) + "Percent";
}

INSTANTIATE_TEST_SUITE_P(Steps, ZoomTest,
                         ::testing::Values(ZoomRow{0, 480, 360, {120, 90}}, ZoomRow{1, 480, 360, {240, 180}},
                                           ZoomRow{3, 480, 360, {960, 720}}, ZoomRow{4, 480, 360, {1920, 1440}},
                                           ZoomRow{1, 481, 483, {240, 242}},  // 240.5 and 241.5 go to even
                                           ZoomRow{0, 18, 22, {4, 6}}),       // 4.5 -> 4, 5.5 -> 6
                         [](const ::testing::TestParamInfo<ZoomRow>& info) {
                           const ZoomRow& row = info.param;
                           return ZoomName(row.Index) + "Of" + std::to_string(row.Width) + "x" +
                                  std::to_string(row.Height);
                         });

TEST_F(WindowTest, ViewIsCentredWhenSmallAndAtTheScrollOriginWhenLarge) {
  window->resize(900, 700);
  QApplication::processEvents();
  window->CentreView();
  const QSize client = window->viewScrollArea->viewport()->size();
  EXPECT_EQ(window->viewPanel->pos(), QPoint((client.width() - 487) / 2, (client.height() - 367) / 2));
  window->zoomActions[4]->trigger();
  QApplication::processEvents();
  window->CentreView();
  EXPECT_EQ(window->viewPanel->pos(), QPoint(-window->viewScrollArea->horizontalScrollBar()->value(),
                                             -window->viewScrollArea->verticalScrollBar()->value()));
}

TEST_F(WindowTest, ZoomButtonReturnsTo100PercentOrOpensItsMenu) {
  window->zoomActions[4]->trigger();
  QTest::mouseClick(window->zoomButton, Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
  EXPECT_EQ(window->imageView->Scale(), 1.0);
  EXPECT_TRUE(window->zoomPopupActions[2]->isChecked());
  QTest::mouseClick(window->zoomButton, Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
  EXPECT_TRUE(window->zoomPopup->isVisible());
  window->zoomPopup->hide();
}

TEST_F(WindowTest, ViewSwitchesHideAndShowTheirBars) {
  struct Switch {
    QAction* Item;
    QWidget* Bar;
  };
  for (const Switch& s : {Switch{window->Action(CommandId::ViewToolbar), window->ToolBar},
                          Switch{window->Action(CommandId::ViewStatusBar), window->statusPanels},
                          Switch{window->Action(CommandId::ViewSidePanel), window->sidePanel}}) {
    ASSERT_TRUE(s.Item->isChecked());
    s.Item->trigger();
    EXPECT_FALSE(s.Item->isChecked());
    EXPECT_FALSE(s.Bar->isVisible()) << s.Item->text().toStdString();
    s.Item->trigger();
    EXPECT_TRUE(s.Bar->isVisible()) << s.Item->text().toStdString();
  }
}

struct DrawRow {
  const char* Name;
  int Clicks;
  const char* Summary;
  bool Cut, Copy, Delete, SelectAll, Clear, SaveAs;
};

class DrawStateTest : public WindowTest, public ::testing::WithParamInterface<DrawRow> {};

// Clicks on the view draw the shapes; the status bar and the enabled states
// follow through UpdateInterfaceState, toolbar twins included.
TEST_P(DrawStateTest, InterfaceStateFollowsTheShapes) {
  const DrawRow& row = GetParam();
  const QPoint points[] = {{40, 40}, {240, 40}, {40, 240}, {260, 40}, {400, 40}, {260, 180}};
  for (int i = 0; i < row.Clicks; ++i) ClickView(points[i].x(), points[i].y());
  EXPECT_EQ(window->statusPanels->Text(2), row.Summary);
  EXPECT_EQ(window->Action(CommandId::EditCut)->isEnabled(), row.Cut);
  EXPECT_EQ(window->ToolButton(CommandId::EditCut)->isEnabled(), row.Cut);
  EXPECT_EQ(window->Action(CommandId::EditCopy)->isEnabled(), row.Copy);
  EXPECT_EQ(window->ToolButton(CommandId::EditCopy)->isEnabled(), row.Copy);
  EXPECT_EQ(window->Action(CommandId::EditDelete)->isEnabled(), row.Delete);
  EXPECT_EQ(window->Action(CommandId::EditSelectNone)->isEnabled(), row.Delete);
  EXPECT_EQ(window->Action(CommandId::EditSelectAll)->isEnabled(), row.SelectAll);
  EXPECT_EQ(window->Action(CommandId::EditClear)->isEnabled(), row.Clear);
  EXPECT_EQ(window->ToolButton(CommandId::EditClear)->isEnabled(), row.Clear);
  EXPECT_EQ(window->Action(CommandId::FileSaveAs)->isEnabled(), row.SaveAs);
  EXPECT_EQ(window->Action(CommandId::FileSave)->isEnabled(), row.SaveAs);
  EXPECT_FALSE(window->Action(CommandId::EditPaste)->isEnabled());
  // The side panel belongs to Sub-Shapes only, complete or not.
  EXPECT_EQ(window->brushStyleList->isEnabled(), window->project.Selected() >= 1);
}

INSTANTIATE_TEST_SUITE_P(Clicks, DrawStateTest,
                         ::testing::Values(DrawRow{"MainShapeStarted", 1, " Affine, 1 Shape(s), Main-Shape Selected",
                                                   false, false, false, false, true, true},
                                           DrawRow{"MainShapeComplete", 3, " Affine, 1 Shape(s), Main-Shape Selected",
                                                   false, true, true, true, true, true},
                                           DrawRow{"SubShapeStarted", 5, " Affine, 2 Shape(s), Sub-Shape 1 Selected",
                                                   false, false, false, false, true, true},
                                           DrawRow{"SubShapeComplete", 6, " Affine, 2 Shape(s), Sub-Shape 1 Selected",
                                                   true, true, true, true, true, true}),
                         [](const ::testing::TestParamInfo<DrawRow>& info) { return std::string(info.param.Name); });

struct ScaleRow {
  int ZoomIndex;
  QPoint Click;   // view pixels
  Vertex Stored;  // project pixels
};

class ZoomedDrawTest : public WindowTest, public ::testing::WithParamInterface<ScaleRow> {};

TEST_P(ZoomedDrawTest, ClicksAreStoredInProjectPixels) {
  const ScaleRow& row = GetParam();
  window->zoomActions[size_t(row.ZoomIndex)]->trigger();
  ClickView(row.Click.x(), row.Click.y());
  ASSERT_EQ(window->project.VertexCount, 1);
  EXPECT_EQ(window->project.Vertices[0], row.Stored);
}

INSTANTIATE_TEST_SUITE_P(Scales, ZoomedDrawTest,
                         ::testing::Values(ScaleRow{0, {25, 30}, {100, 120}}, ScaleRow{2, {77, 33}, {77, 33}},
                                           ScaleRow{3, {101, 51}, {50, 26}},  // 50.5 -> 50, 25.5 -> 26
                                           ScaleRow{4, {6, 10}, {2, 2}}),     // 1.5 -> 2, 2.5 -> 2
                         [](const ::testing::TestParamInfo<ScaleRow>& info) { return ZoomName(info.param.ZoomIndex); });

TEST_F(WindowTest, RenderingStampsTheSubShapesOverTheCanvas) {
  DrawThreeShapes();
  const TBitmap32& layer = window->CanvasLayer;
  const TBitmap32& canvas = window->canvas.CanvasPicture;
  ASSERT_EQ(layer.Width(), canvas.Width());
  int changed = 0;
  for (int y = 0; y < layer.Height(); ++y)
    for (int x = 0; x < layer.Width(); ++x) changed += layer.Pixel(x, y) != canvas.Pixel(x, y);
  EXPECT_GT(changed, 100) << "plotted " << window->renderer.LastStats().Plotted;
  window->TakeOutputSnapshot();
  EXPECT_EQ(window->OutputImage.Width(), 480);
  EXPECT_TRUE(std::equal(layer.Bits(), layer.Bits() + 480 * 360, window->OutputImage.Bits()));
}

TEST_F(WindowTest, UndoAndRedoMenuItemsFollowTheEditor) {
  DrawTriangle({40, 40}, {240, 40}, {40, 240});
  EXPECT_TRUE(window->Action(CommandId::EditUndo)->isEnabled());
  window->Action(CommandId::EditUndo)->trigger();
  EXPECT_EQ(window->project.VertexCount, 2);
  EXPECT_TRUE(window->Action(CommandId::EditRedo)->isEnabled());
  window->Action(CommandId::EditRedo)->trigger();
  EXPECT_EQ(window->project.VertexCount, 3);
}

// The window previews the arrow keys; a focused control keeps them.
TEST_F(WindowTest, ArrowKeysMoveTheSelectionUnlessAControlHasTheFocus) {
  DrawThreeShapes();
  ASSERT_EQ(window->project.Selected(), 2);
  const Vertex start = window->project.Corner(2, 0);
  if (QWidget* f = QApplication::focusWidget()) f->clearFocus();
  QTest::keyPress(window.get(), Qt::Key_Right, Qt::ShiftModifier);
  QTest::keyPress(window.get(), Qt::Key_Down);
  QTest::keyRelease(window.get(), Qt::Key_Down);
  EXPECT_EQ(window->project.Corner(2, 0), (Vertex{start.X + 10, start.Y + 1}));
  // One undo step takes the whole run back (once the release has ended it).
  QTest::qWait(MainWindow::kArrowReleaseMs + 80);
  window->Action(CommandId::EditUndo)->trigger();
  EXPECT_EQ(window->project.Corner(2, 0), start);

  window->brushStyleList->setFocus();
  ASSERT_EQ(QApplication::focusWidget(), window->brushStyleList);
  QTest::keyClick(window->brushStyleList, Qt::Key_Left);
  EXPECT_EQ(window->project.Corner(2, 0), start);
}

struct CloseRow {
  PromptAnswer Answer;
  bool Closes;
};

class CloseTest : public WindowTest, public ::testing::WithParamInterface<CloseRow> {};

TEST_P(CloseTest, UnsavedWorkIsAskedAboutAndNeverDroppedByYes) {
  ClickView(50, 50);
  ASSERT_FALSE(window->project.ProjectSaved);
  prompts->Questions.push_back(GetParam().Answer);
  QCloseEvent e;
  QApplication::sendEvent(window.get(), &e);
  EXPECT_EQ(e.isAccepted(), GetParam().Closes);
  EXPECT_EQ(prompts->Log.value(0), "question: Save changes to Untitled?");
}

// Yes on an untitled project goes to Save As; cancelling it keeps the window open.
INSTANTIATE_TEST_SUITE_P(Answers, CloseTest,
                         ::testing::Values(CloseRow{PromptAnswer::Cancel, false}, CloseRow{PromptAnswer::No, true},
                                           CloseRow{PromptAnswer::Yes, false}),
                         [](const ::testing::TestParamInfo<CloseRow>& info) {
                           const PromptAnswer a = info.param.Answer;
                           const std::string answer = a == PromptAnswer::Yes  ? "Yes"
                                                      : a == PromptAnswer::No ? "No"
                                                                              : "Cancel";
                           return answer + (info.param.Closes ? "Closes" : "StaysOpen");
                         });

TEST_F(WindowTest, TimerCrawlsTheSelectionOnlyWhileSomethingIsSelected) {
  window->uiTimer->stop();
  window->uiTimerTimer();
  window->uiTimerTimer();
  const float idle = window->editor->SelectionDashPhase();
  window->uiTimerTimer();
  EXPECT_EQ(window->editor->SelectionDashPhase(), idle);
  ClickView(50, 50);
  const float before = window->editor->SelectionDashPhase();
  window->uiTimerTimer();
  EXPECT_EQ(window->editor->SelectionDashPhase(), before - 1);
}

}  // namespace
}  // namespace plumavo::test
