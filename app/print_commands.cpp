#include "app/print_commands.h"

#include <QAction>
#include <QApplication>
#include <QImage>
#include <QScreen>

#include "app/main_window.h"
#include "app/print_preview.h"
#include "app/printer.h"
#include "app/safely.h"

namespace plumavo {

namespace {

// The busy cursor for as long as the object lives.
struct BusyCursor {
  BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~BusyCursor() { QApplication::restoreOverrideCursor(); }
  BusyCursor(const BusyCursor&) = delete;
  BusyCursor& operator=(const BusyCursor&) = delete;
};

// A 24-bit copy of the picture, as the printer gets it.
QImage PrintableCopy(const TBitmap32& b) {
  if (b.Empty()) return {};
  return QImage(reinterpret_cast<const uchar*>(b.Bits()), b.Width(), b.Height(), qsizetype(b.Width()) * 4,
                QImage::Format_RGB32)
      .convertToFormat(QImage::Format_RGB888);
}

}  // namespace

PrintCommands::PrintCommands(MainWindow& window) : QObject(&window), w_(window) {
  // The commands this module carries out.
  window.commands->Bind(CommandId::FilePrint, [this] { FilePrintClick(); });
  window.commands->Bind(CommandId::FilePrintSetup, [this] { FilePrintSetupClick(); });
  window.commands->Bind(CommandId::FilePrintPreview, [this] { FilePrintPreviewClick(); });
}

PrintPreviewDialog& PrintCommands::Preview() {
  if (!printPreviewDialog_) {
    printPreviewDialog_ = std::make_unique<PrintPreviewDialog>([this]() -> PrintDevice& { return Printer(); },
                                                               [this]() -> Prompter& { return w_.Prompts(); }, &w_);
    printPreviewDialog_->OnClosed = [this] { w_.OutputImage.SetSize(0, 0); };
  }
  return *printPreviewDialog_;
}

PrintCommands::~PrintCommands() = default;

PrintDevice& PrintCommands::Printer() {
  // Made on first use: the system's printer loads the print system's plugin,
  // which the window does not need to come up.
  if (!printer_) printer_ = MakeSystemPrinter();
  return *printer_;
}

void PrintCommands::SetPrinter(std::unique_ptr<PrintDevice> printer) {
  if (printer) printer_ = std::move(printer);
}

bool PrintCommands::CheckPrinterInstalled() {
  if (Printer().Installed()) return true;
  w_.Prompts().Warning("There is no printer installed.");
  return false;
}

TRect PrintCommands::QuickPrintRect(int32_t iw, int32_t ih, const TRect& printable, const PrinterMetrics& m) {
  // A printer that tells nothing about its printable area gets the paper.
  const TRect area = printable.IsEmpty() ? TRect{0, 0, m.PaperWidth, m.PaperHeight} : printable;
  const TRect r = FitRect({0, 0, iw, ih}, {0, 0, area.Width(), area.Height()});
  return {r.Left + area.Left, r.Top + area.Top, r.Right + area.Left, r.Bottom + area.Top};
}

void PrintCommands::FilePrintClick() {
  if (!CheckPrinterInstalled()) return;
  const BusyCursor busy;
  w_.TakeOutputSnapshot();
  const QImage picture = PrintableCopy(w_.OutputImage);
  w_.OutputImage.SetSize(0, 0);
  const QScreen* screen = QGuiApplication::primaryScreen();
  const PrinterMetrics m = MeasurePrinter(Printer().Metrics(), screen ? RoundN(screen->logicalDotsPerInch()) : 96);
  const TRect rect = QuickPrintRect(picture.width(), picture.height(), Printer().PrintableArea(), m);
  const QString error = Printer().Print(picture, rect, 1, kApplicationTitle);
  if (!error.isEmpty()) w_.Prompts().Error(error);
}

void PrintCommands::FilePrintSetupClick() {
  if (!CheckPrinterInstalled()) return;
  Printer().Setup(w_.Prompts(), &w_);
  w_.update();
}

void PrintCommands::FilePrintPreviewClick() {
  if (!CheckPrinterInstalled()) return;
  w_.TakeOutputSnapshot();
  Preview().Open(w_.OutputImage, w_.windowTitle());
}

}  // namespace plumavo
