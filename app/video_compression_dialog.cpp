#include "app/video_compression_dialog.h"

#include <algorithm>

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

namespace plumavo {

TfrmVideoCompression::TfrmVideoCompression(std::vector<TAVICodecInfo> codecs, QWidget* parent)
    : QDialog(parent), codecs_(std::move(codecs)) {
  setWindowTitle("Video Compression");
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  auto* label = new QLabel("&Compressor:", this);
  cbCompressor = new QComboBox(this);
  cbCompressor->setMinimumWidth(200);
  for (const TAVICodecInfo& c : codecs_) cbCompressor->addItem(QString::fromStdString(c.Caption));
  label->setBuddy(cbCompressor);

  auto* qualityCaption = new QLabel("&Quality:", this);
  sbQuality = new QSlider(Qt::Horizontal, this);
  sbQuality->setRange(1, 100);
  sbQuality->setValue(75);
  qualityCaption->setBuddy(sbQuality);
  lblQuality = new QLabel(this);
  lblQuality->setMinimumWidth(lblQuality->fontMetrics().horizontalAdvance("100%"));
  lblFixedQuality = new QLabel("This compressor works at a fixed quality.", this);
  lblFixedQuality->setEnabled(false);
  connect(sbQuality, &QSlider::valueChanged, this, [this](int v) { lblQuality->setText(QString::number(v) + "%"); });
  connect(cbCompressor, &QComboBox::currentIndexChanged, this, [this](int) { ShowQualityState(); });

  btnOk = new QPushButton("OK", this);
  btnOk->setDefault(true);
  btnCancel = new QPushButton("Cancel", this);
  connect(btnOk, &QPushButton::clicked, this, &QDialog::accept);
  connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
  auto* row = new QHBoxLayout;
  row->addWidget(label);
  row->addWidget(cbCompressor, 1);
  auto* quality = new QHBoxLayout;
  quality->addWidget(qualityCaption);
  quality->addWidget(sbQuality, 1);
  quality->addWidget(lblQuality);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(btnOk);
  buttons->addWidget(btnCancel);
  auto* col = new QVBoxLayout(this);
  col->addLayout(row);
  col->addLayout(quality);
  col->addWidget(lblFixedQuality);
  col->addLayout(buttons);
  lblQuality->setText("75%");
  ShowQualityState();
  col->setSizeConstraint(QLayout::SetFixedSize);
}

std::string TfrmVideoCompression::Codec() const {
  const int i = cbCompressor->currentIndex();
  return i >= 0 && size_t(i) < codecs_.size() ? codecs_[size_t(i)].Name : std::string();
}

bool TfrmVideoCompression::SelectCodec(const std::string& name) {
  for (size_t i = 0; i < codecs_.size(); ++i)
    if (codecs_[i].Name == name) {
      cbCompressor->setCurrentIndex(int(i));
      return true;
    }
  return false;
}

int TfrmVideoCompression::Quality() const { return sbQuality->value(); }

void TfrmVideoCompression::SetQuality(int percent) { sbQuality->setValue(std::clamp(percent, 1, 100)); }

void TfrmVideoCompression::ShowQualityState() {
  const int i = cbCompressor->currentIndex();
  const bool used = i >= 0 && size_t(i) < codecs_.size() && codecs_[size_t(i)].UsesQuality;
  sbQuality->setEnabled(used);
  lblQuality->setEnabled(used);
  const QString why = used ? QString() : QString("This compressor works at a fixed quality.");
  sbQuality->setToolTip(why);
  // The note keeps its room, so the dialog does not change size with the choice.
  lblFixedQuality->setText(used ? QString(" ") : why);
}

}  // namespace plumavo
