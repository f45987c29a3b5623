// The print preview: the paper of the current printer with the picture on
// it, placed and sized by dragging its frame or by typing inches, and printed
// in a chosen number of copies. It takes the main window's place while it is
// shown: the main window hides and the two hand their position and size over.
#pragma once

#include <functional>

#include <QImage>
#include <QWidget>

#include "canvas/print_layout.h"
#include "surface/bitmap32.h"

class QCheckBox;
class QFrame;
class QGroupBox;
class QLabel;
class QPushButton;

namespace plumavo {

class FloatSpinEdit;
class NumberEdit;
class PrintDevice;
class Prompter;
class PrintPreviewDialog;

// The preview control: grey surround, shadow, frame and white page, the
// picture on the page and its placement frame with handles.
class PreviewImage : public QWidget {
 public:
  explicit PreviewImage(PrintPreviewDialog& form, QWidget* parent);
  // The frame part under a control position.
  TDragHandle HandleAt(QPoint pos) const;

 protected:
  void paintEvent(QPaintEvent*) override;
  void resizeEvent(QResizeEvent*) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;

 private:
  PrintPreviewDialog& form_;
  TDragHandle drag_ = TDragHandle::None;
  QPointF dragStart_;
  TFloatRect startLocation_;
};

class PrintPreviewDialog : public QWidget {
  Q_OBJECT
 public:
  // The printer and the prompts are asked for when needed, so a test may
  // replace them at any time. mainWindow is the window the preview stands in
  // for while it is shown.
  PrintPreviewDialog(std::function<PrintDevice&()> printer, std::function<Prompter&()> prompts, QWidget* mainWindow);
  ~PrintPreviewDialog() override;

  // --- Controls -------------------------------------------------------------
  QFrame* previewPanel;
  PreviewImage* previewPicture;
  QWidget* setupPanel;
  QPushButton* setupButton;
  QGroupBox *printerGroup, *originGroup, *sizeGroup, *copiesGroup;
  QLabel *printerLabel, *resolutionLabel, *paperSizeLabel;
  FloatSpinEdit *fseLeft, *fseTop, *fseWidth, *fseHeight;
  QCheckBox* proportionsCheck;
  NumberEdit* copiesField;
  QPushButton *printButton, *closeButton;

  // --- State ------------------------------------------------------------------
  // The picture (a copy of the main window's output) and its location in
  // preview pixels from the paper's top-left corner.
  const TBitmap32& Image() const { return image_; }
  void SetImage(const TBitmap32& image);
  const TFloatRect& Location() const { return location_; }
  void SetLocation(const TFloatRect& location);
  const PrinterMetrics& Metrics() const { return metrics_; }
  const TRect& PageRect() const { return pageRect_; }
  // True once the preview has been shown.
  bool ShownOnce = false;
  // Called when the preview has closed and handed the placement back.
  std::function<void()> OnClosed;

  // Opens the preview in place of the main window for the given picture.
  void Open(const TBitmap32& picture, const QString& caption);

  // --- Routines -----------------------------------------------------------------
  void MeasurePrinter();
  void ShowPrinterInfo();
  void ComputePageRect();
  void FitImageToPage();
  void SetupPreview();
  void UpdateEditsFromLayer();
  void UpdateLayerFromEdits();

  // --- Handlers -----------------------------------------------------------------
  void SetupButtonClick();
  void PrintButtonClick();
  void fseLeftChange();
  void fseWidthChange();
  void fseHeightChange();
  void PreviewPictureResize();
  void PreviewPictureMouseMove(bool leftButton);
  // The control the window treats as "nothing focused" (arrow keys move the
  // picture then).
  void ClearFocusedControl();
  bool NoControlFocused() const;

 protected:
  void showEvent(QShowEvent* e) override;
  void closeEvent(QCloseEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  void CreateControls();
  double PageWidth() const;
  double PageHeight() const;

  std::function<PrintDevice&()> printer_;
  std::function<Prompter&()> prompts_;
  QWidget* mainWindow_;
  TBitmap32 image_;
  QImage picture_;  // image_ as the painter draws it
  TFloatRect location_;
  PrinterMetrics metrics_;
  TRect pageRect_;
  // The page size the location was last scaled for.
  int32_t scaledWidth_ = 0, scaledHeight_ = 0;
  // The picture is still to be fitted: the page had no size when it should
  // have been.
  bool fitPending_ = false;
  bool fitOnShow_ = false;

  friend class PreviewImage;
};

}  // namespace plumavo
