// Preferences: defaults with an empty store, stored values and the limits
// applied before use, the fields' repair and check, Default and Cancel, and
// rendering again only when the picture would change.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSlider>

#include "app/number_edit.h"
#include "app/preferences_dialog.h"
#include "tests/app/settings_window_fixture.h"

namespace plumavo::test {
namespace {

struct Shown {
  QString Times;
  bool Rendering, Antialiased;
  int Quality;
  QString QualityLabel, Rate;
  friend bool operator==(const Shown&, const Shown&) = default;
};

Shown ShownIn(const PreferencesDialog& d) {
  return {d.loopsField->Text(),     d.realTimeCheck->isChecked(), d.antialiasedCheck->isChecked(),
          d.qualitySlider->value(), d.qualityLabel->text(),       d.frameRateField->Text()};
}

const Shown kDefaultsShown{"10000", true, true, 75, "75%", "10"};

TEST_F(SettingsWindowTest, AnEmptyStoreGivesTheDefaultsAndStaysEmpty) {
  Start();
  EXPECT_EQ(window->renderer.Preferences, RenderPreferences{});
  EXPECT_EQ(files->Preferences, StoredPreferences{});
  EXPECT_TRUE(window->editor->RealTimeRendering());
  EXPECT_EQ(ShownIn(*files->preferencesDialog), kDefaultsShown);
  EXPECT_FALSE(window->recentMenu->menuAction()->isEnabled());
  EXPECT_FALSE(QFile::exists(SettingsFile()));
}

struct StoredRow {
  const char* Name;
  QVariant Loops, Quality, Rate;
  int LoopsUsed;   // by the renderer
  Shown InDialog;  // limited to the controls' ranges
};

class StoredPreferencesTest : public SettingsWindowTest, public ::testing::WithParamInterface<StoredRow> {};

TEST_P(StoredPreferencesTest, ValuesAreUsedAsReadWithinSafeLimits) {
  const StoredRow& row = GetParam();
  SetStored("Rendering Loops", row.Loops);
  SetStored("Animation Quality", row.Quality);
  SetStored("Frame Rate", row.Rate);
  SetStored("Antialiased", 0);
  Start();
  EXPECT_EQ(window->renderer.Preferences.RenderingLoops, row.LoopsUsed);
  EXPECT_FALSE(window->renderer.Preferences.Antialiased);
  EXPECT_EQ(ShownIn(*files->preferencesDialog), row.InDialog);
  EXPECT_EQ(UsableFrameRate(files->Preferences.FrameRate), row.InDialog.Rate.toInt());
}

// 500 loops are used as stored until the dialog is confirmed; values that
// would render nothing or hang are limited.
INSTANTIATE_TEST_SUITE_P(
    Rows, StoredPreferencesTest,
    ::testing::Values(StoredRow{"InRange", 500, 40, 25, 500, {"1000", true, false, 40, "40%", "25"}},
                      StoredRow{"BelowTheLimits", -5, 0, 0, 1, {"1000", true, false, 1, "1%", "1"}},
                      StoredRow{"AboveTheLimits", 2000000, 300, 99, 100000, {"100000", true, false, 100, "100%", "30"}},
                      StoredRow{"NotNumbers", "lots", "x", "y", 10000, {"10000", true, false, 75, "75%", "10"}}),
    [](const ::testing::TestParamInfo<StoredRow>& info) { return std::string(info.param.Name); });

class PreferencesDialogTest : public SettingsWindowTest {
 protected:
  void SetUp() override {
    SettingsWindowTest::SetUp();
    Start();
    dialog = files->preferencesDialog;
    dialog->show();
  }
  static void Leave(NumberEdit* field) {
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(field, &out);
  }
  PreferencesDialog* dialog = nullptr;
};

struct RepairRow {
  const char* Name;
  bool Rate;
  const char* Typed;
  const char* AfterLeaving;
};

class PreferencesRepairTest : public PreferencesDialogTest, public ::testing::WithParamInterface<RepairRow> {};

TEST_P(PreferencesRepairTest, MalformedTextIsResetToTheDefaultOnLeaving) {
  NumberEdit* field = GetParam().Rate ? dialog->frameRateField : dialog->loopsField;
  field->lineEdit()->clear();
  QTest::keyClicks(field, GetParam().Typed);
  Leave(field);
  EXPECT_EQ(field->Text(), GetParam().AfterLeaving);
}

INSTANTIATE_TEST_SUITE_P(Rows, PreferencesRepairTest,
                         ::testing::Values(RepairRow{"LoopsLeadingZero", false, "0500", "10000"},
                                           RepairRow{"LoopsBelowRange", false, "500", "10000"},
                                           RepairRow{"LoopsInRange", false, "5000", "5000"},
                                           RepairRow{"LoopsLettersDropped", false, "5a0b00", "5000"},
                                           RepairRow{"LoopsEmpty", false, "", "10000"},
                                           RepairRow{"LoopsAboveRange", false, "100001", "10000"},
                                           RepairRow{"RateLeadingZero", true, "05", "10"},
                                           RepairRow{"RateAboveRange", true, "31", "10"},
                                           RepairRow{"RateZero", true, "0", "10"},
                                           RepairRow{"RateMaximum", true, "30", "30"}),
                         [](const ::testing::TestParamInfo<RepairRow>& info) { return std::string(info.param.Name); });

struct CheckRow {
  const char* Name;
  const char* Times;
  const char* Rate;
  const char* Warning;
};

class PreferencesCheckTest : public PreferencesDialogTest, public ::testing::WithParamInterface<CheckRow> {};

TEST_P(PreferencesCheckTest, OkRefusesTheFirstBadFieldAndStoresNothing) {
  dialog->loopsField->SetText(GetParam().Times);
  dialog->frameRateField->SetText(GetParam().Rate);
  QTest::keyClick(dialog->frameRateField, Qt::Key_Return);  // Enter is OK
  EXPECT_NE(dialog->result(), QDialog::Accepted);
  EXPECT_EQ(prompts->Log, QStringList{QString("warning: ") + GetParam().Warning});
  EXPECT_FALSE(QFile::exists(SettingsFile()));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, PreferencesCheckTest,
    ::testing::Values(CheckRow{"LoopsBelowRange", "500", "10", "An number between 1000 and 100000 is required."},
                      CheckRow{"RateZero", "10000", "0", "An number between 1 and 30 is required."},
                      CheckRow{"BothBadLoopsFirst", "", "99", "An number between 1000 and 100000 is required."}),
    [](const ::testing::TestParamInfo<CheckRow>& info) { return std::string(info.param.Name); });

TEST_F(PreferencesDialogTest, DefaultResetsTheControlsAndEachShowingStartsFromTheStore) {
  ASSERT_TRUE(plumavo::StorePreferences(files->Settings, {5000, false, false, 40, 25}));
  const Shown stored{"5000", false, false, 40, "40%", "25"};
  dialog->FormShow();
  EXPECT_EQ(ShownIn(*dialog), stored);
  EXPECT_EQ(window->renderer.Preferences, (RenderPreferences{5000, false, false}));
  dialog->defaultButton->click();
  EXPECT_EQ(ShownIn(*dialog), kDefaultsShown);
  dialog->cancelButton->click();
  EXPECT_EQ(plumavo::LoadPreferences(files->Settings).RenderingLoops, 5000);  // nothing stored
  dialog->FormShow();
  EXPECT_EQ(ShownIn(*dialog), stored);
}

// ---------------------------------------------------------------------------
// Project > Preferences

struct RenderRow {
  const char* Name;
  void (*Edit)(PreferencesDialog&);
  bool Ok;
  bool Renders;
  StoredPreferences After;  // program-wide values afterwards
};

class PreferencesCommandTest : public SettingsWindowTest, public ::testing::WithParamInterface<RenderRow> {};

TEST_P(PreferencesCommandTest, RendersAgainOnlyWhenLoopsOrAntialiasingChange) {
  const RenderRow& row = GetParam();
  Start();
  DrawThreeShapes();
  constexpr TColor32 kMarker = 0x12345678;  // any render paints over it
  window->CanvasLayer.Pixel(0, 0) = kMarker;
  prompts->Dialogs.push_back([&row](QDialog& d) {
    auto& dlg = static_cast<PreferencesDialog&>(d);
    row.Edit(dlg);
    (row.Ok ? dlg.okButton : dlg.cancelButton)->click();
    return dlg.result() == QDialog::Accepted;
  });
  window->Action(CommandId::ProjectPreferences)->trigger();

  EXPECT_EQ(window->CanvasLayer.Pixel(0, 0) != kMarker, row.Renders);
  EXPECT_EQ(files->Preferences, row.After);
  EXPECT_EQ(window->renderer.Preferences,
            (RenderPreferences{row.After.RenderingLoops, row.After.RealTimeRendering, row.After.Antialiased}));
  EXPECT_EQ(window->editor->RealTimeRendering(), row.After.RealTimeRendering);
  if (row.Ok)
    EXPECT_EQ(plumavo::LoadPreferences(files->Settings), row.After);
  else
    EXPECT_FALSE(QFile::exists(SettingsFile()));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, PreferencesCommandTest,
    ::testing::Values(RenderRow{"Loops",
                                [](PreferencesDialog& d) { d.loopsField->SetText("5000"); },
                                true,
                                true,
                                {5000, true, true, 75, 10}},
                      RenderRow{"Antialiasing",
                                [](PreferencesDialog& d) { d.antialiasedCheck->setChecked(false); },
                                true,
                                true,
                                {10000, true, false, 75, 10}},
                      RenderRow{"RealTimeOnly",
                                [](PreferencesDialog& d) { d.realTimeCheck->setChecked(false); },
                                true,
                                false,
                                {10000, false, true, 75, 10}},
                      RenderRow{"AnimationOnly",
                                [](PreferencesDialog& d) {
                                  d.frameRateField->SetText("20");
                                  d.qualitySlider->setValue(50);
                                },
                                true,
                                false,
                                {10000, true, true, 50, 20}},
                      RenderRow{"Unchanged", [](PreferencesDialog&) {}, true, false, {10000, true, true, 75, 10}},
                      RenderRow{"Cancelled",
                                [](PreferencesDialog& d) { d.loopsField->SetText("5000"); },
                                false,
                                false,
                                {10000, true, true, 75, 10}}),
    [](const auto& info) { return std::string(info.param.Name); });

}  // namespace
}  // namespace plumavo::test
