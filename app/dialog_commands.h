// The commands around the drawing itself: project size and colour, the
// background image, image export, the tip of the day, the about window and
// the help menu. The main window owns one of these for the whole run; it
// connects itself to the window's menu items.
#pragma once

#include <functional>
#include <memory>

#include <QObject>
#include <QString>
#include <QUrl>

namespace plumavo {

class AboutDialog;
class BackgroundAlignDialog;
class CanvasSizeDialog;
class ImageQualityDialog;
class MainWindow;
class TipsDialog;
class HelpViewer;

class DialogCommands : public QObject {
  Q_OBJECT
 public:
  explicit DialogCommands(MainWindow& window);
  ~DialogCommands() override;

  // Opens web pages and new mails; the desktop's handler unless replaced
  // (tests record the addresses instead).
  std::function<void(const QUrl&)> OpenUrl;

  // The folder the program file lies in; the file dialogs start in folders
  // beside it.
  QString ProgramFolder;
  // Remembered for the rest of the run once a dialog has been used.
  QString BackgroundFolder;
  QString ImagesFolder;
  QString ExportDefaultExt;
  int ExportFilterIndex = 1;

  CanvasSizeDialog* canvasSizeDialog = nullptr;  // made on first use
  // The dialogs, each made on first use (the window comes up without them)
  // and kept for the rest of the run.
  BackgroundAlignDialog& BackgroundAlign();
  ImageQualityDialog& ImageQuality();
  TipsDialog& Tips();
  HelpViewer& Help();
  // The about window: the splash screen once it is adopted, else made on
  // first use.
  AboutDialog& About();

  // The splash screen made at start-up becomes the About box, and its end
  // brings up the tip of the day.
  void AdoptSplash(AboutDialog& splash);
  void ShowTipsAtStartup();

  void ProjectCanvasSizeClick();
  void BackImportClick();
  void BackClearClick();
  void FileExportClick();
  void HelpContentsClick();
  void HelpTipsClick();
  void HelpTutorialClick();
  void HelpSendClick();
  void HelpSupportClick();
  void HelpCheckClick();
  void HelpWebClick();
  void HelpAboutClick();

  // The address of Send Feedback: a new mail with its subject.
  static QUrl FeedbackUrl();

 private:
  // A folder beside the program, made when missing.
  QString FolderBesideProgram(const QString& name) const;

  MainWindow& w_;
  // Owned by the window, as its child widgets.
  BackgroundAlignDialog* backgroundAlign_ = nullptr;
  ImageQualityDialog* imageQuality_ = nullptr;
  TipsDialog* tips_ = nullptr;
  HelpViewer* help_ = nullptr;
  std::unique_ptr<AboutDialog> ownAbout_;
  AboutDialog* about_ = nullptr;
};

}  // namespace plumavo
