#include "app/printer.h"

#include <QImage>
#include <QPageLayout>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>

#include "app/prompts.h"

namespace plumavo {

namespace {

class SystemPrintDevice : public PrintDevice {
 public:
  SystemPrintDevice() : printer_(QPrinter::HighResolution) {
    // Drawing starts at the corner of the paper, the origin the preview
    // measures from, so the picture lands where the preview shows it
    // whatever margin the printer cannot reach.
    printer_.setFullPage(true);
  }

  bool Installed() const override { return !QPrinterInfo::availablePrinterNames().isEmpty(); }

  QString Name() const override { return printer_.printerName(); }

  PrinterMetrics Metrics() const override {
    PrinterMetrics m;
    m.DpiX = printer_.logicalDpiX();
    m.DpiY = printer_.logicalDpiY();
    const QRectF paper = printer_.paperRect(QPrinter::DevicePixel);
    m.PaperWidth = RoundN(paper.width());
    m.PaperHeight = RoundN(paper.height());
    const TRect area = PrintableArea();
    m.OffsetX = area.Left;
    m.OffsetY = area.Top;
    return m;
  }

  TRect PrintableArea() const override {
    // The printer's own margins, whatever margins the page layout holds.
    QPageLayout layout = printer_.pageLayout();
    layout.setMode(QPageLayout::StandardMode);
    layout.setMargins(layout.minimumMargins());
    const QRect r = layout.paintRectPixels(printer_.resolution());
    return {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
  }

  bool Setup(Prompter& prompts, QWidget* parent) override {
    QPrintDialog dialog(&printer_, parent);
    dialog.setWindowTitle("Print Setup");
    dialog.setOption(QAbstractPrintDialog::PrintToFile, false);
    const bool ok = prompts.RunDialog(dialog);
    printer_.setFullPage(true);
    return ok;
  }

  QString Print(const QImage& picture, const TRect& rect, int copies, const QString& title) override {
    printer_.setDocName(title);
    printer_.setCopyCount(copies);
    QPainter painter;
    if (!painter.begin(&printer_)) return "The printer could not start the document.";
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(QRect(rect.Left, rect.Top, rect.Width(), rect.Height()), picture);
    if (!painter.end() || printer_.printerState() == QPrinter::Error)
      return "The printer could not finish the document.";
    return {};
  }

 private:
  QPrinter printer_;
};

}  // namespace

std::unique_ptr<PrintDevice> MakeSystemPrinter() { return std::make_unique<SystemPrintDevice>(); }

}  // namespace plumavo
