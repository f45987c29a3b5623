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

GradientPreview::GradientPreview(QWidget* parent) : QWidget(parent) {
  setFixedSize(140, 100);
  gradient_.Width = 140;
  gradient_.Height = 100;
  gradient_.OnChange = [this] { update(); };
}

void GradientPreview::paintEvent(QPaintEvent*) {
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

GradientDialog::GradientDialog(Prompter& prompts, QWidget* parent)
    : GradientDialog([&prompts]() -> Prompter& { return prompts; }, parent) {}

GradientDialog::GradientDialog(std::function<Prompter&()> prompts, QWidget* parent)
    : QDialog(parent), prompts_(std::move(prompts)) {
  setWindowTitle("Gradient Editor");
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

  colorsGroup = new QGroupBox("Colors", this);
  Label1 = new QLabel("From:", colorsGroup);
  colorBeginSwatch = new ColorSwatch(colorsGroup);
  colorBeginSwatch->setFixedSize(108, 32);
  colorBeginSwatch->SetColor(kNavy);
  Label2 = new QLabel("To:", colorsGroup);
  colorEndSwatch = new ColorSwatch(colorsGroup);
  colorEndSwatch->setFixedSize(108, 32);
  colorEndSwatch->SetColor(kAqua);
  auto* colors = new QVBoxLayout(colorsGroup);
  colors->addWidget(Label1);
  colors->addWidget(colorBeginSwatch);
  colors->addWidget(Label2);
  colors->addWidget(colorEndSwatch);
  colors->addStretch();

  previewGroup = new QGroupBox("Preview", this);
  Gradient = new GradientPreview(previewGroup);
  auto* preview = new QVBoxLayout(previewGroup);
  preview->addWidget(Gradient, 0, Qt::AlignCenter);

  optionsGroup = new QGroupBox("Options", this);
  Label3 = new QLabel("Style:", optionsGroup);
  gradientStyleList = new QComboBox(optionsGroup);
  for (const char* caption : GradientStyleCaptions()) gradientStyleList->addItem(caption);
  Label4 = new QLabel("Rotation:", optionsGroup);
  rotationSlider = new QSlider(Qt::Horizontal, optionsGroup);
  rotationSlider->setRange(-100, 100);
  rotationLabel = new QLabel("0%", optionsGroup);
  rotationLabel->setMinimumWidth(36);
  Label5 = new QLabel("Shift:", optionsGroup);
  shiftSlider = new QSlider(Qt::Horizontal, optionsGroup);
  shiftSlider->setRange(-100, 100);
  shiftLabel = new QLabel("0%", optionsGroup);
  shiftLabel->setMinimumWidth(36);
  auto* options = new QGridLayout(optionsGroup);
  options->addWidget(Label3, 0, 0);
  options->addWidget(gradientStyleList, 0, 1, 1, 2);
  options->addWidget(Label4, 1, 0);
  options->addWidget(rotationSlider, 1, 1);
  options->addWidget(rotationLabel, 1, 2);
  options->addWidget(Label5, 2, 0);
  options->addWidget(shiftSlider, 2, 1);
  options->addWidget(shiftLabel, 2, 2);

  okButton = new QPushButton("OK", this);
  okButton->setDefault(true);
  cancelButton = new QPushButton("Cancel", this);
  defaultButton = new QPushButton("&Default", this);

  auto* top = new QHBoxLayout;
  top->addWidget(colorsGroup);
  top->addWidget(previewGroup);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(defaultButton);
  buttons->addStretch();
  buttons->addWidget(okButton);
  buttons->addWidget(cancelButton);
  auto* root = new QVBoxLayout(this);
  root->addLayout(top);
  root->addWidget(optionsGroup);
  root->addLayout(buttons);
  // The layout decides the size, so every caption fits at any font size.
  root->setSizeConstraint(QLayout::SetFixedSize);

  connect(okButton, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);
  connect(defaultButton, &QPushButton::clicked, this, [this] { DefaultButtonClick(); });
  connect(gradientStyleList, &QComboBox::currentIndexChanged, this, [this](int) { RefreshPreview(); });
  connect(rotationSlider, &QSlider::valueChanged, this, [this](int v) {
    rotationLabel->setText(Percent(v));
    RefreshPreview();
  });
  connect(shiftSlider, &QSlider::valueChanged, this, [this](int v) {
    shiftLabel->setText(Percent(v));
    RefreshPreview();
  });
  colorBeginSwatch->OnMouseDown = [this] { PickColor(colorBeginSwatch); };
  colorEndSwatch->OnMouseDown = [this] { PickColor(colorEndSwatch); };

  gradientStyleList->setCurrentIndex(kDefaultStyleIndex);
  RefreshPreview();
}

void GradientDialog::PickColor(ColorSwatch* swatch) {
  if (const auto c = prompts_().ChooseColor(swatch->Color())) {
    swatch->SetColor(*c);
    RefreshPreview();
  }
}

void GradientDialog::RefreshPreview() {
  TGradient& g = Gradient->Gradient();
  g.BeginUpdate();
  g.SetColorBegin(colorBeginSwatch->Color());
  g.SetColorEnd(colorEndSwatch->Color());
  g.SetStyle(TGradientStyle(gradientStyleList->currentIndex() + 1));
  g.SetRotation(rotationSlider->value());
  g.SetShift(shiftSlider->value());
  g.EndUpdate();
}

void GradientDialog::DefaultButtonClick() { Load(TGradientSettings{kNavy, kAqua, kDefaultStyleIndex, 0, 0}); }

void GradientDialog::Load(const TGradientSettings& s) {
  {
    // One rebuild for the whole load instead of one per control.
    const QSignalBlocker b1(gradientStyleList), b2(rotationSlider), b3(shiftSlider);
    colorBeginSwatch->SetColor(s.ColorBegin);
    colorEndSwatch->SetColor(s.ColorEnd);
    gradientStyleList->setCurrentIndex(s.Style < gradientStyleList->count() ? s.Style : kDefaultStyleIndex);
    rotationSlider->setValue(s.Rotation);
    shiftSlider->setValue(s.Shift);
    rotationLabel->setText(Percent(rotationSlider->value()));
    shiftLabel->setText(Percent(shiftSlider->value()));
  }
  RefreshPreview();
}

TGradientSettings GradientDialog::Settings() const {
  return {colorBeginSwatch->Color(), colorEndSwatch->Color(), uint8_t(gradientStyleList->currentIndex()),
          int8_t(rotationSlider->value()), int8_t(shiftSlider->value())};
}

}  // namespace plumavo
