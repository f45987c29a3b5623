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

NewProjectDialog::NewProjectDialog(std::function<Prompter&()> prompts, QWidget* parent)
    : QDialog(parent), prompts_(std::move(prompts)) {
  setWindowTitle("New Project");
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

  styleGroup = new QGroupBox("Shaping Mode", this);
  auto* modes = new QVBoxLayout(styleGroup);
  affineRadio = new QRadioButton("Affine", styleGroup);
  projectiveRadio = new QRadioButton("Projective", styleGroup);
  affineRadio->setChecked(true);
  modes->addWidget(affineRadio);
  modes->addWidget(projectiveRadio);

  sizeGroup = new QGroupBox("Canvas Size", this);
  auto* grid = new QGridLayout(sizeGroup);
  Label1 = new QLabel("Width:", sizeGroup);
  widthField = new NumberEdit(kMinProjectSize, kMaxProjectSize, kDefaultProjectWidth, 4, NumberEdit::OutOfRange::Limit,
                              sizeGroup);
  Label3 = new QLabel("Pixels", sizeGroup);
  Label2 = new QLabel("Height:", sizeGroup);
  heightField = new NumberEdit(kMinProjectSize, kMaxProjectSize, kDefaultProjectHeight, 4,
                               NumberEdit::OutOfRange::Limit, sizeGroup);
  Label4 = new QLabel("Pixels", sizeGroup);
  grid->addWidget(Label1, 0, 0);
  grid->addWidget(widthField, 0, 1);
  grid->addWidget(Label3, 0, 2);
  grid->addWidget(Label2, 1, 0);
  grid->addWidget(heightField, 1, 1);
  grid->addWidget(Label4, 1, 2);

  okButton = new QPushButton("OK", this);
  cancelButton = new QPushButton("Cancel", this);
  // Enter always means OK, whichever button has the focus; Esc is Cancel.
  okButton->setAutoDefault(false);
  cancelButton->setAutoDefault(false);
  okButton->setDefault(true);
  connect(okButton, &QPushButton::clicked, this, [this] { OkButtonClick(); });
  connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);

  auto* top = new QHBoxLayout;
  top->addWidget(styleGroup);
  top->addWidget(sizeGroup);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(okButton);
  buttons->addWidget(cancelButton);
  auto* col = new QVBoxLayout(this);
  col->addLayout(top);
  col->addLayout(buttons);
  col->setSizeConstraint(QLayout::SetFixedSize);
}

void NewProjectDialog::Preset(int width, int height) {
  widthField->SetNumber(width);
  heightField->SetNumber(height);
}

ShapeMode NewProjectDialog::Mode() const {
  return projectiveRadio->isChecked() ? ShapeMode::Projective : ShapeMode::Affine;
}
int NewProjectDialog::WidthValue() const { return widthField->Number(); }
int NewProjectDialog::HeightValue() const { return heightField->Number(); }

void NewProjectDialog::FormShow() { widthField->setFocus(Qt::OtherFocusReason); }

void NewProjectDialog::showEvent(QShowEvent* e) {
  QDialog::showEvent(e);
  FormShow();
}

void NewProjectDialog::OkButtonClick() {
  if (!widthField->Check(prompts_())) return;
  if (!heightField->Check(prompts_())) return;
  accept();
}

}  // namespace plumavo
