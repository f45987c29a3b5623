#include "app/gradient_dialog.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

#include "app/prompts.h"
#include "app/widgets.h"

namespace plumavo {

namespace {
constexpr TColor kNavy = 0x800000;
constexpr TColor kAqua = 0xFFFF00;
constexpr int kDefaultStyleIndex = 10;  // "Linear - Vertical"

QString Percent(int v) { return QString::number(v) + "%"; }
}  // namespace

TGradientPreview::TGradientPreview(QWidget* parent) : QWidget(parent) {
  setFixedSize(140, 100);
  gradient_.Width = 140;
  gradient_.Height = 100;
  gradient_.OnChange = [this] { update(); };
}

void TGradientPreview::paintEvent(QPaintEvent*) {
  if (gradient_.Painting()) return;
  const TBitmap32& pattern = gradient_.Pattern();
  QPainter p(this);
  if (pattern.Empty()) {
    p.fillRect(rect(), palette().window());
    return;
  }
  const QImage img(reinterpret_cast<const uchar*>(pattern.Bits()), pattern.Width(), pattern.Height(),
                   qsizetype(pattern.Width()) * 4, QImage::Format_RGB32);
  p.setRenderHint(QPainter::SmoothPixmapTransform, true);
  p.drawImage(rect(), img);
}

TfrmGradient::TfrmGradient(TPrompts& prompts, QWidget* parent)
    : TfrmGradient([&prompts]() -> TPrompts& { return prompts; }, parent) {}

TfrmGradient::TfrmGradient(std::function<TPrompts&()> prompts, QWidget* parent)
    : QDialog(parent), prompts_(std::move(prompts)) {
  setWindowTitle("Gradient Editor");
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

  gbColors = new QGroupBox("Colors", this);
  Label1 = new QLabel("From:", gbColors);
  shpColorBegin = new TColorSwatch(gbColors);
  shpColorBegin->setFixedSize(108, 32);
  shpColorBegin->SetColor(kNavy);
  Label2 = new QLabel("To:", gbColors);
  shpColorEnd = new TColorSwatch(gbColors);
  shpColorEnd->setFixedSize(108, 32);
  shpColorEnd->SetColor(kAqua);
  auto* colors = new QVBoxLayout(gbColors);
  colors->addWidget(Label1);
  colors->addWidget(shpColorBegin);
  colors->addWidget(Label2);
  colors->addWidget(shpColorEnd);
  colors->addStretch();

  gbPreview = new QGroupBox("Preview", this);
  Gradient = new TGradientPreview(gbPreview);
  auto* preview = new QVBoxLayout(gbPreview);
  preview->addWidget(Gradient, 0, Qt::AlignCenter);

  gbOptions = new QGroupBox("Options", this);
  Label3 = new QLabel("Style:", gbOptions);
  cbGradientStyle = new QComboBox(gbOptions);
  for (const char* caption : GradientStyleCaptions()) cbGradientStyle->addItem(caption);
  Label4 = new QLabel("Rotation:", gbOptions);
  gbRotation = new QSlider(Qt::Horizontal, gbOptions);
  gbRotation->setRange(-100, 100);
  lblRotation = new QLabel("0%", gbOptions);
  lblRotation->setMinimumWidth(36);
  Label5 = new QLabel("Shift:", gbOptions);
  gbShift = new QSlider(Qt::Horizontal, gbOptions);
  gbShift->setRange(-100, 100);
  lblShift = new QLabel("0%", gbOptions);
  lblShift->setMinimumWidth(36);
  auto* options = new QGridLayout(gbOptions);
  options->addWidget(Label3, 0, 0);
  options->addWidget(cbGradientStyle, 0, 1, 1, 2);
  options->addWidget(Label4, 1, 0);
  options->addWidget(gbRotation, 1, 1);
  options->addWidget(lblRotation, 1, 2);
  options->addWidget(Label5, 2, 0);
  options->addWidget(gbShift, 2, 1);
  options->addWidget(lblShift, 2, 2);

  btnOk = new QPushButton("OK", this);
  btnOk->setDefault(true);
  btnCancel = new QPushButton("Cancel", this);
  btnDefault = new QPushButton("&Default", this);

  auto* top = new QHBoxLayout;
  top->addWidget(gbColors);
  top->addWidget(gbPreview);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(btnDefault);
  buttons->addStretch();
  buttons->addWidget(btnOk);
  buttons->addWidget(btnCancel);
  auto* root = new QVBoxLayout(this);
  root->addLayout(top);
  root->addWidget(gbOptions);
  root->addLayout(buttons);
  // The layout decides the size, so every caption fits at any font size.
  root->setSizeConstraint(QLayout::SetFixedSize);

  connect(btnOk, &QPushButton::clicked, this, &QDialog::accept);
  connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(btnDefault, &QPushButton::clicked, this, [this] { btnDefaultClick(); });
  connect(cbGradientStyle, &QComboBox::currentIndexChanged, this, [this](int) { RefreshPreview(); });
  connect(gbRotation, &QSlider::valueChanged, this, [this](int v) {
    lblRotation->setText(Percent(v));
    RefreshPreview();
  });
  connect(gbShift, &QSlider::valueChanged, this, [this](int v) {
    lblShift->setText(Percent(v));
    RefreshPreview();
  });
  shpColorBegin->OnMouseDown = [this] { PickColor(shpColorBegin); };
  shpColorEnd->OnMouseDown = [this] { PickColor(shpColorEnd); };

  cbGradientStyle->setCurrentIndex(kDefaultStyleIndex);
  RefreshPreview();
}

void TfrmGradient::PickColor(TColorSwatch* swatch) {
  if (const auto c = prompts_().ChooseColor(swatch->Color())) {
    swatch->SetColor(*c);
    RefreshPreview();
  }
}

void TfrmGradient::RefreshPreview() {
  TGradient& g = Gradient->Gradient();
  g.BeginUpdate();
  g.SetColorBegin(shpColorBegin->Color());
  g.SetColorEnd(shpColorEnd->Color());
  g.SetStyle(TGradientStyle(cbGradientStyle->currentIndex() + 1));
  g.SetRotation(gbRotation->value());
  g.SetShift(gbShift->value());
  g.EndUpdate();
}

void TfrmGradient::btnDefaultClick() { Load(TGradientSettings{kNavy, kAqua, kDefaultStyleIndex, 0, 0}); }

void TfrmGradient::Load(const TGradientSettings& s) {
  {
    // One rebuild for the whole load instead of one per control.
    const QSignalBlocker b1(cbGradientStyle), b2(gbRotation), b3(gbShift);
    shpColorBegin->SetColor(s.ColorBegin);
    shpColorEnd->SetColor(s.ColorEnd);
    cbGradientStyle->setCurrentIndex(s.Style < cbGradientStyle->count() ? s.Style : kDefaultStyleIndex);
    gbRotation->setValue(s.Rotation);
    gbShift->setValue(s.Shift);
    lblRotation->setText(Percent(gbRotation->value()));
    lblShift->setText(Percent(gbShift->value()));
  }
  RefreshPreview();
}

TGradientSettings TfrmGradient::Settings() const {
  return {shpColorBegin->Color(), shpColorEnd->Color(), uint8_t(cbGradientStyle->currentIndex()),
          int8_t(gbRotation->value()), int8_t(gbShift->value())};
}

}  // namespace plumavo
