// Printing from the main window and the print preview, against a printer
// that records what it was given: the no-printer warning, quick print
// placement, the preview's fit, inch fields, arrow keys, dragging, resizing,
// the copies check, printing and closing.
#include <array>
#include <cmath>
#include <vector>

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>

#include "app/float_spin_edit.h"
#include "app/number_edit.h"
#include "app/print_commands.h"
#include "app/print_preview.h"
#include "app/printer.h"
#include "tests/app/app_test_main.h"

namespace plumavo::test {
namespace {

struct PrintJob {
  QSize Size;
  TRect Rect;
  int Copies;
  QString Title;
};

// A letter sheet at 600 dpi with a quarter-inch margin it cannot print on.
class TFakePrinter : public PrintDevice {
 public:
  bool Present = true;
  PrinterMetrics Reported{600, 600, 5100, 6600, 150, 150};
  TRect Printable{150, 150, 4950, 6450};
  QString Failure;
  int Setups = 0;
  std::vector<PrintJob> Jobs;

  bool Installed() const override { return Present; }
  QString Name() const override { return "Desk Printer"; }
  PrinterMetrics Metrics() const override { return Reported; }
  TRect PrintableArea() const override { return Printable; }
  bool Setup(Prompter&, QWidget*) override {
    ++Setups;
    return true;
  }
  QString Print(const QImage& picture, const TRect& rect, int copies, const QString& title) override {
    Jobs.push_back({picture.size(), rect, copies, title});
    return Failure;
  }
};

class PrintTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    auto p = std::make_unique<TFakePrinter>();
    printer = p.get();
    window->prints->SetPrinter(std::move(p));
  }
  void TearDown() override {
    if (preview().isVisible()) preview().close();
    WindowTest::TearDown();
  }

  PrintPreviewDialog& preview() { return window->prints->Preview(); }
  PrintPreviewDialog& OpenPreview() {
    window->Action(CommandId::FilePrintPreview)->trigger();
    QApplication::processEvents();
    return preview();
  }
  // Places the 480 × 360 picture by its inch fields (the height follows).
  void Place(const QString& left, const QString& top, const QString& width) {
    preview().fseWidth->SetText(width);
    preview().fseLeft->SetText(left);
    preview().fseTop->SetText(top);
  }

  TFakePrinter* printer = nullptr;
};

// ---------------------------------------------------------------------------
// No printer

class NoPrinterTest : public PrintTest, public ::testing::WithParamInterface<int> {};

TEST_P(NoPrinterTest, WarnsAndDoesNothingElse) {
  printer->Present = false;
  const std::array<QAction*, 3> commands{window->Action(CommandId::FilePrint),
                                         window->Action(CommandId::FilePrintSetup),
                                         window->Action(CommandId::FilePrintPreview)};
  commands[size_t(GetParam())]->trigger();
  QApplication::processEvents();
  EXPECT_EQ(prompts->Log, QStringList{"warning: There is no printer installed."});
  EXPECT_TRUE(printer->Jobs.empty());
  EXPECT_EQ(printer->Setups, 0);
  EXPECT_FALSE(preview().isVisible());
  EXPECT_TRUE(window->isVisible());
}

constexpr const char* kCommandNames[] = {"Print", "Setup", "Preview"};
INSTANTIATE_TEST_SUITE_P(Commands, NoPrinterTest, ::testing::Values(0, 1, 2),
                         [](const auto& info) { return std::string(kCommandNames[info.param]); });

TEST_F(PrintTest, SystemWithoutPrintersWarnsForEveryCommand) {
  auto system = MakeSystemPrinter();
  if (system->Installed()) GTEST_SKIP() << "this machine has a printer";
  window->prints->SetPrinter(std::move(system));
  for (QAction* a : {window->Action(CommandId::FilePrint), window->Action(CommandId::FilePrintSetup),
                     window->Action(CommandId::FilePrintPreview)})
    a->trigger();
  EXPECT_EQ(prompts->Log, QStringList(3, "warning: There is no printer installed."));
  EXPECT_FALSE(preview().isVisible());
}

// ---------------------------------------------------------------------------
// Quick print

TEST_F(PrintTest, QuickPrintFillsThePrintableWidthCentred) {
  window->SetProjectSize(1280, 16);
  window->Action(CommandId::FilePrint)->trigger();
  ASSERT_EQ(printer->Jobs.size(), 1u);
  const PrintJob& job = printer->Jobs[0];
  EXPECT_EQ(job.Size, QSize(1280, 16));
  // 4800 × 6300 printable: height N(4800 × 16 / 1280) = 60, centred, then
  // moved by the quarter-inch margin.
  EXPECT_EQ(job.Rect, (TRect{150, 150 + 3120, 4950, 150 + 3180}));
  EXPECT_EQ(job.Copies, 1);
  EXPECT_EQ(job.Title, "Plumavo PRO");
  EXPECT_TRUE(window->OutputImage.Empty());
  EXPECT_TRUE(prompts->Log.isEmpty());
}

TEST_F(PrintTest, PrinterErrorIsShownWithItsOwnText) {
  printer->Failure = "The printer is out of paper.";
  window->Action(CommandId::FilePrint)->trigger();
  EXPECT_EQ(prompts->Log, QStringList{"error: The printer is out of paper."});
  EXPECT_TRUE(window->OutputImage.Empty());

  prompts->Log.clear();
  OpenPreview().printButton->click();
  EXPECT_EQ(prompts->Log, QStringList{"error: The printer is out of paper."});
  EXPECT_TRUE(preview().isVisible());
}

// ---------------------------------------------------------------------------
// The preview

TEST_F(PrintTest, PreviewReplacesTheWindowWithThePictureFitted) {
  window->setWindowTitle("Plumavo PRO - fern.plv");
  PrintPreviewDialog& p = OpenPreview();
  EXPECT_TRUE(p.isVisible());
  EXPECT_FALSE(window->isVisible());
  EXPECT_TRUE(p.ShownOnce);
  EXPECT_EQ(p.windowTitle(), "Plumavo PRO - fern.plv");
  EXPECT_EQ(p.printerLabel->text(), "Desk Printer");
  EXPECT_EQ(p.resolutionLabel->text(), "600 x 600");
  EXPECT_EQ(p.paperSizeLabel->text(), "8.5 x 11");
  // 480 × 360 on portrait paper: the full width, centred down the page.
  EXPECT_EQ(p.fseLeft->Text(), "0");
  EXPECT_EQ(p.fseWidth->Text(), "8.5");
  // The page on screen has the paper's proportions, so the inches do too.
  EXPECT_NEAR(p.fseHeight->Value(), 8.5 * 0.75, 0.006);
  EXPECT_NEAR(2 * p.fseTop->Value() + p.fseHeight->Value(), 11, 0.021);
  EXPECT_DOUBLE_EQ(p.Location().Left, 0);
  EXPECT_DOUBLE_EQ(p.Location().Right, p.PageRect().Width());
  EXPECT_EQ(p.Image().Width(), 480);
  EXPECT_EQ(p.Image().Height(), 360);
  EXPECT_TRUE(p.NoControlFocused());
}

struct ProportionRow {
  const char* Name;
  bool Constrain;
  const char* Field;  // "width" or "height"
  const char* Typed;
  const char* Width;  // texts afterwards; nullptr: as fitted
  const char* Height;
};

class ProportionTest : public PrintTest, public ::testing::WithParamInterface<ProportionRow> {};

TEST_P(ProportionTest, TypedSizeKeepsOrFreesTheAspect) {
  const ProportionRow& row = GetParam();
  PrintPreviewDialog& p = OpenPreview();
  p.proportionsCheck->setChecked(row.Constrain);
  const QString width = p.fseWidth->Text(), height = p.fseHeight->Text();
  (QString(row.Field) == "width" ? p.fseWidth : p.fseHeight)->SetText(row.Typed);
  EXPECT_EQ(p.fseWidth->Text(), row.Width ? QString(row.Width) : width);
  EXPECT_EQ(p.fseHeight->Text(), row.Height ? QString(row.Height) : height);
  if (!p.fseWidth->TextIsNumber()) return;
  // The picture follows the fields.
  const double rw = p.PageRect().Width(), rh = p.PageRect().Height();
  EXPECT_NEAR(p.Location().Width(), p.fseWidth->Value() * rw / 8.5, 1e-9);
  EXPECT_NEAR(p.Location().Height(), p.fseHeight->Value() * rh / 11, 1e-9);
  EXPECT_DOUBLE_EQ(p.fseLeft->MinValue, -p.fseWidth->Value());
  EXPECT_DOUBLE_EQ(p.fseTop->MinValue, -p.fseHeight->Value());
}

INSTANTIATE_TEST_SUITE_P(Rows, ProportionTest,
                         ::testing::Values(ProportionRow{"WidthConstrained", true, "width", "4", "4", "3"},
                                           ProportionRow{"HeightConstrained", true, "height", "3", "4", "3"},
                                           ProportionRow{"WidthFree", false, "width", "4", "4", nullptr},
                                           ProportionRow{"HeightFree", false, "height", "2", nullptr, "2"},
                                           ProportionRow{"NotANumberMovesNothing", true, "width", "", "", nullptr}),
                         [](const auto& info) { return std::string(info.param.Name); });

struct ArrowRow {
  const char* Name;
  Qt::Key Key;
  Qt::KeyboardModifiers Modifiers;
  bool FieldFocused;
  const char* Left;
  const char* Top;
  const char* Width;
  const char* Height;
};

class ArrowKeyTest : public PrintTest, public ::testing::WithParamInterface<ArrowRow> {};

TEST_P(ArrowKeyTest, FivePressesStepAFieldHalfAnInch) {
  const ArrowRow& row = GetParam();
  PrintPreviewDialog& p = OpenPreview();
  Place("1", "2", "4");
  if (row.FieldFocused) p.copiesField->setFocus();
  for (int i = 0; i < 5; ++i) QTest::keyClick(&p, row.Key, row.Modifiers);
  EXPECT_EQ(p.fseLeft->Text(), row.Left);
  EXPECT_EQ(p.fseTop->Text(), row.Top);
  EXPECT_EQ(p.fseWidth->Text(), row.Width);
  EXPECT_EQ(p.fseHeight->Text(), row.Height);
  const double rw = p.PageRect().Width();
  EXPECT_NEAR(p.Location().Left, p.fseLeft->Value() * rw / 8.5, 1e-9);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ArrowKeyTest,
    ::testing::Values(ArrowRow{"Right", Qt::Key_Right, Qt::NoModifier, false, "1.5", "2", "4", "3"},
                      ArrowRow{"Left", Qt::Key_Left, Qt::NoModifier, false, "0.5", "2", "4", "3"},
                      ArrowRow{"Down", Qt::Key_Down, Qt::NoModifier, false, "1", "2.5", "4", "3"},
                      ArrowRow{"Up", Qt::Key_Up, Qt::NoModifier, false, "1", "1.5", "4", "3"},
                      ArrowRow{"ShiftRightWidens", Qt::Key_Right, Qt::ShiftModifier, false, "1", "2", "4.5", "3.38"},
                      ArrowRow{"ShiftUpLowers", Qt::Key_Up, Qt::ShiftModifier, false, "1", "2", "3.33", "2.5"},
                      ArrowRow{"FocusedControlKeepsThem", Qt::Key_Right, Qt::NoModifier, true, "1", "2", "4", "3"}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(PrintTest, DraggingAHandleResizesInHundredthsOfAnInch) {
  PrintPreviewDialog& p = OpenPreview();
  Place("1", "2", "4");
  const TRect page = p.PageRect();
  const TFloatRect l = p.Location();
  const QPoint right(page.Left + int(l.Right), page.Top + int((l.Top + l.Bottom) / 2));
  ASSERT_EQ(p.previewPicture->HandleAt(right), TDragHandle::Right);
  QTest::mousePress(p.previewPicture, Qt::LeftButton, Qt::NoModifier, right);
  QTest::mouseMove(p.previewPicture, right + QPoint(37, 0));
  QTest::mouseRelease(p.previewPicture, Qt::LeftButton, Qt::NoModifier, right + QPoint(37, 0));
  const double inches = 37 * 8.5 / page.Width();
  EXPECT_NEAR(p.fseWidth->Value(), 4 + inches, 0.011);
  // The frame kept the picture's aspect in preview pixels.
  const double widthPixels = p.fseWidth->Value() * page.Width() / 8.5;
  EXPECT_NEAR(p.fseHeight->Value(), 11 * widthPixels * 0.75 / page.Height(), 0.011);
  // Snapped: the picture lies exactly on the inches shown.
  EXPECT_NEAR(p.Location().Width(), p.fseWidth->Value() * page.Width() / 8.5, 1e-9);
  EXPECT_EQ(p.fseLeft->Text(), "1");
}

TEST_F(PrintTest, ResizingThePreviewKeepsThePictureOnThePaper) {
  PrintPreviewDialog& p = OpenPreview();
  Place("1", "2", "4");
  const double left = p.Location().Left / p.PageRect().Width(), top = p.Location().Top / p.PageRect().Height();
  const TRect before = p.PageRect();
  p.resize(900, 700);
  QApplication::processEvents();
  ASSERT_NE(p.PageRect(), before);
  EXPECT_NEAR(p.Location().Left / p.PageRect().Width(), left, 1e-9);
  EXPECT_NEAR(p.Location().Top / p.PageRect().Height(), top, 1e-9);
  EXPECT_EQ(p.fseLeft->Text(), "1");
  EXPECT_EQ(p.fseWidth->Text(), "4");
  p.printButton->click();
  ASSERT_EQ(printer->Jobs.size(), 1u);
  EXPECT_EQ(printer->Jobs[0].Rect, (TRect{600, 1200, 3000, 3000}));
}

// ---------------------------------------------------------------------------
// Printing from the preview

struct PreviewPrintRow {
  const char* Name;
  const char* Copies;
  const char* Left;
  const char* Warning;  // nullptr: printed
  TRect Rect;
};

class PreviewPrintTest : public PrintTest, public ::testing::WithParamInterface<PreviewPrintRow> {};

TEST_P(PreviewPrintTest, ChecksCopiesAndPrintsThePlacement) {
  const PreviewPrintRow& row = GetParam();
  PrintPreviewDialog& p = OpenPreview();
  Place(row.Left, "2", "4");
  p.copiesField->SetText(row.Copies);
  p.printButton->click();
  if (row.Warning) {
    EXPECT_EQ(prompts->Log, QStringList{QString("warning: ") + row.Warning});
    EXPECT_TRUE(printer->Jobs.empty());
    return;
  }
  EXPECT_TRUE(prompts->Log.isEmpty());
  ASSERT_EQ(printer->Jobs.size(), 1u);
  const PrintJob& job = printer->Jobs[0];
  EXPECT_EQ(job.Copies, QString(row.Copies).toInt());
  EXPECT_EQ(job.Rect, row.Rect);
  EXPECT_EQ(job.Size, QSize(480, 360));
  EXPECT_EQ(job.Title, "Plumavo PRO");
}

INSTANTIATE_TEST_SUITE_P(
    Rows, PreviewPrintTest,
    ::testing::Values(PreviewPrintRow{"ThreeCopies", "3", "1", nullptr, {600, 1200, 3000, 3000}},
                      PreviewPrintRow{"TopOfRange", "1000", "1", nullptr, {600, 1200, 3000, 3000}},
                      PreviewPrintRow{"PartlyOffThePaper", "1", "-0.5", nullptr, {-300, 1200, 2100, 3000}},
                      PreviewPrintRow{"NoCopies", "0", "1", "An number between 1 and 1000 is required.", {}},
                      PreviewPrintRow{"TooMany", "1001", "1", "An number between 1 and 1000 is required.", {}},
                      PreviewPrintRow{"Empty", "", "1", "An number between 1 and 1000 is required.", {}}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(PrintTest, EnterPrintsAndEscapeCloses) {
  PrintPreviewDialog& p = OpenPreview();
  QTest::keyClick(&p, Qt::Key_Return);
  EXPECT_EQ(printer->Jobs.size(), 1u);
  QTest::keyClick(&p, Qt::Key_Escape);
  EXPECT_FALSE(p.isVisible());
  EXPECT_TRUE(window->isVisible());
}

TEST_F(PrintTest, SetupRefitsThePictureToThePaper) {
  PrintPreviewDialog& p = OpenPreview();
  Place("1", "2", "4");
  printer->Reported = {300, 300, 3300, 2550, 0, 0};  // landscape letter
  p.setupButton->click();
  EXPECT_EQ(printer->Setups, 1);
  EXPECT_EQ(p.paperSizeLabel->text(), "11 x 8.5");
  // 4:3 on 11 × 8.5: the full width, centred down the page.
  EXPECT_EQ(p.fseLeft->Text(), "0");
  EXPECT_EQ(p.fseWidth->Text(), "11");
  EXPECT_NEAR(2 * p.fseTop->Value() + p.fseHeight->Value(), 8.5, 0.021);
  EXPECT_TRUE(p.NoControlFocused());
}

TEST_F(PrintTest, ClosingHandsThePlaceBackAndEmptiesThePictures) {
  PrintPreviewDialog& p = OpenPreview();
  p.setGeometry(QRect(40, 50, 700, 520));
  QApplication::processEvents();
  p.closeButton->click();
  QApplication::processEvents();
  EXPECT_FALSE(p.isVisible());
  EXPECT_TRUE(window->isVisible());
  EXPECT_EQ(window->geometry(), QRect(40, 50, 700, 520));
  EXPECT_TRUE(window->OutputImage.Empty());
  EXPECT_TRUE(p.Image().Empty());
}

// The first preview of a session fits the picture into the real window, and
// what it prints has the picture's proportions to the printer pixel.
struct FirstPreviewRow {
  const char* Name;
  int Width, Height;
  PrinterMetrics Paper;
};

class FirstPreviewTest : public PrintTest, public ::testing::WithParamInterface<FirstPreviewRow> {};

TEST_P(FirstPreviewTest, KeepsThePicturesShapeOnScreenAndOnPaper) {
  const FirstPreviewRow& r = GetParam();
  window->SetProjectSize(r.Width, r.Height);
  printer->Reported = r.Paper;
  PrintPreviewDialog& p = OpenPreview();
  const double aspect = double(r.Width) / r.Height;
  // The frame on screen, in preview pixels of a page of the paper's shape.
  EXPECT_NEAR(p.Location().Width() / p.Location().Height(), aspect, aspect * 0.01);
  EXPECT_GT(p.PageRect().Width(), 100) << "fitted before the window had its size";
  // The inch fields.
  EXPECT_NEAR(p.fseWidth->Value() / p.fseHeight->Value(), aspect, aspect * 0.01);
  p.printButton->click();
  ASSERT_EQ(printer->Jobs.size(), 1u);
  const TRect& printed = printer->Jobs[0].Rect;
  const double w = printed.Right - printed.Left, h = printed.Bottom - printed.Top;
  EXPECT_LE(std::min(std::fabs(h - w / aspect), std::fabs(w - h * aspect)), 1.0) << w << " x " << h;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, FirstPreviewTest,
    ::testing::Values(FirstPreviewRow{"LandscapeOnLetter", 1280, 720, {600, 600, 5100, 6600, 150, 150}},
                      FirstPreviewRow{"PortraitOnLetter", 360, 640, {600, 600, 5100, 6600, 150, 150}},
                      FirstPreviewRow{"LandscapeOnA4Landscape", 1000, 300, {300, 300, 3508, 2480, 0, 0}},
                      FirstPreviewRow{"SquareAtScreenResolution", 500, 500, {96, 96, 816, 1056, 0, 0}}),
    [](const auto& info) { return std::string(info.param.Name); });

// A4's "8.27 x 11.69" is the longest paper text; it shows in full, unit and all.
TEST_F(PrintTest, PaperSizeIsNeverCutOff) {
  printer->Reported = {600, 600, 4961, 7016, 0, 0};
  PrintPreviewDialog& p = OpenPreview();
  EXPECT_EQ(p.paperSizeLabel->text(), "8.27 x 11.69");
  EXPECT_GE(p.paperSizeLabel->width(), p.paperSizeLabel->sizeHint().width());
  EXPECT_LE(p.paperSizeLabel->mapTo(&p, QPoint(p.paperSizeLabel->width(), 0)).x(), p.width());
}

}  // namespace
}  // namespace plumavo::test
