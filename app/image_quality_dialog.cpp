#include "app/image_quality_dialog.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

namespace plumavo {

ImageQualityDialog::ImageQualityDialog(QWidget* parent) : QDialog(parent) {
  setWindowTitle("Image Compression");
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  imageQualityGroup = new QGroupBox("JPEG Quality", this);
  ImageQuality = new QSlider(Qt::Horizontal, imageQualityGroup);
  ImageQuality->setRange(1, 100);
  ImageQuality->setValue(kInitialQuality);
  ImageQuality->setMinimumWidth(220);
  auto* inner = new QVBoxLayout(imageQualityGroup);
  inner->addWidget(ImageQuality);
  connect(ImageQuality, &QSlider::valueChanged, this, [this](int) { ImageQualityChange(); });

  okButton = new QPushButton("OK", this);
  okButton->setDefault(true);
  cancelButton = new QPushButton("Cancel", this);
  connect(okButton, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(okButton);
  buttons->addWidget(cancelButton);
  auto* col = new QVBoxLayout(this);
  col->addWidget(imageQualityGroup);
  col->addLayout(buttons);
  col->setSizeConstraint(QLayout::SetFixedSize);
}

void ImageQualityDialog::FormShow() {
  ImageQuality->setValue(kInitialQuality);
  ImageQualityChange();
  ImageQuality->setFocus(Qt::OtherFocusReason);
}

int ImageQualityDialog::Quality() const { return ImageQuality->value(); }

void ImageQualityDialog::ImageQualityChange() {
  imageQualityGroup->setTitle("JPEG Quality: " + QString::number(ImageQuality->value()) + "%");
}

}  // namespace plumavo
