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
struct TBusyCursor {
  TBusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~TBusyCursor() { QApplication::restoreOverrideCursor(); }
  TBusyCursor(const TBusyCursor&) = delete;
  TBusyCursor& operator=(const TBusyCursor&) = delete;
};

// A 24-bit copy of the picture, as the printer gets it.
QImage PrintableCopy(const TBitmap32& b) {
  if (b.Empty()) return {};
  return QImage(reinterpret_cast<const uchar*>(b.Bits()), b.Width(), b.Height(), qsizetype(b.Width()) * 4,
                QImage::Format_RGB32)
      .convertToFormat(QImage::Format_RGB888);
}

}  // namespace

TPrintCommands::TPrintCommands(TfrmMain& window) : QObject(&window), w_(window), printer_(MakeSystemPrinter()) {
  frmPrintPreview_ = std::make_unique<TfrmPrintPreview>([this]() -> TPrinter& { return *printer_; },
                                                        [this]() -> TPrompts& { return w_.Prompts(); }, &window);
  frmPrintPreview_->OnClosed = [this] { w_.OutputImage.SetSize(0, 0); };

  // The commands this module carries out.
  window.commands->Bind(CommandId::FilePrint, [this] { mnuFilePrintClick(); });
  window.commands->Bind(CommandId::FilePrintSetup, [this] { mnuFilePrintSetupClick(); });
  window.commands->Bind(CommandId::FilePrintPreview, [this] { mnuFilePrintPreviewClick(); });
}

TPrintCommands::~TPrintCommands() = default;

void TPrintCommands::SetPrinter(std::unique_ptr<TPrinter> printer) {
  if (printer) printer_ = std::move(printer);
}

bool TPrintCommands::CheckPrinterInstalled() {
  if (printer_->Installed()) return true;
  w_.Prompts().Warning("There is no printer installed.");
  return false;
}

TRect TPrintCommands::QuickPrintRect(int32_t iw, int32_t ih, const TRect& printable, const PrinterMetrics& m) {
  // A printer that tells nothing about its printable area gets the paper.
  const TRect area = printable.IsEmpty() ? TRect{0, 0, m.PaperWidth, m.PaperHeight} : printable;
  const TRect r = FitRect({0, 0, iw, ih}, {0, 0, area.Width(), area.Height()});
  return {r.Left + area.Left, r.Top + area.Top, r.Right + area.Left, r.Bottom + area.Top};
}

void TPrintCommands::mnuFilePrintClick() {
  if (!CheckPrinterInstalled()) return;
  const TBusyCursor busy;
  w_.TakeOutputSnapshot();
  const QImage picture = PrintableCopy(w_.OutputImage);
  w_.OutputImage.SetSize(0, 0);
  const QScreen* screen = QGuiApplication::primaryScreen();
  const PrinterMetrics m = MeasurePrinter(printer_->Metrics(), screen ? RoundN(screen->logicalDotsPerInch()) : 96);
  const TRect rect = QuickPrintRect(picture.width(), picture.height(), printer_->PrintableArea(), m);
  const QString error = printer_->Print(picture, rect, 1, kApplicationTitle);
  if (!error.isEmpty()) w_.Prompts().Error(error);
}

void TPrintCommands::mnuFilePrintSetupClick() {
  if (!CheckPrinterInstalled()) return;
  printer_->Setup(w_.Prompts(), &w_);
  w_.update();
}

void TPrintCommands::mnuFilePrintPreviewClick() {
  if (!CheckPrinterInstalled()) return;
  w_.TakeOutputSnapshot();
  frmPrintPreview_->Open(w_.OutputImage, w_.windowTitle());
}

}  // namespace plumavo
