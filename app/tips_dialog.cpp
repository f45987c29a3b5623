#include "app/tips_dialog.h"

#include "canvas/canvas_style.h"  // DataFolder

#include <QCheckBox>
#include <QCoreApplication>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/preferences.h"
#include "app/tips.h"

namespace plumavo {

namespace {

// The picture beside the tips: a small light bulb.
QPixmap BulbPicture() {
  QPixmap pm(48, 64);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(QColor(0x80, 0x60, 0x00), 2));
  p.setBrush(QColor(0xFF, 0xE0, 0x40));
  p.drawEllipse(QRectF(6, 4, 36, 36));
  p.setBrush(QColor(0x90, 0x90, 0x90));
  p.setPen(QPen(QColor(0x50, 0x50, 0x50), 1));
  p.drawRect(QRectF(16, 40, 16, 14));
  p.drawLine(QPointF(16, 45), QPointF(32, 45));
  p.drawLine(QPointF(16, 50), QPointF(32, 50));
  p.setPen(QPen(QColor(0xFF, 0xFF, 0xFF), 2));
  p.drawArc(QRectF(13, 11, 16, 16), 90 * 16, 90 * 16);
  return pm;
}

}  // namespace

QString TipsDialog::DefaultTipsFile() { return QString::fromStdString(DataFolder()) + "tips/tips.txt"; }

TipsDialog::TipsDialog(QWidget* parent) : QDialog(parent), TipsFile(DefaultTipsFile()) {
  setWindowTitle("Tip of the Day");
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

  auto* panel = new QFrame(this);
  panel->setFrameShape(QFrame::StyledPanel);
  panel->setAutoFillBackground(true);
  QPalette pal = panel->palette();
  pal.setColor(QPalette::Window, Qt::white);
  pal.setColor(QPalette::WindowText, Qt::black);
  panel->setPalette(pal);
  auto* picture = new QLabel(panel);
  picture->setPixmap(BulbPicture());
  picture->setAlignment(Qt::AlignTop | Qt::AlignHCenter);
  headingLabel = new QLabel("Did you know...", panel);
  QFont heading = headingLabel->font();
  heading.setBold(true);
  heading.setPixelSize(16);
  headingLabel->setFont(heading);
  auto* rule = new QFrame(panel);
  rule->setFixedHeight(1);
  rule->setStyleSheet("background-color: #3296C8; border: none;");
  tipsLabel = new QLabel(panel);
  QFont tipFont = tipsLabel->font();
  tipFont.setPixelSize(13);
  tipsLabel->setFont(tipFont);
  tipsLabel->setWordWrap(true);
  tipsLabel->setTextFormat(Qt::PlainText);
  tipsLabel->setAlignment(Qt::AlignTop | Qt::AlignLeft);
  // At least the room of four lines; larger fonts make the text taller, not
  // cut off.
  tipsLabel->setFixedWidth(342);
  tipsLabel->setMinimumHeight(90);
  auto* text = new QVBoxLayout;
  text->addWidget(headingLabel);
  text->addWidget(rule);
  text->addWidget(tipsLabel);
  auto* panelRow = new QHBoxLayout(panel);
  panelRow->addWidget(picture);
  panelRow->addLayout(text);

  showTipsCheck = new QCheckBox("Show tips at startup", this);
  backButton = new QPushButton("<< &Back", this);
  nextButton = new QPushButton("&Next >>", this);
  closeButton = new QPushButton("&Close", this);
  closeButton->setDefault(true);
  backButton->setAutoDefault(false);
  nextButton->setAutoDefault(false);
  connect(backButton, &QPushButton::clicked, this, [this] { BackButtonClick(); });
  connect(nextButton, &QPushButton::clicked, this, [this] { NextButtonClick(); });
  connect(closeButton, &QPushButton::clicked, this, [this] { CloseButtonClick(); });
  auto* bottom = new QHBoxLayout;
  bottom->addWidget(showTipsCheck);
  bottom->addStretch();
  bottom->addWidget(backButton);
  bottom->addWidget(nextButton);
  bottom->addWidget(closeButton);

  auto* col = new QVBoxLayout(this);
  col->addWidget(panel);
  col->addLayout(bottom);
  col->setSizeConstraint(QLayout::SetFixedSize);
}

void TipsDialog::FormShow() {
  const TipState state = LoadTipState(Store());
  showTipsCheck->setChecked(state.ShowTips);
  count_ = int(ReadTips(TipsFile).size());
  index_ = FirstTipIndex(state.Index, count_);
  ShowTip(index_);
}

void TipsDialog::ShowTip(int index) {
  tipsLabel->clear();
  const QStringList tips = ReadTips(TipsFile);
  count_ = int(tips.size());
  if (index >= 0 && index < count_) tipsLabel->setText(tips[index]);
}

void TipsDialog::NextButtonClick() {
  index_ = NextTipIndex(index_, count_);
  ShowTip(index_);
}

void TipsDialog::BackButtonClick() {
  index_ = PreviousTipIndex(index_, count_);
  ShowTip(index_);
}

void TipsDialog::CloseButtonClick() {
  // A state that cannot be stored only means the next showing repeats a tip.
  (void)StoreTipState(Store(), TipState{index_, showTipsCheck->isChecked()});
  accept();
}

void TipsDialog::keyPressEvent(QKeyEvent* e) {
  // Esc closes like the Close button, storing the state; only the title
  // bar's close button leaves without storing.
  if (e->key() == Qt::Key_Escape) {
    CloseButtonClick();
    return;
  }
  QDialog::keyPressEvent(e);
}

}  // namespace plumavo
