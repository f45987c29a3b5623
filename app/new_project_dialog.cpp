#include "app/new_project_dialog.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "app/number_edit.h"
#include "app/prompts.h"

namespace plumavo {

TfrmNewImageP::TfrmNewImageP(std::function<TPrompts&()> prompts, QWidget* parent)
    : QDialog(parent), prompts_(std::move(prompts)) {
  setWindowTitle("New Project");
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

  gbStyle = new QGroupBox("Shaping Mode", this);
  auto* modes = new QVBoxLayout(gbStyle);
  rbAffine = new QRadioButton("Affine", gbStyle);
  rbProjective = new QRadioButton("Projective", gbStyle);
  rbAffine->setChecked(true);
  modes->addWidget(rbAffine);
  modes->addWidget(rbProjective);

  gbSize = new QGroupBox("Canvas Size", this);
  auto* grid = new QGridLayout(gbSize);
  Label1 = new QLabel("Width:", gbSize);
  seWidth = new TNumberEdit(kMinProjectSize, kMaxProjectSize, kDefaultProjectWidth, 4, TNumberEdit::TOutOfRange::Limit,
                            gbSize);
  Label3 = new QLabel("Pixels", gbSize);
  Label2 = new QLabel("Height:", gbSize);
  seHeight = new TNumberEdit(kMinProjectSize, kMaxProjectSize, kDefaultProjectHeight, 4,
                             TNumberEdit::TOutOfRange::Limit, gbSize);
  Label4 = new QLabel("Pixels", gbSize);
  grid->addWidget(Label1, 0, 0);
  grid->addWidget(seWidth, 0, 1);
  grid->addWidget(Label3, 0, 2);
  grid->addWidget(Label2, 1, 0);
  grid->addWidget(seHeight, 1, 1);
  grid->addWidget(Label4, 1, 2);

  btnOk = new QPushButton("OK", this);
  btnCancel = new QPushButton("Cancel", this);
  // Enter always means OK, whichever button has the focus; Esc is Cancel.
  btnOk->setAutoDefault(false);
  btnCancel->setAutoDefault(false);
  btnOk->setDefault(true);
  connect(btnOk, &QPushButton::clicked, this, [this] { btnOkClick(); });
  connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);

  auto* top = new QHBoxLayout;
  top->addWidget(gbStyle);
  top->addWidget(gbSize);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(btnOk);
  buttons->addWidget(btnCancel);
  auto* col = new QVBoxLayout(this);
  col->addLayout(top);
  col->addLayout(buttons);
  col->setSizeConstraint(QLayout::SetFixedSize);
}

void TfrmNewImageP::Preset(int width, int height) {
  seWidth->SetNumber(width);
  seHeight->SetNumber(height);
}

ShapeMode TfrmNewImageP::Mode() const { return rbProjective->isChecked() ? ShapeMode::Projective : ShapeMode::Affine; }
int TfrmNewImageP::WidthValue() const { return seWidth->Number(); }
int TfrmNewImageP::HeightValue() const { return seHeight->Number(); }

void TfrmNewImageP::FormShow() { seWidth->setFocus(Qt::OtherFocusReason); }

void TfrmNewImageP::showEvent(QShowEvent* e) {
  QDialog::showEvent(e);
  FormShow();
}

void TfrmNewImageP::btnOkClick() {
  if (!seWidth->Check(prompts_())) return;
  if (!seHeight->Check(prompts_())) return;
  accept();
}

}  // namespace plumavo
