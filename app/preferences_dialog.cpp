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
class TLoopsEdit : public TNumberEdit {
 public:
  using TNumberEdit::TNumberEdit;

 protected:
  void stepBy(int steps) override { TNumberEdit::stepBy(steps * 1000); }
};

}  // namespace

TfrmPreferencesP::TfrmPreferencesP(std::function<TSettingsStore&()> store, std::function<TPrompts&()> prompts,
                                   std::function<void(const StoredPreferences&)> apply, QWidget* parent)
    : QDialog(parent), store_(std::move(store)), prompts_(std::move(prompts)), apply_(std::move(apply)) {
  setWindowTitle("Preferences");
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  const StoredPreferences d;

  gbRendering = new QGroupBox("Rendering Options", this);
  auto* rendering = new QGridLayout(gbRendering);
  lblTimes = new QLabel("Rendering Loops:", gbRendering);
  seTimes = new TLoopsEdit(kMinRenderingLoops, kMaxRenderingLoops, d.RenderingLoops, 7, TNumberEdit::TOutOfRange::Limit,
                           gbRendering);
  cbRendering = new QCheckBox("Real-time Rendering", gbRendering);
  cbAntialiased = new QCheckBox("Antialiasing", gbRendering);
  rendering->addWidget(lblTimes, 0, 0);
  rendering->addWidget(seTimes, 0, 1);
  rendering->addWidget(cbRendering, 1, 0, 1, 2);
  rendering->addWidget(cbAntialiased, 2, 0, 1, 2);

  gbAnimation = new QGroupBox("Animation Options", this);
  auto* animation = new QGridLayout(gbAnimation);
  lblQualityCaption = new QLabel("Quality:", gbAnimation);
  AnimQuality = new QSlider(Qt::Horizontal, gbAnimation);
  AnimQuality->setRange(kMinQuality, kMaxQuality);
  lblQuality = new QLabel(gbAnimation);
  lblQuality->setMinimumWidth(lblQuality->fontMetrics().horizontalAdvance("100%"));
  lblRate = new QLabel("Frame Rate:", gbAnimation);
  seRate = new TNumberEdit(kMinFrameRate, kMaxFrameRate, d.FrameRate, 2, TNumberEdit::TOutOfRange::Limit, gbAnimation);
  lblRateUnit = new QLabel("Frames/Second", gbAnimation);
  animation->addWidget(lblQualityCaption, 0, 0);
  animation->addWidget(AnimQuality, 0, 1);
  animation->addWidget(lblQuality, 0, 2);
  animation->addWidget(lblRate, 1, 0);
  animation->addWidget(seRate, 1, 1);
  animation->addWidget(lblRateUnit, 1, 2);
  connect(AnimQuality, &QSlider::valueChanged, this, [this](int v) { AnimQualityChange(v); });

  btnDefault = new QPushButton("&Default", this);
  btnOk = new QPushButton("Ok", this);
  btnCancel = new QPushButton("Cancel", this);
  // Enter always means OK, whichever button has the focus; Esc is Cancel.
  for (QPushButton* b : {btnDefault, btnOk, btnCancel}) b->setAutoDefault(false);
  btnOk->setDefault(true);
  connect(btnDefault, &QPushButton::clicked, this, [this] { btnDefaultClick(); });
  connect(btnOk, &QPushButton::clicked, this, [this] { btnOkClick(); });
  connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(btnDefault);
  buttons->addStretch();
  buttons->addWidget(btnOk);
  buttons->addWidget(btnCancel);
  auto* col = new QVBoxLayout(this);
  col->addWidget(gbRendering);
  col->addWidget(gbAnimation);
  col->addLayout(buttons);
  col->setSizeConstraint(QLayout::SetFixedSize);

  SetValues(d);
}

StoredPreferences TfrmPreferencesP::Values() const {
  StoredPreferences p;
  p.RenderingLoops = seTimes->Number();
  p.RealTimeRendering = cbRendering->isChecked();
  p.Antialiased = cbAntialiased->isChecked();
  p.AnimationQuality = AnimQuality->value();
  p.FrameRate = seRate->Number();
  return p;
}

void TfrmPreferencesP::SetValues(const StoredPreferences& p) {
  seTimes->SetNumber(std::clamp(p.RenderingLoops, seTimes->Minimum(), seTimes->Maximum()));
  cbRendering->setChecked(p.RealTimeRendering);
  cbAntialiased->setChecked(p.Antialiased);
  AnimQuality->setValue(std::clamp(p.AnimationQuality, kMinQuality, kMaxQuality));
  AnimQualityChange(AnimQuality->value());
  seRate->SetNumber(std::clamp(p.FrameRate, seRate->Minimum(), seRate->Maximum()));
}

void TfrmPreferencesP::LoadPreferences() {
  const StoredPreferences p = plumavo::LoadPreferences(store_());
  if (apply_) apply_(p);
  SetValues(p);
}

void TfrmPreferencesP::StorePreferences() {
  const StoredPreferences d;
  StoredPreferences p = Values();
  // Unreadable fields fall back to their defaults (OK has checked them).
  if (seTimes->Number() < seTimes->Minimum() || seTimes->Number() > seTimes->Maximum())
    p.RenderingLoops = d.RenderingLoops;
  if (seRate->Number() < seRate->Minimum() || seRate->Number() > seRate->Maximum()) p.FrameRate = d.FrameRate;
  if (!plumavo::StorePreferences(store_(), p)) return;  // the program keeps its previous values
  if (apply_) apply_(p);
}

void TfrmPreferencesP::FormShow() { LoadPreferences(); }

void TfrmPreferencesP::btnOkClick() {
  if (!seTimes->Check(prompts_())) return;
  if (!seRate->Check(prompts_())) return;
  StorePreferences();
  accept();
}

void TfrmPreferencesP::btnDefaultClick() { SetValues(StoredPreferences{}); }

void TfrmPreferencesP::AnimQualityChange(int position) { lblQuality->setText(QString::number(position) + "%"); }

}  // namespace plumavo
