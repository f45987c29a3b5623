#include "app/dialog_commands.h"
#include "app/user_folders.h"

#include <cstdio>

#include <QAction>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "app/about_dialog.h"
#include "app/background_dialog.h"
#include "app/canvas_size_dialog.h"
#include "app/help_viewer.h"
#include "app/image_filters.h"
#include "app/image_quality_dialog.h"
#include "app/links.h"
#include "app/main_window.h"
#include "app/preferences.h"
#include "app/safely.h"
#include "app/tips_dialog.h"
#include "app/widgets.h"
#include "media/image_decoder.h"
#include "media/image_file.h"

namespace plumavo {

namespace {

// File names go to the image library in the file system's encoding.
std::string LocalFileName(const QString& name) { return QFile::encodeName(name).toStdString(); }

}  // namespace

DialogCommands::DialogCommands(MainWindow& window)
    : QObject(&window), ProgramFolder(QCoreApplication::applicationDirPath()), w_(window) {
  OpenUrl = [](const QUrl& url) { QDesktopServices::openUrl(url); };

  window.Action(CommandId::HelpWebSite)->setText(QString("&Browse ") + links::kWebSiteName + "...");

  // The commands this module carries out.
  window.commands->Bind(CommandId::ProjectCanvasSize, [this] { ProjectCanvasSizeClick(); });
  window.commands->Bind(CommandId::BackgroundImport, [this] { BackImportClick(); });
  window.commands->Bind(CommandId::BackgroundClear, [this] { BackClearClick(); });
  window.commands->Bind(CommandId::FileExport, [this] { FileExportClick(); });
  window.commands->Bind(CommandId::HelpContents, [this] { HelpContentsClick(); });
  window.commands->Bind(CommandId::HelpTips, [this] { HelpTipsClick(); });
  window.commands->Bind(CommandId::HelpTutorial, [this] { HelpTutorialClick(); });
  window.commands->Bind(CommandId::HelpFeedback, [this] { HelpSendClick(); });
  window.commands->Bind(CommandId::HelpSupport, [this] { HelpSupportClick(); });
  window.commands->Bind(CommandId::HelpLatestVersion, [this] { HelpCheckClick(); });
  window.commands->Bind(CommandId::HelpWebSite, [this] { HelpWebClick(); });
  window.commands->Bind(CommandId::HelpAbout, [this] { HelpAboutClick(); });
}

BackgroundAlignDialog& DialogCommands::BackgroundAlign() {
  if (backgroundAlign_ == nullptr) backgroundAlign_ = new BackgroundAlignDialog(&w_);
  return *backgroundAlign_;
}

ImageQualityDialog& DialogCommands::ImageQuality() {
  if (imageQuality_ == nullptr) imageQuality_ = new ImageQualityDialog(&w_);
  return *imageQuality_;
}

TipsDialog& DialogCommands::Tips() {
  if (tips_ == nullptr) {
    tips_ = new TipsDialog(&w_);
    tips_->Store = [this]() -> SettingsStore& { return w_.settings; };
  }
  return *tips_;
}

HelpViewer& DialogCommands::Help() {
  if (help_ == nullptr) {
    help_ = new HelpViewer(&w_);
    help_->OpenUrl = [this](const QUrl& url) {
      if (OpenUrl) OpenUrl(url);
    };
  }
  return *help_;
}

DialogCommands::~DialogCommands() = default;

QString DialogCommands::FolderBesideProgram(const QString& name) const {
  return StartFolder(ProgramFolder, name, QStandardPaths::PicturesLocation);
}

// ---------------------------------------------------------------------------
// Project size and colour

void DialogCommands::ProjectCanvasSizeClick() {
  Project& p = w_.project;
  const QSize background =
      p.BackgroundImage.Empty() ? QSize() : QSize(p.BackgroundImage.Width(), p.BackgroundImage.Height());
  // Made on first use; the window comes up without it.
  if (canvasSizeDialog == nullptr) {
    canvasSizeDialog = new CanvasSizeDialog([this]() -> Prompter& { return w_.Prompts(); }, &w_);
    canvasSizeDialog->SetCursors(w_.CursorOf(EditCursor::EyeDrop), w_.CursorOf(EditCursor::Hand));
  }
  canvasSizeDialog->Load(p.Width, p.Height, p.BackColor, background);
  if (!w_.Prompts().RunDialog(*canvasSizeDialog)) return;
  const int width = canvasSizeDialog->WidthValue();
  const int height = canvasSizeDialog->HeightValue();
  const TColor color = canvasSizeDialog->BackColor();
  // The dialog's OK refuses these already; a size outside the range never
  // reaches the surfaces.
  if (width < kMinProjectSize || width > kMaxProjectSize || height < kMinProjectSize || height > kMaxProjectSize)
    return;
  if (width == p.Width && height == p.Height && color == p.BackColor) return;
  p.BackColor = color;
  w_.SetProjectSize(width, height);
  w_.LayoutView();
  w_.CentreView();
  p.ProjectSaved = false;
  w_.UpdateInterfaceState();
  w_.ComposeCanvas();
  w_.RenderImage();
}

// ---------------------------------------------------------------------------
// Background image

void DialogCommands::BackImportClick() {
  if (BackgroundFolder.isEmpty()) BackgroundFolder = FolderBesideProgram("Background");
  const std::optional<QString> file =
      w_.Prompts().OpenFileName("Load Image File", BackgroundFolder, OpenPictureFilterText());
  if (!file) return;
  w_.repaint();
  BackgroundFolder = QFileInfo(*file).absolutePath();

  // A scratch picture of its own: the project's image is replaced only once
  // the placement is confirmed.
  TBitmap32 scratch;
  scratch.DrawMode = dmOpaque;
  // Decoded in a child process: a damaged file from anywhere costs this
  // message, never the program and the work in it.
  TDecodeStatus decoded = TDecodeStatus::NoDecoder;
  {
    const BusyCursor busy;
    decoded = DecodeImageFileIsolated(scratch, LocalFileName(*file));
  }
  if (decoded != TDecodeStatus::Ok) {
    std::fprintf(stderr, "plumavo: background image %s: %s\n", LocalFileName(*file).c_str(), DecodeStatusText(decoded));
    w_.Prompts().Error("The image is not usable.");
    return;
  }
  if (!w_.Prompts().RunDialog(BackgroundAlign())) return;

  Project& p = w_.project;
  p.BackgroundImage = std::move(scratch);
  if (BackgroundAlign().ItemIndex() == BackgroundAlignDialog::plResizeCanvas) {
    w_.SetProjectSize(p.BackgroundImage.Width(), p.BackgroundImage.Height());
    w_.LayoutView();
    w_.CentreView();
  }
  p.ProjectSaved = false;
  w_.UpdateInterfaceState();
  w_.ComposeCanvas();
  w_.RenderImage();
}

void DialogCommands::BackClearClick() {
  Project& p = w_.project;
  p.BackgroundImage.SetSize(0, 0);
  p.ProjectSaved = false;
  w_.UpdateInterfaceState();
  w_.ComposeCanvas();
  w_.RenderImage();
}

// ---------------------------------------------------------------------------
// Image export

void DialogCommands::FileExportClick() {
  if (ImagesFolder.isEmpty()) {
    ImagesFolder = FolderBesideProgram("Images");
    ExportDefaultExt = "bmp";
  }
  const QString projectName = QString::fromStdString(w_.project.ProjectFileName);
  Prompter::SaveRequest request;
  request.Title = "Save Image As";
  request.Folder = ImagesFolder;
  request.FileName = projectName == "Untitled" ? projectName : QFileInfo(projectName).completeBaseName();
  request.Filter = SavePictureFilterText();
  request.DefaultExt = ExportDefaultExt;
  request.FilterIndex = ExportFilterIndex;
  const std::optional<QString> file = w_.Prompts().SaveFileWithFilter(request);
  if (!file) return;
  w_.repaint();

  ExportFilterIndex = request.FilterIndex;
  const ExportTarget target = ExportTargetFor(*file, request.FilterIndex);
  const ExportChoice choice = ExportChoiceFor(target.FilterIndex, ExportDefaultExt, 0);
  ExportDefaultExt = choice.DefaultExt;
  int32_t flags = choice.Flags;
  if (choice.AsksQuality) {
    ImageQualityDialog& quality = ImageQuality();
    quality.FormShow();
    if (!w_.Prompts().RunDialog(quality)) return;
    flags = quality.Quality();
  }
  ImagesFolder = QFileInfo(target.Path).absolutePath();

  w_.TakeOutputSnapshot();
  const bool written = SaveImageFile(w_.OutputImage, LocalFileName(target.Path), flags);
  w_.OutputImage.SetSize(0, 0);
  // Unlike a silent failure, the user learns that no file was written.
  if (!written) w_.Prompts().Error("Cannot export the image.");
}

// ---------------------------------------------------------------------------
// Tips, about and help

AboutDialog& DialogCommands::About() {
  if (about_ == nullptr) {
    ownAbout_ = std::make_unique<AboutDialog>();
    about_ = ownAbout_.get();
    about_->OpenUrl = [this](const QUrl& url) {
      if (OpenUrl) OpenUrl(url);
    };
  }
  return *about_;
}

void DialogCommands::AdoptSplash(AboutDialog& splash) {
  about_ = &splash;
  ownAbout_.reset();
  splash.OpenUrl = [this](const QUrl& url) {
    if (OpenUrl) OpenUrl(url);
  };
  splash.OnSplashDone = [this] { Safely([&] { ShowTipsAtStartup(); }); };
}

void DialogCommands::ShowTipsAtStartup() {
  if (!LoadTipState(Tips().Store()).ShowTips) return;
  HelpTipsClick();
}

void DialogCommands::HelpTipsClick() {
  TipsDialog& tips = Tips();
  tips.FormShow();
  w_.Prompts().RunDialog(tips);
}

void DialogCommands::HelpAboutClick() { w_.Prompts().RunDialog(About()); }

void DialogCommands::HelpContentsClick() { Help().ShowTopic(hcContents); }
void DialogCommands::HelpTutorialClick() { Help().ShowTopic(hcTutorial); }
void DialogCommands::HelpSupportClick() { Help().ShowTopic(hcSupport); }

QUrl DialogCommands::FeedbackUrl() {
  return QUrl(QString("mailto:") + links::kFeedbackMail + "?subject=Feedback on " + kApplicationTitle);
}

void DialogCommands::HelpSendClick() {
  if (OpenUrl) OpenUrl(FeedbackUrl());
}

void DialogCommands::HelpCheckClick() {
  if (OpenUrl) OpenUrl(QUrl(links::kDownloadPage));
}

void DialogCommands::HelpWebClick() {
  if (OpenUrl) OpenUrl(QUrl(links::kWebSite));
}

}  // namespace plumavo
