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
#include "app/widgets.h"
#include "model/project.h"

namespace plumavo {

TfrmCanvasSize::TfrmCanvasSize(std::function<TPrompts&()> prompts, QWidget* parent)
    : QDialog(parent), prompts_(std::move(prompts)) {
  setWindowTitle("Size and Color");
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

  gbSize = new QGroupBox("Canvas Size", this);
  auto* grid = new QGridLayout(gbSize);
  Label1 = new QLabel("Width:", gbSize);
  seWidth = new TNumberEdit(kMinProjectSize, kMaxProjectSize, kDefaultProjectWidth, 4, TNumberEdit::TOutOfRange::Keep,
                            gbSize);
  Label3 = new QLabel("Pixels", gbSize);
  Label2 = new QLabel("Height:", gbSize);
  seHeight = new TNumberEdit(kMinProjectSize, kMaxProjectSize, kDefaultProjectHeight, 4, TNumberEdit::TOutOfRange::Keep,
                             gbSize);
  Label4 = new QLabel("Pixels", gbSize);
  cbResize = new QCheckBox("Resize to Fit the Background Image", gbSize);
  grid->addWidget(Label1, 0, 0);
  grid->addWidget(seWidth, 0, 1);
  grid->addWidget(Label3, 0, 2);
  grid->addWidget(Label2, 1, 0);
  grid->addWidget(seHeight, 1, 1);
  grid->addWidget(Label4, 1, 2);
  grid->addWidget(cbResize, 2, 0, 1, 3);
  connect(cbResize, &QCheckBox::clicked, this, [this](bool checked) { cbResizeClick(checked); });

  gbBackColor = new QGroupBox("Background Color", this);
  auto* colorRow = new QHBoxLayout(gbBackColor);
  shpBackColor = new TColorSwatch(gbBackColor);
  shpBackColor->setFixedSize(32, 48);
  shpBackColor->OnMouseDown = [this] { shpBackColorMouseDown(); };
  pnlPallette = new QWidget(gbBackColor);
  pnlPallette->setFixedSize(155, 46);
  imgBackColor = new TPalettePicture(pnlPallette);
  imgBackColor->setGeometry(0, 0, 155, 46);
  imgBackColor->SetPicture(QImage(":/icons/colorpanel.png"));
  imgBackColor->OnPreview = [this](TColor c) { shpBackColor->SetColor(c); };
  imgBackColor->OnPick = [this](TColor c) { shpBackColor->SetColor(c); };
  colorRow->addWidget(shpBackColor);
  colorRow->addWidget(pnlPallette);
  colorRow->addStretch();

  btnOk = new QPushButton("OK", this);
  btnOk->setDefault(true);
  btnCancel = new QPushButton("Cancel", this);
  connect(btnOk, &QPushButton::clicked, this, [this] { btnOkClick(); });
  connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(btnOk);
  buttons->addWidget(btnCancel);
  auto* col = new QVBoxLayout(this);
  col->addWidget(gbSize);
  col->addWidget(gbBackColor);
  col->addLayout(buttons);
  col->setSizeConstraint(QLayout::SetFixedSize);
}

void TfrmCanvasSize::SetCursors(const QCursor& eyedrop, const QCursor& hand) {
  imgBackColor->setCursor(eyedrop);
  shpBackColor->setCursor(hand);
}

void TfrmCanvasSize::Load(int width, int height, TColor backColor, QSize backgroundSize) {
  seWidth->SetNumber(width);
  seHeight->SetNumber(height);
  shpBackColor->SetColor(backColor);
  backgroundSize_ = backgroundSize;
  cbResize->setChecked(false);
  cbResize->setEnabled(!backgroundSize.isEmpty());
  seWidth->setFocus(Qt::OtherFocusReason);
}

int TfrmCanvasSize::WidthValue() const { return seWidth->Number(); }
int TfrmCanvasSize::HeightValue() const { return seHeight->Number(); }
TColor TfrmCanvasSize::BackColor() const { return shpBackColor->Color(); }

void TfrmCanvasSize::showEvent(QShowEvent* e) {
  QDialog::showEvent(e);
  seWidth->setFocus(Qt::OtherFocusReason);
}

void TfrmCanvasSize::btnOkClick() {
  if (!seWidth->Check(prompts_())) return;
  if (!seHeight->Check(prompts_())) return;
  accept();
}

void TfrmCanvasSize::cbResizeClick(bool checked) {
  if (!checked || backgroundSize_.isEmpty()) return;
  seWidth->SetNumber(backgroundSize_.width());
  seHeight->SetNumber(backgroundSize_.height());
}

void TfrmCanvasSize::shpBackColorMouseDown() {
  const std::optional<TColor> c = prompts_().ChooseColor(shpBackColor->Color());
  if (c) shpBackColor->SetColor(*c);
}

}  // namespace plumavo
