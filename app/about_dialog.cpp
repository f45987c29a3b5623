#include "app/about_dialog.h"

#include <cstdio>

#include <QApplication>
#include <QDesktopServices>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QTimer>

#include "app/links.h"
#include "app/safely.h"
#include "app/settings_store.h"
#include "app/widgets.h"

// The about picture is compiled into the static app library; register it by
// hand since nothing refers to its symbols.
static void InitAboutResources() { Q_INIT_RESOURCE(about); }

namespace plumavo {

namespace {

constexpr int kWidth = 440;
constexpr int kHeight = 330;

void SetLinkStyle(QLabel* l, const QColor& color) {
  QPalette pal = l->palette();
  pal.setColor(QPalette::WindowText, color);
  l->setPalette(pal);
}

}  // namespace

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
  InitAboutResources();
  setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
  setFixedSize(kWidth, kHeight);
  setWindowTitle(QString("About ") + kApplicationTitle);
  OpenUrl = [](const QUrl& url) { QDesktopServices::openUrl(url); };

  aboutPicture = new QLabel(this);
  aboutPicture->setGeometry(0, 0, kWidth, kHeight);
  aboutPicture->setPixmap(QPixmap(":/about/about.jpg"));

  titleLabel = new QLabel(kApplicationTitle, this);
  QFont title = titleLabel->font();
  title.setPixelSize(30);
  title.setBold(true);
  titleLabel->setFont(title);
  titleLabel->setGeometry(18, 36, 230, 40);
  SetLinkStyle(titleLabel, QColor(0x2E, 0x6B, 0x2A));

  versionLabel = new QLabel("Edition, Version 2.50  May 14, 2006", this);
  versionLabel->setText("Professional " + versionLabel->text());
  QFont small = versionLabel->font();
  small.setPixelSize(12);
  versionLabel->setFont(small);
  versionLabel->setWordWrap(true);
  versionLabel->setGeometry(20, 82, 215, 36);
  SetLinkStyle(versionLabel, Qt::black);

  auto link = [&](const QString& text, int y) {
    auto* l = new ClickLabel(text, this);
    QFont f = small;
    f.setUnderline(true);
    l->setFont(f);
    SetLinkStyle(l, Qt::blue);
    l->setGeometry(20, y, 200, 18);
    l->setCursor(Qt::PointingHandCursor);
    return l;
  };
  webLink = link(links::kWebSite, 276);
  emailLink = link(links::kSupportMail, 296);
  webLink->OnClick = [this] { WebLinkClick(); };
  emailLink->OnClick = [this] { EmailLinkClick(); };

  Timer = new QTimer(this);
  Timer->setInterval(kSplashMs);
  connect(Timer, &QTimer::timeout, this, [this] { Safely([&] { TimerTimer(); }, "closing the splash screen"); });
}

void AboutDialog::ShowAsSplash() {
  Timer->setInterval(kSplashMs);
  Timer->start();
  show();
  repaint();
}

void AboutDialog::CloseClick() {
  if (isVisible()) close();
  // During the splash the tips follow at once instead of after the second.
  if (Timer->isActive() && Timer->interval() == kSplashMs) {
    Timer->setInterval(kFollowUpMs);
    Timer->start();
  }
}

void AboutDialog::TimerTimer() {
  Timer->stop();
  if (Timer->interval() == kSplashMs) {
    if (isVisible()) close();
    Timer->setInterval(kFollowUpMs);
    Timer->start();
    return;
  }
  if (splashDone_) return;
  splashDone_ = true;
  if (OnSplashDone) OnSplashDone();
}

void AboutDialog::WebLinkClick() {
  SetLinkStyle(webLink, QColor(0x00, 0x80, 0x80));
  if (OpenUrl) OpenUrl(QUrl(links::kWebSite));
}

void AboutDialog::EmailLinkClick() {
  SetLinkStyle(emailLink, QColor(0x00, 0x80, 0x80));
  if (OpenUrl) OpenUrl(QUrl(QString("mailto:") + links::kSupportMail));
}

void AboutDialog::keyPressEvent(QKeyEvent* e) {
  if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter || e->key() == Qt::Key_Escape) {
    CloseClick();
    return;
  }
  QDialog::keyPressEvent(e);
}

void AboutDialog::mousePressEvent(QMouseEvent* e) {
  QWidget* hit = childAt(e->position().toPoint());
  if (hit == webLink || hit == emailLink) return;  // the links do their own work
  CloseClick();
}

std::unique_ptr<AboutDialog> ShowSplashScreen(const std::function<void()>& beforePainting) {
  // The splash screen is a greeting only: the program starts without it.
  try {
    auto about = std::make_unique<AboutDialog>();
    if (beforePainting) beforePainting();
    about->ShowAsSplash();
    QApplication::processEvents();
    return about;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "plumavo: showing the splash screen failed: %s\n", e.what());
    return nullptr;
  }
}

}  // namespace plumavo
