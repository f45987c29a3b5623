#include "app/canvas_size_dialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/number_edit.h"
#include "app/prompts.h"
#include "app/resource_pictures.h"
#include "app/widgets.h"
#include "model/project.h"

namespace plumavo {

CanvasSizeDialog::CanvasSizeDialog(std::function<Prompter&()> prompts, QWidget* parent)
    : QDialog(parent), prompts_(std::move(prompts)) {
  setWindowTitle("Size and Color");
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

  sizeGroup = new QGroupBox("Canvas Size", this);
  auto* grid = new QGridLayout(sizeGroup);
  Label1 = new QLabel("Width:", sizeGroup);
  widthField = new NumberEdit(kMinProjectSize, kMaxProjectSize, kDefaultProjectWidth, 4, NumberEdit::OutOfRange::Keep,
                              sizeGroup);
  Label3 = new QLabel("Pixels", sizeGroup);
  Label2 = new QLabel("Height:", sizeGroup);
  heightField = new NumberEdit(kMinProjectSize, kMaxProjectSize, kDefaultProjectHeight, 4, NumberEdit::OutOfRange::Keep,
                               sizeGroup);
  Label4 = new QLabel("Pixels", sizeGroup);
  resizeCheck = new QCheckBox("Resize to Fit the Background Image", sizeGroup);
  grid->addWidget(Label1, 0, 0);
  grid->addWidget(widthField, 0, 1);
  grid->addWidget(Label3, 0, 2);
  grid->addWidget(Label2, 1, 0);
  grid->addWidget(heightField, 1, 1);
  grid->addWidget(Label4, 1, 2);
  grid->addWidget(resizeCheck, 2, 0, 1, 3);
  connect(resizeCheck, &QCheckBox::clicked, this, [this](bool checked) { ResizeCheckClick(checked); });

  backColorGroup = new QGroupBox("Background Color", this);
  auto* colorRow = new QHBoxLayout(backColorGroup);
  backColorSwatch = new ColorSwatch(backColorGroup);
  backColorSwatch->setFixedSize(32, 48);
  backColorSwatch->OnMouseDown = [this] { BackColorSwatchMouseDown(); };
  palettePanel = new QWidget(backColorGroup);
  palettePanel->setFixedSize(155, 46);
  backColorPicture = new PalettePicture(palettePanel);
  backColorPicture->setGeometry(0, 0, 155, 46);
  backColorPicture->SetPicture(DecodedResourcePictures().ColorPanel);
  backColorPicture->OnPreview = [this](TColor c) { backColorSwatch->SetColor(c); };
  backColorPicture->OnPick = [this](TColor c) { backColorSwatch->SetColor(c); };
  colorRow->addWidget(backColorSwatch);
  colorRow->addWidget(palettePanel);
  colorRow->addStretch();

  okButton = new QPushButton("OK", this);
  okButton->setDefault(true);
  cancelButton = new QPushButton("Cancel", this);
  connect(okButton, &QPushButton::clicked, this, [this] { OkButtonClick(); });
  connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(okButton);
  buttons->addWidget(cancelButton);
  auto* col = new QVBoxLayout(this);
  col->addWidget(sizeGroup);
  col->addWidget(backColorGroup);
  col->addLayout(buttons);
  col->setSizeConstraint(QLayout::SetFixedSize);
}

void CanvasSizeDialog::SetCursors(const QCursor& eyedrop, const QCursor& hand) {
  backColorPicture->setCursor(eyedrop);
  backColorSwatch->setCursor(hand);
}

void CanvasSizeDialog::Load(int width, int height, TColor backColor, QSize backgroundSize) {
  widthField->SetNumber(width);
  heightField->SetNumber(height);
  backColorSwatch->SetColor(backColor);
  backgroundSize_ = backgroundSize;
  resizeCheck->setChecked(false);
  resizeCheck->setEnabled(!backgroundSize.isEmpty());
  widthField->setFocus(Qt::OtherFocusReason);
}

int CanvasSizeDialog::WidthValue() const { return widthField->Number(); }
int CanvasSizeDialog::HeightValue() const { return heightField->Number(); }
TColor CanvasSizeDialog::BackColor() const { return backColorSwatch->Color(); }

void CanvasSizeDialog::showEvent(QShowEvent* e) {
  QDialog::showEvent(e);
  widthField->setFocus(Qt::OtherFocusReason);
}

void CanvasSizeDialog::OkButtonClick() {
  if (!widthField->Check(prompts_())) return;
  if (!heightField->Check(prompts_())) return;
  accept();
}

void CanvasSizeDialog::ResizeCheckClick(bool checked) {
  if (!checked || backgroundSize_.isEmpty()) return;
  widthField->SetNumber(backgroundSize_.width());
  heightField->SetNumber(backgroundSize_.height());
}

void CanvasSizeDialog::BackColorSwatchMouseDown() {
  const std::optional<TColor> c = prompts_().ChooseColor(backColorSwatch->Color());
  if (c) backColorSwatch->SetColor(*c);
}

}  // namespace plumavo
