#include "app/print_preview.h"

#include <algorithm>

#include <QCheckBox>
#include <QCloseEvent>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "app/float_spin_edit.h"
#include "app/number_edit.h"
#include "app/printer.h"
#include "app/prompts.h"
#include "app/safely.h"
#include "app/settings_store.h"  // kApplicationTitle

namespace plumavo {

namespace {

// Half the side of a handle square of the placement frame, and how near a
// press must come to it.
constexpr int kHandleHalf = 3;
constexpr double kHandleReach = 4;

int32_t ScreenDpi() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  return screen != nullptr ? RoundN(screen->logicalDotsPerInch()) : 96;
}

// The inch fields and the copies take digits and backspace only: fractions
// and negative values come from the buttons, the arrow keys and dragging.
void DigitsOnly(QChar& c) {
  if (c.isPrint() && !(c >= '0' && c <= '9')) c = QChar();
}

Qt::CursorShape CursorOf(TDragHandle h) {
  switch (h) {
    case TDragHandle::Move: return Qt::SizeAllCursor;
    case TDragHandle::Left:
    case TDragHandle::Right: return Qt::SizeHorCursor;
    case TDragHandle::Top:
    case TDragHandle::Bottom: return Qt::SizeVerCursor;
    case TDragHandle::TopLeft:
    case TDragHandle::BottomRight: return Qt::SizeFDiagCursor;
    case TDragHandle::TopRight:
    case TDragHandle::BottomLeft: return Qt::SizeBDiagCursor;
    case TDragHandle::None: break;
  }
  return Qt::ArrowCursor;
}

// The proposed location while a part of the frame is dragged by (dx, dy),
// never narrower or lower than one preview pixel.
TFloatRect Dragged(TFloatRect r, TDragHandle h, double dx, double dy) {
  const bool left = h == TDragHandle::Left || h == TDragHandle::TopLeft || h == TDragHandle::BottomLeft;
  const bool right = h == TDragHandle::Right || h == TDragHandle::TopRight || h == TDragHandle::BottomRight;
  const bool top = h == TDragHandle::Top || h == TDragHandle::TopLeft || h == TDragHandle::TopRight;
  const bool bottom = h == TDragHandle::Bottom || h == TDragHandle::BottomLeft || h == TDragHandle::BottomRight;
  if (h == TDragHandle::Move) return {r.Left + dx, r.Top + dy, r.Right + dx, r.Bottom + dy};
  if (left) r.Left = std::min(r.Left + dx, r.Right - 1);
  if (right) r.Right = std::max(r.Right + dx, r.Left + 1);
  if (top) r.Top = std::min(r.Top + dy, r.Bottom - 1);
  if (bottom) r.Bottom = std::max(r.Bottom + dy, r.Top + 1);
  return r;
}

}  // namespace

// ---------------------------------------------------------------------------
// The preview control

PreviewImage::PreviewImage(PrintPreviewDialog& form, QWidget* parent) : QWidget(parent), form_(form) {
  setMouseTracking(true);
  setAttribute(Qt::WA_OpaquePaintEvent);
}

TDragHandle PreviewImage::HandleAt(QPoint pos) const {
  const TRect& page = form_.pageRect_;
  const TFloatRect& l = form_.location_;
  const double x = pos.x() - page.Left, y = pos.y() - page.Top;
  const double cx = (l.Left + l.Right) / 2, cy = (l.Top + l.Bottom) / 2;
  const struct {
    double X, Y;
    TDragHandle Handle;
  } handles[] = {{l.Left, l.Top, TDragHandle::TopLeft},
                 {l.Right, l.Top, TDragHandle::TopRight},
                 {l.Left, l.Bottom, TDragHandle::BottomLeft},
                 {l.Right, l.Bottom, TDragHandle::BottomRight},
                 {cx, l.Top, TDragHandle::Top},
                 {cx, l.Bottom, TDragHandle::Bottom},
                 {l.Left, cy, TDragHandle::Left},
                 {l.Right, cy, TDragHandle::Right}};
  for (const auto& h : handles)
    if (std::abs(x - h.X) <= kHandleReach && std::abs(y - h.Y) <= kHandleReach) return h.Handle;
  if (x >= l.Left && x < l.Right && y >= l.Top && y < l.Bottom) return TDragHandle::Move;
  return TDragHandle::None;
}

void PreviewImage::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const TRect& r = form_.pageRect_;
  // Grey surround, the paper's shadow and its black frame.
  p.fillRect(rect(), QColor(0x80, 0x80, 0x80));
  if (r.Width() <= 0 || r.Height() <= 0) return;
  p.fillRect(QRect(r.Left + 2, r.Top + 2, r.Width() + 2, r.Height() + 2), QColor(80, 80, 80));
  p.setPen(Qt::black);
  p.setBrush(Qt::NoBrush);
  p.drawRect(r.Left - 1, r.Top - 1, r.Width() + 1, r.Height() + 1);
  const QRect page(r.Left, r.Top, r.Width(), r.Height());
  p.fillRect(page, Qt::white);

  // The picture, cropped to the paper.
  const TFloatRect& l = form_.location_;
  const QRectF target(r.Left + l.Left, r.Top + l.Top, l.Width(), l.Height());
  if (!form_.picture_.isNull() && l.Width() > 0 && l.Height() > 0) {
    p.save();
    p.setClipRect(page);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(target, form_.picture_);
    p.restore();
  }

  // The placement frame with its eight handles.
  p.setPen(QPen(Qt::black, 0, Qt::DashLine));
  p.drawRect(target.adjusted(0, 0, -1, -1));
  p.setPen(QPen(Qt::black, 0));
  p.setBrush(Qt::white);
  const double cx = target.center().x(), cy = target.center().y();
  for (const QPointF c :
       {target.topLeft(), target.topRight(), target.bottomLeft(), target.bottomRight(), QPointF(cx, target.top()),
        QPointF(cx, target.bottom()), QPointF(target.left(), cy), QPointF(target.right(), cy)}) {
    const QPoint pt = c.toPoint();
    p.drawRect(pt.x() - kHandleHalf, pt.y() - kHandleHalf, 2 * kHandleHalf, 2 * kHandleHalf);
  }
}

void PreviewImage::resizeEvent(QResizeEvent*) {
  Safely([&] { form_.PreviewPictureResize(); });
}

void PreviewImage::mousePressEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton) return;
  drag_ = HandleAt(e->position().toPoint());
  dragStart_ = e->position();
  startLocation_ = form_.location_;
}

void PreviewImage::mouseMoveEvent(QMouseEvent* e) {
  Safely([&] {
    const bool left = (e->buttons() & Qt::LeftButton) != 0;
    if (left && drag_ != TDragHandle::None) {
      const QPointF d = e->position() - dragStart_;
      const TFloatRect proposed = Dragged(startLocation_, drag_, d.x(), d.y());
      form_.SetLocation(ConstrainResize(proposed, drag_, form_.proportionsCheck->isChecked(), form_.image_.Width(),
                                        form_.image_.Height()));
    } else if (!left) {
      setCursor(CursorOf(HandleAt(e->position().toPoint())));
    }
    form_.PreviewPictureMouseMove(left);
  });
}

void PreviewImage::mouseReleaseEvent(QMouseEvent* e) {
  if (e->button() == Qt::LeftButton) drag_ = TDragHandle::None;
}

// ---------------------------------------------------------------------------
// The window

PrintPreviewDialog::PrintPreviewDialog(std::function<PrintDevice&()> printer, std::function<Prompter&()> prompts,
                                       QWidget* mainWindow)
    : QWidget(nullptr), printer_(std::move(printer)), prompts_(std::move(prompts)), mainWindow_(mainWindow) {
  resize(647, 486);
  setMinimumSize(320, 240);
  CreateControls();
}

PrintPreviewDialog::~PrintPreviewDialog() = default;

void PrintPreviewDialog::CreateControls() {
  auto* columns = new QHBoxLayout(this);
  columns->setContentsMargins(0, 0, 0, 0);
  columns->setSpacing(0);

  previewPanel = new QFrame(this);
  previewPanel->setFrameStyle(QFrame::Box | QFrame::Plain);
  previewPanel->setLineWidth(1);
  previewPanel->setMouseTracking(true);
  previewPanel->installEventFilter(this);
  auto* previewLayout = new QVBoxLayout(previewPanel);
  previewLayout->setContentsMargins(1, 1, 1, 1);
  previewPicture = new PreviewImage(*this, previewPanel);
  previewLayout->addWidget(previewPicture);
  columns->addWidget(previewPanel, 1);

  setupPanel = new QWidget(this);
  // At least the width the panel is made for; wider when the fonts need it, so that texts
  // such as the paper size ("8.27 x 11.69 Inches") are never cut off.
  setupPanel->setMinimumWidth(201);
  setupPanel->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
  auto* rows = new QVBoxLayout(setupPanel);
  rows->setContentsMargins(6, 6, 6, 6);
  columns->addWidget(setupPanel);

  setupButton = new QPushButton("Printer &Setup...", setupPanel);
  setupButton->setToolTip("Change the printer and page setup");
  rows->addWidget(setupButton);

  // The panel is narrow: captions keep their width, fields and the printer's
  // texts take what is left.
  auto row = [](QGridLayout* grid, int r, const QString& caption, QWidget* field, const QString& unit) {
    grid->setContentsMargins(6, 6, 6, 6);
    grid->setHorizontalSpacing(4);
    grid->setColumnStretch(1, 1);
    grid->addWidget(new QLabel(caption), r, 0);
    if (qobject_cast<QLabel*>(field) != nullptr) {
      // A printer's text with its unit right behind it.
      field->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
      auto* line = new QHBoxLayout;
      line->setSpacing(4);
      line->addWidget(field, unit.isEmpty() ? 1 : 0);
      if (!unit.isEmpty()) {
        field->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
        line->addWidget(new QLabel(unit));
        line->addStretch(1);
      }
      grid->addLayout(line, r, 1, 1, 2);
      return;
    }
    field->setFixedWidth(std::max(60, field->fontMetrics().horizontalAdvance("-888.88") + 24));
    if (unit.isEmpty()) {
      grid->addWidget(field, r, 1, 1, 2, Qt::AlignLeft);
    } else {
      grid->addWidget(field, r, 1);
      grid->addWidget(new QLabel(unit), r, 2);
    }
  };

  printerGroup = new QGroupBox("Current Printer", setupPanel);
  auto* printerGrid = new QGridLayout(printerGroup);
  printerLabel = new QLabel(printerGroup);
  resolutionLabel = new QLabel(printerGroup);
  paperSizeLabel = new QLabel(printerGroup);
  row(printerGrid, 0, "Printer:", printerLabel, {});
  row(printerGrid, 1, "Resolution:", resolutionLabel, "DPI");
  row(printerGrid, 2, "Paper Size:", paperSizeLabel, "Inches");
  rows->addWidget(printerGroup);

  auto inchField = [](QWidget* parent, double min, double max) {
    auto* f = new FloatSpinEdit(parent);
    f->Increment = 0.1;
    f->MaxLength = 5;
    f->MinValue = min;
    f->MaxValue = max;
    f->OnKeyPress = DigitsOnly;
    return f;
  };
  originGroup = new QGroupBox("Print Origin", setupPanel);
  auto* originGrid = new QGridLayout(originGroup);
  fseLeft = inchField(originGroup, -100, 100);
  fseTop = inchField(originGroup, -100, 100);
  row(originGrid, 0, "Left:", fseLeft, "Inches");
  row(originGrid, 1, "Top:", fseTop, "Inches");
  rows->addWidget(originGroup);

  sizeGroup = new QGroupBox("Print Size", setupPanel);
  auto* sizeGrid = new QGridLayout(sizeGroup);
  fseWidth = inchField(sizeGroup, 0.1, 100);
  fseHeight = inchField(sizeGroup, 0.1, 100);
  row(sizeGrid, 0, "Width:", fseWidth, "Inches");
  row(sizeGrid, 1, "Height:", fseHeight, "Inches");
  rows->addWidget(sizeGroup);

  proportionsCheck = new QCheckBox("Constrain Proportions", setupPanel);
  proportionsCheck->setChecked(true);
  rows->addWidget(proportionsCheck);

  copiesGroup = new QGroupBox("Copies", setupPanel);
  auto* copiesGrid = new QGridLayout(copiesGroup);
  // Four characters, so that the top of the range can be typed and shown.
  copiesField = new NumberEdit(1, 1000, 1, 4, NumberEdit::OutOfRange::Keep, copiesGroup);
  row(copiesGrid, 0, "Number of Copies:", copiesField, {});
  rows->addWidget(copiesGroup);
  rows->addStretch(1);

  printButton = new QPushButton("&Print", setupPanel);
  printButton->setToolTip("Print the current image");
  printButton->setDefault(true);
  closeButton = new QPushButton("&Close", setupPanel);
  closeButton->setToolTip("Close print preview");
  rows->addWidget(printButton);
  rows->addWidget(closeButton);

  connect(setupButton, &QPushButton::clicked, this, [this] { Safely([&] { SetupButtonClick(); }); });
  connect(printButton, &QPushButton::clicked, this, [this] { Safely([&] { PrintButtonClick(); }); });
  connect(closeButton, &QPushButton::clicked, this, [this] { close(); });
  for (FloatSpinEdit* f : {fseLeft, fseTop})
    connect(f, &FloatSpinEdit::Change, this, [this] { Safely([&] { fseLeftChange(); }); });
  connect(fseWidth, &FloatSpinEdit::Change, this, [this] { Safely([&] { fseWidthChange(); }); });
  connect(fseHeight, &FloatSpinEdit::Change, this, [this] { Safely([&] { fseHeightChange(); }); });
}

double PrintPreviewDialog::PageWidth() const { return pageRect_.Width(); }
double PrintPreviewDialog::PageHeight() const { return pageRect_.Height(); }

void PrintPreviewDialog::SetImage(const TBitmap32& image) {
  image_ = image;
  if (image_.Empty()) {
    picture_ = QImage();
    return;
  }
  // The picture is drawn opaque: its alpha plays no part.
  picture_ = QImage(reinterpret_cast<const uchar*>(image_.Bits()), image_.Width(), image_.Height(),
                    qsizetype(image_.Width()) * 4, QImage::Format_RGB32)
                 .copy();
}

void PrintPreviewDialog::SetLocation(const TFloatRect& location) {
  location_ = location;
  previewPicture->update();
}

void PrintPreviewDialog::Open(const TBitmap32& picture, const QString& caption) {
  setWindowTitle(caption);
  SetImage(picture);
  // The preview takes the main window's place, size and state; the paper is
  // laid out for that size before it is first drawn.
  const bool maximised = mainWindow_ != nullptr && mainWindow_->isMaximized();
  // Frame position and client size, each as the window system reports it:
  // mixing the two moves a window by its title bar on every hand-over.
  if (mainWindow_ != nullptr && !maximised) {
    resize(mainWindow_->size());
    move(mainWindow_->pos());
  }
  // The paper is laid out and the picture fitted once the preview has its
  // real size (showEvent); fitting into the default size of a control that
  // was never shown distorts the first preview.
  fitOnShow_ = true;
  if (mainWindow_ != nullptr) mainWindow_->hide();
  if (maximised)
    showMaximized();
  else
    showNormal();
}

void PrintPreviewDialog::MeasurePrinter() { metrics_ = plumavo::MeasurePrinter(printer_().Metrics(), ScreenDpi()); }

void PrintPreviewDialog::ShowPrinterInfo() {
  const QString name = printer_().Name();
  printerLabel->setText(name);
  printerLabel->setToolTip(name);
  MeasurePrinter();
  resolutionLabel->setText(QString::number(metrics_.DpiX) + " x " + QString::number(metrics_.DpiY));
  paperSizeLabel->setText(FloatText(RoundD2(double(metrics_.PaperWidth) / metrics_.DpiX)) + " x " +
                          FloatText(RoundD2(double(metrics_.PaperHeight) / metrics_.DpiY)));
}

void PrintPreviewDialog::ComputePageRect() {
  pageRect_ = plumavo::ComputePageRect(previewPicture->width(), previewPicture->height(), metrics_);
}

void PrintPreviewDialog::FitImageToPage() {
  SetLocation(plumavo::FitImageToPage(image_.Width(), image_.Height(), PageWidth(), PageHeight(), metrics_));
}

void PrintPreviewDialog::SetupPreview() {
  ShowPrinterInfo();
  ComputePageRect();
  scaledWidth_ = pageRect_.Width();
  scaledHeight_ = pageRect_.Height();
  // A control too small for a page has nothing to fit into; the fit waits
  // for the first size that holds one.
  fitPending_ = scaledWidth_ <= 0 || scaledHeight_ <= 0;
  if (fitPending_) return;
  FitImageToPage();
  UpdateEditsFromLayer();
}

void PrintPreviewDialog::UpdateEditsFromLayer() {
  const QSignalBlocker b1(fseLeft), b2(fseTop), b3(fseWidth), b4(fseHeight);
  auto field = [](const FloatSpinEdit* f) { return TInchField{f->GetValue(), f->MinValue, f->MaxValue}; };
  const TInchFields current{field(fseLeft), field(fseTop), field(fseWidth), field(fseHeight)};
  const TInchFields next = EditsFromLayer(location_, PageWidth(), PageHeight(), metrics_, current);
  const std::pair<FloatSpinEdit*, TInchField> fields[] = {
      {fseLeft, next.Left}, {fseTop, next.Top}, {fseWidth, next.Width}, {fseHeight, next.Height}};
  for (const auto& [f, v] : fields) {
    f->SetValue(v.Value);
    f->MinValue = v.Min;
    f->MaxValue = v.Max;
  }
}

void PrintPreviewDialog::UpdateLayerFromEdits() {
  SetLocation(LayerFromEdits(fseLeft->GetValue(), fseTop->GetValue(), fseWidth->GetValue(), fseHeight->GetValue(),
                             PageWidth(), PageHeight(), metrics_));
}

void PrintPreviewDialog::fseLeftChange() {
  if (fseLeft->TextIsNumber() && fseTop->TextIsNumber()) UpdateLayerFromEdits();
}

void PrintPreviewDialog::fseWidthChange() {
  if (!fseWidth->TextIsNumber()) return;
  {
    const QSignalBlocker block(fseHeight);
    if (proportionsCheck->isChecked() && image_.Width() > 0)
      fseHeight->SetValue(RoundD2(fseWidth->GetValue() * image_.Height() / image_.Width()));
    fseLeft->MinValue = -fseWidth->GetValue();
    fseTop->MinValue = -fseHeight->GetValue();
  }
  UpdateLayerFromEdits();
}

void PrintPreviewDialog::fseHeightChange() {
  if (!fseHeight->TextIsNumber()) return;
  {
    const QSignalBlocker block(fseWidth);
    if (proportionsCheck->isChecked() && image_.Height() > 0)
      fseWidth->SetValue(RoundD2(fseHeight->GetValue() * image_.Width() / image_.Height()));
    fseLeft->MinValue = -fseWidth->GetValue();
    fseTop->MinValue = -fseHeight->GetValue();
  }
  UpdateLayerFromEdits();
}

void PrintPreviewDialog::PreviewPictureResize() {
  ComputePageRect();
  const int32_t w = pageRect_.Width(), h = pageRect_.Height();
  // The picture keeps its place on the paper; a page squeezed to nothing
  // leaves it alone until the page has a size again.
  if (w > 0 && h > 0) {
    if (fitPending_) {
      fitPending_ = false;
      FitImageToPage();
      UpdateEditsFromLayer();
    } else {
      location_ = ScaleLayer(location_, scaledWidth_, scaledHeight_, w, h);
    }
    scaledWidth_ = w;
    scaledHeight_ = h;
  }
  previewPicture->update();
}

void PrintPreviewDialog::PreviewPictureMouseMove(bool leftButton) {
  ClearFocusedControl();
  if (leftButton) {
    // Shows the new inches and snaps the picture to them.
    UpdateEditsFromLayer();
    UpdateLayerFromEdits();
  }
}

void PrintPreviewDialog::ClearFocusedControl() {
  // The window itself holds the focus, so no control does and the window
  // is not handed to its first control when it is activated.
  if (focusWidget() != this) setFocus(Qt::OtherFocusReason);
}

bool PrintPreviewDialog::NoControlFocused() const {
  const QWidget* f = focusWidget();
  return f == nullptr || f == this || f == previewPicture || f == previewPanel;
}

void PrintPreviewDialog::SetupButtonClick() {
  if (!printer_().Setup(prompts_(), this)) return;
  previewPicture->update();
  SetupPreview();
  ClearFocusedControl();
}

void PrintPreviewDialog::PrintButtonClick() {
  if (!copiesField->Check(prompts_())) return;
  // With proportions constrained the picture prints undistorted; without,
  // it prints as the user stretched it.
  const TRect rect = proportionsCheck->isChecked()
                         ? DeviceRect(location_, PageWidth(), PageHeight(), metrics_, image_.Width(), image_.Height())
                         : DeviceRect(location_, PageWidth(), PageHeight(), metrics_);
  const QImage picture = picture_.convertToFormat(QImage::Format_RGB888);
  const QString error = printer_().Print(picture, rect, copiesField->Number(), kApplicationTitle);
  if (!error.isEmpty()) prompts_().Error(error);
}

void PrintPreviewDialog::showEvent(QShowEvent* e) {
  QWidget::showEvent(e);
  if (fitOnShow_) {
    fitOnShow_ = false;
    // The printer's texts first, so that the panel takes its width for them
    // before the page is measured.
    ShowPrinterInfo();
    for (QWidget* w : {static_cast<QWidget*>(printerGroup), setupPanel, static_cast<QWidget*>(this)})
      w->layout()->activate();
    SetupPreview();
  }
  ClearFocusedControl();
  ShownOnce = true;
}

void PrintPreviewDialog::closeEvent(QCloseEvent* e) {
  Safely([&] {
    // The main window comes back where the preview was.
    if (mainWindow_ != nullptr) {
      const bool maximised = isMaximized();
      if (!maximised) {
        mainWindow_->resize(size());
        mainWindow_->move(pos());
      }
      if (maximised)
        mainWindow_->showMaximized();
      else
        mainWindow_->showNormal();
    }
    image_ = TBitmap32();
    picture_ = QImage();
    if (OnClosed) OnClosed();
  });
  e->accept();
}

void PrintPreviewDialog::keyPressEvent(QKeyEvent* e) {
  Safely([&] {
    switch (e->key()) {
      case Qt::Key_Return:
      case Qt::Key_Enter: printButton->click(); return;
      case Qt::Key_Escape: closeButton->click(); return;
      case Qt::Key_Left:
      case Qt::Key_Right:
      case Qt::Key_Up:
      case Qt::Key_Down: {
        if (!NoControlFocused()) break;
        const bool shift = (e->modifiers() & Qt::ShiftModifier) != 0;
        const bool across = e->key() == Qt::Key_Left || e->key() == Qt::Key_Right;
        FloatSpinEdit* field = across ? (shift ? fseWidth : fseLeft) : (shift ? fseHeight : fseTop);
        if (e->key() == Qt::Key_Left || e->key() == Qt::Key_Up)
          field->DownClick();
        else
          field->UpClick();
        return;
      }
      default: break;
    }
    QWidget::keyPressEvent(e);
  });
}

bool PrintPreviewDialog::eventFilter(QObject* watched, QEvent* e) {
  if (watched == previewPanel && e->type() == QEvent::MouseMove) Safely([&] { ClearFocusedControl(); });
  return QWidget::eventFilter(watched, e);
}

}  // namespace plumavo
