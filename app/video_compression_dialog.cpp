#include "app/video_compression_dialog.h"

#include <algorithm>

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

namespace plumavo {

VideoCompressionDialog::VideoCompressionDialog(std::vector<TAVICodecInfo> codecs, QWidget* parent)
    : QDialog(parent), codecs_(std::move(codecs)) {
  setWindowTitle("Video Compression");
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  auto* label = new QLabel("&Compressor:", this);
  compressorList = new QComboBox(this);
  compressorList->setMinimumWidth(200);
  for (const TAVICodecInfo& c : codecs_) compressorList->addItem(QString::fromStdString(c.Caption));
  label->setBuddy(compressorList);

  auto* qualityCaption = new QLabel("&Quality:", this);
  qualitySlider = new QSlider(Qt::Horizontal, this);
  qualitySlider->setRange(1, 100);
  qualitySlider->setValue(75);
  qualityCaption->setBuddy(qualitySlider);
  qualityLabel = new QLabel(this);
  qualityLabel->setMinimumWidth(qualityLabel->fontMetrics().horizontalAdvance("100%"));
  fixedQualityLabel = new QLabel("This compressor works at a fixed quality.", this);
  fixedQualityLabel->setEnabled(false);
  connect(qualitySlider, &QSlider::valueChanged, this,
          [this](int v) { qualityLabel->setText(QString::number(v) + "%"); });
  connect(compressorList, &QComboBox::currentIndexChanged, this, [this](int) { ShowQualityState(); });

  okButton = new QPushButton("OK", this);
  okButton->setDefault(true);
  cancelButton = new QPushButton("Cancel", this);
  connect(okButton, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);
  auto* row = new QHBoxLayout;
  row->addWidget(label);
  row->addWidget(compressorList, 1);
  auto* quality = new QHBoxLayout;
  quality->addWidget(qualityCaption);
  quality->addWidget(qualitySlider, 1);
  quality->addWidget(qualityLabel);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(okButton);
  buttons->addWidget(cancelButton);
  auto* col = new QVBoxLayout(this);
  col->addLayout(row);
  col->addLayout(quality);
  col->addWidget(fixedQualityLabel);
  col->addLayout(buttons);
  qualityLabel->setText("75%");
  ShowQualityState();
  col->setSizeConstraint(QLayout::SetFixedSize);
}

std::string VideoCompressionDialog::Codec() const {
  const int i = compressorList->currentIndex();
  return i >= 0 && size_t(i) < codecs_.size() ? codecs_[size_t(i)].Name : std::string();
}

bool VideoCompressionDialog::SelectCodec(const std::string& name) {
  for (size_t i = 0; i < codecs_.size(); ++i)
    if (codecs_[i].Name == name) {
      compressorList->setCurrentIndex(int(i));
      return true;
    }
  return false;
}

int VideoCompressionDialog::Quality() const { return qualitySlider->value(); }

void VideoCompressionDialog::SetQuality(int percent) { qualitySlider->setValue(std::clamp(percent, 1, 100)); }

void VideoCompressionDialog::ShowQualityState() {
  const int i = compressorList->currentIndex();
  const bool used = i >= 0 && size_t(i) < codecs_.size() && codecs_[size_t(i)].UsesQuality;
  qualitySlider->setEnabled(used);
  qualityLabel->setEnabled(used);
  const QString why = used ? QString() : QString("This compressor works at a fixed quality.");
  qualitySlider->setToolTip(why);
  // The note keeps its room, so the dialog does not change size with the choice.
  fixedQualityLabel->setText(used ? QString(" ") : why);
}

}  // namespace plumavo
