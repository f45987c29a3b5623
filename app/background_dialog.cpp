#include "app/background_dialog.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace plumavo {

TfrmBackImgAlign::TfrmBackImgAlign(QWidget* parent) : QDialog(parent) {
  setWindowTitle("Background Image");
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  rgOptions = new QGroupBox("Placement Options", this);
  rbCenter = new QRadioButton("Center the Image", rgOptions);
  rbResize = new QRadioButton("Resize the Canvas to Fit the Image", rgOptions);
  rbCenter->setChecked(true);
  auto* items = new QVBoxLayout(rgOptions);
  items->addWidget(rbCenter);
  items->addWidget(rbResize);

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
  col->addWidget(rgOptions);
  col->addLayout(buttons);
  col->setSizeConstraint(QLayout::SetFixedSize);
}

int TfrmBackImgAlign::ItemIndex() const { return rbResize->isChecked() ? plResizeCanvas : plCenter; }

void TfrmBackImgAlign::SetItemIndex(int index) { (index == plResizeCanvas ? rbResize : rbCenter)->setChecked(true); }

}  // namespace plumavo
