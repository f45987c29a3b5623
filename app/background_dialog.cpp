#include "app/background_dialog.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace plumavo {

BackgroundAlignDialog::BackgroundAlignDialog(QWidget* parent) : QDialog(parent) {
  setWindowTitle("Background Image");
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  rgOptions = new QGroupBox("Placement Options", this);
  centerRadio = new QRadioButton("Center the Image", rgOptions);
  resizeRadio = new QRadioButton("Resize the Canvas to Fit the Image", rgOptions);
  centerRadio->setChecked(true);
  auto* items = new QVBoxLayout(rgOptions);
  items->addWidget(centerRadio);
  items->addWidget(resizeRadio);

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
  col->addWidget(rgOptions);
  col->addLayout(buttons);
  col->setSizeConstraint(QLayout::SetFixedSize);
}

int BackgroundAlignDialog::ItemIndex() const { return resizeRadio->isChecked() ? plResizeCanvas : plCenter; }

void BackgroundAlignDialog::SetItemIndex(int index) {
  (index == plResizeCanvas ? resizeRadio : centerRadio)->setChecked(true);
}

}  // namespace plumavo
