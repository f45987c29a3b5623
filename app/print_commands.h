// The printing commands of the File menu: quick print, printer setup and the
// print preview. The main window owns one of these for the whole run; it
// connects itself to the window's menu items and owns the preview window.
#pragma once

#include <memory>

#include <QObject>

#include "canvas/print_layout.h"

namespace plumavo {

class TfrmMain;
class TfrmPrintPreview;
class TPrinter;

class TPrintCommands : public QObject {
  Q_OBJECT
 public:
  explicit TPrintCommands(TfrmMain& window);
  ~TPrintCommands() override;

  // The system's printer unless replaced (tests put in one of their own).
  TPrinter& Printer() { return *printer_; }
  void SetPrinter(std::unique_ptr<TPrinter> printer);

  TfrmPrintPreview& Preview() { return *frmPrintPreview_; }

  // True when a printer is installed; otherwise the warning and false.
  bool CheckPrinterInstalled();
  // Where quick print puts a picture of iw × ih pixels: as large as
  // possible inside the printable area and centred in it, in device pixels
  // from the paper's corner.
  static TRect QuickPrintRect(int32_t iw, int32_t ih, const TRect& printable, const PrinterMetrics& m);

  void mnuFilePrintClick();
  void mnuFilePrintSetupClick();
  void mnuFilePrintPreviewClick();

 private:
  TfrmMain& w_;
  std::unique_ptr<TPrinter> printer_;
  std::unique_ptr<TfrmPrintPreview> frmPrintPreview_;
};

}  // namespace plumavo
