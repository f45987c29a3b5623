// The printer as the print commands and the preview see it: whether one is
// installed, the selected printer's name and numbers, its setup dialog and
// one call that prints a picture stretched into a rectangle. The program
// uses the system's printers; tests put in a printer of their own.
#pragma once

#include <memory>

#include <QString>

#include "canvas/print_layout.h"

class QImage;
class QWidget;

namespace plumavo {

class Prompter;

class PrintDevice {
 public:
  virtual ~PrintDevice() = default;
  // At least one printer is listed by the system.
  virtual bool Installed() const = 0;
  // The selected printer.
  virtual QString Name() const = 0;
  // Resolution, paper size and the printable area's corner in device pixels,
  // as reported: 0 where the printer tells nothing.
  virtual PrinterMetrics Metrics() const = 0;
  // The printable area in device pixels from the paper's corner; empty when
  // the printer tells nothing.
  virtual TRect PrintableArea() const = 0;
  // The printer and page setup dialog; true when it was closed with OK.
  virtual bool Setup(Prompter& prompts, QWidget* parent) = 0;
  // One document titled `title` with `copies` copies of the picture
  // stretched into `rect`, in device pixels from the paper's corner. Empty
  // on success, else the reason it failed.
  virtual QString Print(const QImage& picture, const TRect& rect, int copies, const QString& title) = 0;
};

// The system's selected printer.
std::unique_ptr<PrintDevice> MakeSystemPrinter();

}  // namespace plumavo
