// The printing commands of the File menu: quick print, printer setup and the
// print preview. The main window owns one of these for the whole run; it
// connects itself to the window's menu items and owns the preview window.
#pragma once

#include <memory>

#include <QObject>

#include "canvas/print_layout.h"

namespace plumavo {

class MainWindow;
class PrintPreviewDialog;
class PrintDevice;

class PrintCommands : public QObject {
  Q_OBJECT
 public:
  explicit PrintCommands(MainWindow& window);
  ~PrintCommands() override;

  // The system's printer unless replaced (tests put in one of their own).
  PrintDevice& Printer();
  void SetPrinter(std::unique_ptr<PrintDevice> printer);

  // Made on first use; the window comes up without it.
  PrintPreviewDialog& Preview();

  // True when a printer is installed; otherwise the warning and false.
  bool CheckPrinterInstalled();
  // Where quick print puts a picture of iw × ih pixels: as large as
  // possible inside the printable area and centred in it, in device pixels
  // from the paper's corner.
  static TRect QuickPrintRect(int32_t iw, int32_t ih, const TRect& printable, const PrinterMetrics& m);

  void FilePrintClick();
  void FilePrintSetupClick();
  void FilePrintPreviewClick();

 private:
  MainWindow& w_;
  std::unique_ptr<PrintDevice> printer_;
  std::unique_ptr<PrintPreviewDialog> printPreviewDialog_;
};

}  // namespace plumavo
