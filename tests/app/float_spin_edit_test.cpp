// The float spin edit: reading, clamping, stepping, the characters it takes
// and the normalising of its text on Enter and on leaving the field.
#include <QFocusEvent>
#include <QLocale>

#include "app/float_spin_edit.h"
#include "tests/app/app_test_main.h"

namespace plumavo::test {
namespace {

enum class Then { Nothing, Leave, Enter, Up, Down };

struct SpinRow {
  const char* Name;
  double Min, Max;
  const char* Start;
  const char* Typed;
  Then Action;
  const char* Expected;
};

class FloatSpinEditTest : public ::testing::TestWithParam<SpinRow> {
 protected:
  void SetUp() override {
    App();
    saved_ = QLocale();
    QLocale::setDefault(QLocale::c());
  }
  void TearDown() override { QLocale::setDefault(saved_); }
  static void Leave(QWidget& w) {
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(&w, &out);
  }

 private:
  QLocale saved_;
};

TEST_P(FloatSpinEditTest, TextAfterTypingAndAction) {
  const SpinRow& row = GetParam();
  FloatSpinEdit edit;
  edit.MinValue = row.Min;
  edit.MaxValue = row.Max;
  edit.Increment = 0.1;
  edit.SetText(row.Start);
  QTest::keyClicks(&edit, row.Typed);
  switch (row.Action) {
    case Then::Nothing: break;
    case Then::Leave: Leave(edit); break;
    case Then::Enter: QTest::keyClick(&edit, Qt::Key_Return); break;
    case Then::Up: QTest::keyClick(&edit, Qt::Key_Up); break;
    case Then::Down: QTest::keyClick(&edit, Qt::Key_Down); break;
  }
  EXPECT_EQ(edit.Text(), row.Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, FloatSpinEditTest,
    ::testing::Values(SpinRow{"LeavingClampsToMaximum", 0.1, 100, "", "250", Then::Leave, "100"},
                      SpinRow{"EmptyReadsAsMinimum", 0.1, 100, "", "", Then::Leave, "0.1"},
                      SpinRow{"MalformedReadsAsMinimum", 0.1, 100, "", "1-2", Then::Leave, "0.1"},
                      SpinRow{"EqualBoundsDoNotClamp", 0, 0, "", "250", Then::Leave, "250"},
                      SpinRow{"UpAddsTheIncrement", 0, 0, "8.27", "", Then::Up, "8.37"},
                      SpinRow{"DownTakesItAway", 0, 0, "8.27", "", Then::Down, "8.17"},
                      SpinRow{"UpStopsAtMaximum", 0.1, 100, "99.95", "", Then::Up, "100"},
                      SpinRow{"EnterNormalises", 0, 0, "", "007.50", Then::Enter, "7.5"},
                      SpinRow{"LettersAndCommasAreRefused", 0, 0, "", "1a2,x-+", Then::Nothing, "12-+"},
                      SpinRow{"TypingAloneDoesNotNormalise", 0.1, 100, "", "250", Then::Nothing, "250"}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(FloatSpinEdit, DisabledEditorStillSteps) {
  App();
  FloatSpinEdit edit;
  edit.Increment = 0.5;
  edit.SetText("1");
  edit.SetEditorEnabled(false);
  QTest::keyClicks(&edit, "23");
  QTest::keyClick(&edit, Qt::Key_Backspace);
  EXPECT_EQ(edit.Text(), "1");
  QTest::keyClick(&edit, Qt::Key_Up);
  EXPECT_EQ(edit.Text(), "1.5");
  edit.SetReadOnly(true);
  edit.UpClick();
  EXPECT_EQ(edit.Text(), "1.5");
}

TEST(FloatSpinEdit, KeyPressHookAndLengthLimitDropCharacters) {
  App();
  FloatSpinEdit edit;
  edit.SetText("");
  edit.MaxLength = 3;
  edit.OnKeyPress = [](QChar& c) {
    if (c == '-') c = QChar();
  };
  int changes = 0;
  QObject::connect(&edit, &FloatSpinEdit::Change, [&] { ++changes; });
  QTest::keyClicks(&edit, "1-2345");
  EXPECT_EQ(edit.Text(), "123");
  EXPECT_EQ(changes, 3);
  // The program's own values are never cut short.
  edit.SetValue(-12.25);
  EXPECT_EQ(edit.Text(), "-12.25");
}

}  // namespace
}  // namespace plumavo::test
