// What a new user meets in the first minute: the side panel's start state,
// the arrow keys reaching the shapes, the file an export writes, the number
// fields' warnings. Everything is driven through the real window and checked
// on what the user would see: the panel, the shapes, the file on disk.
#include <QAbstractItemView>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QSlider>
#include <QTemporaryDir>
#include <QToolButton>

#include "app/background_dialog.h"
#include "app/canvas_size_dialog.h"
#include "app/dialog_commands.h"
#include "app/file_commands.h"
#include "app/float_spin_edit.h"
#include "app/gradient_dialog.h"
#include "app/image_quality_dialog.h"
#include "app/new_project_dialog.h"
#include "app/number_edit.h"
#include "app/preferences_dialog.h"
#include "app/tips_dialog.h"
#include "app/video_compression_dialog.h"
#include "app/widgets.h"
#include "tests/app/app_test_main.h"

namespace plumavo::test {
namespace {

// --- Start state of the side panel -------------------------------------------

struct PanelState {
  TColor Color;
  bool Diffusing;
  int Depth, Category, Brush, BlendMode, Opacity;
  friend bool operator==(const PanelState&, const PanelState&) = default;
};

std::ostream& operator<<(std::ostream& os, const PanelState& s) {
  return os << "colour " << std::hex << s.Color << std::dec << ", diffusing " << s.Diffusing << ", depth " << s.Depth
            << ", category " << s.Category << ", brush row " << s.Brush << ", blend " << s.BlendMode << ", opacity "
            << s.Opacity;
}

constexpr PanelState kStartPanel{0x000000, false, 1, 0, 0, 0, 255};

class FirstMinuteTest : public WindowTest {
 public:
  using WindowTest::prompts;
  using WindowTest::window;
  PanelState Panel() const {
    return {window->colorSwatch->Color(),         window->diffusingCheck->isChecked(),
            window->diffusingDepthField->value(), window->brushStyleList->currentIndex(),
            window->brushList->currentIndex(),    window->blendingModeList->currentIndex(),
            window->brushOpacitySlider->value()};
  }
  // Gives the selected Sub-Shape settings unlike the start state, through the
  // panel as a user would.
  void ChangeSelectedShapeThroughThePanel() {
    window->colorSwatch->SetColor(0x00FF00);
    window->ApplySetting(ShapeSetting::Color);
    window->diffusingCheck->click();
    window->brushOpacitySlider->setValue(90);
    window->blendingModeList->setCurrentIndex(4);
    window->ApplySetting(ShapeSetting::BlendingMode);
    window->brushStyleList->setCurrentIndex(2);
    window->FillBrushList(-1);
    window->ApplySetting(ShapeSetting::Brush);
    ASSERT_NE(Panel(), kStartPanel);
  }
  // The control that would take a key press, if any: the window itself does
  // not count as a control.
  QWidget* FocusedControl() const {
    QWidget* f = QApplication::focusWidget();
    return f == window.get() ? nullptr : f;
  }
  // The window loses and regains the activation, as when a dialog closes.
  void Reactivate() {
    QApplication::setActiveWindow(nullptr);
    QApplication::setActiveWindow(window.get());
    QApplication::processEvents();
  }
  void Key(QEvent::Type type, int key, bool autoRepeat = false) {
    QWidget* target = QApplication::focusWidget() != nullptr ? QApplication::focusWidget() : window.get();
    QKeyEvent e(type, key, Qt::NoModifier, QString(), autoRepeat);
    QApplication::sendEvent(target, &e);
  }
  Vertex VertexAt(int i) const { return window->project.Vertices[size_t(i)]; }

  QTemporaryDir dir;
};

struct StartRow {
  const char* Name;
  void (*Reach)(FirstMinuteTest&);
};

class StartStateTest : public FirstMinuteTest, public ::testing::WithParamInterface<StartRow> {
 public:
  void DrawAndChangeTheLastShape() {
    DrawThreeShapes();
    ChangeSelectedShapeThroughThePanel();
  }
  void NewProject() {
    prompts->Questions.push_back(PromptAnswer::No);  // discard the drawing
    prompts->Dialogs.push_back([](QDialog&) { return true; });
    window->Action(CommandId::FileNew)->trigger();
  }
  void SaveThenOpen() {
    const QString file = dir.filePath("first.plv");
    window->Action(CommandId::EditSelectNone)->trigger();
    prompts->FileNames.push_back(file);
    window->Action(CommandId::FileSaveAs)->trigger();
    ASSERT_TRUE(QFile::exists(file));
    // Working on under another name; deselecting left the last shape's
    // settings in the panel.
    prompts->FileNames.push_back(dir.filePath("second.plv"));
    window->Action(CommandId::FileSaveAs)->trigger();
    ASSERT_NE(Panel(), kStartPanel);
    prompts->FileNames.push_back(file);
    window->Action(CommandId::FileOpen)->trigger();
    ASSERT_TRUE(prompts->Log.contains("open: Open Project File")) << prompts->Log.join("\n").toStdString();
    ASSERT_TRUE(Unanswered().isEmpty()) << prompts->Log.join("\n").toStdString();
    ASSERT_EQ(window->project.VertexCount, 9);
    ASSERT_FALSE(prompts->Log.join(" ").contains("error")) << prompts->Log.join("\n").toStdString();
  }
};

TEST_P(StartStateTest, PanelIsInItsStartStateAndTheNextShapeIsBlack) {
  GetParam().Reach(*this);
  EXPECT_EQ(Panel(), kStartPanel);
  EXPECT_EQ(FocusedControl(), nullptr) << "a control keeps the focus";
  EXPECT_FALSE(window->Action(CommandId::EditUndo)->isEnabled());
  // The next Sub-Shape drawn takes the panel's settings: black, Normal.
  const int before = window->project.VertexCount;
  if (before == 0) DrawTriangle({20, 20}, {460, 20}, {20, 340});
  DrawTriangle({100, 200}, {200, 200}, {100, 300});
  const int32_t newest = window->project.VertexCount / 3 - 1;
  const auto& shape = window->project.AffineShapes[size_t(newest)];
  EXPECT_EQ(shape.Color, 0x000000u);
  EXPECT_EQ(shape.BlendingMode, 0);
  EXPECT_EQ(shape.BrushOpacity, 255);
  EXPECT_FALSE(shape.Diffusing);
}

INSTANTIATE_TEST_SUITE_P(After, StartStateTest,
                         ::testing::Values(StartRow{"StartUp", [](FirstMinuteTest&) {}},
                                           StartRow{"FileNew",
                                                    [](FirstMinuteTest& t) {
                                                      auto& s = static_cast<StartStateTest&>(t);
                                                      s.DrawAndChangeTheLastShape();
                                                      s.NewProject();
                                                    }},
                                           StartRow{"FileOpen",
                                                    [](FirstMinuteTest& t) {
                                                      auto& s = static_cast<StartStateTest&>(t);
                                                      s.DrawAndChangeTheLastShape();
                                                      s.SaveThenOpen();
                                                    }}),
                         [](const ::testing::TestParamInfo<StartRow>& info) { return std::string(info.param.Name); });

TEST_F(FirstMinuteTest, CanvasStyleListShowsEightRowsAndScrolls) {
  QComboBox* list = window->canvasStyleList;
  list->showPopup();
  QApplication::processEvents();
  QWidget* popup = list->view()->window();
  const int rowHeight = list->view()->sizeHintForRow(0);
  EXPECT_GT(list->count(), 8);
  EXPECT_LE(popup->height(), rowHeight * 9 + 12) << "the whole list of " << list->count() << " rows opens";
  list->hidePopup();
}

// --- Focus and the arrow keys ------------------------------------------------------

struct FocusRow {
  const char* Name;
  void (*Before)(FirstMinuteTest&);
};

class ArrowKeysTest : public FirstMinuteTest, public ::testing::WithParamInterface<FocusRow> {};

TEST_P(ArrowKeysTest, MoveTheSelectedShapeAndSpaceOpensNothing) {
  DrawThreeShapes();  // the last one stays selected
  GetParam().Before(*this);
  EXPECT_EQ(FocusedControl(), nullptr) << "focus on " << FocusedControl()->metaObject()->className();
  const Vertex before = VertexAt(6);
  Key(QEvent::KeyPress, Qt::Key_Right);
  Key(QEvent::KeyRelease, Qt::Key_Right);
  EXPECT_EQ(VertexAt(6).X, before.X + 1);
  const int logged = int(prompts->Log.size());
  Key(QEvent::KeyPress, Qt::Key_Space);
  Key(QEvent::KeyRelease, Qt::Key_Space);
  EXPECT_EQ(int(prompts->Log.size()), logged) << prompts->Log.last().toStdString();
}

INSTANTIATE_TEST_SUITE_P(After, ArrowKeysTest,
                         ::testing::Values(FocusRow{"DrawingAtStartUp", [](FirstMinuteTest&) {}},
                                           FocusRow{"TheWindowIsActivatedAgain",
                                                    [](FirstMinuteTest& t) { t.Reactivate(); }},
                                           FocusRow{"AClickOnTheCanvasNextToTheShapes",
                                                    [](FirstMinuteTest& t) {
                                                      // A click on the grey area around the picture.
                                                      QTest::mouseClick(t.window->viewScrollArea->viewport(),
                                                                        Qt::LeftButton, Qt::NoModifier, QPoint(2, 2));
                                                    }},
                                           FocusRow{"AButtonOfThePanelIsClicked",
                                                    [](FirstMinuteTest& t) {
                                                      QTest::mouseClick(t.window->diffusingCheck, Qt::LeftButton);
                                                      QTest::mouseClick(t.window->diffusingCheck, Qt::LeftButton);
                                                    }}),
                         [](const ::testing::TestParamInfo<FocusRow>& info) { return std::string(info.param.Name); });

// A held key repeats as release-press pairs, marked as repeats or, on a busy
// machine, not: either way the hold is one undo step. Two taps with a pause
// between them are two.
struct HoldRow {
  const char* Name;
  bool MarkedAsRepeat;
  int PauseMs;      // between the pairs
  int UndoneSteps;  // of the 6 after one Undo
};

class HeldKeyTest : public FirstMinuteTest, public ::testing::WithParamInterface<HoldRow> {};

TEST_P(HeldKeyTest, HoldIsOneUndoStep) {
  const HoldRow& r = GetParam();
  DrawThreeShapes();
  const Vertex before = VertexAt(6);
  Key(QEvent::KeyPress, Qt::Key_Down);
  for (int i = 0; i < 5; ++i) {
    Key(QEvent::KeyRelease, Qt::Key_Down, r.MarkedAsRepeat);
    if (r.PauseMs > 0) QTest::qWait(r.PauseMs);
    Key(QEvent::KeyPress, Qt::Key_Down, r.MarkedAsRepeat);
  }
  Key(QEvent::KeyRelease, Qt::Key_Down);
  EXPECT_EQ(VertexAt(6).Y, before.Y + 6);
  QTest::qWait(MainWindow::kArrowReleaseMs + 80);
  window->Action(CommandId::EditUndo)->trigger();
  EXPECT_EQ(VertexAt(6).Y, before.Y + 6 - r.UndoneSteps) << "undo took back the wrong part of the hold";
}

INSTANTIATE_TEST_SUITE_P(
    Holds, HeldKeyTest,
    ::testing::Values(HoldRow{"RepeatsMarkedAsSuch", true, 0, 6}, HoldRow{"RepeatsLookingLikeTaps", false, 0, 6},
                      HoldRow{"TapsWithPausesBetween", false, MainWindow::kArrowReleaseMs + 80, 1}),
    [](const ::testing::TestParamInfo<HoldRow>& info) { return std::string(info.param.Name); });

// The depth field is the one text a user types into: while it has the focus
// the arrows step it, and a move over the picture hands them back.
TEST_F(FirstMinuteTest, DepthFieldTakesTheArrowsOnlyWhileBeingEdited) {
  DrawThreeShapes();
  window->diffusingCheck->click();
  QTest::mouseClick(window->diffusingDepthField->lineEdit(), Qt::LeftButton);
  ASSERT_EQ(FocusedControl(), window->diffusingDepthField->lineEdit()->focusProxy() != nullptr
                                  ? window->diffusingDepthField->lineEdit()->focusProxy()
                                  : static_cast<QWidget*>(window->diffusingDepthField));
  const Vertex before = VertexAt(6);
  Key(QEvent::KeyPress, Qt::Key_Up);
  Key(QEvent::KeyRelease, Qt::Key_Up);
  EXPECT_EQ(window->diffusingDepthField->value(), 2);
  EXPECT_EQ(VertexAt(6).Y, before.Y);
  QTest::mouseMove(window->imageView, QPoint(470, 350));
  Key(QEvent::KeyPress, Qt::Key_Up);
  Key(QEvent::KeyRelease, Qt::Key_Up);
  EXPECT_EQ(VertexAt(6).Y, before.Y - 1);
}

// --- Export: the file type the user chose --------------------------------------

struct ExportRow {
  const char* Name;
  int FilterIndex;  // 1 BMP, 2 JPEG, 3 GIF, 4 PNG, 5 TIF, 6 TGA, 7 PPM
  const char* Typed;
  const char* Written;
  QByteArray Magic;
};

class ExportTypeTest : public FirstMinuteTest, public ::testing::WithParamInterface<ExportRow> {};

TEST_P(ExportTypeTest, FilterOrTypedExtensionDecidesTheFormat) {
  const ExportRow& r = GetParam();
  DrawThreeShapes();
  prompts->FilterIndexes.push_back(r.FilterIndex);
  prompts->FileNames.push_back(dir.filePath(r.Typed));
  prompts->Dialogs.push_back([](QDialog&) { return true; });  // JPEG quality, when asked
  window->Action(CommandId::FileExport)->trigger();
  QFile f(dir.filePath(r.Written));
  ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << r.Written << " was not written; folder has "
                                           << QDir(dir.path()).entryList(QDir::Files).join(", ").toStdString();
  EXPECT_TRUE(f.read(r.Magic.size()) == r.Magic) << r.Written << " is not in the expected format";
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ExportTypeTest,
    ::testing::Values(ExportRow{"NameWithoutExtensionTakesThePngFilter", 4, "first", "first.png", "\x89PNG"},
                      ExportRow{"NameWithoutExtensionTakesTheJpegFilter", 2, "photo", "photo.jpg", "\xFF\xD8\xFF"},
                      ExportRow{"TypedPngWinsOverTheBmpFilter", 1, "pic.png", "pic.png", "\x89PNG"},
                      ExportRow{"TypedTiffInCapitalsWinsOverTheGifFilter", 3, "scan.TIFF", "scan.TIFF", "II*"},
                      ExportRow{"UnknownExtensionGetsTheFiltersOneAdded", 6, "notes.txt", "notes.txt.tga", ""},
                      ExportRow{"BmpFilterWritesBmp", 1, "plain", "plain.bmp", "BM"},
                      ExportRow{"PpmFilterWritesPpm", 7, "grid", "grid.ppm", "P6"}),
    [](const ::testing::TestParamInfo<ExportRow>& info) { return std::string(info.param.Name); });

// --- Number fields ---------------------------------------------------------------------

// Records what the field showed at the moment the warning appeared.
class WarningWitness : public ScriptedPrompter {
 public:
  std::function<QString()> Look;
  QStringList Seen;
  void Warning(const QString& text) override {
    ScriptedPrompter::Warning(text);
    if (Look) Seen << Look();
  }
};

// The New dialog as it opens, with `text` typed over its width.
void TypeWidth(NewProjectDialog& dialog, const char* text) {
  dialog.Preset(480, 360);
  dialog.show();
  QApplication::setActiveWindow(&dialog);
  dialog.widthField->setFocus();
  dialog.widthField->lineEdit()->selectAll();
  QTest::keyClicks(dialog.widthField->lineEdit(), text);
}

struct NumberRow {
  const char* Name;
  const char* Typed;
  const char* AfterWarning;
};

class NumberFieldTest : public ::testing::TestWithParam<NumberRow> {};

TEST_P(NumberFieldTest, WarningShowsTheTextAsTyped) {
  App();
  const NumberRow& r = GetParam();
  WarningWitness prompts;
  NewProjectDialog dialog([&prompts]() -> Prompter& { return prompts; });
  TypeWidth(dialog, r.Typed);
  prompts.Look = [&] { return dialog.widthField->lineEdit()->text(); };
  QTest::mouseClick(dialog.okButton, Qt::LeftButton);
  ASSERT_EQ(prompts.Seen.size(), 1) << prompts.Log.join("\n").toStdString();
  EXPECT_EQ(prompts.Seen.front().toStdString(), r.Typed);
  EXPECT_EQ(dialog.widthField->lineEdit()->text().toStdString(), r.AfterWarning);
  EXPECT_EQ(dialog.widthField->lineEdit()->selectedText(), dialog.widthField->lineEdit()->text());
  EXPECT_TRUE(dialog.isVisible());
}

INSTANTIATE_TEST_SUITE_P(Rows, NumberFieldTest,
                         ::testing::Values(NumberRow{"TooLarge", "5000", "480"}, NumberRow{"TooSmall", "3", "480"}),
                         [](const ::testing::TestParamInfo<NumberRow>& info) { return std::string(info.param.Name); });

// Left for OK and then for another button without pressing OK, the field
// is put right all the same.
TEST(NumberFieldRepair, HappensWhenTheFocusMovesOnPastOk) {
  App();
  ScriptedPrompter prompts;
  NewProjectDialog dialog([&prompts]() -> Prompter& { return prompts; });
  TypeWidth(dialog, "5000");
  dialog.okButton->setFocus();
  EXPECT_EQ(dialog.widthField->lineEdit()->text(), "5000") << "repaired before OK could show it";
  dialog.cancelButton->setFocus();
  EXPECT_EQ(dialog.widthField->lineEdit()->text(), "480") << "left unrepaired";
}

TEST(FloatSpinEditFocus, KeyboardFocusSelectsAllText) {
  App();
  QWidget host;
  auto* before = new QLineEdit(&host);
  auto* field = new FloatSpinEdit(&host);
  field->SetText("8.5");
  host.show();
  QApplication::setActiveWindow(&host);
  before->setFocus();
  QTest::keyClick(before, Qt::Key_Tab);
  ASSERT_TRUE(field->hasFocus());
  EXPECT_EQ(field->findChild<QLineEdit*>()->selectedText(), "8.5");
}

// --- Dialog layouts at every font size ------------------------------------------

struct DialogRow {
  const char* Name;
  std::function<std::unique_ptr<QDialog>(Prompter&, SettingsStore&)> Make;
};

class DialogLayoutTest : public ::testing::TestWithParam<DialogRow> {};

bool IsControl(const QWidget* w) {
  if (const auto* l = qobject_cast<const QLabel*>(w)) return !l->text().isEmpty() && l->pixmap().isNull();
  return qobject_cast<const QAbstractButton*>(w) != nullptr || qobject_cast<const QComboBox*>(w) != nullptr ||
         qobject_cast<const QAbstractSlider*>(w) != nullptr || qobject_cast<const QAbstractSpinBox*>(w) != nullptr;
}

// With the fonts here and with fonts twice as large, every caption shows in
// full and no two controls lie on top of each other.
TEST_P(DialogLayoutTest, ControlsNeitherOverlapNorCutTheirText) {
  App();
  const QFont original = QApplication::font();
  for (double scale : {1.0, 2.0}) {
    QFont large = original;
    large.setPointSizeF(original.pointSizeF() * scale);
    QApplication::setFont(large);
    ScriptedPrompter prompts;
    QTemporaryDir dir;
    SettingsStore store(dir.filePath("settings.ini"));
    std::unique_ptr<QDialog> dialog = GetParam().Make(prompts, store);
    dialog->show();
    QApplication::processEvents();
    std::vector<QWidget*> controls;
    for (QWidget* w : dialog->findChildren<QWidget*>())
      if (w->isVisibleTo(dialog.get()) && IsControl(w)) controls.push_back(w);
    ASSERT_FALSE(controls.empty());
    auto name = [](const QWidget* w) {
      const auto* l = qobject_cast<const QLabel*>(w);
      const auto* b = qobject_cast<const QAbstractButton*>(w);
      return std::string(w->metaObject()->className()) + " '" +
             (l   ? l->text()
              : b ? b->text()
                  : w->objectName())
                 .toStdString() +
             "'";
    };
    for (QWidget* w : controls) {
      const auto* label = qobject_cast<const QLabel*>(w);
      const bool wraps = label != nullptr && label->wordWrap();
      const QSize need = w->minimumSizeHint();
      if (!wraps) {
        EXPECT_GE(w->width(), need.width()) << name(w) << " is cut at scale " << scale;
      }
      EXPECT_GE(w->height(), std::min(need.height(), w->sizeHint().height())) << name(w) << " at scale " << scale;
    }
    for (size_t i = 0; i < controls.size(); ++i)
      for (size_t j = i + 1; j < controls.size(); ++j) {
        QWidget *a = controls[i], *b = controls[j];
        if (a->isAncestorOf(b) || b->isAncestorOf(a)) continue;
        const QRect ra(a->mapTo(dialog.get(), QPoint(0, 0)), a->size());
        const QRect rb(b->mapTo(dialog.get(), QPoint(0, 0)), b->size());
        EXPECT_FALSE(ra.intersects(rb)) << name(a) << " and " << name(b) << " overlap at scale " << scale;
      }
  }
  QApplication::setFont(original);
}

INSTANTIATE_TEST_SUITE_P(
    Dialogs, DialogLayoutTest,
    ::testing::Values(DialogRow{"GradientEditor",
                                [](Prompter& p, SettingsStore&) -> std::unique_ptr<QDialog> {
                                  return std::make_unique<GradientDialog>(p);
                                }},
                      DialogRow{"NewProject",
                                [](Prompter& p, SettingsStore&) -> std::unique_ptr<QDialog> {
                                  return std::make_unique<NewProjectDialog>([&p]() -> Prompter& { return p; });
                                }},
                      DialogRow{"SizeAndColor",
                                [](Prompter& p, SettingsStore&) -> std::unique_ptr<QDialog> {
                                  return std::make_unique<CanvasSizeDialog>([&p]() -> Prompter& { return p; });
                                }},
                      DialogRow{"Preferences",
                                [](Prompter& p, SettingsStore& s) -> std::unique_ptr<QDialog> {
                                  return std::make_unique<PreferencesDialog>([&s]() -> SettingsStore& { return s; },
                                                                             [&p]() -> Prompter& { return p; },
                                                                             [](const StoredPreferences&) {});
                                }},
                      DialogRow{"TipOfTheDay",
                                [](Prompter&, SettingsStore&) -> std::unique_ptr<QDialog> {
                                  return std::make_unique<TipsDialog>();
                                }},
                      DialogRow{"BackgroundImage",
                                [](Prompter&, SettingsStore&) -> std::unique_ptr<QDialog> {
                                  return std::make_unique<BackgroundAlignDialog>();
                                }},
                      DialogRow{"ImageCompression",
                                [](Prompter&, SettingsStore&) -> std::unique_ptr<QDialog> {
                                  return std::make_unique<ImageQualityDialog>();
                                }},
                      DialogRow{"VideoCompression",
                                [](Prompter&, SettingsStore&) -> std::unique_ptr<QDialog> {
                                  return std::make_unique<VideoCompressionDialog>(AvailableAVICodecs());
                                }}),
    [](const ::testing::TestParamInfo<DialogRow>& info) { return std::string(info.param.Name); });

// --- Window placement -------------------------------------------------------------------

// Centred on the screen, and a window that was given its size keeps it (the
// main window opens at 700 x 576, not at what its layout would shrink to).
TEST(WindowPlacement, CentredOnTheScreenKeepingTheGivenSize) {
  App();
  MainWindow window;
  const QSize given = window.size();
  CentreOnScreen(window);
  EXPECT_EQ(window.size(), given);
  const QRect area = window.screen()->availableGeometry();
  EXPECT_NEAR(window.geometry().center().x(), area.center().x(), 2);
  EXPECT_NEAR(window.geometry().center().y(), area.center().y(), 2);
  window.project.ProjectSaved = true;
}

}  // namespace
}  // namespace plumavo::test
