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

class TfrmAbout;
class TfrmBackImgAlign;
class TfrmCanvasSize;
class TfrmImageQuality;
class TfrmMain;
class TfrmTipOfDay;
class THelpViewer;

class TDialogCommands : public QObject {
  Q_OBJECT
 public:
  explicit TDialogCommands(TfrmMain& window);
  ~TDialogCommands() override;

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

  TfrmCanvasSize* frmCanvasSize;
  TfrmBackImgAlign* frmBackImgAlign;
  TfrmImageQuality* frmImageQuality;
  TfrmTipOfDay* frmTipOfDay;
  THelpViewer* helpViewer;
  // The about window: the splash screen once it is adopted, else made on
  // first use.
  TfrmAbout& About();

  // The splash screen made at start-up becomes the About box, and its end
  // brings up the tip of the day.
  void AdoptSplash(TfrmAbout& splash);
  void ShowTipsAtStartup();

  void mnuProjectCanvasSizeClick();
  void mnuBackImportClick();
  void mnuBackClearClick();
  void mnuFileExportClick();
  void mnuHelpContentsClick();
  void mnuHelpTipsClick();
  void mnuHelpTutorialClick();
  void mnuHelpSendClick();
  void mnuHelpSupportClick();
  void mnuHelpCheckClick();
  void mnuHelpWebClick();
  void mnuHelpAboutClick();

  // The address of Send Feedback: a new mail with its subject.
  static QUrl FeedbackUrl();

 private:
  // A folder beside the program, made when missing.
  QString FolderBesideProgram(const QString& name) const;

  TfrmMain& w_;
  std::unique_ptr<TfrmAbout> ownAbout_;
  TfrmAbout* about_ = nullptr;
};

}  // namespace plumavo
