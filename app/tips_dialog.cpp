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

QString TfrmTipOfDay::DefaultTipsFile() { return QString::fromStdString(DataFolder()) + "tips/tips.txt"; }

TfrmTipOfDay::TfrmTipOfDay(QWidget* parent) : QDialog(parent), TipsFile(DefaultTipsFile()) {
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
  lblHeading = new QLabel("Did you know...", panel);
  QFont heading = lblHeading->font();
  heading.setBold(true);
  heading.setPixelSize(16);
  lblHeading->setFont(heading);
  auto* rule = new QFrame(panel);
  rule->setFixedHeight(1);
  rule->setStyleSheet("background-color: #3296C8; border: none;");
  lblTips = new QLabel(panel);
  QFont tipFont = lblTips->font();
  tipFont.setPixelSize(13);
  lblTips->setFont(tipFont);
  lblTips->setWordWrap(true);
  lblTips->setTextFormat(Qt::PlainText);
  lblTips->setAlignment(Qt::AlignTop | Qt::AlignLeft);
  // At least the room of four lines; larger fonts make the text taller, not
  // cut off.
  lblTips->setFixedWidth(342);
  lblTips->setMinimumHeight(90);
  auto* text = new QVBoxLayout;
  text->addWidget(lblHeading);
  text->addWidget(rule);
  text->addWidget(lblTips);
  auto* panelRow = new QHBoxLayout(panel);
  panelRow->addWidget(picture);
  panelRow->addLayout(text);

  cbTipsStartup = new QCheckBox("Show tips at startup", this);
  btnBack = new QPushButton("<< &Back", this);
  btnNext = new QPushButton("&Next >>", this);
  btnClose = new QPushButton("&Close", this);
  btnClose->setDefault(true);
  btnBack->setAutoDefault(false);
  btnNext->setAutoDefault(false);
  connect(btnBack, &QPushButton::clicked, this, [this] { btnBackClick(); });
  connect(btnNext, &QPushButton::clicked, this, [this] { btnNextClick(); });
  connect(btnClose, &QPushButton::clicked, this, [this] { btnCloseClick(); });
  auto* bottom = new QHBoxLayout;
  bottom->addWidget(cbTipsStartup);
  bottom->addStretch();
  bottom->addWidget(btnBack);
  bottom->addWidget(btnNext);
  bottom->addWidget(btnClose);

  auto* col = new QVBoxLayout(this);
  col->addWidget(panel);
  col->addLayout(bottom);
  col->setSizeConstraint(QLayout::SetFixedSize);
}

void TfrmTipOfDay::FormShow() {
  const TipState state = LoadTipState(Store());
  cbTipsStartup->setChecked(state.ShowTips);
  count_ = int(ReadTips(TipsFile).size());
  index_ = FirstTipIndex(state.Index, count_);
  ShowTip(index_);
}

void TfrmTipOfDay::ShowTip(int index) {
  lblTips->clear();
  const QStringList tips = ReadTips(TipsFile);
  count_ = int(tips.size());
  if (index >= 0 && index < count_) lblTips->setText(tips[index]);
}

void TfrmTipOfDay::btnNextClick() {
  index_ = NextTipIndex(index_, count_);
  ShowTip(index_);
}

void TfrmTipOfDay::btnBackClick() {
  index_ = PreviousTipIndex(index_, count_);
  ShowTip(index_);
}

void TfrmTipOfDay::btnCloseClick() {
  // A state that cannot be stored only means the next showing repeats a tip.
  (void)StoreTipState(Store(), TipState{index_, cbTipsStartup->isChecked()});
  accept();
}

void TfrmTipOfDay::keyPressEvent(QKeyEvent* e) {
  // Esc closes like the Close button, storing the state; only the title
  // bar's close button leaves without storing.
  if (e->key() == Qt::Key_Escape) {
    btnCloseClick();
    return;
  }
  QDialog::keyPressEvent(e);
}

}  // namespace plumavo
