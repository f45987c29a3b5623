#include "app/preferences_dialog.h"

#include <algorithm>

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

#include "app/number_edit.h"
#include "app/prompts.h"
#include "app/settings_store.h"
#include "render/ifs/renderer.h"

namespace plumavo {

namespace {

constexpr int kMinFrameRate = settings::kFrameRate.Min, kMaxFrameRate = settings::kFrameRate.Max;
constexpr int kMinQuality = settings::kAnimationQuality.Min, kMaxQuality = settings::kAnimationQuality.Max;

// The loop field's arrows move by a thousand loops.
class LoopsEdit : public NumberEdit {
 public:
  using NumberEdit::NumberEdit;

 protected:
  void stepBy(int steps) override { NumberEdit::stepBy(steps * 1000); }
};

}  // namespace

PreferencesDialog::PreferencesDialog(std::function<SettingsStore&()> store, std::function<Prompter&()> prompts,
                                     std::function<void(const StoredPreferences&)> apply, QWidget* parent)
    : QDialog(parent), store_(std::move(store)), prompts_(std::move(prompts)), apply_(std::move(apply)) {
  setWindowTitle("Preferences");
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  const StoredPreferences d;

  renderingGroup = new QGroupBox("Rendering Options", this);
  auto* rendering = new QGridLayout(renderingGroup);
  timesLabel = new QLabel("Rendering Loops:", renderingGroup);
  loopsField = new LoopsEdit(kMinRenderingLoops, kMaxRenderingLoops, d.RenderingLoops, 7, NumberEdit::OutOfRange::Limit,
                             renderingGroup);
  realTimeCheck = new QCheckBox("Real-time Rendering", renderingGroup);
  antialiasedCheck = new QCheckBox("Antialiasing", renderingGroup);
  rendering->addWidget(timesLabel, 0, 0);
  rendering->addWidget(loopsField, 0, 1);
  rendering->addWidget(realTimeCheck, 1, 0, 1, 2);
  rendering->addWidget(antialiasedCheck, 2, 0, 1, 2);

  animationGroup = new QGroupBox("Animation Options", this);
  auto* animation = new QGridLayout(animationGroup);
  qualityCaptionLabel = new QLabel("Quality:", animationGroup);
  qualitySlider = new QSlider(Qt::Horizontal, animationGroup);
  qualitySlider->setRange(kMinQuality, kMaxQuality);
  qualityLabel = new QLabel(animationGroup);
  qualityLabel->setMinimumWidth(qualityLabel->fontMetrics().horizontalAdvance("100%"));
  rateLabel = new QLabel("Frame Rate:", animationGroup);
  frameRateField =
      new NumberEdit(kMinFrameRate, kMaxFrameRate, d.FrameRate, 2, NumberEdit::OutOfRange::Limit, animationGroup);
  rateUnitLabel = new QLabel("Frames/Second", animationGroup);
  animation->addWidget(qualityCaptionLabel, 0, 0);
  animation->addWidget(qualitySlider, 0, 1);
  animation->addWidget(qualityLabel, 0, 2);
  animation->addWidget(rateLabel, 1, 0);
  animation->addWidget(frameRateField, 1, 1);
  animation->addWidget(rateUnitLabel, 1, 2);
  connect(qualitySlider, &QSlider::valueChanged, this, [this](int v) { AnimQualityChange(v); });

  defaultButton = new QPushButton("&Default", this);
  okButton = new QPushButton("Ok", this);
  cancelButton = new QPushButton("Cancel", this);
  // Enter always means OK, whichever button has the focus; Esc is Cancel.
  for (QPushButton* b : {defaultButton, okButton, cancelButton}) b->setAutoDefault(false);
  okButton->setDefault(true);
  connect(defaultButton, &QPushButton::clicked, this, [this] { DefaultButtonClick(); });
  connect(okButton, &QPushButton::clicked, this, [this] { OkButtonClick(); });
  connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(defaultButton);
  buttons->addStretch();
  buttons->addWidget(okButton);
  buttons->addWidget(cancelButton);
  auto* col = new QVBoxLayout(this);
  col->addWidget(renderingGroup);
  col->addWidget(animationGroup);
  col->addLayout(buttons);
  col->setSizeConstraint(QLayout::SetFixedSize);

  SetValues(d);
}

StoredPreferences PreferencesDialog::Values() const {
  StoredPreferences p;
  p.RenderingLoops = loopsField->Number();
  p.RealTimeRendering = realTimeCheck->isChecked();
  p.Antialiased = antialiasedCheck->isChecked();
  p.AnimationQuality = qualitySlider->value();
  p.FrameRate = frameRateField->Number();
  return p;
}

void PreferencesDialog::SetValues(const StoredPreferences& p) {
  loopsField->SetNumber(std::clamp(p.RenderingLoops, loopsField->Minimum(), loopsField->Maximum()));
  realTimeCheck->setChecked(p.RealTimeRendering);
  antialiasedCheck->setChecked(p.Antialiased);
  qualitySlider->setValue(std::clamp(p.AnimationQuality, kMinQuality, kMaxQuality));
  AnimQualityChange(qualitySlider->value());
  frameRateField->SetNumber(std::clamp(p.FrameRate, frameRateField->Minimum(), frameRateField->Maximum()));
}

void PreferencesDialog::LoadPreferences() {
  const StoredPreferences p = plumavo::LoadPreferences(store_());
  if (apply_) apply_(p);
  SetValues(p);
}

void PreferencesDialog::StorePreferences() {
  const StoredPreferences d;
  StoredPreferences p = Values();
  // Unreadable fields fall back to their defaults (OK has checked them).
  if (loopsField->Number() < loopsField->Minimum() || loopsField->Number() > loopsField->Maximum())
    p.RenderingLoops = d.RenderingLoops;
  if (frameRateField->Number() < frameRateField->Minimum() || frameRateField->Number() > frameRateField->Maximum())
    p.FrameRate = d.FrameRate;
  if (!plumavo::StorePreferences(store_(), p)) return;  // the program keeps its previous values
  if (apply_) apply_(p);
}

void PreferencesDialog::FormShow() { LoadPreferences(); }

void PreferencesDialog::OkButtonClick() {
  if (!loopsField->Check(prompts_())) return;
  if (!frameRateField->Check(prompts_())) return;
  StorePreferences();
  accept();
}

void PreferencesDialog::DefaultButtonClick() { SetValues(StoredPreferences{}); }

void PreferencesDialog::AnimQualityChange(int position) { qualityLabel->setText(QString::number(position) + "%"); }

}  // namespace plumavo
