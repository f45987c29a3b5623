// The about window: the program's picture with its version, web site and
// support mail. Shown at start-up as splash screen, closing after about a
// second, and again by Help > About.
#pragma once

#include <functional>
#include <memory>

#include <QDialog>
#include <QUrl>

class QLabel;
class QTimer;

namespace plumavo {

class ClickLabel;

class AboutDialog : public QDialog {
  Q_OBJECT
 public:
  static constexpr int kSplashMs = 1000;
  static constexpr int kFollowUpMs = 10;

  explicit AboutDialog(QWidget* parent = nullptr);

  // Opens web and mail addresses (the desktop's handler unless replaced).
  std::function<void(const QUrl&)> OpenUrl;
  // Called once the splash sequence is over (the tip of the day).
  std::function<void()> OnSplashDone;

  // Shows the window without waiting and paints it at once; the timer
  // closes it about a second after the event loop starts.
  void ShowAsSplash();
  // A click on the picture or the version, Enter or Esc.
  void CloseClick();
  void TimerTimer();
  void WebLinkClick();
  void EmailLinkClick();

  QLabel* aboutPicture;
  QLabel* titleLabel;
  QLabel* versionLabel;
  ClickLabel* webLink;
  ClickLabel* emailLink;
  QTimer* Timer;

 protected:
  void keyPressEvent(QKeyEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;

 private:
  bool splashDone_ = false;
};

// The splash screen of the start-up; empty when it could not be made.
// beforePainting runs once the window is made, before it is first painted.
std::unique_ptr<AboutDialog> ShowSplashScreen(const std::function<void()>& beforePainting = {});

}  // namespace plumavo
