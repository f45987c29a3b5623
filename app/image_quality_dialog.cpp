#include "app/image_quality_dialog.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

namespace plumavo {

TfrmImageQuality::TfrmImageQuality(QWidget* parent) : QDialog(parent) {
  setWindowTitle("Image Compression");
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  gbImageQuality = new QGroupBox("JPEG Quality", this);
  ImageQuality = new QSlider(Qt::Horizontal, gbImageQuality);
  ImageQuality->setRange(1, 100);
  ImageQuality->setValue(kInitialQuality);
  ImageQuality->setMinimumWidth(220);
  auto* inner = new QVBoxLayout(gbImageQuality);
  inner->addWidget(ImageQuality);
  connect(ImageQuality, &QSlider::valueChanged, this, [this](int) { ImageQualityChange(); });

  btnOk = new QPushButton("OK", this);
  btnOk->setDefault(true);
  btnCancel = new QPushButton("Cancel", this);
  connect(btnOk, &QPushButton::clicked, this, &QDialog::accept);
  connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(btnOk);
  buttons->addWidget(btnCancel);
  auto* col = new QVBoxLayout(this);
  col->addWidget(gbImageQuality);
  col->addLayout(buttons);
  col->setSizeConstraint(QLayout::SetFixedSize);
}

void TfrmImageQuality::FormShow() {
  ImageQuality->setValue(kInitialQuality);
  ImageQualityChange();
  ImageQuality->setFocus(Qt::OtherFocusReason);
}

int TfrmImageQuality::Quality() const { return ImageQuality->value(); }

void TfrmImageQuality::ImageQualityChange() {
  gbImageQuality->setTitle("JPEG Quality: " + QString::number(ImageQuality->value()) + "%");
}

}  // namespace plumavo
